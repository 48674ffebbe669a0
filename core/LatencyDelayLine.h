// The delay line that keeps a bypassed plug-in's output aligned with its reported latency: one run of
// `length` samples per input channel and one write position shared by all channels. The audio thread holds its
// lock for a block; a resize from another thread builds the new buffer first and only swaps it under the lock.
// Room reserved ahead (outside every lock the audio thread takes) lets a later resize up to it allocate nothing.
#pragma once

#include <atomic>
#include <thread>
#include <vector>

namespace plug {

class LatencyDelayLine
{
public:
  LatencyDelayLine(int nInChans, int nOutChans, int length) : mNIn(nInChans), mNOut(nOutChans) { Resize(length); }

  /// New length, buffer zeroed, position 0. Allocates only when length exceeds the capacity.
  /// [any thread; waits at most for the block in progress]
  void Resize(int length);
  /// Makes room for lengths up to `length`, keeping what the line holds. [any thread, allocates when the line
  /// has less room; waits at most for the block in progress]
  void Reserve(int length);
  int GetLength() const { return mLength; }

  /// Stores one frame of the input channels. [audio thread, lock held]
  void Feed(double** inputs, int nFrames);
  /// Outputs the delayed input and stores the new input, frame by frame; in-place buffers are fine.
  /// [audio thread, lock held]
  void PassThrough(double** inputs, double** outputs, int nFrames);

  void Lock()
  {
    while (mBusy.exchange(true, std::memory_order_acquire))
      std::this_thread::yield();
  }
  void Unlock() { mBusy.store(false, std::memory_order_release); }

private:
  int mNIn;
  int mNOut;
  int mLength = 0;
  int mCapacity = 0;
  int mPos = 0;
  std::vector<double> mBuffer;
  std::atomic<bool> mBusy{false};
};

/// Holds the delay line's lock for a scope.
class LatencyDelayLock
{
public:
  explicit LatencyDelayLock(LatencyDelayLine& line) : mLine(line) { mLine.Lock(); }
  ~LatencyDelayLock() { mLine.Unlock(); }
  LatencyDelayLock(const LatencyDelayLock&) = delete;
  LatencyDelayLock& operator=(const LatencyDelayLock&) = delete;

private:
  LatencyDelayLine& mLine;
};

} // namespace plug
