#include "score/jianpu_text.h"

#include <algorithm>
#include <cstdio>

#include "record/tempo.h"
#include "score/notation.h"

namespace velmira {

namespace {

// Written as UTF-8 bytes: the Windows build stores narrow literals as GBK, which has neither.
constexpr const char* kCrotchet = "\xE2\x99\xA9";  // ♩
constexpr const char* kAbout = "\xE2\x89\x88";     // ≈

const char* DurationMarks(int length) {
  switch (length) {
    case 1: return "__";
    case 2: return "_";
    case 3: return "_.";
    case 6: return ".";
    default: return "";
  }
}

std::string ItemToken(const ScoreItem& item) {
  if (item.rest()) return std::string("0") + DurationMarks(item.length);
  std::string token;
  if (item.pitches.size() == 1) {
    token = PitchText(item.pitches.front());
  } else {
    token = "[";
    for (size_t i = 0; i < item.pitches.size(); ++i) {
      if (i > 0) token += ' ';
      token += PitchText(item.pitches[i]);
    }
    token += ']';
  }
  token += DurationMarks(item.length);
  for (int dashes = item.length >= 8 ? item.length / 4 - 1 : 0; dashes > 0; --dashes) token += " -";
  return token;
}

}  // namespace

std::string PitchText(const Pitch& pitch) {
  std::string token;
  if (pitch.accidental < 0) token += 'b';
  if (pitch.accidental > 0) token += '#';
  token += static_cast<char>('0' + pitch.degree);
  for (int i = 0; i < pitch.octave; ++i) token += '\'';
  for (int i = 0; i < -pitch.octave; ++i) token += ',';
  return token;
}

std::string WriteJianpuText(const Score& original) {
  Score score = original;
  SplitForWriting(score);
  std::string text;
  if (!score.title.empty()) text += "title: " + score.title + "\n";
  char head[64];
  std::snprintf(head, sizeof head, "1=%s %d/%d %s%s%d\n", MajorKeyName(score.majorKey),
                score.numerator, score.denominator, kCrotchet, score.estimated ? kAbout : "=",
                score.bpm);
  text += head;
  bool tied = false;
  for (size_t b = 0; b < score.bars.size(); ++b) {
    text += b % 4 == 0 ? "|" : "";
    for (const ScoreItem& item : score.bars[b].items) {
      text += tied ? " ~" : " ";
      text += ItemToken(item);
      tied = item.tiedToNext;
    }
    const bool last = b + 1 == score.bars.size();
    text += last ? " ||\n" : (b % 4 == 3 ? " |\n" : " |");
  }
  return text;
}

namespace {

// Reads the text and says where it went wrong.
class Reader {
 public:
  Reader(const std::string& text, Score* score, std::string* error)
      : text_(text), score_(score), error_(error) {}
  bool Read();

 private:
  bool Fail(size_t at, const std::string& what);
  size_t Column(size_t at) const;
  bool Line(size_t begin, size_t end);
  bool Head(size_t begin, size_t end);
  bool Body(size_t begin, size_t end);
  bool Note(size_t& at, size_t end, Pitch* pitch);
  bool Durations(size_t& at, size_t end, int* length);
  bool Add(size_t at, ScoreItem item);
  bool CloseBar(size_t at, bool last);
  std::string Metre() const;
  ScoreItem* LastItem();

