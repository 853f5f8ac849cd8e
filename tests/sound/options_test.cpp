// The sound's options on the command line: what FluidSynth cannot take is refused there.
#include "qt/options.h"

#include <gtest/gtest.h>

namespace velmira {
namespace {

std::string Error(std::initializer_list<const char*> words) {
  QStringList arguments;
  for (const char* word : words) arguments << word;
  return ParseOptions(arguments).error;
}

TEST(Options, RefusesBufferingAndRatesFluidSynthCannotTake) {
  EXPECT_EQ(Error({"--period-size", "64", "--periods", "64", "--sample-rate", "96000"}), "");
  EXPECT_NE(Error({"--period-size", "63"}), "");
  EXPECT_NE(Error({"--sample-rate", "96001"}), "");
  EXPECT_NE(Error({"--periods", "1"}), "");
  EXPECT_NE(Error({"--audio-driver", "oss"}), "");
  EXPECT_EQ(Error({"--audio-driver", "jack", "--no-rest"}), "");
  const ProgramOptions options = ParseOptions({"--no-rest", "--period-size", "256"});
  EXPECT_FALSE(options.audio.rest);
  EXPECT_EQ(options.audio.periodSize, 256);
}

}  // namespace
}  // namespace velmira
