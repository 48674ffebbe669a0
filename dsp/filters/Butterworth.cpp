#include "Butterworth.h"

#include <cmath>

namespace Dsp {

namespace {

constexpr double kPi = 3.1415926535897932384626433832795;

} // namespace

ButterworthAnalogLowPass::ButterworthAnalogLowPass(PoleZeroPair* storage, int maxPoles)
  : PoleZeroLayout(storage, maxPoles)
{
  SetNormal(0.0, 1.0);
}

void ButterworthAnalogLowPass::Design(int order)
{
  order = ClampOrder(order, MaxPoles());
  if (order == mOrder)
    return;
  mOrder = order;
  Clear();
  for (int i = 0; i < order / 2; ++i)
  {
    const double theta = (2 * i + 1) * kPi / (2.0 * order) + kPi / 2.0;
    AddConjugatePair(std::polar(1.0, theta), Infinity());
  }
  if (order & 1)
    AddSingle(Complex(-1.0, 0.0), Infinity());
}

ButterworthAnalogLowShelf::ButterworthAnalogLowShelf(PoleZeroPair* storage, int maxPoles)
  : PoleZeroLayout(storage, maxPoles)
{
  SetNormal(kPi, 1.0);
}

void ButterworthAnalogLowShelf::Design(int order, double gainDb)
{
  order = ClampOrder(order, MaxPoles());
  if (order == mOrder && gainDb == mGainDb)
    return;
  mOrder = order;
  mGainDb = gainDb;
  Clear();
  const double g = std::pow(std::pow(10.0, gainDb / 20.0), 1.0 / (2.0 * order));
  const double gp = -1.0 / g;
  const double gz = -g;
  for (int i = 1; i <= order / 2; ++i)
  {
    const double theta = kPi * (0.5 - (2 * i - 1) / (2.0 * order));
    AddConjugatePair(std::polar(gp, theta), std::polar(gz, theta));
  }
  if (order & 1)
    AddSingle(Complex(gp, 0.0), Complex(gz, 0.0));
}

namespace Butterworth {
namespace Design {
namespace detail {

namespace {

ParamInfo Pick(int index, std::initializer_list<ParamInfo (*)()> builders)
{
  return (*(builders.begin() + index))();
}

} // namespace

ParamInfo LowHighParam(int index)
{
  return Pick(index, {&ParamInfo::SampleRate, &ParamInfo::Order, &ParamInfo::CutoffFrequency});
}

ParamInfo BandParam(int index)
{
  return Pick(index, {&ParamInfo::SampleRate, &ParamInfo::Order, &ParamInfo::CenterFrequency, &ParamInfo::BandwidthHz});
}

ParamInfo ShelfParam(int index)
{
  return Pick(index, {&ParamInfo::SampleRate, &ParamInfo::Order, &ParamInfo::CutoffFrequency, &ParamInfo::Gain});
}

ParamInfo BandShelfParam(int index)
{
  return Pick(index, {&ParamInfo::SampleRate, &ParamInfo::Order, &ParamInfo::CenterFrequency, &ParamInfo::BandwidthHz,
                      &ParamInfo::Gain});
}

} // namespace detail
} // namespace Design
} // namespace Butterworth

} // namespace Dsp
