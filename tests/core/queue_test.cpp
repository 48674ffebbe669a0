// The lock-free queues between threads: capacity (N slots hold N - 1), order, drops when full, and wrap-around.
#include <algorithm>

#include <gtest/gtest.h>

#include "core/Queues.h"

using plug::MultiProducerQueue;
using plug::SingleProducerQueue;

namespace {

struct Change
{
  int index;
  double value;
};

template <typename Queue>
void ExpectHoldsSlotsMinusOneInOrder(Queue& queue, int slots)
{
  EXPECT_EQ(queue.Slots(), static_cast<size_t>(slots));
  int accepted = 0;
  for (int i = 0; i < slots + 100; ++i)
    accepted += queue.Push(Change{i, i * 0.5}) ? 1 : 0;
  EXPECT_EQ(accepted, slots - 1);
  Change change{};
  for (int i = 0; i < slots - 1; ++i)
  {
    ASSERT_TRUE(queue.Pop(change));
    EXPECT_EQ(change.index, i);
    EXPECT_EQ(change.value, i * 0.5);
  }
  EXPECT_FALSE(queue.Pop(change));
}

template <typename Queue>
void ExpectWrappedQueueDrainsCompletely(Queue& queue, int slots)
{
  Change change{};
  // Move both indices near the end of the buffer, then fill across the end so the write index lies below the
  // read index.
  for (int i = 0; i < slots - 3; ++i)
  {
    ASSERT_TRUE(queue.Push(Change{-1, 0.0}));
    ASSERT_TRUE(queue.Pop(change));
  }
  for (int i = 0; i < slots - 1; ++i)
    ASSERT_TRUE(queue.Push(Change{i, 0.0}));
  for (int i = 0; i < slots - 1; ++i)
  {
    ASSERT_TRUE(queue.Pop(change));
    EXPECT_EQ(change.index, i);
  }
  EXPECT_FALSE(queue.Pop(change));
}

} // namespace

TEST(SingleProducerQueue, HoldsOneLessThanItsSlotsInOrder)
{
  for (int slots : {0, 1, 2, 5, 33, 513}) // fewer than two slots are two
  {
    SingleProducerQueue<Change> queue(slots);
    ExpectHoldsSlotsMinusOneInOrder(queue, std::max(slots, 2));
  }
}

TEST(SingleProducerQueue, WrappedQueueDrainsCompletely)
{
  SingleProducerQueue<Change> queue(33);
  ExpectWrappedQueueDrainsCompletely(queue, 33);
}

TEST(SingleProducerQueue, CountsWaitingRecords)
{
  SingleProducerQueue<Change> queue(5);
  EXPECT_EQ(queue.Count(), 0u);
  queue.Push(Change{1, 0});
  queue.Push(Change{2, 0});
  EXPECT_EQ(queue.Count(), 2u);
}

// Once both indices have wrapped past the end of the buffer the count is still right, for sizes that are not
// powers of two.
TEST(SingleProducerQueue, CountsWaitingRecordsAfterTheIndicesWrap)
{
  for (size_t slots : {3u, 5u, 7u, 12u})
    for (size_t start = 0; start < 2 * slots; ++start)
      for (size_t waiting = 0; waiting < slots; ++waiting)
      {
        SingleProducerQueue<Change> queue(slots);
        Change change{};
        for (size_t i = 0; i < start; ++i) // both indices to start
          ASSERT_TRUE(queue.Push(Change{}) && queue.Pop(change));
        for (size_t i = 0; i < waiting; ++i)
          ASSERT_TRUE(queue.Push(Change{}));
        EXPECT_EQ(queue.Count(), waiting) << slots << " slots, indices at " << start % slots;
      }
}

TEST(MultiProducerQueue, HoldsOneLessThanItsSlotsInOrder)
{
  for (int slots : {0, 1, 2, 5, 513})
  {
    MultiProducerQueue<Change> queue(slots);
    ExpectHoldsSlotsMinusOneInOrder(queue, std::max(slots, 2));
  }
}

TEST(MultiProducerQueue, WrappedQueueDrainsCompletely)
{
  MultiProducerQueue<Change> queue(513);
  ExpectWrappedQueueDrainsCompletely(queue, 513);
}

TEST(MultiProducerQueue, FreedSlotsAreUsedAgain)
{
  MultiProducerQueue<Change> queue(3);
  Change change{};
  for (int round = 0; round < 10; ++round)
  {
    EXPECT_TRUE(queue.Push(Change{round, 0}));
    EXPECT_TRUE(queue.Push(Change{round + 100, 0}));
    EXPECT_FALSE(queue.Push(Change{-1, 0}));
    ASSERT_TRUE(queue.Pop(change));
    EXPECT_EQ(change.index, round);
    ASSERT_TRUE(queue.Pop(change));
    EXPECT_EQ(change.index, round + 100);
  }
}
