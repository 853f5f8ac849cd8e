// The 128 General MIDI programs in 16 groups of 8, as the instrument menu and the toolbar show
// them. Names are GBK text.
#pragma once

#include <cstdint>

namespace velmira {

struct InstrumentEntry {
  const char* name;
  int32_t program;
};

struct InstrumentGroup {
  const char* name;
  InstrumentEntry entries[8];
};

constexpr int kInstrumentGroupCount = 16;
extern const InstrumentGroup InstrumentTable[kInstrumentGroupCount];

// Name of a program 0..127 (the entry at group program / 8, item program % 8).
const char* InstrumentName(int program);

// The toolbar's 14 favourites as (group index, item index 0..7) into the table.
struct ToolbarButton {
  int group;
  int item;
};
constexpr int kToolbarButtonCount = 14;
extern const ToolbarButton ToolbarButtons[kToolbarButtonCount];

}  // namespace velmira
