// LibString::SetRange with bytes of the old text kept behind the new ones.
#include <gtest/gtest.h>

#include "core/LibString.h"

TEST(LibStringRange, KeptBytesMoveBehindTheNewOnes)
{
  const struct
  {
    const char* before;
    int offset;
    const char* text;
    int length, keep;
    const char* after;
  } cases[] = {
    {"hello", 1, "ABCDE", 5, 3, "hABCDEell"}, // offset + length reaches past the old text
    {"hello", 1, "AB", 2, 3, "hABell"},
    {"hello", 0, "XY", 2, 5, "XYhello"},
    {"hello", 2, "Z", 1, 0, "heZ"},
    {"hello", 0, "", 0, 0, ""},      // nothing at the start, nothing kept: cleared
    {"hello", 0, "", 0, 3, "hello"}, // nothing written, or not at the start: unchanged
    {"hello", 2, "", 0, 0, "hello"},
  };
  for (const auto& c : cases)
  {
    plug::LibString s(c.before);
    s.SetRange(c.offset, c.text, c.length, c.keep);
    EXPECT_STREQ(s.Get(), c.after) << c.before << " " << c.offset << " " << c.text;
  }
  // No text compares as the empty one.
  EXPECT_TRUE(plug::LibString() == nullptr);
  EXPECT_FALSE(plug::LibString("a") == nullptr);
}
