// The Drovik plug-in object: its parameters, the factory presets and the state chunk reader's decisions.
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "effect/Drovik.h"
#include "manual_run_loop.h"

using plug::IParam;
using plug::IStateChunk;

namespace {
const auto* const kManualRunLoop = ::testing::AddGlobalTestEnvironment(new testsupport::ManualRunLoop);

/// A Drovik that shows its factory presets and state reader to the tests.
class TestDrovik : public Drovik
{
public:
  TestDrovik() : Drovik(plug::InstanceInfo{}) {}
  int mNotifications = 0;
  void OnParamChange(int idx, plug::EParamChangeSource source, int) override
  {
    if (source == plug::kPresetRecall)
      ++mNotifications;
  }
};

std::string DisplayOf(const IParam& p)
{
  plug::LibString s;
  p.GetDisplay(s);
  return s.Get();
}
} // namespace

TEST(DrovikParams, TypesRangesStepsDefaultsGroupsAndDisplayTexts)
{
  TestDrovik d;
  using T = IParam::EValueType;
  const T dbl = IParam::kTypeDouble, en = IParam::kTypeEnum;
  const std::vector<std::string> offOn = {"off", "on"}, channels = {"Stereo", "Left", "Right", "Mid", "Side"};
  const struct
  {
    int idx;
    T type;
    double min, max, step, def;
    const char* group;
    std::vector<std::string> texts; // the display texts of values 0, 1, ...
  } rows[] = {
    {kGUIScale, dbl, 0.5, 3.0, 0.01, 1.0, "GUI", {}},
    {kTooltips, en, 0, 1, 1, 1, "GUI", {"Off", "On"}},
    {kOversampling, en, 0, 2, 1, 0, "Processing", {"off", "2x", "4x"}},
    {kBypass, en, 0, 1, 1, 0, "Processing", offOn},
    {kClipoffon, en, 0, 1, 1, 0, "Clip", offOn},
    {kClipCeiling, dbl, -60, 0, 0.1, -0.1, "Clip", {}},
    {kMeterDisplayMode, en, 0, 1, 1, 1, "Meter", {"In", "Out"}},
    {kMeterMode, en, 0, 4, 1, 4, "Meter", {"PEAK", "RMS", "EBU ML", "EBU SL", "VU"}},
    {kVURef, dbl, -36, 0, 1, -18, "Meter", {}},
    {kEBUSLRef, dbl, -36, 0, 1, -23, "Meter", {}},
    {kEBUMLRef, dbl, -36, 0, 1, -23, "Meter", {}},
    {kRMSRef, dbl, -36, 0, 1, -18, "Meter", {}},
    {kPEAKRef, dbl, -36, 0, 1, 0, "Meter", {}},
    {kMonitorMode0, en, 0, 4, 1, 0, "Monitor", channels},
    {kMonitorMode1, en, 0, 1, 1, 0, "Monitor", {"Normal", "In place"}},
    {kSat_offon, en, 0, 1, 1, 0, "Saturation", offOn},
    {kSat_ProcMode, en, 0, 4, 1, 0, "Saturation", channels},
    {kSat_mode, en, 0, 3, 1, 0, "Saturation", {"clean", "warm", "crisp", "classic"}},
    {kSat_stages, IParam::kTypeInt, 1, 5, 1, 1, "Saturation", {}},
    {kSat_driveeven, dbl, 0, 100, 1, 0, "Saturation", {}},
    {kSat_driveodd, dbl, 0, 100, 1, 0, "Saturation", {}},
    {kSat_fluctuation, dbl, 0, 100, 1, 0, "Saturation", {}},
    {kHideKnobText, en, 0, 1, 1, 0, "GUI", offOn},
    {kInputTrim, dbl, -24, 24, 0.1, 0, "Processing", {}},
    {kOutputTrim, dbl, -24, 24, 0.1, 0, "Processing", {}},
  };
  ASSERT_EQ(d.NParams(), kNumParams);
  ASSERT_EQ(int(std::size(rows)), kNumParams);
  for (int i = 0; i < kNumParams; ++i)
  {
    const auto& r = rows[i];
    ASSERT_EQ(r.idx, i);
    const IParam* p = d.GetParam(r.idx);
    EXPECT_EQ(p->Type(), r.type) << r.idx;
    EXPECT_EQ(p->GetMin(), r.min) << r.idx;
    EXPECT_EQ(p->GetMax(), r.max) << r.idx;
    EXPECT_EQ(p->GetStep(), r.step) << r.idx;
    EXPECT_EQ(p->GetDefault(), r.def) << r.idx;
    EXPECT_EQ(p->Value(), r.def) << r.idx;
    EXPECT_STREQ(p->GetGroup(), r.group) << r.idx;
    EXPECT_EQ(p->Unit(), IParam::kUnitCustom) << r.idx;
    EXPECT_EQ(p->GetShape().GetCurveKind(), 0) << r.idx;
    EXPECT_EQ(p->GetStepped(), r.type != dbl) << r.idx;
    EXPECT_EQ(p->GetCanAutomate(), r.idx != kGUIScale) << r.idx;
    ASSERT_EQ(p->NDisplayTexts(), int(r.texts.size())) << r.idx;
    for (size_t t = 0; t < r.texts.size(); ++t)
    {
      double value = -1.0;
      EXPECT_EQ(p->GetDisplayTextAtIdx(int(t), &value), r.texts[t]) << r.idx;
      EXPECT_EQ(value, double(t)) << r.idx;
    }
  }
  EXPECT_EQ(d.GetParam(kClipCeiling)->GetDisplayPrecision(), 1);
  EXPECT_EQ(DisplayOf(*d.GetParam(kClipCeiling)), "-0.1");
}

