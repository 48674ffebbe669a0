// Fixed-size queues that carry small records from one thread to another without a lock: the host's threads hand
// parameter changes and MIDI to the editor, and the editor hands MIDI and SysEx to the audio thread. A queue of
// N slots holds at most N - 1 records; pushing into a full queue drops the record without a word.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace plug {

/// One producer thread, one consumer thread.
template <typename T>
class SingleProducerQueue
{
public:
  explicit SingleProducerQueue(size_t slots) : mSlots(slots < 2 ? 2 : slots), mBuffer(new T[mSlots]()) {}
  SingleProducerQueue(const SingleProducerQueue&) = delete;
  SingleProducerQueue& operator=(const SingleProducerQueue&) = delete;

  size_t Slots() const { return mSlots; }

  /// False when the queue was full and the record was dropped. [producer thread]
  bool Push(const T& item)
  {
    const size_t write = mWrite.load(std::memory_order_relaxed);
    const size_t next = (write + 1) % mSlots;
    if (next == mRead.load(std::memory_order_acquire))
      return false;
    mBuffer[write] = item;
    mWrite.store(next, std::memory_order_release);
    return true;
  }

  /// False when the queue was empty. [consumer thread]
  bool Pop(T& item)
  {
    const size_t read = mRead.load(std::memory_order_relaxed);
    if (read == mWrite.load(std::memory_order_acquire))
      return false;
    item = mBuffer[read];
    mRead.store((read + 1) % mSlots, std::memory_order_release);
    return true;
  }

  /// Records waiting right now (a snapshot). [any thread]
  size_t Count() const
  {
    const size_t write = mWrite.load(std::memory_order_acquire);
    const size_t read = mRead.load(std::memory_order_acquire);
    return (write + mSlots - read) % mSlots;
  }

private:
  const size_t mSlots;
  std::unique_ptr<T[]> mBuffer;
  std::atomic<size_t> mWrite{0};
  std::atomic<size_t> mRead{0};
};

/// Several producer threads, one consumer thread. Each record carries a turn number, so a producer that is
/// interrupted after claiming its place never makes another producer wait: the consumer just stops at the
/// unfinished record until its next drain. Holds N - 1 records like the single-producer queue.
template <typename T>
class MultiProducerQueue
{
public:
  explicit MultiProducerQueue(size_t slots)
    : mCapacity(slots < 2 ? 1 : slots - 1), mCells(new Cell[mCapacity])
  {
    for (size_t i = 0; i < mCapacity; ++i)
      mCells[i].turn.store(FreeTurn(i), std::memory_order_relaxed);
  }
  MultiProducerQueue(const MultiProducerQueue&) = delete;
  MultiProducerQueue& operator=(const MultiProducerQueue&) = delete;

  size_t Slots() const { return mCapacity + 1; }

  /// False when the queue was full and the record was dropped. Never waits. [any producer thread]
  bool Push(const T& item)
  {
    size_t pos = mEnqueue.load(std::memory_order_relaxed);
    for (;;)
    {
      Cell& cell = mCells[pos % mCapacity];
      const size_t turn = cell.turn.load(std::memory_order_acquire);
      const intptr_t lag = static_cast<intptr_t>(turn) - static_cast<intptr_t>(FreeTurn(pos));
      if (lag == 0)
      {
        if (mEnqueue.compare_exchange_weak(pos, pos + 1, std::memory_order_relaxed))
        {
          cell.item = item;
          cell.turn.store(FullTurn(pos), std::memory_order_release);
          return true;
        }
      }
      else if (lag < 0)
        return false; // full: the consumer has not freed this cell yet
      else
        pos = mEnqueue.load(std::memory_order_relaxed);
    }
  }

  /// False when no finished record is waiting. [consumer thread]
  bool Pop(T& item)
  {
    const size_t pos = mDequeue;
    Cell& cell = mCells[pos % mCapacity];
    if (cell.turn.load(std::memory_order_acquire) != FullTurn(pos))
      return false;
    item = cell.item;
    cell.turn.store(FreeTurn(pos + mCapacity), std::memory_order_release);
    mDequeue = pos + 1;
    return true;
  }

private:
  // A cell's turn says whose it is: free for the producer of position p (2p), or holding the record of
  // position p for the consumer (2p + 1).
  static size_t FreeTurn(size_t pos) { return 2 * pos; }
  static size_t FullTurn(size_t pos) { return 2 * pos + 1; }

  struct Cell
  {
    std::atomic<size_t> turn{0};
    T item{};
  };

  const size_t mCapacity;
  std::unique_ptr<Cell[]> mCells;
  std::atomic<size_t> mEnqueue{0};
  size_t mDequeue = 0; // consumer only
};

} // namespace plug
