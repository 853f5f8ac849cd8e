// The 24 key signatures, identified by their command numbers 1297..1332.
#pragma once

#include <cstdint>

namespace velmira {

constexpr int kKeySignatureCount = 24;
extern const int kKeySignatureIds[kKeySignatureCount];  // in menu order

// Semitone offset of a key signature; false (offset untouched) for any id that is not one of
// the 24, including the unused ids in the gaps.
bool KeySignatureOffset(int32_t keySignature, int* offset);

inline bool IsKeySignature(int32_t id) {
  int unused;
  return KeySignatureOffset(id, &unused);
}

}  // namespace velmira
