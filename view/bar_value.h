// What the velocity and pitch-bend bars stand for at a position, as shown beside them.
#pragma once

#include <string>

namespace velmira {

// Velocity: 128 - position, 1..127. Pitch bend: the offset from the bar's centre (position
// 8192, where it rests), 8192 - position: 0 at rest, +8191 at the top, -8191 at the bottom;
// the bend sent is 8191 plus this offset. Kept within -8192..+8191. 0 for any other control.
int BarValue(int controlId, int position);

// "力度 100", "频率 +512", "频率 0", "频率 -8191" (GBK); empty for any other control.
std::string BarValueText(int controlId, int position);

}  // namespace velmira
