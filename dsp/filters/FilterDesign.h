// A design made a complete filter object: parameters and descriptors from the design, and per-channel direct
// form II state to run its cascade.
#pragma once

#include <array>
#include <stdexcept>

#include "Biquad.h"
#include "Filter.h"

namespace Dsp {

/// Design: a class with kKind, kNumParams, Name(), Param(index), Apply(params), Cascade(), LayoutPairs() and
/// kMaxStages (see Butterworth.h).
template <class Design>
class FilterDesignBase : public Filter
{
  static_assert(Design::kNumParams <= FilterParams::kMaxParams, "too many parameters");

public:
  FilterDesignBase() { mParams = Defaults(); }

  int GetKind() const override { return Design::kKind; }
  std::string GetName() const override { return Design::Name(); }
  int GetNumParams() const override { return Design::kNumParams; }

  ParamInfo GetParamInfo(int index) const override
  {
    if (index < 0 || index >= Design::kNumParams || index >= FilterParams::kMaxParams)
      throw std::logic_error("invalid usage of ParamInfo");
    return Design::Param(index);
  }

  std::vector<PoleZeroPair> GetPoleZeros() const override { return mDesign.LayoutPairs(); }
  Complex Response(double normalizedFrequency) const override { return mDesign.Cascade().Response(normalizedFrequency); }

  const Design& GetDesign() const { return mDesign; }

protected:
  void DoSetParams(const FilterParams& params) override { mDesign.Apply(params); }

  /// The descriptors' defaults, gathered once per design.
  static const FilterParams& Defaults()
  {
    static const FilterParams defaults = [] {
      FilterParams p;
      for (int i = 0; i < Design::kNumParams; ++i)
        p[i] = Design::Param(i).defaultValue;
      return p;
    }();
    return defaults;
  }

  Design mDesign;
};

/// The design with Channels channels of State (DirectFormII) per section. Constructing it designs nothing: the
/// cascade passes audio through until parameters are set.
template <class Design, int Channels, class State>
class FilterDesign : public FilterDesignBase<Design>
{
  static_assert(Channels >= 1, "at least one channel");

public:
  FilterDesign()
  {
    for (int c = 0; c < Channels; ++c)
      mChannels[c].stages = mStates[c].data();
  }
  FilterDesign(const FilterDesign&) = delete;
  FilterDesign& operator=(const FilterDesign&) = delete;

  int GetNumChannels() const override { return Channels; }

  void Reset() override
  {
    for (auto& channel : mStates)
      for (State& s : channel)
        s.Reset();
  }

  void ProcessFloat(int numSamples, float* const* channels) override { Run(numSamples, channels); }
  void ProcessDouble(int numSamples, double* const* channels) override { Run(numSamples, channels); }

private:
  template <typename Sample>
  void Run(int numSamples, Sample* const* channels)
  {
    if (channels == nullptr || numSamples <= 0)
      return;
    for (int c = 0; c < Channels; ++c)
    {
      if (channels[c] != nullptr)
        State::Process(this->mDesign.Cascade(), numSamples, channels[c], mChannels[c].stages, mChannels[c].offset);
    }
  }

  std::array<ChannelState<State>, Channels> mChannels;
  std::array<std::array<State, Design::kMaxStages>, Channels> mStates;
};

} // namespace Dsp
