// Primitive scenes drawn twice from one description: by our renderer (the headless graphics context over Vexel and
// the CPU Metal stand-in) and by Cairo, an independent rasteriser. A wrong winding rule, a gradient running the
// wrong way, a half-pixel offset or a wrong join shows as a difference, whatever the golden images say.
//
// The measure, per scene: the mean absolute difference over every pixel and colour channel is at most 2/255, and
// no channel of either image lies outside the range the other image has in the 3 x 3 pixels around it (give or
// take 6 levels, for corners where two anti-aliased edges meet). Away from edges that range is a single value, so
// every pixel there must match; along an edge it spans both sides, which is what two anti-aliasing schemes may
// differ by. The range is checked both ways so
// that a feature one image lacks is caught even where it is thin. A half-pixel shift stays inside the ranges but
// raises the mean well past 2/255 on these edge-rich scenes.
//
// Text is rasterised by different glyph renderers (our font stash against FreeType), and both put glyphs on whole
// pixels (ours truncating the pen position, Cairo rounding it), so it has a looser measure of its own: the same
// ink to within 8 %, the ink's bounding box to within one pixel and its horizontal centre to within half a pixel.
#include <cairo-ft.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <cmath>
#include <functional>
#include <vector>

#include "headless_fixture.h"
#include "vexel.h"

using namespace headlesstest;

