// Half-band stages: one unrolled kernel per coefficient count and instruction set, chosen once at construction.
#include "halfband.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace resamp {
namespace {

constexpr int kMaxCoeffs = 14;

// The symmetric half of a half-band filter around the point between b[N - 1] and b[N]: the sum of
// c[k] * (b[N + k] + b[N - 1 - k]).
template <int N, int... K>
RESAMP_KERNEL_INLINE double SymmetricTap(const double* b, const double* c, std::integer_sequence<int, K...>)
{
  return ((c[K] * (b[N + K] + b[N - 1 - K])) + ...);
}

template <int N>
RESAMP_KERNEL_INLINE void UpKernelBody(const double* buf, int pairs, const double* c, double* out)
{
  for (int i = 0; i < pairs; ++i) {
    const double* b = buf + i;
    out[2 * i] = b[N - 1];
    out[2 * i + 1] = SymmetricTap<N>(b, c, std::make_integer_sequence<int, N>{});
  }
}

// Output i: even[N + i] + sum of c[k] * (odd[N + i + k] + odd[N + i - k - 1]), that is the input at the output's
// position plus the odd inputs around it.
template <int N>
RESAMP_KERNEL_INLINE void DownKernelBody(const double* even, const double* odd, int outputs, const double* c,
  double* out)
{
  for (int i = 0; i < outputs; ++i)
    out[i] = even[N + i] + SymmetricTap<N>(odd + i, c, std::make_integer_sequence<int, N>{});
}

template <int N>
void UpKernel(const double* buf, int pairs, const double* c, double* out)
{
  UpKernelBody<N>(buf, pairs, c, out);
}

template <int N>
RESAMP_WIDE_TARGET void UpKernelWide(const double* buf, int pairs, const double* c, double* out)
{
  UpKernelBody<N>(buf, pairs, c, out);
}

template <int N>
void DownKernel(const double* even, const double* odd, int outputs, const double* c, double* out)
{
  DownKernelBody<N>(even, odd, outputs, c, out);
}

template <int N>
RESAMP_WIDE_TARGET void DownKernelWide(const double* even, const double* odd, int outputs, const double* c,
  double* out)
{
  DownKernelBody<N>(even, odd, outputs, c, out);
}

const CDSPHBUpsampler::Kernel kUpTable[kMaxCoeffs] = { &UpKernel<1>, &UpKernel<2>, &UpKernel<3>, &UpKernel<4>,
  &UpKernel<5>, &UpKernel<6>, &UpKernel<7>, &UpKernel<8>, &UpKernel<9>, &UpKernel<10>, &UpKernel<11>,
  &UpKernel<12>, &UpKernel<13>, &UpKernel<14> };
const CDSPHBDownsampler::Kernel kDownTable[kMaxCoeffs] = { &DownKernel<1>, &DownKernel<2>, &DownKernel<3>,
  &DownKernel<4>, &DownKernel<5>, &DownKernel<6>, &DownKernel<7>, &DownKernel<8>, &DownKernel<9>,
  &DownKernel<10>, &DownKernel<11>, &DownKernel<12>, &DownKernel<13>, &DownKernel<14> };

const CDSPHBUpsampler::Kernel kUpTableWide[kMaxCoeffs] = { &UpKernelWide<1>, &UpKernelWide<2>, &UpKernelWide<3>,
  &UpKernelWide<4>, &UpKernelWide<5>, &UpKernelWide<6>, &UpKernelWide<7>, &UpKernelWide<8>, &UpKernelWide<9>,
  &UpKernelWide<10>, &UpKernelWide<11>, &UpKernelWide<12>, &UpKernelWide<13>, &UpKernelWide<14> };
const CDSPHBDownsampler::Kernel kDownTableWide[kMaxCoeffs] = { &DownKernelWide<1>, &DownKernelWide<2>,
  &DownKernelWide<3>, &DownKernelWide<4>, &DownKernelWide<5>, &DownKernelWide<6>, &DownKernelWide<7>,
  &DownKernelWide<8>, &DownKernelWide<9>, &DownKernelWide<10>, &DownKernelWide<11>, &DownKernelWide<12>,
  &DownKernelWide<13>, &DownKernelWide<14> };

int ClampN(int n)
{
  return std::clamp(n, 1, kMaxCoeffs);
}

// The first outputs after a reset, as many as the whole-sample part of the latency, are dropped from the front of
// `out`. Returns the number of outputs left.
int DropLeading(int& countdown, double*& out, int total)
{
  if (countdown > 0) {
    const int drop = std::min(countdown, total);
    countdown -= drop;
    out += drop;
    total -= drop;
  }
  return total;
}

} // namespace

