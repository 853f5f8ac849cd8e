#include "app/metronome_control.h"

#include <cmath>

#include "app/ask_number.h"
#include "commands/command_ids.h"
#include "record/key_data.h"

namespace velmira {

namespace {

constexpr int kPercussionChannel = 9;
constexpr int kAccentNote = 76;  // high wood block
constexpr int kBeatNote = 77;    // low wood block
constexpr int kClickVelocity = 100;

}  // namespace

Tempo MetronomeControl::SettingsTempo(uint32_t downbeatMs) const {
  Tempo tempo;
  tempo.microsPerQuarter = MicrosPerQuarter(settings_.bpm);
  tempo.numerator = settings_.numerator;
  tempo.denominator = settings_.denominator;
  tempo.downbeatMs = downbeatMs;
  return tempo;
}

void MetronomeControl::Restart(uint32_t originMs, const Tempo& tempo, int64_t firstClick) {
  sounding_ = false;
  lastClick_ = firstClick;
  metronome_.Start(
      ClickSchedule{originMs, QuarterMs(tempo) * BeatQuarters(tempo), BeatsPerBar(tempo)},
      firstClick);
  ui_.InvalidateRecordingIndicator();
}

bool MetronomeControl::OnCommand(int id, DocumentState& document, const EventBuffer& events) {
  const bool running = metronome_.running();
  if (id == CMD_METRONOME) {
    settings_.on = !settings_.on;
    Follow();
  } else if (id == CMD_TEMPO) {
    AskTempo();
  } else if (id >= CMD_METRE_FIRST && id <= CMD_METRE_LAST) {
    settings_.numerator = kMetres[id - CMD_METRE_FIRST][0];
    settings_.denominator = kMetres[id - CMD_METRE_FIRST][1];
    if (running) Restart(clock_.NowMs(), SettingsTempo(0));  // a new bar begins
  } else if (id == CMD_COUNT_IN) {
    settings_.countIn = !settings_.countIn;
  } else if (id == CMD_TAKE_TEMPO) {
    if (events.empty()) return true;
    // The metronome's tempo and metre; the bar line the performance has, else its first note.
    const uint32_t downbeat = document.tempo.known()
                                  ? document.tempo.downbeatMs
                                  : FirstKeyDownMs(events.events(), events.count());
    document.tempo = SettingsTempo(downbeat);
    document.modified = true;
    ++document.revision;
    ui_.EnableMenuItem(CMD_SAVE, true);
  } else {
    return false;
  }
  CheckMenu();
  return true;
}

void MetronomeControl::AskTempo() {
  if (!AskNumber(ui_, "速度", "每分钟的四分音符数 (30 到 300):", kSlowestBpm, kFastestBpm,
                 "速度必须是 30 到 300 之间的整数 (每分钟的四分音符数).", &settings_.bpm)) {
    return;
  }
  if (metronome_.running()) Restart(clock_.NowMs(), SettingsTempo(0));
}

void MetronomeControl::CheckMenu() {
  ui_.CheckMenuItem(CMD_METRONOME, settings_.on);
  for (int m = 0; m < kMetreCount; ++m) {
    ui_.CheckMenuItem(CMD_METRE_FIRST + m, kMetres[m][0] == settings_.numerator &&
                                               kMetres[m][1] == settings_.denominator);
  }
  ui_.CheckMenuItem(CMD_COUNT_IN, settings_.countIn);
}

void MetronomeControl::Follow(bool restart) {
  const bool wanted = settings_.on && player_.switchedOn;
  if (restart || !wanted) {
    metronome_.Stop();
    sounding_ = false;
    countingIn_ = false;
    alignedTo_ = 0;
    ui_.InvalidateRecordingIndicator();
  }
  if (wanted && !metronome_.running()) Restart(clock_.NowMs(), SettingsTempo(0));
}

void MetronomeControl::OnEscape() {
  if (!settings_.on) return;
  settings_.on = false;
  Follow();
  CheckMenu();
}

Tempo MetronomeControl::OnRecordingStarted(uint32_t startMs) {
  if (!settings_.on || !player_.switchedOn) return Tempo{};
  const uint32_t countIn =
      settings_.countIn ? static_cast<uint32_t>(std::lround(BarMs(SettingsTempo(0)))) : 0;
  const Tempo tempo = SettingsTempo(countIn);
  alignedTo_ = 0;
  Restart(startMs, tempo);
  countingIn_ = settings_.countIn;
  downbeatMs_ = startMs + countIn;
  return tempo;
}

void MetronomeControl::OnPlaybackRound(const Tempo& tempo, uint32_t startMs) {
  if (!settings_.on || !player_.switchedOn || !tempo.known() || alignedTo_ == startMs) return;
  // The clicks from the first beat of the performance's bars at or after its start.
  const double beat = QuarterMs(tempo) * BeatQuarters(tempo);
  const int64_t first = -static_cast<int64_t>(std::floor(tempo.downbeatMs / beat));
  Restart(startMs + tempo.downbeatMs, tempo, first);
  countingIn_ = false;
  alignedTo_ = startMs;
}

Tempo MetronomeControl::StartLesson(Tempo tempo, uint32_t startMs) {
  tempo.downbeatMs = static_cast<uint32_t>(std::lround(BarMs(tempo)));
  alignedTo_ = 0;
  Restart(startMs, tempo);
  countingIn_ = true;
  downbeatMs_ = startMs + tempo.downbeatMs;
  return tempo;
}

void MetronomeControl::OnPlaybackStopped() {
  if (alignedTo_ == 0) return;
  alignedTo_ = 0;
  if (metronome_.running()) Restart(clock_.NowMs(), SettingsTempo(0));
}

void MetronomeControl::OnClick(uint32_t generation, int64_t click, bool start) {
  if (generation != metronome_.generation() || !metronome_.running()) return;
  const int note = ClickAccented(metronome_.schedule(), click) ? kAccentNote : kBeatNote;
  if (start) {
    midi_.SendShortMessage(0x90, kPercussionChannel, note, kClickVelocity);
  } else {
    midi_.SendShortMessage(0x80, kPercussionChannel, note, 0);
  }
  lastClick_ = click;
  sounding_ = start;
  ui_.InvalidateRecordingIndicator();
}

IndicatorState MetronomeControl::Indicator(bool recording) const {
  if (!metronome_.running()) return IndicatorState{};
  const ClickSchedule schedule = metronome_.schedule();
  const bool accent = ClickAccented(schedule, lastClick_);
  const IndicatorDot dot =
      !sounding_ ? IndicatorDot::Grey : (accent ? IndicatorDot::Red : IndicatorDot::Green);
  if (recording) {
    // Only the count-in is shown here; the recording's own indicator follows it.
    if (!countingIn_ || static_cast<int32_t>(clock_.NowMs() - downbeatMs_) >= 0) {
      return IndicatorState{};
    }
    return IndicatorState{CountInText(schedule.beatsPerBar - static_cast<int>(lastClick_)), dot};
  }
  return IndicatorState{BeatText(ClickBeat(schedule, lastClick_)), dot};
}

}  // namespace velmira
