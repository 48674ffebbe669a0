// Byte layout of program and bank files: golden bytes for all four forms, round trips, and refusal of damaged
// files.
#include "host/fx_file.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace host;

namespace {

std::vector<uint8_t> Be(std::initializer_list<uint32_t> words)
{
  std::vector<uint8_t> out;
  for (uint32_t w : words)
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(w >> s));
  return out;
}

void Append(std::vector<uint8_t>& to, const std::vector<uint8_t>& more) { to.insert(to.end(), more.begin(), more.end()); }

std::vector<uint8_t> Name28(const char* name)
{
  std::vector<uint8_t> out(28, 0);
  std::memcpy(out.data(), name, std::strlen(name));
  return out;
}

uint32_t Bits(float f)
{
  uint32_t b;
  std::memcpy(&b, &f, 4);
  return b;
}

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

TEST(ProgramFile, ValueFormHasTheBigEndianHeaderAndOneFloatPerParameter)
{
  std::vector<uint8_t> want = Be({FourCC("CcnK"), 56 + 12 - 8, FourCC("FxCk"), 1, 0x5a455132, 1010, 3});
  Append(want, Name28("Warm"));
  Append(want, Be({Bits(0.f), Bits(0.5f), Bits(1.f)}));
  EXPECT_EQ(EncodeProgram(ValueProgram()), want);
}

TEST(ProgramFile, ChunkFormCarriesTheChunkSizeAndBytes)
{
  FxProgram p = ValueProgram();
  p.isChunk = true;
  p.numParams = 25;
  p.chunk = {1, 2, 3, 4, 5};
  std::vector<uint8_t> want = Be({FourCC("CcnK"), 60 + 5 - 8, FourCC("FPCh"), 1, 0x5a455132, 1010, 25});
  Append(want, Name28("Warm"));
  Append(want, Be({5}));
  Append(want, {1, 2, 3, 4, 5});
  EXPECT_EQ(EncodeProgram(p), want);
}

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

TEST(BankFile, ValueFormHoldsAProgramRecordPerProgram)
{
  FxBank b;
  b.pluginId = 0x5a455132;
  b.pluginVersion = 1010;
  b.currentProgram = 1;
  b.programs = {ValueProgram(), ValueProgram()};
  b.programs[1].name = "Cold";
  std::vector<uint8_t> want = Be({FourCC("CcnK"), 156 + 2 * 68 - 8, FourCC("FxBk"), 2, 0x5a455132, 1010, 2, 1});
  want.resize(156, 0);
  for (const char* name : {"Warm", "Cold"}) {
    Append(want, Be({FourCC("CcnK"), 60, FourCC("FxCk"), 1, 0x5a455132, 1010, 3}));
    Append(want, Name28(name));
    Append(want, Be({Bits(0.f), Bits(0.5f), Bits(1.f)}));
  }
  EXPECT_EQ(EncodeBank(b), want);
  FxBank back;
  std::string error;
  ASSERT_TRUE(DecodeBank(want, back, error)) << error;
  ASSERT_EQ(back.programs.size(), 2u);
  EXPECT_EQ(back.programs[1].name, "Cold");
  EXPECT_EQ(back.currentProgram, 1);
}

TEST(BankFile, ChunkFormHasItsChunkAt160)
{
  FxBank b;
  b.pluginId = 7;
  b.isChunk = true;
  b.numPrograms = 1;
  b.chunk = {0xaa, 0xbb};
  const auto bytes = EncodeBank(b);
  ASSERT_EQ(bytes.size(), 162u);
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 8, bytes.begin() + 12), Be({FourCC("FBCh")}));
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 156, bytes.end()), (std::vector<uint8_t>{0, 0, 0, 2, 0xaa, 0xbb}));
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 4, bytes.begin() + 8), Be({154}));
  FxBank back;
  std::string error;
  ASSERT_TRUE(DecodeBank(bytes, back, error)) << error;
  EXPECT_EQ(back.chunk, b.chunk);
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
