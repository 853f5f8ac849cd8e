// The recovery copy of an unsaved take: kept while the take is unsaved, offered at the next start
// after the program ended without removing it, never taken from a program that still runs, and
// set aside when damaged.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "commands/command_ids.h"
#include "tests/fakes/app_rig.h"

namespace velmira {
namespace {

using namespace testing;
namespace fs = std::filesystem;

struct RecoveryRig : AppRig {
  explicit RecoveryRig(const std::string& folder, const char* commandLine = "",
                       std::vector<MessageAnswer> answers = {})
      : AppRig(&std::realloc, folder) {
    ui.answers = std::move(answers);
    app.OnCreate(commandLine);
  }
  void RecordPhrase() {
    app.OnCommand(CMD_RECORD_START);
    clock.now += 100;
    Down(kScanA);
    clock.now += 100;
    Up(kScanA);
    app.OnCommand(CMD_RECORD_STOP);
  }
};

std::vector<std::string> Files(const std::string& folder, const std::string& suffix) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().extension() == suffix) names.push_back(entry.path().filename().string());
  }
  return names;
}

std::string Folder() {
  const std::string folder = ::testing::TempDir() + "velmira-recovery-" +
                             ::testing::UnitTest::GetInstance()->current_test_info()->name();
  fs::remove_all(folder);
  return folder;
}

TEST(Recovery, AnUnsavedTakeIsOfferedAtTheNextStartAndGoesWhenSaved) {
  const std::string folder = Folder();
  {
    RecoveryRig killed(folder);
    killed.RecordPhrase();
  }  // ends without the close question: as a kill would
  ASSERT_EQ(Files(folder, ".qji").size(), 1u);
  {
    RecoveryRig running(folder, "", {MessageAnswer::Yes});
    EXPECT_EQ(running.ui.messages.at(0).text, "上次未保存的录音已恢复。要保留它吗?");
    EXPECT_EQ(running.app.events().count(), 2u);
    EXPECT_TRUE(running.app.document().modified);
    EXPECT_EQ(running.ui.title, "Velmira - [未命名]");
    // A second program started meanwhile finds the copy locked and asks nothing.
    RecoveryRig second(folder);
    EXPECT_TRUE(second.ui.messages.empty());
    running.ui.chosenFiles = {folder + "/saved.qji"};
    EXPECT_EQ(running.app.OnCommand(CMD_SAVE), 1);
  }
  EXPECT_EQ(Files(folder, ".qji"), std::vector<std::string>{"saved.qji"});
  {
    // Closed with No to the question: the switch-off as the window goes writes nothing again.
    RecoveryRig closed(folder, "", {MessageAnswer::No});
    closed.RecordPhrase();
    EXPECT_TRUE(closed.app.OnCloseRequest());
    closed.app.OnDestroy();
  }
  EXPECT_EQ(Files(folder, ".qji"), std::vector<std::string>{"saved.qji"});
  fs::remove_all(folder);
}

// With a file on the command line the question comes first: Yes keeps the take and says the file
// was not loaded; a damaged copy is renamed, never deleted, and the program starts as usual.
TEST(Recovery, TheQuestionComesBeforeTheCommandLinesFileAndADamagedCopyIsSetAside) {
  const std::string folder = Folder();
  {
    RecoveryRig killed(folder);
    killed.RecordPhrase();
  }
  const std::string song = folder + "/song.qji";
  {
    RecoveryRig maker(folder, "", {MessageAnswer::No});  // declines the copy: it is deleted
    maker.RecordPhrase();
    maker.RecordPhrase();
    maker.ui.chosenFiles = {song};
    maker.app.OnCommand(CMD_SAVE);
  }
  {
    RecoveryRig killed(folder);
    killed.RecordPhrase();
  }
  RecoveryRig kept(folder, song.c_str(), {MessageAnswer::Yes});
  ASSERT_EQ(kept.ui.messages.size(), 2u);
  EXPECT_EQ(kept.ui.messages[1].text, "文件" + song + "没有载入: 保留了恢复的录音.");
  EXPECT_EQ(kept.ui.title, "Velmira - [未命名]");

  std::ofstream(folder + "/take-1.qji") << "not a performance";
  RecoveryRig fresh(folder);
  EXPECT_TRUE(fresh.ui.messages.empty());
  EXPECT_EQ(Files(folder, ".damaged"), std::vector<std::string>{"take-1.damaged"});
  fs::remove_all(folder);
}

}  // namespace
}  // namespace velmira
