#include "resampler/real_fft.h"
#include "resampler_signal_tools.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>

using namespace resamp;

namespace {

std::vector<std::complex<double>> NaiveDft(const std::vector<double>& x)
{
  const int n = static_cast<int>(x.size());
  std::vector<std::complex<double>> X(n / 2 + 1);
  for (int k = 0; k <= n / 2; ++k) {
    std::complex<double> s = 0.0;
    for (int j = 0; j < n; ++j)
      s += x[j] * std::polar(1.0, -2.0 * M_PI * static_cast<double>(k) * j / n);
    X[k] = s;
  }
  return X;
}

} // namespace

TEST(RealFft, ForwardEqualsNaiveDftForOrders1To12)
{
  for (int order = 1; order <= 12; ++order) {
    const int n = 1 << order;
    const std::vector<double> x = resamptest::Noise(n, order);
    const auto ref = NaiveDft(x);
    std::vector<double> d(x);
    RealFft* fft = FftKeeper::Get(order);
    ASSERT_NE(fft, nullptr);
    fft->Forward(d.data());
    FftKeeper::Put(fft);
    const double tol = 1e-12 * n;
    EXPECT_NEAR(d[0], ref[0].real(), tol) << "order " << order;
    EXPECT_NEAR(d[1], ref[n / 2].real(), tol) << "order " << order;
    for (int k = 1; k < n / 2; ++k) {
      EXPECT_NEAR(d[2 * k], ref[k].real(), tol) << "order " << order << " bin " << k;
      EXPECT_NEAR(d[2 * k + 1], ref[k].imag(), tol) << "order " << order << " bin " << k;
    }
  }
}

TEST(RealFft, InverseScaledByTwoOverNRestoresTheSignalForOrders1To12)
{
  for (int order = 1; order <= 12; ++order) {
    const int n = 1 << order;
    const std::vector<double> x = resamptest::Noise(n, 100 + order);
    std::vector<double> d(x);
    RealFft* fft = FftKeeper::Get(order);
    fft->Forward(d.data());
    fft->Inverse(d.data());
    for (int i = 0; i < n; ++i)
      EXPECT_NEAR(d[i] * fft->inverseScale, x[i], 1e-13 * n) << "order " << order;
    FftKeeper::Put(fft);
  }
}

TEST(RealFft, UnpackedAndOutOfPlaceFormsGiveThePackedTransformsValuesForOrders1To12)
{
  for (int order = 1; order <= 12; ++order) {
    const int n = 1 << order;
    const std::vector<double> x = resamptest::Noise(n, 200 + order);
    RealFft* fft = FftKeeper::Get(order);
    std::vector<double> packed(x);
    fft->Forward(packed.data());
    std::vector<double> outOfPlace(n), re(n / 2), im(n / 2);
    fft->Forward(x.data(), outOfPlace.data());
    fft->ForwardSplit(x.data(), re.data(), im.data());
    for (int k = 0; k < n / 2; ++k) {
      EXPECT_EQ(outOfPlace[2 * k], packed[2 * k]) << "order " << order << " bin " << k;
      EXPECT_EQ(outOfPlace[2 * k + 1], packed[2 * k + 1]) << "order " << order << " bin " << k;
      EXPECT_EQ(re[k], packed[2 * k]) << "order " << order << " bin " << k;
      EXPECT_EQ(im[k], packed[2 * k + 1]) << "order " << order << " bin " << k;
    }
    std::vector<double> back(n), backSplit(n);
    fft->Inverse(packed.data(), back.data());
    fft->InverseSplit(re.data(), im.data(), backSplit.data());
    for (int i = 0; i < n; ++i) {
      EXPECT_NEAR(back[i] * fft->inverseScale, x[i], 1e-13 * n) << "order " << order;
      EXPECT_EQ(backSplit[i], back[i]) << "order " << order;
    }
    FftKeeper::Put(fft);
  }
}

TEST(FftKeeper, ReturnedObjectsAreReusedAndOrdersOutsideTheRangeAreRefused)
{
  RealFft* a = FftKeeper::Get(9);
  FftKeeper::Put(a);
  const int created = FftKeeper::CreatedCount();
  RealFft* b = FftKeeper::Get(9);
  EXPECT_EQ(a, b);
  EXPECT_EQ(FftKeeper::CreatedCount(), created);
  RealFft* c = FftKeeper::Get(9);
  EXPECT_NE(c, b);
  EXPECT_EQ(c->n, 512);
  FftKeeper::Put(b);
  FftKeeper::Put(c);
  EXPECT_EQ(FftKeeper::Get(0), nullptr);
  EXPECT_EQ(FftKeeper::Get(31), nullptr);
}
