// The meters as the open editor shows them, in every meter mode with the oversampling off, at 2x and at 4x: the
// level a user expects for a known tone, the same on the needle, in the numbers and in the meter's own reading;
// windows, holds and falls that last as long in time whatever rate the meters run at; and a refresh every 20 ms
// of audio.
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "editor_fixture.h"
#include "graphics/bases/ITextControl.h"

namespace {

using namespace plug::igraphics;

constexpr double kRate = 48000;
constexpr int kBlock = 512;

double Db(double level) { return 20 * std::log10(level); }
double Amplitude(double db) { return std::pow(10.0, db / 20); }

/// A 997 Hz tone of the amplitude, faded in over the first 10 ms (a hard start rings through the resamplers),
/// starting at host sample `start`.
std::function<double(long)> Tone(double amplitude, long start = 0, long fade = 480)
{
  return [=](long t) {
    if (t < start) return 0.0;
    const double ramp = t - start < fade ? double(t - start) / double(fade) : 1.0;
    return amplitude * ramp * std::sin(2 * M_PI * 997.0 * double(t - start) / kRate);
  };
}

struct ModeCase
{
  int mode;
  const char* name;
  int referenceParam;
};
const ModeCase kModes[] = {{kMeterPeak, "PEAK", kPEAKRef},      {kMeterRMS, "RMS", kRMSRef},
                           {kMeterEBUML, "EBU ML", kEBUMLRef}, {kMeterEBUSL, "EBU SL", kEBUSLRef},
                           {kMeterVU, "VU", kVURef}};
const char* const kFactorNames[] = {"1x", "2x", "4x"};

struct MeterLevels : editortest::Editor
{
  void SetUp() override
  {
    Editor::SetUp();
    ASSERT_EQ(Open(), 1);
    mInstance->Dispatch(vst2::effSetSampleRate, 0, 0, nullptr, float(kRate));
    mInstance->Dispatch(vst2::effSetBlockSize, 0, kBlock);
    mInstance->Dispatch(vst2::effMainsChanged, 0, 1);
  }
  /// Meter mode, oversampling setting (0 off, 1 2x, 2 4x) and the mode's reference as a host sets them; the one
  /// set last (the factor, or the mode) changes from another value, so that it sets the meters up. The signal's
  /// clock starts again.
  void Configure(const ModeCase& m, int oversampling, double reference, bool factorLast)
  {
    const auto setFactor = [this](int setting) { SetHostValue(kOversampling, float(setting) / 2.f); };
    const auto setMode = [this](int mode) { SetHostValue(kMeterMode, float(mode) / 4.f); };
    if (factorLast)
    {
      setFactor((oversampling + 1) % 3);
      setMode(m.mode);
      setFactor(oversampling);
    }
    else
    {
      setFactor(oversampling);
      setMode((m.mode + 1) % 5);
      setMode(m.mode);
    }
    SetHostValue(m.referenceParam, float((reference + 36.0) / 36.0));
    mTime = 0;
  }
  /// Processes `frames` host frames of the signal (host sample index to value, both channels) in blocks, calling
  /// `each` after every block with the frames done; the clock advances with the audio and the timers fire.
  void Run(const std::function<double(long)>& signal, long frames, int block = kBlock,
           const std::function<void(long)>& each = nullptr)
  {
    vst2::Effect* e = mInstance->Effect();
    const size_t size = size_t(block);
    std::vector<float> l(size), r(size), ol(size), or_(size);
    float* in[2] = {l.data(), r.data()};
    float* out[2] = {ol.data(), or_.data()};
    long sinceTick = 0;
    for (long done = 0; done < frames;)
    {
      const int n = int(std::min<long>(block, frames - done));
      for (int i = 0; i < n; ++i) l[size_t(i)] = r[size_t(i)] = float(signal(mTime + i));
      e->processReplacing(e, in, out, n);
      mTime += n;
      done += n;
      if (each) each(done);
      if ((sinceTick += n) >= kBlock)
      {
        mClock.Advance(double(sinceTick) / kRate);
        foundation::RunLoop::Main().RunDueTimers();
        sinceTick = 0;
      }
    }
  }
  /// The output meter of the left channel, which the left meter group shows by default.
  const LevelMeter& Meter() { return mPlugin->Chain().mOutMeterL; }
  double Value(int idx) { return G().GetControl(idx)->GetValue(); }
  double Number(int idx) { return std::atof(static_cast<ITextControl*>(G().GetControl(idx))->GetStr()); }

