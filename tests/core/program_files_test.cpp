// Program (.fxp) and bank (.fxb) files: the exact bytes of all four forms, round trips, and files that must be
// refused with nothing changed.
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <fstream>

#include "core/IPluginBase.h"
#include "temp_home.h"

using plug::IPluginBase;
using plug::IStateChunk;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

constexpr int kID = 0x56513730;       // 'VQ70'
constexpr int kVersion = 0x00010001;  // 1.0.1, 1010 in decimal
constexpr int32_t kMarker = 0x54455354;
constexpr int kStatePadding = 72;     // makes the chunk plug-in's state exactly 100 bytes

/// Three parameters; optionally its own 100-byte state chunk that applies values one by one (so a damaged chunk
/// half-applies before it fails, as a careless reader would).
class Plug : public IPluginBase
{
public:
  explicit Plug(bool chunks, int presets = 1) : IPluginBase(3, presets)
  {
    GetParam(0)->InitDouble("gain", 0.0, -10.0, 10.0, 0.01);
    GetParam(1)->InitInt("mode", 1, 0, 4);
    GetParam(2)->InitBool("on", false);
    mStateChunks = chunks;
    mUniqueID = kID;
    mVersion = kVersion;
    FillEmptyPresets();
  }
  void BeginInformHostOfParamChangeFromUI(int) override {}
  void EndInformHostOfParamChangeFromUI(int) override {}
  void UpdateHostDisplay() override { ++displayUpdates; }
  /// The plug-in cannot give its state (as when it runs out of memory).
  bool stateFails = false;
  /// The plug-in says it gave its state but gave nothing.
  bool stateEmpty = false;

  bool SerializeState(IStateChunk& chunk) const override
  {
    if (stateFails)
      return false;
    if (stateEmpty)
      return true;
    if (!mStateChunks)
      return IPluginBase::SerializeState(chunk);
    chunk.Put(&kMarker);
    for (int i = 0; i < NParams(); ++i)
    {
      const double v = GetParam(i)->Value();
      chunk.Put(&v);
    }
    const std::vector<uint8_t> padding(kStatePadding, 0xEE);
    chunk.PutBytes(padding.data(), kStatePadding);
    return true;
  }
  int UnserializeState(const IStateChunk& chunk, int pos) override
  {
    if (!mStateChunks)
      return IPluginBase::UnserializeState(chunk, pos);
    int32_t marker = 0;
    pos = chunk.Get(&marker, pos);
    if (pos < 0 || marker != kMarker)
      return -1;
    for (int i = 0; i < NParams(); ++i)
    {
      double v = 0;
      pos = chunk.Get(&v, pos);
      if (pos < 0)
        return -1;
      GetParam(i)->Set(v);
    }
    return chunk.Size() >= pos + kStatePadding ? pos + kStatePadding : -1;
  }

  void Set(double gain, double mode, double on)
  {
    GetParam(0)->Set(gain);
    GetParam(1)->Set(mode);
    GetParam(2)->Set(on);
  }
  std::vector<double> Values() const
  {
    return {GetParam(0)->Value(), GetParam(1)->Value(), GetParam(2)->Value()};
  }
  int displayUpdates = 0;
};

std::string BigEndianBytes(uint32_t v)
{
  return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

std::string BigEndianFloatBytes(float f)
{
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  return BigEndianBytes(bits);
}

std::string Name28(const std::string& name)
{
  std::string field = name.substr(0, 27);
  field.resize(28, '\0');
  return field;
}

std::string LE(uint32_t v)
{
  return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
}

/// Values that went through 32-bit normalised floats agree to float precision.
void ExpectValues(const Plug& p, const std::vector<double>& expected)
{
  const std::vector<double> values = p.Values();
  for (size_t i = 0; i < expected.size(); ++i)
    EXPECT_NEAR(values[i], expected[i], 1e-6) << "parameter " << i;
}

class ProgramFiles : public ::testing::Test
{
protected:
  std::string File(const char* name) const { return mHome.Path() + "/" + name; }
  testsupport::TemporaryHome mHome;
};

/// Everything a refused load must leave alone.
struct Snapshot
{
  explicit Snapshot(const Plug& p) : values(p.Values()), current(p.GetCurrentPresetIdx())
  {
    for (int i = 0; i < p.NPresets(); ++i)
    {
      names.push_back(p.GetPresetSlot(i)->mName);
      const IStateChunk& c = p.GetPresetSlot(i)->mChunk;
      chunks.emplace_back(reinterpret_cast<const char*>(c.GetData()), c.Size());
    }
  }
  bool operator==(const Snapshot& o) const
  {
    return values == o.values && current == o.current && names == o.names && chunks == o.chunks;
  }
  std::vector<double> values;
  int current;
  std::vector<std::string> names;
  std::vector<std::string> chunks;
};

} // namespace

