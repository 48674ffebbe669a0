// Ratios beyond the effect's 2x and 4x (44.1 kHz to 48 kHz and back, down by less than two, by two and a
// fraction): tones in the pass band keep their level, and tones the destination rate cannot hold do not come out.
#include "resampler/resampler.h"
#include "resampler_signal_tools.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace resamp;

namespace {

constexpr int kInputLength = 48000;
constexpr size_t kSettled = 4096; // output samples left out while the filters fill

/// The level of the tone after resampling, in dB relative to the input's (same amplitude: 0 dB).
double LevelAfter(double srcRate, double dstRate, double toneHz)
{
  CDSPResampler24_44k r(srcRate, dstRate, 512);
  const std::vector<double> y = resamptest::Run(r, resamptest::Sine(kInputLength, toneHz / srcRate), 512, 512);
  double power = 0.0;
  for (size_t i = kSettled; i < y.size(); ++i)
    power += y[i] * y[i];
  return 10.0 * std::log10(2.0 * power / static_cast<double>(y.size() - kSettled));
}

} // namespace

TEST(ResamplerAnyRatio, PassBandTonesKeepTheirLevelAndTonesAboveTheDestinationsHalfRateAreStopped)
{
  struct Ratio
  {
    double src, dst;
  } ratios[] = {{48000, 44100}, {44100, 30000}, {96000, 44100}, {44100, 48000}};
  for (const Ratio& r : ratios)
  {
    for (double hz : {1000.0, 10000.0})
      EXPECT_NEAR(LevelAfter(r.src, r.dst, hz), 0.0, 0.01) << r.src << " to " << r.dst << ", " << hz << " Hz";
    if (r.dst > r.src)
      continue; // nothing in the input lies above the destination's half rate
    for (double fraction : {0.52 * r.dst / r.src, 0.49})
      EXPECT_LT(LevelAfter(r.src, r.dst, fraction * r.src), -CDSPResampler24_44k::kAtten)
        << r.src << " to " << r.dst << ", " << fraction * r.src << " Hz";
  }
}
