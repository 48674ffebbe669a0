// The host's info and process commands, run as a child process against the fixture plug-in.
#include "host/audio_file.h"
#include "run_host.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sys/stat.h>
#include <unistd.h>

using namespace hosttest;

namespace {

host::Audio ReadWav(const std::string& path)
{
  host::Audio a;
  std::string error;
  EXPECT_TRUE(host::ReadAudio(path, a, error)) << error;
  return a;
}

std::string WriteSignal(const std::string& dir, double rate = 48000, double seconds = 0.5)
{
  const std::string path = dir + "/in.wav";
  const HostRun r = RunHost({"generate", path, "--rate", std::to_string(rate), "--seconds", std::to_string(seconds)});
  EXPECT_EQ(r.status, 0) << r.err;
  return path;
}

} // namespace

TEST(InfoCommand, LoadsTheModuleInsideABundleFolder)
{
  const std::string bundle = TempDir() + "/Fixture.vst";
  ASSERT_EQ(mkdir(bundle.c_str(), 0755), 0);
  ASSERT_EQ(mkdir((bundle + "/Contents").c_str(), 0755), 0);
  ASSERT_EQ(mkdir((bundle + "/Contents/x86_64-linux").c_str(), 0755), 0);
  ASSERT_EQ(symlink(FixturePath().c_str(), (bundle + "/Contents/x86_64-linux/Fixture.so").c_str()), 0);
  const HostRun r = RunHost({"info", bundle});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Field(r.out, "effect name"), "\"Fixture\"");
  EXPECT_EQ(Field(r.out, "programs"), "2");
  EXPECT_EQ(Line(r.out, "program[1]"), "program[1] \"Second\"");
  EXPECT_EQ(Field(r.out, "flags"), "0x1030 (replacing chunks double)");
}

TEST(InfoCommand, SurvivesAPluginWhoseAnswersAreAllOutOfRange)
{
  const HostRun r = RunHost({"info", FixturePath()}, {{"DROVIK_FIXTURE", "hostile"}});
  ASSERT_EQ(r.status, 0) << r.err;
  // Unterminated texts are cut, counts clamped, NaN and out-of-range values printed, not trusted.
  EXPECT_EQ(Field(r.out, "effect name").size(), 255u + 2u);
  EXPECT_EQ(Field(r.out, "inputs"), "1000");
  EXPECT_EQ(Field(r.out, "initial delay"), "-7");
  EXPECT_EQ(Field(r.out, "parameters"), "8192");
  EXPECT_EQ(Line(r.out, "program["), "");
}

TEST(InfoCommand, RefusesWhatIsNotAPlugin)
{
  const std::string dir = TempDir();
  WriteBytes(dir + "/text.so", {'n', 'o', 't'});
  for (const std::string& path : {dir + "/missing.so", dir + "/text.so", std::string("/bin/true")}) {
    const HostRun r = RunHost({"info", path});
    EXPECT_EQ(r.status, 1) << path;
    EXPECT_NE(r.err.find("drovik-host: "), std::string::npos) << path;
  }
}

TEST(ProcessCommand, PrintsLatencyPeakAndRmsOfTheOutput)
{
  const std::string dir = TempDir();
  const std::string in = WriteSignal(dir);
  const HostRun r = RunHost({"process", FixturePath(), in, dir + "/out.wav", "--param", "1=0.5", "--param", "0=0.25"});
  ASSERT_EQ(r.status, 0) << r.err;
  const host::Levels out = host::Measure(ReadWav(dir + "/out.wav"));
  char peak[64], rms[64];
  std::snprintf(peak, sizeof peak, "%.2f dBFS", out.peakDb);
  std::snprintf(rms, sizeof rms, "%.2f dBFS", out.rmsDb);
  EXPECT_EQ(Field(r.out, "latency"), "16 samples");
  EXPECT_EQ(Field(r.out, "peak"), peak);
  EXPECT_EQ(Field(r.out, "rms"), rms);
}

TEST(ProcessCommand, GainIsExactAndBlockSizeAndPrecisionDoNotChangeTheResult)
{
  const std::string dir = TempDir();
  const std::string in = WriteSignal(dir);
  const host::Audio x = ReadWav(in);
  struct Case
  {
    std::vector<std::string> extra;
    const char* file;
  } cases[] = {{{"--block", "1"}, "b1.wav"},
               {{"--block", "4096"}, "b4096.wav"},
               {{"--block", "17", "--double"}, "d17.wav"}};
  for (const auto& c : cases) {
    std::vector<std::string> args = {"process", FixturePath(), in, dir + "/" + c.file, "--param", "0=0.25"};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    const HostRun r = RunHost(args);
    ASSERT_EQ(r.status, 0) << r.err;
    const host::Audio y = ReadWav(dir + "/" + c.file);
    ASSERT_EQ(y.Frames(), x.Frames());
    for (size_t f = 0; f < x.Frames(); ++f) ASSERT_EQ(y.channels[0][f], 0.5 * x.channels[0][f]) << c.file << " " << f;
  }
}

