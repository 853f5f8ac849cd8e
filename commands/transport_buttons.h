// The five transport buttons of the main window, left to right: their ids (equal to their
// commands) and labels. GBK text in the Windows program, UTF-8 in the Linux one.
#pragma once

#include "commands/command_ids.h"

namespace velmira {

struct TransportButton {
  int id;
  const char* label;
};

constexpr int kTransportButtonCount = 5;
// clang-format off
constexpr TransportButton kTransportButtons[kTransportButtonCount] = {
    {CMD_RECORD_START, "开始录制"}, {CMD_RECORD_STOP, "停止录制"}, {CMD_PLAY, "开始播放"},
    {CMD_PLAY_LOOP, "循环播放"}, {CMD_PLAY_STOP, "停止播放"}};
// clang-format on

}  // namespace velmira
