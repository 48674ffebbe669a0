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

// Tells GCC that the loops below carry no dependence through memory (other compilers keep them as they are).
#if defined(__GNUC__) && !defined(__clang__)
#define RESAMP_NO_LOOP_DEPENDENCE _Pragma("GCC ivdep")
#else
#define RESAMP_NO_LOOP_DEPENDENCE
#endif

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


// ---- the fused spectral pass of the wide kernels ----
//
// Up by 2 (replicated spectrum) and down by 2 (folded spectrum) with a linear-phase filter: the split step
// after the forward half-length transform, the replication or folding, the filter and the split step before the
// inverse transform touch, for each k < ms/2, the same four bins k, mb - k, ms - k, ms + k of the long spectrum
// (mb bins) and two bins k, ms - k of the short one (ms = mb / 2 bins). One pass over k does all of it with the
// same arithmetic as the separate steps.

struct Cx
{
  double r, i;
};

// Bins k and j = m - k of a real signal's spectrum from Z[k] and Z[j] of its half-length transform.
RESAMP_KERNEL_INLINE void SplitForwardPair(Cx zk, Cx zj, double c, double s, Cx& xk, Cx& xj)
{
  const double er = 0.5 * (zk.r + zj.r), ei = 0.5 * (zk.i - zj.i);
  const double orr = 0.5 * (zk.i + zj.i), oi = -0.5 * (zk.r - zj.r);
  const double pr = orr * c + oi * s;
  const double pi = oi * c - orr * s;
  xj = { er - pr, -(ei - pi) };
  xk = { er + pr, ei + pi };
}

// Z[k] and Z[j] of the half-length transform from bins k and j = m - k of the spectrum.
RESAMP_KERNEL_INLINE void SplitInversePair(Cx xk, Cx xj, double c, double s, Cx& zk, Cx& zj)
{
  const double er = 0.5 * (xk.r + xj.r), ei = 0.5 * (xk.i - xj.i);
  const double dr = 0.5 * (xk.r - xj.r), di = 0.5 * (xk.i + xj.i);
  const double orr = dr * c - di * s;
  const double oi = dr * s + di * c;
  zj = { er + oi, -ei + orr };
  zk = { er - oi, ei + orr };
}

RESAMP_KERNEL_INLINE Cx Filter(Cx x, const double* hr, const double* hi, int k)
{
  return { x.r * hr[k], x.i * hi[k] };
}

RESAMP_KERNEL_INLINE Cx Conj(Cx x)
{
  return { x.r, -x.i };
}

RESAMP_KERNEL_INLINE Cx At(const double* re, const double* im, int k)
{
  return { re[k], im[k] };
}

RESAMP_KERNEL_INLINE void Put(double* re, double* im, int k, Cx v)
{
  re[k] = v.r;
  im[k] = v.i;
}

/// Up by 2: from the short block's half-length transform (zr, zi: ms values) to the long inverse's input (yr, yi:
/// mb = 2 ms values). hr, hi: the filter's spectrum times the inverse's scale. cs/ss: the short split's tables,
/// cb/sb: the long one's.
RESAMP_WIDE_TARGET void FusedUp(const double* __restrict zr, const double* __restrict zi, double* __restrict yr,
  double* __restrict yi, int ms, const double* __restrict hr, const double* __restrict hi,
  const double* __restrict cs, const double* __restrict ss, const double* __restrict cb,
  const double* __restrict sb)
{
  const int mb = 2 * ms;
  RESAMP_NO_LOOP_DEPENDENCE
  for (int k = 1; k < ms / 2; ++k) {
    Cx xk, xj;
    SplitForwardPair(At(zr, zi, k), At(zr, zi, ms - k), cs[k], ss[k], xk, xj);
    Cx a, b, c, d;
    SplitInversePair(Filter(xk, hr, hi, k), Filter(Conj(xk), hr, hi, mb - k), cb[k], sb[k], a, b);
    SplitInversePair(Filter(xj, hr, hi, ms - k), Filter(Conj(xj), hr, hi, ms + k), cb[ms - k], sb[ms - k], c, d);
    Put(yr, yi, k, a);
    Put(yr, yi, mb - k, b);
    Put(yr, yi, ms - k, c);
    Put(yr, yi, ms + k, d);
  }
  // the short middle bin pairs with itself; in the long spectrum it pairs with its mirror 3 ms / 2
  {
    const int q = ms / 2;
    Cx xm, unused;
    SplitForwardPair(At(zr, zi, q), At(zr, zi, q), cs[q], ss[q], xm, unused);
    Cx a, b;
    SplitInversePair(Filter(xm, hr, hi, q), Filter(Conj(xm), hr, hi, mb - q), cb[q], sb[q], a, b);
    Put(yr, yi, q, a);
    Put(yr, yi, mb - q, b);
  }
  // DC and Nyquist of the short spectrum: the long one's DC and Nyquist are the short DC, its middle bin the
  // short Nyquist
  const double dc = zr[0] + zi[0], nyquist = zr[0] - zi[0];
  const double y0 = dc * hr[0], yn = dc * hi[0];
  const Cx ym = { nyquist * hr[ms], 0.0 * hi[ms] };
  Cx mid, unused;
  SplitInversePair(ym, ym, cb[ms], sb[ms], mid, unused);
  Put(yr, yi, ms, mid);
  yr[0] = 0.5 * (y0 + yn);
  yi[0] = 0.5 * (y0 - yn);
}

