// Which Record menu items and transport buttons are available in each situation, as data.
#pragma once

#include "engine/ui_effects.h"

namespace velmira {

enum class TransportRow {
  Startup,              // no performance
  Recording,            // after start recording
  IdleWithPerformance,  // after stop recording, count above 0
  IdleEmpty,            // after stop recording, count 0
  Playing,              // after play or loop play
  Stopped,              // after stop playback
  Loaded,               // after a successful load through the menu
  LoadedAtStartup,      // after a successful load of the command-line file
  Saved,                // after a successful save
};

// E enabled, G greyed (a button: disabled), U unchanged, M enabled if the document is
// modified, else unchanged.
enum class Availability : char { E = 'E', G = 'G', U = 'U', M = 'M' };

constexpr int kTransportMenuCount = 9;
constexpr int kTransportButtonCount = 5;
// The menu items in table order: 1283..1287, 1288, 1289, 1282, 1296; the buttons 1283..1287.
extern const int kTransportMenuIds[kTransportMenuCount];
extern const int kTransportButtonIds[kTransportButtonCount];

struct TransportRowStates {
  Availability menu[kTransportMenuCount];
  Availability buttons[kTransportButtonCount];
};

const TransportRowStates& TransportStates(TransportRow row);

// Applies a row to the menu items and buttons.
void ApplyTransportRow(TransportRow row, bool modified, UiEffects& ui);

}  // namespace velmira
