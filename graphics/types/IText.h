// A text style: font identifier (at most 63 characters), size, colours, angle and alignment.
#pragma once

#include <cstring>

#include "graphics/types/IColor.h"

namespace plug {
namespace igraphics {

/// Horizontal alignment: 0 left, 1 centre, 2 right.
enum EAlign
{
  kAlignNear = 0,
  kAlignCenter = 1,
  kAlignFar = 2,
};

/// Vertical alignment: 0 top, 1 middle, 2 bottom.
enum EVAlign
{
  kVAlignTop = 0,
  kVAlignMiddle = 1,
  kVAlignBottom = 2,
};

struct IText
{
  /// Size of the font-name field, terminator included.
  static constexpr int kFontNameSize = 64;
  static constexpr const char* kDefaultFont = "Roboto-Regular";
  static constexpr float kDefaultSize = 14.f;

  char mFontName[kFontNameSize] = {};
  float mSize = kDefaultSize;
  IColor mTextColor{255, 0, 0, 0};
  IColor mEntryBackColor{255, 255, 255, 255};
  IColor mEntryTextColor{255, 0, 0, 0};
  float mAngle = 0.f;
  int mHAlign = kAlignCenter;
  int mVAlign = kVAlignMiddle;

  IText() { SetFont(kDefaultFont); }
  IText(float size, const IColor& color = IColor(255, 0, 0, 0), const char* font = nullptr,
        int hAlign = kAlignCenter, int vAlign = kVAlignMiddle, float angle = 0.f)
    : mSize(size), mTextColor(color), mAngle(angle), mHAlign(hAlign), mVAlign(vAlign)
  {
    SetFont(font ? font : kDefaultFont);
  }
  IText(float size, int vAlign) : IText() { mSize = size, mVAlign = vAlign; }

  /// Copies at most 63 characters of font; null gives the empty name.
  void SetFont(const char* font)
  {
    std::memset(mFontName, 0, sizeof(mFontName));
    if (font)
      std::memcpy(mFontName, font, strnlen(font, kFontNameSize - 1));
  }
};

} // namespace igraphics
} // namespace plug
