#include "app/menu_model.h"

#include <cstdio>
#include <string>

#include "app/metronome_control.h"
#include "commands/command_ids.h"
#include "commands/instrument_table.h"
#include "engine/key_signature.h"

namespace velmira {

namespace {

MenuItem Command(int id, std::string label, bool grayed = false) {
  MenuItem item;
  item.label = std::move(label);
  item.id = id;
  item.grayed = grayed;
  return item;
}

// An item that shows whether a setting is on: the switch, an instrument, a key, a device ...
MenuItem Setting(int id, std::string label, bool checked) {
  MenuItem item = Command(id, std::move(label));
  item.checkable = true;
  item.checked = checked;
  return item;
}

MenuItem Popup(std::string label) {
  MenuItem item;
  item.label = std::move(label);
  item.popup = true;
  return item;
}

// Menu labels of the 24 key signatures, in the order of kKeySignatureIds.
const char* const kKeySignatureLabels[kKeySignatureCount] = {
    " C大调", " D大调", " E大调", " F大调", " G大调", " A大调", " B大调", "#F大调",
    "#C大调", "bB大调", "bE大调", "bA大调", " c小调", " d小调", " e小调", " f小调",
    " g小调", " a小调", " b小调", "#f小调", "#c小调", "#g小调", "#d小调", "#a小调",
};

MenuItem InstrumentMenu() {
  MenuItem menu = Popup("乐器(&V)");
  char label[96];
  for (int g = 0; g < kInstrumentGroupCount; ++g) {
    const InstrumentGroup& group = InstrumentTable[g];
    std::snprintf(label, sizeof label, "&%c.\t%s", 'A' + g, group.name);
    MenuItem sub = Popup(label);
    for (int k = 0; k < 8; ++k) {
      const InstrumentEntry& entry = group.entries[k];
      sub.items.push_back(
          Setting(CMD_PROGRAM_BASE + entry.program, InstrumentItemLabel(g, k), entry.program == 0));
    }
    menu.items.push_back(std::move(sub));
  }
  return menu;
}

MenuItem DeviceMenu(MidiOutputService& service, unsigned deviceCount, PlayerState& state) {
  MenuItem menu = Popup("设备(&D)");
  std::string name;
  if (service.DeviceName(kMidiMapper, &name)) {
    menu.items.push_back(Setting(CMD_DEVICE_BASE + kMidiMapper, name, false));
  } else {
    state.outputDevice = 0;
  }
  char fallback[32];
  for (unsigned d = 0; d < deviceCount && d <= CMD_DEVICE_LAST - CMD_DEVICE_BASE; ++d) {
    if (!service.DeviceName(static_cast<int>(d), &name)) {
      std::snprintf(fallback, sizeof fallback, "MIDI %u", d);
      name = fallback;
    }
    menu.items.push_back(Setting(CMD_DEVICE_BASE + static_cast<int>(d), name, false));
  }
  menu.items.front().checked = true;
  return menu;
}

// 乐谱: the metronome, the score of what was played, and the lessons.
MenuItem ScoreMenu(const std::vector<std::string>& songTitles) {
  MenuItem menu = Popup("乐谱(&J)");
  const MetronomeSettings start;
  menu.items.push_back(Setting(CMD_METRONOME, "节拍器(&M)", start.on));
  menu.items.push_back(Command(CMD_TEMPO, "速度(&T)..."));
  MenuItem metre = Popup("拍号(&B)");
  for (int m = 0; m < kMetreCount; ++m) {
    const auto [numerator, denominator] = kMetres[m];
    metre.items.push_back(
        Setting(CMD_METRE_FIRST + m, std::to_string(numerator) + "/" + std::to_string(denominator),
                numerator == start.numerator && denominator == start.denominator));
  }
  menu.items.push_back(std::move(metre));
  menu.items.push_back(Setting(CMD_COUNT_IN, "预备拍(&C)", start.countIn));
  menu.items.push_back(Command(CMD_TAKE_TEMPO, "设为录音的速度(&A)", true));
  menu.items.push_back(Setting(CMD_SHOW_SCORE, "显示简谱(&S)", false));
  menu.items.push_back(Command(CMD_EXPORT_SCORE, "导出简谱(&E)...", true));
  menu.items.push_back(Command(CMD_LEARN_SONG, "学习曲谱(&L)..."));
  MenuItem book = Popup("曲库(&K)");
  for (size_t i = 0; i < songTitles.size() && CMD_SONG_FIRST + i <= CMD_SONG_LAST; ++i) {
    book.items.push_back(Command(CMD_SONG_FIRST + static_cast<int>(i), songTitles[i]));
  }
  menu.items.push_back(std::move(book));
  menu.items.push_back(Command(CMD_PLAY_SONG, "播放曲谱(&P)", true));
  menu.items.push_back(Setting(CMD_WAIT_MODE, "等待模式(&W)", true));
  menu.items.push_back(Setting(CMD_FOLLOW_MODE, "跟随模式(&F)", false));
  menu.items.push_back(Command(CMD_PRACTICE_SPEED, "练习速度(&R)..."));
  menu.items.push_back(Command(CMD_STOP_LESSON, "停止学习(&X)", true));
  return menu;
}

}  // namespace

MenuBar BuildMenuBar(MidiOutputService& service, unsigned deviceCount, PlayerState& state,
                     const std::vector<std::string>& songTitles) {
  MenuBar bar;

  MenuItem power = Popup("开关(&S)");
  power.items.push_back(Setting(CMD_SWITCH_ON, "打开(&O)\tAlt+O", false));
  power.items.push_back(Setting(CMD_SWITCH_OFF, "关闭(&C)\tAlt+C", true));
  bar.popups.push_back(std::move(power));

  bar.popups.push_back(InstrumentMenu());

  MenuItem keys = Popup("调式(&M)");
  for (int i = 0; i < kKeySignatureCount; ++i) {
    keys.items.push_back(
        Setting(kKeySignatureIds[i], kKeySignatureLabels[i], kKeySignatureIds[i] == CMD_KEY_FIRST));
  }
  bar.popups.push_back(std::move(keys));

  MenuItem record = Popup("录音(&R)");
  record.items.push_back(Command(CMD_RECORD_START, "开始录制(&R)"));
  record.items.push_back(Command(CMD_RECORD_STOP, "停止录制(&E)", true));
  record.items.push_back(Command(CMD_PLAY, "开始播放(&P)", true));
  record.items.push_back(Command(CMD_PLAY_LOOP, "循环播放(&L)", true));
  record.items.push_back(Command(CMD_PLAY_STOP, "停止播放(&O)", true));
  record.items.push_back(Command(CMD_SAVE, "保存录音文件(&S)", true));
  record.items.push_back(Command(CMD_SAVE_AS, "录音文件另存为(&A)", true));
  record.items.push_back(Command(CMD_EXPORT_MIDI, "导出为Midi格式文件(&C)", true));
  record.items.push_back(Command(CMD_LOAD, "载入录音文件(&L)"));
  bar.popups.push_back(std::move(record));

  MenuItem functions = Popup("功能(&F)");
  functions.items.push_back(Setting(CMD_BASS, "自动增加低音(&C)", false));
  bar.popups.push_back(std::move(functions));

  bar.popups.push_back(DeviceMenu(service, deviceCount, state));

  MenuItem channels = Popup("声道(&C)");
  char label[8];
  for (int c = 0; c < kChannelCount; ++c) {
    std::snprintf(label, sizeof label, "%d", c + 1);
    channels.items.push_back(Setting(CMD_CHANNEL_BASE + c, label, c == 0));
  }
  bar.popups.push_back(std::move(channels));

  bar.popups.push_back(ScoreMenu(songTitles));

  MenuItem help = Popup("帮助(&H)");
  help.items.push_back(Command(CMD_HELP, "帮助(&H)"));
  help.items.push_back(Command(CMD_ABOUT, "关于(&A)"));
  bar.popups.push_back(std::move(help));

  return bar;
}

namespace {
MenuItem* FindIn(std::vector<MenuItem>& items, int id) {
  for (MenuItem& item : items) {
    if (item.popup) {
      if (MenuItem* found = FindIn(item.items, id)) return found;
    } else if (item.id == id) {
      return &item;
    }
  }
  return nullptr;
}
}  // namespace

MenuItem* FindMenuItem(MenuBar& bar, int id) { return FindIn(bar.popups, id); }

std::string InstrumentItemLabel(int group, int item) {
  return "&" + std::to_string(item + 1) + ".\t" + InstrumentTable[group].entries[item].name;
}

// GBK trail bytes start at 0x40, so '&', '(', ')' and the tab are never part of a character.
std::string PlainMenuText(const std::string& label) {
  std::string text = label;
  // The prefix: "&", the key, "." and the blanks or tab before the text.
  if (text.size() >= 4 && text[0] == '&' && text[2] == '.' && (text[3] == '\t' || text[3] == ' ')) {
    size_t start = 3;
    while (start < text.size() && (text[start] == '\t' || text[start] == ' ')) ++start;
    text.erase(0, start);
  }
  const size_t tab = text.find('\t');
  if (tab != std::string::npos) text.erase(tab);
  const size_t bracket = text.rfind("(&");
  if (bracket != std::string::npos && bracket + 4 == text.size() && text.back() == ')') {
    text.erase(bracket);
  }
  std::string plain;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') {
      plain += text[i];
    } else if (i + 1 < text.size() && text[i + 1] == '&') {
      plain += '&';
      ++i;
    }
  }
  return plain;
}

std::string ToolbarTip(int button) {
  if (button < 0 || button >= kToolbarButtonCount) return "";
  const ToolbarButton& b = ToolbarButtons[button];
  return PlainMenuText(InstrumentItemLabel(b.group, b.item));
}

}  // namespace velmira
