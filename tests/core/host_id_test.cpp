// Host identification from the host's product text.
#include <set>
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
  const std::string text = std::string(250, 'x') + "reaper";
  EXPECT_EQ(plug::LookUpHost(text.c_str()), plug::kHostUnknown);
  const std::string shorter = std::string(249, 'x') + "reaper";
  EXPECT_EQ(plug::LookUpHost(shorter.c_str()), plug::kHostReaper);
}

// Every known host is told apart from every other: their product texts give the ids 1 to 50, each once.
TEST(HostId, EachKnownHostHasItsOwnId)
{
  const char* const products[] = {
    "REAPER", "ProTools", "Cubase", "Nuendo", "Cakewalk by BandLab", "Vegas Pro", "Fruity Wrapper", "Samplitude",
    "Live", "Tracktion", "nTracks", "Melodyne", "vstmanlib", "AULab", "Forte", "Chainer", "Adobe Audition",
    "Orion", "BIAS Peak", "SAWStudio", "Logic Pro", "GarageBand", "Digital Performer", "AudioMulch",
    "PreSonus Studio One", "VST3PluginTestHost", "Ardour", "Renoise", "OpenMPT", "WaveLab Pro",
    "WaveLab Elements", "TwistedWave", "Bitwig Studio", "www host", "Reason", "GWVST", "Waveform", "Audacity",
    "Acoustica", "PluginDoctor", "iZotope RX", "SAVIHost", "Blue Cat's VST Host", "SADiE", "SpectraLayers",
    "VSTHost", "VST Plugin Analyser", "Wavosaur", "Mixbus32C", "Standalone",
  };
  std::set<int> ids;
  for (const char* product : products)
  {
    const int id = plug::LookUpHost(product);
    EXPECT_TRUE(id >= 1 && id <= 50) << product << " " << id;
    EXPECT_TRUE(ids.insert(id).second) << product << " shares the id " << id;
  }
  EXPECT_EQ(ids.size(), 50u);
}