TEST(DrovikPresets, FactoryListAndTheFrameworkSlot)
{
  TestDrovik d;
  const char* names[] = {"Init", "Light", "Medium", "Warm", "Crazy", "Fuzzy", "Hit the ceiling", "Transformey",
                         "Tubey", "Unstable Drive"};
  ASSERT_EQ(d.NFactoryPresets(), 10);
  for (int i = 0; i < 10; ++i)
  {
    EXPECT_STREQ(d.GetFactoryPreset(i)->mName, names[i]);
    EXPECT_TRUE(d.GetFactoryPreset(i)->mInitialized);
  }
  EXPECT_EQ(d.NPresets(), 1);
  EXPECT_STREQ(d.GetPresetName(0), "Init");
  EXPECT_EQ(d.InitFactoryPresets(), 11);
}

TEST(DrovikPresets, FuzzyKeepsDoublesAndIntegersApart)
{
  TestDrovik source;
  TestDrovik d;
  const plug::IPresetSlot* fuzzy = source.GetFactoryPreset(5);
  ASSERT_STREQ(fuzzy->mName, "Fuzzy");
  EXPECT_EQ(d.UnserializeState(fuzzy->mChunk, 0), fuzzy->mChunk.Size());
  EXPECT_DOUBLE_EQ(d.GetParam(kClipCeiling)->Value(), -27.4);
  EXPECT_DOUBLE_EQ(d.GetParam(kSat_driveeven)->Value(), 0.1);
  EXPECT_DOUBLE_EQ(d.GetParam(kSat_driveodd)->Value(), 100.0);
  EXPECT_DOUBLE_EQ(d.GetParam(kSat_fluctuation)->Value(), 34.2);
  EXPECT_EQ(d.GetParam(kClipoffon)->Value(), 1.0);
  EXPECT_EQ(d.GetParam(kSat_stages)->Value(), 5.0);
  EXPECT_EQ(d.GetParam(kSat_mode)->Value(), double(kSatCrisp));
  EXPECT_EQ(d.GetParam(kInputTrim)->Value(), 0.0) << "everything else at its default";
  EXPECT_STREQ(d.GetPresetName(0), "Fuzzy");
}

TEST(DrovikPresets, EveryNamedPresetHoldsItsValuesAndDefaultsElsewhere)
{
  // clip on, ceiling dB, saturation on, placement, mode, stages, even %, odd %, fluctuation %
  const struct
  {
    const char* name;
    double values[9];
  } rows[] = {
    {"Light", {0, -0.1, 1, 0, kSatClean, 1, 25.0, 25.0, 0.0}},
    {"Medium", {0, -0.1, 1, 0, kSatClean, 2, 51.4, 51.4, 0.0}},
    {"Warm", {0, -0.1, 1, 0, kSatWarm, 2, 61.1, 34.3, 3.0}},
    {"Crazy", {0, -0.1, 1, 0, kSatCrisp, 3, 82.4, 68.3, 29.0}},
    {"Fuzzy", {1, -27.4, 1, 0, kSatCrisp, 5, 0.1, 100.0, 34.2}},
    {"Hit the ceiling", {1, -19.8, 1, 0, kSatCrisp, 5, 43.3, 78.8, 0.0}},
    {"Transformey", {0, -0.1, 1, 0, kSatCrisp, 5, 0.0, 79.7, 0.0}},
    {"Tubey", {0, -0.1, 1, 0, kSatWarm, 5, 100.0, 0.0, 0.0}},
    {"Unstable Drive", {0, -0.1, 1, 0, kSatWarm, 5, 75.1, 74.9, 100.0}},
  };
  const int columns[9] = {kClipoffon,  kClipCeiling,   kSat_offon,    kSat_ProcMode,   kSat_mode,
                          kSat_stages, kSat_driveeven, kSat_driveodd, kSat_fluctuation};
  TestDrovik source;
  ASSERT_EQ(source.NFactoryPresets(), 10);
  for (int p = 1; p < 10; ++p)
  {
    const auto& row = rows[p - 1];
    const plug::IPresetSlot* slot = source.GetFactoryPreset(p);
    ASSERT_STREQ(slot->mName, row.name);
    TestDrovik d;
    for (int i = 0; i < kNumParams; ++i)
      d.GetParam(i)->Set(d.GetParam(i)->GetMax());
    ASSERT_EQ(d.UnserializeState(slot->mChunk, 0), slot->mChunk.Size()) << row.name;
    std::vector<double> want(kNumParams);
    for (int i = 0; i < kNumParams; ++i)
      want[size_t(i)] = d.GetParam(i)->GetDefault();
    for (int c = 0; c < 9; ++c)
      want[size_t(columns[c])] = row.values[c];
    for (int i = 0; i < kNumParams; ++i)
      EXPECT_NEAR(d.GetParam(i)->Value(), want[size_t(i)], 1e-9) << row.name << ", parameter " << i;
    EXPECT_STREQ(d.GetPresetName(0), row.name);
  }
}

