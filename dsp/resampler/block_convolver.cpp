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

constexpr int kStageSteps = 8; ///< window steps the stage holds beyond one window


int Log2IfPowerOfTwo(int v)
{
  if (v < 1 || (v & (v - 1)) != 0)
    return -1;
  int s = 0;
  while ((1 << s) < v)
    ++s;
  return s;
}

// Bin k (0 <= k < n) of the spectrum of n real samples, unpacked: re[0] the DC term, im[0] the Nyquist term,
// then bins 1 .. n/2 - 1; the bins above n / 2 are the conjugates of those below.
void SplitBin(const double* re, const double* im, int n, int k, double& outRe, double& outIm)
{
  if (k == 0) {
    outRe = re[0];
    outIm = 0.0;
  } else if (k == n / 2) {
    outRe = im[0];
    outIm = 0.0;
  } else if (k < n / 2) {
    outRe = re[k];
    outIm = im[k];
  } else {
    outRe = re[n - k];
    outIm = -im[n - k];
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
    mWindowLen = mReplicate ? mBlockLen / mUp : mBlockLen;
    mWindowStep = mReplicate ? mNew / mUp : mNew;
    mStageLen = mWindowLen + kStageSteps * mWindowStep;
    mStage.Allocate(mStageLen);
    mWork.Allocate(mBlockLen);
    // the filter's packed spectrum unpacked the way the transforms leave the block's spectrum
    mSpectrum.Allocate(mBlockLen);
    const double* h = filter->spectrum.data;
    for (int i = 0; i < mBlockLen / 2; ++i) {
      mSpectrum.data[i] = h[2 * i];
      mSpectrum.data[mBlockLen / 2 + i] = h[2 * i + 1];
    }
    if (mFold)
      mFoldBuf.Allocate(mBlockLen / mDown);
    mIsa = ChosenVectorIsa();
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
  std::memset(mStage.data, 0, sizeof(double) * mStageLen);
  mWindow = mStage.data;
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
      std::memcpy(mWindow + (mOverlap + mFill) / mUp, in, sizeof(double) * count);
    } else {
      double* dst = mWindow + mOverlap + mFill;
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
  if (mIsa == VectorIsa::kWide)
    ComputeBlockWide();
  else
    ComputeBlockBaseline();
}

void CDSPBlockConvolver::ComputeBlockBaseline()
{
  ComputeBlockBody();
}

RESAMP_WIDE_TARGET void CDSPBlockConvolver::ComputeBlockWide()
{
  ComputeBlockBody();
}

RESAMP_KERNEL_INLINE void CDSPBlockConvolver::ComputeBlockBody()
{
  const int b = mBlockLen;
  const int half = b / 2;
  // The spectrum of the block, unpacked: xr[0] the DC term, xi[0] the Nyquist term, then bins 1 .. b/2 - 1.
  double* xr = mWork.data;
  double* xi = xr + half;
  if (mReplicate) {
    const int m = b / mUp;
    mFwd->ForwardSplit(mWindow, xr, xi);
    // The zero-stuffed block's spectrum is the short block's spectrum repeated: X[k] = Xs[k mod m].
    if (mUp == 2) {
      // bins m/2 .. m - 1 mirror the short spectrum (conjugated); bin m/2 is its Nyquist term
      const int q = m / 2;
      for (int k = q + 1; k < m; ++k) {
        xr[k] = xr[m - k];
        xi[k] = -xi[m - k];
      }
      xr[q] = xi[0];
      xi[q] = 0.0;
    } else {
      for (int k = half - 1; k >= m / 2; --k) {
        double re, im;
        SplitBin(xr, xi, m, k % m, re, im);
        xr[k] = re;
        xi[k] = im;
      }
    }
    xi[0] = xr[0];
  } else {
    mFwd->ForwardSplit(mWindow, xr, xi);
  }

  const double scale = 2.0 / b;
  const double* hr = mSpectrum.data;
  const double* hi = hr + half;
  if (mFilter->isZeroPhase) {
    for (int k = 0; k < half; ++k) {
      xr[k] *= hr[k] * scale;
      xi[k] *= hi[k] * scale;
    }
  } else {
    xr[0] *= hr[0] * scale;
    xi[0] *= hi[0] * scale;
    for (int k = 1; k < half; ++k) {
      const double re = xr[k] * hr[k] - xi[k] * hi[k];
      const double im = xr[k] * hi[k] + xi[k] * hr[k];
      xr[k] = re * scale;
      xi[k] = im * scale;
    }
  }

  if (mFold) {
    // Decimation by down in the frequency domain: F[k] = sum over r of Y[k + r * b / down].
    const int m = b / mDown;
    double* fr = mFoldBuf.data;
    double* fi = fr + m / 2;
    if (mDown == 2) {
      // F[k] = Y[k] + conj(Y[m - k]) with m = b / 2
      fr[0] = xr[0] + xi[0];
      fi[0] = 2.0 * xr[m / 2];
      for (int k = 1; k < m / 2; ++k) {
        fr[k] = xr[k] + xr[m - k];
        fi[k] = xi[k] - xi[m - k];
      }
    } else {
      for (int k = 0; k <= m / 2; ++k) {
        double sr = 0.0, si = 0.0;
        for (int r = 0; r < mDown; ++r) {
          double re, im;
          SplitBin(xr, xi, b, k + r * m, re, im);
          sr += re;
          si += im;
        }
        if (k == 0)
          fr[0] = sr;
        else if (k == m / 2)
          fi[0] = sr;
        else {
          fr[k] = sr;
          fi[k] = si;
        }
      }
    }
    (mInv ? mInv : mFwd)->InverseSplit(fr, fi, mFoldBuf.data);
  } else {
    (mInv ? mInv : mFwd)->InverseSplit(xr, xi, mWork.data);
  }

  // The tail of this block is the next block's history: the window slides on by a step, and only when it
  // reaches the end of the stage is the history moved back to the start. The positions a zero-stuffed block
  // leaves unwritten stay zero, as everything past the window is zero until the window gets there; every other
  // block writes all its new positions.
  if (mWindow + mWindowLen + mWindowStep <= mStage.data + mStageLen) {
    mWindow += mWindowStep;
  } else {
    const int keep = mWindowLen - mWindowStep;
    std::memmove(mStage.data, mWindow + mWindowStep, sizeof(double) * keep);
    if (!mReplicate && mUp > 1)
      std::memset(mStage.data + keep, 0, sizeof(double) * (mStageLen - keep));
    mWindow = mStage.data;
  }
}

} // namespace resamp
