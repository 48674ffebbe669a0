// Descriptors of filter parameters: identifier, labels, range, default, the mapping between a 0..1 control
// value and the native value, and the display text.
#pragma once

#include <string>

namespace Dsp {

/// Identifiers of every parameter the library knows. A design lists the ones it takes, in its own order.
enum ParamId
{
  kParamSampleRate = 0,
  kParamFrequency = 1, // cut-off or centre
  kParamResonance = 2,
  kParamBandwidthOctaves = 3,
  kParamBandwidthHz = 4,
  kParamGain = 5,
  kParamSlope = 6,
  kParamOrder = 7,
  kParamRipple = 8,
  kParamStopband = 9,
  kParamTransitionWidth = 10,
  kParamPoleDistance = 11,
  kParamPoleAngle = 12,
  kParamZeroDistance = 13,
  kParamZeroAngle = 14,
  kParamPoleReal = 15,
  kParamZeroReal = 16,
};

/// One parameter's descriptor. For the octave-mapped parameters minValue and maxValue are exponents of two;
/// the default is always in native units.
struct ParamInfo
{
  using Mapping = double (ParamInfo::*)(double) const;
  using Formatter = std::string (ParamInfo::*)(double) const;

  int id;
  const char* slug;
  const char* name;
  double minValue;
  double maxValue;
  double defaultValue;
  Mapping toControl;
  Mapping toNative;
  Formatter format;

  /// Native value to control value in 0..1.
  double ToControl(double nativeValue) const { return (this->*toControl)(nativeValue); }
  /// Control value in 0..1 to native value.
  double ToNative(double controlValue) const { return (this->*toNative)(controlValue); }
  std::string FormatValue(double nativeValue) const { return (this->*format)(nativeValue); }
  /// The value held inside the native values of control 0 and control 1.
  double Clamp(double nativeValue) const;

  // The descriptors, one builder each.
  static ParamInfo SampleRate();
  static ParamInfo CutoffFrequency();
  static ParamInfo CenterFrequency();
  static ParamInfo Resonance();
  static ParamInfo BandwidthOctaves();
  static ParamInfo BandwidthHz();
  static ParamInfo Gain();
  static ParamInfo Slope();
  static ParamInfo Order();
  static ParamInfo Ripple();
  static ParamInfo Stopband();
  static ParamInfo TransitionWidth();
  static ParamInfo PoleDistance();
  static ParamInfo PoleAngle();
  static ParamInfo ZeroDistance();
  static ParamInfo ZeroAngle();
  static ParamInfo PoleReal();
  static ParamInfo ZeroReal();

  // Mappings between control and native values.
  double LinearToControl(double x) const;
  double LinearToNative(double c) const;
  double RoundedLinearToNative(double c) const;
  double Log15ToControl(double x) const;
  double Log15ToNative(double c) const;
  double OctaveToControl(double x) const;
  double OctaveToNative(double c) const;

  // Display texts.
  std::string IntegerText(double x) const;
  std::string HzText(double x) const;
  std::string RealText(double x) const;
  std::string DbText(double x) const;
};

} // namespace Dsp
