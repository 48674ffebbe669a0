// Quality of the effect's chains (2x and 4x, up and down), measured on the outputs with tones on exact analysis
// bins: the tone's level (pass-band flatness) and the largest other component (images on the way up, aliases on
// the way down).
#include "resampler/resampler.h"
#include "resampler_signal_tools.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace resamp;

namespace {

constexpr int kOrder = 13; // analysis length at the host rate
constexpr int kN = 1 << kOrder;
constexpr double kAtten = CDSPResampler24_44k::kAtten;
constexpr double kPassEdge = 0.42;     // pass band ends at 0.5 - 8 % of the host rate
constexpr double kFlatnessDb = 0.001;

int BinOf(double fractionOfRate)
{
  return static_cast<int>(fractionOfRate * kN);
}

} // namespace

TEST(ResamplerQuality, UpsamplingIsFlatAndImagesStayBelowTheStopBand)
{
  for (double fs : { 44100.0, 96000.0 }) {
    for (int k : { 2, 4 }) {
      for (double f : { 0.01, 0.1, 0.25, 0.4, kPassEdge }) {
        const int bin = BinOf(f);
        CDSPResampler24_44k up(fs, k * fs, 512);
        const std::vector<double> x = resamptest::Sine(kN + 4096, static_cast<double>(bin) / kN);
        const std::vector<double> y = resamptest::Run(up, x, 512, 512);
        ASSERT_GE(y.size(), static_cast<size_t>(k * (kN + 1024))) << k;
        const auto mag = resamptest::Spectrum(y, k * 1024, kOrder + (k == 2 ? 1 : 2));
        EXPECT_NEAR(resamptest::Db(mag[bin]), 0.0, kFlatnessDb) << "x" << k << " f " << f;
        EXPECT_LT(resamptest::LargestOtherDb(mag, bin, mag[bin]), -kAtten) << "x" << k << " f " << f;
      }
    }
  }
}

TEST(ResamplerQuality, DownsamplingIsFlatInThePassBand)
{
  for (int k : { 2, 4 }) {
    for (double f : { 0.01, 0.1, 0.25, 0.4, kPassEdge }) {
      const int bin = BinOf(f); // host-rate bin; at k times the rate the same bin of a k times longer analysis
      CDSPResampler24_44k down(k * 48000.0, 48000.0, 512 * k);
      const std::vector<double> x = resamptest::Sine(k * (kN + 4096), static_cast<double>(bin) / (k * kN));
      const std::vector<double> y = resamptest::Run(down, x, 512 * k, 512 * k);
      ASSERT_GE(y.size(), static_cast<size_t>(kN + 1024));
      const auto mag = resamptest::Spectrum(y, 1024, kOrder);
      EXPECT_NEAR(resamptest::Db(mag[bin]), 0.0, kFlatnessDb) << "x" << k << " f " << f;
      EXPECT_LT(resamptest::LargestOtherDb(mag, bin, mag[bin]), -kAtten) << "x" << k << " f " << f;
    }
  }
}

// Everything above half the host rate is suppressed where it would fold into the pass band. (A 4x chain's
// half-band lets tones just above 1.5 times the host rate fold into the transition band, 0.42 to 0.5.)
TEST(ResamplerQuality, DownsamplingSuppressesAliasesIntoThePassBand)
{
  for (int k : { 2, 4 }) {
    std::vector<double> tones = { 0.5, 0.52, 0.58, 0.7, 0.9, 0.99 };
    if (k == 4)
      tones.insert(tones.end(), { 1.01, 1.3, 1.5, 1.55, 1.9, 1.99 });
    for (double f : tones) {
      const int bin = BinOf(f);
      CDSPResampler24_44k down(k * 44100.0, 44100.0, 512 * k);
      const std::vector<double> x = resamptest::Sine(k * (kN + 4096), static_cast<double>(bin) / (k * kN));
      const std::vector<double> y = resamptest::Run(down, x, 512 * k, 512 * k);
      auto mag = resamptest::Spectrum(y, 1024, kOrder);
      mag.resize(BinOf(kPassEdge) + 1);
      EXPECT_LT(resamptest::LargestOtherDb(mag, -1, 1.0), -kAtten) << "x" << k << " f " << f;
    }
  }
}
