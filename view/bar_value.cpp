#include "view/bar_value.h"

#include <algorithm>
#include <cstdio>

#include "commands/command_ids.h"
#include "engine/note_engine.h"

namespace velmira {

int BarValue(int controlId, int position) {
  if (controlId == IDC_VELOCITY) return std::clamp(128 - position, 1, 127);
  if (controlId == IDC_PITCH_BEND) {
    return std::clamp(kPitchBendCentrePosition - position, -8192, 8191);
  }
  return 0;
}

std::string BarValueText(int controlId, int position) {
  char text[32];
  if (controlId == IDC_VELOCITY) {
    std::snprintf(text, sizeof text, "力度 %d", BarValue(controlId, position));
  } else if (controlId == IDC_PITCH_BEND) {
    const int offset = BarValue(controlId, position);
    std::snprintf(text, sizeof text, offset == 0 ? "频率 %d" : "频率 %+d", offset);
  } else {
    return "";
  }
  return text;
}

}  // namespace velmira
