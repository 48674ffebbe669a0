// What is done while the plug-in lock is held, the lock the audio thread takes for each block: nothing is
// allocated under it (so no file is read or parsed and no buffer built there) for any change a host or the editor
// makes, and blocks are processed while the editor reads and writes preset files.
#include "engine_support.h"
#include "alloc_counter.h"
#include "counting_malloc.h"
#include "temp_home.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using enginetest::Make;
using enginetest::Set;
using enginetest::TestDrovik;

std::atomic<const plug::LibMutex*> gWatched{nullptr};
std::atomic<int> gTakings{0};

/// Counts, on the thread holding it, the allocations made while the watched lock is held.
void WatchLock(const plug::LibMutex& mutex, bool held)
{
  if (&mutex != gWatched.load()) return;
  if (held) ++gTakings;
  counting_malloc::Arm(held);
}

struct UnderLock
{
  size_t allocations = 0;
  int takings = 0;
};

/// Runs work on this thread and counts what it did while holding d's plug-in lock.
UnderLock CountUnderLock(const TestDrovik& d, const std::function<void()>& work)
{
  gWatched = &d.PluginLock();
  gTakings = 0;
  plug::LibMutex::SetWatch(&WatchLock);
  const size_t before = testsupport::AllocationCount();
  work();
  UnderLock seen{testsupport::AllocationCount() - before, gTakings.load()};
  plug::LibMutex::SetWatch(nullptr);
  gWatched = nullptr;
  return seen;
}

/// The settings whose change builds something: the highest oversampling and the meter with the longest window.
const std::vector<std::pair<int, double>> kCostly = {
  {kOversampling, kOS4x}, {kMeterMode, kMeterEBUSL}, {kSat_offon, 1}, {kSat_stages, 5}, {kClipoffon, 1}};

struct Case
{
  const char* what;
  std::function<void(TestDrovik&)> change;
};

TEST(PluginLock, NothingIsAllocatedUnderItForAnyChange)
{
  testsupport::TemporaryHome home;
  const std::string file = home.Path() + "/Costly.vqp";
  plug::IStateChunk costlyState;
  {
    auto source = Make();
    Set(*source, kCostly);
    ASSERT_TRUE(source->SavePresetFile(file.c_str()));
    ASSERT_TRUE(source->SavePresetFile((std::string(source->DataFolder().Get()) + "/User.vqp").c_str()));
    ASSERT_TRUE(source->WriteStateChunk(costlyState));
  }
  auto fromEditor = [](int action) {
    return [action](TestDrovik& d) { Set(d, {{action, 0}}, plug::kUI); };
  };
  const Case cases[] = {
    {"meter modes", [](TestDrovik& d) {
       for (int mode : {kMeterPeak, kMeterRMS, kMeterEBUML, kMeterEBUSL, kMeterVU}) Set(d, {{kMeterMode, mode}}, plug::kUI);
     }},
    {"oversampling", [](TestDrovik& d) {
       for (int os : {kOS2x, kOS4x, kOS2x, kOSOff, kOS4x, kOSOff}) Set(d, {{kOversampling, os}}, plug::kHost);
     }},
    {"sample rate", [](TestDrovik& d) {
       for (double fs : {96000.0, 44100.0})
       {
         d.plug::IPluginProcessor::SetSampleRate(fs);
         d.OnReset();
       }
     }},
    {"state chunk", [&](TestDrovik& d) { EXPECT_GT(d.UnserializeState(costlyState, 0), 0); }},
    {"preset load", [&](TestDrovik& d) {
       fromEditor(kActionLoadPreset)(d);
       EXPECT_EQ(d.GetMirror(kOversampling), kOS4x);
       EXPECT_EQ(d.GetMirror(kMeterMode), kMeterEBUSL);
     }},
    {"preset save", fromEditor(kActionSavePreset)},
    {"save as default", fromEditor(kActionSaveDefaultPreset)},
    {"rescan", [&](TestDrovik& d) {
       fromEditor(kActionRescanPresets)(d);
       EXPECT_EQ(d.NUserPresets(), 1);
     }},
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.what);
    auto d = Make();
    d->mEditorOpen = true;
    d->mChosenPath = file;
    const UnderLock seen = CountUnderLock(*d, [&] { c.change(*d); });
    EXPECT_GT(seen.takings, 0) << "the change takes the lock";
    EXPECT_EQ(seen.allocations, 0u);
  }
}

