#include "engine/key_signature.h"

namespace velmira {

// clang-format off
const int kKeySignatureIds[kKeySignatureCount] = {
    1297, 1298, 1299, 1300, 1301, 1302, 1303, 1304, 1305, 1312, 1313, 1314,  // major
    1315, 1316, 1317, 1318, 1319, 1320, 1321, 1328, 1329, 1330, 1331, 1332,  // minor
};
// clang-format on

namespace {
// Offsets by id - 1297; kNone marks the unused ids 1306..1311 and 1322..1327. A minor key has
// the offset of its relative major, so that "6" is its tonic.
constexpr int kNone = 100;
// clang-format off
constexpr int kOffsets[36] = {
    0,  2,  4,  5,  7,  9,  -1, 6,  1,                    // 1297..1305  C D E F G A B #F #C
    kNone, kNone, kNone, kNone, kNone, kNone,             // 1306..1311
    -2, 3,  -4,                                           // 1312..1314  bB bE bA
    3,  5,  7,  -4, -2, 0,  2,                            // 1315..1321  c d e f g a b
    kNone, kNone, kNone, kNone, kNone, kNone,             // 1322..1327
    9,  4,  -1, 6,  1,                                    // 1328..1332  #f #c #g #d #a
};
// clang-format on
}  // namespace

bool KeySignatureOffset(int32_t keySignature, int* offset) {
  if (keySignature < 1297 || keySignature > 1332) return false;
  const int value = kOffsets[keySignature - 1297];
  if (value == kNone) return false;
  *offset = value;
  return true;
}

}  // namespace velmira
