// Shrink threshold, sizes and text operations of the Lib containers.
#include <algorithm>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "core/LibHeapBuf.h"
#include "core/LibMutex.h"
#include "core/LibPtrList.h"
#include "core/LibString.h"
#include "core/LibTypedBuf.h"

using plug::LibHeapBuf;
using plug::LibMutex;
using plug::LibPtrList;
using plug::LibString;

TEST(LibHeapBuf, ShrinksOnlyWhenAllowedAndBelowHalfTheAllocation)
{
  LibHeapBuf buf(4096);
  buf.Resize(70000);
  const int alloc = buf.GetAlloc();
  buf.Resize(100, false);
  EXPECT_EQ(buf.GetAlloc(), alloc) << "without shrink only the size changes";
  EXPECT_EQ(buf.GetSize(), 100);

  buf.Resize(70000);
  buf.Resize(alloc / 2, true);
  EXPECT_EQ(buf.GetAlloc(), alloc) << "half the allocation is not below the threshold";
  buf.Resize(70000);
  buf.Resize(alloc / 2 - 1, true);
  EXPECT_LT(buf.GetAlloc(), alloc);
  EXPECT_EQ(buf.GetSize(), alloc / 2 - 1);
}

// A buffer of fewer than eight granules gives memory back only when its size falls four granules below its
// allocation, so that a small buffer does not move at every shrink.
TEST(LibHeapBuf, SmallBufferShrinksOnlyFourGranulesBelowItsAllocation)
{
  for (int granularity : {128, 4096})
  {
    SCOPED_TRACE(granularity);
    LibHeapBuf buf(granularity);
    buf.Resize(5 * granularity);
    const int alloc = buf.GetAlloc();
    ASSERT_LT(alloc, 8 * granularity);
    const int lowestKept = std::max(1, alloc - 4 * granularity);
    for (int n : {alloc - 1, alloc / 2, lowestKept})
    {
      buf.Resize(5 * granularity);
      buf.Resize(n, true);
      EXPECT_EQ(buf.GetAlloc(), alloc) << n;
      EXPECT_EQ(buf.GetSize(), n);
    }
    buf.Resize(5 * granularity);
    buf.Resize(lowestKept - 1, true);
    EXPECT_EQ(buf.GetSize(), lowestKept - 1);
    EXPECT_LT(buf.GetAlloc(), alloc);
  }
}

TEST(LibHeapBuf, ResizeToZeroGivesNullAndNegativeCountsAsZero)
{
  LibHeapBuf buf(128);
  EXPECT_NE(buf.Resize(10), nullptr);
  EXPECT_EQ(buf.Resize(-5), nullptr);
  EXPECT_EQ(buf.GetSize(), 0);
}

// A size whose allocation would pass the largest int is refused: the buffer, its size and its bytes stay.
TEST(LibHeapBuf, AnUnallocatableSizeKeepsTheBuffer)
{
  LibHeapBuf buf(128);
  char* before = static_cast<char*>(buf.Resize(10));
  std::memcpy(before, "keep", 5);
  EXPECT_EQ(buf.Resize(0x7ffffff0), before);
  EXPECT_EQ(buf.GetSize(), 10);
  EXPECT_STREQ(static_cast<const char*>(buf.Get()), "keep");
  LibHeapBuf empty(128);
  EXPECT_EQ(empty.Resize(0x7ffffff0), nullptr);
  EXPECT_EQ(empty.GetSize(), 0);
}

TEST(LibHeapBuf, GrowthKeepsContents)
{
  LibHeapBuf buf(128);
  auto* p = static_cast<char*>(buf.Resize(4));
  std::memcpy(p, "abcd", 4);
  p = static_cast<char*>(buf.Resize(100000));
  EXPECT_EQ(std::memcmp(p, "abcd", 4), 0);
  // Up to the allocation the buffer stays where it is; one byte more moves it to a larger one.
  const int alloc = buf.GetAlloc();
  EXPECT_EQ(buf.Resize(alloc), p);
  EXPECT_EQ(buf.GetAlloc(), alloc);
  buf.Resize(alloc + 1);
  EXPECT_GT(buf.GetAlloc(), alloc + 1);
}