/// The common head of every form: magic, byte size, form, form version, id, plug-in version, count.
std::string Head(uint32_t size, const char* form, uint32_t formVersion, uint32_t count)
{
  return "CcnK" + BigEndianBytes(size) + form + BigEndianBytes(formVersion) + BigEndianBytes(kID) + BigEndianBytes(1010) + BigEndianBytes(count);
}

std::string Bytes(const IStateChunk& c)
{
  return std::string(reinterpret_cast<const char*>(c.GetData()), c.Size());
}

// The exact bytes of the four forms: programs and banks, by parameters and by chunk.
TEST_F(ProgramFiles, GoldenBytesOfTheFourForms)
{
  const std::string kChunkHeader = LE(0x70666674) + LE(0x00010000);
  const struct
  {
    const char* form;
    bool chunks, bank;
    std::function<std::string(Plug&)> expected;
  } cases[] = {
    {"parameter program", false, false,
     [](Plug&) { return Head(0, "FxCk", 1, 3) + Name28("Warm") + BigEndianFloatBytes(0.75f) + BigEndianFloatBytes(0.5f) + BigEndianFloatBytes(1.0f); }},
    {"chunk program", true, false,
     [&](Plug& p) {
       // A 100-byte state gives a 108-byte chunk (framework header counted), byte size 168, 168 bytes in all.
       IStateChunk state;
       p.SerializeState(state);
       return Head(168, "FPCh", 1, 3) + Name28("Warm") + BigEndianBytes(108) + kChunkHeader + Bytes(state);
     }},
    {"parameter bank", false, true,
     [](Plug&) {
       return Head(0, "FxBk", 2, 2) + BigEndianBytes(1) + std::string(124, '\0') + Head(0, "FxCk", 1, 3) + Name28("First") +
              BigEndianFloatBytes(1.0f) + BigEndianFloatBytes(1.0f) + BigEndianFloatBytes(1.0f) + Head(0, "FxCk", 1, 3) + Name28("Warm") +
              BigEndianFloatBytes(0.75f) + BigEndianFloatBytes(0.5f) + BigEndianFloatBytes(1.0f);
     }},
    {"chunk bank", true, true,
     [&](Plug& p) {
       IStateChunk presets;
       p.SerializePresets(presets);
       const uint32_t chunkSize = 8 + presets.Size();
       return Head(chunkSize + 160, "FBCh", 2, 2) + BigEndianBytes(1) + std::string(124, '\0') + BigEndianBytes(chunkSize) + kChunkHeader +
              Bytes(presets);
     }},
  };
  for (const auto& c : cases)
  {
    Plug p(c.chunks, c.bank ? 2 : 1);
    if (c.bank)
    {
      p.Set(10.0, 4, 1);
      p.ModifyCurrentPreset("First");
      ASSERT_TRUE(p.RestorePreset(1));
    }
    p.Set(5.0, 2, 1);
    p.ModifyCurrentPreset("Warm");
    const std::string file = File(c.bank ? "g.fxb" : "g.fxp");
    ASSERT_TRUE(c.bank ? p.SaveBankAsFXB(file.c_str()) : p.SaveProgramAsFXP(file.c_str()));
    EXPECT_EQ(ReadFile(file), c.expected(p)) << c.form;
  }
}

