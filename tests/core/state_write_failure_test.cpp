// A state chunk that cannot grow. Every allocation above 1 MB fails (returning null), so a chunk filled up to its
// allocation refuses the next bytes: writing parameters or presets into it must report the failure, so that a
// host is never handed a cut-short state as a good one.
#include <vector>

#include <gtest/gtest.h>

#include "core/IPluginBase.h"

namespace {
class TwoParams : public plug::IPluginBase
{
public:
  TwoParams() : IPluginBase(2, 1)
  {
    GetParam(0)->InitDouble("a", 0.5, 0, 1, 0.01);
    GetParam(1)->InitInt("b", 3, 1, 5);
  }
  void BeginInformHostOfParamChangeFromUI(int) override {}
  void EndInformHostOfParamChangeFromUI(int) override {}
};
} // namespace

TEST(StateWriteFailure, AChunkThatCannotGrowFailsEveryWriter)
{
  plug::IStateChunk chunk;
  const std::vector<char> block(4096, 'x');
  while (chunk.PutBytes(block.data(), int(block.size())) > 0)
    ASSERT_LT(chunk.Size(), 1 << 22);
  const char byte = 'y';
  while (chunk.Put(&byte) > 0)
    ASSERT_LT(chunk.Size(), 1 << 22);
  const int full = chunk.Size();
  ASSERT_GT(full, 1 << 18);

  const TwoParams plugin;
  EXPECT_FALSE(plugin.SerializeState(chunk));
  EXPECT_FALSE(plugin.SerializePresets(chunk));
  EXPECT_EQ(chunk.Size(), full);
}
