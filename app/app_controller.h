// The program's behaviour behind the main window: every key stroke, bar action, command and timer
// that a shell receives becomes one call here. Owns the performance settings, the engine, the
// recording and its playback; reaches the screen, the devices and the timers only through its
// interfaces.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/lesson.h"
#include "app/metronome_control.h"
#include "app/score_effects.h"
#include "engine/clock.h"
#include "engine/device_control.h"
#include "engine/midi_output.h"
#include "engine/note_engine.h"
#include "engine/player_state.h"
#include "engine/ui_effects.h"
#include "record/document.h"
#include "record/document_state.h"
#include "record/event_buffer.h"
#include "record/playback.h"
#include "record/recorder.h"
#include "record/recovery.h"
#include "record/timer_service.h"
#include "score/transcribe.h"

namespace velmira {

struct AppServices {
  MidiOutputService& midi;
  UiEffects& ui;
  Clock& clock;
  OneShotTimerService& timers;
  PlaybackSink& playbackSink;
  ClickSink& clickSink;
  Calendar& calendar;
  ScoreEffects& scoreUi;
  // Chained delays exist only as a baseline for timing measurements.
  Scheduling scheduling = Scheduling::Timeline;
  // Memory of the EventBuffer and the PlaybackBuffer; tests substitute one that fails or pads.
  Reallocate reallocate = &std::realloc;
  // Where the recovery copy of an unsaved take is kept (the user's data folder); empty: none.
  std::string recoveryFolder;
  // The song book's folder (songs/ beside the program, or its installed data); empty: none.
  std::string songFolder;
};

class AppController {
 public:
  explicit AppController(const AppServices& services);

  // Main window creation: false refuses the window (no MIDI output device). Loads the file
  // named on the command line, if any, or with "--learn SONG" starts a lesson of the song.
  bool OnCreate(const char* commandLine = "");
  // The main window goes: switches the instrument off, stops playback, then releases both event
  // buffers.
  void OnDestroy();

  // A key stroke or a click on the on-screen keyboard; plays only while switched on.
  void OnKey(const KeyEvent& key);
  // A character typed: the Esc character (27) stops every note.
  void OnChar(uint32_t character);
  // The main window lost the keyboard focus: the keys still held come up.
  void OnFocusLost();
  // The velocity bar (IDC_VELOCITY) or the pitch-bend bar (IDC_PITCH_BEND) was used.
  void OnBar(int controlId, BarAction action, int position);
  // A command by its number (menu item, toolbar or transport button, accelerator); returns its
  // result (0 for every command but save and save-as).
  intptr_t OnCommand(unsigned commandId);
  // One event of the PlaybackBuffer that the playback timer posted, by its array and index.
  void OnPlayEvent(const PerformanceEvent* events, uint32_t index);
  // The play timer set after a start-up load ran out: plays the file once, unless the user has
  // started recording or playing meanwhile.
  void OnStartupTimer();
  // A metronome click (its start or its end) that the timer thread posted.
  void OnClick(uint32_t generation, int64_t click, bool start);
  // The periodic tick that runs while recording.
  void OnRecordingTick();
  // What the recording indicator's place shows: the recording ("录音中 1:05"), its count-in,
  // the metronome's beat, or nothing.
  IndicatorState Indicator() const;
  // The user asks to close the main window: true when it may be destroyed.
  bool OnCloseRequest();
  // The desktop session is ending: true when it may end.
  bool OnQueryEndSession();
  // The session ends, or the program is told to end, without a chance to ask: an unsaved take is
  // kept in its recovery copy, to be offered at the next start.
  void OnEndWithoutAsking();

  // The 简谱 window's page at a width, laid out again only when the width or the score changed.
  const ScoreLayout& ScorePage(float width);
  // The player closed the 简谱 window.
  void OnScoreWindowClosed();
  // The lesson's tick while it follows the song.
  void OnLessonTick();

  void SetDrawer(KeyCapDrawer* drawer) {
    engine_.SetDrawer(drawer);
    drawer_ = drawer;
  }
  const PlayerState& state() const { return state_; }
  const DocumentState& document() const { return document_; }
  const EventBuffer& events() const { return events_; }
  const PlaybackBuffer& playbackBuffer() const { return playbackBuffer_; }
  const Playback& playback() const { return playback_; }
  const Recorder& recorder() const { return recorder_; }
  const MetronomeControl& metronome() const { return metronome_; }
  NoteEngine& engine() { return engine_; }

