// The storage a design owns: the cascade's sections, the analog prototype and the digital layout with their
// pairs, plus the steps every design shares (prototype, mapping, cascade).
#pragma once

#include <array>
#include <cmath>
#include <utility>
#include <vector>

#include "BilinearMaps.h"
#include "Biquad.h"

namespace Dsp {

/// Orders run from 1 to the capacity of the design; a value outside (or not a number) is held at the nearer end.
inline int ClampOrder(double order, int maxOrder)
{
  if (!(order >= 1.0))
    return 1;
  if (order >= static_cast<double>(maxOrder))
    return maxOrder;
  return static_cast<int>(order);
}

/// Prototype: a PoleZeroLayout subclass constructed from (storage, capacity) with a Design(order, ...) operation.
/// AnalogPoles is the highest order; DigitalPoles the poles the mapping yields (twice as many for band designs).
template <class Prototype, int AnalogPoles, int DigitalPoles>
class DesignStorage
{
public:
  static constexpr int kMaxOrder = AnalogPoles;
  static constexpr int kMaxStages = (DigitalPoles + 1) / 2;

  DesignStorage()
    : mDigital(mDigitalPairs.data(), DigitalPoles), mAnalog(mAnalogPairs.data(), AnalogPoles)
  {
    mCascade.SetStorage(kMaxStages, mStages.data());
  }
  DesignStorage(const DesignStorage&) = delete;
  DesignStorage& operator=(const DesignStorage&) = delete;

  const BiquadCascade& Cascade() const { return mCascade; }
  const PoleZeroLayout& DigitalLayout() const { return mDigital; }
  const Prototype& AnalogPrototype() const { return mAnalog; }

  /// The pairs of the digital layout in storage order.
  std::vector<PoleZeroPair> LayoutPairs() const
  {
    std::vector<PoleZeroPair> pairs;
    if (mDigital.NumPoles() < 1)
      return pairs;
    for (int i = 0; i < mDigital.NumPairs(); ++i)
      pairs.push_back(mDigital.Pair(i));
    return pairs;
  }

protected:
  static int Order(double order) { return ClampOrder(order, kMaxOrder); }

  template <class... Args>
  void MapLowPass(double fc, int order, Args&&... args)
  {
    mAnalog.Design(Order(order), std::forward<Args>(args)...);
    const BilinearLowPassMap map(fc, mAnalog, mDigital);
    (void)map;
    mCascade.SetLayout(mDigital);
  }

  template <class... Args>
  void MapHighPass(double fc, int order, Args&&... args)
  {
    mAnalog.Design(Order(order), std::forward<Args>(args)...);
    const BilinearHighPassMap map(fc, mAnalog, mDigital);
    (void)map;
    mCascade.SetLayout(mDigital);
  }

  template <class... Args>
  void MapBandPass(double fc, double fw, int order, Args&&... args)
  {
    mAnalog.Design(Order(order), std::forward<Args>(args)...);
    const BilinearBandPassMap map(fc, fw, mAnalog, mDigital);
    (void)map;
    mCascade.SetLayout(mDigital);
  }

  template <class... Args>
  void MapBandStop(double fc, double fw, int order, Args&&... args)
  {
    mAnalog.Design(Order(order), std::forward<Args>(args)...);
    const BilinearBandStopMap map(fc, fw, mAnalog, mDigital);
    (void)map;
    mCascade.SetLayout(mDigital);
  }

  /// A low-shelf prototype mapped as a band-pass, normalised to unity away from the band.
  template <class... Args>
  void MapBandShelf(double fc, double fw, int order, Args&&... args)
  {
    mAnalog.Design(Order(order), std::forward<Args>(args)...);
    const BilinearBandPassMap map(fc, fw, mAnalog, mDigital);
    (void)map;
    mDigital.SetNormal(fc < 0.25 ? kPiValue : 0.0, 1.0);
    mCascade.SetLayout(mDigital);
  }

  template <class... Args>
  void MapBandPassHz(double fs, double fc, double width, int order, Args&&... args)
  {
    mAnalog.Design(Order(order), std::forward<Args>(args)...);
    const BilinearBandPassMapHz map(fs, fc, width, mAnalog, mDigital);
    (void)map;
    mCascade.SetLayout(mDigital);
  }

  template <class... Args>
  void MapBandStopHz(double fs, double fc, double width, int order, Args&&... args)
  {
    mAnalog.Design(Order(order), std::forward<Args>(args)...);
    const BilinearBandStopMapHz map(fs, fc, width, mAnalog, mDigital);
    (void)map;
    mCascade.SetLayout(mDigital);
  }

  template <class... Args>
  void MapBandShelfHz(double fs, double fc, double width, int order, Args&&... args)
  {
    mAnalog.Design(Order(order), std::forward<Args>(args)...);
    const BilinearBandPassMapHz map(fs, fc, width, mAnalog, mDigital);
    (void)map;
    mDigital.SetNormal(fc / fs < 0.25 ? kPiValue : 0.0, 1.0);
    mCascade.SetLayout(mDigital);
  }

  static constexpr double kPiValue = 3.1415926535897932384626433832795;

  std::array<BiquadStage, kMaxStages> mStages;
  std::array<PoleZeroPair, (AnalogPoles + 1) / 2> mAnalogPairs{};
  std::array<PoleZeroPair, (DigitalPoles + 1) / 2> mDigitalPairs{};
  BiquadCascade mCascade;
  PoleZeroLayout mDigital;
  Prototype mAnalog;
};

} // namespace Dsp
