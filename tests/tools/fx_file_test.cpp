// The host's own program and bank codec (kept apart from the plug-in's on purpose, as a cross-check): round
// trips, the 27-byte name field, and refusal of damaged files. The golden bytes live with the plug-in's codec.
#include "host/fx_file.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace host;

namespace {

FxProgram ValueProgram()
{
  FxProgram p;
  p.pluginId = 0x5a455132;
  p.pluginVersion = 1010;
  p.name = "Warm";
  p.params = {0.f, 0.5f, 1.f};
  return p;
}

} // namespace

TEST(ProgramFile, NamesAreCutTo27BytesAndATerminator)
{
  FxProgram p = ValueProgram();
  p.name = std::string(40, 'n');
  const auto bytes = EncodeProgram(p);
  EXPECT_EQ(bytes[28 + 26], 'n');
  EXPECT_EQ(bytes[28 + 27], 0);
  FxProgram back;
  std::string error;
  ASSERT_TRUE(DecodeProgram(bytes, back, error)) << error;
  EXPECT_EQ(back.name, std::string(27, 'n'));
}

TEST(ProgramFile, BothFormsRoundTrip)
{
  for (bool chunk : {false, true}) {
    FxProgram p = ValueProgram();
    p.isChunk = chunk;
    if (chunk) p.chunk = {9, 8, 7};
    FxProgram back;
    std::string error;
    ASSERT_TRUE(DecodeProgram(EncodeProgram(p), back, error)) << error;
    EXPECT_EQ(back.isChunk, chunk);
    EXPECT_EQ(back.pluginId, p.pluginId);
    EXPECT_EQ(back.name, "Warm");
    EXPECT_EQ(back.params, chunk ? std::vector<float>{} : p.params);
    EXPECT_EQ(back.chunk, p.chunk);
  }
}

TEST(ProgramFile, DamagedFilesAreRefused)
{
  const auto good = EncodeProgram(ValueProgram());
  struct Case
  {
    const char* what;
    size_t offset; // byte to change, or the length to cut to when `cut`
    uint8_t value;
    bool cut;
  } cases[] = {
      {"wrong file tag", 0, 'X', false},   {"wrong form tag", 8, 'X', false},
      {"unknown version", 15, 9, false},   {"negative parameter count", 24, 0xff, false},
      {"header cut", 40, 0, true},         {"values cut", 60, 0, true},
      {"empty", 0, 0, true},
  };
  for (const auto& c : cases) {
    auto bytes = good;
    if (c.cut) bytes.resize(c.offset);
    else bytes[c.offset] = c.value;
    FxProgram out;
    out.name = "untouched";
    std::string error;
    EXPECT_FALSE(DecodeProgram(bytes, out, error)) << c.what;
    EXPECT_FALSE(error.empty()) << c.what;
    EXPECT_EQ(out.name, "untouched") << c.what;
  }
  FxProgram p = ValueProgram();
  p.isChunk = true;
  p.chunk = {1, 2, 3};
  auto chunk = EncodeProgram(p);
  chunk[59] = 200; // chunk size past the end
  FxProgram out;
  std::string error;
  EXPECT_FALSE(DecodeProgram(chunk, out, error));
  chunk[56] = 0xff; // negative chunk size
  EXPECT_FALSE(DecodeProgram(chunk, out, error));
}

TEST(BankFile, BothFormsRoundTrip)
{
  for (bool chunk : {false, true}) {
    FxBank b;
    b.pluginId = 0x5a455132;
    b.pluginVersion = 1010;
    b.currentProgram = 1;
    b.isChunk = chunk;
    if (chunk) {
      b.numPrograms = 2;
      b.chunk = {0xaa, 0xbb, 0xcc};
    } else {
      b.programs = {ValueProgram(), ValueProgram()};
      b.programs[1].name = "Cold";
    }
    FxBank back;
    std::string error;
    ASSERT_TRUE(DecodeBank(EncodeBank(b), back, error)) << error;
    EXPECT_EQ(back.isChunk, chunk);
    EXPECT_EQ(back.pluginId, b.pluginId);
    EXPECT_EQ(back.chunk, b.chunk);
    ASSERT_EQ(back.programs.size(), b.programs.size());
    if (!chunk) {
      EXPECT_EQ(back.programs[1].name, "Cold");
      EXPECT_EQ(back.programs[1].params, b.programs[1].params);
      EXPECT_EQ(back.currentProgram, 1);
    }
  }
}

