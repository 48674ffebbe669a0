// The abstract filter: what every filter object of the library offers (kind, name, parameters, poles and zeros,
// response, processing) and its current parameter values.
#pragma once

#include <string>
#include <vector>

#include "ParamInfo.h"
#include "PoleZero.h"

namespace Dsp {

/// Kind codes of the filter objects. Every design has a code of its own: the band-pass and band-stop objects do not
/// share the high-pass code, so a caller choosing by kind never takes a band filter for a high-pass one.
enum FilterKind
{
  kKindLowPass = 0,
  kKindHighPass = 1,
  kKindBandPass = 2,
  kKindBandStop = 3,
  kKindLowShelf = 4,
  kKindHighShelf = 5,
  kKindBandShelf = 6,
};

/// Parameter values by index, in the order the design lists its descriptors.
struct FilterParams
{
  static constexpr int kMaxParams = 8;

  double value[kMaxParams] = {};

  double& operator[](int index) { return value[index]; }
  double operator[](int index) const { return value[index]; }
};

class Filter
{
public:
  virtual ~Filter();

  virtual int GetKind() const = 0;
  virtual std::string GetName() const = 0;
  virtual int GetNumParams() const = 0;
  /// Throws std::logic_error for an index outside the design's parameters.
  virtual ParamInfo GetParamInfo(int index) const = 0;
  virtual std::vector<PoleZeroPair> GetPoleZeros() const = 0;
  /// Response at f cycles per sample.
  virtual Complex Response(double normalizedFrequency) const = 0;
  virtual int GetNumChannels() const = 0;
  virtual void Reset() = 0;                                          // [audio thread]
  virtual void ProcessFloat(int numSamples, float* const* channels) = 0;   // [audio thread]
  virtual void ProcessDouble(int numSamples, double* const* channels) = 0; // [audio thread]

  const FilterParams& GetParams() const { return mParams; }
  FilterParams GetDefaultParams() const;
  /// The highest index whose descriptor has the id, or -1.
  int IndexOfParamId(int id) const;
  /// Sets the parameter with that id and designs again; nothing when the design has no such parameter.
  void SetParamValueById(int id, double value);
  /// Takes the defaults, then every parameter the other filter shares (clamped to this filter's range), and
  /// designs again.
  void AdoptParamsFrom(const Filter* other);

protected:
  virtual void DoSetParams(const FilterParams& params) = 0;

  FilterParams mParams;
};

} // namespace Dsp
