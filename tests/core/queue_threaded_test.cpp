// The queues under real concurrency: every accepted record arrives once, in each producer's order, with nothing
// torn (checked by ThreadSanitizer in CI).
#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "core/Queues.h"

using plug::MultiProducerQueue;
using plug::SingleProducerQueue;

namespace {

struct Record
{
  int producer;
  int sequence;
  double check; // sequence * 3, to catch a torn copy
};

constexpr int kPerProducer = 20000;

} // namespace

TEST(QueueStress, SingleProducerDeliversEverythingInOrder)
{
  SingleProducerQueue<Record> queue(33);
  std::thread producer([&] {
    for (int i = 0; i < kPerProducer; ++i)
      while (!queue.Push(Record{0, i, i * 3.0}))
        std::this_thread::yield();
  });
  int expected = 0;
  Record record{};
  while (expected < kPerProducer)
  {
    if (!queue.Pop(record))
    {
      std::this_thread::yield();
      continue;
    }
    ASSERT_EQ(record.sequence, expected);
    ASSERT_EQ(record.check, expected * 3.0);
    ++expected;
  }
  producer.join();
}

TEST(QueueStress, SeveralProducersKeepTheirOwnOrderAndLoseNothingAccepted)
{
  constexpr int kProducers = 4;
  MultiProducerQueue<Record> queue(513);
  std::atomic<int> accepted{0};
  std::atomic<int> finished{0};
  std::vector<std::thread> producers;
  for (int p = 0; p < kProducers; ++p)
  {
    producers.emplace_back([&, p] {
      int sent = 0;
      for (int i = 0; i < kPerProducer; ++i)
      {
        // Some records are dropped while the queue is full; the accepted ones must arrive.
        if (queue.Push(Record{p, i, i * 3.0}))
          ++sent;
        else
          std::this_thread::yield();
      }
      accepted += sent;
      ++finished;
    });
  }
  std::vector<int> last(kProducers, -1);
  int received = 0;
  Record record{};
  for (;;)
  {
    if (queue.Pop(record))
    {
      ASSERT_GE(record.producer, 0);
      ASSERT_LT(record.producer, kProducers);
      ASSERT_GT(record.sequence, last[record.producer]);
      ASSERT_EQ(record.check, record.sequence * 3.0);
      last[record.producer] = record.sequence;
      ++received;
    }
    else if (finished.load() == kProducers)
    {
      while (queue.Pop(record))
        ++received;
      break;
    }
  }
  for (auto& t : producers)
    t.join();
  EXPECT_EQ(received, accepted.load());
}