TEST(DrovikPresets, InitHoldsEveryDefault)
{
  TestDrovik source, d;
  for (int i = 0; i < kNumParams; ++i)
    d.GetParam(i)->Set(d.GetParam(i)->GetMax());
  const plug::IPresetSlot* init = source.GetFactoryPreset(0);
  d.UnserializeState(init->mChunk, 0);
  for (int i = 0; i < kNumParams; ++i)
    EXPECT_EQ(d.GetParam(i)->Value(), d.GetParam(i)->GetDefault()) << i;
}

namespace {
IStateChunk ValidChunk(TestDrovik& d)
{
  IStateChunk c;
  EXPECT_TRUE(d.WriteStateChunk(c));
  return c;
}

IStateChunk Patched(const IStateChunk& c, int at, uint32_t value)
{
  IStateChunk p;
  p.PutChunk(c);
  p.PutAt(&value, at);
  return p;
}

IStateChunk Prefix(const IStateChunk& c, int n)
{
  IStateChunk p;
  p.PutBytes(c.GetData(), n);
  return p;
}
} // namespace

TEST(DrovikStateChunk, ReaderDecisions)
{
  TestDrovik d;
  const IStateChunk valid = ValidChunk(d);
  uint32_t outer = 0;
  valid.Get(&outer, 4);
  const struct
  {
    const char* what;
    IStateChunk chunk;
    int pos;
    int result;
  } cases[] = {
    {"empty", IStateChunk(), 0, 0},
    {"negative position", valid, -3, -3},
    {"no room for an id", Prefix(valid, 3), 0, 0},
    {"not RIFF", Patched(valid, 0, 0x46464952u + 1), 0, 0},
    {"cut in the header", Prefix(valid, 11), 0, -1},
    {"outer version", Patched(valid, 8, 2), 0, 12},
    {"form id", Patched(valid, 12, 0), 0, 12},
    {"sub-chunk id", Patched(valid, 16, 0), 0, 16},
    {"cut before the inner fields end", Prefix(valid, 27), 0, -1},
    {"inner size 0", Patched(valid, 20, 0), 0, 28},
    {"inner version", Patched(valid, 24, 7), 0, 28},
    {"valid", valid, 0, valid.Size()},
    {"huge outer size", Patched(valid, 4, 0xfffffff0u), 0, valid.Size()},
  };
  for (const auto& c : cases)
    EXPECT_EQ(d.ReadStateChunk(c.chunk, c.pos), c.result) << c.what;
  EXPECT_EQ(int(8 + outer + (outer & 1)), valid.Size());
}

TEST(DrovikStateChunk, RoundTripRestoresValuesAndPresetName)
{
  TestDrovik a, b;
  for (int i = 0; i < kNumParams; ++i)
    a.GetParam(i)->SetNormalized(0.37);
  a.ModifyCurrentPreset("Thirty-seven");
  IStateChunk c;
  ASSERT_TRUE(a.SerializeState(c));
  b.mNotifications = 0;
  EXPECT_EQ(b.UnserializeState(c, 0), c.Size());
  for (int i = 0; i < kNumParams; ++i)
    EXPECT_NEAR(b.GetParam(i)->Value(), a.GetParam(i)->Value(), 1e-6) << i;
  EXPECT_STREQ(b.GetPresetName(0), "Thirty-seven");
  EXPECT_EQ(b.mNotifications, kNumParams);
}

TEST(DrovikStateChunk, HugeTextLengthDoesNotPassTheBoundsCheck)
{
  TestDrovik d;
  const IStateChunk valid = ValidChunk(d);
  d.GetParam(kInputTrim)->Set(5.0);
  for (uint32_t length : {0x7fffffffu, 0xfffffffcu, 0x80000000u})
  {
    d.mNotifications = 0;
    d.ReadStateChunk(Patched(valid, 28, length), 0);
    EXPECT_EQ(d.GetParam(kInputTrim)->Value(), 5.0);
    EXPECT_EQ(d.mNotifications, 0);
  }
}

TEST(DrovikStateChunk, ChunkAtAnOffsetIsReadFromThere)
{
  TestDrovik a, b;
  a.GetParam(kOutputTrim)->Set(-7.5);
  IStateChunk c;
  c.PutBytes("12345", 5);
  a.WriteStateChunk(c);
  EXPECT_EQ(b.ReadStateChunk(c, 5), c.Size());
  EXPECT_EQ(b.GetParam(kOutputTrim)->Value(), -7.5);
}
