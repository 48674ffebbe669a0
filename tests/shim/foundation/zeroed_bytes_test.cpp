// Zeroed blocks of bytes, small (from the heap) and large (mapped), and how they move: the block goes with the
// move and the one moved from is left empty.
#include <algorithm>

#include <gtest/gtest.h>

#include "foundation/zeroed_bytes.h"

using foundation::ZeroedBytes;

TEST(ZeroedBytes, EveryByteReadsZeroAndTheBlockMovesWhole)
{
  const ZeroedBytes none;
  EXPECT_TRUE(none.empty());
  EXPECT_EQ(none.size(), 0u);
  EXPECT_EQ(none.data(), nullptr);
  EXPECT_TRUE(ZeroedBytes(0).empty());
  for (size_t size : {size_t(1), size_t(4096), (size_t(1) << 20) - 1, size_t(1) << 20, (size_t(3) << 20) + 5})
  {
    ZeroedBytes bytes(size);
    ASSERT_EQ(bytes.size(), size);
    ASSERT_FALSE(bytes.empty());
    EXPECT_TRUE(std::all_of(bytes.data(), bytes.data() + size, [](uint8_t b) { return b == 0; })) << size;
    bytes[size - 1] = 9;
    uint8_t* const block = bytes.data();

    ZeroedBytes moved(std::move(bytes));
    EXPECT_EQ(moved.data(), block);
    EXPECT_EQ(moved.size(), size);
    EXPECT_EQ(bytes.data(), nullptr);
    EXPECT_EQ(bytes.size(), 0u);
    EXPECT_TRUE(bytes.empty());

    ZeroedBytes target(16); // its own block is given back
    target = std::move(moved);
    EXPECT_EQ(target.data(), block);
    EXPECT_EQ(target.size(), size);
    EXPECT_EQ(moved.data(), nullptr);
    EXPECT_EQ(moved.size(), 0u);
    ZeroedBytes& self = target;
    target = std::move(self); // onto itself: nothing changes
    EXPECT_EQ(target.data(), block);
    EXPECT_EQ(target.size(), size);
    EXPECT_EQ(target[size - 1], 9);
  }
}
