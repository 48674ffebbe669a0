// What a path is painted with (a solid colour or a linear or radial gradient with its stops and its transform
// from drawing coordinates to pattern space), and the settings of stroking and filling a path.
#pragma once

#include "graphics/types/IColor.h"
#include "graphics/types/IMatrix.h"

namespace plug {
namespace igraphics {

enum EPatternType
{
  kSolidPattern = 0,
  kLinearPattern = 1,
  kRadialPattern = 2,
};

enum EPatternExtend
{
  kExtendPad = 1,
  kExtendReflect = 2,
  kExtendRepeat = 3,
};

struct IColorStop
{
  IColor mColor{255, 0, 0, 0};
  float mOffset = 0.f;
};

struct IPaintPattern
{
  static constexpr int kMaxStops = 16;

  int mType = kSolidPattern;
  int mExtend = kExtendPad;
  IColorStop mStops[kMaxStops];
  int mNStops = 1;
  /// Drawing coordinates to pattern space: a linear gradient runs from (0, 0) to (0, 1) there, a radial one
  /// fills the unit circle.
  IMatrix mTransform;

  IPaintPattern() = default;
  /// A solid colour.
  explicit IPaintPattern(const IColor& color) { mStops[0].mColor = color; }

  const IColor& FirstColor() const { return mStops[0].mColor; }
  const IColor& LastColor() const { return mStops[mNStops > 0 ? mNStops - 1 : 0].mColor; }
};

enum ELineCap
{
  kCapButt = 0,
  kCapRound = 1,
  kCapSquare = 2,
};

enum ELineJoin
{
  kJoinMiter = 0,
  kJoinRound = 1,
  kJoinBevel = 2,
};

struct IStrokeStyle
{
  static constexpr int kMaxDashes = 8;

  float mMiterLimit = 10.f;
  /// Keep the path after stroking (it is used up otherwise).
  bool mPreserve = false;
  int mLineCap = kCapButt;
  int mLineJoin = kJoinMiter;
  float mDashArray[kMaxDashes] = {};
  float mDashOffset = 0.f;
  int mDashCount = 0; // 0: a solid line
};

enum EFillRule
{
  kFillSolid = 0,    // the last sub-path is solid
  kFillHole = 1,     // the last sub-path is a hole
  kFillKeepWindings = 2,  // the windings already set on each sub-path stand
};

struct IFillStyle
{
  int mFillRule = kFillSolid;
  bool mPreserve = false;
};

} // namespace igraphics
} // namespace plug
