// The Drovik plug-in object: its parameters, the factory presets, the state chunk reader's decisions and the
// preset name a file name gives.
#include <algorithm>
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

/// A Drovik that shows its factory presets and state reader to the tests; what parameter changes set off is the
/// engine tests' concern.
class TestDrovik : public Drovik
{
public:
  TestDrovik() : Drovik(plug::InstanceInfo{}) {}
  void OnParamChange(int, plug::EParamChangeSource, int) override {}
};

std::string DisplayOf(const IParam& p)
{
  plug::LibString s;
  p.GetDisplay(s);
  return s.Get();
}
} // namespace

// The 25-parameter contract as hosts and the editor see it: names, labels, types, ranges, steps, defaults, the
// display text at the default, groups and the display texts of enumerated values.
TEST(DrovikParams, TheContractTable)
{
  TestDrovik d;
  using T = IParam::EValueType;
  const T dbl = IParam::kTypeDouble, en = IParam::kTypeEnum;
  const std::vector<std::string> offOn = {"off", "on"}, channels = {"Stereo", "Left", "Right", "Mid", "Side"};
  const struct
  {
    int idx;
    const char *name, *label;
    T type;
    double min, max, step, def;
    const char *display, *group;
    std::vector<std::string> texts; // the display texts of values 0, 1, ...
  } rows[] = {
    {kGUIScale, "GUI Scale", "", dbl, 0.5, 3.0, 0.01, 1.0, "1.00", "GUI", {}},
    {kTooltips, "Toggle Tooltips", "", en, 0, 1, 1, 1, "On", "GUI", {"Off", "On"}},
    {kOversampling, "OS Off/2x/4x", "", en, 0, 2, 1, 0, "off", "Processing", {"off", "2x", "4x"}},
    {kBypass, "ByPass Off/On", "", en, 0, 1, 1, 0, "off", "Processing", offOn},
    {kClipoffon, "Clip Off/On", "", en, 0, 1, 1, 0, "off", "Clip", offOn},
    {kClipCeiling, "Clip Ceiling", "", dbl, -60, 0, 0.1, -0.1, "-0.1", "Clip", {}},
    {kMeterDisplayMode, "Meter Display Mode", "", en, 0, 1, 1, 1, "Out", "Meter", {"In", "Out"}},
    {kMeterMode, "Meter Mode", "", en, 0, 4, 1, 4, "VU", "Meter", {"PEAK", "RMS", "EBU ML", "EBU SL", "VU"}},
    {kVURef, "VU Reference", "dBFS", dbl, -36, 0, 1, -18, "-18", "Meter", {}},
    {kEBUSLRef, "EBU SL Reference", "dBFS", dbl, -36, 0, 1, -23, "-23", "Meter", {}},
    {kEBUMLRef, "EBU ML Reference", "dBFS", dbl, -36, 0, 1, -23, "-23", "Meter", {}},
    {kRMSRef, "RMS Reference", "dBFS", dbl, -36, 0, 1, -18, "-18", "Meter", {}},
    {kPEAKRef, "PEAK Reference", "dBFS", dbl, -36, 0, 1, 0, "0", "Meter", {}},
    {kMonitorMode0, "Monitor Mode 0", "", en, 0, 4, 1, 0, "Stereo", "Monitor", channels},
    {kMonitorMode1, "Monitor Mode 1", "", en, 0, 1, 1, 0, "Normal", "Monitor", {"Normal", "In place"}},
    {kSat_offon, "Saturation Off/On", "", en, 0, 1, 1, 0, "off", "Saturation", offOn},
    {kSat_ProcMode, "Saturation Stereo Placement", "", en, 0, 4, 1, 0, "Stereo", "Saturation", channels},
    {kSat_mode, "Saturation Mode", "", en, 0, 3, 1, 0, "clean", "Saturation", {"clean", "warm", "crisp", "classic"}},
    {kSat_stages, "Saturation Stages", "", IParam::kTypeInt, 1, 5, 1, 1, "1", "Saturation", {}},
    {kSat_driveeven, "Saturation Even Harmonics", "%", dbl, 0, 100, 1, 0, "0", "Saturation", {}},
    {kSat_driveodd, "Saturation Odd Harmonics", "%", dbl, 0, 100, 1, 0, "0", "Saturation", {}},
    {kSat_fluctuation, "Saturation Fluctuation", "%", dbl, 0, 100, 1, 0, "0", "Saturation", {}},
    {kHideKnobText, "Hide Knob Overlay Text", "", en, 0, 1, 1, 0, "off", "GUI", offOn},
    {kInputTrim, "Input Trim", "dB", dbl, -24, 24, 0.1, 0, "0.0", "Processing", {}},
    {kOutputTrim, "Output Trim", "dB", dbl, -24, 24, 0.1, 0, "0.0", "Processing", {}},
  };
  ASSERT_EQ(d.NParams(), kNumParams);
  ASSERT_EQ(int(std::size(rows)), kNumParams);
  for (int i = 0; i < kNumParams; ++i)
  {
    const auto& r = rows[i];
    ASSERT_EQ(r.idx, i);
    const IParam* p = d.GetParam(r.idx);
    EXPECT_STREQ(p->GetName(), r.name) << r.idx;
    EXPECT_STREQ(p->GetLabel(), r.label) << r.idx;
    EXPECT_EQ(p->Type(), r.type) << r.idx;
    EXPECT_EQ(p->GetMin(), r.min) << r.idx;
    EXPECT_EQ(p->GetMax(), r.max) << r.idx;
    EXPECT_EQ(p->GetStep(), r.step) << r.idx;
    EXPECT_EQ(p->GetDefault(), r.def) << r.idx;
    EXPECT_EQ(p->Value(), r.def) << r.idx;
    EXPECT_EQ(DisplayOf(*p), r.display) << r.idx;
    EXPECT_STREQ(p->GetGroup(), r.group) << r.idx;
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
}

// The ten factory presets load whole, each naming the current preset and holding every value in its range;
// "Init" holds every default. The host sees one program slot.
TEST(DrovikPresets, EveryFactoryPresetLoadsWholeAndInitHoldsTheDefaults)
{
  TestDrovik source;
  const char* names[] = {"Init", "Light", "Medium", "Warm", "Crazy", "Fuzzy", "Hit the ceiling", "Transformey",
                         "Tubey", "Unstable Drive"};
  ASSERT_EQ(source.NFactoryPresets(), 10);
  EXPECT_EQ(source.NPresets(), 1);
  for (int p = 0; p < 10; ++p)
  {
    const plug::IPresetSlot* slot = source.GetFactoryPreset(p);
    ASSERT_STREQ(slot->mName, names[p]);
    EXPECT_TRUE(slot->mInitialized);
    TestDrovik d;
    for (int i = 0; i < kNumParams; ++i)
      d.GetParam(i)->Set(d.GetParam(i)->GetMax());
    ASSERT_EQ(d.UnserializeState(slot->mChunk, 0), slot->mChunk.Size()) << names[p];
    EXPECT_STREQ(d.GetPresetName(0), names[p]);
    int changed = 0;
    for (int i = 0; i < kNumParams; ++i)
    {
      const IParam* param = d.GetParam(i);
      EXPECT_GE(param->Value(), param->GetMin()) << names[p] << ", parameter " << i;
      EXPECT_LE(param->Value(), param->GetMax()) << names[p] << ", parameter " << i;
      changed += param->Value() != param->GetDefault();
    }
    EXPECT_EQ(changed == 0, p == 0) << names[p];
  }
  EXPECT_EQ(source.InitFactoryPresets(), 11);
}

// Each factory preset holds exactly its published values: the listed ones as published, every other parameter
// at its default.
TEST(DrovikPresets, FactoryPresetsHoldThePublishedValues)
{
  constexpr double kDefault = -1000; // "not listed": the parameter's default
  const struct
  {
    const char* name;
    double clipOn, ceiling, satOn, placement, mode, stages, even, odd, fluctuation;
  } rows[] = {
    {"Init", kDefault, kDefault, kDefault, kDefault, kDefault, kDefault, kDefault, kDefault, kDefault},
    {"Light", kDefault, kDefault, 1, 0, 0, 1, 25.0, 25.0, 0.0},
    {"Medium", kDefault, kDefault, 1, 0, 0, 2, 51.4, 51.4, 0.0},
    {"Warm", kDefault, kDefault, 1, 0, 1, 2, 61.1, 34.3, 3.0},
    {"Crazy", kDefault, kDefault, 1, 0, 2, 3, 82.4, 68.3, 29.0},
    {"Fuzzy", 1, -27.4, 1, 0, 2, 5, 0.1, 100.0, 34.2},
    {"Hit the ceiling", 1, -19.8, 1, 0, 2, 5, 43.3, 78.8, 0.0},
    {"Transformey", kDefault, kDefault, 1, 0, 2, 5, 0.0, 79.7, 0.0},
    {"Tubey", kDefault, kDefault, 1, 0, 1, 5, 100.0, 0.0, 0.0},
    {"Unstable Drive", kDefault, kDefault, 1, 0, 1, 5, 75.1, 74.9, 100.0},
  };
  const int columns[] = {kClipoffon, kClipCeiling, kSat_offon, kSat_ProcMode, kSat_mode, kSat_stages,
                         kSat_driveeven, kSat_driveodd, kSat_fluctuation};
  TestDrovik source;
  ASSERT_EQ(source.NFactoryPresets(), int(std::size(rows)));
  for (int p = 0; p < int(std::size(rows)); ++p)
  {
    const auto& row = rows[p];
    const double listed[] = {row.clipOn, row.ceiling, row.satOn, row.placement, row.mode,
                             row.stages, row.even, row.odd, row.fluctuation};
    TestDrovik d;
    for (int i = 0; i < kNumParams; ++i)
      d.GetParam(i)->Set(d.GetParam(i)->GetMax());
    const plug::IPresetSlot* slot = source.GetFactoryPreset(p);
    ASSERT_STREQ(slot->mName, row.name);
    ASSERT_EQ(d.UnserializeState(slot->mChunk, 0), slot->mChunk.Size()) << row.name;
    for (int i = 0; i < kNumParams; ++i)
    {
      double expected = d.GetParam(i)->GetDefault();
      for (size_t c = 0; c < std::size(columns); ++c)
        if (columns[c] == i && listed[c] != kDefault)
          expected = listed[c];
      EXPECT_EQ(d.GetParam(i)->Value(), expected) << row.name << ", " << d.GetParam(i)->GetName();
    }
  }
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
    {"only the id", Prefix(valid, 4), 0, -1},
    {"not RIFF", Patched(valid, 0, 0x46464952u + 1), 0, 0},
    {"cut in the header", Prefix(valid, 11), 0, -1},
    {"outer version", Patched(valid, 8, 2), 0, -1},
    {"outer version 0", Patched(valid, 8, 0), 0, -1},
    {"form id", Patched(valid, 12, 0), 0, -1},
    {"sub-chunk id", Patched(valid, 16, 0), 0, -1},
    {"cut before the inner fields end", Prefix(valid, 27), 0, -1},
    {"inner size 0", Patched(valid, 20, 0), 0, -1},
    {"inner version", Patched(valid, 24, 7), 0, -1},
    {"inner version 0", Patched(valid, 24, 0), 0, -1},
    {"cut in the document", Prefix(valid, 40), 0, -1},
    {"a document that is no XML", Patched(valid, 28, 0x21212121u), 0, -1},
    {"valid", valid, 0, valid.Size()},
    {"huge outer size", Patched(valid, 4, 0xfffffff0u), 0, valid.Size()},
  };
  for (const auto& c : cases)
    EXPECT_EQ(d.ReadStateChunk(c.chunk, c.pos), c.result) << c.what;
  EXPECT_EQ(int(8 + outer + (outer & 1)), valid.Size());
  // A state of an odd size (a byte longer than written here) ends after the byte that pads it.
  IStateChunk odd = Patched(valid, 4, outer + 1);
  odd.PutBytes("\0\0more", 6);
  EXPECT_EQ(d.ReadStateChunk(odd, 0), valid.Size() + 2);
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

// A subset table ends at its row of index -1: an index 0 before it is in the subset, rows after it are not.
TEST(DrovikPresets, SubsetTableEndsAtItsLastRow)
{
  const IXMLParameterRow table[] = {{"a", 3, 2, "%d"}, {"b", 0, 2, "%d"}, {"", -1, 0, ""}, {"c", 7, 2, "%d"}};
  EXPECT_TRUE(IXMLParameters::InSubset(table, 0));
  EXPECT_TRUE(IXMLParameters::InSubset(table, 3));
  EXPECT_FALSE(IXMLParameters::InSubset(table, 7));
  EXPECT_FALSE(IXMLParameters::InSubset(nullptr, 3));
}

// A name taken from a file name keeps at most 1023 characters.
TEST(DrovikPresetNames, NameFromALongFileNameIsCut)
{
  for (const size_t length : {size_t(1023), size_t(1024), size_t(3000)})
  {
    plug::LibString name;
    Drovik::PresetNameFromPath(("/folder/" + std::string(length, 'n') + ".vqp").c_str(), name);
    EXPECT_EQ(std::string(name.Get()), std::string(std::min(length, size_t(1023)), 'n')) << length;
  }
}
