// Recording: live key strokes become timed events in the EventBuffer; when the recording stops
// the PlaybackBuffer is rebuilt from it.
#pragma once

#include <cstdint>

#include "engine/clock.h"
#include "engine/player_state.h"
#include "engine/ui_effects.h"
#include "record/document_state.h"
#include "record/event_buffer.h"

namespace velmira {

struct RecorderState {
  bool recording = false;
  uint32_t lastEventTime = 0;  // of the previous event, or of the start of the recording
  uint32_t startTime = 0;      // of the recording
};

// Replaces the PlaybackBuffer by a copy of the events. On failure tells the user and leaves
// it empty. A count of 0 is no failure.
bool RebuildPlaybackBuffer(PlaybackBuffer& playback, const PerformanceEvent* events, uint32_t count,
                           UiEffects& ui);
inline void ReleasePlaybackBuffer(PlaybackBuffer& playback) { playback.Release(); }

class Recorder final : public KeyEventRecorder {
 public:
  Recorder(EventBuffer& events, PlaybackBuffer& playback, DocumentState& document,
           const PlayerState& player, Clock& clock, UiEffects& ui)
      : events_(events),
        playback_(playback),
        document_(document),
        player_(player),
        clock_(clock),
        ui_(ui) {}

  void RecordKey(const KeyEvent& key, int32_t octaveShift) override;
  void StartRecording();  // CMD_RECORD_START
  void StopRecording();   // CMD_RECORD_STOP
  // Milliseconds since the recording started, by the clock that stamps its events.
  uint32_t ElapsedMs() const { return clock_.NowMs() - state_.startTime; }
  // The periodic tick while recording: the indicator is repainted when its seconds change.
  void OnTick();

  const RecorderState& state() const { return state_; }

 private:
  EventBuffer& events_;
  PlaybackBuffer& playback_;
  DocumentState& document_;
  const PlayerState& player_;
  Clock& clock_;
  UiEffects& ui_;
  RecorderState state_;
  uint32_t shownSeconds_ = 0;
};

}  // namespace velmira
