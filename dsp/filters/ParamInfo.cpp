#include "ParamInfo.h"

#include <cmath>
#include <iomanip>
#include <sstream>

namespace Dsp {

namespace {

constexpr double kPi = 3.1415926535897932384626433832795;

double Log15(double v)
{
  return std::log(v) / std::log(1.5);
}

ParamInfo Make(int id, const char* slug, const char* name, double lo, double hi, double def, ParamInfo::Mapping toControl,
               ParamInfo::Mapping toNative, ParamInfo::Formatter format)
{
  return ParamInfo{id, slug, name, lo, hi, def, toControl, toNative, format};
}

ParamInfo Linear(int id, const char* slug, const char* name, double lo, double hi, double def, ParamInfo::Formatter format)
{
  return Make(id, slug, name, lo, hi, def, &ParamInfo::LinearToControl, &ParamInfo::LinearToNative, format);
}

ParamInfo Frequency(int id, const char* slug, const char* name, double def)
{
  return Make(id, slug, name, 10.0, 22040.0, def, &ParamInfo::Log15ToControl, &ParamInfo::Log15ToNative,
              &ParamInfo::HzText);
}

ParamInfo Octave(int id, const char* slug, const char* name, double lo, double hi, double def)
{
  return Make(id, slug, name, lo, hi, def, &ParamInfo::OctaveToControl, &ParamInfo::OctaveToNative,
              &ParamInfo::RealText);
}

} // namespace

double ParamInfo::Clamp(double x) const
{
  const double lo = ToNative(0.0);
  const double hi = ToNative(1.0);
  if (x < lo)
    return lo;
  if (x > hi)
    return hi;
  return x;
}

ParamInfo ParamInfo::SampleRate()
{
  return Linear(kParamSampleRate, "Fs", "Sample Rate", 11025.0, 192000.0, 44100.0, &ParamInfo::HzText);
}

ParamInfo ParamInfo::CutoffFrequency()
{
  return Frequency(kParamFrequency, "Fc", "Cutoff Frequency", 2000.0);
}

ParamInfo ParamInfo::CenterFrequency()
{
  return Frequency(kParamFrequency, "Fc", "Center Frequency", 2000.0);
}

ParamInfo ParamInfo::Resonance()
{
  return Octave(kParamResonance, "Q", "Resonance", -4.0, 4.0, 1.0);
}

ParamInfo ParamInfo::BandwidthOctaves()
{
  return Octave(kParamBandwidthOctaves, "BW", "Bandwidth (Octaves)", -4.0, 4.0, 1.0);
}

ParamInfo ParamInfo::BandwidthHz()
{
  return Frequency(kParamBandwidthHz, "BW", "Bandwidth (Hz)", 1720.0);
}

ParamInfo ParamInfo::Gain()
{
  return Linear(kParamGain, "Gain", "Gain", -24.0, 24.0, -6.0, &ParamInfo::DbText);
}

ParamInfo ParamInfo::Slope()
{
  return Octave(kParamSlope, "Slope", "Slope", -2.0, 2.0, 1.0);
}

ParamInfo ParamInfo::Order()
{
  return Make(kParamOrder, "Order", "Order", 1.0, 16.0, 2.0, &ParamInfo::LinearToControl,
              &ParamInfo::RoundedLinearToNative, &ParamInfo::IntegerText);
}

ParamInfo ParamInfo::Ripple()
{
  return Linear(kParamRipple, "Ripple", "Ripple dB", 0.001, 12.0, 0.01, &ParamInfo::DbText);
}

ParamInfo ParamInfo::Stopband()
{
  return Linear(kParamStopband, "Stop", "Stopband dB", 3.0, 60.0, 48.0, &ParamInfo::DbText);
}

ParamInfo ParamInfo::TransitionWidth()
{
  return Linear(kParamTransitionWidth, "W", "Transition Width", -16.0, 4.0, 0.0, &ParamInfo::RealText);
}

ParamInfo ParamInfo::PoleDistance()
{
  return Linear(kParamPoleDistance, "Pd", "Pole Distance", 0.0, 1.0, 0.5, &ParamInfo::RealText);
}

ParamInfo ParamInfo::PoleAngle()
{
  return Linear(kParamPoleAngle, "Pa", "Pole Angle", 0.0, kPi, kPi / 2.0, &ParamInfo::RealText);
}

ParamInfo ParamInfo::ZeroDistance()
{
  return Linear(kParamZeroDistance, "Pd", "Zero Distance", 0.0, 1.0, 0.5, &ParamInfo::RealText);
}

ParamInfo ParamInfo::ZeroAngle()
{
  return Linear(kParamZeroAngle, "Pa", "Zero Angle", 0.0, kPi, kPi / 2.0, &ParamInfo::RealText);
}

ParamInfo ParamInfo::PoleReal()
{
  return Linear(kParamPoleReal, "A1", "Pole Real", -1.0, 1.0, 0.25, &ParamInfo::RealText);
}

ParamInfo ParamInfo::ZeroReal()
{
  return Linear(kParamZeroReal, "B1", "Zero Real", -1.0, 1.0, -0.25, &ParamInfo::RealText);
}

double ParamInfo::LinearToControl(double x) const
{
  return (x - minValue) / (maxValue - minValue);
}

double ParamInfo::LinearToNative(double c) const
{
  return (maxValue - minValue) * c + minValue;
}

double ParamInfo::RoundedLinearToNative(double c) const
{
  return std::floor((maxValue - minValue) * c + minValue + 0.5);
}

double ParamInfo::Log15ToControl(double x) const
{
  const double lo = Log15(minValue);
  const double hi = Log15(maxValue);
  return (Log15(x) - lo) / (hi - lo);
}

double ParamInfo::Log15ToNative(double c) const
{
  const double lo = Log15(minValue);
  const double hi = Log15(maxValue);
  return std::pow(1.5, (hi - lo) * c + lo);
}

double ParamInfo::OctaveToControl(double x) const
{
  return (std::log2(x) - minValue) / (maxValue - minValue);
}

double ParamInfo::OctaveToNative(double c) const
{
  return std::pow(2.0, (maxValue - minValue) * c + minValue);
}

namespace {

// Truncation toward zero that stays defined for values an int cannot hold.
long long Truncated(double x)
{
  if (!(x == x))
    return 0;
  if (x >= 9.2e18)
    return 9200000000000000000LL;
  if (x <= -9.2e18)
    return -9200000000000000000LL;
  return static_cast<long long>(x);
}

} // namespace

std::string ParamInfo::IntegerText(double x) const
{
  std::ostringstream os;
  os << Truncated(x);
  return os.str();
}

std::string ParamInfo::HzText(double x) const
{
  std::ostringstream os;
  os << Truncated(x) << " Hz";
  return os.str();
}

std::string ParamInfo::RealText(double x) const
{
  std::ostringstream os;
  os << std::fixed << std::setprecision(3) << x;
  return os.str();
}

std::string ParamInfo::DbText(double x) const
{
  const double magnitude = std::fabs(x);
  std::ostringstream os;
  os << std::fixed << std::setprecision(magnitude < 1.0 ? 3 : (magnitude < 10.0 ? 2 : 1)) << x << " dB";
  return os.str();
}

} // namespace Dsp
