#include "record/transport.h"

#include "commands/command_ids.h"

namespace velmira {

// clang-format off
const int kTransportMenuIds[kTransportMenuCount] = {
    CMD_RECORD_START, CMD_RECORD_STOP, CMD_PLAY, CMD_PLAY_LOOP, CMD_PLAY_STOP,
    CMD_SAVE,         CMD_SAVE_AS,     CMD_EXPORT_MIDI, CMD_LOAD};
const int kTransportButtonIds[kTransportButtonCount] = {CMD_RECORD_START, CMD_RECORD_STOP, CMD_PLAY,
                                                        CMD_PLAY_LOOP, CMD_PLAY_STOP};
// clang-format on

namespace {

using A = Availability;
constexpr A E = A::E, G = A::G, U = A::U, M = A::M;

// clang-format off
// One row per situation:      menu 1283 1284 1285 1286 1287 1288 1289 1282 1296   buttons
constexpr TransportRowStates kRows[] = {
    /* Startup */             {{E, G, G, G, G, G, G, G, E}, {E, G, G, G, G}},
    /* Recording */           {{G, E, G, G, G, G, G, G, G}, {G, E, G, G, G}},
    /* IdleWithPerformance */ {{E, G, E, E, G, E, E, E, E}, {E, G, E, E, G}},
    /* IdleEmpty */           {{E, G, G, G, G, G, G, G, E}, {E, G, G, G, G}},
    /* Playing */             {{G, G, G, G, E, G, G, G, G}, {G, G, G, G, E}},
    /* Stopped */             {{E, G, E, E, G, M, E, E, E}, {E, G, E, E, G}},
    /* Loaded */              {{E, G, E, E, G, G, E, E, U}, {E, G, E, E, G}},
    /* LoadedAtStartup */     {{E, G, E, E, G, G, E, U, U}, {E, G, E, E, G}},
    /* Saved */               {{U, U, U, U, U, G, U, U, U}, {U, U, U, U, U}},
};
// clang-format on

}  // namespace

const TransportRowStates& TransportStates(TransportRow row) { return kRows[static_cast<int>(row)]; }

void ApplyTransportRow(TransportRow row, bool modified, UiEffects& ui) {
  const TransportRowStates& states = TransportStates(row);
  for (int i = 0; i < kTransportMenuCount; ++i) {
    const A a = states.menu[i];
    if (a == E || (a == M && modified)) ui.EnableMenuItem(kTransportMenuIds[i], true);
    if (a == G) ui.EnableMenuItem(kTransportMenuIds[i], false);
  }
  for (int i = 0; i < kTransportButtonCount; ++i) {
    const A a = states.buttons[i];
    if (a == E) ui.EnableButton(kTransportButtonIds[i], true);
    if (a == G) ui.EnableButton(kTransportButtonIds[i], false);
  }
}

}  // namespace velmira