 private:
  // Runs a handler so that no exception leaves it into the window procedure: running out of
  // memory is told to the user and the handler's result is then failed.
  template <typename Result, typename Handler>
  Result Guarded(Result failed, Handler handler);
  bool Create(const char* commandLine);
  intptr_t Command(unsigned commandId);
  void OnRecordStart();
  void OnPlay(bool loop);
  void OnPlayStop();
  intptr_t OnFileCommand(unsigned commandId);
  // The menu items whose availability depends on the performance and the transport.
  void UpdateScoreMenu();
  // Offers the copies of unsaved takes that an earlier run left behind; false when the player
  // kept one, so that the file on the command line is not loaded.
  bool OfferRecovery(const char* commandLine);
  // Keeps the recovery copy in step with the document: written after every change (every 10 s
  // while recording), removed while nothing is unsaved.
  void SyncRecovery();
  RecoverySnapshot Snapshot() const;

  // The 简谱 window and the score's export (app/controller_score.cpp).
  void OnScoreCommand(int id);
  // Writes the page anew when what it shows changed (live: a stroke while recording).
  void RefreshScore(bool live);
  Score PerformanceScore() const;
  void ExportScore();
  std::string ScoreWindowTitle() const;

  // Songs and lessons (app/controller_lesson.cpp).
  void LoadSongBook(const std::string& folder);
  // The songs' titles for the 曲库 menu, in the program's own text.
  std::vector<std::string> SongTitles() const;
  void OnLessonCommand(int id);
  void OpenSong(const std::string& path);
  void StartLesson();
  void AfterStroke(const KeyEvent& key);
  void EndLessonWhenKeysAreUp();
  void FinishLesson();
  void StopLessonTake();
  bool LessonRunning() const { return lesson_.active() || lessonEnding_; }
  // The 简谱 window shows the song while its lesson runs or it plays, else the performance.
  bool ShowingSong() const { return songOpen_ && (LessonRunning() || playingSong_); }
  void MarkNext();
  void PlaySong();
  void AskSpeed();

  PlayerState state_;
  UiEffects& ui_;
  MidiOutput midi_;
  NoteEngine engine_;
  DeviceControl devices_;
  DocumentState document_;
  EventBuffer events_;
  PlaybackBuffer playbackBuffer_;
  Recorder recorder_;
  Playback playback_;
  Document file_;
  MetronomeControl metronome_;
  Clock& clock_;
  Calendar& calendar_;
  RecoveryCopies recovery_;
  uint32_t recoveryRevision_ = 0;  // the document's revision in the copy
  uint32_t recoveryWrittenMs_ = 0;
  bool destroying_ = false;        // the window goes: the recovery copy is left as it is
  bool playingRow_ = false;        // the transport shows the Playing row
  bool scoreMenuEnabled_[3] = {};  // 设为录音的速度, 导出简谱, 播放曲谱 are available
  KeyCapDrawer* drawer_ = nullptr;

  // The 简谱 window.
  ScoreEffects& scoreUi_;
  bool scoreShown_ = false;
  std::string scoreTitle_;  // the 简谱 window's title as last set
  enum class PageSource { None, Performance, Take, Song };
  const Score& PageScore() const;
  PageSource pageSource_ = PageSource::None;
  Score page_;               // the performance's score, or the song
  LiveTranscription take_;   // the score of the take being recorded
  std::string takeWriting_;  // what take_ was started with
  std::string pageKey_;      // what the page was made from
  ScoreLayout layout_;
  float layoutWidth_ = 0;
  bool layoutStale_ = true;

  // The song book, the song opened and its lesson.
  std::vector<std::string> songPaths_;
  bool songOpen_ = false;
  Score song_;
  SongKeys songKeys_;
  std::vector<std::vector<std::string>> songHints_;  // the key under each note
  Lesson lesson_;
  bool lessonEnding_ = false;  // every note done; the take waits for the keys held to come up
  LessonMode mode_ = LessonMode::Waiting;
  int speed_ = 100;  // percent of the song's tempo, in following mode
  bool playingSong_ = false;
  bool resumeLesson_ = false;  // the lesson gave way to hearing the song first
  Tempo songTempo_;            // of the song while it plays
  Tempo lessonTempo_;          // the take's, in following mode
};

template <typename Result, typename Handler>
Result AppController::Guarded(Result failed, Handler handler) {
  try {
    return handler();
  } catch (...) {
    // The standard library's only exceptions here are failed allocations.
    ui_.Beep(MessageIcon::Exclamation);
    ui_.ShowMessage("内存不足, 操作未完成.", "QJ", MessageIcon::Exclamation, MessageButtons::Ok,
                    true);
    return failed;
  }
}

}  // namespace velmira
