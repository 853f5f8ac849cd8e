#include "record/document.h"

#include <cstdio>
#include <cstring>

#include "commands/command_ids.h"
#include "record/file_messages.h"
#include "record/midi_export.h"
#include "record/recorder.h"
#include "record/transport.h"

namespace velmira {

namespace {
constexpr const char* kUntitled = "未命名";

const char* NameOrUntitled(const char* name) { return *name != '\0' ? name : kUntitled; }

void CopyPath(char (&to)[kPathBytes], const std::string& from) {
  std::snprintf(to, kPathBytes, "%s", from.c_str());
}
}  // namespace

std::string FormatFileMessage(const char* messageTemplate, const char* name) {
  std::string text = messageTemplate;
  const size_t at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, NameOrUntitled(name));
  return text;
}

std::string WindowTitle(const char* name) {
  return std::string("Velmira - [") + NameOrUntitled(name) + "]";
}

bool CommandLinePath(const char* commandLine, std::string* path) {
  std::string text = commandLine;
  // Launchers pass an associated file in quotes.
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
    text = text.substr(1, text.size() - 2);
  }
  *path = text;
  return text.size() < kPathBytes;
}

void Document::ShowFileError(const char* messageTemplate, const char* name) {
  ui_.Beep(MessageIcon::Exclamation);
  ui_.ShowMessage(FormatFileMessage(messageTemplate, name).c_str(), "QJ", MessageIcon::Exclamation,
                  MessageButtons::Ok, true);
}

void Document::UpdateTitle(const char* name) { ui_.SetTitle(WindowTitle(name).c_str()); }

MessageAnswer Document::ConfirmSaveChanges(const char* name) {
  const std::string text = std::string("保存当前的变化在 ") + NameOrUntitled(name) + "?";
  const MessageAnswer answer =
      ui_.ShowMessage(text.c_str(), "QJ", MessageIcon::Question, MessageButtons::YesNoCancel, true);
  if (answer != MessageAnswer::Yes) return answer;
  return Save() ? MessageAnswer::Yes : MessageAnswer::Cancel;
}

bool Document::MayDiscardChanges() {
  return !(doc_.modified && ConfirmSaveChanges(doc_.fileTitle) == MessageAnswer::Cancel);
}

bool Document::Save() {
  if (doc_.fileTitle[0] != '\0') return SaveTo();
  return SaveAs();
}

bool Document::SaveAs() {
  if (!ui_.ChooseFile(FileDialog::Save, doc_.filePath, doc_.fileTitle)) return false;
  return SaveTo();
}

bool Document::SaveTo() {
  const char* error = SavePerformanceFile(events_.events(), events_.count(), player_.keySignature,
                                          player_.bassDoubling, doc_.filePath, calendar_.Today());
  if (error != nullptr) {
    ShowFileError(error, doc_.fileTitle);
    doc_.fileTitle[0] = '\0';
    UpdateTitle(doc_.fileTitle);
    return false;
  }
  doc_.modified = false;
  ApplyTransportRow(TransportRow::Saved, doc_.modified, ui_);
  UpdateTitle(doc_.fileTitle);
  return true;
}

void Document::ApplyLoadedPerformance(LoadedPerformance& loaded, bool fromMenu) {
  events_.Swap(loaded.events);
  ReleasePlaybackBuffer(playback_);
  RebuildPlaybackBuffer(playback_, events_.events(), events_.count(), ui_);
  if (fromMenu) ui_.Invalidate(true);
  doc_.modified = false;
  ui_.CheckMenuItem(player_.keySignature, false);
  player_.keySignature = static_cast<int32_t>(loaded.keySignature);
  ui_.CheckMenuItem(player_.keySignature, true);
  player_.bassDoubling = loaded.bassDoubling == 1;
  ui_.CheckMenuItem(CMD_BASS, player_.bassDoubling);
  UpdateTitle(doc_.fileTitle);
  ApplyTransportRow(fromMenu ? TransportRow::Loaded : TransportRow::LoadedAtStartup, doc_.modified,
                    ui_);
}

void Document::Load() {
  if (!MayDiscardChanges()) return;
  if (!ui_.ChooseFile(FileDialog::Open, doc_.filePath, doc_.fileTitle)) return;
  LoadedPerformance loaded;
  if (const char* error = LoadPerformanceFile(doc_.filePath, &loaded)) {
    ShowFileError(error, doc_.fileTitle);
    doc_.fileTitle[0] = '\0';
    return;
  }
  ApplyLoadedPerformance(loaded, true);
}

void Document::Export(int program) {
  if (!ui_.ChooseFile(FileDialog::Export, doc_.exportPath, doc_.exportTitle)) return;
  if (const char* error = ExportMidiFile(events_.events(), events_.count(), player_.keySignature,
                                         program, player_.bassDoubling, doc_.exportPath)) {
    ShowFileError(error, doc_.exportTitle);
  }
}

void Document::LoadAtStartup(const char* commandLine) {
  if (*commandLine == '\0') {
    UpdateTitle(doc_.fileTitle);
    return;
  }
  std::string path;
  if (!CommandLinePath(commandLine, &path)) {
    ShowFileError(kCannotOpenFile, path.c_str());
    UpdateTitle("");
    return;
  }
  CopyPath(doc_.fileTitle, path);
  CopyPath(doc_.filePath, path);
  LoadedPerformance loaded;
  if (const char* error = LoadPerformanceFile(doc_.filePath, &loaded)) {
    ShowFileError(error, path.c_str());
    doc_.fileTitle[0] = '\0';
    UpdateTitle(doc_.fileTitle);
    return;
  }
  ApplyLoadedPerformance(loaded, false);
  if (player_.switchedOn) ui_.SetPlayTimer(500);
}

}  // namespace velmira
