// The document: the performance's file name, its unsaved changes, the title, the save prompt,
// and the file commands save, save as, load and export, and the start-up load.
#pragma once

#include <cstdint>
#include <string>

#include "engine/clock.h"
#include "engine/player_state.h"
#include "engine/ui_effects.h"
#include "record/document_state.h"
#include "record/event_buffer.h"
#include "record/performance_file.h"

namespace velmira {

// The template with the name inserted at its "%s" ("未命名" for an empty name).
std::string FormatFileMessage(const char* messageTemplate, const char* name);
// "Velmira - [name]", with "未命名" for an empty name.
std::string WindowTitle(const char* name);
// The start-up command line as a path: one pair of surrounding double quotes removed.
// False when it is too long for a path (PathFits).
bool CommandLinePath(const char* commandLine, std::string* path);
// Where the export dialog starts: the last export, else beside the performance's file with its
// name and ".mid", else nowhere in particular.
std::string ExportSuggestion(const DocumentState& document);
// A command line "--learn SONG" (the song in quotes or not): true, with the song's path.
bool LearnCommandLine(const char* commandLine, std::string* song);

class Document {
 public:
  Document(DocumentState& document, EventBuffer& events, PlaybackBuffer& playback,
           PlayerState& player, UiEffects& ui, Calendar& calendar)
      : doc_(document),
        events_(events),
        playback_(playback),
        player_(player),
        ui_(ui),
        calendar_(calendar) {}

  void ShowFileError(const char* messageTemplate, const char* name);
  // A new performance begins: no file yet, the title says "未命名".
  void BecomeUntitled();
  void UpdateTitle(const char* name);
  MessageAnswer ConfirmSaveChanges(const char* name);
  // Before the performance is replaced or the program ends: true when it may go, that is
  // when nothing is unsaved, or the user answered No, or Yes and the save succeeded.
  bool MayDiscardChanges();

  bool Save();               // CMD_SAVE: true when the file was written
  bool SaveAs();             // CMD_SAVE_AS
  void Load();               // CMD_LOAD
  void Export(int program);  // CMD_EXPORT_MIDI
  // During the main window's creation, after the device was opened (or not).
  void LoadAtStartup(const char* commandLine);
  // A take recovered from the copy that an earlier run left behind: an unsaved, untitled
  // performance.
  void TakeRecovered(LoadedPerformance& loaded);
  // The user closes the window: true when it may be destroyed.
  bool CloseRequest() { return MayDiscardChanges(); }
  // The desktop session ends: true when it may.
  bool QueryEndSession() { return CloseRequest(); }

 private:
  bool SaveTo();
  // A file dialog; on confirmation *path and *title (its file-name part) take the choice.
  bool Choose(FileDialog dialog, const std::string& suggested, std::string* path,
              std::string* title);
  // Takes the loaded events and settings; fromMenu adds the repaint and enables export.
  void ApplyLoadedPerformance(LoadedPerformance& loaded, bool fromMenu);

  DocumentState& doc_;
  EventBuffer& events_;
  PlaybackBuffer& playback_;
  PlayerState& player_;
  UiEffects& ui_;
  Calendar& calendar_;
};

}  // namespace velmira
