#include "resampler/frac_interpolator.h"
#include "resampler/library_state.h"
#include "resampler/resampler.h"
#include "child_process.h"
#include "golden_text.h"
#include "resampler_signal_tools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace resamp;

namespace {

// SNR in dB of y against the best-fitting sine of the given frequency (cycles per sample) plus offset.
double SineSnrDb(const std::vector<double>& y, size_t from, size_t count, double freq)
{
  // least squares on sin, cos and 1
  double a[3][3] = {}, b[3] = {};
  for (size_t i = from; i < from + count; ++i) {
    const double v[3] = { std::sin(2 * M_PI * freq * i), std::cos(2 * M_PI * freq * i), 1.0 };
    for (int r = 0; r < 3; ++r) {
      b[r] += v[r] * y[i];
      for (int c = 0; c < 3; ++c)
        a[r][c] += v[r] * v[c];
    }
  }
  // solve 3x3 by Gaussian elimination
  for (int p = 0; p < 3; ++p)
    for (int r = p + 1; r < 3; ++r) {
      const double f = a[r][p] / a[p][p];
      for (int c = p; c < 3; ++c)
        a[r][c] -= f * a[p][c];
      b[r] -= f * b[p];
    }
  double s[3];
  for (int r = 2; r >= 0; --r) {
    double acc = b[r];
    for (int c = r + 1; c < 3; ++c)
      acc -= a[r][c] * s[c];
    s[r] = acc / a[r][r];
  }
  double sig = 0.0, err = 0.0;
  for (size_t i = from; i < from + count; ++i) {
    const double fit = s[0] * std::sin(2 * M_PI * freq * i) + s[1] * std::cos(2 * M_PI * freq * i) + s[2];
    sig += fit * fit;
    err += (y[i] - fit) * (y[i] - fit);
  }
  return 10.0 * std::log10(sig / std::max(err, 1e-300));
}

// Makes a stage to the given rate and runs a sine through it in one long call: is it in the mode expected, and
// is every output the sine at its own position?
bool FollowsTheSine(double dst, bool wholeSteps)
{
  const double freq = 0.2, ratio = 44100.0 / dst;
  std::vector<double> x = resamptest::Sine(3000, freq, 0.5), y(4000);
  CDSPFracInterpolator f(false, 44100.0, dst, 120.0, 0.0);
  double* out = y.data();
  const int got = f.Process(x.data(), static_cast<int>(x.size()), out);
  double worst = 0.0;
  for (int k = f.FilterLength(); k + f.FilterLength() < got; ++k)
    worst = std::max(worst, std::fabs(out[k] - 0.5 * std::sin(2.0 * M_PI * freq * (k * ratio) + 0.3)));
  return f.WholeStepMode() == wholeSteps && std::fabs(got - x.size() / ratio) < f.FilterLength() &&
         resamptest::Db(worst / 0.5) < -(f.RowAttenuation() - 20.0);
}

} // namespace

// In a fresh process (where the banks are made anew, so that a bank written past its end shows here and not as a
// crash somewhere later), making a stage in either mode and running it ends normally and right.
TEST(FracInterpolator, EitherModeInAFreshProcessFollowsTheSine)
{
  testsupport::ExpectInFreshProcess([] { return FollowsTheSine(47000.3, false) && FollowsTheSine(48000.0, true); });
}

TEST(FracInterpolator, SineFrom44100To48000HasAnSnrNearTheRowAttenuation)
{
  CDSPResampler24_44k r(44100.0, 48000.0, 512);
  const std::vector<double> x = resamptest::Sine(44100, 997.0 / 44100.0, 0.5);
  const std::vector<double> y = resamptest::Run(r, x, 512, 512);
  ASSERT_GT(y.size(), 40000u);
  const double snr = SineSnrDb(y, 2000, 36000, 997.0 / 48000.0);
  EXPECT_GT(snr, 125.4649 - 6.0);
}

// Both modes: the general one (a ratio no whole steps describe), for many times the thousand outputs after
// which the position arithmetic restarts, and the one in whole steps: each output is the input's sine at its own
// position (no delay), and the whole run has an SNR near the filter row's attenuation, in blocks of any size,
// with and without a fractional delay handed in.
TEST(FracInterpolator, EitherModeFollowsTheSineAtEveryOutputPosition)
{
  const double freq = 0.11; // cycles per input sample
  const std::vector<double> x = resamptest::Sine(24000, freq, 0.5);
  const struct { double dst; bool wholeSteps; } kRates[] = {
    {48000.0 * 1.000013, false}, {44100.0 * M_PI / 3.0, false}, {21000.7, false}, {48000.0, true}, {32000.0, true}};
  for (const auto& [dst, wholeSteps] : kRates)
    for (double latency : {0.0, 3.25, 0.37})
      for (int block : {0, 1000})
      {
        CDSPFracInterpolator f(false, 44100.0, dst, 120.0, latency);
        ASSERT_EQ(f.WholeStepMode(), wholeSteps) << dst;
        const std::vector<double> y = resamptest::Run(f, x, 1000, block, 7);
        const double ratio = 44100.0 / dst;
        EXPECT_NEAR(double(y.size()), x.size() / ratio, f.FilterLength() + 2.0) << dst;
        ASSERT_GT(y.size(), 5000u) << dst;
        const double shift = latency - f.GetLatencyFrac() * ratio; // input samples the stage delays by
        double worst = 0.0;
        for (size_t k = size_t(f.FilterLength()); k + size_t(f.FilterLength()) < y.size(); ++k)
        {
          const double at = double(k) * ratio + shift;
          worst = std::max(worst, std::fabs(y[k] - 0.5 * std::sin(2.0 * M_PI * freq * at + 0.3)));
        }
        EXPECT_LT(resamptest::Db(worst / 0.5), -(f.RowAttenuation() - 20.0)) << dst << " " << latency << " " << block;
        const double snr = SineSnrDb(y, size_t(f.FilterLength()), y.size() - 2 * size_t(f.FilterLength()), freq * ratio);
        EXPECT_GT(snr, f.RowAttenuation() - 10.0) << dst << " " << latency << " " << block;
      }
}

