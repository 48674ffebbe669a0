// The built Drovik bundle driven through the test host's command line: the latency each oversampling setting
// reports and the output aligned by it, and its state through chunk, program and bank files between separate host processes.
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

/// The delay (0..maxLag frames) at which `y` matches `x` best, by correlation.
size_t BestLag(const std::vector<double>& x, const std::vector<double>& y, size_t maxLag)
{
  size_t best = 0;
  double bestSum = -1e300;
  for (size_t lag = 0; lag <= maxLag; ++lag) {
    double sum = 0;
    for (size_t f = lag; f < y.size() && f - lag < x.size(); ++f) sum += x[f - lag] * y[f];
    if (sum > bestSum) bestSum = sum, best = lag;
  }
  return best;
}

} // namespace

TEST(DrovikThroughTheHost, LatencyIsPrintedAsSetAndTheOutputLinesUpWithTheInputUnlessRaw)
{
  const std::string dir = TempDir();
  const std::string in = Signal(dir);
  const HostRun info = RunHost({"info", DrovikBundle(), "--param", "2=1"});
  const HostRun aligned = RunHost({"process", DrovikBundle(), in, dir + "/aligned.wav", "--param", "2=1"});
  const HostRun raw = RunHost({"process", DrovikBundle(), in, dir + "/raw.wav", "--param", "2=1", "--raw"});
  for (const HostRun* r : {&info, &aligned, &raw}) ASSERT_EQ(r->status, 0) << r->err;
  const std::string latency = Field(info.out, "initial delay");
  ASSERT_NE(latency, "0");
  EXPECT_EQ(Field(aligned.out, "latency"), latency + " samples");
  EXPECT_EQ(Field(raw.out, "latency"), latency + " samples");
  const host::Audio x = ReadWav(in), a = ReadWav(dir + "/aligned.wav"), r = ReadWav(dir + "/raw.wav");
  ASSERT_EQ(a.Frames(), x.Frames());
  ASSERT_EQ(r.Frames(), x.Frames());
  EXPECT_EQ(BestLag(x.channels[0], a.channels[0], 1000), 0u);
  EXPECT_EQ(BestLag(x.channels[0], r.channels[0], 1000), static_cast<size_t>(std::stoi(latency)));
}

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
