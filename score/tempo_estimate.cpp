#include "score/tempo_estimate.h"

#include <algorithm>
#include <cmath>

namespace velmira {

namespace {

struct Fit {
  double sixteenth = 0;  // ms
  double origin = 0;     // ms of grid point 0
  double cost = 1e9;
};

// Fits a sixteenth grid to the onsets, starting from a guess of the beat (a quarter). Each
// onset is placed a whole number of sixteenths after the one before (at least one), so that a
// guess a little off does not slip by a sixteenth over a long piece; a line through the places
// then gives the grid. The cost weighs the timing error (about 15 ms on a grid that fits human
// playing), the onsets off the beat (a sixteenth off counts more than an eighth) and the
// distance from a usual tempo: the grid that explains the playing most simply wins.
Fit FitGrid(const std::vector<double>& onsets, double quarter) {
  Fit fit;
  fit.sixteenth = quarter / 4;
  fit.origin = onsets.front();
  std::vector<double> index(onsets.size(), 0);
  for (int round = 0; round < 4; ++round) {
    double sn = 0, st = 0, snn = 0, snt = 0;
    for (size_t i = 0; i < onsets.size(); ++i) {
      if (i > 0) {
        index[i] =
            index[i - 1] + std::max(1.0, std::round((onsets[i] - onsets[i - 1]) / fit.sixteenth));
      }
      sn += index[i];
      st += onsets[i];
      snn += index[i] * index[i];
      snt += index[i] * onsets[i];
    }
    const double n = static_cast<double>(onsets.size());
    const double denominator = n * snn - sn * sn;
    if (denominator <= 0) break;
    const double slope = (n * snt - sn * st) / denominator;
    if (slope <= 0) break;
    fit.sixteenth = slope;
    fit.origin = (st - slope * sn) / n;
  }
  double errorMs = 0, offSixteenths = 0, offEighths = 0;
  for (size_t i = 0; i < onsets.size(); ++i) {
    errorMs += std::fabs(onsets[i] - (fit.origin + index[i] * fit.sixteenth));
    const long n = std::lround(index[i]);
    if (n % 2 != 0) {
      offSixteenths += 1;
    } else if (n % 4 != 0) {
      offEighths += 1;
    }
  }
  const double count = static_cast<double>(onsets.size());
  const double bpm = 60000.0 / (4 * fit.sixteenth);
  fit.cost = errorMs / count / 20 + (offSixteenths + 0.4 * offEighths) / count +
             0.5 * std::fabs(std::log2(bpm / 100));
  return fit;
}

}  // namespace

Tempo EstimateTempo(const std::vector<PlayedNote>& notes, uint8_t numerator, uint8_t denominator) {
  Tempo tempo;
  tempo.numerator = numerator;
  tempo.denominator = denominator;
  tempo.microsPerQuarter = MicrosPerQuarter(90);
  if (notes.empty()) return tempo;
  tempo.downbeatMs = notes.front().onMs;
  // The onsets of strokes, chords counted once.
  std::vector<double> onsets;
  for (const PlayedNote& note : notes) {
    if (onsets.empty() || note.onMs - onsets.back() > 40) onsets.push_back(note.onMs);
  }
  if (onsets.size() < 3) return tempo;
  std::vector<double> gaps;
  for (size_t i = 1; i < onsets.size(); ++i) gaps.push_back(onsets[i] - onsets[i - 1]);
  std::nth_element(gaps.begin(), gaps.begin() + gaps.size() / 2, gaps.end());
  const double typical = gaps[gaps.size() / 2];
  Fit best;
  for (double factor : {1.0, 2.0, 0.5, 1.5, 4.0, 0.75, 3.0}) {
    const double quarter = typical * factor;
    if (quarter < 60000.0 / kFastestBpm || quarter > 60000.0 / kSlowestBpm) continue;
    const Fit fit = FitGrid(onsets, quarter);
    if (fit.cost < best.cost) best = fit;
  }
  if (best.sixteenth <= 0) return tempo;
  // The fitted beat itself, not a rounded number of beats a minute: over a long piece a rounded
  // tempo would drift from the playing.
  tempo.microsPerQuarter = static_cast<uint32_t>(std::clamp(
      std::lround(4 * best.sixteenth * 1000), static_cast<long>(MicrosPerQuarter(kFastestBpm)),
      static_cast<long>(MicrosPerQuarter(kSlowestBpm))));
  // The bar line on the first onset's grid point.
  const double first =
      best.origin + std::round((onsets.front() - best.origin) / best.sixteenth) * best.sixteenth;
  tempo.downbeatMs = static_cast<uint32_t>(std::max(0.0, std::round(first)));
  return tempo;
}

}  // namespace velmira
