// The editor drawn without a display, as the picture tool draws it: once settled, the picture shows the state the
// editor has just been given, whatever the renderer's thread was still doing.
#include <gtest/gtest.h>

#include "effect/DrovikParams.h"
#include "headless_editor.h"

namespace {

/// Pixels of the frame that differ from the other frame inside the rectangle.
int Differing(const HeadlessEditor::Frame& a, const HeadlessEditor::Frame& b, int x0, int y0, int x1, int y1)
{
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      for (int c = 0; c < 4; ++c)
        n += a.bgra[(size_t(y) * size_t(a.width) + size_t(x)) * 4 + size_t(c)] !=
             b.bgra[(size_t(y) * size_t(b.width) + size_t(x)) * 4 + size_t(c)];
  return n;
}

} // namespace

TEST(EditorPicture, ASettledPictureShowsTheStateJustGiven)
{
  HeadlessEditor editor(DROVIK_BUNDLE_DIR);
  ASSERT_TRUE(editor.Open());
  ASSERT_TRUE(editor.Settle());
  const HeadlessEditor::Frame before = editor.LastFrame();
  ASSERT_EQ(before.width, 468);
  for (float bypass : {1.f, 0.f})
  {
    editor.SetParameter(kBypass, bypass);
    ASSERT_TRUE(editor.Settle());
    const HeadlessEditor::Frame& now = editor.LastFrame();
    // The bypass switch (at 403, 274) lights and goes dark again; nothing else of the editor changes meanwhile
    // but the meters' faces, which show the bypassed state.
    if (bypass > 0)
      EXPECT_GT(Differing(before, now, 403, 274, 443, 300), 100);
    else
      EXPECT_EQ(Differing(before, now, 0, 0, 468, 450), 0);
  }
}

// A factory preset loaded by name as the editor opens, as the demo draws its picture, is the editor's current preset:
// its name is drawn in the title strip and the host reads it; a name the factory list does not hold changes nothing.
TEST(EditorPicture, AFactoryPresetLoadedByNameIsShownAsTheCurrentPreset)
{
  HeadlessEditor::Frame opened;
  {
    HeadlessEditor editor(DROVIK_BUNDLE_DIR);
    ASSERT_TRUE(editor.Open());
    EXPECT_FALSE(editor.LoadFactoryPreset("warm"));
    ASSERT_TRUE(editor.Settle());
    opened = editor.LastFrame();
    EXPECT_EQ(editor.ProgramName(), "Init");
  }
  HeadlessEditor editor(DROVIK_BUNDLE_DIR);
  ASSERT_TRUE(editor.Open());
  ASSERT_TRUE(editor.LoadFactoryPreset("Warm"));
  ASSERT_TRUE(editor.Settle());
  EXPECT_EQ(editor.ProgramName(), "Warm");
  // The preset's name (drawn in 151..319 x 8..26) and its saturation controls below the meters differ.
  EXPECT_GT(Differing(opened, editor.LastFrame(), 151, 8, 319, 26), 100);
  EXPECT_GT(Differing(opened, editor.LastFrame(), 0, 236, 468, 450), 100);
}