TEST(ProcessCommand, RateOptionSetsThePluginRateAndTheOutputFile)
{
  const std::string dir = TempDir();
  const std::string in = WriteSignal(dir, 48000);
  const HostRun r = RunHost({"process", FixturePath(), in, dir + "/out.wav", "--rate", "96000"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadWav(dir + "/out.wav").sampleRate, 96000);
}

TEST(ProcessCommand, SavedChunkRestoresTheStateAndProgramSelectsAProgram)
{
  const std::string dir = TempDir();
  const std::string in = WriteSignal(dir);
  const HostRun saved =
      RunHost({"process", FixturePath(), in, dir + "/out.wav", "--param", "2=0.375", "--save-chunk", dir + "/c.bin"});
  ASSERT_EQ(saved.status, 0) << saved.err;
  const HostRun restored = RunHost({"info", FixturePath(), "--chunk", dir + "/c.bin"});
  ASSERT_EQ(restored.status, 0) << restored.err;
  EXPECT_EQ(Line(restored.out, "param[2]"), "param[2] name=\"Colour\" label=\"\" display=\"0.375\" value=0.375000");
  const HostRun second = RunHost({"info", FixturePath(), "--program", "1"});
  EXPECT_EQ(Field(second.out, "program name"), "\"Second\"");
  EXPECT_EQ(Field(second.out, "current program"), "1");
}

TEST(ProcessCommand, RefusesBadOptionsWithAMessage)
{
  const std::string dir = TempDir();
  const std::string in = WriteSignal(dir);
  const std::vector<std::vector<std::string>> bad = {
      {"process", FixturePath(), in, dir + "/o.wav", "--param", "4=0.5"},
      {"process", FixturePath(), in, dir + "/o.wav", "--param", "x"},
      {"process", FixturePath(), in, dir + "/o.wav", "--param", "0=7"},
      {"process", FixturePath(), in, dir + "/o.wav", "--param", "0=-0.01"},
      {"process", FixturePath(), in, dir + "/o.wav", "--param", "0=nan"},
      {"process", FixturePath(), in, dir + "/o.wav", "--program", "2"},
      {"process", FixturePath(), in, dir + "/o.wav", "--block", "0"},
      {"process", FixturePath(), in, dir + "/o.wav", "--rate", "fast"},
      {"process", FixturePath(), dir + "/none.wav", dir + "/o.wav"},
      {"process", FixturePath(), in, dir + "/o.wav", "--chunk", dir + "/none.bin"},
      {"process", ZamPath(), in, dir + "/o.wav", "--double"},
      {"process", FixturePath(), in},
      {"frobnicate"},
  };
  for (const auto& args : bad) {
    const HostRun r = RunHost(args);
    EXPECT_NE(r.status, 0) << args.back();
    EXPECT_NE(r.err.find("drovik-host: "), std::string::npos) << args.back();
  }
}

TEST(ProcessCommand, SurvivesAPluginWhoseAnswersAreAllOutOfRange)
{
  const std::string dir = TempDir();
  const std::string in = WriteSignal(dir);
  const HostRun r = RunHost({"process", FixturePath(), in, dir + "/o.wav", "--save-chunk", dir + "/c.bin"},
                            {{"DROVIK_FIXTURE", "hostile"}});
  EXPECT_EQ(r.status, 1); // renders, then reports that it got no chunk
  EXPECT_EQ(Field(r.out, "latency"), "0 samples");
  EXPECT_NE(r.err.find("no state chunk"), std::string::npos);
}

// The fixture in "quiet-latency" mode changes the record's initialDelay (to 64 with oversampling at 4x) and never
// tells the host: what the host prints and aligns by must come from the record itself.
TEST(ProcessCommand, LatencyComesFromTheRecordAndTheOutputLinesUpUnlessRaw)
{
  const std::string dir = TempDir();
  const std::string in = WriteSignal(dir, 48000, 0.1);
  const host::Audio x = ReadWav(in);
  const std::vector<std::pair<std::string, std::string>> quiet = {{"DROVIK_FIXTURE", "quiet-latency"}};
  EXPECT_EQ(Field(RunHost({"info", FixturePath(), "--param", "1=1"}, quiet).out, "initial delay"), "64");
  struct Case
  {
    std::vector<std::string> extra;
    size_t shift; // output frame f holds input frame f - shift
    const char* line;
  } cases[] = {
      {{"--block", "50"}, 0, "aligned with the input (64 samples of latency dropped at the start, the tail flushed"},
      {{"--block", "50", "--double"}, 0, "aligned with the input (64 samples"},
      {{"--raw"}, 64, "raw, as the plug-in gave it"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"process", FixturePath(), in, dir + "/out.wav", "--param", "1=1"};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    const HostRun r = RunHost(args, quiet);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Field(r.out, "latency"), "64 samples");
    EXPECT_EQ(Field(r.out, "output").rfind(c.line, 0), 0u) << r.out;
    const host::Audio y = ReadWav(dir + "/out.wav");
    ASSERT_EQ(y.Frames(), x.Frames()) << c.line;
    for (size_t f = 0; f < x.Frames(); ++f)
      ASSERT_EQ(y.channels[1][f], f < c.shift ? 0.0 : x.channels[1][f - c.shift]) << c.line << " frame " << f;
  }
}

