#include <gtest/gtest.h>

#include <set>

#include "app/menu_dump.h"
#include "app/menu_model.h"
#include "commands/command_ids.h"
#include "commands/instrument_table.h"
#include "tests/fakes/fake_midi_service.h"

namespace velmira {
namespace {

std::vector<const MenuItem*> Commands(const MenuItem& popup) {
  std::vector<const MenuItem*> out;
  for (const MenuItem& item : popup.items) {
    if (item.popup) {
      auto sub = Commands(item);
      out.insert(out.end(), sub.begin(), sub.end());
    } else {
      out.push_back(&item);
    }
  }
  return out;
}

TEST(MenuBar, NinePopupsWithTheirInitialStates) {
  testing::FakeMidiService service;
  PlayerState state;
  MenuBar bar = BuildMenuBar(service, 1, state);
  ASSERT_EQ(bar.popups.size(), 9u);
  const char* labels[9] = {"开关(&S)", "乐器(&V)", "调式(&M)", "录音(&R)", "功能(&F)",
                           "设备(&D)", "声道(&C)", "乐谱(&J)", "帮助(&H)"};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(bar.popups[i].label, labels[i]);

  EXPECT_EQ(bar.popups[0].items[0].label, "打开(&O)\tAlt+O");
  EXPECT_TRUE(bar.popups[0].items[1].checked);

  const MenuItem& instruments = bar.popups[1];
  ASSERT_EQ(instruments.items.size(), 16u);
  EXPECT_EQ(instruments.items[0].label, "&A.\t钢琴");
  EXPECT_EQ(instruments.items[15].label, "&P.\t音效");
  EXPECT_EQ(instruments.items[0].items[0].label, "&1.\t三角钢琴");
  auto programs = Commands(instruments);
  ASSERT_EQ(programs.size(), 128u);
  for (int p = 0; p < 128; ++p) {
    EXPECT_EQ(programs[p]->id, 1024 + p);
    EXPECT_EQ(programs[p]->checked, p == 0);
  }
  EXPECT_EQ(instruments.items[6].items[7].id, 1079);

  const MenuItem& keys = bar.popups[2];
  ASSERT_EQ(keys.items.size(), 24u);
  EXPECT_EQ(keys.items[0].label, " C大调");
  EXPECT_TRUE(keys.items[0].checked);
  for (const MenuItem& key : keys.items) {
    EXPECT_FALSE(key.id >= 1306 && key.id <= 1311);
    EXPECT_FALSE(key.id >= 1322 && key.id <= 1327);
  }

  const MenuItem& record = bar.popups[3];
  std::vector<int> ids, enabled;
  for (const MenuItem& item : record.items) {
    ids.push_back(item.id);
    if (!item.grayed) enabled.push_back(item.id);
  }
  EXPECT_EQ(ids, (std::vector<int>{1283, 1284, 1285, 1286, 1287, 1288, 1289, 1282, 1296}));
  EXPECT_EQ(enabled, (std::vector<int>{1283, 1296}));

  EXPECT_EQ(bar.popups[4].items[0].id, CMD_BASS);
  EXPECT_FALSE(bar.popups[4].items[0].checked);

  const MenuItem& devices = bar.popups[5];
  ASSERT_EQ(devices.items.size(), 2u);
  EXPECT_EQ(devices.items[0].id, 511);
  EXPECT_TRUE(devices.items[0].checked);
  EXPECT_EQ(devices.items[1].id, 512);
  EXPECT_EQ(state.outputDevice, -1);

  const MenuItem& channels = bar.popups[6];
  ASSERT_EQ(channels.items.size(), 15u);
  EXPECT_EQ(channels.items[0].label, "1");
  EXPECT_EQ(channels.items[14].label, "15");
  EXPECT_EQ(channels.items[14].id, 782);
  EXPECT_TRUE(channels.items[0].checked);

  // 乐谱: the metronome off, 4/4, the count-in on, 设为录音的速度 grey without a performance.
  const MenuItem& score = bar.popups[7];
  EXPECT_FALSE(score.items[0].checked);
  EXPECT_EQ(score.items[2].label, "拍号(&B)");
  EXPECT_EQ(score.items[2].items[2].label, "4/4");
  EXPECT_TRUE(score.items[2].items[2].checked);
  EXPECT_TRUE(score.items[3].checked);
  EXPECT_TRUE(score.items[4].grayed);
  for (const MenuItem* item : Commands(score)) {
    EXPECT_TRUE(item->id >= CMD_SCORE_FIRST && item->id <= CMD_SCORE_LAST) << item->label;
  }

  EXPECT_EQ(bar.popups[8].items[0].id, CMD_HELP);
  EXPECT_EQ(bar.popups[8].items[1].label, "关于(&A)");

  std::set<int> seen;
  for (const MenuItem& popup : bar.popups)
    for (const MenuItem* item : Commands(popup)) EXPECT_TRUE(seen.insert(item->id).second);
}

TEST(InstrumentTable, ProgramsRunInOrderAndToolbarReadsThem) {
  for (int g = 0; g < kInstrumentGroupCount; ++g)
    for (int k = 0; k < 8; ++k) EXPECT_EQ(InstrumentTable[g].entries[k].program, 8 * g + k);
  EXPECT_STREQ(InstrumentTable[4].name, "Bass");
  EXPECT_STREQ(InstrumentName(32), "Bass");
  EXPECT_STREQ(InstrumentName(127), "枪声");
  const int programs[14] = {0, 15, 19, 25, 32, 40, 55, 57, 66, 73, 103, 107, 114, 123};
  for (int i = 0; i < kToolbarButtonCount; ++i) {
    const ToolbarButton& b = ToolbarButtons[i];
    EXPECT_EQ(InstrumentTable[b.group].entries[b.item].program, programs[i]) << i;
  }
}

TEST(MenuText, PlainTextIsTheLabelWithoutWhatTheMenuAddsForItsKey) {
  EXPECT_EQ(PlainMenuText("&1.\t三角钢琴"), "三角钢琴");
  EXPECT_EQ(PlainMenuText("打开(&O)\tAlt+O"), "打开");
  EXPECT_EQ(PlainMenuText("&Help"), "Help");
  EXPECT_EQ(PlainMenuText("R&&B"), "R&B");
  // Brackets of the name itself stay.
  EXPECT_EQ(PlainMenuText(InstrumentItemLabel(12, 7)), "FX 8(科幻)");
}

TEST(MenuText, EachToolbarTipIsItsInstrumentsMenuItemAsPlainText) {
  testing::FakeMidiService service;
  PlayerState state;
  MenuBar bar = BuildMenuBar(service, 1, state);
  for (int i = 0; i < kToolbarButtonCount; ++i) {
    const ToolbarButton& b = ToolbarButtons[i];
    const int program = InstrumentTable[b.group].entries[b.item].program;
    EXPECT_EQ(PlainMenuText(FindMenuItem(bar, CMD_PROGRAM_BASE + program)->label), ToolbarTip(i));
  }
  EXPECT_EQ(ToolbarTip(13), "鸟叫");
}

}  // namespace
}  // namespace velmira

namespace velmira {
namespace {

TEST(MenuDump, OneLineAnItemIndentedByDepthWithTabsWrittenOut) {
  MenuBar bar;
  MenuItem popup;
  popup.label = "开关(&S)";
  popup.popup = true;
  MenuItem on;
  on.label = "打开(&O)\tAlt+O";
  on.id = CMD_SWITCH_ON;
  on.checked = true;
  MenuItem off = on;
  off.id = CMD_SWITCH_OFF;
  off.checked = false;
  off.grayed = true;
  popup.items = {on, off};
  bar.popups = {popup};
  EXPECT_EQ(FormatMenuDump(bar),
            "popup 开关(&S)\n  256 1 0 打开(&O)\\tAlt+O\n  257 0 1 打开(&O)\\tAlt+O\n");
}

}  // namespace
}  // namespace velmira
