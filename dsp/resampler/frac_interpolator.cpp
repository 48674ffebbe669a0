// Fractional interpolator and its filter-bank cache.
#include "frac_interpolator.h"

#include "kaiser_window.h"
#include "library_state.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace resamp {
namespace {

struct DesignRow { double beta, power, atten; };

// Kaiser window parameter, the power the window is raised to, and the attenuation reached by the filters of
// length 6 + 2 * row on an input sampled at twice its bandwidth (flag clear) or at three times it (flag set).
constexpr DesignRow kRows[] = {
  { 2.6504246356892924, 1.9035845248358245, 51.728 }, { 4.075965481237302, 1.5747323142948524, 67.1095 },
  { 4.903650864635203, 1.620764475945579, 81.8379 }, { 5.613142112483072, 1.694767722041513, 96.4021 },
  { 5.943375125313369, 1.8730186383321272, 111.13 }, { 6.830865825382566, 1.8549555120377224, 125.4649 },
  { 7.664845885375837, 1.8565765953924642, 139.7378 }, { 8.203873080232684, 1.926952130889518, 154.0532 },
  { 8.786515148918756, 1.9775307528231671, 168.2101 }, { 9.594501320675516, 1.9718457932433306, 182.1076 },
  { 10.516304861621025, 1.9504085061576968, 195.5668 }, { 10.23826646770061, 2.1608878780497056, 209.0609 },
  { 10.997666315526166, 2.153641581542825, 222.5009 },
};
constexpr DesignRow kRowsWide[] = {
  { 4.073820136528245, 1.5774150265957998, 67.2431 }, { 4.9502289040040495, 1.7149006172407628, 86.487 },
  { 5.599507133297619, 1.8930163359641823, 106.1171 }, { 6.362728785677605, 1.9945748303811506, 125.2304 },
  { 7.429955438653453, 1.9893399585993299, 144.3469 }, { 8.066771080739644, 2.0928202837610885, 163.4098 },
  { 8.746999193312853, 2.164027427090349, 181.0694 }, { 10.082316433054057, 2.089673299640328, 199.288 },
  { 19.17182818401148, 1.2030083075440616, 215.299 }, { 21.091412848856763, 1.1919045429676862, 233.9152 },
};
constexpr int kRowCount = sizeof(kRows) / sizeof(kRows[0]);
constexpr int kRowWideCount = sizeof(kRowsWide) / sizeof(kRowsWide[0]);
constexpr int kMaxRecentBanks = 12;
constexpr int kMaxOutStep = 1500;
constexpr int kGcdRounds = 25;
constexpr int kRebaseAfter = 1000;

const DesignRow& RowFor(bool flag, double atten, int* index)
{
  const DesignRow* rows = flag ? kRowsWide : kRows;
  const int count = flag ? kRowWideCount : kRowCount;
  int i = 0;
  while (i < count - 1 && !(rows[i].atten >= atten))
    ++i;
  *index = i;
  return rows[i];
}

// Fills values[rows][length]: windowed sinc for the delays row / fractions, each row summing to 1.
void DesignRows(double* values, int rows, int fractions, int length, const DesignRow& d)
{
  const double beta = std::clamp(d.beta, 1.0, 350.0);
  const double norm = BesselI0(beta);
  const double half = 0.5 * length;
  for (int f = 0; f < rows; ++f) {
    const double delta = static_cast<double>(f) / fractions;
    double* row = values + static_cast<size_t>(f) * length;
    double sum = 0.0;
    for (int t = 0; t < length; ++t) {
      const double u = t - (half - 1.0) - delta;
      const double x = u / half;
      double w = 0.0;
      if (std::fabs(x) < 1.0)
        w = std::pow(KaiserWindow(x, beta, norm), d.power);
      const double s = u == 0.0 ? 1.0 : std::sin(M_PI * u) / (M_PI * u);
      row[t] = s * w;
      sum += row[t];
    }
    for (int t = 0; t < length; ++t)
      row[t] /= sum;
  }
}

FracFilterBank* BuildBank(int fractions, int perTap, int guard, bool flag, double atten)
{
  int rowIndex = 0;
  const DesignRow& d = RowFor(flag, atten, &rowIndex);
  void* mem = std::malloc(sizeof(FracFilterBank));
  if (!mem)
    throw std::bad_alloc();
  FracFilterBank* b = new (mem) FracFilterBank();
  b->fractions = fractions;
  b->coeffsPerTap = perTap;
  b->guardFractions = guard;
  b->atten = d.atten;
  b->tableFlag = flag ? 1 : 0;
  b->length = 6 + 2 * rowIndex;
  const int rows = fractions + guard;
  try {
    if (perTap == 1) {
      b->coeffs.Allocate(static_cast<size_t>(rows) * b->length);
      DesignRows(b->coeffs.data, rows, fractions, b->length, d);
    } else {
      AlignedDoubles values;
      values.Allocate(static_cast<size_t>(rows) * b->length);
      DesignRows(values.data, rows, fractions, b->length, d);
      const int L = b->length;
      b->coeffs.Allocate(static_cast<size_t>(rows - 2) * L * 3);
      for (int f = 0; f < rows - 2; ++f) {
        const double* v0 = values.data + static_cast<size_t>(f) * L;
        const double* v1 = v0 + L;
        const double* v2 = v1 + L;
        double* c = b->coeffs.data + static_cast<size_t>(f) * L * 3;
        for (int t = 0; t < L; ++t) {
          const double c2 = 0.5 * (v2[t] - 2.0 * v1[t] + v0[t]);
          c[t] = v0[t];
          c[L + t] = (v1[t] - v0[t]) - c2;
          c[2 * L + t] = c2;
        }
      }
    }
  } catch (...) {
    b->~FracFilterBank();
    std::free(b);
    throw;
  }
  return b;
}

void FreeBank(FracFilterBank* b)
{
  b->~FracFilterBank();
  std::free(b);
}

bool Matches(const FracFilterBank* b, int fractions, int perTap, int guard, double atten, int flag)
{
  return b->fractions == fractions && b->coeffsPerTap == perTap && b->guardFractions == guard && b->atten == atten &&
         b->tableFlag == flag;
}

FracFilterBank* AcquireBank(bool isStatic, int fractions, int perTap, int guard, bool flag, double atten)
{
  int rowIndex = 0;
  const double rowAtten = RowFor(flag, atten, &rowIndex).atten;
  const int f = flag ? 1 : 0;
  LibraryState& st = State();
  std::lock_guard<std::recursive_mutex> lock(st.fracMutex);
  if (isStatic) {
    for (FracFilterBank* b = st.staticBanks; b; b = b->next)
      if (Matches(b, fractions, perTap, guard, rowAtten, f)) {
        ++b->useCount;
        return b;
      }
    FracFilterBank* b = BuildBank(fractions, perTap, guard, flag, atten);
    b->useCount = 1;
    b->next = st.staticBanks;
    st.staticBanks = b;
    return b;
  }
  FracFilterBank* prev = nullptr;
  for (FracFilterBank* b = st.recentBanks; b; prev = b, b = b->next)
    if (Matches(b, fractions, perTap, guard, rowAtten, f)) {
      ++b->useCount;
      if (prev) {
        prev->next = b->next;
        b->next = st.recentBanks;
        st.recentBanks = b;
      }
      return b;
    }
  if (st.recentBankCount >= kMaxRecentBanks && st.recentBanks && st.recentBanks->next) {
    FracFilterBank* before = st.recentBanks;
    while (before->next->next)
      before = before->next;
    FracFilterBank* last = before->next;
    before->next = nullptr;
    if (last->useCount == 0) {
      FreeBank(last);
      --st.recentBankCount;
    } else {
      last->next = st.recentBanks;
      st.recentBanks = last;
    }
  }
  FracFilterBank* b = BuildBank(fractions, perTap, guard, flag, atten);
  b->useCount = 1;
  b->next = st.recentBanks;
  st.recentBanks = b;
  ++st.recentBankCount;
  return b;
}

void ReleaseBank(FracFilterBank* b)
{
  if (!b)
    return;
  LibraryState& st = State();
  std::lock_guard<std::recursive_mutex> lock(st.fracMutex);
  --b->useCount;
}

} // namespace

