// The built Drovik bundle driven through the test host's command line: the latency each oversampling setting
// reports, and its state through chunk, program and bank files between separate host processes.
#include "host/audio_file.h"
#include "run_host.h"

#include <gtest/gtest.h>

using namespace hosttest;

namespace {

host::Audio ReadWav(const std::string& path)
{
  host::Audio a;
  std::string error;
  EXPECT_TRUE(host::ReadAudio(path, a, error)) << error;
  return a;
}

std::string Signal(const std::string& dir)
{
  const std::string path = dir + "/in.wav";
  EXPECT_EQ(RunHost({"generate", path, "--rate", "48000", "--seconds", "0.5"}).status, 0);
  return path;
}

} // namespace

TEST(DrovikThroughTheHost, OversamplingReportsItsLatencyAndSaturationChangesTheSignal)
{
  const std::string dir = TempDir();
  const std::string in = Signal(dir);
  const HostRun plain = RunHost({"process", DrovikBundle(), in, dir + "/plain.wav"});
  const HostRun twice = RunHost({"process", DrovikBundle(), in, dir + "/os2.wav", "--param", "2=0.5"});
  const HostRun four = RunHost({"process", DrovikBundle(), in, dir + "/os4.wav", "--param", "2=1"});
  const HostRun crazy = RunHost({"process", DrovikBundle(), in, dir + "/crazy.wav", "--param", "15=1", "--param",
                                 "17=0.6666667", "--param", "18=0.5", "--param", "19=0.824", "--param", "20=0.683"});
  for (const HostRun* r : {&plain, &twice, &four, &crazy}) ASSERT_EQ(r->status, 0) << r->err;
  EXPECT_EQ(Field(plain.out, "latency"), "0 samples");
  EXPECT_NE(Field(twice.out, "latency"), "0 samples");
  EXPECT_NE(Field(four.out, "latency"), "0 samples");
  EXPECT_NE(Field(twice.out, "latency"), Field(four.out, "latency"));
  EXPECT_NE(ReadWav(dir + "/crazy.wav").channels, ReadWav(in).channels);
}

TEST(DrovikThroughTheHost, StateTravelsBetweenHostProcessesAsChunkProgramAndBankFiles)
{
  const std::string dir = TempDir();
  const std::string in = Signal(dir);
  const std::vector<std::string> settings = {"--param", "15=1", "--param", "19=0.25", "--param", "24=0.75"};
  auto with = [&](std::vector<std::string> args) {
    args.insert(args.end(), settings.begin(), settings.end());
    return args;
  };
  ASSERT_EQ(RunHost(with({"process", DrovikBundle(), in, dir + "/o.wav", "--save-chunk", dir + "/c.bin"})).status, 0);
  ASSERT_EQ(RunHost(with({"save-program", DrovikBundle(), dir + "/p.fxp"})).status, 0);
  ASSERT_EQ(RunHost(with({"save-bank", DrovikBundle(), dir + "/b.fxb"})).status, 0);
  const auto chunk = ReadBytes(dir + "/c.bin");
  ASSERT_GE(chunk.size(), 8u);
  EXPECT_EQ(std::vector<uint8_t>(chunk.begin(), chunk.begin() + 8), (std::vector<uint8_t>{0x74, 0x66, 0x66, 0x70, 0, 0, 1, 0}));
  const auto program = ReadBytes(dir + "/p.fxp");
  const auto bank = ReadBytes(dir + "/b.fxb");
  EXPECT_EQ(std::string(program.begin() + 8, program.begin() + 12), "FPCh");
  EXPECT_EQ(std::string(bank.begin() + 8, bank.begin() + 12), "FBCh");
  const std::vector<std::vector<std::string>> loads = {{"info", DrovikBundle(), "--chunk", dir + "/c.bin"},
                                                       {"load-program", DrovikBundle(), dir + "/p.fxp"},
                                                       {"load-bank", DrovikBundle(), dir + "/b.fxb"}};
  for (const auto& args : loads) {
    const HostRun r = RunHost(args);
    ASSERT_EQ(r.status, 0) << args[2] << r.err;
    EXPECT_EQ(Line(r.out, "param[15]"), "param[15] name=\"Saturation Off/On\" label=\"\" display=\"on\" value=1.000000");
    EXPECT_EQ(Line(r.out, "param[19]"), "param[19] name=\"Saturation Even Harmonics\" label=\"%\" display=\"25\" value=0.250000");
    EXPECT_EQ(Line(r.out, "param[24]"), "param[24] name=\"Output Trim\" label=\"dB\" display=\"12.0\" value=0.750000");
  }
}
