// How drawing is composed onto what is there: a method (mapped by the back end) and a weight.
#pragma once

namespace plug {
namespace igraphics {

struct IBlend
{
  int mMethod = 0;
  float mWeight = 1.f;

  IBlend() = default;
  IBlend(int method, float weight) : mMethod(method), mWeight(weight) {}
};

} // namespace igraphics
} // namespace plug
