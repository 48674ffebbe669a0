// Host identification from the host's product text.
#include <string>

#include <gtest/gtest.h>

#include "core/HostId.h"

TEST(HostId, MatchesKeysIgnoringCaseInTheListOrder)
{
  const struct
  {
    const char* text;
    int id;
  } cases[] = {
    {"Steinberg Cubase Pro", plug::kHostCubase},
    {"WaveLab Elements 11", plug::kHostWaveLabElements},
    {"WaveLab Pro", plug::kHostWaveLab},
    {"REAPER", plug::kHostReaper},
    {"reaper with cubase inside", plug::kHostReaper},
    {"Deliverance", plug::kHostAbletonLive}, // "live" inside a longer word
    {"cubase live", plug::kHostCubase},
    {"Carla", plug::kHostUnknown},
    {"", plug::kHostUnknown},
    {"My Standalone www", plug::kHostStandalone},
    {"www.example", plug::kHostWWW},
    {"Bitwig Studio", plug::kHostBitwig},
    {"Mixbus32C", plug::kHostMixbus32C},
  };
  for (const auto& c : cases)
    EXPECT_EQ(plug::LookUpHost(c.text), c.id) << c.text;
  EXPECT_EQ(plug::LookUpHost(nullptr), plug::kHostUnknown);
}

TEST(HostId, OnlyTheFirst255CharactersCount)
{
  const std::string text = std::string(255, 'x') + "reaper";
  EXPECT_EQ(plug::LookUpHost(text.c_str()), plug::kHostUnknown);
  const std::string shorter = std::string(249, 'x') + "reaper";
  EXPECT_EQ(plug::LookUpHost(shorter.c_str()), plug::kHostReaper);
}
