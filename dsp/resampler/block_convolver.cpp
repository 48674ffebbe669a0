// Overlap-save block convolver.
//
// Block b covers up-rate positions [bN - O, bN + N). Its inverse transform yields the causal convolution w at
// [bN, bN + N), which is read out while block b + 1 fills: the input sample arriving at up-rate position t
// releases w[t - N]. The signal itself is w delayed by the filter's latency, so the first N + latency raw
// outputs are dropped and everything after is aligned with the input.
#include "block_convolver.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

namespace resamp {
namespace {

int Log2IfPowerOfTwo(int v)
{
  if (v < 1 || (v & (v - 1)) != 0)
    return -1;
  int s = 0;
  while ((1 << s) < v)
    ++s;
  return s;
}

// Bin k (0 <= k < n) of the spectrum of n real samples in packed form: w[0] the DC term, w[1] the Nyquist term,
// then re, im pairs; the bins above n / 2 are the conjugates of those below.
void PackedBin(const double* w, int n, int k, double& re, double& im)
{
  if (k == 0) {
    re = w[0];
    im = 0.0;
  } else if (k == n / 2) {
    re = w[1];
    im = 0.0;
  } else if (k < n / 2) {
    re = w[2 * k];
    im = w[2 * k + 1];
  } else {
    re = w[2 * (n - k)];
    im = -w[2 * (n - k) + 1];
  }
}

} // namespace

CDSPBlockConvolver::CDSPBlockConvolver(FirFilter* filter, int up, int down, bool dropLatency, double latencyFrac)
  : mFilter(filter), mUp(std::max(up, 1)), mDown(std::max(down, 1)), mDropLatency(dropLatency)
{
  try {
    const int k = filter->kernelLength;
    const int step = mUp / std::gcd(mUp, mDown) * mDown;
    int order = filter->blockOrder + 1;
    mBlockLen = 1 << order;
    mNew = (mBlockLen - (k - 1)) / step * step;
    while (mNew <= 0) {
      ++order;
      mBlockLen <<= 1;
      mNew = (mBlockLen - (k - 1)) / step * step;
    }
    mOverlap = mBlockLen - mNew;

    const double d = mUp * latencyFrac + filter->latencyFrac;
    const int whole = static_cast<int>(d);
    mLatencyFrac = (d - whole) / mDown;
    mSkip = mNew + filter->latency + whole;

    const int upShift = Log2IfPowerOfTwo(mUp);
    const int downShift = Log2IfPowerOfTwo(mDown);
    mReplicate = mUp > 1 && upShift > 0 && order - upShift >= 2;
    const int centre = filter->isZeroPhase ? filter->latency : 0;
    mFold = mUp == 1 && mDown > 1 && downShift > 0 && order - downShift >= 2 &&
            ((mSkip - centre) % mDown + mDown) % mDown == 0;
    mResultOffset = mOverlap - centre;

    mFwd = FftKeeper::Get(mReplicate ? order - upShift : order);
    const int invOrder = mFold ? order - downShift : order;
    mInv = invOrder == mFwd->order ? nullptr : FftKeeper::Get(invOrder);
    mStage.Allocate(mReplicate ? mBlockLen / mUp : mBlockLen);
    mWork.Allocate(mBlockLen);
    if (mFold)
      mFoldBuf.Allocate(mBlockLen / mDown);
  } catch (...) {
    FftKeeper::Put(mFwd);
    FftKeeper::Put(mInv);
    FirFilterCache::Release(mFilter);
    throw;
  }
  Clear();
}

CDSPBlockConvolver::~CDSPBlockConvolver()
{
  FftKeeper::Put(mFwd);
  FftKeeper::Put(mInv);
  FirFilterCache::Release(mFilter);
}

void CDSPBlockConvolver::Clear()
{
  std::memset(mStage.data, 0, sizeof(double) * (mReplicate ? mBlockLen / mUp : mBlockLen));
  std::memset(mWork.data, 0, sizeof(double) * mBlockLen);
  if (mFold)
    std::memset(mFoldBuf.data, 0, sizeof(double) * (mBlockLen / mDown));
  mResult = mFold ? mFoldBuf.data : mWork.data;
  mFill = 0;
  mSkipLeft = mSkip;
  mPhase = 0;
}

int CDSPBlockConvolver::Process(double* in, int length, double*& out)
{
  double* o = out;
  int produced = 0;
  while (length > 0) {
    const int count = std::min(length, (mNew - mFill) / mUp);
    if (mReplicate) {
      std::memcpy(mStage.data + (mOverlap + mFill) / mUp, in, sizeof(double) * count);
    } else {
      double* dst = mStage.data + mOverlap + mFill;
      for (int j = 0; j < count; ++j)
        dst[j * mUp] = in[j];
    }
    int r = mFill;
    const int end = mFill + count * mUp;
    if (mSkipLeft > 0) {
      const int s = std::min(mSkipLeft, end - r);
      r += s;
      mSkipLeft -= s;
    }
    if (mSkipLeft == 0) {
      r += mPhase;
      if (r < end) {
        const int n = (end - r + mDown - 1) / mDown;
        if (mFold) {
          std::memcpy(o + produced, mResult + (mResultOffset + r) / mDown, sizeof(double) * n);
        } else if (mDown == 1) {
          std::memcpy(o + produced, mResult + mResultOffset + r, sizeof(double) * n);
        } else {
          const double* src = mResult + mResultOffset + r;
          for (int j = 0; j < n; ++j)
            o[produced + j] = src[j * mDown];
        }
        produced += n;
        r += n * mDown;
      }
      mPhase = r - end;
    }
    mFill = end;
    in += count;
    length -= count;
    if (mFill == mNew) {
      ComputeBlock();
      mFill = 0;
    }
  }
  return produced;
}

void CDSPBlockConvolver::ComputeBlock()
{
  const int b = mBlockLen;
  double* w = mWork.data;
  if (mReplicate) {
    const int m = b / mUp;
    mFwd->Forward(mStage.data, w);
    // The zero-stuffed block's spectrum is the short block's spectrum repeated: X[k] = Xs[k mod m].
    if (mUp == 2) {
      // bins m/2 .. m - 1 mirror the short spectrum (conjugated); bin m/2 is its Nyquist term
      for (int k = m / 2 + 1; k < m; ++k) {
        w[2 * k] = w[2 * (m - k)];
        w[2 * k + 1] = -w[2 * (m - k) + 1];
      }
      w[m] = w[1];
      w[m + 1] = 0.0;
    } else {
      for (int k = b / 2 - 1; k >= m / 2; --k) {
        double re, im;
        PackedBin(w, m, k % m, re, im);
        w[2 * k] = re;
        w[2 * k + 1] = im;
      }
    }
    w[1] = w[0];
  } else {
    mFwd->Forward(mStage.data, w);
  }

  const double scale = 2.0 / b;
  const double* h = mFilter->spectrum.data;
  if (mFilter->isZeroPhase) {
    for (int i = 0; i < b; ++i)
      w[i] *= h[i] * scale;
  } else {
    w[0] *= h[0] * scale;
    w[1] *= h[1] * scale;
    for (int i = 2; i < b; i += 2) {
      const double re = w[i] * h[i] - w[i + 1] * h[i + 1];
      const double im = w[i] * h[i + 1] + w[i + 1] * h[i];
      w[i] = re * scale;
      w[i + 1] = im * scale;
    }
  }

  if (mFold) {
    // Decimation by down in the frequency domain: F[k] = sum over r of Y[k + r * b / down].
    const int m = b / mDown;
    double* f = mFoldBuf.data;
    if (mDown == 2) {
      // F[k] = Y[k] + conj(Y[m - k]) with m = b / 2
      f[0] = w[0] + w[1];
      f[1] = 2.0 * w[m];
      for (int k = 1; k < m / 2; ++k) {
        f[2 * k] = w[2 * k] + w[2 * (m - k)];
        f[2 * k + 1] = w[2 * k + 1] - w[2 * (m - k) + 1];
      }
    } else {
      for (int k = 0; k <= m / 2; ++k) {
        double sr = 0.0, si = 0.0;
        for (int r = 0; r < mDown; ++r) {
          double re, im;
          PackedBin(w, b, k + r * m, re, im);
          sr += re;
          si += im;
        }
        if (k == 0)
          f[0] = sr;
        else if (k == m / 2)
          f[1] = sr;
        else {
          f[2 * k] = sr;
          f[2 * k + 1] = si;
        }
      }
    }
    (mInv ? mInv : mFwd)->Inverse(f);
  } else {
    (mInv ? mInv : mFwd)->Inverse(w);
  }

  // The tail of this block is the next block's history.
  if (mReplicate) {
    const int m = b / mUp;
    const int keep = mOverlap / mUp;
    std::memmove(mStage.data, mStage.data + (m - keep), sizeof(double) * keep);
    std::memset(mStage.data + keep, 0, sizeof(double) * (m - keep));
  } else {
    std::memmove(mStage.data, mStage.data + mNew, sizeof(double) * mOverlap);
    std::memset(mStage.data + mOverlap, 0, sizeof(double) * mNew);
  }
}

} // namespace resamp
