// Right after the oversampling is switched on, the effect record's initialDelay holds the new latency, before
// any idle tick; the host is still told (I/O changed) by the idle handler, once.
#include <gtest/gtest.h>

#include "drovik_instance.h"
#include "effect/Drovik.h"
#include "foundation/run_loop.h"
#include "temp_home.h"

using drovik_test::Instance;
using drovik_test::RecordingHost;

namespace {

/// Opens the instance at 44.1 kHz in blocks of 512 as a host does; the effect behind it.
Drovik* Opened(Instance& instance)
{
  instance.Dispatch(vst2::effOpen);
  instance.Dispatch(vst2::effSetSampleRate, 0, 0, nullptr, 44100.f);
  instance.Dispatch(vst2::effSetBlockSize, 0, 512);
  return dynamic_cast<Drovik*>(instance.Plug());
}

} // namespace

TEST(LatencyRecord, HoldsTheNewLatencyAsSoonAsTheFactorChanges)
{
  foundation::ManualClock clock;
  foundation::RunLoop::Main().UseManualClock(&clock);
  testsupport::TemporaryHome home;
  RecordingHost host;
  {
    Instance instance(host);
    Drovik* drovik = Opened(instance);
    ASSERT_TRUE(drovik);
    vst2::Effect* e = instance.Effect();
    const int told = host.Count(vst2::audioMasterIOChanged);
    for (int setting : {kOS4x, kOS2x, kOSOff})
    {
      e->setParameter(e, kOversampling, float(drovik->GetParam(kOversampling)->ToNormalized(setting)));
      const int latency = drovik->CurrentOSLatency();
      EXPECT_EQ(setting == kOSOff, latency == 0);
      EXPECT_EQ(e->initialDelay, latency) << setting;
      EXPECT_EQ(host.Count(vst2::audioMasterIOChanged), told) << "not told before the tick";
    }
    e->setParameter(e, kOversampling, float(drovik->GetParam(kOversampling)->ToNormalized(kOS4x)));
    clock.Advance(0.020);
    foundation::RunLoop::Main().RunDueTimers();
    EXPECT_EQ(host.Count(vst2::audioMasterIOChanged), told + 1);
    EXPECT_EQ(host.mDelaysAtIOChanged.back(), drovik->CurrentOSLatency());
  }
  foundation::RunLoop::Main().UseManualClock(nullptr);
}

// The hosts that learn a changed latency only when told at once hear of a new factor before any idle tick.
TEST(LatencyRecord, HostsThatTakeItAtOnceAreToldWithoutATick)
{
  foundation::ManualClock clock;
  foundation::RunLoop::Main().UseManualClock(&clock);
  testsupport::TemporaryHome home;
  for (const char* product : {"Fruity Wrapper", "Logic Pro X", "PreSonus Studio One", "Waveform 12", "SADiE 6"})
  {
    RecordingHost host;
    host.mProduct = product;
    Instance instance(host);
    Drovik* drovik = Opened(instance);
    ASSERT_TRUE(drovik);
    vst2::Effect* e = instance.Effect();
    const int told = host.Count(vst2::audioMasterIOChanged);
    e->setParameter(e, kOversampling, float(drovik->GetParam(kOversampling)->ToNormalized(kOS2x)));
    ASSERT_GT(drovik->CurrentOSLatency(), 0);
    EXPECT_EQ(host.Count(vst2::audioMasterIOChanged), told + 1) << product;
    EXPECT_EQ(host.mDelaysAtIOChanged.back(), drovik->CurrentOSLatency()) << product;
  }
  foundation::RunLoop::Main().UseManualClock(nullptr);
}
