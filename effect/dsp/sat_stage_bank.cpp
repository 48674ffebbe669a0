#include "effect/dsp/sat_stage_bank.h"

#include <cstring>

#include "effect/dsp/channel_buffers.h"
#include "filters/Butterworth.h"
#include "filters/FilterDesign.h"

namespace {

template <template <int> class Design>
using Order16 = Dsp::FilterDesign<Design<16>, 1, Dsp::DirectFormII>;

// Seven filters in their order; a stage holds two sets.
struct FilterSet
{
  Order16<Dsp::Butterworth::Design::BandShelf1> bandShelf;
  Order16<Dsp::Butterworth::Design::HighPass> highPass;
  Order16<Dsp::Butterworth::Design::LowPass> lowPass;
  Order16<Dsp::Butterworth::Design::HighShelf> highShelf;
  Order16<Dsp::Butterworth::Design::LowShelf> lowShelf;
  Order16<Dsp::Butterworth::Design::BandPass1> bandPass;
  Order16<Dsp::Butterworth::Design::BandStop1> bandStop;

  Dsp::Filter& At(int index)
  {
    Dsp::Filter* const all[] = {&bandShelf, &highPass, &lowPass, &highShelf, &lowShelf, &bandPass, &bandStop};
    return *all[index];
  }
};

} // namespace

// The fourteen filters live in one block, so a stage costs one allocation for all of them.
struct SatStage::Filters
{
  FilterSet sets[2];
};

SatStage::SatStage()
  : mChannel(AllocChannelBuffers(1, 1)), mFilters(std::make_unique<Filters>())
{
  Reset();
}

SatStage::~SatStage()
{
  FreeChannelBuffers(mChannel, 1);
}

void SatStage::Reset()
{
  std::memset(mState, 0, sizeof(mState));
  for (Band& band : mBands)
    std::memset(band.state, 0, sizeof(band.state));
  for (int i = 0; i < kNumFilters; ++i)
    FilterAt(i).Reset();
}

Dsp::Filter& SatStage::FilterAt(int index)
{
  return mFilters->sets[index / 7].At(index % 7);
}