int CDSPFracInterpolator::SelectRow(bool tableFlag, double atten, double* rowAtten)
{
  int index = 0;
  const DesignRow& d = RowFor(tableFlag, atten, &index);
  if (rowAtten)
    *rowAtten = d.atten;
  return index;
}

CDSPFracInterpolator::CDSPFracInterpolator(bool tableFlag, double srcRate, double dstRate, double atten,
  double latency)
  : mSrc(srcRate), mDst(dstRate)
{
  latency = std::max(0.0, latency);
  mSkipInit = static_cast<int>(latency);
  mFracIn = latency - mSkipInit;

  // Common divisor of the two rates by repeated subtraction.
  double a = srcRate, b = dstRate, divisor = 0.0;
  for (int round = 0; round < kGcdRounds && a > 0.0 && b > 0.0; ++round) {
    if (a == b) {
      divisor = a;
      break;
    }
    if (a > b)
      a -= b;
    else
      b -= a;
  }
  if (divisor >= 1.0) {
    const double in = srcRate / divisor, out = dstRate / divisor;
    if (std::floor(in) == in && std::floor(out) == out && out <= kMaxOutStep && in <= 1e6) {
      mWholeStep = true;
      mInStep = static_cast<int>(in);
      mOutStep = static_cast<int>(out);
    }
  }
  if (mWholeStep) {
    mPhaseInit = static_cast<int>(mFracIn * mOutStep);
    mLatencyFracOut = (mFracIn - static_cast<double>(mPhaseInit) / mOutStep) * dstRate / srcRate;
    mBank = AcquireBank(false, mOutStep, 1, 2, tableFlag, atten);
  } else {
    mOffsetInit = mFracIn * dstRate / srcRate;
    int row = 0;
    const double rowAtten = RowFor(tableFlag, atten, &row).atten;
    const int fractions = static_cast<int>(std::ceil(std::exp(rowAtten * 0.033300466782047) * 1.792462178761753));
    mBank = AcquireBank(true, fractions, 3, 8, tableFlag, atten);
  }
  mLength = mBank->length;
  try {
    mBuf.Allocate(kChunk + 2 * mLength + 2);
  } catch (...) {
    ReleaseBank(mBank);
    throw;
  }
  Clear();
}

