#include "record/recorder.h"

#include "commands/command_ids.h"
#include "record/key_data.h"
#include "record/transport.h"

namespace velmira {

bool RebuildPlaybackBuffer(PlaybackBuffer& playback, const PerformanceEvent* events, uint32_t count,
                           UiEffects& ui) {
  if (playback.Assign(events, count)) return true;
  ui.ShowMessage("内存分配错误.", "错误", MessageIcon::None, MessageButtons::Ok, false);
  return false;
}

void Recorder::RecordKey(const KeyEvent& key, int32_t octaveShift) {
  if (!state_.recording) return;
  if (events_.empty() && !key.down) return;
  const uint32_t now = clock_.NowMs();
  const PerformanceEvent event{now - state_.lastEventTime,
                               key.down ? kKeyDownMessage : kKeyUpMessage, PackKeyData(key),
                               octaveShift};
  if (!events_.Append(event)) {
    // Out of memory: every event already recorded stays; this one is lost, and its time
    // counts in the next event's delay.
    return;
  }
  state_.lastEventTime = now;
  if (events_.count() == 1) document_.modified = true;
}

void Recorder::StartRecording() {
  if (!player_.switchedOn) {
    ui_.ShowMessage("请打开开关", "提示", MessageIcon::None, MessageButtons::Ok, true);
    return;
  }
  ApplyTransportRow(TransportRow::Recording, document_.modified, ui_);
  state_.recording = true;
  events_.Release();
  ++document_.revision;
  state_.lastEventTime = state_.startTime = clock_.NowMs();
  shownSeconds_ = 0;
  ui_.SetRecordingTick(true);
  ui_.InvalidateRecordingIndicator();
}

void Recorder::StopRecording() {
  ApplyTransportRow(events_.empty() ? TransportRow::IdleEmpty : TransportRow::IdleWithPerformance,
                    document_.modified, ui_);
  if (events_.empty()) document_.modified = false;
  state_.recording = false;
  ui_.SetRecordingTick(false);
  ui_.InvalidateRecordingIndicator();
  ReleasePlaybackBuffer(playback_);
  RebuildPlaybackBuffer(playback_, events_.events(), events_.count(), ui_);
  ++document_.revision;
}

void Recorder::OnTick() {
  if (!state_.recording) return;  // a tick already on its way when the recording stopped
  const uint32_t seconds = ElapsedMs() / 1000;
  if (seconds == shownSeconds_) return;
  shownSeconds_ = seconds;
  ui_.InvalidateRecordingIndicator();
}

}  // namespace velmira
