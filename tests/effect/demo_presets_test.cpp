// The README demo renders every factory preset by handing the test host normalised values (--param index=value),
// since the plug-in has a single program. Its table must name the factory presets in order and, applied through
// the host's setParameter, give the same values the presets store.
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "effect/Drovik.h"

namespace {

struct DemoPreset
{
  std::string name;
  std::vector<std::pair<int, double>> values; // index, normalised
};

/// The entries of the demo script's PRESETS=( ... ) array: "Name|index=value index=value ...".
std::vector<DemoPreset> ReadDemoPresets(const char* path)
{
  std::ifstream file(path);
  std::vector<DemoPreset> presets;
  std::string line;
  bool inTable = false;
  while (std::getline(file, line))
  {
    const size_t first = line.find_first_not_of(' ');
    const std::string text = first == std::string::npos ? "" : line.substr(first);
    if (!inTable)
    {
      inTable = text.rfind("PRESETS=(", 0) == 0;
      continue;
    }
    if (text == ")")
      break;
    if (text.size() < 2 || text.front() != '"' || text.back() != '"')
      continue;
    const std::string entry = text.substr(1, text.size() - 2);
    const size_t bar = entry.find('|');
    DemoPreset preset{entry.substr(0, bar), {}};
    std::istringstream pairs(bar == std::string::npos ? "" : entry.substr(bar + 1));
    std::string pair;
    while (pairs >> pair)
    {
      const size_t eq = pair.find('=');
      preset.values.emplace_back(std::stoi(pair.substr(0, eq)), std::stod(pair.substr(eq + 1)));
    }
    presets.push_back(preset);
  }
  return presets;
}

std::vector<double> Values(const Drovik& d)
{
  std::vector<double> v;
  for (int i = 0; i < d.NParams(); ++i)
    v.push_back(d.GetParam(i)->Value());
  return v;
}

} // namespace

TEST(DemoPresets, TheDemoTableNamesEveryFactoryPresetInOrder)
{
  Drovik d{plug::InstanceInfo{}};
  const std::vector<DemoPreset> demo = ReadDemoPresets(DROVIK_DEMO_SCRIPT);
  ASSERT_EQ(int(demo.size()), d.NFactoryPresets());
  for (int i = 0; i < d.NFactoryPresets(); ++i)
    EXPECT_EQ(demo[size_t(i)].name, d.GetFactoryPreset(i)->mName) << i;
}

TEST(DemoPresets, TheDemoValuesSetThroughTheHostEqualTheStoredPresets)
{
  const std::vector<DemoPreset> demo = ReadDemoPresets(DROVIK_DEMO_SCRIPT);
  ASSERT_FALSE(demo.empty());
  Drovik factory{plug::InstanceInfo{}};
  for (const DemoPreset& preset : demo)
  {
    const plug::IPresetSlot* stored = nullptr;
    for (int i = 0; i < factory.NFactoryPresets(); ++i)
      if (preset.name == factory.GetFactoryPreset(i)->mName)
        stored = factory.GetFactoryPreset(i);
    ASSERT_NE(stored, nullptr) << preset.name;

    Drovik fromPreset{plug::InstanceInfo{}}, fromDemo{plug::InstanceInfo{}};
    ASSERT_EQ(fromPreset.UnserializeState(stored->mChunk, 0), stored->mChunk.Size()) << preset.name;
    vst2::Effect& effect = fromDemo.GetEffect();
    for (const auto& [idx, normalised] : preset.values)
      effect.setParameter(&effect, idx, float(normalised));

    const std::vector<double> want = Values(fromPreset), got = Values(fromDemo);
    for (size_t i = 0; i < want.size(); ++i)
      EXPECT_NEAR(got[i], want[i], 1e-3) << preset.name << ", parameter " << i << " ("
                                         << fromDemo.GetParam(int(i))->GetName() << ")";
  }
}