/// Down by 2: from the long block's half-length transform (zr, zi: mb = 2 ms values) to the short inverse's input
/// (fr, fi: ms values). Tables as for FusedUp.
RESAMP_WIDE_TARGET void FusedDown(const double* __restrict zr, const double* __restrict zi, double* __restrict fr,
  double* __restrict fi, int ms, const double* __restrict hr, const double* __restrict hi,
  const double* __restrict cs, const double* __restrict ss, const double* __restrict cb,
  const double* __restrict sb)
{
  const int mb = 2 * ms;
  RESAMP_NO_LOOP_DEPENDENCE
  for (int k = 1; k < ms / 2; ++k) {
    Cx xa, xb, xc, xd;
    SplitForwardPair(At(zr, zi, k), At(zr, zi, mb - k), cb[k], sb[k], xa, xb);
    SplitForwardPair(At(zr, zi, ms - k), At(zr, zi, ms + k), cb[ms - k], sb[ms - k], xc, xd);
    const Cx ya = Filter(xa, hr, hi, k), yb = Filter(xb, hr, hi, mb - k);
    const Cx yc = Filter(xc, hr, hi, ms - k), yd = Filter(xd, hr, hi, ms + k);
    const Cx fk = { ya.r + yb.r, ya.i - yb.i };  // Y[k] + conj(Y[mb - k])
    const Cx fj = { yc.r + yd.r, yc.i - yd.i };  // Y[ms - k] + conj(Y[ms + k])
    Cx a, b;
    SplitInversePair(fk, fj, cs[k], ss[k], a, b);
    Put(fr, fi, k, a);
    Put(fr, fi, ms - k, b);
  }
  // the short middle bin: long bins ms / 2 and 3 ms / 2
  {
    const int q = ms / 2;
    Cx xa, xb;
    SplitForwardPair(At(zr, zi, q), At(zr, zi, mb - q), cb[q], sb[q], xa, xb);
    const Cx ya = Filter(xa, hr, hi, q), yb = Filter(xb, hr, hi, mb - q);
    const Cx f = { ya.r + yb.r, ya.i - yb.i };
    Cx mid, unused;
    SplitInversePair(f, f, cs[q], ss[q], mid, unused);
    Put(fr, fi, q, mid);
  }
  // DC, Nyquist and middle bin of the long spectrum make the short DC and Nyquist
  const Cx z0 = At(zr, zi, 0);
  const double y0 = (z0.r + z0.i) * hr[0], yn = (z0.r - z0.i) * hi[0];
  Cx xm, unused;
  SplitForwardPair(At(zr, zi, ms), At(zr, zi, ms), cb[ms], sb[ms], xm, unused);
  const double f0 = y0 + yn, fn = 2.0 * (xm.r * hr[ms]);
  fr[0] = 0.5 * (f0 + fn);
  fi[0] = 0.5 * (f0 - fn);
}
} // namespace

CDSPBlockConvolver::CDSPBlockConvolver(FirFilter* filter, int up, int down, bool dropLatency, double latencyFrac,
  bool handOnLead)
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
    if (handOnLead && mDown == 1) {
      mLead = filter->latency + whole;
      mSkip = mNew;
    }

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
    // Up or down by 2 with a linear-phase filter on the wide kernels: one fused pass between the transforms.
    mFused = mInv && filter->isZeroPhase && mFwd->HasHalfTransforms() && mInv->HasHalfTransforms() &&
             ((mReplicate && mUp == 2 && mDown == 1) || (mFold && mDown == 2 && mUp == 1)) && mBlockLen >= 128;
    if (mFused) {
      mScaled.Allocate(mBlockLen);
      const double scale = 2.0 / mBlockLen;
      for (int i = 0; i < mBlockLen; ++i)
        mScaled.data[i] = mSpectrum.data[i] * scale;
      if (mReplicate)
        mWork.Allocate(mBlockLen + mBlockLen / 2); // the long inverse's input, then the short transform
    }
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
  SlideWindow();
}

