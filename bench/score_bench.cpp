// Laying out a score of 10,000 notes (and of 20,000, to show the memory grows with the notes),
// laying out one more bar at the end of it as the live window does while recording, and writing
// its SVG.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/allocations.h"
#include "view/score_layout.h"
#include "view/score_svg.h"

namespace velmira {
namespace {

// Four bars that hold what a transcription makes: quarters, eighths and sixteenths in groups,
// dotted notes, dashes, rests, chords, accidentals, octave dots and a tie across a bar line.
// Fifteen notes and chords in the four bars, repeated until the score has `notes` of them.
Score LongScore(int notes) {
  const Pitch c{1, 0, 0}, e{3, 0, 0}, g{5, 0, 0}, highD{2, 0, 1}, lowA{6, 0, -1}, flatB{7, -1, 0};
  struct Token {
    int length;
    std::vector<Pitch> pitches;
    bool tied;
  };
  // clang-format off
  const std::vector<std::vector<Token>> pattern = {
      {{4, {c}, false}, {2, {e}, false}, {2, {g}, false}, {1, {highD}, false}, {1, {c}, false},
       {1, {lowA}, false}, {1, {g}, false}, {4, {}, false}},
      {{6, {flatB}, false}, {2, {e}, false}, {4, {c, e, g}, false}, {4, {g}, true}},
      {{8, {g}, false}, {3, {e}, false}, {1, {c}, false}, {4, {lowA}, false}},
      {{16, {c}, false}},
  };
  // clang-format on
  Score score;
  score.title = "\xE9\x95\xBF\xE6\x9B\xB2";  // 长曲
  int made = 0;
  for (size_t bar = 0; made < notes; ++bar) {
    ScoreBar b;
    int start = 0;
    for (const Token& t : pattern[bar % pattern.size()]) {
      if (!t.pitches.empty() && made == notes) break;
      ScoreItem item;
      item.pitches = t.pitches;
      item.start = start;
      item.length = t.length;
      item.tiedToNext = t.tied;
      b.items.push_back(item);
      start += t.length;
      if (!t.pitches.empty()) ++made;
    }
    b.length = start;
    score.bars.push_back(b);
  }
  score.bars.back().items.back().tiedToNext = false;
  return score;
}

ScoreLayoutOptions Options() {
  ScoreLayoutOptions options;
  options.width = 900;
  return options;
}

void BM_LayoutScore(benchmark::State& state) {
  const Score score = LongScore(static_cast<int>(state.range(0)));
  const ScoreLayoutOptions options = Options();
  const AllocationCounter allocations;
  size_t bytes = 0;
  for (auto _ : state) {
    const ScoreLayout layout = LayoutScore(score, options);
    bytes = layout.primitives.capacity() * sizeof(ScorePrimitive) +
            layout.barBottoms.capacity() * sizeof(float) +
            layout.lines.capacity() * sizeof(ScoreLine);
    benchmark::DoNotOptimize(layout.primitives.data());
  }
  allocations.Report(state);
  state.SetLabel(std::to_string(bytes / state.range(0)) + " bytes a note");
}
BENCHMARK(BM_LayoutScore)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);

// The last bar of a long score changed (or was added): only its line is laid out again.
void BM_LayoutOneMoreBar(benchmark::State& state) {
  const Score score = LongScore(10000);
  const ScoreLayoutOptions options = Options();
  ScoreLayout layout = LayoutScore(score, options);
  const int last = static_cast<int>(score.bars.size()) - 1;
  const AllocationCounter allocations;
  for (auto _ : state) {
    RelayoutScoreFrom(layout, score, options, last);
    benchmark::DoNotOptimize(layout.primitives.data());
  }
  allocations.Report(state);
}
BENCHMARK(BM_LayoutOneMoreBar)->Unit(benchmark::kMicrosecond);

void BM_ScoreSvg(benchmark::State& state) {
  const ScoreLayout layout = LayoutScore(LongScore(10000), Options());
  const AllocationCounter allocations;
  size_t bytes = 0;
  for (auto _ : state) {
    const std::string svg = ScoreSvg(layout);
    bytes = svg.size();
    benchmark::DoNotOptimize(svg.data());
  }
  allocations.Report(state);
  state.SetLabel(std::to_string(bytes / 1024) + " KiB");
}
BENCHMARK(BM_ScoreSvg)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmira
