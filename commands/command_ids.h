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

// The 乐谱 menu: the metronome, the score and the lessons; the songs of the song book.
constexpr int CMD_METRONOME = 1360;    // 节拍器
constexpr int CMD_TEMPO = 1361;        // 速度...
constexpr int CMD_METRE_FIRST = 1362;  // 拍号: 2/4, 3/4, 4/4, 6/8
constexpr int CMD_METRE_LAST = 1365;
constexpr int CMD_COUNT_IN = 1366;        // 预备拍
constexpr int CMD_TAKE_TEMPO = 1367;      // 设为录音的速度
constexpr int CMD_SHOW_SCORE = 1370;      // 显示简谱
constexpr int CMD_EXPORT_SCORE = 1371;    // 导出简谱...
constexpr int CMD_LEARN_SONG = 1380;      // 学习曲谱...
constexpr int CMD_PLAY_SONG = 1381;       // 播放曲谱
constexpr int CMD_WAIT_MODE = 1382;       // 等待模式
constexpr int CMD_FOLLOW_MODE = 1383;     // 跟随模式
constexpr int CMD_PRACTICE_SPEED = 1384;  // 练习速度...
constexpr int CMD_STOP_LESSON = 1385;     // 停止学习
constexpr int CMD_SCORE_FIRST = 1360;     // the menu's range, dispatched before the programs'
constexpr int CMD_SCORE_LAST = 1399;
constexpr int CMD_SONG_FIRST = 1400;  // 曲库: one item a song
constexpr int CMD_SONG_LAST = 1499;

constexpr int IDC_VELOCITY = 1344;
constexpr int IDC_PITCH_BEND = 1345;

// The two messages of a recorded event (the performance file stores them): a key down, a key up.
constexpr unsigned kKeyDownMessage = 256;  // WM_KEYDOWN
constexpr unsigned kKeyUpMessage = 257;    // WM_KEYUP

constexpr int kChannelCount = 15;  // channels 0..14 for the melody
constexpr int kBassChannel = 15;
constexpr int kProgramCount = 128;

}  // namespace velmira
