// What the test host tells a user who mistypes or feeds it an odd file: unknown options named, help for each
// command, a module that does not load reported once, short or wide WAV files, bank files given as programs,
// plug-in ids as their four characters, --rate that does not resample, and --chunk given what is not a chunk.
#include <string>

#include <gtest/gtest.h>

#include "run_host.h"

using hosttest::RunHost;

TEST(HostCliAnswers, UnknownOptionsAreNamedAndEveryCommandHasHelp)
{
  for (const char* command : {"info", "process", "generate", "save-program", "save-bank", "load-program",
                              "load-bank", "validate", "editor"})
  {
    const auto help = RunHost({command, "--help"});
    EXPECT_EQ(help.status, 0) << command;
    EXPECT_NE(help.out.find(std::string("usage: drovik-host ") + command), std::string::npos) << command;
    const auto typo = RunHost({command, "x", "--blok", "64"});
    EXPECT_NE(typo.status, 0) << command;
    EXPECT_NE(typo.err.find("--blok"), std::string::npos) << command << ": " << typo.err;
  }
}

TEST(HostCliAnswers, AModuleThatDoesNotLoadFailsOnce)
{
  const auto run = RunHost({"validate", hosttest::TempDir() + "/missing.so"});
  EXPECT_EQ(run.status, 1);
  size_t fails = 0;
  for (size_t at = run.out.find("[FAIL]"); at != std::string::npos; at = run.out.find("[FAIL]", at + 1)) ++fails;
  EXPECT_EQ(fails, 1u) << run.out;
}

TEST(HostCliAnswers, OddFilesAreReported)
{
  const std::string dir = hosttest::TempDir();
  const std::string wide = dir + "/wide.wav", cut = dir + "/cut.wav", out = dir + "/out.wav";
  ASSERT_EQ(RunHost({"generate", wide, "--channels", "4", "--seconds", "0.5"}).status, 0);
  std::vector<uint8_t> bytes = hosttest::ReadBytes(wide);
  bytes.resize(bytes.size() / 2);
  hosttest::WriteBytes(cut, bytes);
  const std::string plugin = hosttest::DrovikBundle();

  const auto wideRun = RunHost({"process", plugin, wide, out, "--rate", "96000"});
  EXPECT_EQ(wideRun.status, 0);
  EXPECT_NE(wideRun.err.find("4 channels, the plug-in takes 2: the other 2 are left out of the output"), std::string::npos) << wideRun.err;
  EXPECT_NE(wideRun.err.find("not resampled"), std::string::npos) << wideRun.err;
  const auto cutRun = RunHost({"process", plugin, cut, out});
  EXPECT_NE(cutRun.err.find("the header says"), std::string::npos) << cutRun.err;

  const std::string bank = dir + "/drovik.fxb";
  ASSERT_EQ(RunHost({"save-bank", plugin, bank}).status, 0);
  const auto asProgram = RunHost({"load-program", plugin, bank});
  EXPECT_NE(asProgram.status, 0);
  EXPECT_NE(asProgram.err.find("use load-bank"), std::string::npos) << asProgram.err;
  const auto foreign = RunHost({"load-bank", hosttest::FixturePath(), bank});
  EXPECT_NE(foreign.err.find("plug-in 'VQ70'"), std::string::npos) << foreign.err;
}

TEST(HostCliAnswers, ChunkOptionRefusesWhatIsNotAChunkAndNamesTheRightCommand)
{
  const std::string dir = hosttest::TempDir();
  const std::string plugin = hosttest::FixturePath();
  ASSERT_EQ(RunHost({"save-program", plugin, dir + "/p.fxp"}).status, 0);
  ASSERT_EQ(RunHost({"save-bank", plugin, dir + "/b.fxb"}).status, 0);
  hosttest::WriteBytes(dir + "/empty.bin", {});
  hosttest::WriteBytes(dir + "/text.bin", {'h', 'e', 'l', 'l', 'o'});
  const struct
  {
    const char* file;
    const char* message;
  } cases[] = {
      {"p.fxp", "is not a state chunk but a program file: load it with --load-program"},
      {"b.fxb", "is not a state chunk but a bank file: load it with --load-bank"},
      {"empty.bin", "is empty: not a state chunk"},
      {"text.bin", "the plug-in refused it as a state chunk (program and bank files load with --load-program / "
                   "--load-bank)"},
  };
  for (const auto& c : cases) {
    const auto run = RunHost({"info", plugin, "--chunk", dir + "/" + c.file});
    EXPECT_EQ(run.status, 1) << c.file;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << c.file << ": " << run.err;
    EXPECT_EQ(run.out, "") << c.file;
  }
}
