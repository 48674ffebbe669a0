#include "RootSolver.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace Dsp {

namespace {

constexpr int kStepsBetweenKicks = 10;
constexpr int kKicks = 8;
constexpr int kMaxIterations = kStepsBetweenKicks * kKicks;
constexpr double kEpsilon = 2.220446049250313e-16;
// Fractions of the step taken every tenth iteration, to break limit cycles.
constexpr double kKickFraction[kKicks + 1] = {0.0, 0.5, 0.25, 0.75, 0.13, 0.38, 0.62, 0.88, 1.0};

} // namespace

PolynomialRootSolver::PolynomialRootSolver(int maxDegree)
  : mMaxDegree(maxDegree < 0 ? 0 : maxDegree),
    mCoefficients(static_cast<size_t>(mMaxDegree) + 1),
    mWork(static_cast<size_t>(mMaxDegree) + 1),
    mRoots(static_cast<size_t>(mMaxDegree))
{
}

void PolynomialRootSolver::Solve(int degree, bool polish, bool sort)
{
  if (degree > mMaxDegree)
    degree = mMaxDegree;
  if (degree < 1)
    return;
  for (int i = 0; i <= degree; ++i)
    mWork[i] = mCoefficients[i];

  for (int j = degree; j >= 1; --j)
  {
    Complex x(0.0, 0.0);
    int iterations = 0;
    RefineRoot(j, mWork.data(), x, iterations);
    if (std::fabs(x.imag()) <= 2.0e-30 * std::fabs(x.real()))
      x = Complex(x.real(), 0.0);
    mRoots[j - 1] = x;
    // Divide out (t - x).
    Complex b = mWork[j];
    for (int jj = j - 1; jj >= 0; --jj)
    {
      const Complex c = mWork[jj];
      mWork[jj] = b;
      b = x * b + c;
    }
  }

  if (polish)
  {
    for (int j = 0; j < degree; ++j)
    {
      int iterations = 0;
      RefineRoot(degree, mCoefficients.data(), mRoots[j], iterations);
    }
  }

  if (sort && degree > 1)
    SortRoots(degree);
}

void PolynomialRootSolver::RefineRoot(int degree, const Complex* a, Complex& x, int& iterations)
{
  const double m = static_cast<double>(degree);
  for (int iter = 1; iter <= kMaxIterations; ++iter)
  {
    iterations = iter;
    Complex b = a[degree];
    double err = std::abs(b);
    Complex d(0.0, 0.0);
    Complex f(0.0, 0.0);
    const double absX = std::abs(x);
    for (int j = degree - 1; j >= 0; --j)
    {
      f = x * f + d;
      d = x * d + b;
      b = x * b + a[j];
      err = std::abs(b) + absX * err;
    }
    if (std::abs(b) <= err * kEpsilon)
      return;

    const Complex g = d / b;
    const Complex g2 = g * g;
    const Complex h = g2 - 2.0 * f / b;
    const Complex sq = std::sqrt((m - 1.0) * (m * h - g2));
    Complex gp = g + sq;
    const Complex gm = g - sq;
    const double absP = std::abs(gp);
    const double absM = std::abs(gm);
    if (absP < absM)
      gp = gm;
    const Complex dx = std::max(absP, absM) > 0.0 ? m / gp : std::polar(1.0 + absX, static_cast<double>(iter));
    const Complex x1 = x - dx;
    if (x == x1)
      return;
    if (iter % kStepsBetweenKicks != 0)
      x = x1;
    else
      x -= kKickFraction[iter / kStepsBetweenKicks] * dx;
  }
  throw std::logic_error("laguerre failed");
}

void PolynomialRootSolver::SortRoots(int count)
{
  if (count > mMaxDegree)
    count = mMaxDegree;
  for (int j = 1; j < count; ++j)
  {
    const Complex x = mRoots[j];
    int i = j - 1;
    while (i >= 0 && mRoots[i].imag() < x.imag())
    {
      mRoots[i + 1] = mRoots[i];
      --i;
    }
    mRoots[i + 1] = x;
  }
}

Complex PolynomialRootSolver::Evaluate(int degree, const Complex& x) const
{
  if (degree > mMaxDegree)
    degree = mMaxDegree;
  if (x == Complex(0.0, 0.0))
    return mCoefficients[0];
  const Complex logX = std::log(x);
  Complex sum(0.0, 0.0);
  for (int i = 0; i <= degree; ++i)
    sum += mCoefficients[i] * std::exp(static_cast<double>(i) * logX);
  return sum;
}

} // namespace Dsp
