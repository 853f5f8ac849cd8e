// AppController: the song book, a song opened from it or from a file, hearing the song, and the
// lesson that teaches it (the keys to strike lit, the score marking the next note).
#include <algorithm>
#include <cstdio>

#include "app/app_controller.h"
#include "app/ask_number.h"
#include "commands/command_ids.h"
#include "engine/key_map.h"
#include "record/byte_source.h"
#include "record/file_messages.h"
#include "record/file_system.h"
#include "score/jianpu_text.h"

namespace velmira {

namespace {

bool ReadText(const std::string& path, std::string* text) {
  return ReadWholeFile(path, 1u << 20, text);  // a song is a few kilobytes
}

// The key under a note: its legend, after an arrow when it needs Shift (up) or Ctrl (down).
std::string Hint(const std::vector<KeyChoice>& keys) {
  std::string hint;
  for (const KeyChoice& key : keys) {
    if (!hint.empty()) hint += ' ';
    if (key.shift > 0) hint += "\xE2\x86\x91";  // ↑
    if (key.shift < 0) hint += "\xE2\x86\x93";  // ↓
    const char* legend = KeyLegend(key.slot);
    hint += legend != nullptr ? legend : "?";
  }
  return hint;
}

}  // namespace

void AppController::LoadSongBook(const std::string& folder) {
  songPaths_.clear();
  if (folder.empty()) return;
  std::vector<std::string> names = FilesEndingIn(folder, ".txt");
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) songPaths_.push_back(JoinPath(folder, name));
}

std::vector<std::string> AppController::SongTitles() const {
  std::vector<std::string> titles;
  for (const std::string& path : songPaths_) {
    std::string text, error;
    Score song;
    const bool read = ReadText(path, &text) && ReadJianpuText(text, &song, &error);
    titles.push_back(
        scoreUi_.FromUtf8(read && !song.title.empty() ? song.title : FileNameOf(path)));
  }
  return titles;
}

void AppController::OnLessonCommand(int id) {
  if (id >= CMD_SONG_FIRST && id <= CMD_SONG_LAST) {
    const size_t song = static_cast<size_t>(id - CMD_SONG_FIRST);
    if (song < songPaths_.size()) OpenSong(songPaths_[song]);
    return;
  }
  switch (id) {
    case CMD_LEARN_SONG: {
      std::string path;
      if (ui_.ChooseFile(FileDialog::Song, std::string(), &path)) OpenSong(path);
      break;
    }
    case CMD_PLAY_SONG: PlaySong(); break;
    case CMD_WAIT_MODE:
    case CMD_FOLLOW_MODE:
      mode_ = id == CMD_WAIT_MODE ? LessonMode::Waiting : LessonMode::Following;
      ui_.CheckMenuItem(CMD_WAIT_MODE, mode_ == LessonMode::Waiting);
      ui_.CheckMenuItem(CMD_FOLLOW_MODE, mode_ == LessonMode::Following);
      break;
    case CMD_PRACTICE_SPEED: AskSpeed(); break;
    case CMD_STOP_LESSON: FinishLesson(); break;
  }
}

void AppController::AskSpeed() {
  AskNumber(ui_, "练习速度", "跟随模式的速度, 原速度的百分之几 (50 到 150):", 50, 150,
            "练习速度必须是 50 到 150 之间的整数 (百分之几).", &speed_);
}

// Reads the song and chooses its keys; anything wrong is told with its place in the text and
// nothing else changes. Then, as a player would, the key signature becomes the song's 1=, the
// song shows in the 简谱 window, and the lesson begins.
void AppController::OpenSong(const std::string& path) {
  std::string text, error;
  Score song;
  SongKeys keys;
  if (!ReadText(path, &text)) {
    file_.ShowFileError(kCannotOpenFile, FileNameOf(path).c_str());
    return;
  }
  if (!ReadJianpuText(text, &song, &error) || !ChooseSongKeys(song, &keys, &error)) {
    ui_.Beep(MessageIcon::Exclamation);
    ui_.ShowMessage((FileNameOf(path) + ": " + error).c_str(), "QJ", MessageIcon::Exclamation,
                    MessageButtons::Ok, true);
    return;
  }
  if (LessonRunning()) FinishLesson();
  if (!state_.switchedOn) {
    ui_.ShowMessage("请打开开关", "提示", MessageIcon::None, MessageButtons::Ok, true);
    return;
  }
  if (!file_.MayDiscardChanges()) return;  // the lesson's take replaces the performance
  if (playingRow_) OnPlayStop();
  if (song.title.empty()) song.title = scoreUi_.ToUtf8(FileNameOf(path));
  song_ = std::move(song);
  songKeys_ = std::move(keys);
  songHints_.assign(song_.bars.size(), {});
  for (size_t b = 0; b < song_.bars.size(); ++b) {
    for (const auto& item : songKeys_[b]) songHints_[b].push_back(Hint(item));
  }
  songOpen_ = true;
  engine_.OnKeySignatureCommand(KeySignatureOfMajorKey(song_.majorKey));
  if (!scoreShown_) OnScoreCommand(CMD_SHOW_SCORE);
  StartLesson();
}

