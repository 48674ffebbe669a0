#include "resampler/block_convolver.h"
#include "resampler_signal_tools.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace resamp;

namespace {

struct Case { int up, down, phase; double handedIn = 0.0; bool lead = false; };

// z[a] = sum of kern[m] * u[a + delay - m] with u the input with up - 1 zeros after every sample;
// the convolver's output j is z[down * j].
std::vector<double> Direct(const FirFilter& f, const std::vector<double>& x, int up, int down, int count, long delay)
{
  std::vector<double> out(count);
  for (int j = 0; j < count; ++j) {
    const long a = static_cast<long>(down) * j;
    double s = 0.0;
    for (int m = 0; m < f.kernelLength; ++m) {
      const long pos = a + delay - m;
      if (pos >= 0 && pos % up == 0 && pos / up < static_cast<long>(x.size()))
        s += f.kernel.data[m] * x[pos / up];
    }
    out[j] = s;
  }
  return out;
}

} // namespace

// Also with a delay handed in by a stage before, with and without the answer ahead of the aligned start: the
// delay the stage reports (in output samples) is exactly what places its output against the direct convolution.
TEST(BlockConvolver, EqualsDirectConvolutionShiftedByTheFilterDelay)
{
  // the cases without zero stuffing come first: they show a misplaced first sample as a shifted output
  const Case cases[] = { { 1, 1, 0 }, { 1, 2, 0 }, { 1, 3, 0 }, { 1, 4, 0 }, { 1, 2, 1 }, { 2, 1, 0 }, { 3, 1, 0 },
    { 2, 3, 0 }, { 3, 2, 0 }, { 3, 4, 0 }, { 4, 1, 0 }, { 2, 1, 1 }, { 1, 2, 0, 2.5 }, { 3, 2, 1, 1.75 },
    { 2, 1, 0, 0.0, true }, { 2, 1, 0, 1.25, true }, { 3, 1, 1, 2.4, true }, { 1, 1, 0, 3.5, true } };
  for (const Case& c : cases) {
    const double cut = 1.0 / std::max(c.up, c.down);
    FirFilter* f = FirFilterCache::GetLPFilter(c.phase, nullptr, cut, 8.0, 100.0, c.up);
    f->refCount++; // keep it for the reference below
    CDSPBlockConvolver conv(f, c.up, c.down, true, c.handedIn, c.lead);
    const std::vector<double> x = resamptest::Noise(5000, c.up * 10 + c.down);
    const std::vector<double> y = resamptest::Run(conv, x, 300, 0, c.up + c.down);
    ASSERT_GT(y.size(), 1000u) << c.up << "/" << c.down;
    // the whole delay at the up rate, less what the stage reports, is the shift its output shows
    const double shift = f->latency + f->latencyFrac + c.up * c.handedIn - c.down * conv.GetLatencyFrac();
    EXPECT_GE(conv.GetLatencyFrac(), 0.0);
    EXPECT_NEAR(shift, std::round(shift), 1e-9) << c.up << "/" << c.down << " handed in " << c.handedIn;
    const std::vector<double> ref =
      Direct(*f, x, c.up, c.down, static_cast<int>(y.size()), std::lround(shift));
    double worst = 0.0;
    for (size_t j = 0; j < y.size(); ++j)
      worst = std::max(worst, std::fabs(y[j] - ref[j]));
    EXPECT_LT(worst, 1e-12) << "up " << c.up << " down " << c.down << " phase " << c.phase;
    FirFilterCache::Release(f);
  }
}

TEST(BlockConvolver, AfterClearOutputStartsOnceTheDelayHasPassedThenFollowsTheRatio)
{
  const Case cases[] = { { 2, 1, 0 }, { 1, 2, 0 }, { 3, 2, 0 } };
  for (const Case& c : cases) {
    FirFilter* f = FirFilterCache::GetLPFilter(0, nullptr, 1.0 / std::max(c.up, c.down), 8.0, 124.28, c.up);
    CDSPBlockConvolver conv(f, c.up, c.down, true, 0.0);
    for (int round = 0; round < 2; ++round) {
      conv.Clear();
      double zero = 0.0;
      double buf[8];
      int silent = 0, total = 0, calls = 0;
      for (; calls < 20000; ++calls) {
        double* out = buf;
        const int got = conv.Process(&zero, 1, out);
        if (total == 0 && got == 0)
          ++silent;
        total += got;
      }
      // the first output, aligned with input 0, leaves with the input that reaches the skipped positions
      EXPECT_EQ(silent, conv.SkipCount() / c.up) << c.up << "/" << c.down;
      const double expected = (static_cast<double>(calls) * c.up - conv.SkipCount()) / c.down;
      EXPECT_NEAR(total, expected, 1.0) << c.up << "/" << c.down;
    }
  }
}

// A caller sizes the next stage's buffer from GetMaxOutLen: no call hands out more, and for every length some
// call hands out just that many, so the room asked for is never more than is needed. Nothing lands past it.
TEST(BlockConvolver, TheLongestOutputForEachLengthIsWhatGetMaxOutLenPromises)
{
  const Case cases[] = { { 2, 1, 0 }, { 1, 2, 0 }, { 2, 3, 0 }, { 3, 2, 0 }, { 1, 4, 0 }, { 1, 1, 0 } };
  constexpr int kLongest = 48;
  for (const Case& c : cases) {
    FirFilter* f = FirFilterCache::GetLPFilter(0, nullptr, 1.0 / std::max(c.up, c.down), 8.0, 100.0, c.up);
    CDSPBlockConvolver conv(f, c.up, c.down, false, 0.0);
    std::vector<double> in(kLongest, 0.25);
    std::vector<int> longest(kLongest + 1, -1);
    unsigned state = 1;
    for (int call = 0; call < 20000; ++call) {
      state = state * 1103515245u + 12345u; // every length from 0 up, met at every phase
      const int len = static_cast<int>((state >> 16) % (kLongest + 1));
      constexpr double kGuard = -777.0;
      const int room = conv.GetMaxOutLen(len);
      std::vector<double> buffer(static_cast<size_t>(room) + 16, kGuard);
      double* out = buffer.data();
      const int got = conv.Process(in.data(), len, out);
      ASSERT_LE(got, room) << c.up << "/" << c.down << " length " << len;
      if (out == buffer.data()) {
        for (size_t k = static_cast<size_t>(room); k < buffer.size(); ++k)
          ASSERT_EQ(buffer[k], kGuard) << c.up << "/" << c.down << " wrote past the room, length " << len;
      }
      if (call >= 1000) // the delay has long passed
        longest[len] = std::max(longest[len], got);
    }
    for (int len = 0; len <= kLongest; ++len)
      EXPECT_EQ(conv.GetMaxOutLen(len), longest[len]) << c.up << "/" << c.down << " length " << len;
  }
}
