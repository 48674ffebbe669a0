// Text atlases that cannot grow: every allocation above 1 MB fails, so the font stash's atlas stops at
// 1024 x 1024 texels. A failed growth leaves the stash as it was, and text that needed the larger atlas is
// dropped instead of being written past the one it has.
#include <gtest/gtest.h>

#include "font_stash.h"
#include "recording_renderer.h"
#include "tiny_font.h"

namespace {

TEST(AtlasGrowthFailure, AStashThatCannotGrowKeepsItsSize)
{
  FontStashParams params;
  params.width = params.height = 1024;
  params.flags = kFontStashZeroTopLeft;
  FontStashContext* stash = FontStashCreate(&params);
  ASSERT_NE(stash, nullptr);
  EXPECT_EQ(FontStashResetAtlas(stash, 2048, 2048), 0);
  EXPECT_EQ(FontStashExpandAtlas(stash, 2048, 1024), 0);
  int w = 0, h = 0;
  FontStashGetAtlasSize(stash, &w, &h);
  EXPECT_EQ(w, 1024);
  EXPECT_EQ(h, 1024);
  int x = -1, y = -1;
  EXPECT_EQ(FontStashAtlasAddRect(stash->atlas, 1500, 4, &x, &y), 0) << "placed at " << x << "," << y;
  FontStashDelete(stash);
}

TEST(AtlasGrowthFailure, TextThatNeedsALargerAtlasIsDropped)
{
  tinyfont::Bytes font = tinyfont::Face().Build();
  vxtest::Recorder r;
  vxtest::Context c{r};
  const int id = vxAddFontMemory(c.ctx, "tiny", font.data(), static_cast<int>(font.size()), 0);
  ASSERT_GE(id, 0);
  vxBeginFrame(c.ctx, 800, 600, 1.f);
  vxSetFontFaceById(c.ctx, id);
  // An 'A' of about 600 pixels first fits the third atlas (1024 x 1024); the fourth (2048 x 1024) needs 2 MB.
  for (float size : {600.f, 601.f, 602.f, 603.f, 604.f})
  {
    vxSetFontSize(c.ctx, size);
    vxDrawText(c.ctx, 0, 0, "A", nullptr);
  }
  EXPECT_EQ(c.ctx->fontImageIdx, 2);
  int drawn = 0;
  for (const vxtest::RecordedCall& call : r.calls)
    drawn += call.kind == "triangles" && !call.verts.empty();
  EXPECT_EQ(drawn, 1) << "only the glyph of 601 pixels fitted";
}

} // namespace
