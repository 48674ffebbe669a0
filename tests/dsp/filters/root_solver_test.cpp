// The polynomial root solver: known roots of known polynomials, sorted by decreasing imaginary part, and the
// error when an iteration cannot converge.
#include <cmath>
#include <stdexcept>

#include <gtest/gtest.h>

#include "filters/RootSolver.h"

using namespace Dsp;

namespace {

void SetCoefficients(PolynomialRootSolver& s, std::initializer_list<Complex> a)
{
  int i = 0;
  for (const Complex& c : a)
    s.Coefficients()[i++] = c;
}

} // namespace

TEST(RootSolver, FindsTheRootsOfKnownPolynomialsSorted)
{
  PolynomialRootSolver s(8);
  // (x^2 + 1)(x - 2) = x^3 - 2x^2 + x - 2
  SetCoefficients(s, {-2.0, 1.0, -2.0, 1.0});
  s.Solve(3, true, true);
  EXPECT_NEAR(std::abs(s.Roots()[0] - Complex(0, 1)), 0.0, 1e-12);
  EXPECT_NEAR(std::abs(s.Roots()[1] - Complex(2, 0)), 0.0, 1e-12);
  EXPECT_NEAR(std::abs(s.Roots()[2] - Complex(0, -1)), 0.0, 1e-12);

  // x^4 - 1: +i, then the two reals, then -i.
  SetCoefficients(s, {-1.0, 0.0, 0.0, 0.0, 1.0});
  s.Solve(4, true, true);
  EXPECT_NEAR(std::abs(s.Roots()[0] - Complex(0, 1)), 0.0, 1e-12);
  EXPECT_NEAR(std::abs(std::abs(s.Roots()[1].real()) - 1.0), 0.0, 1e-12);
  EXPECT_NEAR(s.Roots()[1].real() + s.Roots()[2].real(), 0.0, 1e-12);
  EXPECT_NEAR(std::abs(s.Roots()[3] - Complex(0, -1)), 0.0, 1e-12);

  // (x - 1)(x - 2)(x - 3)(x + 0.5): all real; every root makes the polynomial vanish.
  SetCoefficients(s, {-3.0, -0.5, 8.0, -5.5, 1.0});
  s.Solve(4, true, true);
  double sum = 0.0;
  for (int i = 0; i < 4; ++i)
  {
    EXPECT_NEAR(s.Roots()[i].imag(), 0.0, 1e-12);
    EXPECT_NEAR(std::abs(s.Evaluate(4, s.Roots()[i])), 0.0, 1e-12);
    sum += s.Roots()[i].real();
  }
  EXPECT_NEAR(sum, 5.5, 1e-12);

  // Complex coefficients: (x - (1 + 2i))(x - (-3 + 0.5i)).
  const Complex r1(1, 2), r2(-3, 0.5);
  SetCoefficients(s, {r1 * r2, -(r1 + r2), 1.0});
  s.Solve(2, true, true);
  EXPECT_NEAR(std::abs(s.Roots()[0] - r1), 0.0, 1e-12);
  EXPECT_NEAR(std::abs(s.Roots()[1] - r2), 0.0, 1e-12);
}

TEST(RootSolver, SortKeepsTheOrderOfEqualImaginaryParts)
{
  PolynomialRootSolver s(4);
  // x (x - 1)(x + 1) = x^3 - x, roots found with imaginary part 0: sorting leaves them as found.
  SetCoefficients(s, {0.0, -1.0, 0.0, 1.0});
  s.Solve(3, false, false);
  const Complex a = s.Roots()[0], b = s.Roots()[1], c = s.Roots()[2];
  s.SortRoots(3);
  EXPECT_EQ(s.Roots()[0], a);
  EXPECT_EQ(s.Roots()[1], b);
  EXPECT_EQ(s.Roots()[2], c);
}

TEST(RootSolver, EvaluatesThePolynomial)
{
  PolynomialRootSolver s(3);
  SetCoefficients(s, {1.0, 2.0, 3.0, 4.0});
  EXPECT_EQ(s.Evaluate(3, Complex(0, 0)), Complex(1, 0));
  EXPECT_NEAR(std::abs(s.Evaluate(3, Complex(2, 0)) - Complex(49, 0)), 0.0, 1e-12);
  EXPECT_NEAR(std::abs(s.Evaluate(3, Complex(0, 1)) - Complex(-2, -2)), 0.0, 1e-12);
}

TEST(RootSolver, ThrowsWhenTheIterationCannotConverge)
{
  PolynomialRootSolver s(2);
  SetCoefficients(s, {std::nan(""), 1.0, 1.0});
  try
  {
    s.Solve(2, false, false);
    ADD_FAILURE() << "no exception";
  }
  catch (const std::logic_error& e)
  {
    EXPECT_STREQ(e.what(), "laguerre failed");
  }
}

TEST(RootSolver, DegreesBeyondTheCapacityAreHeld)
{
  PolynomialRootSolver s(2);
  SetCoefficients(s, {-1.0, 0.0, 1.0});
  s.Solve(9, true, true);
  EXPECT_NEAR(std::abs(s.Roots()[0].real()), 1.0, 1e-12);
  EXPECT_NEAR(s.Roots()[0].real() + s.Roots()[1].real(), 0.0, 1e-12);
}
