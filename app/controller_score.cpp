// AppController: the 简谱 window (what the performance or the song of a lesson looks like as
// jianpu, live while recording) and the score's export as text, SVG or PDF.
#include <algorithm>
#include <cctype>

#include "app/app_controller.h"
#include "commands/command_ids.h"
#include "record/atomic_file.h"
#include "record/file_messages.h"
#include "score/jianpu_text.h"
#include "score/transcribe.h"
#include "view/score_svg.h"

namespace velmira {

namespace {

Score HeadOf(const Score& score) {
  Score head;
  head.title = score.title;
  head.majorKey = score.majorKey;
  head.numerator = score.numerator;
  head.denominator = score.denominator;
  head.bpm = score.bpm;
  head.estimated = score.estimated;
  return head;
}

bool SameHead(const Score& a, const Score& b) {
  return a.title == b.title && a.majorKey == b.majorKey && a.numerator == b.numerator &&
         a.denominator == b.denominator && a.bpm == b.bpm && a.estimated == b.estimated;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

}  // namespace

void AppController::OnScoreCommand(int id) {
  if (id == CMD_EXPORT_SCORE) return ExportScore();
  scoreShown_ = !scoreShown_;
  ui_.CheckMenuItem(CMD_SHOW_SCORE, scoreShown_);
  if (scoreShown_) {
    pageKey_.clear();
    scoreTitle_.clear();
    RefreshScore(false);
  }
  scoreUi_.ShowScoreWindow(scoreShown_);
}

void AppController::OnScoreWindowClosed() {
  scoreShown_ = false;
  ui_.CheckMenuItem(CMD_SHOW_SCORE, false);
}

Score AppController::PerformanceScore() const {
  const MetronomeSettings& metre = metronome_.settings();
  return Transcribe(events_.events(), events_.count(), state_.keySignature, document_.tempo,
                    scoreUi_.ToUtf8(WithoutExtension(FileNameOf(document_.fileTitle))),
                    metre.numerator, metre.denominator);
}

std::string AppController::ScoreWindowTitle() const {
  if (ShowingSong()) return "简谱 - " + scoreUi_.FromUtf8(song_.title);
  return "简谱 - " + (document_.fileTitle.empty() ? std::string("未命名") : document_.fileTitle);
}

void AppController::RefreshScore(bool live) {
  if (!scoreShown_) return;
  // What the page is made from: the song and where its lesson stands, the take being recorded,
  // or the performance.
  const PageSource source = ShowingSong()                 ? PageSource::Song
                            : recorder_.state().recording ? PageSource::Take
                                                          : PageSource::Performance;
  const Tempo& tempo = document_.tempo;
  const MetronomeSettings& metre = metronome_.settings();
  const std::string writing =
      std::to_string(state_.keySignature) + " " + std::to_string(tempo.microsPerQuarter) + " " +
      std::to_string(tempo.downbeatMs) + " " + std::to_string(metre.numerator) + "/" +
      std::to_string(metre.denominator) + " " + document_.fileTitle;
  const std::string key =
      source == PageSource::Song
          ? "song " + std::to_string(song_.bars.size()) + " " + std::to_string(lesson_.Next().bar) +
                " " + std::to_string(lesson_.Next().item) + (lesson_.active() ? " lesson" : "")
          : std::to_string(document_.revision) + " " + std::to_string(events_.count()) + " " +
                writing;
  if (key == pageKey_) return;
  pageKey_ = key;
  // Only the lines from the first bar that changed are laid out again.
  int first = 0;
  bool sameHead = pageSource_ == source;
  if (source == PageSource::Take) {
    // A stroke costs the transcription of the last bars, not of the take.
    const std::string takeWriting =
        writing + " " + std::to_string(recorder_.state().startTime);  // a new take starts over
    if (takeWriting != takeWriting_ || !sameHead) {
      takeWriting_ = takeWriting;
      take_.Start(state_.keySignature, tempo,
                  scoreUi_.ToUtf8(WithoutExtension(FileNameOf(document_.fileTitle))),
                  metre.numerator, metre.denominator);
      sameHead = false;
    }
    const Score head = HeadOf(take_.score());
    first = take_.Update(events_.events(), events_.count());
    sameHead = sameHead && SameHead(head, take_.score());
  } else {
    Score next = source == PageSource::Song ? song_ : PerformanceScore();
    while (static_cast<size_t>(first) < page_.bars.size() &&
           static_cast<size_t>(first) < next.bars.size() && page_.bars[first] == next.bars[first]) {
      ++first;
    }
    sameHead = sameHead && source == PageSource::Performance && SameHead(page_, next);
    page_ = std::move(next);
  }
  pageSource_ = source;
  if (sameHead && !layoutStale_ && layoutWidth_ > 0) {
    ScoreLayoutOptions options;
    options.width = layoutWidth_;
    RelayoutScoreFrom(layout_, PageScore(), options, first);
  } else {
    layoutStale_ = true;
  }
  // The title changes with the document or the song, not with a stroke.
  if (std::string title = ScoreWindowTitle(); title != scoreTitle_) {
    scoreTitle_ = std::move(title);
    scoreUi_.SetScoreWindowTitle(scoreTitle_.c_str());
  }
  scoreUi_.UpdateScoreWindow(live);
}

const Score& AppController::PageScore() const {
  return pageSource_ == PageSource::Take ? take_.score() : page_;
}

const ScoreLayout& AppController::ScorePage(float width) {
  if (layoutStale_ || width != layoutWidth_) {
    ScoreLayoutOptions options;
    options.width = width;
    if (songOpen_ && lesson_.active()) {
      options.marked = lesson_.Next();
      options.hints = &songHints_;
    }
    layout_ = LayoutScore(PageScore(), options);
    layoutWidth_ = width;
    layoutStale_ = false;
  }
  return layout_;
}

void AppController::ExportScore() {
  const Score score = ShowingSong() ? song_ : PerformanceScore();
  std::string suggestion =
      document_.filePath.empty() ? std::string() : WithoutExtension(document_.filePath) + ".txt";
  std::string path;
  if (!ui_.ChooseFile(FileDialog::ScoreExport, suggestion, &path)) return;
  const std::string name = FileNameOf(path);
  if (!PathFits(path)) {
    file_.ShowFileError(kCannotCreateFile, name.c_str());
    return;
  }
  const std::string extension = Lower(path.substr(std::min(path.size(), path.find_last_of('.'))));
  std::string bytes;
  if (extension == ".svg") {
    bytes = ScoreSvg(LayoutExportPage(score));
  } else if (extension == ".pdf") {
    if (!scoreUi_.ScorePdf(LayoutExportPage(score), &bytes)) {
      file_.ShowFileError(kCannotWriteFile, name.c_str());
      return;
    }
  } else {
    bytes = WriteJianpuText(score);
  }
  if (const char* failed = WriteFileAtomically(path, bytes.data(), bytes.size())) {
    file_.ShowFileError(failed, name.c_str());
  }
}

}  // namespace velmira