CDSPHBUpsampler::CDSPHBUpsampler(const HBCoeffSet& set, double latencyFrac, bool handOnLead)
  : mCoeffs(set.coeffs), mN(ClampN(set.n)),
    mKernel((ChosenVectorIsa() == VectorIsa::kWide ? kUpTableWide : kUpTable)[mN - 1])
{
  const double d = 2.0 * latencyFrac;
  mLatency = static_cast<int>(d);
  mLatencyFrac = d - mLatency;
  mSilence = mN - 1; // the first pair is the first input's
  if (handOnLead) {
    // n more silent samples: the first pair is n samples ahead, where the answer to the first input starts
    mSilence += mN;
    mLead = mLatency + 2 * mN;
    mLatency = 0;
  }
  mBuf.Allocate(kChunk + 2 * mN);
  Clear();
}

void CDSPHBUpsampler::Clear()
{
  std::memset(mBuf.data, 0, sizeof(double) * (kChunk + 2 * mN));
  mCount = mSilence;
  mCountdown = mLatency;
}

int CDSPHBUpsampler::Process(double* in, int length, double*& out)
{
  int total = 0;
  while (length > 0) {
    const int c = std::min(length, kChunk);
    std::memcpy(mBuf.data + mCount, in, sizeof(double) * c);
    mCount += c;
    in += c;
    length -= c;
    const int pairs = std::max(0, mCount - 2 * mN + 1);
    if (pairs > 0) {
      mKernel(mBuf.data, pairs, mCoeffs, out + total);
      total += 2 * pairs;
      mCount -= pairs;
      std::memmove(mBuf.data, mBuf.data + pairs, sizeof(double) * mCount);
    }
  }
  return DropLeading(mCountdown, out, total);
}

CDSPHBDownsampler::CDSPHBDownsampler(const HBCoeffSet& set, double latencyFrac, bool handOnLead)
  : mCoeffs(set.coeffs), mN(ClampN(set.n)),
    mKernel((ChosenVectorIsa() == VectorIsa::kWide ? kDownTableWide : kDownTable)[mN - 1])
{
  const double d = 0.5 * latencyFrac;
  mLatency = static_cast<int>(d);
  mLatencyFrac = d - mLatency;
  mSilence = mN; // samples -2n .. -1: the first output is the first input's
  if (handOnLead) {
    // The answer to the first input starts n outputs ahead of it, those handed in half as many: the outputs
    // from there (rounded up to a multiple of 6) come first, from more silence.
    mLead = (mLatency + mN + 5) / 6 * 6;
    mSilence += mLead - mLatency;
    mLatency = 0;
  }
  mEven.Allocate(kChunk + 4 * mN + mSilence);
  mOdd.Allocate(kChunk + 4 * mN + mSilence);
  Clear();
}

void CDSPHBDownsampler::Clear()
{
  std::memset(mEven.data, 0, sizeof(double) * (kChunk + 4 * mN + mSilence));
  std::memset(mOdd.data, 0, sizeof(double) * (kChunk + 4 * mN + mSilence));
  mEvenCount = mSilence;
  mOddCount = mSilence;
  mCountdown = mLatency;
}

int CDSPHBDownsampler::Process(double* in, int length, double*& out)
{
  int total = 0;
  while (length > 0) {
    const int c = std::min(length, kChunk);
    // an odd sample is due when the even samples are one ahead
    int i = 0;
    if (mEvenCount > mOddCount)
      mOdd.data[mOddCount++] = in[i++];
    double* e = mEven.data + mEvenCount;
    double* o = mOdd.data + mOddCount;
    const int pairs = (c - i) / 2;
    for (int p = 0; p < pairs; ++p) {
      e[p] = in[i + 2 * p];
      o[p] = in[i + 2 * p + 1];
    }
    mEvenCount += pairs;
    mOddCount += pairs;
    i += 2 * pairs;
    if (i < c)
      mEven.data[mEvenCount++] = in[i];
    in += c;
    length -= c;
    // output q leaves once the input 2n samples after it (the even sample n places on) has arrived
    const int outputs = mEvenCount - 2 * mN;
    if (outputs > 0) {
      mKernel(mEven.data, mOdd.data, outputs, mCoeffs, out + total);
      total += outputs;
      mEvenCount -= outputs;
      mOddCount -= outputs;
      std::memmove(mEven.data, mEven.data + outputs, sizeof(double) * mEvenCount);
      std::memmove(mOdd.data, mOdd.data + outputs, sizeof(double) * mOddCount);
    }
  }
  return DropLeading(mCountdown, out, total);
}

namespace {

const HBCoeffSet& Select(const HBLadder* ladders, int count, int stage, double atten)
{
  const HBLadder* l = &ladders[0];
  for (int i = 0; i < count; ++i)
    if (stage >= ladders[i].stage)
      l = &ladders[i];
  int step = 0;
  while (step < l->stepCount && atten > l->steps[step])
    ++step;
  return *l->sets[step];
}

} // namespace

const HBCoeffSet& SelectHBCoeffs2(int stage, double atten)
{
  return Select(kFamily2Ladders, kFamily2LadderCount, stage, atten);
}

const HBCoeffSet& SelectHBCoeffs3(int stage, double atten)
{
  return Select(kFamily3Ladders, kFamily3LadderCount, stage, atten);
}

} // namespace resamp
