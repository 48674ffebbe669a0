// Roots of a polynomial with complex coefficients by Laguerre's method with deflation, optional polishing
// against the original coefficients, and sorting by decreasing imaginary part.
#pragma once

#include <vector>

#include "PoleZero.h"

namespace Dsp {

class PolynomialRootSolver
{
public:
  explicit PolynomialRootSolver(int maxDegree);

  int MaxDegree() const { return mMaxDegree; }
  /// a[i] belongs to x^i, i = 0 .. maximum degree.
  Complex* Coefficients() { return mCoefficients.data(); }
  const Complex* Roots() const { return mRoots.data(); }
  Complex* Roots() { return mRoots.data(); }

  /// Fills the first `degree` roots (degree is held to 0 .. maximum). Throws std::logic_error when an
  /// iteration does not converge.
  void Solve(int degree, bool polish, bool sort);
  /// Laguerre's method on the polynomial a[0..degree] from the start value x.
  static void RefineRoot(int degree, const Complex* a, Complex& x, int& iterations);
  /// Insertion sort of the first `count` roots by decreasing imaginary part; equal values keep their order.
  void SortRoots(int count);
  Complex Evaluate(int degree, const Complex& x) const;

private:
  int mMaxDegree;
  std::vector<Complex> mCoefficients;
  std::vector<Complex> mWork;
  std::vector<Complex> mRoots;
};

} // namespace Dsp