TEST(LibPtrList, GetOutOfRangeGivesNull)
{
  LibPtrList<int> list;
  EXPECT_EQ(list.Get(0), nullptr);
  int a = 1, b = 2;
  list.Add(&a);
  list.Add(&b);
  EXPECT_EQ(list.Get(-1), nullptr);
  EXPECT_EQ(list.Get(list.GetSize()), nullptr);
  EXPECT_EQ(list.Get(1), &b);
}

namespace {
std::string Order(const LibPtrList<char>& list)
{
  std::string order;
  for (int i = 0; i < list.GetSize(); ++i)
    order += *list.Get(i);
  return order;
}
} // namespace

// Inserting clamps its index to the list; deleting moves the later items down; clearing with a deleter hands it
// every item from the last to the first.
TEST(LibPtrList, InsertDeleteAndClearKeepTheOrder)
{
  char items[] = "abcdef";
  LibPtrList<char> list;
  list.Add(&items[1]);
  list.Insert(-3, &items[0]);
  list.Insert(2, &items[3]);
  list.Insert(2, &items[2]);
  list.Insert(99, &items[4]);
  EXPECT_EQ(Order(list), "abcde");
  list.Delete(0);
  list.Delete(2);
  list.Delete(list.GetSize() - 1);
  list.Delete(list.GetSize());
  list.Delete(-1);
  EXPECT_EQ(Order(list), "bc");
  static std::string released;
  released.clear();
  list.Add(&items[5]);
  list.Clear(true, [](char* item) { released += *item; });
  EXPECT_EQ(released, "fcb");
  EXPECT_EQ(list.GetSize(), 0);
}

// Copies are whole and independent; a copy of an empty buffer empties; a move leaves the source empty.
TEST(LibHeapBuf, CopiesAndMoves)
{
  LibHeapBuf a(16);
  std::memcpy(a.Resize(5), "hello", 5);
  LibHeapBuf b(a);
  ASSERT_EQ(b.GetSize(), 5);
  std::memcpy(a.Get(), "HELLO", 5);
  EXPECT_EQ(std::memcmp(b.Get(), "hello", 5), 0);
  LibHeapBuf c(16);
  c.Resize(50);
  c = b;
  ASSERT_EQ(c.GetSize(), 5);
  EXPECT_EQ(std::memcmp(c.Get(), "hello", 5), 0);
  const LibHeapBuf empty(16);
  c = empty;
  EXPECT_EQ(c.GetSize(), 0);
  LibHeapBuf one(16);
  *static_cast<char*>(one.Resize(1)) = 'x';
  c = one;
  ASSERT_EQ(c.GetSize(), 1);
  EXPECT_EQ(*static_cast<const char*>(c.Get()), 'x');
  c = b;
  LibHeapBuf moved(std::move(a));
  EXPECT_EQ(a.GetSize(), 0);
  ASSERT_EQ(moved.GetSize(), 5);
  EXPECT_EQ(std::memcmp(moved.Get(), "HELLO", 5), 0);
  c = std::move(moved);
  EXPECT_EQ(moved.GetSize(), 0);
  EXPECT_EQ(std::memcmp(c.Get(), "HELLO", 5), 0);
  // A moved-from buffer holds nothing and can be filled again.
  for (LibHeapBuf* source : {&a, &moved})
  {
    EXPECT_EQ(source->GetAlloc(), 0);
    EXPECT_EQ(source->Get(), nullptr);
    EXPECT_NE(source->Resize(1), nullptr);
  }
}

TEST(LibString, NeverSetReadsEmpty)
{
  LibString s;
  EXPECT_STREQ(s.Get(), "");
  EXPECT_EQ(s.GetLength(), 0);
  EXPECT_EQ(s.GetSize(), 0);
  s.SetRange(0, "", 0, 0);
  EXPECT_EQ(s.GetSize(), 1);
  EXPECT_STREQ(s.Get(), "");
}

