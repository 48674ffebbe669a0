// The effect in a host that never sends an idle request and has no editor open: the run loop's own thread
// still delivers the idle call, so a latency change reaches the host by itself, while the host's main-thread
// requests and the timer never overlap.
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "drovik_instance.h"
#include "foundation/main_thread.h"
#include "temp_home.h"

using drovik_test::Instance;
using drovik_test::RecordingHost;

TEST(IdleOnItsOwn, LatencyChangeReachesAHostThatNeverCallsIdle)
{
  testsupport::TemporaryHome home;
  RecordingHost host;
  Instance instance(host);
  instance.Dispatch(vst2::effOpen);
  {
    // Like a host request: under the main-thread lock, so the timer cannot run meanwhile.
    foundation::MainThreadScope mainThread;
    instance.Plug()->plug::IPluginProcessor::SetLatency(128);
    instance.Effect()->initialDelay = 128;
  }
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (host.Count(vst2::audioMasterIOChanged) == 0 && std::chrono::steady_clock::now() < limit)
  {
    instance.Dispatch(vst2::effGetProgram); // main-thread requests keep coming meanwhile
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_EQ(host.Count(vst2::audioMasterIOChanged), 1);
  EXPECT_EQ(host.Count(vst2::audioMasterIdle), 0);
  foundation::MainThreadScope mainThread;
  EXPECT_EQ(instance.Effect()->initialDelay, 0);
}
