#include "record/tempo.h"

namespace velmira {

namespace {
bool Compound(const Tempo& t) { return t.denominator == 8 && t.numerator % 3 == 0; }
}  // namespace

int TempoBpm(const Tempo& tempo) {
  if (!tempo.known()) return 0;
  return static_cast<int>((60000000u + tempo.microsPerQuarter / 2) / tempo.microsPerQuarter);
}

bool TempoIsValid(const Tempo& t) {
  return t.microsPerQuarter >= 200000 && t.microsPerQuarter <= 2000000 && t.numerator >= 1 &&
         t.numerator <= 12 && (t.denominator == 2 || t.denominator == 4 || t.denominator == 8);
}

double BeatQuarters(const Tempo& t) {
  if (Compound(t)) return 1.5;
  return 4.0 / t.denominator;
}

int BeatsPerBar(const Tempo& t) { return Compound(t) ? t.numerator / 3 : t.numerator; }

double QuarterMs(const Tempo& t) { return t.microsPerQuarter / 1000.0; }

double BarMs(const Tempo& t) { return QuarterMs(t) * 4.0 * t.numerator / t.denominator; }

uint32_t FirstKeyDownMs(const PerformanceEvent* events, uint32_t count) {
  uint32_t at = 0;
  for (uint32_t i = 0; i < count; ++i) {
    at += events[i].deltaMs;
    if (events[i].message == 256) return at;
  }
  return 0;
}

}  // namespace velmira