TEST_F(ProgramFiles, NamesAreCutTo27CharactersAndATerminatorAndReadUpTo28)
{
  Plug p(false);
  p.GetPresetSlot(0)->SetName("A name that is much longer than the field");
  ASSERT_TRUE(p.SaveProgramAsFXP(File("n.fxp").c_str()));
  EXPECT_EQ(ReadFile(File("n.fxp")).substr(28, 28), std::string("A name that is much longer ") + '\0');
  p.GetPresetSlot(0)->SetName("Exactly twenty-seven chars!");
  ASSERT_TRUE(p.SaveProgramAsFXP(File("n.fxp").c_str()));
  EXPECT_EQ(ReadFile(File("n.fxp")).substr(28, 28), std::string("Exactly twenty-seven chars!") + '\0');
  // Another writer may fill all 28 bytes without a terminator: the name is read whole.
  std::string full = ReadFile(File("n.fxp"));
  full.replace(28, 28, "Twenty-eight characters long");
  ASSERT_TRUE(testsupport::WriteFile(File("full.fxp"), full));
  ASSERT_TRUE(p.LoadProgramFromFXP(File("full.fxp").c_str()));
  EXPECT_STREQ(p.GetPresetName(0), "Twenty-eight characters long");
}

TEST_F(ProgramFiles, ProgramsRoundTripInBothForms)
{
  for (bool chunks : {false, true})
  {
    Plug p(chunks);
    p.Set(7.5, 3, 1);
    p.GetPresetSlot(0)->SetName("Saved");
    ASSERT_TRUE(p.SaveProgramAsFXP(File("r.fxp").c_str()));
    p.Set(0, 0, 0);
    p.GetPresetSlot(0)->SetName("Other");
    const int updates = p.displayUpdates;
    ASSERT_TRUE(p.LoadProgramFromFXP(File("r.fxp").c_str()));
    EXPECT_EQ(p.Values(), (std::vector<double>{7.5, 3, 1})) << chunks;
    EXPECT_STREQ(p.GetPresetName(0), "Saved");
    EXPECT_EQ(p.displayUpdates, updates + 1);
  }
}

// A bank of three saved with its first or its middle program current: the parameter form makes the bank's
// current program current; the chunk form keeps the loader's (the last). Every program comes back with its name.
TEST_F(ProgramFiles, BanksRoundTripInBothForms)
{
  for (bool chunks : {false, true})
    for (int current : {0, 1})
    {
      SCOPED_TRACE(::testing::Message() << (chunks ? "chunk" : "parameter") << " form, program " << current);
      Plug p(chunks, 3);
      for (int i = 0; i < 3; ++i)
      {
        ASSERT_TRUE(p.RestorePreset(i));
        p.Set(i + 1, i + 1, i % 2);
        p.ModifyCurrentPreset(("P" + std::to_string(i)).c_str());
      }
      ASSERT_TRUE(p.RestorePreset(current));
      ASSERT_TRUE(p.SaveBankAsFXB(File("r.fxb").c_str()));
      Plug q(chunks, 3);
      ASSERT_TRUE(q.RestorePreset(2));
      ASSERT_TRUE(q.LoadBankFromFXB(File("r.fxb").c_str()));
      const int expected = chunks ? 2 : current;
      EXPECT_EQ(q.GetCurrentPresetIdx(), expected);
      ExpectValues(q, {double(expected + 1), double(expected + 1), double(expected % 2)});
      for (int i = 0; i < 3; ++i)
      {
        EXPECT_STREQ(q.GetPresetName(i), ("P" + std::to_string(i)).c_str());
        ASSERT_TRUE(q.RestorePreset(i));
        ExpectValues(q, {double(i + 1), double(i + 1), double(i % 2)});
      }
    }
}

TEST_F(ProgramFiles, BankWithMoreProgramsThanPresetsLeavesTheCurrentPresetAlone)
{
  Plug big(false, 3);
  for (int i = 0; i < 3; ++i)
  {
    big.RestorePreset(i);
    big.Set(i + 1, i + 1, 0);
    big.ModifyCurrentPreset(("P" + std::to_string(i)).c_str());
  }
  big.RestorePreset(0);
  ASSERT_TRUE(big.SaveBankAsFXB(File("big.fxb").c_str()));
  Plug small(false, 2);
  ASSERT_TRUE(small.LoadBankFromFXB(File("big.fxb").c_str()));
  EXPECT_STREQ(small.GetPresetName(1), "P1");
  ASSERT_TRUE(small.RestorePreset(1));
  ExpectValues(small, {2, 2, 0}); // not program 2's values
}