  const std::string& text_;
  Score* score_;
  std::string* error_;
  bool headRead_ = false;
  bool ended_ = false;
  bool tieNext_ = false;
  ScoreBar bar_;
  size_t line_ = 0;       // 1-based, of the line being read
  size_t lineStart_ = 0;  // its first byte
};

size_t Reader::Column(size_t at) const {
  // In characters, not bytes: the text is UTF-8.
  size_t column = 1;
  for (size_t i = lineStart_; i < at && i < text_.size(); ++i) {
    if ((static_cast<unsigned char>(text_[i]) & 0xC0) != 0x80) ++column;
  }
  return column;
}

bool Reader::Fail(size_t at, const std::string& what) {
  *error_ = TextPlace(static_cast<int>(line_), static_cast<int>(Column(at))) + what;
  return false;
}

std::string Reader::Metre() const {
  return std::to_string(score_->numerator) + "/" + std::to_string(score_->denominator);
}

bool Reader::Read() {
  *score_ = Score{};
  size_t begin = 0;
  while (begin <= text_.size()) {
    size_t end = text_.find('\n', begin);
    if (end == std::string::npos) end = text_.size();
    ++line_;
    lineStart_ = begin;
    size_t stop = end;
    if (stop > begin && text_[stop - 1] == '\r') --stop;
    if (!Line(begin, stop)) return false;
    begin = end + 1;
  }
  if (!headRead_) return Fail(text_.size(), "应为 \"1=\" 开始的一行 (如 1=C 4/4 q=90)");
  if (!ended_) return Fail(text_.size(), "乐谱应以 \"||\" 结束");
  return true;
}

bool Reader::Line(size_t begin, size_t end) {
  while (begin < end && (text_[begin] == ' ' || text_[begin] == '\t')) ++begin;
  while (end > begin && (text_[end - 1] == ' ' || text_[end - 1] == '\t')) --end;
  if (begin == end) return true;
  // A comment: "#" and a blank or the end (a sharp note has a digit after its "#").
  if (text_[begin] == '#' &&
      (end == begin + 1 || text_[begin + 1] < '0' || text_[begin + 1] > '9')) {
    return true;
  }
  if (!headRead_) {
    if (text_.compare(begin, 6, "title:") == 0) {
      size_t from = begin + 6;
      while (from < end && text_[from] == ' ') ++from;
      score_->title = text_.substr(from, end - from);
      return true;
    }
    return Head(begin, end);
  }
  if (ended_) return Fail(begin, "\"||\" 之后不应再有音符");
  return Body(begin, end);
}

bool Reader::Head(size_t begin, size_t end) {
  const std::string line = text_.substr(begin, end - begin);
  size_t at = 0;
  auto word = [&](size_t* from) {
    while (at < line.size() && line[at] == ' ') ++at;
    *from = at;
    while (at < line.size() && line[at] != ' ') ++at;
    return line.substr(*from, at - *from);
  };
  size_t from;
  const std::string key = word(&from);
  int majorKey = -1;
  for (int k = 0; k < kMajorKeyCount; ++k) {
    if (key == std::string("1=") + MajorKeyName(k)) majorKey = k;
  }
  if (majorKey < 0) return Fail(begin + from, "应为 \"1=\" 和调名: C D E F G A B #F #C bB bE bA");
  score_->majorKey = majorKey;
  const std::string metre = word(&from);
  int numerator = 0, denominator = 0;
  char rest = 0;
  if (std::sscanf(metre.c_str(), "%d/%d%c", &numerator, &denominator, &rest) != 2 ||
      numerator < 1 || numerator > 12 ||
      (denominator != 2 && denominator != 4 && denominator != 8)) {
    return Fail(begin + from, "应为拍号, 如 2/4 3/4 4/4 6/8");
  }
  score_->numerator = static_cast<uint8_t>(numerator);
  score_->denominator = static_cast<uint8_t>(denominator);
  const std::string tempo = word(&from);
  size_t number = 0;
  for (const auto& [mark, estimated] :
       {std::pair<std::string, bool>{std::string(kCrotchet) + "=", false},
        {std::string(kCrotchet) + kAbout, true},
        {"q=", false},
        {"q~", true}}) {
    if (tempo.compare(0, mark.size(), mark) == 0) {
      number = mark.size();
      score_->estimated = estimated;
    }
  }
  int bpm = 0;
  if (number == 0 || std::sscanf(tempo.c_str() + number, "%d%c", &bpm, &rest) != 1) {
    return Fail(begin + from, "应为速度, 如 q=90 (每分钟的四分音符数)");
  }
  if (bpm < kSlowestBpm || bpm > kFastestBpm) {
    return Fail(begin + from, "速度应在 30 到 300 之间");
  }
  score_->bpm = bpm;
  if (!word(&from).empty()) return Fail(begin + from, "这一行在速度之后应结束");
  headRead_ = true;
  return true;
}

ScoreItem* Reader::LastItem() {
  if (!bar_.items.empty()) return &bar_.items.back();
  if (!score_->bars.empty() && !score_->bars.back().items.empty()) {
    return &score_->bars.back().items.back();
  }
  return nullptr;
}

bool Reader::Add(size_t at, ScoreItem item) {
  if (tieNext_) {
    ScoreItem* before = LastItem();
    if (before == nullptr || before->rest() || before->pitches != item.pitches) {
      return Fail(at, "\"~\" 连接的应是与前一个音相同音高的音符");
    }
    before->tiedToNext = true;
    tieNext_ = false;
  }
  int used = 0;
  for (const ScoreItem& i : bar_.items) used += i.length;
  item.start = used;
  item.line = static_cast<int>(line_);
  item.column = static_cast<int>(Column(at));
  if (used + item.length > score_->BarLength()) {
    return Fail(at, "这一小节超过了 " + Metre() + " 拍");
  }
  bar_.items.push_back(std::move(item));
  return true;
}

bool Reader::CloseBar(size_t at, bool last) {
  if (tieNext_) return Fail(at, "\"~\" 之后应为音符");
  if (bar_.items.empty()) {
    if (last && !score_->bars.empty()) {
      ended_ = true;
      return true;
    }
    return true;  // the bar line that starts a line, after the one that ended the line before
  }
  int used = 0;
  for (const ScoreItem& i : bar_.items) used += i.length;
  bar_.length = used;
  const bool first = score_->bars.empty();
  if (!first && !last && used < score_->BarLength()) {
    return Fail(at, "这一小节不满 " + Metre() + " 拍");
  }
  score_->bars.push_back(std::move(bar_));
  bar_ = ScoreBar{};
  ended_ = last;
  return true;
}

bool Reader::Durations(size_t& at, size_t end, int* length) {
  int lines = 0;
  while (at < end && text_[at] == '_') {
    ++lines;
    ++at;
  }
  if (lines > 2) return Fail(at - 1, "最多两条下划线 (\"__\" 是十六分音符)");
  *length = 4 >> lines;
  if (at < end && text_[at] == '.') {
    if (lines == 2) return Fail(at, "附点十六分音符写不出来");
    *length = *length * 3 / 2;
    ++at;
  }
  return true;
}

bool Reader::Note(size_t& at, size_t end, Pitch* pitch) {
  pitch->accidental = 0;
  if (at < end && (text_[at] == '#' || text_[at] == 'b')) {
    pitch->accidental = text_[at] == '#' ? 1 : -1;
    ++at;
  }
  if (at >= end || text_[at] < '1' || text_[at] > '7') {
    return Fail(at, "应为 1 到 7 的数字");
  }
  pitch->degree = static_cast<int8_t>(text_[at++] - '0');
  pitch->octave = 0;
  while (at < end && (text_[at] == '\'' || text_[at] == ',')) {
    pitch->octave = static_cast<int8_t>(pitch->octave + (text_[at++] == '\'' ? 1 : -1));
  }
  return true;
}

bool Reader::Body(size_t at, size_t end) {
  const char* expected = "应为音符 (1 到 7)、休止符 0、\"-\"、\"~\"、和弦 [ ] 或小节线 |";
  while (at < end) {
    const size_t token = at;
    const char c = text_[at];
    if (c == ' ' || c == '\t') {
      ++at;
      continue;
    }
    if (ended_) return Fail(at, "\"||\" 之后不应再有音符");
    if (c == '|') {
      const bool last = at + 1 < end && text_[at + 1] == '|';
      at += last ? 2 : 1;
      if (!CloseBar(token, last)) return false;
      continue;
    }
    if (c == '-') {
      ScoreItem* before = bar_.items.empty() ? nullptr : &bar_.items.back();
      if (before == nullptr) return Fail(at, "\"-\" 不能在小节的开头 (跨小节线用 ~ 连音)");
      if (before->rest()) return Fail(at, "\"-\" 不能跟在休止符后面 (写作 0 0)");
      if (before->start + before->length + 4 > score_->BarLength()) {
        return Fail(at, "这一小节超过了 " + Metre() + " 拍");
      }
      before->length += 4;
      ++at;
    } else if (c == '~') {
      if (tieNext_) return Fail(at, "\"~\" 之后应为音符");
      tieNext_ = true;
      ++at;
      continue;
    } else if (c == '0') {
      ScoreItem rest;
      ++at;
      if (!Durations(at, end, &rest.length)) return false;
      if (tieNext_) return Fail(token, "\"~\" 连接的应是与前一个音相同音高的音符");
      if (!Add(token, rest)) return false;
    } else if (c == '[') {
      ScoreItem chord;
      ++at;
      while (true) {
        while (at < end && text_[at] == ' ') ++at;
        if (at < end && text_[at] == ']') break;
        Pitch pitch;
        if (!Note(at, end, &pitch)) return false;
        chord.pitches.push_back(pitch);
      }
      if (chord.pitches.empty()) return Fail(at, "和弦 [ ] 里应有音符");
      std::sort(chord.pitches.begin(), chord.pitches.end(),
                [](const Pitch& a, const Pitch& b) { return a.Semitones() < b.Semitones(); });
      ++at;
      if (!Durations(at, end, &chord.length) || !Add(token, chord)) return false;
    } else if (c == '#' || c == 'b' || (c >= '1' && c <= '7')) {
      ScoreItem note;
      note.pitches.resize(1);
      if (!Note(at, end, &note.pitches[0]) || !Durations(at, end, &note.length)) return false;
      if (!Add(token, note)) return false;
    } else {
      return Fail(at, expected);
    }
    if (at < end && text_[at] != ' ' && text_[at] != '\t' && text_[at] != '|') {
      return Fail(at, "记号之后应为空格或小节线");
    }
  }
  return true;
}

}  // namespace

std::string TextPlace(int line, int column) {
  char place[48];
  std::snprintf(place, sizeof place, "第 %d 行第 %d 列: ", line, column);
  return place;
}

bool ReadJianpuText(const std::string& text, Score* score, std::string* error) {
  // Editors on Windows may start UTF-8 with a byte-order mark.
  const bool marked = text.compare(0, 3, "\xEF\xBB\xBF") == 0;
  const std::string unmarked = marked ? text.substr(3) : std::string();
  Reader reader(marked ? unmarked : text, score, error);
  return reader.Read();
}

}  // namespace velmira
