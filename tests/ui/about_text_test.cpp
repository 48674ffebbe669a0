// The about text: its lines for a known host and setting, unknown hosts, and a host without a sample rate.
#include <gtest/gtest.h>

#include <limits>

#include "ui/AboutText.h"

namespace {

AboutValues LiveAt48k()
{
  AboutValues v;
  v.apiName = "VST2", v.architectureName = "x64", v.hostId = 9;
  v.connectedInputs = v.connectedOutputs = v.totalInputs = v.totalOutputs = 2;
  v.latency = 64, v.sampleRate = 48000, v.blockSize = 512;
  return v;
}

TEST(AboutText, LinesForAKnownHostAndSetting)
{
  std::string text = BuildAboutText(LiveAt48k());
  EXPECT_EQ(text.rfind("Manufacturer: Vesquin\nPlugin name: Drovik\nVersion: 1.0.1\nBuild date: ", 0), 0u);
  for (const char* line :
       {"\n\nFormat: VST2 x64 (INTEL, METAL)\nHost: live\nChannels: 2-2 (2-2)\nPlugin delay: 64 smp (1.3 ms)\n"
        "Sample Rate: 48000.00 Hz\nBlock Size: 512 smp\nTrademarks:\nVST/VST3: Steinberg Media Technologies GmbH\n"
        "AAX: Avid Technology Inc.\nAU: Apple Inc.\n"})
    EXPECT_NE(text.find(line), std::string::npos) << text;
}

TEST(AboutText, ChannelsShowConnectedInputsAndOutputsThenTheTotals)
{
  AboutValues v = LiveAt48k();
  v.connectedInputs = 1, v.connectedOutputs = 2, v.totalInputs = 3, v.totalOutputs = 4;
  EXPECT_NE(BuildAboutText(v).find("\nChannels: 1-2 (3-4)\n"), std::string::npos) << BuildAboutText(v);
}

TEST(AboutText, HostNamesAndUnknownHosts)
{
  EXPECT_STREQ(HostDisplayName(1), "reaper");
  EXPECT_STREQ(HostDisplayName(44), "blue cat's vst host");
  EXPECT_STREQ(HostDisplayName(50), "Mixbus32C");
  for (int id : {-1, 0, 51}) EXPECT_STREQ(HostDisplayName(id), "Unknown") << id;
}

TEST(AboutText, NoSampleRateShowsNoDivisionByZero)
{
  AboutValues v = LiveAt48k();
  v.sampleRate = 0;
  std::string text = BuildAboutText(v);
  EXPECT_NE(text.find("Plugin delay: 64 smp (-- ms)\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("inf"), std::string::npos);
  EXPECT_EQ(text.find("nan"), std::string::npos);
  v.sampleRate = std::numeric_limits<double>::infinity();
  EXPECT_NE(BuildAboutText(v).find("Plugin delay: 64 smp (-- ms)\n"), std::string::npos);
  // With nothing known yet, every figure reads as none.
  text = BuildAboutText(AboutValues{});
  EXPECT_NE(text.find("\nHost: Unknown\nChannels: 0-0 (0-0)\nPlugin delay: 0 smp (-- ms)\nSample Rate: 0.00 Hz\n"
                      "Block Size: 0 smp\n"),
            std::string::npos)
      << text;
}

} // namespace