namespace {

constexpr int kWidth = 64, kHeight = 48;
constexpr const char* kRobotoFile = "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf";
const IColor kRed(255, 220, 40, 40), kBlue(255, 40, 60, 220), kGreen(255, 40, 170, 80), kBlack(255, 0, 0, 0),
  kWhite(255, 255, 255, 255);

/// The 8 x 8 image of the image scenes: four coloured quarters and a dark diagonal.
IColor ImagePixel(int x, int y)
{
  if (x == y) return kBlack;
  return x < 4 ? (y < 4 ? kRed : kGreen) : (y < 4 ? kBlue : kWhite);
}

/// What a scene draws with. Sub-paths are closed polygons or open polylines; a fill makes every sub-path solid
/// except, when asked, the last one, which becomes a hole.
class Canvas
{
public:
  virtual ~Canvas() = default;
  virtual void Polygon(const std::vector<float>& xy) = 0;
  virtual void Polyline(const std::vector<float>& xy) = 0;
  virtual void Fill(const IColor& c, bool lastIsHole = false) = 0;
  virtual void Stroke(const IColor& c, float width, int cap, int join) = 0;
  virtual void DashedLine(const IColor& c, float x1, float y1, float x2, float y2, float width, float dash) = 0;
  /// Fills r with a gradient from c0 at x0 to c1 at x1, level outside.
  virtual void LinearFill(const IRECT& r, float x0, float x1, const IColor& c0, const IColor& c1) = 0;
  /// Fills r with a gradient from c0 at (cx, cy) to c1 at radius and beyond.
  virtual void RadialFill(const IRECT& r, float cx, float cy, float radius, const IColor& c0, const IColor& c1) = 0;
  /// The 8 x 8 image stretched over r.
  virtual void Image(const IRECT& r) = 0;
  virtual void Text(float size, float x, float top, const char* str) = 0;
  /// Clips what follows to a w x h rectangle centred on (cx, cy), turned by angle degrees.
  virtual void RotatedClip(float cx, float cy, float angle, float w, float h) = 0;
};

class OurCanvas : public Canvas
{
public:
  explicit OurCanvas(IGraphics& g) : g(g) {}
  void Polygon(const std::vector<float>& xy) override
  {
    Polyline(xy);
    g.PathClose();
  }
  void Polyline(const std::vector<float>& xy) override
  {
    g.PathMoveTo(xy[0], xy[1]);
    for (size_t i = 2; i + 1 < xy.size(); i += 2) g.PathLineTo(xy[i], xy[i + 1]);
  }
  void Fill(const IColor& c, bool lastIsHole) override
  {
    IFillStyle options;
    options.mFillRule = lastIsHole ? kFillHole : kFillSolid;
    g.PathFill(IPaintPattern(c), options);
  }
  void Stroke(const IColor& c, float width, int cap, int join) override
  {
    IStrokeStyle options;
    options.mLineCap = cap, options.mLineJoin = join;
    g.PathStroke(IPaintPattern(c), width, options);
  }
  void DashedLine(const IColor& c, float x1, float y1, float x2, float y2, float width, float dash) override
  {
    g.DrawDottedLine(c, x1, y1, x2, y2, nullptr, width, dash);
  }
  void LinearFill(const IRECT& r, float x0, float x1, const IColor& c0, const IColor& c1) override
  {
    IPaintPattern p = Stops(kLinearPattern, c0, c1);
    p.mTransform = IMatrix(0, 1.0 / (x1 - x0), 1, 0, 0, -x0 / (x1 - x0)); // pattern y runs along x
    g.PathRect(r);
    g.PathFill(p);
  }
  void RadialFill(const IRECT& r, float cx, float cy, float radius, const IColor& c0, const IColor& c1) override
  {
    IPaintPattern p = Stops(kRadialPattern, c0, c1);
    p.mTransform = IMatrix(1 / radius, 0, 0, 1 / radius, -cx / radius, -cy / radius);
    g.PathRect(r);
    g.PathFill(p);
  }
  void Image(const IRECT& r) override { g.DrawFittedBitmap(g.LoadBitmap("image.png"), r); }
  void Text(float size, float x, float top, const char* str) override
  {
    g.DrawText(IText(size, kBlack, "Roboto-Regular", kAlignNear, kVAlignTop), str, IRECT(x, top, kWidth, kHeight));
  }
  void RotatedClip(float cx, float cy, float angle, float w, float h) override
  {
    // The graphics context clips to upright rectangles only: the turned one is set on the renderer itself.
    auto* vg = static_cast<VXcontext*>(g.GetDrawContext());
    vxTranslate(vg, cx, cy);
    vxRotate(vg, angle / 180.f * 3.14159265f);
    vxSetScissor(vg, -w / 2, -h / 2, w, h);
    g.PathTransformReset();
  }

private:
  static IPaintPattern Stops(int type, const IColor& c0, const IColor& c1)
  {
    IPaintPattern p(c0);
    p.mType = type;
    p.mNStops = 2;
    p.mStops[1] = {c1, 1.f};
    return p;
  }
  IGraphics& g;
};

class CairoCanvas : public Canvas
{
public:
  explicit CairoCanvas(cairo_t* cr) : cr(cr) {}
  void Polygon(const std::vector<float>& xy) override { mPaths.push_back({xy, true}); }
  void Polyline(const std::vector<float>& xy) override { mPaths.push_back({xy, false}); }
  void Fill(const IColor& c, bool lastIsHole) override
  {
    // Solid sub-paths are wound one way and holes the other; the non-zero rule then fills as our renderer does.
    for (size_t i = 0; i < mPaths.size(); ++i)
    {
      std::vector<float> xy = mPaths[i].xy;
      const bool hole = lastIsHole && i + 1 == mPaths.size();
      if ((Area(xy) > 0) == hole) Reverse(xy);
      AddPath(xy, true);
    }
    mPaths.clear();
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    SetColor(c);
    cairo_fill(cr);
  }
  void Stroke(const IColor& c, float width, int cap, int join) override
  {
    static const cairo_line_cap_t kCaps[] = {CAIRO_LINE_CAP_BUTT, CAIRO_LINE_CAP_ROUND, CAIRO_LINE_CAP_SQUARE};
    static const cairo_line_join_t kJoins[] = {CAIRO_LINE_JOIN_MITER, CAIRO_LINE_JOIN_ROUND, CAIRO_LINE_JOIN_BEVEL};
    for (const Path& p : mPaths) AddPath(p.xy, p.closed);
    mPaths.clear();
    cairo_set_line_width(cr, width);
    cairo_set_line_cap(cr, kCaps[cap]);
    cairo_set_line_join(cr, kJoins[join]);
    cairo_set_miter_limit(cr, 10);
    SetColor(c);
    cairo_stroke(cr);
  }
  void DashedLine(const IColor& c, float x1, float y1, float x2, float y2, float width, float dash) override
  {
    const double segment = std::hypot(x2 - x1, y2 - y1) / std::round(std::hypot(x2 - x1, y2 - y1) / dash);
    const double dashes[2] = {segment, segment};
    cairo_set_dash(cr, dashes, 2, 0);
    Polyline({x1, y1, x2, y2});
    Stroke(c, width, kCapButt, kJoinMiter);
    cairo_set_dash(cr, nullptr, 0, 0);
  }
  void LinearFill(const IRECT& r, float x0, float x1, const IColor& c0, const IColor& c1) override
  {
    PatternFill(r, cairo_pattern_create_linear(x0, 0, x1, 0), c0, c1);
  }
  void RadialFill(const IRECT& r, float cx, float cy, float radius, const IColor& c0, const IColor& c1) override
  {
    PatternFill(r, cairo_pattern_create_radial(cx, cy, 0, cx, cy, radius), c0, c1);
  }
  void Image(const IRECT& r) override
  {
    cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 8, 8);
    cairo_surface_flush(image);
    unsigned char* data = cairo_image_surface_get_data(image);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x)
      {
        const IColor c = ImagePixel(x, y);
        reinterpret_cast<uint32_t*>(data + y * cairo_image_surface_get_stride(image))[x] =
          0xFF000000u | uint32_t(c.mRed) << 16 | uint32_t(c.mGreen) << 8 | uint32_t(c.mBlue);
      }
    cairo_surface_mark_dirty(image);
    cairo_save(cr);
    cairo_translate(cr, r.mLeft, r.mTop);
    cairo_scale(cr, r.W() / 8.0, r.H() / 8.0);
    cairo_set_source_surface(cr, image, 0, 0);
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_BILINEAR);
    cairo_rectangle(cr, 0, 0, 8, 8);
    cairo_fill(cr);
    cairo_restore(cr);
    cairo_surface_destroy(image);
  }
  void Text(float size, float x, float top, const char* str) override
  {
    // The very file our renderer loads (Cairo's own choice for the family "Roboto" can be another weight).
    // Our font size is the height from descender to ascender; Cairo's is the em.
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FILE, reinterpret_cast<const FcChar8*>(kRobotoFile));
    FcPatternAddInteger(pattern, FC_INDEX, 0);
    cairo_font_face_t* face = cairo_ft_font_face_create_for_pattern(pattern);
    FcPatternDestroy(pattern);
    cairo_set_font_face(cr, face);
    cairo_font_face_destroy(face);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
    cairo_set_font_size(cr, 100);
    cairo_font_extents_t e;
    cairo_font_extents(cr, &e);
    const double em = 100 * size / (e.ascent + e.descent);
    cairo_set_font_size(cr, em);
    SetColor(kBlack);
    cairo_move_to(cr, x, top + e.ascent * em / 100);
    cairo_show_text(cr, str);
  }
  void RotatedClip(float cx, float cy, float angle, float w, float h) override
  {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_rotate(cr, angle / 180.0 * M_PI);
    cairo_rectangle(cr, -w / 2, -h / 2, w, h);
    cairo_restore(cr);
    cairo_clip(cr);
  }

