// The effects that the portable core asks of the user interface. Each shell carries them out
// with its own menus, message boxes, dialogs and repaints (win32/ui.cpp, qt/main_window.cpp);
// tests record them (tests/fakes/fake_ui.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/key_event.h"

namespace velmira {

struct MenuBar;

enum class MessageIcon { None, Stop, Exclamation, Question };
enum class MessageButtons { Ok, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Yes, No, Cancel };
// The file dialogs: a performance to open or save, a MIDI export, a song (jianpu text) to open,
// the score to export (text, SVG, and PDF where the shell makes one).
enum class FileDialog { Open, Save, Export, Song, ScoreExport };

class UiEffects {
 public:
  virtual ~UiEffects() = default;
  virtual void CheckMenuItem(int commandId, bool checked) = 0;
  // Invalidate the whole client area of the main window.
  virtual void Invalidate(bool erase) = 0;
  // Set a scroll bar's position, with redrawing.
  virtual void SetScrollPosition(int controlId, int position) = 0;
  // MessageBeep with the sound of the given icon.
  virtual void Beep(MessageIcon icon) = 0;
  // A message box owned by the main window (or by no window when owned is false).
  virtual MessageAnswer ShowMessage(const char* text, const char* caption, MessageIcon icon,
                                    MessageButtons buttons, bool owned) = 0;
  // Attach a newly built menu bar to the main window.
  virtual void AttachMenuBar(const MenuBar& menuBar) = 0;
  // Open the help file; does nothing where no help viewer is available.
  virtual void ShowHelp() = 0;
  // Run the About dialog modally.
  virtual void ShowAbout() = 0;
  // Set the main window's title.
  virtual void SetTitle(const char* title) = 0;
  // Enable or grey a menu item by command number.
  virtual void EnableMenuItem(int commandId, bool enabled) = 0;
  // Enable or disable a transport button by its id.
  virtual void EnableButton(int buttonId, bool enabled) = 0;
  // The play events that the playback timer posted and the window has not yet handled:
  // handled now, in order (deliver), or dropped.
  virtual void FlushPendingPlayEvents(bool deliver) = 0;
  // The open, save and export dialogs, starting from the suggested path (a folder, a file, or
  // empty); on confirmation *chosen receives the full path.
  virtual bool ChooseFile(FileDialog dialog, const std::string& suggested, std::string* chosen) = 0;
  // A small dialog that asks for one line of text (a number); *text holds what it starts with
  // and receives the answer. False when the player cancels.
  virtual bool AskText(const char* caption, const char* prompt, std::string* text) = 0;
  // Window timer 1 of the main window, which sends the play command when it fires.
  virtual void SetPlayTimer(unsigned milliseconds) = 0;
  // While running, a periodic tick of the main window, several times a second, that reaches
  // the controller's OnRecordingTick; it runs only while recording.
  virtual void SetRecordingTick(bool running) = 0;
  // Repaint the recording indicator's area only (it appears, changes or goes).
  virtual void InvalidateRecordingIndicator() = 0;
};

// A cap a lesson asks to strike next, with the octave shift the note needs (-1 Ctrl, +1 Shift).
struct CapMark {
  int slot;
  int shift;
};

// Drawing of one key cap, inside a key-drawing occasion prepared by the shell.
class KeyCapDrawer {
 public:
  virtual ~KeyCapDrawer() = default;
  virtual void DrawKeyCap(int slot, bool pressed, bool useGivenShift, int givenShift) = 0;
  // The caps to strike next (none: no lesson); a marked cap shows orange while it is up, with
  // the shift it needs written on it. The shell keeps them and repaints the caps that change.
  virtual void SetMarks(const std::vector<CapMark>& marks) = 0;
  // The sustain pedal on screen, up or down.
  virtual void DrawPedal(bool down) = 0;
};

// The recorder's hook for live key strokes, with the octave shift they sounded with.
class KeyEventRecorder {
 public:
  virtual ~KeyEventRecorder() = default;
  virtual void RecordKey(const KeyEvent& key, int32_t octaveShift) = 0;
};

}  // namespace velmira