// The filter banks of the whole-step mode (one per output step) stay cached while unused, but only so many: an
// endless run of different ratios does not grow the cache without bound, and a bank in use is never dropped.
TEST(FracInterpolator, TheCacheOfWholeStepBanksStaysBoundedAndKeepsABankInUse)
{
  CDSPFracInterpolator held(false, 44100.0, 48000.0, 120.0, 0.0);
  const std::vector<double> x = resamptest::Sine(4000, 0.05, 0.5);
  const std::vector<double> before = resamptest::Run(held, x, 500, 500);
  int most = 0;
  for (int i = 1; i <= 20; ++i) {
    CDSPFracInterpolator f(false, 100.0 * i, 100.0 * (i + 1), 120.0, 0.0); // i inputs to i + 1 outputs
    ASSERT_TRUE(f.WholeStepMode()) << i;
    most = std::max(most, State().recentBankCount);
  }
  EXPECT_EQ(most, 13); // twelve unused banks are kept, besides the one in use
  held.Clear();
  EXPECT_EQ(resamptest::Run(held, x, 500, 500), before);
}

// Every design row (one after another by the attenuation asked for), for inputs sampled at twice their bandwidth
// and at three times it, in whole steps and in the general mode: a sine near the top of the band comes out at every
// output position to within the row's attenuation.
TEST(FracInterpolator, EveryDesignRowFollowsASineNearTheTopOfTheBand)
{
  std::vector<std::string> impulses; // each row's response to an impulse, kept against a recording
  for (bool wide : { false, true }) {
    const double freq = wide ? 0.16 : 0.24; // cycles per input sample
    const std::vector<double> x = resamptest::Sine(6000, freq, 0.5);
    double rowAtten = 0.0;
    int row = 0;
    for (double ask = 0.0; CDSPFracInterpolator::SelectRow(wide, ask, &rowAtten) == row; ask = rowAtten + 0.01, ++row) {
      EXPECT_EQ(CDSPFracInterpolator::SelectRow(wide, rowAtten, nullptr), row) << "asked for exactly its attenuation";
      for (double dst : { 48000.0, 44100.0 * M_PI / 3.0 }) {
        CDSPFracInterpolator f(wide, 44100.0, dst, ask, 0.0);
        ASSERT_EQ(f.FilterLength(), 6 + 2 * row);
        ASSERT_EQ(f.RowAttenuation(), rowAtten);
        const std::vector<double> y = resamptest::Run(f, x, 1000, 1000);
        const double ratio = 44100.0 / dst;
        const double shift = -f.GetLatencyFrac() * ratio;
        double worst = 0.0;
        for (size_t k = size_t(f.FilterLength()); k + size_t(f.FilterLength()) < y.size(); ++k) {
          const double expected = 0.5 * std::sin(2.0 * M_PI * freq * (double(k) * ratio + shift) + 0.3);
          worst = std::max(worst, std::fabs(y[k] - expected));
        }
        EXPECT_LT(resamptest::Db(worst / 0.5), -(rowAtten - 20.0)) << wide << " row " << row << " to " << dst;
        std::vector<double> impulse(64, 0.0);
        impulse[20] = 1.0;
        f.Clear();
        std::string line = std::to_string(wide) + " row " + std::to_string(row) + " to " + goldentext::Num(dst) + ":";
        for (double v : resamptest::Run(f, impulse, 64, 64))
          line += " " + goldentext::Num(v, 1e-12, 9);
        impulses.push_back(line);
      }
    }
    EXPECT_EQ(row, wide ? 10 : 13) << "rows, the last one also taken for any attenuation beyond it";
  }
  const std::string differences =
    goldentext::Compare(std::string(DROVIK_RESAMPLER_GOLDEN_DIR) + "/frac_impulses.txt", goldentext::Joined(impulses));
  EXPECT_TRUE(differences.empty()) << differences;
}

// Whole steps are taken when the two rates have a common divisor of at least 1 that up to twenty-five
// subtractions of one rate from the other find, and the output step it gives is at most 1500. Either way the stage
// adds no whole samples of delay.
TEST(FracInterpolator, WholeStepsOnlyForRatesWithASmallCommonStep)
{
  const struct { double src, dst; bool wholeSteps; int maxOut; } kCases[] = {
    {2400.0, 2500.0, true, 106}, {2500.0, 2600.0, false, 105}, {8210.0, 15000.0, true, 184},
    {8790.0, 15010.0, false, 172}, {1.0, 2.0, true, 201}, {0.5, 1.0, false, 201}, {48000.0, 48000.0, true, 101},
    {44100.0, 48000.0, true, 110}};
  for (const auto& c : kCases)
  {
    CDSPFracInterpolator f(false, c.src, c.dst, 120.0, 0.0);
    EXPECT_EQ(f.WholeStepMode(), c.wholeSteps) << c.src << " to " << c.dst;
    EXPECT_EQ(f.GetMaxOutLen(100), c.maxOut) << c.src << " to " << c.dst;
    EXPECT_EQ(f.GetLatency(), 0) << "no whole samples of delay";
  }
}
