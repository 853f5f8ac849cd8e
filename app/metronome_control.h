// The metronome as the player uses it (乐谱 -> 节拍器, 速度, 拍号, 预备拍): its settings, clicks on
// the percussion channel while it is ticked and the instrument is on, the count-in before a
// recording, clicks in a performance's own bars while it plays, the beat shown in the recording
// indicator's place, and 设为录音的速度.
#pragma once

#include <cstdint>

#include "engine/midi_output.h"
#include "engine/player_state.h"
#include "engine/ui_effects.h"
#include "record/document_state.h"
#include "record/event_buffer.h"
#include "record/metronome.h"
#include "record/tempo.h"
#include "view/window_layout.h"

namespace velmira {

struct MetronomeSettings {
  bool on = false;  // 节拍器 ticked
  int bpm = 90;     // quarter notes per minute
  uint8_t numerator = 4;
  uint8_t denominator = 4;
  bool countIn = true;  // 预备拍: one bar of clicks before a recording
};

// The metres of the 拍号 menu, in the order of its items.
constexpr int kMetreCount = 4;
constexpr uint8_t kMetres[kMetreCount][2] = {{2, 4}, {3, 4}, {4, 4}, {6, 8}};

class MetronomeControl {
 public:
  MetronomeControl(const PlayerState& player, MidiOutput& midi, UiEffects& ui, Clock& clock,
                   OneShotTimerService& timers, ClickSink& sink)
      : player_(player), midi_(midi), ui_(ui), clock_(clock), metronome_(timers, clock, sink) {}

  const MetronomeSettings& settings() const { return settings_; }
  // The settings as a tempo with its bar line at the given time.
  Tempo SettingsTempo(uint32_t downbeatMs) const;

  // The metronome's commands; false for any other id. The performance is that of the document.
  bool OnCommand(int id, DocumentState& document, const EventBuffer& events);
  // After the switch or the device changed: clicks while ticked and switched on, else none;
  // restart starts a new bar (a new device).
  void Follow(bool restart = false);
  // Esc: the player asked for silence. The clicks stop and 节拍器 is unticked.
  void OnEscape();
  // A recording starts now: the bar starts again (after a bar of count-in when 预备拍 is ticked).
  // Returns the tempo the take gets, or none while the metronome does not click.
  Tempo OnRecordingStarted(uint32_t startMs);
  // A playback (or a loop's next round) started at startMs: a performance with a tempo is
  // clicked in its own bars; at its end the metronome goes back to its own.
  void OnPlaybackRound(const Tempo& tempo, uint32_t startMs);
  void OnPlaybackStopped();
  // A lesson that follows a song: clicks at its tempo from startMs, a bar of count-in first,
  // whether 节拍器 is ticked or not. Returns the tempo with its first bar line after the
  // count-in. At the lesson's end the metronome goes back to its own settings.
  Tempo StartLesson(Tempo tempo, uint32_t startMs);
  void EndLesson() { Follow(true); }
  // A click posted by the timer thread, on the window thread: sends it if it is not stale.
  void OnClick(uint32_t generation, int64_t click, bool start);
  // What the recording indicator's place shows while the metronome clicks: the count-in of a
  // recording, or the beat; nothing otherwise (a recording past its count-in shows its own).
  IndicatorState Indicator(bool recording) const;

 private:
  void Restart(uint32_t originMs, const Tempo& tempo, int64_t firstClick = 0);
  void AskTempo();
  void CheckMenu();

  const PlayerState& player_;
  MidiOutput& midi_;
  UiEffects& ui_;
  Clock& clock_;
  Metronome metronome_;
  MetronomeSettings settings_;
  uint32_t downbeatMs_ = 0;  // clock time of the bar line of a recording's count-in
  bool countingIn_ = false;
  int64_t lastClick_ = 0;  // the click that sounded last, and whether it still sounds
  bool sounding_ = false;
  uint32_t alignedTo_ = 0;  // the playback round the clicks follow, 0 when none
};

}  // namespace velmira
