// A font list that cannot grow: this program puts its own realloc and free in front of the C library's, so a test
// can refuse the reallocation that makes room for one more font and see which data the stash frees. The font is
// refused as unreadable fonts are, its data freed only when the stash was given it to free, and the stash goes on
// drawing with the fonts it has and takes the font once memory is there again.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "font_stash.h"
#include "tiny_font.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define DROVIK_OWN_REALLOC 0
#else
#define DROVIK_OWN_REALLOC 1
#endif

namespace {

bool gRefuseReallocation = false;
int gRefused = 0;
const void* gWatched = nullptr;
bool gWatchedFreed = false;

} // namespace

#if DROVIK_OWN_REALLOC
extern "C" void* __libc_realloc(void* p, size_t size);
extern "C" void __libc_free(void* p);
extern "C" void* realloc(void* p, size_t size) noexcept
{
  if (gRefuseReallocation)
  {
    ++gRefused;
    return nullptr;
  }
  return __libc_realloc(p, size);
}
extern "C" void free(void* p) noexcept
{
  if (p && p == gWatched) gWatchedFreed = true;
  __libc_free(p);
}
#endif

namespace {

/// A copy of the font's bytes on the heap, as the stash frees data given to it to free.
unsigned char* HeapCopy(const tinyfont::Bytes& bytes)
{
  auto* copy = static_cast<unsigned char*>(malloc(bytes.size()));
  memcpy(copy, bytes.data(), bytes.size());
  return copy;
}

TEST(FontListGrowthFailure, AFontThatFindsNoRoomIsRefusedAndTheStashGoesOn)
{
  if (!DROVIK_OWN_REALLOC) GTEST_SKIP() << "the sanitizers own realloc";
  FontStashParams params;
  params.width = params.height = 256;
  FontStashContext* stash = FontStashCreate(&params);
  ASSERT_NE(stash, nullptr);
  const tinyfont::Bytes face = tinyfont::Face{}.Build();
  const int size = int(face.size());
  const char* names[] = {"first", "second", "third", "fourth"};
  for (int i = 0; i < 4; ++i) ASSERT_EQ(FontStashAddFontMem(stash, names[i], HeapCopy(face), size, 0, 1), i);
  ASSERT_EQ(stash->fontCount, stash->fontCapacity) << "the next font needs a longer list";

  // A font the list has no room for is refused; its data is freed only when the stash was given it to free.
  auto refused = [&](int freeData) {
    unsigned char* data = HeapCopy(face);
    gWatched = data;
    gWatchedFreed = false;
    gRefuseReallocation = true;
    EXPECT_EQ(FontStashAddFontMem(stash, "fifth", data, size, 0, freeData), -1) << freeData;
    gRefuseReallocation = false;
    EXPECT_EQ(gWatchedFreed, freeData != 0) << freeData;
    gWatched = nullptr;
    return data;
  };
  refused(1);
  EXPECT_EQ(gRefused, 1);
  unsigned char* lent = refused(0);
  EXPECT_EQ(gRefused, 2);

  EXPECT_EQ(stash->fontCount, 4);
  EXPECT_EQ(FontStashGetFontByName(stash, "fifth"), -1);
  EXPECT_EQ(FontStashGetFontByName(stash, "fourth"), 3);
  FontStashSetSize(stash, 20);
  FontStashSetFont(stash, 3);
  const float width = FontStashTextBounds(stash, 0, 0, "AB", nullptr, nullptr);
  EXPECT_GT(width, 0.f);

  // With memory again, the lent data makes the fifth font and measures as its twins do.
  EXPECT_EQ(FontStashAddFontMem(stash, "fifth", lent, size, 0, 0), 4);
  EXPECT_EQ(FontStashGetFontByName(stash, "fifth"), 4);
  FontStashSetFont(stash, 4);
  EXPECT_FLOAT_EQ(FontStashTextBounds(stash, 0, 0, "AB", nullptr, nullptr), width);
  // Deleting the stash frees the data it was given and leaves the lent data to the caller.
  gWatched = lent;
  gWatchedFreed = false;
  FontStashDelete(stash);
  EXPECT_FALSE(gWatchedFreed);
  gWatched = nullptr;
  if (!gWatchedFreed) free(lent);
}

} // namespace
