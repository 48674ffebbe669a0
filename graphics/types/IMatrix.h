// A 2-D affine transform of six doubles: x' = xx x + xy y + tx, y' = yx x + yy y + ty.
#pragma once

namespace plug {
namespace igraphics {

struct IMatrix
{
  double mXX = 1.0;
  double mYX = 0.0;
  double mXY = 0.0;
  double mYY = 1.0;
  double mTX = 0.0;
  double mTY = 0.0;

  IMatrix() = default;
  IMatrix(double xx, double yx, double xy, double yy, double tx, double ty)
    : mXX(xx), mYX(yx), mXY(xy), mYY(yy), mTX(tx), mTY(ty)
  {
  }
};

} // namespace igraphics
} // namespace plug
