// The document: save, save as, load, export, the save prompt, the title and the start-up load.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "app/app_controller.h"
#include "commands/command_ids.h"
#include "record/document.h"
#include "record/file_messages.h"
#include "tests/fakes/app_rig.h"
#include "tests/fakes/failing_allocations.h"

namespace velmira {
namespace {

using namespace testing;

std::string TempPath(const std::string& name) {
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  return ::testing::TempDir() + "velmira-doc-" + test->name() + "-" + name;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct DocRig : AppRig {
  explicit DocRig(const char* commandLine = "") { app.OnCreate(commandLine); }
  void RecordPhrase() {
    app.OnCommand(CMD_RECORD_START);
    clock.now += 100;
    app.OnKey(testing::Down(kScanA));
    clock.now += 200;
    app.OnKey(testing::Up(kScanA));
    app.OnCommand(CMD_RECORD_STOP);
  }
  std::string LastMessage() const { return ui.messages.empty() ? "" : ui.messages.back().text; }
};

// A file holding a recorded two-event phrase, saved through the program.
bool SavePhrase(const std::string& path) {
  DocRig maker;
  maker.RecordPhrase();
  maker.ui.chosenFiles = {path};
  return maker.app.OnCommand(CMD_SAVE_AS) == 1;
}

TEST(Document, TitleAndMessageFormatting) {
  EXPECT_EQ(WindowTitle(""), "Velmira - [未命名]");
  EXPECT_EQ(WindowTitle("a.qji"), "Velmira - [a.qji]");
  EXPECT_EQ(FormatFileMessage(kCannotReadFile, ""), "不能读取文件未命名.");
  EXPECT_EQ(FormatFileMessage(kNotStandardFile, "x%sy"), "文件x%sy不是标准的Velmira文件.");
  std::string path;
  EXPECT_TRUE(CommandLinePath("\"C:\\My Songs\\a.qji\"", &path));
  EXPECT_EQ(path, "C:\\My Songs\\a.qji");
  EXPECT_TRUE(CommandLinePath("\"", &path));
  EXPECT_EQ(path, "\"");
  EXPECT_TRUE(CommandLinePath(std::string(259, 'x').c_str(), &path));
  EXPECT_FALSE(CommandLinePath(std::string(260, 'x').c_str(), &path));
}

TEST(Document, SaveAsThenSaveWithoutADialogThenANewTakeIsANewDocument) {
  DocRig rig;
  rig.RecordPhrase();
  const std::string path = TempPath("song.qji");
  rig.ui.chosenFiles = {path};
  EXPECT_EQ(rig.app.OnCommand(CMD_SAVE), 1);  // untitled: asks for a name
  EXPECT_EQ(rig.ui.dialogs, std::vector<FileDialog>{FileDialog::Save});
  EXPECT_FALSE(rig.app.document().modified);
  EXPECT_FALSE(rig.ui.menuEnabled[CMD_SAVE]);
  const std::string title = rig.ui.title;
  EXPECT_EQ(rig.app.OnCommand(CMD_SAVE), 1);  // titled: no dialog
  EXPECT_EQ(rig.ui.dialogs.size(), 1u);
  rig.ui.chosenFiles = {""};
  EXPECT_EQ(rig.app.OnCommand(CMD_SAVE_AS), 0);  // cancelled
  EXPECT_EQ(rig.ui.title, title);
  // A new take never becomes the file it replaced: saving it asks for a name.
  rig.ui.answers = {MessageAnswer::No};
  rig.app.OnCommand(CMD_RECORD_START);
  EXPECT_EQ(rig.ui.title, "Velmira - [未命名]");
  rig.clock.now += 100;
  rig.app.OnKey(testing::Down(kScanS));
  rig.app.OnKey(testing::Up(kScanS));
  rig.app.OnCommand(CMD_RECORD_STOP);
  rig.ui.chosenFiles = {""};
  EXPECT_EQ(rig.app.OnCommand(CMD_SAVE), 0);
  EXPECT_EQ(rig.ui.dialogs.size(), 3u);
  EXPECT_EQ(ReadAll(path).size(), 104u + 2 * 16);
}

TEST(Document, FailedSaveClearsTheNameAndStaysModified) {
  DocRig rig;
  rig.RecordPhrase();
  rig.ui.chosenFiles = {TempPath("missing-folder/x.qji")};
  EXPECT_EQ(rig.app.OnCommand(CMD_SAVE_AS), 0);
  EXPECT_EQ(rig.LastMessage(), "不能创建文件x.qji.");
  EXPECT_EQ(rig.ui.messages.back().icon, MessageIcon::Exclamation);
  EXPECT_EQ(rig.ui.beeps.back(), MessageIcon::Exclamation);
  EXPECT_EQ(rig.ui.title, "Velmira - [未命名]");
  EXPECT_TRUE(rig.app.document().modified);
  EXPECT_EQ(rig.app.document().fileTitle[0], '\0');
}

TEST(Document, RoundTripKeepsEventsKeyAndBass) {
  DocRig rig;
  rig.RecordPhrase();
  rig.app.OnCommand(1319);
  rig.app.OnCommand(CMD_BASS);
  const std::string path = TempPath("round.qji");
  rig.ui.chosenFiles = {path};
  ASSERT_EQ(rig.app.OnCommand(CMD_SAVE_AS), 1);

  DocRig other;
  other.ui.chosenFiles = {path};
  other.app.OnCommand(CMD_LOAD);
  ASSERT_EQ(other.app.events().count(), 2u);
  for (uint32_t i = 0; i < 2; ++i) {
    EXPECT_EQ(other.app.events().events()[i].deltaMs, rig.app.events().events()[i].deltaMs);
    EXPECT_EQ(other.app.events().events()[i].keyData, rig.app.events().events()[i].keyData);
  }
  EXPECT_EQ(other.app.playbackBuffer().count(), 2u);
  EXPECT_EQ(other.app.state().keySignature, 1319);
  EXPECT_TRUE(other.app.state().bassDoubling);
  EXPECT_TRUE(other.ui.checks[1319]);
  EXPECT_FALSE(other.ui.checks[1297]);
  EXPECT_TRUE(other.ui.checks[CMD_BASS]);
  EXPECT_EQ(other.ui.title, "Velmira - [velmira-doc-RoundTripKeepsEventsKeyAndBass-round.qji]");
  EXPECT_TRUE(other.ui.menuEnabled[CMD_EXPORT_MIDI]);
  EXPECT_TRUE(other.ui.menuEnabled[CMD_PLAY]);
  EXPECT_FALSE(other.ui.menuEnabled[CMD_SAVE]);
}

TEST(Document, FailedLoadChangesNothingButTheName) {
  DocRig rig;
  rig.RecordPhrase();
  const std::string bad = TempPath("bad.qji");
  std::ofstream(bad) << "RIFF....WAVE";
  rig.ui.answers = {MessageAnswer::No};
  rig.ui.chosenFiles = {bad};
  const auto menuBefore = rig.ui.menuEnabled;
  rig.app.OnCommand(CMD_LOAD);
  EXPECT_EQ(rig.LastMessage(),
            "文件velmira-doc-FailedLoadChangesNothingButTheName-bad.qji不是标准的Velmira文件.");
  EXPECT_EQ(rig.app.events().count(), 2u);
  EXPECT_TRUE(rig.app.document().modified);
  EXPECT_EQ(rig.ui.menuEnabled, menuBefore);
  EXPECT_EQ(rig.app.document().fileTitle[0], '\0');
  rig.ui.chosenFiles = {""};
  rig.app.OnCommand(CMD_SAVE);  // the name is gone: asks for one
  EXPECT_EQ(rig.ui.dialogs.back(), FileDialog::Save);
}

TEST(Document, LoadWithUnsavedChangesAsksFirst) {
  DocRig rig;
  rig.RecordPhrase();
  rig.ui.answers = {MessageAnswer::Cancel};
  rig.app.OnCommand(CMD_LOAD);
  EXPECT_EQ(rig.ui.messages.back().text, "保存当前的变化在 未命名?");
  EXPECT_EQ(rig.ui.messages.back().buttons, MessageButtons::YesNoCancel);
  EXPECT_EQ(rig.ui.messages.back().icon, MessageIcon::Question);
  EXPECT_TRUE(rig.ui.dialogs.empty());
  // Yes saves first, then shows the open dialog.
  rig.ui.answers = {MessageAnswer::Yes};
  rig.ui.chosenFiles = {TempPath("first.qji"), ""};
  rig.app.OnCommand(CMD_LOAD);
  EXPECT_EQ(rig.ui.dialogs, (std::vector<FileDialog>{FileDialog::Save, FileDialog::Open}));
  EXPECT_FALSE(rig.app.document().modified);
}

TEST(Document, CloseRequestAnswers) {
  DocRig clean;
  EXPECT_TRUE(clean.app.OnCloseRequest());
  EXPECT_TRUE(clean.ui.messages.empty());

  DocRig rig;
  rig.RecordPhrase();
  rig.ui.answers = {MessageAnswer::Cancel};
  EXPECT_FALSE(rig.app.OnCloseRequest());
  rig.ui.answers = {MessageAnswer::No};
  EXPECT_TRUE(rig.app.OnCloseRequest());
  rig.ui.answers = {MessageAnswer::Yes};
  rig.ui.chosenFiles = {""};  // Yes, then the save dialog is cancelled: stays open
  EXPECT_FALSE(rig.app.OnCloseRequest());
  rig.ui.answers = {MessageAnswer::Yes};
  rig.ui.chosenFiles = {TempPath("closing.qji")};
  EXPECT_TRUE(rig.app.OnCloseRequest());
  rig.RecordPhrase();
  rig.ui.answers = {MessageAnswer::Cancel};
  EXPECT_FALSE(rig.app.OnQueryEndSession());
}

TEST(Document, ExportWritesTheFileAndChangesNothing) {
  DocRig rig;
  rig.RecordPhrase();
  const std::string path = TempPath("song.mid");
  rig.ui.chosenFiles = {path};
  const std::string title = rig.ui.title;
  rig.app.OnCommand(CMD_EXPORT_MIDI);
  EXPECT_EQ(rig.ui.dialogs, std::vector<FileDialog>{FileDialog::Export});
  EXPECT_EQ(ReadAll(path).substr(0, 4), "MThd");
  EXPECT_TRUE(rig.app.document().modified);
  EXPECT_EQ(rig.ui.title, title);
  EXPECT_TRUE(rig.ui.messages.empty());
}

// The export dialog starts beside the performance's file, with its name; a chosen path that the
// Windows program could not take is refused.
TEST(Document, ExportStartsBesideThePerformanceAndTooLongPathsAreRefused) {
  DocumentState document;
  EXPECT_EQ(ExportSuggestion(document), "");
  document.filePath = "/home/a.b/song.qji";
  EXPECT_EQ(ExportSuggestion(document), "/home/a.b/song.mid");
  document.filePath = "/home/a.b/song";
  EXPECT_EQ(ExportSuggestion(document), "/home/a.b/song.mid");
  document.exportPath = "/tmp/last.mid";
  EXPECT_EQ(ExportSuggestion(document), "/tmp/last.mid");

  DocRig rig;
  rig.RecordPhrase();
  rig.ui.chosenFiles = {"/tmp/" + std::string(260, 'x') + ".mid"};
  rig.app.OnCommand(CMD_EXPORT_MIDI);
  EXPECT_EQ(rig.LastMessage(), "文件名太长.");
  EXPECT_EQ(rig.app.document().exportPath, "");
}

TEST(Document, ExportThatRunsOutOfMemoryFailsCleanlyAndTheProgramCarriesOn) {
  DocRig rig;
  rig.app.OnCommand(CMD_RECORD_START);
  for (int i = 0; i < 600; ++i) {
    rig.clock.now += 10;
    rig.app.OnKey(i & 1 ? testing::Up(kScanA) : testing::Down(kScanA));
  }
  rig.app.OnCommand(CMD_RECORD_STOP);
  const std::string path = TempPath("song.mid");
  std::ofstream(path) << "old";
  rig.ui.chosenFiles = {path};
  {
    const FailLargeAllocations failing(4096);  // the file's bytes need more
    EXPECT_NO_THROW(rig.app.OnCommand(CMD_EXPORT_MIDI));
  }
  EXPECT_EQ(ReadAll(path), "old");
  const std::string title = path.substr(path.find_last_of('/') + 1);
  EXPECT_EQ(rig.LastMessage(), FormatFileMessage(kCannotWriteFile, title.c_str()));
  EXPECT_EQ(rig.app.events().count(), 600u);
  rig.ui.chosenFiles = {path};
  rig.app.OnCommand(CMD_EXPORT_MIDI);
  EXPECT_EQ(ReadAll(path).substr(0, 4), "MThd");
}

TEST(Document, StartupLoadOfAValidFilePlaysAfterHalfASecond) {
  const std::string path = TempPath("start.qji");
  ASSERT_TRUE(SavePhrase(path));
  const std::string quoted = "\"" + path + "\"";
  DocRig rig(quoted.c_str());
  EXPECT_EQ(rig.ui.title, "Velmira - [" + path + "]");
  EXPECT_EQ(rig.ui.playTimers, std::vector<unsigned>{500});
  EXPECT_EQ(rig.app.events().count(), 2u);
  EXPECT_FALSE(rig.ui.menuEnabled[CMD_EXPORT_MIDI]);  // stays greyed until a playback stops
  EXPECT_TRUE(rig.ui.menuEnabled[CMD_PLAY]);
  rig.app.OnStartupTimer();
  EXPECT_TRUE(rig.app.playback().active());
  DocRig recording(quoted.c_str());
  recording.app.OnCommand(CMD_RECORD_START);
  recording.app.OnStartupTimer();
  EXPECT_FALSE(recording.app.playback().active());  // skipped once the user records
}

TEST(Document, StartupLoadFailures) {
  DocRig missing(TempPath("absent.qji").c_str());
  EXPECT_EQ(missing.LastMessage(), "不能找到或打开文件" + TempPath("absent.qji") + ".");
  EXPECT_EQ(missing.ui.title, "Velmira - [未命名]");
  EXPECT_TRUE(missing.ui.playTimers.empty());

  const std::string longLine(300, 'x');
  DocRig tooLong(longLine.c_str());
  EXPECT_EQ(tooLong.LastMessage(), "不能找到或打开文件" + longLine + ".");
  EXPECT_EQ(tooLong.ui.title, "Velmira - [未命名]");

  DocRig untitled("");
  EXPECT_EQ(untitled.ui.title, "Velmira - [未命名]");
  EXPECT_TRUE(untitled.ui.messages.empty());
}

TEST(Document, StartupLoadWhileSwitchedOffDoesNotPlay) {
  const std::string path = TempPath("off.qji");
  ASSERT_TRUE(SavePhrase(path));
  AppRig rig;
  rig.service.failingOpens = {-1};
  rig.app.OnCreate(path.c_str());
  EXPECT_EQ(rig.app.events().count(), 2u);
  EXPECT_TRUE(rig.ui.playTimers.empty());
}

}  // namespace
}  // namespace velmira
