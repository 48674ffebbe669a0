// Butterworth filters: the analog low-pass and low-shelf prototypes and the seven digital designs (low, high,
// band-pass, band-stop, and the three shelves), up to a given order.
#pragma once

#include "DesignStorage.h"
#include "Filter.h"

namespace Dsp {

/// Poles evenly spaced on the left half of the unit circle, zeros at infinity.
class ButterworthAnalogLowPass : public PoleZeroLayout
{
public:
  ButterworthAnalogLowPass(PoleZeroPair* storage, int maxPoles);
  /// Recomputes only when the order changed.
  void Design(int order);

private:
  int mOrder = -1;
};

/// Poles and zeros on two circles whose radii set the shelf gain; unity at infinity, the gain at DC.
class ButterworthAnalogLowShelf : public PoleZeroLayout
{
public:
  ButterworthAnalogLowShelf(PoleZeroPair* storage, int maxPoles);
  /// Recomputes only when the order or the gain (dB) changed.
  void Design(int order, double gainDb);

private:
  int mOrder = -1;
  double mGainDb = 0.0;
};

namespace Butterworth {
namespace Design {

/// Setups take the order, the sample rate and frequencies in Hz, and gains in dB.
template <int MaxOrder>
class LowPass : public DesignStorage<ButterworthAnalogLowPass, MaxOrder, MaxOrder>
{
public:
  static constexpr int kKind = kKindLowPass;
  static constexpr int kNumParams = 3;
  static const char* Name() { return "Butterworth Low Pass"; }
  static ParamInfo Param(int index);

  void Setup(int order, double fs, double fc) { this->MapLowPass(fc / fs, order); }
  void Apply(const FilterParams& p) { Setup(this->Order(p[1]), p[0], p[2]); }
};

template <int MaxOrder>
class HighPass : public DesignStorage<ButterworthAnalogLowPass, MaxOrder, MaxOrder>
{
public:
  static constexpr int kKind = kKindHighPass;
  static constexpr int kNumParams = 3;
  static const char* Name() { return "Butterworth High Pass"; }
  static ParamInfo Param(int index);

  void Setup(int order, double fs, double fc) { this->MapHighPass(fc / fs, order); }
  void Apply(const FilterParams& p) { Setup(this->Order(p[1]), p[0], p[2]); }
};

/// The band edges follow the width value W as fc + fc / W and fc^2 over that.
template <int MaxOrder>
class BandPass1 : public DesignStorage<ButterworthAnalogLowPass, MaxOrder, MaxOrder * 2>
{
public:
  static constexpr int kKind = kKindBandPass;
  static constexpr int kNumParams = 4;
  static const char* Name() { return "Butterworth Band Pass"; }
  static ParamInfo Param(int index);

  void Setup(int order, double fs, double fc, double width) { this->MapBandPassHz(fs, fc, width, order); }
  /// Edges from centre and width, both in Hz.
  void SetupWidthHz(int order, double fs, double fc, double widthHz) { this->MapBandPass(fc / fs, widthHz / fs, order); }
  void Apply(const FilterParams& p) { Setup(this->Order(p[1]), p[0], p[2], p[3]); }
};

template <int MaxOrder>
class BandStop1 : public DesignStorage<ButterworthAnalogLowPass, MaxOrder, MaxOrder * 2>
{
public:
  static constexpr int kKind = kKindBandStop;
  static constexpr int kNumParams = 4;
  static const char* Name() { return "Butterworth Band Stop"; }
  static ParamInfo Param(int index);

  void Setup(int order, double fs, double fc, double width) { this->MapBandStopHz(fs, fc, width, order); }
  void SetupWidthHz(int order, double fs, double fc, double widthHz) { this->MapBandStop(fc / fs, widthHz / fs, order); }
  void Apply(const FilterParams& p) { Setup(this->Order(p[1]), p[0], p[2], p[3]); }
};

template <int MaxOrder>
class LowShelf : public DesignStorage<ButterworthAnalogLowShelf, MaxOrder, MaxOrder>
{
public:
  static constexpr int kKind = kKindLowShelf;
  static constexpr int kNumParams = 4;
  static const char* Name() { return "Butterworth Low Shelf"; }
  static ParamInfo Param(int index);

  void Setup(int order, double fs, double fc, double gainDb) { this->MapLowPass(fc / fs, order, gainDb); }
  void Apply(const FilterParams& p) { Setup(this->Order(p[1]), p[0], p[2], p[3]); }
};

template <int MaxOrder>
class HighShelf : public DesignStorage<ButterworthAnalogLowShelf, MaxOrder, MaxOrder>
{
public:
  static constexpr int kKind = kKindHighShelf;
  static constexpr int kNumParams = 4;
  static const char* Name() { return "Butterworth High Shelf"; }
  static ParamInfo Param(int index);

  void Setup(int order, double fs, double fc, double gainDb) { this->MapHighPass(fc / fs, order, gainDb); }
  void Apply(const FilterParams& p) { Setup(this->Order(p[1]), p[0], p[2], p[3]); }
};

template <int MaxOrder>
class BandShelf1 : public DesignStorage<ButterworthAnalogLowShelf, MaxOrder, MaxOrder * 2>
{
public:
  static constexpr int kKind = kKindBandShelf;
  static constexpr int kNumParams = 5;
  static const char* Name() { return "Butterworth Band Shelf"; }
  static ParamInfo Param(int index);

  void Setup(int order, double fs, double fc, double width, double gainDb)
  {
    this->MapBandShelfHz(fs, fc, width, order, gainDb);
  }
  void SetupWidthHz(int order, double fs, double fc, double widthHz, double gainDb)
  {
    this->MapBandShelf(fc / fs, widthHz / fs, order, gainDb);
  }
  void Apply(const FilterParams& p) { Setup(this->Order(p[1]), p[0], p[2], p[3], p[4]); }
};

// Descriptor tables: sample rate, order, frequency, then width and gain where the design takes them.
namespace detail {
ParamInfo LowHighParam(int index);
ParamInfo BandParam(int index);
ParamInfo ShelfParam(int index);
ParamInfo BandShelfParam(int index);
} // namespace detail

template <int N> ParamInfo LowPass<N>::Param(int i) { return detail::LowHighParam(i); }
template <int N> ParamInfo HighPass<N>::Param(int i) { return detail::LowHighParam(i); }
template <int N> ParamInfo BandPass1<N>::Param(int i) { return detail::BandParam(i); }
template <int N> ParamInfo BandStop1<N>::Param(int i) { return detail::BandParam(i); }
template <int N> ParamInfo LowShelf<N>::Param(int i) { return detail::ShelfParam(i); }
template <int N> ParamInfo HighShelf<N>::Param(int i) { return detail::ShelfParam(i); }
template <int N> ParamInfo BandShelf1<N>::Param(int i) { return detail::BandShelfParam(i); }

} // namespace Design
} // namespace Butterworth
} // namespace Dsp