private:
  struct Path
  {
    std::vector<float> xy;
    bool closed;
  };
  static double Area(const std::vector<float>& xy)
  {
    double a = 0;
    for (size_t i = 0, n = xy.size(); i < n; i += 2)
      a += double(xy[i]) * xy[(i + 3) % n] - double(xy[(i + 2) % n]) * xy[i + 1];
    return a / 2;
  }
  static void Reverse(std::vector<float>& xy)
  {
    for (size_t i = 0, j = xy.size() - 2; i < j; i += 2, j -= 2) std::swap(xy[i], xy[j]), std::swap(xy[i + 1], xy[j + 1]);
  }
  void AddPath(const std::vector<float>& xy, bool closed)
  {
    cairo_move_to(cr, xy[0], xy[1]);
    for (size_t i = 2; i + 1 < xy.size(); i += 2) cairo_line_to(cr, xy[i], xy[i + 1]);
    if (closed) cairo_close_path(cr);
  }
  void SetColor(const IColor& c)
  {
    cairo_set_source_rgba(cr, c.mRed / 255.0, c.mGreen / 255.0, c.mBlue / 255.0, c.mAlpha / 255.0);
  }
  void PatternFill(const IRECT& r, cairo_pattern_t* p, const IColor& c0, const IColor& c1)
  {
    for (const auto& [offset, c] : {std::pair<double, IColor>{0, c0}, {1, c1}})
      cairo_pattern_add_color_stop_rgba(p, offset, c.mRed / 255.0, c.mGreen / 255.0, c.mBlue / 255.0, c.mAlpha / 255.0);
    cairo_pattern_set_extend(p, CAIRO_EXTEND_PAD);
    cairo_set_source(cr, p);
    cairo_rectangle(cr, r.mLeft, r.mTop, r.W(), r.H());
    cairo_fill(cr);
    cairo_pattern_destroy(p);
  }
  cairo_t* cr;
  std::vector<Path> mPaths;
};

