// The generic processor chain: order of the stages, pass-through when empty, ownership of the items and the
// list's cursor walking both ways.
#include "effect/dsp/processor_chain.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class Gain : public ChainProcessor
{
public:
  Gain(double g, int* alive = nullptr) : mGain(g), mAlive(alive)
  {
    if (mAlive) ++*mAlive;
  }
  ~Gain() override
  {
    if (mAlive) --*mAlive;
  }
  void Init(int nChannels, double sampleRate) override
  {
    mChannels = nChannels;
    mRate = sampleRate;
  }
  void Process(double** in, double** out, int n) override
  {
    for (int c = 0; c < mChannels; ++c)
      for (int i = 0; i < n; ++i) out[c][i] = in[c][i] * mGain + mOffset;
  }
  double mGain;
  double mOffset = 0.0;
  int mChannels = 0;
  double mRate = 0.0;
  int* mAlive;
};

struct Stereo
{
  std::vector<double> l, r;
  double* ptrs[2];
  explicit Stereo(std::vector<double> a) : l(a), r(a) { ptrs[0] = l.data(); ptrs[1] = r.data(); }
};

TEST(ProcessorChain, RunsStagesInListOrderOnThePreviousOutput)
{
  ProcessorChain chain;
  auto* first = new Gain(2.0);
  auto* second = new Gain(1.0);
  second->mOffset = 1.0; // (x * 2) + 1, not (x + 1) * 2
  chain.List().Append(first);
  chain.List().Append(second);
  chain.Init(2, 48000.0);
  EXPECT_EQ(first->mChannels, 2);
  EXPECT_EQ(second->mRate, 48000.0);

  Stereo in({1.0, 2.0, 3.0}), out({0.0, 0.0, 0.0});
  chain.Process(in.ptrs, out.ptrs, 3);
  EXPECT_EQ(out.l, (std::vector<double>{3.0, 5.0, 7.0}));
  EXPECT_EQ(out.r, out.l);
  EXPECT_EQ(in.l, (std::vector<double>{1.0, 2.0, 3.0})); // inputs untouched
}

TEST(ProcessorChain, AnEmptyChainCopiesInputToOutput)
{
  ProcessorChain chain;
  chain.Init(2, 44100.0);
  Stereo in({0.5, -0.25}), out({9.0, 9.0});
  chain.Process(in.ptrs, out.ptrs, 2);
  EXPECT_EQ(out.l, in.l);
  EXPECT_EQ(out.r, in.r);
}

int gFreed = 0;
void CountingFree(ChainProcessor* p)
{
  ++gFreed;
  delete p;
}

TEST(ProcessorList, DeletesOrFreesItsItemsAsItsOwnershipSays)
{
  int alive = 0;
  {
    ProcessorList owned(ProcessorList::kDeleteItems);
    owned.Append(new Gain(1.0, &alive));
    owned.Append(new Gain(1.0, &alive));
    EXPECT_EQ(alive, 2);
  }
  EXPECT_EQ(alive, 0);

  gFreed = 0;
  {
    ProcessorList freed(ProcessorList::kFreeFunction, &CountingFree);
    freed.Append(new Gain(1.0, &alive));
    freed.Append(new Gain(1.0, &alive));
    freed.Append(new Gain(1.0, &alive));
  }
  EXPECT_EQ(gFreed, 3);
  EXPECT_EQ(alive, 0);
}

TEST(ProcessorList, CursorWalksBothWaysAndRefusesIndicesOutOfRange)
{
  ProcessorList list;
  EXPECT_EQ(list.CursorIndex(), -1);
  EXPECT_EQ(list.Get(0), nullptr);
  Gain* items[4];
  for (int i = 0; i < 4; ++i) list.Append(items[i] = new Gain(i));
  EXPECT_EQ(list.Count(), 4);
  EXPECT_EQ(list.CursorIndex(), 3); // append moves the cursor to the new node
  EXPECT_EQ(list.Get(0), items[0]);
  EXPECT_EQ(list.Get(2), items[2]);
  EXPECT_EQ(list.Get(1), items[1]);
  EXPECT_EQ(list.CursorIndex(), 1);
  EXPECT_EQ(list.Get(4), nullptr);
  EXPECT_EQ(list.Get(-1), nullptr);
  EXPECT_EQ(list.CursorIndex(), 1); // a refused index leaves the cursor where it was
}

} // namespace