// A write that fails part way (here the file-size limit) leaves no output at all, not a shorter file that still
// reads as a WAV; the same render without the limit succeeds.
TEST(ProcessCommand, AFailedWriteLeavesNoOutput)
{
  const std::string dir = TempDir();
  const std::string in = WriteSignal(dir, 48000, 1.0);
  const std::string out = dir + "/out/o.wav";
  ASSERT_EQ(mkdir((dir + "/out").c_str(), 0755), 0);
  const HostRun r = RunHost({"process", FixturePath(), in, out}, {}, "ulimit -f 64 && ");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("drovik-host: cannot write " + out), std::string::npos) << r.err;
  EXPECT_EQ(access(out.c_str(), F_OK), -1);
  EXPECT_EQ(rmdir((dir + "/out").c_str()), 0) << "nothing is left in the folder";
  ASSERT_EQ(mkdir((dir + "/out").c_str(), 0755), 0);
  const HostRun whole = RunHost({"process", FixturePath(), in, out});
  ASSERT_EQ(whole.status, 0) << whole.err;
  EXPECT_EQ(ReadWav(out).Frames(), 48000u);
}

// An output that is the input under any name (the same path, another path to it, a hard or symbolic link) is refused
// before anything is written, and so is a chunk saved over the input: the input keeps every byte.
TEST(ProcessCommand, RefusesToWriteOverItsInput)
{
  const std::string dir = TempDir();
  const std::string in = WriteSignal(dir);
  const std::vector<uint8_t> original = ReadBytes(in);
  ASSERT_EQ(mkdir((dir + "/sub").c_str(), 0755), 0);
  ASSERT_EQ(link(in.c_str(), (dir + "/hard.wav").c_str()), 0);
  ASSERT_EQ(symlink(in.c_str(), (dir + "/soft.wav").c_str()), 0);
  const std::vector<std::vector<std::string>> cases = {
      {in},
      {dir + "/sub/../in.wav"},
      {dir + "/hard.wav"},
      {dir + "/soft.wav"},
      {dir + "/out.wav", "--save-chunk", in},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"process", FixturePath(), in};
    args.insert(args.end(), c.begin(), c.end());
    const HostRun r = RunHost(args);
    EXPECT_EQ(r.status, 1) << c.back();
    EXPECT_NE(r.err.find(c.back() + " is the input file " + in + " (the same file under this name): writing it would "
                         "destroy the input"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "") << c.back();
    EXPECT_EQ(ReadBytes(in), original) << c.back();
    EXPECT_EQ(access((dir + "/out.wav").c_str(), F_OK), -1) << c.back();
  }
  EXPECT_EQ(ReadBytes(dir + "/soft.wav"), original);
  EXPECT_EQ(ReadBytes(dir + "/hard.wav"), original);
}

// What process cannot write as asked or has nothing to render from ends in a message naming it, with no output.
TEST(ProcessCommand, RefusesAnOutputNotNamedWavAndAnEmptyInput)
{
  const std::string dir = TempDir();
  const std::string in = WriteSignal(dir);
  const std::string empty = dir + "/empty.wav";
  std::string error;
  host::Audio nothing;
  nothing.channels.assign(2, {});
  ASSERT_TRUE(host::WriteAudio(empty, nothing, host::SampleFormat::Float32, error)) << error;
  const struct
  {
    std::string input, output, message;
  } cases[] = {
      {in, dir + "/out.flac", "out.flac: the output is written as a WAV file (32-bit float, 64-bit with --double)"},
      {in, dir + "/out.wav.txt", "out.wav.txt: the output is written as a WAV file"},
      {in, dir + "/out", "out: the output is written as a WAV file"},
      {empty, dir + "/out.wav", "empty.wav holds no audio (0 frames): there is nothing to process"},
  };
  for (const auto& c : cases) {
    const HostRun r = RunHost({"process", FixturePath(), c.input, c.output});
    EXPECT_EQ(r.status, 1) << c.output;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "") << c.output;
    EXPECT_EQ(access(c.output.c_str(), F_OK), -1) << c.output;
  }
  const HostRun upper = RunHost({"process", FixturePath(), in, dir + "/OUT.WAV"});
  ASSERT_EQ(upper.status, 0) << upper.err;
  EXPECT_EQ(ReadWav(dir + "/OUT.WAV").Frames(), 24000u);
}

// A plug-in named by its bare file name is the file in the current folder.
TEST(InfoCommand, ABareFileNameIsAFileInTheCurrentFolder)
{
  const std::string dir = TempDir();
  ASSERT_EQ(symlink(FixturePath().c_str(), (dir + "/Fixture.so").c_str()), 0);
  const HostRun r = RunHost({"info", "Fixture.so"}, {}, "cd '" + dir + "' && ");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Field(r.out, "effect name"), "\"Fixture\"");
}