RESAMP_WIDE_TARGET void CDSPBlockConvolver::ComputeBlockWide()
{
  if (!mFused) {
    ComputeBlockBody();
    SlideWindow();
    return;
  }
  const int mb = mBlockLen / 2, ms = mBlockLen / 4;
  const double* hr = mScaled.data;
  const double* hi = hr + mb;
  const RealFft& shortFft = mReplicate ? *mFwd : *mInv;
  const RealFft& longFft = mReplicate ? *mInv : *mFwd;
  const double* cs = shortFft.SplitCosines();
  const double* ss = shortFft.SplitSines();
  const double* cb = longFft.SplitCosines();
  const double* sb = longFft.SplitSines();
  if (mReplicate) {
    double* yr = mWork.data;
    double* yi = yr + mb;
    double* zr = mWork.data + mBlockLen;
    double* zi = zr + ms;
    mFwd->ForwardHalf(mWindow, zr, zi);
    FusedUp(zr, zi, yr, yi, ms, hr, hi, cs, ss, cb, sb);
    mInv->InverseHalf(yr, yi, mWork.data);
  } else {
    double* zr = mWork.data;
    double* zi = zr + mb;
    double* fr = mFoldBuf.data;
    double* fi = fr + ms;
    mFwd->ForwardHalf(mWindow, zr, zi);
    FusedDown(zr, zi, fr, fi, ms, hr, hi, cs, ss, cb, sb);
    mInv->InverseHalf(fr, fi, mFoldBuf.data);
  }
  SlideWindow();
}

namespace {

// The zero-stuffed block's spectrum from the short block's: xr, xi hold the short spectrum (m = b / up bins,
// unpacked) and end up holding bins 0 .. b/2 - 1 of the long one, X[k] = Xs[k mod m].
RESAMP_KERNEL_INLINE void RepeatShortSpectrum(double* xr, double* xi, int b, int up)
{
  const int half = b / 2;
  const int m = b / up;
  if (up == 2) {
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
}

// Multiplies the block's spectrum (half bins, unpacked) by the filter's (hr, hi, unpacked the same way) and by
// the inverse transform's scale. A linear-phase filter's unpacked spectrum scales each part on its own.
RESAMP_KERNEL_INLINE void MultiplyByFilter(double* xr, double* xi, const double* hr, const double* hi, int half,
  double scale, bool zeroPhase)
{
  if (zeroPhase) {
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
}

// Decimation by down in the frequency domain: F[k] = sum over r of Y[k + r * b / down], from the block's spectrum
// (xr, xi: b/2 bins, unpacked) into fr, fi (m/2 bins, m = b / down, unpacked the same way).
RESAMP_KERNEL_INLINE void FoldSpectrum(const double* xr, const double* xi, double* fr, double* fi, int b, int down)
{
  const int m = b / down;
  if (down == 2) {
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
      for (int r = 0; r < down; ++r) {
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
}

} // namespace

RESAMP_KERNEL_INLINE void CDSPBlockConvolver::ComputeBlockBody()
{
  const int b = mBlockLen;
  const int half = b / 2;
  // The spectrum of the block, unpacked: xr[0] the DC term, xi[0] the Nyquist term, then bins 1 .. b/2 - 1.
  double* xr = mWork.data;
  double* xi = xr + half;
  mFwd->ForwardSplit(mWindow, xr, xi);
  if (mReplicate)
    RepeatShortSpectrum(xr, xi, b, mUp);

  MultiplyByFilter(xr, xi, mSpectrum.data, mSpectrum.data + half, half, 2.0 / b, mFilter->isZeroPhase);

  RealFft* inverse = mInv ? mInv : mFwd;
  if (mFold) {
    double* fr = mFoldBuf.data;
    double* fi = fr + b / mDown / 2;
    FoldSpectrum(xr, xi, fr, fi, b, mDown);
    inverse->InverseSplit(fr, fi, mFoldBuf.data);
  } else {
    inverse->InverseSplit(xr, xi, mWork.data);
  }
}

void CDSPBlockConvolver::SlideWindow()
{
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
