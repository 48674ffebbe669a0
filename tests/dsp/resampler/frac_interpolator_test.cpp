#include "resampler/frac_interpolator.h"
#include "resampler/resampler.h"
#include "resampler_signal_tools.h"

#include <gtest/gtest.h>

#include <cmath>

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

} // namespace

TEST(FracInterpolator, SineFrom44100To48000HasAnSnrNearTheRowAttenuation)
{
  CDSPResampler24_44k r(44100.0, 48000.0, 512);
  const std::vector<double> x = resamptest::Sine(44100, 997.0 / 44100.0, 0.5);
  const std::vector<double> y = resamptest::Run(r, x, 512, 512);
  ASSERT_GT(y.size(), 40000u);
  const double snr = SineSnrDb(y, 2000, 36000, 997.0 / 48000.0);
  EXPECT_GT(snr, 125.4649 - 6.0);
}
