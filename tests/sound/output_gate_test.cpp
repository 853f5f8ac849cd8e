// The fade-out at switch-off and the silence after which the audio output rests.
#include "qt/output_gate.h"

#include <gtest/gtest.h>

#include <vector>

namespace velmira {
namespace {

constexpr int kRate = 1000;  // a frame a millisecond

// Frames of a constant level through the gate, interleaved as the PulseAudio stream has them.
std::vector<float> Pass(OutputGate& gate, float level, int frames) {
  std::vector<float> both(2 * frames, level);
  gate.Pass(both.data(), both.data() + 1, 2, frames);
  std::vector<float> left;
  for (int i = 0; i < frames; ++i) left.push_back(both[2 * i]);
  return left;
}

TEST(OutputGate, FadesOutInAStraightLineThenStaysSilent) {
  OutputGate gate;
  gate.Reset(kRate);
  EXPECT_EQ(Pass(gate, 0.5f, 10), std::vector<float>(10, 0.5f));
  gate.StartFade();
  std::vector<float> out;
  for (int block = 0; block < 20; ++block) {  // in blocks of 10, as an output asks
    const std::vector<float> part = Pass(gate, 0.5f, 10);
    out.insert(out.end(), part.begin(), part.end());
    EXPECT_EQ(gate.faded(), (block + 1) * 10 >= OutputGate::kFadeMs) << block;
  }
  EXPECT_FLOAT_EQ(out[0], 0.5f);
  for (size_t i = 1; i < out.size(); ++i) {
    EXPECT_NEAR(out[i - 1] - out[i], i <= OutputGate::kFadeMs ? 0.5f / OutputGate::kFadeMs : 0.0f,
                1e-6f)
        << i;
  }
  EXPECT_EQ(out.back(), 0.0f);
}

TEST(OutputGate, RestsOnlyAfterTheWholeSilence) {
  OutputGate gate;
  gate.Reset(kRate);
  constexpr int kRest = OutputGate::kRestAfterMs;
  Pass(gate, 0.2f, 100);
  Pass(gate, OutputGate::kSilence / 2, kRest - 1);  // a reverb's tail, below the step of 16 bits
  EXPECT_FALSE(gate.silentLongEnough());
  Pass(gate, 0.0f, 1);
  EXPECT_TRUE(gate.silentLongEnough());
  Pass(gate, OutputGate::kSilence * 2, 1);  // anything louder starts the silence again
  Pass(gate, 0.0f, kRest - 1);
  EXPECT_FALSE(gate.silentLongEnough());
  Pass(gate, 0.0f, 1);
  EXPECT_TRUE(gate.silentLongEnough());
  gate.RestartSilence();  // a note-on that has not sounded yet
  EXPECT_FALSE(gate.silentLongEnough());
}

}  // namespace
}  // namespace velmira
