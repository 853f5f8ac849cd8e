// Command, control and message numbers. Every menu item, toolbar button, accelerator and
// transport button reaches the controller (AppController::OnCommand) with one of these numbers;
// on Windows they are the WM_COMMAND numbers of the menus and controls.
#pragma once

namespace velmira {

constexpr int CMD_SWITCH_ON = 256;
constexpr int CMD_SWITCH_OFF = 257;
constexpr int CMD_DEVICE_BASE = 512;  // 511 is the MIDI mapper (device -1)
constexpr int CMD_DEVICE_FIRST = 511;
constexpr int CMD_DEVICE_LAST = 767;
constexpr int CMD_CHANNEL_BASE = 768;   // 768 to 782: channels 0 to 14
constexpr int CMD_CHANNEL_LAST = 1023;  // the dispatcher treats 768..1023 as channels
constexpr int CMD_PROGRAM_BASE = 1024;  // 1024 to 1151: programs 0 to 127
constexpr int CMD_HELP = 1280;
constexpr int CMD_ABOUT = 1281;
constexpr int CMD_EXPORT_MIDI = 1282;
constexpr int CMD_RECORD_START = 1283;
constexpr int CMD_RECORD_STOP = 1284;
constexpr int CMD_PLAY = 1285;
constexpr int CMD_PLAY_LOOP = 1286;
constexpr int CMD_PLAY_STOP = 1287;
constexpr int CMD_SAVE = 1288;
constexpr int CMD_SAVE_AS = 1289;
constexpr int CMD_LOAD = 1296;
constexpr int CMD_KEY_FIRST = 1297;
constexpr int CMD_KEY_LAST = 1332;
constexpr int CMD_BASS = 1333;

constexpr int IDC_VELOCITY = 1344;
constexpr int IDC_PITCH_BEND = 1345;

// The two messages of a recorded event (the performance file stores them): a key down, a key up.
constexpr unsigned kKeyDownMessage = 256;  // WM_KEYDOWN
constexpr unsigned kKeyUpMessage = 257;    // WM_KEYUP

constexpr int kChannelCount = 15;  // channels 0..14 for the melody
constexpr int kBassChannel = 15;
constexpr int kProgramCount = 128;

}  // namespace velmira
