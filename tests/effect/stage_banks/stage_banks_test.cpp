// The stage banks change nothing a host or the editor can observe: the same scripted sessions run against the
// effect built with and without them (two probe modules loaded side by side) give identical audio,
// meter readings, parameter texts and state chunks.
#include <dlfcn.h>

#include <cstring>
#include <memory>

#include <gtest/gtest.h>

#include "probe.h"

namespace {

StageBankProbeFn LoadProbe(const char* path)
{
  void* module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (!module)
    return nullptr;
  // The modules stay loaded for the test's life.
  return reinterpret_cast<StageBankProbeFn>(dlsym(module, kStageBankProbeSymbol));
}

TEST(StageBanks, LeaveAudioMetersTextsAndStateUnchanged)
{
  const StageBankProbeFn withBanks = LoadProbe(DROVIK_PROBE_WITH_BANKS);
  const StageBankProbeFn withoutBanks = LoadProbe(DROVIK_PROBE_WITHOUT_BANKS);
  ASSERT_NE(withBanks, nullptr) << dlerror();
  ASSERT_NE(withoutBanks, nullptr) << dlerror();

  for (int scenario = 0; scenario < kStageBankProbeScenarios; ++scenario)
  {
    SCOPED_TRACE(scenario);
    auto a = std::make_unique<StageBankProbeResult>();
    auto b = std::make_unique<StageBankProbeResult>();
    withBanks(scenario, a.get());
    withoutBanks(scenario, b.get());
    ASSERT_EQ(a->ok, 1);
    ASSERT_EQ(b->ok, 1);
    // The two builds differ: one instance carries the banks.
    EXPECT_GT(a->instanceBytes, b->instanceBytes + 12 * 7000);

    EXPECT_EQ(std::memcmp(a->outFloat, b->outFloat, sizeof(a->outFloat)), 0) << "float audio";
    EXPECT_EQ(std::memcmp(a->outDouble, b->outDouble, sizeof(a->outDouble)), 0) << "double audio";
    EXPECT_EQ(std::memcmp(a->meters, b->meters, sizeof(a->meters)), 0) << "meters";
    for (int p = 0; p < StageBankProbeResult::kNumParams; ++p)
      EXPECT_STREQ(a->paramText[p], b->paramText[p]) << p;
    ASSERT_GT(a->programChunkSize, 0);
    ASSERT_EQ(a->programChunkSize, b->programChunkSize);
    EXPECT_EQ(std::memcmp(a->programChunk, b->programChunk, static_cast<size_t>(a->programChunkSize)), 0);
    ASSERT_GT(a->bankChunkSize, 0);
    ASSERT_EQ(a->bankChunkSize, b->bankChunkSize);
    EXPECT_EQ(std::memcmp(a->bankChunk, b->bankChunk, static_cast<size_t>(a->bankChunkSize)), 0);

    // The session really produced sound and (unless bypassed) moved the meters.
    double energy = 0.0;
    for (int c = 0; c < StageBankProbeResult::kChannels; ++c)
      for (int i = 0; i < StageBankProbeResult::kFrames; ++i)
        energy += a->outDouble[c][i] * a->outDouble[c][i];
    EXPECT_GT(energy, 1.0);
    if (scenario != kStageBankProbeBypassed)
    {
      EXPECT_GT(a->meters[StageBankProbeResult::kBlocks - 1][0], 0.0);
    }
  }
}

} // namespace