CDSPFracInterpolator::~CDSPFracInterpolator()
{
  ReleaseBank(mBank);
}

double CDSPFracInterpolator::RowAttenuation() const
{
  return mBank->atten;
}

int CDSPFracInterpolator::GetMaxOutLen(int maxInLen) const
{
  return static_cast<int>(std::ceil(maxInLen * mDst / mSrc)) + 1;
}

void CDSPFracInterpolator::Clear()
{
  std::memset(mBuf.data, 0, sizeof(double) * (kChunk + 2 * mLength + 2));
  mCount = mLength / 2 - 1; // silence before the first input
  mBufStart = -mCount;
  mSkipLeft = mSkipInit;
  mPhase = mPhaseInit;
  mOutCount = 0;
  mOffset = mOffsetInit;
}

int CDSPFracInterpolator::ProduceWholeStep(double* out)
{
  // mBufStart is kept as the first tap of the next output (its integer position minus half the length).
  int produced = 0;
  int read = 0;
  const int L = mLength;
  while (read + L <= mCount) {
    const double* taps = mBank->coeffs.data + static_cast<size_t>(mPhase) * L;
    const double* x = mBuf.data + read;
    double acc = 0.0;
    for (int t = 0; t < L; ++t)
      acc += taps[t] * x[t];
    out[produced++] = acc;
    mPhase += mInStep;
    read += mPhase / mOutStep;
    mPhase %= mOutStep;
  }
  const int shift = std::min(read, mCount);
  std::memmove(mBuf.data, mBuf.data + shift, sizeof(double) * (mCount - shift));
  mCount -= shift;
  mSkipLeft += read - shift; // the next output starts beyond what is buffered
  return produced;
}

int CDSPFracInterpolator::ProduceGeneral(double* out)
{
  int produced = 0;
  const int L = mLength;
  const double ratio = mSrc / mDst;
  const int F = mBank->fractions;
  int idx = 0;
  for (;;) {
    const double pos = (mOutCount + mOffset) * ratio;
    const double ip = std::floor(pos);
    idx = static_cast<int>(ip) - (L / 2 - 1) - mBufStart;
    if (idx + L > mCount)
      break;
    const double rowPos = (pos - ip) * F;
    int row = static_cast<int>(rowPos);
    if (row >= F)
      row = F - 1;
    const double r = rowPos - row;
    const double* c = mBank->coeffs.data + static_cast<size_t>(row) * L * 3;
    const double* x = mBuf.data + idx;
    double acc = 0.0;
    for (int t = 0; t < L; ++t)
      acc += (c[t] + r * (c[L + t] + r * c[2 * L + t])) * x[t];
    out[produced++] = acc;
    if (++mOutCount > kRebaseAfter) {
      // restart the position arithmetic at the next output so that it never grows
      const double next = (mOutCount + mOffset) * ratio;
      const double whole = std::floor(next);
      mBufStart -= static_cast<int>(whole);
      mOffset = (next - whole) / ratio;
      mOutCount = 0;
    }
  }
  const int shift = std::clamp(idx, 0, mCount);
  std::memmove(mBuf.data, mBuf.data + shift, sizeof(double) * (mCount - shift));
  mCount -= shift;
  mBufStart += shift;
  if (idx > shift) {
    // the next output's first tap lies beyond the buffer: skip the inputs in between
    mSkipLeft += idx - shift;
    mBufStart += idx - shift;
  }
  return produced;
}

int CDSPFracInterpolator::Process(double* in, int length, double*& out)
{
  int total = 0;
  while (length > 0) {
    if (mSkipLeft > 0) {
      const int s = std::min(mSkipLeft, length);
      mSkipLeft -= s;
      in += s;
      length -= s;
      continue;
    }
    const int c = std::min(length, kChunk);
    std::memcpy(mBuf.data + mCount, in, sizeof(double) * c);
    mCount += c;
    in += c;
    length -= c;
    total += mWholeStep ? ProduceWholeStep(out + total) : ProduceGeneral(out + total);
  }
  return total;
}

} // namespace resamp
