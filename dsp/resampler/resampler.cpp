// Stage chain of the resampler.
#include "resampler.h"

#include "block_convolver.h"
#include "fir_filter.h"
#include "frac_interpolator.h"
#include "halfband.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

namespace resamp {
namespace {

constexpr int kStageGrowth = 8;

void* AlignedAlloc(size_t bytes, void** raw)
{
  *raw = std::calloc(bytes + 32, 1);
  if (!*raw)
    throw std::bad_alloc();
  return reinterpret_cast<void*>((reinterpret_cast<size_t>(*raw) + 31) & ~static_cast<size_t>(31));
}

} // namespace

CDSPResampler::CDSPResampler(int maxInLen, int phase, double srcRate, double dstRate, double transBand, double atten)
  : mMaxInLen(std::max(maxInLen, 1)), mMaxLen(mMaxInLen)
{
  try {
    Build(phase, srcRate, dstRate, transBand, atten);
    const int total = mBufLen[0] + mBufLen[1];
    if (total > 0) {
      double* base = static_cast<double*>(AlignedAlloc(sizeof(double) * total, &mBufRaw));
      mBuf[0] = base;
      mBuf[1] = base + mBufLen[0];
    }
  } catch (...) {
    FreeAll();
    throw;
  }
}

CDSPResampler::~CDSPResampler()
{
  FreeAll();
}

void CDSPResampler::FreeAll()
{
  for (int i = 0; i < mCount; ++i)
    delete mStages[i];
  mCount = 0;
  std::free(mStagesRaw);
  mStagesRaw = nullptr;
  mStages = nullptr;
  std::free(mBufRaw);
  mBufRaw = nullptr;
}

void CDSPResampler::AddStage(CDSPProcessor* stage)
{
  if (mCount == mCapacity) {
    void* raw = nullptr;
    CDSPProcessor** grown;
    try {
      grown = static_cast<CDSPProcessor**>(AlignedAlloc(sizeof(CDSPProcessor*) * (mCapacity + kStageGrowth), &raw));
    } catch (...) {
      delete stage;
      throw;
    }
    if (mCount)
      std::memcpy(grown, mStages, sizeof(CDSPProcessor*) * mCount);
    std::free(mStagesRaw);
    mStagesRaw = raw;
    mStages = grown;
    mCapacity += kStageGrowth;
  }
  mLatencyFrac = stage->GetLatencyFrac();
  mMaxLen = stage->GetMaxOutLen(mMaxLen);
  mBufLen[mBufIndex] = std::max(mBufLen[mBufIndex], mMaxLen);
  mBufIndex ^= 1;
  mStages[mCount++] = stage;
}

void CDSPResampler::AddConvolver(int phase, double normFreq, double transBand, double atten, double gain, int up,
  int down, bool handOnLead)
{
  FirFilter* f = FirFilterCache::GetLPFilter(phase, nullptr, normFreq, transBand, atten, gain);
  AddStage(new CDSPBlockConvolver(f, up, down, true, mLatencyFrac, handOnLead));
}

void CDSPResampler::AddHalfBands(bool up, bool familyThree, int count, double atten)
{
  for (int i = 0; i < count; ++i) {
    // Upsampling: stage indices 0, 1, ...; downsampling: the first stage has the highest index.
    const int stage = up ? i : count - 1 - i;
    const HBCoeffSet& set = familyThree ? SelectHBCoeffs3(stage, atten) : SelectHBCoeffs2(stage, atten);
    if (up)
      AddStage(new CDSPHBUpsampler(set, mLatencyFrac, i < count - 1));
    else
      AddStage(new CDSPHBDownsampler(set, mLatencyFrac, true)); // a convolver always follows
  }
}

void CDSPResampler::Build(int phase, double src, double dst, double transBand, double atten)
{
  if (!(src > 0.0) || !(dst > 0.0) || !std::isfinite(src) || !std::isfinite(dst) || src == dst)
    return; // no stages: Process passes the input through

  // Simple ratios: one convolver.
  struct Simple { double srcMul, dstMul; int up, down; };
  static constexpr Simple kSimple[] = { { 1, 2, 1, 2 }, { 1, 3, 1, 3 }, { 2, 3, 2, 3 }, { 3, 2, 3, 2 },
    { 3, 4, 3, 4 } };
  for (const Simple& s : kSimple) {
    if (s.srcMul * src == s.dstMul * dst) {
      const int m = std::max(s.up, s.down);
      AddConvolver(phase, 1.0 / m, transBand, atten, s.up, s.up, s.down);
      return;
    }
  }

  // Upsampling by 2^n or 3 * 2^n.
  for (int f = 2; f <= 3; ++f) {
    int n = 1;
    for (double r = f * src; r <= dst; r *= 2.0, ++n) {
      if (r == dst) {
        AddConvolver(phase, 1.0 / f, transBand, atten, f, f, 1, n > 1);
        AddHalfBands(true, f == 3, n - 1, atten);
        return;
      }
    }
  }

  if (src >= 2.0 * dst) {
    // Downsampling by 2 or more: half-band stages first, then one convolver (and an interpolator).
    int m = 0;
    while (src >= std::ldexp(dst, m + 2))
      ++m;
    const double g = std::ldexp(1.0, -m);
    int down;
    double cut;
    bool familyThree;
    bool interpolate = false;
    if (src == std::ldexp(dst, m + 1)) {
      down = 2;
      cut = 0.5;
      familyThree = false;
    } else if (src == 3.0 * std::ldexp(dst, m)) {
      down = 3;
      cut = 1.0 / 3.0;
      familyThree = true;
    } else {
      down = 1;
      cut = std::ldexp(dst, m) / src;
      familyThree = 3.0 * cut <= 1.0;
      interpolate = true;
    }
    AddHalfBands(false, familyThree, m, atten);
    AddConvolver(phase, cut, transBand, atten, g, 1, down);
    if (interpolate)
      AddStage(new CDSPFracInterpolator(familyThree, src, std::ldexp(dst, m), atten, mLatencyFrac));
    return;
  }

  // Every other ratio: a 2x convolver band-limits to the narrower of the two rates, then the interpolator
  // samples the doubled-rate signal at the destination rate (its filters need an input sampled at twice its
  // bandwidth, which the doubling provides).
  const double cut = dst > src ? 0.5 : 0.5 * dst / src;
  AddConvolver(phase, cut, transBand, atten, 2.0, 2, 1);
  AddStage(new CDSPFracInterpolator(false, 2.0 * src, dst, atten, mLatencyFrac));
}

void CDSPResampler::Clear()
{
  for (int i = 0; i < mCount; ++i)
    mStages[i]->Clear();
}

int CDSPResampler::Process(double* in, int length, double*& out)
{
  if (mCount == 0) {
    out = in;
    return length;
  }
  double* cur = in;
  int len = std::clamp(length, 0, mMaxInLen);
  for (int i = 0; i < mCount; ++i) {
    double* dst = mBuf[i & 1];
    len = mStages[i]->Process(cur, len, dst);
    cur = dst;
  }
  out = cur;
  return len;
}

} // namespace resamp