// The lesson's take is recorded as any take: a new, untitled document. In following mode the
// metronome counts a bar in at the song's tempo times the practice speed.
void AppController::StartLesson() {
  recorder_.StartRecording();
  if (!recorder_.state().recording) return;
  file_.BecomeUntitled();
  const uint32_t start = recorder_.state().startTime;
  Tempo tempo;
  tempo.microsPerQuarter = MicrosPerQuarter(song_.bpm * speed_ / 100);
  tempo.numerator = song_.numerator;
  tempo.denominator = song_.denominator;
  lessonTempo_ = Tempo{};
  uint32_t downbeat = 0;
  if (mode_ == LessonMode::Following) {
    lessonTempo_ = metronome_.StartLesson(tempo, start);
    downbeat = start + lessonTempo_.downbeatMs;
    scoreUi_.SetLessonTick(true);
  }
  document_.tempo = lessonTempo_;
  // The notes fall due on the metronome's beat, which the song's tempo at this speed is rounded
  // to (a whole number of beats a minute).
  lesson_.Start(song_, songKeys_, mode_, QuarterMs(tempo), downbeat);
  ui_.EnableMenuItem(CMD_STOP_LESSON, true);
  MarkNext();
}

void AppController::MarkNext() {
  std::vector<CapMark> marks;
  if (lesson_.active()) {
    for (const KeyChoice& key : lesson_.NextKeys()) marks.push_back(CapMark{key.slot, key.shift});
  }
  if (drawer_ != nullptr) drawer_->SetMarks(marks);
  layoutStale_ = true;
  RefreshScore(false);
}

void AppController::AfterStroke(const KeyEvent& key) {
  if (lessonEnding_) {
    if (!engine_.AnyLiveKeyHeld()) FinishLesson();
    return;
  }
  if (!key.down || key.autoRepeat || key.alt) return;
  const KeySlot* slot = PlayableSlot(key.scanCode);
  if (slot == nullptr) return;
  const ItemRef before = lesson_.Next();
  lesson_.OnStroke(BaseNote(*slot) - 60 + 12 * state_.shiftState, clock_.NowMs());
  UpdateScoreMenu();  // a lesson begun keeps 播放曲谱 from it
  if (!lesson_.active()) return EndLessonWhenKeysAreUp();
  if (!(lesson_.Next() == before)) MarkNext();
}

void AppController::OnLessonTick() {
  if (!lesson_.active()) return;
  const ItemRef before = lesson_.Next();
  lesson_.OnTime(clock_.NowMs());
  if (!lesson_.active()) return EndLessonWhenKeysAreUp();
  if (!(lesson_.Next() == before)) MarkNext();
}

// Every note is done: the take goes on until the keys held come up, so that it holds their ends.
void AppController::EndLessonWhenKeysAreUp() {
  lessonEnding_ = true;
  MarkNext();
  if (!engine_.AnyLiveKeyHeld()) FinishLesson();
}

// The lesson ends (every note done, Esc, 停止学习, or 停止录制): the take is kept and the box tells
// how it went.
void AppController::FinishLesson() {
  lessonEnding_ = false;
  if (!songOpen_ || !recorder_.state().recording) return;
  const LessonResult result = lesson_.Result();
  const bool following = lesson_.mode() == LessonMode::Following;
  StopLessonTake();
  document_.tempo = lessonTempo_;
  char text[160];
  std::snprintf(text, sizeof text, "弹对的音: %d / %d\n错键: %d 次", result.right, result.notes,
                result.wrongKeys);
  std::string message = text;
  if (following) {
    std::snprintf(text, sizeof text, "\n平均时间偏差: %+d 毫秒",
                  static_cast<int>(result.meanOffsetMs + (result.meanOffsetMs < 0 ? -0.5 : 0.5)));
    message += text;
  }
  ui_.ShowMessage(message.c_str(), "学习结果", MessageIcon::None, MessageButtons::Ok, true);
}

// The lesson, its take, and in following mode its metronome and tick stop; the marks go.
void AppController::StopLessonTake() {
  const bool following = lesson_.mode() == LessonMode::Following;
  lesson_.Stop();
  recorder_.StopRecording();
  if (following) {
    metronome_.EndLesson();
    scoreUi_.SetLessonTick(false);
  }
  ui_.EnableMenuItem(CMD_STOP_LESSON, false);
  MarkNext();
}

// The song through the existing playback, as a performance of its own: the document's is put
// back when the playback stops.
void AppController::PlaySong() {
  if (!songOpen_ || playingRow_) return;
  if (LessonRunning()) {
    if (!lesson_.active() || !lesson_.Untouched()) return;
    // Heard before it is learnt: the lesson not yet begun stops without a word, its empty take
    // with it, and begins again when the song has played.
    StopLessonTake();
    resumeLesson_ = true;
  }
  Tempo tempo;
  const std::vector<PerformanceEvent> events = SongPerformance(song_, songKeys_, &tempo);
  if (!playbackBuffer_.Assign(events.data(), static_cast<uint32_t>(events.size()))) return;
  playingSong_ = true;
  songTempo_ = tempo;
  RefreshScore(false);
  OnPlay(false);
}

}  // namespace velmira
