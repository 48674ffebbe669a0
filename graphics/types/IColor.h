// A colour of four ints, each 0..255: alpha first, then red, green and blue.
#pragma once

#include <algorithm>

namespace plug {
namespace igraphics {

struct IColor
{
  int mAlpha = 255;
  int mRed = 0;
  int mGreen = 0;
  int mBlue = 0;

  IColor() = default;
  IColor(int a, int r, int g, int b) : mAlpha(a), mRed(r), mGreen(g), mBlue(b) {}

  bool operator==(const IColor& o) const
  {
    return mAlpha == o.mAlpha && mRed == o.mRed && mGreen == o.mGreen && mBlue == o.mBlue;
  }
  bool operator!=(const IColor& o) const { return !(*this == o); }

  /// Adds int(c x 255) (c in -1..1) to red, green and blue, each clamped to 0..255; alpha stays.
  void Contrast(float c)
  {
    const int d = static_cast<int>(c * 255.f);
    mRed = std::clamp(mRed + d, 0, 255);
    mGreen = std::clamp(mGreen + d, 0, 255);
    mBlue = std::clamp(mBlue + d, 0, 255);
  }
  IColor WithContrast(float c) const
  {
    IColor out = *this;
    out.Contrast(c);
    return out;
  }
};

} // namespace igraphics
} // namespace plug
