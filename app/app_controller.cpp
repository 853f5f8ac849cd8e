#include "app/app_controller.h"

#include <new>

#include "app/output_start.h"
#include "commands/command_ids.h"
#include "record/key_data.h"
#include "record/transport.h"
#include "view/window_layout.h"

namespace velmira {

AppController::AppController(const AppServices& s)
    : ui_(s.ui),
      midi_(state_, s.midi),
      engine_(state_, midi_, s.ui),
      devices_(state_, midi_, engine_, s.ui),
      events_(s.reallocate),
      playbackBuffer_(s.reallocate),
      recorder_(events_, playbackBuffer_, document_, state_, s.clock, s.ui),
      playback_(playbackBuffer_, s.timers, s.clock, s.playbackSink, s.scheduling),
      file_(document_, events_, playbackBuffer_, state_, s.ui, s.calendar),
      metronome_(state_, midi_, s.ui, s.clock, s.timers, s.clickSink),
      clock_(s.clock),
      calendar_(s.calendar),
      recovery_(s.recoveryFolder),
      scoreUi_(s.scoreUi) {
  engine_.SetRecorder(&recorder_);
  LoadSongBook(s.songFolder);
}

bool AppController::OnCreate(const char* commandLine) {
  return Guarded(false, [&] { return Create(commandLine); });
}

bool AppController::Create(const char* commandLine) {
  if (!OpenOutputAtStart(devices_, midi_.service(), state_, ui_, SongTitles())) return false;
  recovery_.Open();
  std::string song;
  const bool learn = LearnCommandLine(commandLine, &song);
  if (OfferRecovery(learn ? "" : commandLine)) {
    file_.LoadAtStartup(learn ? "" : commandLine);
  } else {
    file_.UpdateTitle("");
  }
  if (learn) OpenSong(song);
  UpdateScoreMenu();
  SyncRecovery();
  return true;
}

void AppController::OnDestroy() {
  // The copy is as the close left it: removed after its question, or kept when the program
  // ended without asking.
  destroying_ = true;
  OnCommand(CMD_SWITCH_OFF);
  playback_.StopPlayback();
  ReleasePlaybackBuffer(playbackBuffer_);
  events_.Release();
}

void AppController::OnKey(const KeyEvent& key) {
  if (!state_.switchedOn) return;
  Guarded(0, [&] {
    engine_.PlayKey(key);
    if (LessonRunning()) AfterStroke(key);
    if (recorder_.state().recording) RefreshScore(true);  // the 简谱 window grows with the take
    return 0;
  });
}

void AppController::OnChar(uint32_t character) {
  if (character != 27 || !state_.switchedOn) return;
  engine_.OnEscape();
  metronome_.OnEscape();
  if (LessonRunning()) Guarded(0, [&] { return FinishLesson(), 0; });
}

void AppController::OnFocusLost() {
  engine_.ReleaseLiveKeys();
  if (lessonEnding_) Guarded(0, [&] { return FinishLesson(), 0; });
}

void AppController::OnBar(int controlId, BarAction action, int position) {
  if (controlId == IDC_VELOCITY) {
    engine_.OnVelocityBar(action, position);
  } else if (controlId == IDC_PITCH_BEND) {
    engine_.OnPitchBendBar(action, position);
  }
}

intptr_t AppController::OnCommand(unsigned commandId) {
  return Guarded(intptr_t{0}, [&] {
    const intptr_t result = Command(commandId);
    UpdateScoreMenu();
    SyncRecovery();
    RefreshScore(false);
    return result;
  });
}

void AppController::UpdateScoreMenu() {
  const bool idle = !recorder_.state().recording && !playingRow_;
  // A lesson not yet begun gives way to hearing its song.
  const bool freshLesson = lesson_.active() && lesson_.Untouched() && !playingRow_;
  const bool available[] = {!events_.empty() && idle, !events_.empty() || ShowingSong(),
                            songOpen_ && (idle || freshLesson)};
  const int ids[] = {CMD_TAKE_TEMPO, CMD_EXPORT_SCORE, CMD_PLAY_SONG};
  for (int i = 0; i < 3; ++i) {
    if (available[i] == scoreMenuEnabled_[i]) continue;
    scoreMenuEnabled_[i] = available[i];
    ui_.EnableMenuItem(ids[i], available[i]);
  }
}

intptr_t AppController::Command(unsigned commandId) {
  const int id = static_cast<int>(commandId & 0xFFFF);
  if (id == CMD_HELP) {
    ui_.ShowHelp();
  } else if (id == CMD_ABOUT) {
    ui_.ShowAbout();
  } else if (id >= CMD_KEY_FIRST && id <= CMD_KEY_LAST) {
    engine_.OnKeySignatureCommand(id);
  } else if (id == CMD_RECORD_START) {
    OnRecordStart();
  } else if (id == CMD_RECORD_STOP) {
    if (LessonRunning()) {
      FinishLesson();
    } else {
      recorder_.StopRecording();
    }
  } else if (id == CMD_PLAY || id == CMD_PLAY_LOOP) {
    OnPlay(id == CMD_PLAY_LOOP);
  } else if (id == CMD_PLAY_STOP) {
    OnPlayStop();
  } else if (id == CMD_SAVE || id == CMD_SAVE_AS || id == CMD_LOAD) {
    return OnFileCommand(static_cast<unsigned>(id));
  } else if (id == CMD_EXPORT_MIDI) {
    OnFileCommand(static_cast<unsigned>(id));
  } else if (id == CMD_BASS) {
    engine_.OnBassCommand();
  } else if (id == CMD_SWITCH_ON) {
    devices_.SwitchOn();
    metronome_.Follow();
  } else if (id == CMD_SWITCH_OFF) {
    if (LessonRunning()) FinishLesson();
    devices_.SwitchOff();
    metronome_.Follow();
  } else if (id >= CMD_DEVICE_FIRST && id <= CMD_DEVICE_LAST) {
    devices_.ChooseDevice(id);
    metronome_.Follow(true);  // a new bar on the new device
  } else if (id == CMD_SHOW_SCORE || id == CMD_EXPORT_SCORE) {
    OnScoreCommand(id);
  } else if ((id >= CMD_LEARN_SONG && id <= CMD_STOP_LESSON) ||
             (id >= CMD_SONG_FIRST && id <= CMD_SONG_LAST)) {
    OnLessonCommand(id);
  } else if (id >= CMD_SCORE_FIRST && id <= CMD_SCORE_LAST) {
    if (!metronome_.OnCommand(id, document_, events_)) ui_.Invalidate(true);
  } else if (id >= CMD_CHANNEL_BASE && id <= CMD_CHANNEL_LAST) {
    engine_.OnChannelCommand(id - CMD_CHANNEL_BASE);
  } else if (id >= CMD_PROGRAM_BASE) {
    engine_.OnProgramCommand(id - CMD_PROGRAM_BASE);
  } else {
    ui_.Invalidate(true);
  }
  return 0;
}

void AppController::OnRecordStart() {
  // A new take replaces the performance, so unsaved changes are offered for saving first, as
  // on load and close. Switched off, the recorder only says so, and nothing is asked.
  if (state_.switchedOn && !file_.MayDiscardChanges()) return;
  recorder_.StartRecording();
  if (!recorder_.state().recording) return;
  // A new take is a new document: the file it replaced is never saved over unless the player
  // chooses it by name. With the metronome clicking it has the metronome's tempo and its bars
  // begin after the count-in.
  file_.BecomeUntitled();
  document_.tempo = metronome_.OnRecordingStarted(recorder_.state().startTime);
}

void AppController::OnPlay(bool loop) {
  if (!state_.switchedOn) {
    ui_.ShowMessage("请打开开关", "提示", MessageIcon::None, MessageButtons::Ok, true);
    return;
  }
  ApplyTransportRow(TransportRow::Playing, document_.modified, ui_);
  playingRow_ = true;
  // Nothing sounds when the chain cannot start; the Playing row stays until the user stops.
  if (playback_.StartPlayback(loop)) {
    metronome_.OnPlaybackRound(playingSong_ ? songTempo_ : document_.tempo,
                               playback_.state().roundStartMs);
  }
}

void AppController::OnPlayStop() {
  ApplyTransportRow(TransportRow::Stopped, document_.modified, ui_);
  playingRow_ = false;
  playback_.StopPlayback();
  // Events the timer posted before the stop must not start notes after All Notes Off; but at
  // the natural end the last events are still on their way and belong to the performance.
  ui_.FlushPendingPlayEvents(playback_.ranToEnd());
  engine_.StopAllNotes();
  metronome_.OnPlaybackStopped();
  if (playingSong_) {
    // The song played from a buffer of its own; the performance's comes back, and a lesson
    // that gave way to the song begins again.
    playingSong_ = false;
    ReleasePlaybackBuffer(playbackBuffer_);
    RebuildPlaybackBuffer(playbackBuffer_, events_.events(), events_.count(), ui_);
    RefreshScore(false);
    if (resumeLesson_) {
      resumeLesson_ = false;
      ui_.Invalidate(true);
      return StartLesson();
    }
  }
  ui_.Invalidate(true);
}

void AppController::OnPlayEvent(const PerformanceEvent* events, uint32_t index) {
  if (!state_.switchedOn) return;
  // Only events of the current PlaybackBuffer; anything else is stale.
  if (events != playbackBuffer_.events() || index >= playbackBuffer_.count()) return;
  // A loop's next round begins: the clicks follow its bars.
  if (index == 0) {
    metronome_.OnPlaybackRound(playingSong_ ? songTempo_ : document_.tempo,
                               playback_.state().roundStartMs);
  }
  const PerformanceEvent& event = events[index];
  engine_.ReplayKey(event.message == kKeyDownMessage, KeySlotOf(event.keyData), event.octaveShift);
}

void AppController::OnRecordingTick() {
  recorder_.OnTick();
  SyncRecovery();
}

void AppController::OnClick(uint32_t generation, int64_t click, bool start) {
  metronome_.OnClick(generation, click, start);
}

IndicatorState AppController::Indicator() const {
  const bool recording = recorder_.state().recording;
  const IndicatorState beat = metronome_.Indicator(recording);
  if (!beat.text.empty() || !recording) return beat;
  return IndicatorState{RecordingIndicatorText(recorder_.ElapsedMs()), IndicatorDot::Red};
}

void AppController::OnStartupTimer() {
  // The automatic play is skipped once the user has started recording or playing.
  if (!recorder_.state().recording && !playingRow_) OnCommand(CMD_PLAY);
}

intptr_t AppController::OnFileCommand(unsigned commandId) {
  switch (commandId) {
    case CMD_SAVE: return file_.Save() ? 1 : 0;
    case CMD_SAVE_AS: return file_.SaveAs() ? 1 : 0;
    case CMD_LOAD: file_.Load(); break;
    case CMD_EXPORT_MIDI: file_.Export(state_.program); break;
  }
  return 0;
}

// A close or session end that fails keeps the window, and with it the performance. Once the
// question is answered the take is saved or given up: its recovery copy goes.
bool AppController::OnCloseRequest() {
  return Guarded(false, [&] {
    if (!file_.CloseRequest()) return false;
    recovery_.Remove();
    return true;
  });
}

bool AppController::OnQueryEndSession() { return OnCloseRequest(); }

}  // namespace velmira
