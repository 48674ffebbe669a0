// The interface every stage of the resampler chain implements, and the malloc-based allocation all resampler
// objects use.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>

namespace resamp {

/// Allocation base of every resampler object: created with malloc, released with free.
class CStdClassAllocator
{
public:
  static void* operator new(size_t size)
  {
    if (void* p = std::malloc(size))
      return p;
    throw std::bad_alloc();
  }
  static void operator delete(void* p) noexcept { std::free(p); }
};

/// One stage of a sample-rate conversion: consumes blocks of input, produces blocks of output.
class CDSPProcessor : public CStdClassAllocator
{
public:
  virtual ~CDSPProcessor() = default;
  /// Integer latency in output samples that the caller would have to drop ([any thread]).
  virtual int GetLatency() const = 0;
  /// Fractional latency (in output samples) this stage leaves for the next one.
  virtual double GetLatencyFrac() const = 0;
  /// Largest number of outputs one Process call makes for an input block of maxInLen samples.
  virtual int GetMaxOutLen(int maxInLen) const = 0;
  /// Forgets all history: the stage behaves as just constructed. [audio thread]
  virtual void Clear() = 0;
  /// Consumes length samples. On entry out points to a buffer of at least GetMaxOutLen(length) doubles the
  /// stage may write into; on return it points to the output (possibly the stage's own buffer) and the result
  /// is the number of output samples. Never allocates. [audio thread]
  virtual int Process(double* in, int length, double*& out) = 0;
};

/// A buffer of doubles aligned to 32 bytes, allocated with malloc (zeroed).
struct AlignedDoubles
{
  void* raw = nullptr;
  double* data = nullptr;

  AlignedDoubles() = default;
  AlignedDoubles(const AlignedDoubles&) = delete;
  AlignedDoubles& operator=(const AlignedDoubles&) = delete;
  ~AlignedDoubles() { Free(); }

  /// Throws std::bad_alloc when the memory is not there.
  void Allocate(size_t count)
  {
    Free();
    raw = std::calloc(count * sizeof(double) + 32, 1);
    if (!raw)
      throw std::bad_alloc();
    const size_t addr = reinterpret_cast<size_t>(raw);
    data = reinterpret_cast<double*>((addr + 31) & ~static_cast<size_t>(31));
  }
  void Free()
  {
    std::free(raw);
    raw = nullptr;
    data = nullptr;
  }
};

} // namespace resamp
