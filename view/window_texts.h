// The texts that the main window paints (GBK in the Windows program, UTF-8 in the Linux one):
// each shell draws the runs where the layout puts them.
#pragma once

#include <string>
#include <vector>

#include "engine/midi_output_service.h"
#include "engine/player_state.h"
#include "view/window_layout.h"

namespace velmira {

constexpr const char* kSwitchedOnText = "开启";
constexpr const char* kSwitchedOffText = "关闭";
// Shown for the device when its name cannot be read.
constexpr const char* kUnknownDeviceText = "未知设备";
constexpr const char* kHintText =
    "1 演奏的同时按Shift键(或Ctrl键)升高(或降低)一个8级音阶。 2 出现声音异常请按 Esc";
constexpr const char* kVelocityCaption = "力度";
constexpr const char* kPitchCaption = "频率";
constexpr const char* kPedalLabel = "踏板";

// "声道 %i" with the channel counted from 1.
inline std::string ChannelText(int channel) { return "声道 " + std::to_string(channel + 1); }

struct TextRun {
  Point at;  // the text's top-left corner; drawn on the window's background
  std::string text;
};

// The status line (the switch, the device's name, the channel), the hint, the caption beside the
// instrument picture and the bars' captions, in that order.
std::vector<TextRun> MainWindowTexts(const PaintLayout& at, const PlayerState& state,
                                     MidiOutputService& midi);

}  // namespace velmira
