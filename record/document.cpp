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
  return PathFits(text);
}

bool LearnCommandLine(const char* commandLine, std::string* song) {
  const std::string line = commandLine;
  if (line.compare(0, 8, "--learn ") != 0) return false;
  size_t from = 8;
  while (from < line.size() && line[from] == ' ') ++from;
  return CommandLinePath(line.c_str() + from, song) && !song->empty();
}

std::string ExportSuggestion(const DocumentState& document) {
  if (!document.exportPath.empty() || document.filePath.empty()) return document.exportPath;
  return WithoutExtension(document.filePath) + ".mid";
}

bool Document::Choose(FileDialog dialog, const std::string& suggested, std::string* path,
                      std::string* title) {
  std::string chosen;
  if (!ui_.ChooseFile(dialog, suggested, &chosen)) return false;
  if (!PathFits(chosen)) {
    ui_.Beep(MessageIcon::Exclamation);
    ui_.ShowMessage("文件名太长.", "QJ", MessageIcon::Exclamation, MessageButtons::Ok, true);
    return false;
  }
  *path = chosen;
  *title = FileNameOf(chosen);
  return true;
}

void Document::ShowFileError(const char* messageTemplate, const char* name) {
  ui_.Beep(MessageIcon::Exclamation);
  ui_.ShowMessage(FormatFileMessage(messageTemplate, name).c_str(), "QJ", MessageIcon::Exclamation,
                  MessageButtons::Ok, true);
}

void Document::UpdateTitle(const char* name) { ui_.SetTitle(WindowTitle(name).c_str()); }

void Document::BecomeUntitled() {
  doc_.filePath.clear();
  doc_.fileTitle.clear();
  UpdateTitle("");
}

MessageAnswer Document::ConfirmSaveChanges(const char* name) {
  const std::string text = std::string("保存当前的变化在 ") + NameOrUntitled(name) + "?";
  const MessageAnswer answer =
      ui_.ShowMessage(text.c_str(), "QJ", MessageIcon::Question, MessageButtons::YesNoCancel, true);
  if (answer != MessageAnswer::Yes) return answer;
  return Save() ? MessageAnswer::Yes : MessageAnswer::Cancel;
}

bool Document::MayDiscardChanges() {
  return !(doc_.modified && ConfirmSaveChanges(doc_.fileTitle.c_str()) == MessageAnswer::Cancel);
}

bool Document::Save() {
  if (!doc_.fileTitle.empty()) return SaveTo();
  return SaveAs();
}

bool Document::SaveAs() {
  if (!Choose(FileDialog::Save, doc_.filePath, &doc_.filePath, &doc_.fileTitle)) return false;
  return SaveTo();
}

bool Document::SaveTo() {
  const char* error = SavePerformanceFile(events_.events(), events_.count(), player_.keySignature,
                                          player_.bassDoubling, doc_.filePath.c_str(),
                                          calendar_.Today(), doc_.tempo);
  if (error != nullptr) {
    ShowFileError(error, doc_.fileTitle.c_str());
    doc_.fileTitle.clear();
    UpdateTitle("");
    return false;
  }
  doc_.modified = false;
  ApplyTransportRow(TransportRow::Saved, doc_.modified, ui_);
  UpdateTitle(doc_.fileTitle.c_str());
  return true;
}

void Document::ApplyLoadedPerformance(LoadedPerformance& loaded, bool fromMenu) {
  events_.Swap(loaded.events);
  doc_.tempo = loaded.tempo;
  ++doc_.revision;
  ReleasePlaybackBuffer(playback_);
  RebuildPlaybackBuffer(playback_, events_.events(), events_.count(), ui_);
  if (fromMenu) ui_.Invalidate(true);
  doc_.modified = false;
  ui_.CheckMenuItem(player_.keySignature, false);
  player_.keySignature = static_cast<int32_t>(loaded.keySignature);
  ui_.CheckMenuItem(player_.keySignature, true);
  player_.bassDoubling = loaded.bassDoubling == 1;
  ui_.CheckMenuItem(CMD_BASS, player_.bassDoubling);
  UpdateTitle(doc_.fileTitle.c_str());
  ApplyTransportRow(fromMenu ? TransportRow::Loaded : TransportRow::LoadedAtStartup, doc_.modified,
                    ui_);
}

void Document::Load() {
  if (!MayDiscardChanges()) return;
  if (!Choose(FileDialog::Open, doc_.filePath, &doc_.filePath, &doc_.fileTitle)) return;
  LoadedPerformance loaded;
  if (const char* error = LoadPerformanceFile(doc_.filePath.c_str(), &loaded)) {
    ShowFileError(error, doc_.fileTitle.c_str());
    doc_.fileTitle.clear();
    return;
  }
  ApplyLoadedPerformance(loaded, true);
}

void Document::Export(int program) {
  if (!Choose(FileDialog::Export, ExportSuggestion(doc_), &doc_.exportPath, &doc_.exportTitle)) {
    return;
  }
  if (const char* error =
          ExportMidiFile(events_.events(), events_.count(), player_.keySignature, program,
                         player_.bassDoubling, doc_.exportPath.c_str(), doc_.tempo)) {
    ShowFileError(error, doc_.exportTitle.c_str());
  }
}

void Document::TakeRecovered(LoadedPerformance& loaded) {
  doc_.filePath.clear();
  doc_.fileTitle.clear();
  ApplyLoadedPerformance(loaded, false);
  doc_.modified = true;
  ApplyTransportRow(TransportRow::IdleWithPerformance, doc_.modified, ui_);
}

void Document::LoadAtStartup(const char* commandLine) {
  if (*commandLine == '\0') {
    UpdateTitle(doc_.fileTitle.c_str());
    return;
  }
  std::string path;
  if (!CommandLinePath(commandLine, &path)) {
    ShowFileError(kCannotOpenFile, path.c_str());
    UpdateTitle("");
    return;
  }
  doc_.fileTitle = path;
  doc_.filePath = path;
  LoadedPerformance loaded;
  if (const char* error = LoadPerformanceFile(doc_.filePath.c_str(), &loaded)) {
    ShowFileError(error, path.c_str());
    doc_.fileTitle.clear();
    UpdateTitle("");
    return;
  }
  ApplyLoadedPerformance(loaded, false);
  if (player_.switchedOn) ui_.SetPlayTimer(500);
}

}  // namespace velmira
