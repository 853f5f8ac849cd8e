// The simulated MIDI service that the end-to-end tests read back.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "engine/sim_midi_output.h"

namespace velmira {
namespace {

std::map<std::string, const char*> g_env;
const char* Lookup(const char* name) {
  auto it = g_env.find(name);
  return it == g_env.end() ? nullptr : it->second;
}

struct FixedClock : Clock {
  uint32_t now = 1234;
  uint32_t NowMs() override { return now; }
};

TEST(SimConfig, DefaultsAndParsing) {
  g_env.clear();
  SimConfig config = ReadSimConfig(&Lookup);
  EXPECT_EQ(config.devices, 1u);
  EXPECT_TRUE(config.mapper);
  EXPECT_TRUE(config.failOpen.empty());

  g_env = {{"VELMIRA_SIM_DEVICES", "3"},
           {"VELMIRA_SIM_MAPPER", "0"},
           {"VELMIRA_SIM_FAIL_OPEN", "-1, 2,x,7"}};
  config = ReadSimConfig(&Lookup);
  EXPECT_EQ(config.devices, 3u);
  EXPECT_FALSE(config.mapper);
  EXPECT_EQ(config.failOpen, (std::set<int>{-1, 2, 7}));

  g_env = {{"VELMIRA_SIM_DEVICES", "lots"}};
  EXPECT_EQ(ReadSimConfig(&Lookup).devices, 1u);
  g_env = {{"VELMIRA_SIM_DEVICES", "0"}};
  EXPECT_EQ(ReadSimConfig(&Lookup).devices, 0u);
}

TEST(SimMidiOutput, NamesOpensAndLogsEveryCall) {
  const std::string path = ::testing::TempDir() + "sim_log.txt";
  std::remove(path.c_str());
  FixedClock clock;
  SimConfig config;
  config.devices = 2;
  config.failOpen = {1};
  config.logPath = path;
  {
    SimMidiOutput sim(config, clock);
    std::string name;
    ASSERT_TRUE(sim.DeviceName(-1, &name));
    EXPECT_EQ(name, "Simulated Mapper");
    ASSERT_TRUE(sim.DeviceName(1, &name));
    EXPECT_EQ(name, "Simulated Synth 1");
    EXPECT_FALSE(sim.DeviceName(2, &name));
    MidiOutHandle handle = 0;
    EXPECT_FALSE(sim.Open(1, &handle));
    EXPECT_FALSE(sim.Open(5, &handle));
    EXPECT_TRUE(sim.Open(0, &handle));
    clock.now = 99;
    sim.ShortMessage(handle, 0x007F3C90);
    sim.Close(handle);
  }
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(),
            "1234 open 1 fail\n1234 open 5 fail\n1234 open 0 ok\n99 short 007F3C90\n99 close\n");
}

}  // namespace
}  // namespace velmira
