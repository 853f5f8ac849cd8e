// The sound's options on the command line: what FluidSynth cannot take is refused there.
#include "qt/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmira {
namespace {

std::string Error(std::vector<std::string> words) { return ParseOptions(words).error; }

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

TEST(Options, LeavesQtItsOwnOptionsAndTakesTheRestInOrder) {
  const ProgramOptions options =
      ParseOptions({"-platform", "offscreen", "--learn", "song.txt", "my", "take.qji"});
  EXPECT_EQ(options.error, "");
  EXPECT_EQ(options.learn, "song.txt");
  EXPECT_EQ(options.file, "my take.qji");
  EXPECT_EQ(Error({"--learn"}), "--learn needs a value");
  EXPECT_EQ(Error({"--bogus"}), "unknown option --bogus");
}

}  // namespace
}  // namespace velmira