TEST_F(ProgramFiles, DamagedFilesAreRefusedWithNothingChanged)
{
  Plug source(false);
  source.Set(9, 4, 1);
  ASSERT_TRUE(source.SaveProgramAsFXP(File("good.fxp").c_str()));
  ASSERT_TRUE(source.SaveBankAsFXB(File("good.fxb").c_str()));
  Plug chunked(true);
  ASSERT_TRUE(chunked.SaveProgramAsFXP(File("chunk.fxp").c_str()));
  ASSERT_TRUE(chunked.SaveBankAsFXB(File("chunk.fxb").c_str()));
  const std::string program = ReadFile(File("good.fxp"));
  const std::string bank = ReadFile(File("good.fxb"));
  auto patched = [](std::string bytes, size_t at, const std::string& with) {
    return bytes.replace(at, with.size(), with);
  };
  struct Case
  {
    const char* what;
    std::string bytes;
    bool isBank;
  } cases[] = {
    {"program: foreign plug-in id", patched(program, 16, BigEndianBytes(0x41424344)), false},
    {"program: wrong chunk tag", patched(program, 0, "CcnJ"), false},
    {"program: wrong format version", patched(program, 12, BigEndianBytes(2)), false},
    {"program: unknown form", patched(program, 8, "FxXX"), false},
    {"program: cut in the header", program.substr(0, 10), false},
    {"program: cut in the values", program.substr(0, program.size() - 1), false},
    {"program: empty file", "", false},
    {"program: value not a number", patched(program, 56, BigEndianBytes(0x7fc00000)), false},
    {"program: value infinite", patched(program, 60, BigEndianBytes(0x7f800000)), false},
    {"program: chunk form, plug-in without chunks", ReadFile(File("chunk.fxp")), false},
    {"bank: foreign plug-in id", patched(bank, 16, BigEndianBytes(0x41424344)), true},
    {"bank: wrong chunk tag", patched(bank, 0, "XcnK"), true},
    {"bank: unknown form", patched(bank, 8, "FxBB"), true},
    {"bank: cut in the header", bank.substr(0, 20), true},
    {"bank: no programs, cut in the current program", patched(bank, 24, BigEndianBytes(0)).substr(0, 30), true},
    {"bank: cut in a record", bank.substr(0, bank.size() - 2), true},
    {"bank: record with wrong tag", patched(bank, 156 + 8, "FPCh"), true},
    {"bank: record with wrong chunk tag", patched(bank, 156, "CcnJ"), true},
    {"bank: record with other format version", patched(bank, 156 + 12, BigEndianBytes(2)), true},
    {"bank: record with other parameter count", patched(bank, 156 + 24, BigEndianBytes(4)), true},
    {"bank: more programs than records", patched(bank, 24, BigEndianBytes(2)), true},
    {"bank: chunk form, plug-in without chunks", ReadFile(File("chunk.fxb")), true},
  };
  for (const Case& c : cases)
  {
    Plug p(false);
    p.Set(-3, 2, 0);
    p.GetPresetSlot(0)->SetName("Mine");
    const Snapshot before(p);
    ASSERT_TRUE(WriteFile(File("bad"), c.bytes));
    const bool loaded = c.isBank ? p.LoadBankFromFXB(File("bad").c_str()) : p.LoadProgramFromFXP(File("bad").c_str());
    EXPECT_FALSE(loaded) << c.what;
    EXPECT_TRUE(Snapshot(p) == before) << c.what;
    EXPECT_EQ(p.displayUpdates, 0) << c.what;
  }
  // What follows the values is not read: a program with a stray value behind them still loads.
  Plug p(false);
  ASSERT_TRUE(WriteFile(File("long"), program + BigEndianBytes(0x7fc00000)));
  EXPECT_TRUE(p.LoadProgramFromFXP(File("long").c_str()));
  ExpectValues(p, {9, 4, 1});
}