TEST(BankFile, DamagedBanksAreRefused)
{
  FxBank b;
  b.programs = {ValueProgram(), ValueProgram()};
  const auto good = EncodeBank(b);
  std::vector<std::vector<uint8_t>> bad(6, good);
  bad[0][0] = 'c';                      // file tag
  bad[1][8] = 'X';                      // form tag
  bad[2][24] = 0x80;                    // negative program count
  bad[3].resize(156 + 68 + 30);         // second record cut
  bad[4][156 + 68 + 8] = 'X';           // second record's form tag
  bad[5].resize(100);                   // header cut
  for (size_t i = 0; i < bad.size(); ++i) {
    FxBank out;
    std::string error;
    EXPECT_FALSE(DecodeBank(bad[i], out, error)) << i;
    EXPECT_TRUE(out.programs.empty()) << i;
  }
}

// Another host reads a file by its header: the "CcnK" tag, then the count of the bytes that follow that count,
// then the form tag; the plug-in's id sits at byte 16 in every form.
TEST(FxFiles, EveryFormsHeaderCountsTheBytesAfterTheCount)
{
  FxProgram chunkProgram = ValueProgram();
  chunkProgram.isChunk = true;
  chunkProgram.chunk = {1, 2, 3, 4, 5};
  FxBank valueBank;
  valueBank.pluginId = 0x5a455132;
  valueBank.programs = {ValueProgram(), ValueProgram()};
  FxBank chunkBank = valueBank;
  chunkBank.programs.clear();
  chunkBank.isChunk = true;
  chunkBank.numPrograms = 2;
  chunkBank.chunk = {9, 8, 7};
  const std::pair<std::vector<uint8_t>, const char*> files[] = {{EncodeProgram(ValueProgram()), "FxCk"},
                                                                {EncodeProgram(chunkProgram), "FPCh"},
                                                                {EncodeBank(valueBank), "FxBk"},
                                                                {EncodeBank(chunkBank), "FBCh"}};
  auto bigEndianAt = [](const std::vector<uint8_t>& b, size_t at) {
    return (uint32_t(b[at]) << 24) | (uint32_t(b[at + 1]) << 16) | (uint32_t(b[at + 2]) << 8) | uint32_t(b[at + 3]);
  };
  for (const auto& [bytes, form] : files) {
    ASSERT_GT(bytes.size(), 20u) << form;
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "CcnK") << form;
    EXPECT_EQ(bigEndianAt(bytes, 4), bytes.size() - 8) << form;
    EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 12), form);
    EXPECT_EQ(bigEndianAt(bytes, 16), 0x5a455132u) << form;
  }
}

// A file from elsewhere whose name fills all 28 bytes of its field, no terminator: the name read is its first 27
// bytes, in a program file and in a bank's program record alike.
TEST(FxFiles, ANameFillingItsWholeFieldReadsAsItsFirst27Bytes)
{
  auto fillName = [](std::vector<uint8_t>& bytes, size_t at) { std::fill_n(bytes.begin() + at, 28, 'm'); };
  std::vector<uint8_t> program = EncodeProgram(ValueProgram());
  fillName(program, 28);
  FxProgram p;
  std::string error;
  ASSERT_TRUE(DecodeProgram(program, p, error)) << error;
  EXPECT_EQ(p.name, std::string(27, 'm'));
  FxBank b;
  b.programs = {ValueProgram()};
  std::vector<uint8_t> bank = EncodeBank(b);
  fillName(bank, 156 + 28);
  FxBank back;
  ASSERT_TRUE(DecodeBank(bank, back, error)) << error;
  ASSERT_EQ(back.programs.size(), 1u);
  EXPECT_EQ(back.programs[0].name, std::string(27, 'm'));
}