using Scene = std::function<void(Canvas&)>;

/// Convex and concave shapes (a self-crossing star, an arrow), solid; a square and the arrow each with a
/// shape inside them, the inner one solid (so filled) or a hole.
Scene Fills(bool innerIsHole)
{
  return [innerIsHole](Canvas& c) {
    c.Polygon({4, 4, 26, 6, 22, 22, 6, 18});
    c.Fill(kBlue);
    c.Polygon({44, 2, 49.3f, 18.5f, 35.4f, 8.3f, 52.6f, 8.3f, 38.7f, 18.5f});
    c.Fill(kRed);
    c.Polygon({4, 26, 20, 26, 20, 34, 28, 34, 12, 45, 12, 40, 4, 40});
    c.Polygon({7, 29, 15, 29, 7, 37});
    c.Fill(kGreen, innerIsHole);
    c.Polygon({34, 24, 60, 24, 60, 46, 34, 46});
    c.Polygon({40, 30, 54, 30, 54, 40, 40, 40});
    c.Fill(kBlue, innerIsHole);
  };
}

/// A bent line for each join and a straight one for each cap, six wide, and a dashed line.
void Strokes(Canvas& c)
{
  for (int join = kJoinMiter; join <= kJoinBevel; ++join)
  {
    const float x = 6 + 20.f * join;
    c.Polyline({x, 18, x + 6, 5, x + 12, 18});
    c.Stroke(kBlue, 5, kCapButt, join);
  }
  for (int cap = kCapButt; cap <= kCapSquare; ++cap)
  {
    c.Polyline({8, 26 + 6.f * cap, 36, 26 + 6.f * cap});
    c.Stroke(kRed, 4, cap, kJoinMiter);
  }
  c.DashedLine(kBlack, 8, 44, 56, 44, 2, 4);
  c.Polyline({44, 26, 58, 26, 51, 38});
  c.Polygon({44, 26, 58, 26, 51, 38});
  c.Stroke(kGreen, 2, kCapButt, kJoinMiter);
}

void Gradients(Canvas& c)
{
  c.LinearFill(IRECT(2, 2, 62, 20), 10, 54, kRed, kBlue);
  c.RadialFill(IRECT(2, 24, 62, 46), 32, 35, 20, kWhite, kGreen);
}

void Images(Canvas& c)
{
  c.Image(IRECT(4, 4, 12, 12));  // as it is
  c.Image(IRECT(20, 4, 44, 44)); // three times its size
}

void RotatedClip(Canvas& c)
{
  c.RotatedClip(32, 24, 30, 40, 16);
  c.Polygon({0, 0, 64, 0, 64, 48, 0, 48});
  c.Fill(kBlue);
  c.Polygon({0, 20, 64, 20, 64, 28, 0, 28});
  c.Fill(kRed);
}

void TextLine(Canvas& c) { c.Text(20, 4, 12, "Drovik"); }

struct RenderedPair
{
  IGraphicsHeadless::Frame ours;
  std::vector<uint8_t> cairo; // RGBA
  int Ours(int x, int y, int ch) const { return ours.At(x, y)[ch]; }
  int Cairo(int x, int y, int ch) const { return cairo[(size_t(y) * kWidth + x) * 4 + ch]; }
};

