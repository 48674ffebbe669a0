// How drawing is composed onto what is there: a method (mapped by the back end) and a weight.
#pragma once

namespace plug {
namespace igraphics {

/// Blend modes: how a drawing is composed with what lies under it.
enum EBlend
{
  kBlendDefault = 0,    // source over
  kBlendSourceIn = 1,
  kBlendSourceOut = 2,
  kBlendSourceAtop = 3,
  kBlendDestinationOver = 4,
  kBlendDestinationIn = 5,
  kBlendDestinationOut = 6,
  kBlendDestinationAtop = 7,
  kBlendSourceAlphaDestinationAlpha = 8,
  kBlendXOR = 9,
};

struct IBlend
{
  int mMethod = 0;
  float mWeight = 1.f;

  IBlend() = default;
  IBlend(int method, float weight) : mMethod(method), mWeight(weight) {}
};

} // namespace igraphics
} // namespace plug
