#include "core/LibHeapBuf.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <climits>
#include <utility>

namespace plug {

namespace {
constexpr int kPage = 4096;
constexpr int kAllocatorOverhead = 96; // sized so that allocation + allocator header fill whole pages
constexpr int64_t kMaxPagePart = 4 * 1024 * 1024;

/// The allocation a buffer of granularity g gets when it must hold n bytes.
int64_t NewAllocation(int64_t n, int g)
{
  const int64_t headroom = std::max<int64_t>(n / 2, g);
  if (g < kPage)
    return n + headroom;
  int64_t page = (headroom / kPage) * kPage;
  page = std::min(page, kMaxPagePart);
  if (page == 0)
    page = kPage;
  return ((n + page + kAllocatorOverhead) / kPage) * kPage - kAllocatorOverhead;
}
} // namespace

LibHeapBuf::LibHeapBuf(const LibHeapBuf& other) : m_granul(other.m_granul)
{
  if (other.m_size > 0 && Resize(other.m_size, false) && m_size == other.m_size)
    std::memcpy(m_buf, other.m_buf, static_cast<size_t>(m_size));
}

LibHeapBuf& LibHeapBuf::operator=(const LibHeapBuf& other)
{
  if (this != &other)
  {
    if (other.m_size == 0)
      m_size = 0;
    else if (Resize(other.m_size, false) && m_size == other.m_size)
      std::memcpy(m_buf, other.m_buf, static_cast<size_t>(m_size));
  }
  return *this;
}

LibHeapBuf::LibHeapBuf(LibHeapBuf&& other) noexcept
  : m_buf(std::exchange(other.m_buf, nullptr)), m_alloc(std::exchange(other.m_alloc, 0)),
    m_size(std::exchange(other.m_size, 0)), m_granul(other.m_granul)
{
}

LibHeapBuf& LibHeapBuf::operator=(LibHeapBuf&& other) noexcept
{
  if (this != &other)
  {
    std::free(m_buf);
    m_buf = std::exchange(other.m_buf, nullptr);
    m_alloc = std::exchange(other.m_alloc, 0);
    m_size = std::exchange(other.m_size, 0);
    m_granul = other.m_granul;
  }
  return *this;
}

LibHeapBuf::~LibHeapBuf() { std::free(m_buf); }

void* LibHeapBuf::Resize(int n, bool allowShrink)
{
  if (n < 0)
    n = 0;
  if (n == m_size && (!allowShrink || n >= m_alloc / 2))
    return n ? m_buf : nullptr;

  int threshold = 0;
  if (n < m_size && allowShrink)
    threshold = std::max(1, std::min(m_alloc - 4 * m_granul, m_alloc / 2));

  if (n < threshold || n > m_alloc)
  {
    if (n == 0)
    {
      std::free(m_buf);
      m_buf = nullptr;
      m_alloc = m_size = 0;
      return nullptr;
    }
    const int64_t wanted = NewAllocation(n, m_granul);
    if (wanted > INT_MAX)
      return m_size ? m_buf : nullptr;
    const int newAlloc = static_cast<int>(wanted);
    if (newAlloc != m_alloc)
    {
      void* grown = std::realloc(m_buf, static_cast<size_t>(newAlloc));
      if (!grown)
      {
        grown = std::malloc(static_cast<size_t>(newAlloc));
        if (!grown)
          return m_size ? m_buf : nullptr;
        if (m_buf)
          std::memcpy(grown, m_buf, static_cast<size_t>(std::min(n, m_size)));
        std::free(m_buf);
      }
      m_buf = grown;
      m_alloc = newAlloc;
    }
  }
  m_size = n;
  return n ? m_buf : nullptr;
}

} // namespace plug
