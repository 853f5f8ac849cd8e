#include "score/score.h"

#include "engine/key_signature.h"

namespace velmira {

namespace {
constexpr int kScale[7] = {0, 2, 4, 5, 7, 9, 11};
// The caps' labels by semitone: degree and accidental.
constexpr Pitch kLabels[12] = {{1, 0, 0},  {2, -1, 0}, {2, 0, 0},  {3, -1, 0},
                               {3, 0, 0},  {4, 0, 0},  {5, -1, 0}, {5, 0, 0},
                               {6, -1, 0}, {6, 0, 0},  {7, -1, 0}, {7, 0, 0}};
constexpr const char* kMajorNames[kMajorKeyCount] = {"C",  "#C", "D",  "bE", "E",  "F",
                                                     "#F", "G",  "bA", "A",  "bB", "B"};
}  // namespace

int Pitch::Semitones() const { return kScale[(degree - 1) % 7] + accidental + 12 * octave; }

Pitch PitchOfSemitones(int semitones) {
  const int octave = semitones >= 0 ? semitones / 12 : -((11 - semitones) / 12);
  Pitch pitch = kLabels[semitones - 12 * octave];
  pitch.octave = static_cast<int8_t>(octave);
  return pitch;
}

const char* MajorKeyName(int majorKey) { return kMajorNames[((majorKey % 12) + 12) % 12]; }

int KeySignatureOfMajorKey(int majorKey) {
  for (int i = 0; i < 12; ++i) {  // the twelve major keys come first
    int offset;
    if (KeySignatureOffset(kKeySignatureIds[i], &offset) && ((offset % 12) + 12) % 12 == majorKey) {
      return kKeySignatureIds[i];
    }
  }
  return kKeySignatureIds[0];
}

int MajorKeyOfKeySignature(int keySignature) {
  int offset = 0;
  KeySignatureOffset(keySignature, &offset);
  return ((offset % 12) + 12) % 12;
}

}  // namespace velmira