// A new rate or block size rebuilds the resamplers and the meters' buffers and may change the latency reported
// (and with it the host's bypass delay): with every meter mode at every oversampling factor, none of that is
// built under the lock, and the latency the host is told is the one the new resamplers have.
TEST(PluginLock, NothingIsAllocatedUnderItWhenTheRateOrBlockSizeChangesAtAnySetting)
{
  struct Reset
  {
    double fs;
    int blockSize;
  };
  // From 48 kHz and 512 frames, two by two in turn: the rate, the block size, both, the rate again.
  const Reset resets[] = {{96000.0, 512}, {96000.0, 64}, {44100.0, 2048}, {48000.0, 2048}};
  for (int factor : {kOS2x, kOS4x})
  {
    auto d = Make();
    int next = 0;
    for (int meter : {kMeterPeak, kMeterRMS, kMeterEBUML, kMeterEBUSL, kMeterVU})
    {
      SCOPED_TRACE("oversampling " + std::to_string(factor) + ", meter mode " + std::to_string(meter));
      // Reported without oversampling, then switched on: the first reset reports the factor's latency.
      Set(*d, {{kOversampling, kOSOff}, {kMeterMode, meter}});
      d->OnIdle();
      ASSERT_EQ(d->GetLatency(), 0);
      Set(*d, {{kOversampling, factor}});
      for (int i = 0; i < 2; ++i)
      {
        const Reset& r = resets[next++ % 4];
        SCOPED_TRACE(std::to_string(r.fs) + " Hz, " + std::to_string(r.blockSize) + " frames");
        const UnderLock seen = CountUnderLock(*d, [&] {
          d->plug::IPluginProcessor::SetSampleRate(r.fs);
          d->plug::IPluginProcessor::SetBlockSize(r.blockSize);
          d->OnReset();
        });
        EXPECT_GT(seen.takings, 0) << "the reset takes the lock";
        EXPECT_EQ(seen.allocations, 0u);
        EXPECT_EQ(d->GetLatency(), d->CurrentOSLatency());
        EXPECT_GT(d->GetLatency(), 0);
      }
    }
  }
}

// A switch of oversampling changes the latency; hosts learn it at once (FL Studio), from the next block (Pro
// Tools) or from the idle handler (the others), each time under the lock: with every meter mode, nothing is
// allocated under it on any of these paths, and each host ends up told the latency of the factor that runs.
TEST(PluginLock, NothingIsAllocatedUnderItWhenAnyHostIsToldOfAFactorSwitch)
{
  std::vector<double> silence(64, 0.0), out(64);
  double* in[2] = {silence.data(), silence.data()};
  double* outputs[2] = {out.data(), out.data()};
  for (const char* host : {"", "Fruity Loops", "ProTools"})
  {
    auto d = Make();
    d->IdentifyHost(host, 0);
    for (int meter : {kMeterPeak, kMeterRMS, kMeterEBUML, kMeterEBUSL, kMeterVU})
    {
      SCOPED_TRACE(std::string("host \"") + host + "\", meter mode " + std::to_string(meter));
      Set(*d, {{kMeterMode, meter}});
      for (int factor : {kOS4x, kOSOff})
      {
        SCOPED_TRACE("oversampling " + std::to_string(factor));
        const UnderLock seen = CountUnderLock(*d, [&] {
          Set(*d, {{kOversampling, factor}}, plug::kHost);
          d->OnIdle();
          d->ProcessBlock(in, outputs, 64);
        });
        EXPECT_EQ(seen.allocations, 0u);
        EXPECT_EQ(d->GetLatency(), d->CurrentOSLatency());
        EXPECT_EQ(d->GetLatency() > 0, factor != kOSOff);
      }
    }
  }
}

// The editor loads, saves and rescans presets (switching oversampling with them) and the host changes the sample
// rate while the audio thread processes a fixed number of blocks: both finish, the audio stays finite, and the
// last preset loaded is in force. Under the thread sanitizer this checks that what is swapped in is swapped under
// the lock.
TEST(PluginLock, AudioRunsOnWhileTheEditorWorksWithPresetFiles)
{
  testsupport::TemporaryHome home;
  auto d = Make();
  d->mEditorOpen = true;
  const std::string folder = d->DataFolder().Get();
  Set(*d, {{kOversampling, kOS2x}, {kSat_offon, 1}, {kSat_stages, 3}});
  d->mChosenPath = folder + "/Two.vqp";
  Set(*d, {{kActionSavePreset, 0}}, plug::kUI);
  Set(*d, kCostly);
  d->mChosenPath = folder + "/Four.vqp";
  Set(*d, {{kActionSavePreset, 0}}, plug::kUI);

  constexpr int kBlocks = 400, kRounds = 20;
  bool finite = true;
  std::thread audio([&] {
    std::vector<double> x(512), y(512);
    for (int b = 0; b < kBlocks; ++b)
    {
      for (size_t n = 0; n < x.size(); ++n) x[n] = 0.5 * std::sin(0.05 * double(n + 512 * size_t(b)));
      double* in[2] = {x.data(), x.data()};
      double* out[2] = {y.data(), y.data()};
      d->ProcessBlock(in, out, 512);
      for (double v : y) finite = finite && std::isfinite(v);
    }
  });
  for (int r = 0; r < kRounds; ++r)
  {
    d->mChosenPath = folder + (r % 2 ? "/Four.vqp" : "/Two.vqp");
    Set(*d, {{kActionLoadPreset, 0}, {kActionRescanPresets, 0}, {kActionSaveDefaultPreset, 0}}, plug::kUI);
    d->plug::IPluginProcessor::SetSampleRate(r % 3 ? 48000.0 : 44100.0);
    d->OnReset();
  }
  audio.join();
  EXPECT_TRUE(finite);
  EXPECT_EQ(d->GetMirror(kOversampling), kOS4x);
  EXPECT_EQ(d->GetMirror(kSat_stages), 5);
  EXPECT_EQ(d->NUserPresets(), 2);
}

} // namespace
