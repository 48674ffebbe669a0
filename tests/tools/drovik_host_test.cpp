// The built Drovik bundle driven through the test host, as a real host would drive it: its description, audio
// through both precisions, bypass, latency of the oversampling settings, and its state through chunk, program and
// bank files between separate host processes.
#include "host/audio_file.h"
#include "run_host.h"

#include <gtest/gtest.h>

using namespace hosttest;

namespace {

struct ParamRow
{
  const char* name;
  const char* label;
  const char* display;
  const char* value;
};

// Every parameter with its default as the host sees it.
const ParamRow kParams[] = {
    {"GUI Scale", "", "1.00", "0.200000"},
    {"Toggle Tooltips", "", "On", "1.000000"},
    {"OS Off/2x/4x", "", "off", "0.000000"},
    {"ByPass Off/On", "", "off", "0.000000"},
    {"Clip Off/On", "", "off", "0.000000"},
    {"Clip Ceiling", "", "-0.1", "0.998333"},
    {"Meter Display Mode", "", "Out", "1.000000"},
    {"Meter Mode", "", "VU", "1.000000"},
    {"VU Reference", "dBFS", "-18", "0.500000"},
    {"EBU SL Reference", "dBFS", "-23", "0.361111"},
    {"EBU ML Reference", "dBFS", "-23", "0.361111"},
    {"RMS Reference", "dBFS", "-18", "0.500000"},
    {"PEAK Reference", "dBFS", "0", "1.000000"},
    {"Monitor Mode 0", "", "Stereo", "0.000000"},
    {"Monitor Mode 1", "", "Normal", "0.000000"},
    {"Saturation Off/On", "", "off", "0.000000"},
    {"Saturation Stereo Placement", "", "Stereo", "0.000000"},
    {"Saturation Mode", "", "clean", "0.000000"},
    {"Saturation Stages", "", "1", "0.000000"},
    {"Saturation Even Harmonics", "%", "0", "0.000000"},
    {"Saturation Odd Harmonics", "%", "0", "0.000000"},
    {"Saturation Fluctuation", "%", "0", "0.000000"},
    {"Hide Knob Overlay Text", "", "off", "0.000000"},
    {"Input Trim", "dB", "0.0", "0.500000"},
    {"Output Trim", "dB", "0.0", "0.500000"},
};

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

std::string ParamLine(int i, const ParamRow& row)
{
  return "param[" + std::to_string(i) + "] name=\"" + row.name + "\" label=\"" + row.label + "\" display=\"" +
         row.display + "\" value=" + row.value;
}

} // namespace

TEST(DrovikThroughTheHost, InfoShowsTheRecordNamesParametersProgramAndCanDos)
{
  const HostRun r = RunHost({"info", DrovikBundle()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Field(r.out, "magic"), "VstP");
  EXPECT_EQ(Field(r.out, "unique id"), "'VQ70' 0x56513730");
  EXPECT_EQ(Field(r.out, "version"), "1010");
  EXPECT_EQ(Field(r.out, "effect name"), "\"Drovik\"");
  EXPECT_EQ(Field(r.out, "vendor"), "\"Vesquin\"");
  EXPECT_EQ(Field(r.out, "product"), "\"Drovik\"");
  EXPECT_EQ(Field(r.out, "inputs"), "2");
  EXPECT_EQ(Field(r.out, "outputs"), "2");
  EXPECT_EQ(Field(r.out, "flags"), "0x1039 (editor mono replacing chunks double)");
  EXPECT_EQ(Field(r.out, "initial delay"), "0");
  EXPECT_EQ(Field(r.out, "programs"), "1");
  EXPECT_EQ(Line(r.out, "program[0]"), "program[0] \"Init\"");
  ASSERT_EQ(Field(r.out, "parameters"), "25");
  for (int i = 0; i < 25; ++i) EXPECT_EQ(Line(r.out, "param[" + std::to_string(i) + "]"), ParamLine(i, kParams[i]));
  EXPECT_EQ(Line(r.out, "input[0]"), "input[0] label=\"Input 1\" flags=0x3");
  EXPECT_EQ(Line(r.out, "output[1]"), "output[1] label=\"Output 2\" flags=0x1");
  const std::pair<const char*, const char*> canDo[] = {
      {"receiveVstTimeInfo", "1"}, {"receiveVstEvents", "0"}, {"sendVstMidiEvent", "0"},
      {"bypass", "1"}, {"hasCockosExtensions", "0xbeef0000"}, {"wantsChannelCountNotifications", "1"},
      {"supportsGainReductionInfo", "1"}, {"offline", "0"}};
  for (const auto& c : canDo) EXPECT_EQ(Field(r.out, std::string("can do ") + c.first), c.second) << c.first;
}

TEST(DrovikThroughTheHost, DefaultsAndBypassPassTheSignalBitForBitInBothPrecisions)
{
  const std::string dir = TempDir();
  const std::string in = Signal(dir);
  const host::Audio x = ReadWav(in);
  const std::vector<std::vector<std::string>> runs = {
      {"--block", "512"}, {"--block", "100", "--double"}, {"--param", "3=1"}, {"--param", "3=1", "--double"}};
  for (const auto& extra : runs) {
    std::vector<std::string> args = {"process", DrovikBundle(), in, dir + "/out.wav"};
    args.insert(args.end(), extra.begin(), extra.end());
    const HostRun r = RunHost(args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Field(r.out, "latency"), "0 samples");
    const host::Audio y = ReadWav(dir + "/out.wav");
    ASSERT_EQ(y.channels.size(), 2u);
    EXPECT_EQ(y.channels, x.channels) << extra.back();
  }
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
