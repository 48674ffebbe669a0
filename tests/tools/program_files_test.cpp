// Program and bank files through the host: a file laid out by hand as another host writes it loads, and files the
// plug-in must refuse change nothing.
#include "host/fx_file.h"
#include "run_host.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace hosttest;

namespace {

std::string Param(const HostRun& r, int index) { return Line(r.out, "param[" + std::to_string(index) + "]"); }

std::string Value(const HostRun& r, int index)
{
  const std::string line = Param(r, index);
  const auto at = line.find("value=");
  return at == std::string::npos ? "" : line.substr(at + 6);
}

} // namespace

TEST(ProgramFiles, AFileWrittenByAnotherHostInThePublicLayoutLoads)
{
  // Laid out here byte by byte, once with the byte size other hosts write and once with 0 in it.
  auto be = [](std::vector<uint8_t>& out, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(v >> s));
  };
  auto bits = [](float f) {
    uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
  };
  for (uint32_t byteSize : {52u + 48u, 0u}) {
    std::vector<uint8_t> file;
    for (uint32_t v : {0x43636e4bu /* CcnK */, byteSize, 0x4678436bu /* FxCk */, 1u, 0x5a455132u /* ZEQ2 */, 1u, 12u})
      be(file, v);
    const char name[28] = "From elsewhere";
    file.insert(file.end(), name, name + 28);
    for (int i = 0; i < 12; ++i) be(file, bits(i == 10 ? 0.875f : 0.5f));
    const std::string dir = TempDir();
    WriteBytes(dir + "/p.fxp", file);
    const HostRun r = RunHost({"load-program", ZamPath(), dir + "/p.fxp"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Value(r, 10), "0.875000");
    EXPECT_EQ(Value(r, 0), "0.500000");
  }
}

TEST(ProgramFiles, RefusedFilesChangeNothing)
{
  const std::string dir = TempDir();
  ASSERT_EQ(RunHost({"save-program", FixturePath(), dir + "/chunk.fxp"}).status, 0);
  ASSERT_EQ(RunHost({"save-program", ZamPath(), dir + "/zam.fxp"}).status, 0);
  auto wrongId = ReadBytes(dir + "/zam.fxp");
  wrongId[19] ^= 1;
  WriteBytes(dir + "/wrong-id.fxp", wrongId);
  auto cut = ReadBytes(dir + "/zam.fxp");
  cut.resize(cut.size() - 3);
  WriteBytes(dir + "/cut.fxp", cut);
  host::FxProgram tooMany;
  tooMany.pluginId = 0x5a455132;
  tooMany.params.assign(13, 1.f);
  WriteBytes(dir + "/too-many.fxp", host::EncodeProgram(tooMany));
  auto chunkForZam = ReadBytes(dir + "/chunk.fxp");
  const uint8_t zamId[] = {'Z', 'E', 'Q', '2'};
  std::copy(zamId, zamId + 4, chunkForZam.begin() + 16);
  WriteBytes(dir + "/chunk-for-zam.fxp", chunkForZam);

  const HostRun before = RunHost({"info", ZamPath()});
  for (const char* file : {"wrong-id.fxp", "cut.fxp", "too-many.fxp", "chunk-for-zam.fxp"}) {
    const HostRun r = RunHost({"info", ZamPath(), "--load-program", dir + "/" + file});
    EXPECT_EQ(r.status, 1) << file;
    EXPECT_NE(r.err.find(file), std::string::npos) << file;
    EXPECT_EQ(r.out, "") << file; // refused before anything was printed or applied
  }
  EXPECT_EQ(RunHost({"info", ZamPath()}).out, before.out);
}

// A plug-in without chunks takes a program file's values and name, and a bank's programs with the program the
// bank was on.
TEST(ProgramFiles, ValueFormFilesSetTheValuesTheNameAndTheBanksCurrentProgram)
{
  const std::vector<std::pair<std::string, std::string>> values = {{"DROVIK_FIXTURE", "values"}};
  const std::string dir = TempDir();
  host::FxProgram warm;
  warm.pluginId = 0x46697874; // the fixture's id
  warm.name = "Warm";
  warm.params = {0.75f, 0.f, 0.f, 0.f};
  WriteBytes(dir + "/warm.fxp", host::EncodeProgram(warm));
  const HostRun program = RunHost({"load-program", FixturePath(), dir + "/warm.fxp"}, values);
  ASSERT_EQ(program.status, 0) << program.err;
  EXPECT_EQ(Field(program.out, "program name"), "\"Warm\"");
  EXPECT_EQ(Value(program, 0), "0.750000");

  host::FxBank bank;
  bank.pluginId = warm.pluginId;
  bank.programs = {warm, warm};
  bank.programs[1].name = "Cold";
  bank.programs[1].params[0] = 0.125f;
  bank.currentProgram = 1;
  WriteBytes(dir + "/bank.fxb", host::EncodeBank(bank));
  const HostRun loaded = RunHost({"load-bank", FixturePath(), dir + "/bank.fxb"}, values);
  ASSERT_EQ(loaded.status, 0) << loaded.err;
  EXPECT_EQ(Field(loaded.out, "program name"), "\"Cold\"");
  EXPECT_EQ(Value(loaded, 0), "0.125000");
}