TEST(LibString, AppendingToItselfDoublesIt)
{
  LibString s("abc");
  s.Append(s.Get());
  EXPECT_STREQ(s.Get(), "abcabc");
  LibString big;
  big.Set(std::string(200, 'q').c_str());
  big.Append(big.Get()); // forces a reallocation while the text points into the old buffer
  EXPECT_EQ(big.GetLength(), 400);
  EXPECT_EQ(std::string(big.Get()), std::string(400, 'q'));
}

// A tail of the string's own text is read from where it lies, before and after the buffer grows.
TEST(LibString, AppendingPartOfItselfCopiesThatPart)
{
  std::string text;
  for (int i = 0; i < 300; ++i)
    text += static_cast<char>('a' + i % 26);
  for (int length : {8, 300})
    for (int from : {1, length / 2, length - 1})
    {
      LibString s;
      s.Set(text.c_str(), length);
      s.Append(s.Get() + from);
      const std::string head = text.substr(0, static_cast<size_t>(length));
      EXPECT_EQ(std::string(s.Get()), head + head.substr(static_cast<size_t>(from))) << length << " from " << from;
    }
}

TEST(LibString, SetRangeKeepsFollowingBytes)
{
  LibString s("hello world");
  s.SetRange(5, ",", 1, 6); // insert "," at 5 keeping " world"
  EXPECT_STREQ(s.Get(), "hello, world");
  s.SetRange(0, "J", 1, 0);
  EXPECT_STREQ(s.Get(), "J");
  s.SetRange(-1, "x", 1, 0);
  EXPECT_STREQ(s.Get(), "J");
  s.SetRange(1, "x", 0, 0);
  EXPECT_STREQ(s.Get(), "J");
}

TEST(LibString, SetAndAppendTakeAnOptionalCount)
{
  LibString s;
  s.Set("abcdef", 3);
  s.Append("xyz", 1);
  EXPECT_STREQ(s.Get(), "abcx");
  EXPECT_EQ(s.GetSize(), 5) << "one terminator";
}

TEST(LibString, FormatCappedCutsToMaxCharacters)
{
  LibString s;
  s.FormatCapped(32, "%d", 123456789);
  EXPECT_STREQ(s.Get(), "123456789");
  s.FormatCapped(4, "%d", 123456789);
  EXPECT_STREQ(s.Get(), "1234");
  EXPECT_EQ(s.GetSize(), 5);
  s.AppendFormatCapped(3, "%s", "abcdef");
  EXPECT_STREQ(s.Get(), "1234abc");
  // No room appends nothing; a negative bound changes nothing; no room at all empties the text.
  s.AppendFormatCapped(0, "%s", "z");
  s.AppendFormatCapped(-1, "%s", "z");
  s.FormatCapped(-1, "%s", "z");
  EXPECT_STREQ(s.Get(), "1234abc");
  s.FormatCapped(0, "%s", "z");
  EXPECT_STREQ(s.Get(), "");
}

namespace {
std::vector<bool> gMutexChanges;
void RecordMutexChange(const LibMutex&, bool held) { gMutexChanges.push_back(held); }

bool TryLockElsewhere(LibMutex& m)
{
  bool taken = false;
  std::thread([&] {
    taken = m.TryLock();
    if (taken)
      m.Unlock();
  }).join();
  return taken;
}
} // namespace

// TryLock takes a free mutex (again, on the thread that holds it) and refuses while another thread holds it; the
// watch hears only of the first take and the last release.
TEST(LibMutex, TryLockTakesOnlyWhatNoOtherThreadHolds)
{
  LibMutex m;
  LibMutex::SetWatch(RecordMutexChange);
  gMutexChanges.clear();
  EXPECT_TRUE(m.TryLock());
  EXPECT_TRUE(m.TryLock());
  EXPECT_FALSE(TryLockElsewhere(m));
  m.Unlock();
  EXPECT_FALSE(TryLockElsewhere(m));
  m.Unlock();
  EXPECT_EQ(gMutexChanges, (std::vector<bool>{true, false}));
  EXPECT_TRUE(TryLockElsewhere(m));
  EXPECT_EQ(gMutexChanges, (std::vector<bool>{true, false, true, false}));
  LibMutex::SetWatch(nullptr);
}