TEST_F(ProgramFiles, StateThatFailsHalfwayIsRefusedAndUndone)
{
  Plug source(true);
  source.Set(4, 4, 1);
  ASSERT_TRUE(source.SaveProgramAsFXP(File("c.fxp").c_str()));
  ASSERT_TRUE(source.SaveBankAsFXB(File("c.fxb").c_str()));
  // Cut inside the state, after the first values: the reader applies some, then fails.
  const std::string program = ReadFile(File("c.fxp"));
  ASSERT_TRUE(WriteFile(File("half.fxp"), program.substr(0, 68 + 4 + 16)));
  const std::string bank = ReadFile(File("c.fxb"));
  ASSERT_TRUE(WriteFile(File("half.fxb"), bank.substr(0, bank.size() - 50)));

  Plug p(true);
  p.Set(-1, 1, 0);
  p.ModifyCurrentPreset("Mine");
  p.Set(-2, 2, 0); // the present state differs from the stored preset
  const Snapshot before(p);
  EXPECT_FALSE(p.LoadProgramFromFXP(File("half.fxp").c_str()));
  EXPECT_TRUE(Snapshot(p) == before);
  EXPECT_FALSE(p.LoadBankFromFXB(File("half.fxb").c_str()));
  EXPECT_TRUE(Snapshot(p) == before);
}

TEST_F(ProgramFiles, PathsThatCannotBeUsed)
{
  Plug p(false);
  EXPECT_FALSE(p.SaveProgramAsFXP(nullptr));
  EXPECT_FALSE(p.SaveProgramAsFXP(""));
  EXPECT_FALSE(p.SaveBankAsFXB(""));
  EXPECT_FALSE(p.LoadProgramFromFXP(nullptr));
  EXPECT_FALSE(p.LoadBankFromFXB(""));
  EXPECT_FALSE(p.SaveProgramAsFXP(File("missing/folder/p.fxp").c_str()));
  EXPECT_FALSE(p.LoadProgramFromFXP(File("missing.fxp").c_str()));
  EXPECT_FALSE(p.LoadBankFromFXB(mHome.Path().c_str())); // a folder
}

// A plug-in that cannot give its current state, or gives none, saves no program file of it, and says so.
TEST_F(ProgramFiles, AStateThatCannotBeGivenSavesNothing)
{
  Plug p(true);
  p.stateFails = true;
  EXPECT_FALSE(p.SaveProgramAsFXP(File("s.fxp").c_str()));
  EXPECT_FALSE(std::ifstream(File("s.fxp")).good());
  Plug empty(true);
  empty.stateEmpty = true;
  EXPECT_FALSE(empty.SaveProgramAsFXP(File("s.fxp").c_str()));
  EXPECT_FALSE(std::ifstream(File("s.fxp")).good());
}

// Chunk forms written without the framework header in front of the state are read from the state's first byte.
TEST_F(ProgramFiles, ChunkFormsWithoutTheFrameworkHeaderAreReadToo)
{
  Plug source(true);
  source.Set(4, 2, 1);
  source.ModifyCurrentPreset("Mine");
  ASSERT_TRUE(source.SaveProgramAsFXP(File("c.fxp").c_str()));
  ASSERT_TRUE(source.SaveBankAsFXB(File("c.fxb").c_str()));
  ASSERT_TRUE(WriteFile(File("bare.fxp"), ReadFile(File("c.fxp")).erase(60, 8)));
  ASSERT_TRUE(WriteFile(File("bare.fxb"), ReadFile(File("c.fxb")).erase(160, 8)));
  Plug program(true);
  ASSERT_TRUE(program.LoadProgramFromFXP(File("bare.fxp").c_str()));
  ExpectValues(program, {4, 2, 1});
  Plug bank(true);
  ASSERT_TRUE(bank.LoadBankFromFXB(File("bare.fxb").c_str()));
  EXPECT_STREQ(bank.GetPresetName(0), "Mine");
  ExpectValues(bank, {4, 2, 1});
}
