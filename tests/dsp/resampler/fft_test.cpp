#include "resampler/real_fft.h"
#include "resampler/real_fft_wide.h"
#include "resampler_signal_tools.h"

#include <gtest/gtest.h>

#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <vector>

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

// The aligned storage the transforms and the stages keep their data in: every size comes zeroed, on a 32-byte
// boundary and wholly inside the memory allocated for it, again when allocated anew; freed, it holds nothing.
TEST(AlignedStorage, IsZeroedAlignedAndInsideItsAllocation)
{
  AlignedDoubles a;
  for (size_t count : { 1, 3, 4, 255, 4096 }) {
    a.Allocate(count);
    ASSERT_NE(a.data, nullptr) << count;
    EXPECT_EQ(reinterpret_cast<size_t>(a.data) % 32, 0u) << count;
    const char* begin = reinterpret_cast<const char*>(a.data);
    const char* raw = static_cast<const char*>(a.raw);
    ASSERT_TRUE(begin >= raw && begin + sizeof(double) * count <= raw + malloc_usable_size(a.raw)) << count;
    EXPECT_EQ(std::count(a.data, a.data + count, 0.0), static_cast<long>(count)) << count;
    std::fill(a.data, a.data + count, 1.0);
  }
  a.Free();
  EXPECT_EQ(a.data, nullptr);
  EXPECT_EQ(a.raw, nullptr);
}

// Every order from 1 to 12: the packed forward transform equals a naive DFT, the inverse scaled by 2/N restores
// the signal, and the out-of-place and split forms give the packed transform's values.
class RealFftOrder : public ::testing::TestWithParam<int>
{
};

TEST_P(RealFftOrder, AgreesWithANaiveDftAndRoundTripsInEveryForm)
{
  const int order = GetParam();
  const int n = 1 << order;
  const std::vector<double> x = resamptest::Noise(n, order);
  const auto ref = NaiveDft(x);
  RealFft* fft = FftKeeper::Get(order);
  ASSERT_NE(fft, nullptr);
  std::vector<double> packed(x);
  fft->Forward(packed.data());
  const double tol = 1e-12 * n;
  EXPECT_NEAR(packed[0], ref[0].real(), tol);
  EXPECT_NEAR(packed[1], ref[n / 2].real(), tol);
  for (int k = 1; k < n / 2; ++k) {
    EXPECT_NEAR(packed[2 * k], ref[k].real(), tol) << "bin " << k;
    EXPECT_NEAR(packed[2 * k + 1], ref[k].imag(), tol) << "bin " << k;
  }
  constexpr double kGuard = -7.5; // past the end of each output: no form writes there
  std::vector<double> outOfPlace(n + 2, kGuard), re(n / 2), im(n / 2);
  fft->Forward(x.data(), outOfPlace.data());
  fft->ForwardSplit(x.data(), re.data(), im.data());
  for (int k = 0; k < n / 2; ++k) {
    EXPECT_EQ(outOfPlace[2 * k], packed[2 * k]) << "bin " << k;
    EXPECT_EQ(outOfPlace[2 * k + 1], packed[2 * k + 1]) << "bin " << k;
    EXPECT_EQ(re[k], packed[2 * k]) << "bin " << k;
    EXPECT_EQ(im[k], packed[2 * k + 1]) << "bin " << k;
  }
  std::vector<double> back(n + 2, kGuard), backSplit(n + 2, kGuard);
  fft->InverseSplit(re.data(), im.data(), backSplit.data());
  fft->Inverse(packed.data(), back.data());
  fft->Inverse(packed.data());
  for (int i = 0; i < n; ++i) {
    EXPECT_NEAR(packed[i] * fft->inverseScale, x[i], 1e-13 * n);
    EXPECT_EQ(back[i], packed[i]);
    EXPECT_EQ(backSplit[i], back[i]);
  }
  for (const auto* v : { &outOfPlace, &back, &backSplit })
    EXPECT_TRUE((*v)[n] == kGuard && (*v)[n + 1] == kGuard);
  FftKeeper::Put(fft);
}

INSTANTIATE_TEST_SUITE_P(Orders, RealFftOrder, ::testing::Range(1, 13));

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
  EXPECT_EQ(FftKeeper::CreatedCount(), created + 1);
  EXPECT_EQ(c->n, 512);
  FftKeeper::Put(b);
  FftKeeper::Put(c);
  EXPECT_EQ(FftKeeper::Get(0), nullptr);
  EXPECT_EQ(FftKeeper::Get(31), nullptr);
}

// The wide transform's twiddle table is sized by TwiddleCount: filling it writes every one of those doubles (unit
// magnitude pairs at most) and not one past them, at every size the transform serves.
TEST(WideFftTwiddles, TheTableFillsExactlyTheCountItIsSizedFor)
{
  const double unset = std::numeric_limits<double>::quiet_NaN();
  for (int m = 16; m <= 1 << 14; m *= 2) {
    std::vector<double> table(size_t(8 * m), unset);
    widefft::MakeTwiddles(m, table.data());
    const int count = widefft::TwiddleCount(m);
    ASSERT_GT(count, 0) << m;
    ASSERT_LE(count, 8 * m) << m;
    int written = 0;
    for (int i = 0; i < 8 * m; ++i)
      if (!std::isnan(table[size_t(i)])) written = i + 1;
    EXPECT_EQ(written, count) << m;
    for (int i = 0; i < count; ++i)
      ASSERT_LE(std::fabs(table[size_t(i)]), 1.0) << m << ", " << i;
  }
}