class CairoReference : public Headless
{
protected:
  RenderedPair Draw(const Scene& scene)
  {
    WriteImageOnce();
    RenderedPair images;
    Open(kWidth, kHeight, [&scene](IGraphics& g, const IRECT&) {
      OurCanvas canvas(g);
      scene(canvas);
    });
    mGraphics->LoadFont("Roboto-Regular", "Roboto-Regular.ttf");
    images.ours = Render();

    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    CairoCanvas canvas(cr);
    scene(canvas);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x)
      {
        const uint32_t p = reinterpret_cast<const uint32_t*>(data + y * cairo_image_surface_get_stride(surface))[x];
        images.cairo.insert(images.cairo.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), uint8_t(p >> 24)});
      }
    cairo_surface_destroy(surface);
    return images;
  }
  void WriteImageOnce()
  {
    if (!mImageWritten)
      mImageWritten = WriteTestPng(mResources + "/image.png", 8, 8, ImagePixel);
    EXPECT_TRUE(mImageWritten);
  }
  bool mImageWritten = false;
};

/// Empty when the images agree by the measure above; else what disagrees.
std::string Disagreement(const RenderedPair& im)
{
  auto outside = [](const std::function<int(int, int)>& a, const std::function<int(int, int)>& b, int x, int y) {
    int lo = 255, hi = 0;
    for (int v = std::max(0, y - 1); v <= std::min(kHeight - 1, y + 1); ++v)
      for (int u = std::max(0, x - 1); u <= std::min(kWidth - 1, x + 1); ++u)
        lo = std::min(lo, b(u, v)), hi = std::max(hi, b(u, v));
    return a(x, y) < lo - 6 || a(x, y) > hi + 6;
  };
  double sum = 0;
  std::string worst;
  for (int ch = 0; ch < 3; ++ch)
  {
    auto ours = [&](int x, int y) { return im.Ours(x, y, ch); };
    auto cairo = [&](int x, int y) { return im.Cairo(x, y, ch); };
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x)
      {
        sum += std::abs(ours(x, y) - cairo(x, y));
        if (worst.empty() && (outside(ours, cairo, x, y) || outside(cairo, ours, x, y)))
          worst = "pixel " + std::to_string(x) + "," + std::to_string(y) + " channel " + std::to_string(ch) +
                  ": ours " + std::to_string(ours(x, y)) + ", Cairo " + std::to_string(cairo(x, y));
      }
  }
  const double mean = sum / (3.0 * kWidth * kHeight);
  if (mean > 2.0) return "mean difference " + std::to_string(mean) + "/255; " + worst;
  return worst;
}

TEST_F(CairoReference, PrimitiveScenesAgreeWithAnIndependentRenderer)
{
  const std::pair<const char*, Scene> scenes[] = {
    {"fills, inner shapes solid", Fills(false)}, {"fills, inner shapes holes", Fills(true)},
    {"strokes", Strokes}, {"gradients", Gradients}, {"images", Images}, {"rotated clip", RotatedClip},
  };
  for (const auto& [name, scene] : scenes)
    EXPECT_EQ(Disagreement(Draw(scene)), "") << name;
}

TEST_F(CairoReference, ALineOfTextHasTheSameInkInTheSamePlace)
{
  const RenderedPair im = Draw(TextLine);
  struct Ink
  {
    double total = 0, sumX = 0;
    int left = kWidth, right = -1, top = kHeight, bottom = -1;
  } ink[2];
  for (int which = 0; which < 2; ++which)
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x)
      {
        const int dark = 255 - (which ? im.Cairo(x, y, 1) : im.Ours(x, y, 1));
        Ink& k = ink[which];
        k.total += dark, k.sumX += dark * (x + 0.5);
        if (dark > 64)
          k.left = std::min(k.left, x), k.right = std::max(k.right, x), k.top = std::min(k.top, y),
          k.bottom = std::max(k.bottom, y);
      }
  ASSERT_GT(ink[1].total, 0);
  EXPECT_NEAR(ink[0].total / ink[1].total, 1.0, 0.08);
  EXPECT_NEAR(ink[0].sumX / ink[0].total, ink[1].sumX / ink[1].total, 0.5);
  EXPECT_NEAR(ink[0].left, ink[1].left, 1);
  EXPECT_NEAR(ink[0].right, ink[1].right, 1);
  EXPECT_NEAR(ink[0].top, ink[1].top, 1);
  EXPECT_NEAR(ink[0].bottom, ink[1].bottom, 1);
}

} // namespace
