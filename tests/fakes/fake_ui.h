// Recording stand-ins for the user-interface side of the core, for tests.
#pragma once

#include <cstdint>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "app/menu_model.h"
#include "app/score_effects.h"
#include "engine/ui_effects.h"
#include "record/key_data.h"

namespace velmira::testing {

struct ShownMessage {
  std::string text;
  std::string caption;
  MessageIcon icon;
  MessageButtons buttons;
  bool owned;
};

class FakeUi : public UiEffects {
 public:
  std::map<int, bool> checks;  // last check state set per command id
  std::vector<std::pair<int, bool>> checkLog;
  int invalidations = 0;
  std::map<int, int> scrollPositions;
  std::vector<MessageIcon> beeps;
  std::vector<ShownMessage> messages;
  std::vector<MessageAnswer> answers;  // answers to give, in order; Ok when exhausted
  bool hasMenuBar = false;
  MenuBar menuBar;

  void CheckMenuItem(int id, bool checked) override {
    checks[id] = checked;
    checkLog.emplace_back(id, checked);
    if (hasMenuBar) {
      if (MenuItem* item = FindMenuItem(menuBar, id)) item->checked = checked;
    }
  }
  void Invalidate(bool) override { ++invalidations; }
  void SetScrollPosition(int id, int position) override { scrollPositions[id] = position; }
  void Beep(MessageIcon icon) override { beeps.push_back(icon); }
  bool failNextMessage = false;  // the next message box runs out of memory instead
  MessageAnswer ShowMessage(const char* text, const char* caption, MessageIcon icon,
                            MessageButtons buttons, bool owned) override {
    messages.push_back({text, caption, icon, buttons, owned});
    if (failNextMessage) {
      failNextMessage = false;
      throw std::bad_alloc();
    }
    if (answers.empty()) return MessageAnswer::Ok;
    MessageAnswer answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  }
  void AttachMenuBar(const MenuBar& bar) override {
    menuBar = bar;
    hasMenuBar = true;
  }
  int helpShown = 0;
  int aboutShown = 0;
  std::string title;
  void ShowHelp() override { ++helpShown; }
  void ShowAbout() override { ++aboutShown; }
  void SetTitle(const char* text) override { title = text; }
  std::map<int, bool> menuEnabled;
  std::map<int, bool> buttonEnabled;
  std::vector<bool> flushes;  // deliver flag of each flush
  void EnableMenuItem(int id, bool enabled) override {
    menuEnabled[id] = enabled;
    if (hasMenuBar) {
      if (MenuItem* item = FindMenuItem(menuBar, id)) item->grayed = !enabled;
    }
  }
  void EnableButton(int id, bool enabled) override { buttonEnabled[id] = enabled; }
  void FlushPendingPlayEvents(bool deliver) override { flushes.push_back(deliver); }

  // Answers of the file dialogs, in order: a path to confirm, or "" to cancel.
  std::vector<std::string> chosenFiles;
  std::vector<FileDialog> dialogs;
  std::vector<std::string> suggestions;  // where each dialog started
  bool ChooseFile(FileDialog dialog, const std::string& suggested, std::string* chosen) override {
    dialogs.push_back(dialog);
    suggestions.push_back(suggested);
    if (chosenFiles.empty()) return false;
    *chosen = chosenFiles.front();
    chosenFiles.erase(chosenFiles.begin());
    return !chosen->empty();
  }
  // Answers of the one-line dialogs, in order: the text to confirm; none left cancels.
  std::vector<std::string> typed;
  std::vector<std::string> asked;  // the prompts shown
  bool AskText(const char*, const char* prompt, std::string* text) override {
    asked.push_back(prompt);
    if (typed.empty()) return false;
    *text = typed.front();
    typed.erase(typed.begin());
    return true;
  }
  std::vector<unsigned> playTimers;
  void SetPlayTimer(unsigned ms) override { playTimers.push_back(ms); }
  bool recordingTick = false;
  int indicatorRepaints = 0;
  void SetRecordingTick(bool running) override { recordingTick = running; }
  void InvalidateRecordingIndicator() override { ++indicatorRepaints; }
};

struct DrawnCap {
  int slot;
  bool pressed;
  bool useGivenShift;
  int givenShift;
  bool operator==(const DrawnCap& o) const {
    return slot == o.slot && pressed == o.pressed && useGivenShift == o.useGivenShift &&
           givenShift == o.givenShift;
  }
};

class RecordingDrawer : public KeyCapDrawer {
 public:
  std::vector<DrawnCap> caps;
  void DrawKeyCap(int slot, bool pressed, bool useGivenShift, int givenShift) override {
    caps.push_back({slot, pressed, useGivenShift, givenShift});
  }
  std::vector<bool> pedal;  // every drawing of the pedal: down or up
  void DrawPedal(bool down) override { pedal.push_back(down); }
  std::vector<CapMark> marks;  // the caps a lesson marks now
  void SetMarks(const std::vector<CapMark>& now) override { marks = now; }
};

struct RecordedKey {
  uint32_t message;
  uint32_t keyData;
  int32_t octaveShift;
};

// Keeps the strokes as the recorder stores them: the message and the packed key data.
class RecordingRecorder : public KeyEventRecorder {
 public:
  std::vector<RecordedKey> events;
  void RecordKey(const KeyEvent& key, int32_t octaveShift) override {
    events.push_back({key.down ? 256u : 257u, PackKeyData(key), octaveShift});
  }
};

// The 简谱 window and the lessons' needs, recorded; text conversions as on Linux (none).
class FakeScoreUi : public ScoreEffects {
 public:
  bool shown = false;
  std::string title;
  int updates = 0;
  bool keptNewestInView = false;
  bool ticking = false;
  void ShowScoreWindow(bool show) override { shown = show; }
  void SetScoreWindowTitle(const char* text) override { title = text; }
  void UpdateScoreWindow(bool keepNewestInView) override {
    ++updates;
    keptNewestInView = keepNewestInView;
  }
  bool ScorePdf(const ScoreLayout&, std::string*) override { return false; }
  std::string ToUtf8(const std::string& text) override { return text; }
  std::string FromUtf8(const std::string& utf8) override { return utf8; }
  void SetLessonTick(bool running) override { ticking = running; }
};

}  // namespace velmira::testing