  long mTime = 0;
};

// A 997 Hz tone at -12 dBFS: PEAK and VU read its peak, RMS reads it at its peak level too (the RMS of a sine is
// 3.01 dB under its peak and the RMS meter shows it 3 dB up), and the loudness modes read a tone in one channel
// 3.01 dB under its level. With the reference set to that level the needle stands on the face's 0 dB mark and both
// numbers read 0.0, at every oversampling factor.
TEST_F(MeterLevels, EachModeShowsTheLevelAUserExpectsAtEveryFactor)
{
  constexpr double kToneDb = -12;
  const struct
  {
    double expectedDb, seconds, overshootDb;
  } expect[] = {{kToneDb, 0.2, 0}, {kToneDb, 0.8, 0}, {kToneDb - 3.01, 0.5, 0}, {kToneDb - 3.01, 3.2, 0},
                {kToneDb, 0.8, 0.15}}; // a VU needle overshoots a little as it comes up
  const double zeroMark = 0.745;       // where 0 dB is engraved on the meter face
  const VuMeterCtrlIdx& group = mPlugin->mLeftMeterIdx;
  for (const ModeCase& m : kModes)
    for (int os = 0; os <= 2; ++os)
    {
      SCOPED_TRACE(std::string(m.name) + " at " + kFactorNames[os]);
      const auto& e = expect[m.mode];
      Configure(m, os, e.expectedDb, true);
      Run(Tone(Amplitude(kToneDb)), long(e.seconds * kRate));
      Tick(2);
      EXPECT_NEAR(Meter().PublishedDb(), e.expectedDb, 0.05);
      EXPECT_NEAR(Value(group.needle), zeroMark, 0.003); // 0.003 is 0.05 dB around the mark
      EXPECT_NEAR(Number(group.leftText), e.overshootDb / 2, 0.05 + e.overshootDb / 2);
      EXPECT_NEAR(Number(group.rightText), e.overshootDb / 2, 0.05 + e.overshootDb / 2);
    }
}

/// A meter's readings over time and when they first crossed a level.
struct Crossings
{
  std::vector<std::pair<long, double>> readings; // host samples done, reading in dB
  /// The first time after `after` (host samples) that the reading was over (rising) or under a level; -1: never.
  long First(bool rising, double db, long after = -1) const
  {
    for (const auto& [t, reading] : readings)
      if (t > after && (rising ? reading > db : reading < db)) return t;
    return -1;
  }
};

// The windows are set in time: a step into a tone brings each mode's reading up over the same number of host
// samples at 1x, 2x and 4x (from the moment it leaves silence to within a fraction of a dB of the tone's level),
// and a PEAK reading holds for 0.1 s and then falls 20 dB in 0.3 s at every factor. Readings are taken every 8 host
// samples (16 for the three-second window).
TEST_F(MeterLevels, WindowsHoldsAndFallsLastAsLongAtEveryFactor)
{
  const double tone = Amplitude(-12);
  struct Span
  {
    long samples[3];
  };
  const struct
  {
    int mode;
    double seconds, nearDb, fromSeconds, toSeconds;
    int block;
  } rises[] = {{kMeterRMS, 0.8, 0.1, 0.55, 0.6, 8},   // a 0.6 s window
               {kMeterEBUML, 0.5, 0.5, 0.15, 0.3, 8}, // 0.3 s, a new reading every 0.1 s
               {kMeterEBUSL, 3.2, 0.5, 2.5, 3.0, 16}, // 3 s, a new reading every 0.1 s
               {kMeterVU, 0.8, 0.5, 0.2, 0.3, 8}};    // a VU comes within 0.5 dB in well under 0.3 s
  for (const auto& r : rises)
  {
    const ModeCase& m = kModes[r.mode];
    Span rise{};
    for (int os = 0; os <= 2; ++os)
    {
      SCOPED_TRACE(std::string(m.name) + " at " + kFactorNames[os]);
      Configure(m, os, 0, false);
      Crossings c;
      Run(Tone(tone, 0, 0), long(r.seconds * kRate), r.block,
          [&](long t) { c.readings.push_back({t, Meter().PublishedDb()}); });
      const double final = c.readings.back().second;
      const long leaves = c.First(true, final - 40), arrives = c.First(true, final - r.nearDb);
      ASSERT_GE(leaves, 0);
      ASSERT_GE(arrives, 0);
      rise.samples[os] = arrives - leaves;
      EXPECT_GE(rise.samples[os], r.fromSeconds * kRate);
      EXPECT_LE(rise.samples[os], r.toSeconds * kRate);
      if (os > 0)
      {
        EXPECT_NEAR(rise.samples[os], rise.samples[0], 2 * r.block);
      }
    }
  }

  // PEAK after a 2 ms hump: the hold from the top to 1 dB under it, and the fall from 1 to 21 dB under it.
  const auto hump = [](long t) { return t < 96 ? 0.5 * std::pow(std::sin(M_PI * double(t) / 96), 2) : 0.0; };
  Span hold{}, fall{};
  for (int os = 0; os <= 2; ++os)
  {
    SCOPED_TRACE(std::string("PEAK at ") + kFactorNames[os]);
    Configure(kModes[kMeterPeak], os, 0, false);
    Crossings c;
    Run(hump, long(0.6 * kRate), 8, [&](long t) { c.readings.push_back({t, Meter().PublishedDb()}); });
    double top = -200;
    for (const auto& reading : c.readings) top = std::max(top, reading.second);
    EXPECT_NEAR(top, Db(0.5), 0.1);
    const long atTop = c.First(true, top - 0.1), oneDown = c.First(false, top - 1, atTop),
               twentyOneDown = c.First(false, top - 21, atTop);
    ASSERT_GE(atTop, 0);
    ASSERT_GT(oneDown, atTop);
    ASSERT_GT(twentyOneDown, oneDown);
    hold.samples[os] = oneDown - atTop;
    fall.samples[os] = twentyOneDown - oneDown;
    EXPECT_GE(hold.samples[os], 0.1 * kRate);
    EXPECT_LE(hold.samples[os], 0.1 * kRate + 0.3 * kRate / 20 + 16); // the hold, then the fall's first dB
    EXPECT_NEAR(fall.samples[os], 0.3 * kRate, 16);
    if (os > 0)
    {
      EXPECT_NEAR(hold.samples[os], hold.samples[0], 16);
    }
  }
}

// The editor moves the meters once per 20 ms of audio, whatever rate the meters run at: with the main thread
// ticking after every 2 ms block, a rising level moves the needle 50 times in a second of audio.
TEST_F(MeterLevels, TheDisplayRefreshesEvery20MillisecondsOfAudioAtEveryFactor)
{
  const VuMeterCtrlIdx& group = mPlugin->mLeftMeterIdx;
  constexpr int kTwoMs = 96;
  for (int os = 0; os <= 2; ++os)
  {
    SCOPED_TRACE(kFactorNames[os]);
    Configure(kModes[kMeterPeak], os, 0, true);
    Run(Tone(0.0), kRate / 10); // settle at silence
    int moves = 0;
    double needle = Value(group.needle);
    const auto rising = [](long t) { return (0.01 + 0.9 * double(t) / kRate) * ((t / 24) % 2 ? 1 : -1); };
    const long start = mTime;
    for (int b = 0; b < int(kRate) / kTwoMs; ++b)
    {
      Run([&](long t) { return rising(t - start); }, kTwoMs, kTwoMs);
      mClock.Advance(0.02); // the main thread's timer is due after every block
      foundation::RunLoop::Main().RunDueTimers();
      if (Value(group.needle) != needle) ++moves;
      needle = Value(group.needle);
    }
    EXPECT_NEAR(moves, 50, 1);
  }
}

} // namespace
