// Typed appends and reads of the state chunk, strings included, with reads past the end.
#include <cstring>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "core/IStateChunk.h"

using plug::IStateChunk;
using plug::LibString;

TEST(IStateChunk, ValuesAreLittleEndianAndReadBack)
{
  IStateChunk c;
  const int32_t i = 0x01020304;
  const double d = 2.5;
  c.Put(&i);
  c.Put(&d);
  ASSERT_EQ(c.Size(), 12);
  EXPECT_EQ(c.GetData()[0], 0x04);
  int32_t i2 = 0;
  double d2 = 0;
  EXPECT_EQ(c.Get(&i2, 0), 4);
  EXPECT_EQ(c.Get(&d2, 4), 12);
  EXPECT_EQ(i2, i);
  EXPECT_EQ(d2, d);
}

TEST(IStateChunk, ReadPastTheEndOrFromNegativePositionFails)
{
  IStateChunk c;
  const int32_t i = 7;
  c.Put(&i);
  double d = 1.0;
  EXPECT_EQ(c.Get(&d, 0), -1);
  EXPECT_EQ(d, 1.0) << "target unchanged";
  int32_t j = 0;
  EXPECT_EQ(c.Get(&j, -1), -1);
  EXPECT_EQ(c.Get(&j, 1), -1);
  EXPECT_EQ(c.Get(&j, 0x7ffffffe), -1) << "no overflow in the bounds check";
}

TEST(IStateChunk, StringsCarryTheirLength)
{
  IStateChunk c;
  c.PutStr("abc");
  ASSERT_EQ(c.Size(), 7);
  EXPECT_EQ(std::memcmp(c.GetData(), "\x03\0\0\0abc", 7), 0);
  LibString s;
  EXPECT_EQ(c.GetStr(s, 0), 7);
  EXPECT_STREQ(s.Get(), "abc");
  c.PutStr("x");
  EXPECT_EQ(c.GetStr(s, 7), 12);
  EXPECT_STREQ(s.Get(), "x");
}

TEST(IStateChunk, EmptyStringReadsAsEmpty)
{
  IStateChunk c;
  c.PutStr("");
  LibString s("old");
  EXPECT_EQ(c.GetStr(s, 0), 4);
  EXPECT_STREQ(s.Get(), "");
}

// Two bytes follow the length: 3 is one byte past the end, the closest a bad length can come.
TEST(IStateChunk, NegativeOrOversizedStringLengthFails)
{
  for (int32_t len : {-1, -100, 3, 5, 0x7fffffff})
  {
    IStateChunk c;
    c.Put(&len);
    c.PutBytes("ab", 2);
    LibString s("keep");
    EXPECT_EQ(c.GetStr(s, 0), -1) << len;
    EXPECT_STREQ(s.Get(), "keep");
  }
}

TEST(IStateChunk, StringStopsAtEmbeddedZero)
{
  IStateChunk c;
  const int32_t len = 5;
  c.Put(&len);
  c.PutBytes("ab\0cd", 5);
  LibString s;
  EXPECT_EQ(c.GetStr(s, 0), 9);
  EXPECT_STREQ(s.Get(), "ab");
}

TEST(IStateChunk, ResizeZeroesTheGrownTail)
{
  IStateChunk c;
  c.PutBytes("xy", 2);
  c.Resize(6);
  EXPECT_EQ(std::memcmp(c.GetData(), "xy\0\0\0\0", 6), 0);
}

TEST(IStateChunk, BytesAreReadUpToTheEndAndNoFurther)
{
  IStateChunk c;
  ASSERT_EQ(c.PutBytes("hello", 5), 5);
  char out[6] = "-----";
  EXPECT_EQ(c.GetBytes(out, 3, 1), 4);
  EXPECT_STREQ(out, "ell--");
  EXPECT_EQ(c.GetBytes(out, 2, 3), 5);
  EXPECT_STREQ(out, "lol--");
  EXPECT_EQ(c.GetBytes(out, 0, 5), 5);
  for (const auto& [size, start] :
       {std::pair{3, 3}, std::pair{1, -1}, std::pair{-1, 0}, std::pair{-1, 3}, std::pair{6, 0}})
    EXPECT_EQ(c.GetBytes(out, size, start), -1) << size << " from " << start;
  EXPECT_STREQ(out, "lol--");
}

// A value written at a position lands there when it fits wholly inside the chunk; the chunk never grows by it.
TEST(IStateChunk, PutAtWritesInPlaceOnlyInsideTheChunk)
{
  IStateChunk c;
  ASSERT_EQ(c.PutBytes("abcdefgh", 8), 8);
  const int32_t v = 0x44434241; // "ABCD" in the machine's order here
  EXPECT_TRUE(c.PutAt(&v, 4));
  EXPECT_TRUE(c.PutAt(&v, 0));
  EXPECT_FALSE(c.PutAt(&v, 5));
  EXPECT_FALSE(c.PutAt(&v, -1));
  EXPECT_EQ(c.Size(), 8);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(c.GetData()), 8), "ABCDABCD");
  EXPECT_EQ(c.PutBytes("x", 0), 8);
  EXPECT_EQ(c.PutBytes("x", -1), 8);
  EXPECT_EQ(c.Size(), 8);
}
