// Path-based drawing: the primitive sequences drawing operations become, transforms that compose in local
// coordinates, clip regions, SVG images drawn shape by shape with holes found by ray crossings, and degenerate
// input that draws nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "graphics/overlay/IBubbleControl.h"
#include "path_recorder.h"
#include "svg/svg_image.h"
#include "test_controls.h"
#include "test_delegate.h"
#include "text_golden.h"

using namespace graphicstest;
using Log = std::vector<std::string>;

namespace {

class PathBase : public ::testing::Test
{
protected:
  /// The log of what op draws.
  template <class Op>
  Log Draw(Op op)
  {
    g.mLog.clear();
    op();
    return g.mLog;
  }
  /// The log of an SVG text drawn into bounds.
  Log DrawSvgText(std::string text, const IRECT& bounds)
  {
    text.push_back('\0');
    SvgImage* image = SvgParse(text.data(), "px", 96.f);
    Log log = Draw([&] { g.DrawSVG(ISVG(image), bounds); });
    SvgDeleteImage(image);
    return log;
  }

  TestDelegate delegate;
  PathRecorder g{delegate, 100, 100};
};

} // namespace

TEST_F(PathBase, ShapesBecomeTheirPrimitiveSequences)
{
  EXPECT_EQ(Draw([&] { g.FillRoundRect(IColor(), IRECT(0, 0, 20, 10), 0.f); }),
            (Log{"clear", "M 0 0", "L 20 0", "L 20 10", "L 0 10", "Z", "fill 0"}));
  // Radii top-left, top-right, bottom-left, bottom-right: only the corner given a radius is rounded.
  EXPECT_EQ(Draw([&] { g.DrawRoundRect(IColor(), IRECT(0, 0, 20, 10), 5.f, 0.f, 0.f, 0.f, nullptr, 2.f); }),
            (Log{"clear", "M 0 5", "A 5 5 5 270 360", "A 20 0 0 0 90", "A 20 10 0 90 180", "A 0 10 0 180 270", "Z",
                 "stroke 2"}));
  EXPECT_EQ(Draw([&] { g.FillRoundRect(IColor(), IRECT(0, 0, 20, 10), 0.f, 0.f, 4.f, 0.f); }),
            (Log{"clear", "M 0 0", "A 0 0 0 270 360", "A 20 0 0 0 90", "A 20 10 0 90 180", "A 4 6 4 180 270", "Z",
                 "fill 0"}));
  EXPECT_EQ(Draw([&] { g.FillRoundRect(IColor(), IRECT(0, 0, 20, 10), 0.f, 0.f, 0.f, 3.f); }),
            (Log{"clear", "M 0 0", "A 0 0 0 270 360", "A 20 0 0 0 90", "A 17 7 3 90 180", "A 0 10 0 180 270", "Z",
                 "fill 0"}));
  EXPECT_EQ(Draw([&] { g.DrawCircle(IColor(), 50, 40, 10); }),
            (Log{"clear", "M 50 30", "A 50 40 10 0 360", "Z", "stroke 1"}));
  EXPECT_EQ(Draw([&] { g.FillArc(IColor(), 50, 40, 10, 0, 90); }),
            (Log{"clear", "M 50 40", "A 50 40 10 0 90", "Z", "fill 0"}));
  EXPECT_EQ(Draw([&] { g.DrawPoint(IColor(), 3, 4); }),
            (Log{"clear", "M 3 4", "L 4 4", "L 4 5", "L 3 5", "Z", "fill 0"}));
}

// Arguments left out, through this context or through the graphics interface, are those spelled out here: no blend,
// thickness 1, dashes of 2, no angle, a corner radius of 5 for a frame and none for a sub-path.
TEST_F(PathBase, LeftOutArgumentsDrawAsTheirDefaults)
{
  const IColor c(255, 1, 2, 3);
  const IRECT r(10, 10, 50, 40);
  float xs[3] = {0.f, 10.f, 5.f}, ys[3] = {0.f, 0.f, 8.f};
  auto same = [&](auto defaulted, auto spelledOut) {
    const Log want = Draw([&] { spelledOut(g); });
    EXPECT_EQ(Draw([&] { defaulted(g); }), want);
    EXPECT_EQ(Draw([&] { defaulted(static_cast<IGraphics&>(g)); }), want);
  };
  same([&](auto& x) { x.DrawLine(c, 1, 2, 30, 40); }, [&](auto& x) { x.DrawLine(c, 1, 2, 30, 40, nullptr, 1.f); });
  same([&](auto& x) { x.DrawDottedLine(c, 1, 2, 30, 40); },
       [&](auto& x) { x.DrawDottedLine(c, 1, 2, 30, 40, nullptr, 1.f, 2.f); });
  same([&](auto& x) { x.DrawTriangle(c, 0, 0, 9, 0, 4, 7); },
       [&](auto& x) { x.DrawTriangle(c, 0, 0, 9, 0, 4, 7, nullptr, 1.f); });
  same([&](auto& x) { x.DrawRect(c, r); }, [&](auto& x) { x.DrawRect(c, r, nullptr, 1.f); });
  same([&](auto& x) { x.DrawRoundRect(c, r); }, [&](auto& x) { x.DrawRoundRect(c, r, 5.f, nullptr, 1.f); });
  same([&](auto& x) { x.DrawRoundRect(c, r, 1, 2, 3, 4); },
       [&](auto& x) { x.DrawRoundRect(c, r, 1, 2, 3, 4, nullptr, 1.f); });
  same([&](auto& x) { x.DrawArc(c, 20, 20, 9, 10, 100); },
       [&](auto& x) { x.DrawArc(c, 20, 20, 9, 10, 100, nullptr, 1.f); });
  same([&](auto& x) { x.DrawEllipse(c, r); }, [&](auto& x) { x.DrawEllipse(c, r, nullptr, 1.f); });
  same([&](auto& x) { x.DrawEllipse(c, 20, 20, 9, 5); },
       [&](auto& x) { x.DrawEllipse(c, 20, 20, 9, 5, 0.f, nullptr, 1.f); });
  same([&](auto& x) { x.FillEllipse(c, 20, 20, 9, 5); }, [&](auto& x) { x.FillEllipse(c, 20, 20, 9, 5, 0.f); });
  same([&](auto& x) { x.DrawConvexPolygon(c, xs, ys, 3); },
       [&](auto& x) { x.DrawConvexPolygon(c, xs, ys, 3, nullptr, 1.f); });
  same([&](auto& x) { x.DrawDottedRect(c, r); }, [&](auto& x) { x.DrawDottedRect(c, r, nullptr, 1.f, 2.f); });
  same([&](auto& x) { x.DrawGrid(c, r, 10, 10); }, [&](auto& x) { x.DrawGrid(c, r, 10, 10, nullptr, 1.f); });
  same([&](auto& x) { x.DrawData(c, r, ys, 3); }, [&](auto& x) { x.DrawData(c, r, ys, 3, nullptr, nullptr, 1.f); });
  same([&](auto& x) { x.PathRoundRect(r); }, [&](auto& x) { x.PathRoundRect(r, 0.f); });
  same([&](auto& x) { x.PathEllipse(20, 20, 9, 5); }, [&](auto& x) { x.PathEllipse(20, 20, 9, 5, 0.f); });
}

TEST_F(PathBase, GridLinesLieInsideTheBoundsOnly)
{
  EXPECT_EQ(Draw([&] { g.DrawGrid(IColor(), IRECT(0, 0, 100, 100), 25.f, 25.f); }),
            (Log{"clear", "M 25 0", "L 25 100", "M 50 0", "L 50 100", "M 75 0", "L 75 100", "M 0 25", "L 100 25",
                 "M 0 50", "L 100 50", "M 0 75", "L 100 75", "stroke 1"}));
  EXPECT_EQ(Draw([&] { g.DrawGrid(IColor(), IRECT(0, 0, 100, 100), 1.f, 0.5f); }), (Log{"clear", "stroke 1"}));
}

TEST_F(PathBase, DataPointsSpreadAcrossTheBounds)
{
  float ys[3] = {0.f, 1.f, 0.5f};
  EXPECT_EQ(Draw([&] { g.DrawData(IColor(), IRECT(10, 0, 110, 50), ys, 3); }),
            (Log{"clear", "M 10 50", "L 60 0", "L 110 25", "stroke 1"}));
}

TEST_F(PathBase, DashedLinesOfNoPositiveLengthAreSolid)
{
  EXPECT_EQ(Draw([&] { g.DrawDottedLine(IColor(), 0, 0, 10, 0, nullptr, 1.f, 2.f); }),
            (Log{"clear", "M 0 0", "L 10 0", "stroke 1 dash 2"}));
  for (float dash : {0.f, -3.f, std::nanf("")})
    EXPECT_EQ(Draw([&] { g.DrawDottedRect(IColor(), IRECT(0, 0, 4, 4), nullptr, 1.f, dash); }).back(), "stroke 1");
}

TEST_F(PathBase, RestoreOnAnEmptyStackChangesNothing)
{
  g.PathTransformSave();
  g.PathTransformTranslate(5.f, 5.f);
  g.PathTransformSave();
  g.PathTransformRestore();
  g.PathTransformRestore();
  EXPECT_EQ(g.GetTransform().mTX, 0.0);
  EXPECT_EQ(Draw([&] { g.PathTransformRestore(); }), Log{});
}

TEST_F(PathBase, EllipsesAreUnitCirclesUnderATransformThatIsUndoneAfterwards)
{
  EXPECT_EQ(Draw([&] { g.FillEllipse(IColor(), IRECT(0, 0, 40, 20)); }),
            (Log{"clear", "T 1 0 0 1 20 10", "T 1 0 0 1 20 10", "T 20 0 0 10 20 10", "M 0 -1", "A 0 0 1 0 360", "Z",
                 "T 1 0 0 1 0 0", "fill 0"}));
  g.PathTransformTranslate(3.f, 0.f);
  EXPECT_EQ(Draw([&] { g.DrawEllipse(IColor(), 10, 10, 0.f, 5.f); }), (Log{"clear", "stroke 1"}));
  EXPECT_EQ(g.GetTransform().mTX, 3.0);
  EXPECT_EQ(g.TransformStackDepth(), 0);
}

// On a screen whose y grows downwards: a skew across leans what lies below to the right, a skew down moves what
// lies to the right downwards, and a positive rotation turns clockwise.
TEST_F(PathBase, SkewsLeanAndRotationsTurnTheWayTheirAnglesSay)
{
  struct Case
  {
    const char* what;
    std::function<void()> apply;
    float x, y;         // a point of the path
    float wantX, wantY; // where it is drawn
  } cases[] = {
    {"skew across, below", [&] { g.PathTransformSkew(45.f, 0.f); }, 0.f, 10.f, 10.f, 10.f},
    {"skew across, beside", [&] { g.PathTransformSkew(45.f, 0.f); }, 10.f, 0.f, 10.f, 0.f},
    {"skew down, beside", [&] { g.PathTransformSkew(0.f, 45.f); }, 10.f, 0.f, 10.f, 10.f},
    {"skew down, below", [&] { g.PathTransformSkew(0.f, 45.f); }, 0.f, 10.f, 0.f, 10.f},
    {"quarter turn", [&] { g.PathTransformRotate(90.f); }, 10.f, 0.f, 0.f, 10.f},
  };
  for (const Case& k : cases)
  {
    g.PathTransformReset();
    k.apply();
    const IMatrix& m = g.GetTransform();
    EXPECT_NEAR(m.mXX * k.x + m.mXY * k.y + m.mTX, k.wantX, 1e-4) << k.what;
    EXPECT_NEAR(m.mYX * k.x + m.mYY * k.y + m.mTY, k.wantY, 1e-4) << k.what;
  }
}

TEST_F(PathBase, ClipsLieWithinTheRegionBeingDrawn)
{
  g.PrepareRegion(IRECT(10, 10, 50, 50));
  g.PathTransformTranslate(7.f, 0.f);
  EXPECT_EQ(Draw([&] { g.PathClipRegion(); }), (Log{"T 1 0 0 1 0 0", "clip 10 10 50 50", "T 1 0 0 1 7 0"}));
  EXPECT_EQ(Draw([&] { g.PathClipRegion(IRECT(40, 0, 90, 20)); })[1], "clip 40 10 50 20");
  EXPECT_EQ(Draw([&] { g.PathClipRegion(IRECT(60, 60, 90, 90)); })[1], "clip 0 0 0 0");

  ILayer layer(nullptr, IRECT(0, 0, 30, 30), nullptr, IRECT());
  g.PushLayerForTest(&layer);
  EXPECT_EQ(Draw([&] { g.PathClipRegion(IRECT(20, 20, 90, 90)); })[1], "clip 20 20 30 30");
  g.PopLayerForTest();
}

TEST_F(PathBase, RegionsStartWithAFreshTransformAndPath)
{
  g.PathTransformSave();
  g.PathTransformScale(3.f);
  EXPECT_EQ(Draw([&] { g.PrepareRegion(IRECT(0, 0, 5, 5)); }), (Log{"T 1 0 0 1 0 0", "clear", "clip 0 0 5 5"}));
  EXPECT_EQ(g.TransformStackDepth(), 0);
}

// A layer is drawn from the identity, but the transforms saved before it are there to restore after it.
TEST_F(PathBase, LayersStartFromTheIdentityAndKeepTheSavedTransforms)
{
  g.PathTransformTranslate(4.f, 0.f);
  g.PathTransformSave();
  g.PathTransformScale(2.f);
  g.StartLayer(nullptr, IRECT(0, 0, 10, 10));
  EXPECT_EQ(g.GetTransform().mXX, 1.0);
  EXPECT_EQ(g.GetTransform().mTX, 0.0);
  g.PathTransformSave();
  const ILayerPtr layer = g.EndLayer();
  EXPECT_EQ(g.TransformStackDepth(), 2);
  g.PathTransformRestore();
  g.PathTransformRestore();
  EXPECT_EQ(g.GetTransform().mTX, 4.0);
  EXPECT_EQ(g.GetTransform().mXX, 1.0);
}

TEST_F(PathBase, BitmapsArePlacedThroughTheTransform)
{
  APIBitmap api(nullptr, 20, 10, 2, 1.f);
  IBitmap bitmap(&api, 1, false);
  ASSERT_EQ(bitmap.W(), 10);
  EXPECT_EQ(Draw([&] { g.DrawFittedBitmap(bitmap, IRECT(5, 5, 25, 10)); }),
            (Log{"T 1 0 0 1 5 5", "T 2 0 0 1 5 5", "bitmap 0 0 10 5", "T 1 0 0 1 0 0"}));
}

TEST_F(PathBase, DegenerateInputDrawsNothing)
{
  float xs[1] = {1.f}, ys[1] = {2.f};
  APIBitmap empty(nullptr, 0, 0, 1, 1.f);
  const IBitmap zeroSize(&empty, 1, false);
  EXPECT_EQ(Draw([&] { g.FillConvexPolygon(IColor(), xs, ys, 0); }), Log{});
  EXPECT_EQ(Draw([&] { g.DrawConvexPolygon(IColor(), nullptr, ys, 1); }), Log{});
  EXPECT_EQ(Draw([&] { g.DrawData(IColor(), IRECT(0, 0, 9, 9), ys, 0); }), Log{});
  EXPECT_EQ(Draw([&] { g.DrawFittedBitmap(zeroSize, IRECT(0, 0, 9, 9)); }), Log{});
  EXPECT_EQ(Draw([&] { g.DrawRotatedBitmap(IBitmap(), 5, 5, 30.0); }), Log{});
  EXPECT_EQ(Draw([&] { g.DrawSVG(ISVG(), IRECT(0, 0, 9, 9)); }), Log{});
  SvgImage zeroSizeImage{0.f, 0.f, nullptr};
  EXPECT_EQ(Draw([&] { g.DrawSVG(ISVG(&zeroSizeImage), IRECT(0, 0, 9, 9)); }), Log{});
  // Bounds with any side at infinity or not a number place nothing, not even the transforms.
  SvgImage tenSquare{10.f, 10.f, nullptr};
  for (int side = 0; side < 4; ++side)
    for (float bad : {INFINITY, -INFINITY, NAN})
    {
      float sides[4] = {0.f, 0.f, 9.f, 9.f};
      sides[side] = bad;
      const IRECT bounds(sides[0], sides[1], sides[2], sides[3]);
      EXPECT_EQ(Draw([&] { g.DrawSVG(ISVG(&tenSquare), bounds); }), Log{}) << "side " << side << " " << bad;
    }
  EXPECT_EQ(DrawSvgText("<svg></svg>", IRECT(0, 0, 9, 9)), Log{});
  EXPECT_EQ(DrawSvgText("<svg width=\"10\" height=\"10\"></svg>", IRECT(0, 0, 9, 9)),
            (Log{"T 1 0 0 1 0 0", "T 0.9 0 0 0.9 0 0", "T 1 0 0 1 0 0"}));
}

TEST_F(PathBase, SvgImagesScaleUniformlyIntoTheTopLeftOfTheBounds)
{
  const Log log = DrawSvgText("<svg width=\"100\" height=\"50\"><rect width=\"100\" height=\"50\"/></svg>",
                              IRECT(10, 20, 210, 220));
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[1], "T 2 0 0 2 10 20");
}

TEST_F(PathBase, NestedSvgPathsAreHolesAndSideBySidePathsSolid)
{
  const Log nested = DrawSvgText("<svg width=\"30\" height=\"30\"><path d=\"M0 0 H30 V30 H0 Z M10 10 H20 V20 H10 Z\"/>"
                                 "</svg>",
                                 IRECT(0, 0, 30, 30));
  const Log apart = DrawSvgText("<svg width=\"30\" height=\"30\"><path d=\"M0 0 H10 V10 H0 Z M20 0 H30 V10 H20 Z\"/>"
                                "</svg>",
                                IRECT(0, 0, 30, 30));
  auto windings = [](const Log& log) {
    Log w;
    for (const std::string& line : log)
      if (line.rfind("hole", 0) == 0 || line.rfind("fill", 0) == 0)
        w.push_back(line);
    return w;
  };
  // The sub-paths come newest first: the inner square is the first.
  EXPECT_EQ(windings(nested), (Log{"hole 1", "hole 0", "fill 2"}));
  EXPECT_EQ(windings(apart), (Log{"hole 0", "hole 0", "fill 2"}));
  // Holes are found in an image drawn in tiny units as well.
  const Log tiny = DrawSvgText("<svg width=\"0.003\" height=\"0.003\"><path d=\"M0 0 H0.003 V0.003 H0 Z "
                               "M0.001 0.001 H0.002 V0.002 H0.001 Z\"/></svg>",
                               IRECT(0, 0, 30, 30));
  EXPECT_EQ(windings(tiny), windings(nested));
}

TEST_F(PathBase, SvgShapesAreFilledThenStroked)
{
  auto paints = [&](const char* attrs) {
    Log ops;
    for (const std::string& line :
         DrawSvgText(std::string("<svg width=\"10\" height=\"10\"><rect width=\"5\" height=\"5\" ") + attrs +
                         "/></svg>",
                     IRECT(0, 0, 10, 10)))
      if (line.rfind("fill", 0) == 0 || line.rfind("stroke", 0) == 0)
        ops.push_back(line);
    return ops;
  };
  EXPECT_EQ(paints("fill=\"none\" stroke=\"red\" stroke-width=\"2\""), Log{"stroke 2"});
  EXPECT_EQ(paints("fill=\"blue\" stroke=\"red\" stroke-width=\"2\""), (Log{"fill 2 keep", "stroke 2"}));
  EXPECT_EQ(paints("fill=\"blue\" opacity=\"0.5\""), Log{"fill 2"});
  EXPECT_EQ(paints("fill=\"blue\" display=\"none\""), Log{}) << "a shape not displayed paints nothing";
  const IColor blue = g.mPatterns.back().FirstColor();
  EXPECT_EQ(blue, IColor(128, 0, 0, 255)); // the shape's opacity, not the colour's own alpha
  // The file's caps, joins, miter limit and dash offset reach the stroke.
  const std::pair<const char*, const char*> ends[] = {{"butt", "miter"}, {"round", "round"}, {"square", "bevel"}};
  for (int i = 0; i < 3; ++i)
  {
    paints((std::string("stroke=\"red\" stroke-miterlimit=\"7\" stroke-dasharray=\"2 1\" stroke-dashoffset=\"1.5\" "
                        "stroke-linecap=\"") +
            ends[i].first + "\" stroke-linejoin=\"" + ends[i].second + "\"")
             .c_str());
    const IStrokeStyle& style = g.mStrokeStyles.back();
    EXPECT_EQ(style.mLineCap, i) << ends[i].first;
    EXPECT_EQ(style.mLineJoin, i) << ends[i].second;
    EXPECT_FLOAT_EQ(style.mMiterLimit, 7.f);
    EXPECT_FLOAT_EQ(style.mDashOffset, 1.5f);
  }
}

TEST_F(PathBase, SvgGradientsKeepTheirFirstSixteenStopsAndThoseWithoutStopsPaintNothing)
{
  std::string stops;
  for (int i = 0; i < 20; ++i)
    stops += "<stop offset=\"" + std::to_string(i / 19.0) + "\" stop-color=\"#" + (i % 2 ? "ff0000" : "0000ff") +
             "\"/>";
  DrawSvgText("<svg width=\"10\" height=\"10\"><defs><linearGradient id=\"g\" spreadMethod=\"reflect\">" + stops +
                  "</linearGradient></defs><rect width=\"10\" height=\"10\" fill=\"url(#g)\"/></svg>",
              IRECT(0, 0, 10, 10));
  ASSERT_EQ(g.mPatterns.size(), 1u);
  EXPECT_EQ(g.mPatterns[0].mType, kLinearPattern);
  EXPECT_EQ(g.mPatterns[0].mExtend, kExtendReflect);
  EXPECT_EQ(g.mPatterns[0].mNStops, 16);
  EXPECT_EQ(g.mPatterns[0].mStops[15].mColor, IColor(255, 255, 0, 0));
  // One stop is enough to paint with; pad and repeat are kept as well.
  for (auto [method, extend] : {std::pair{"pad", kExtendPad}, {"repeat", kExtendRepeat}})
  {
    g.mPatterns.clear();
    DrawSvgText(std::string("<svg width=\"10\" height=\"10\"><defs><linearGradient id=\"g\" spreadMethod=\"") +
                    method + "\"><stop offset=\"0\" stop-color=\"#ff0000\"/></linearGradient></defs>"
                             "<rect width=\"10\" height=\"10\" fill=\"url(#g)\"/></svg>",
                IRECT(0, 0, 10, 10));
    ASSERT_EQ(g.mPatterns.size(), 1u) << method;
    EXPECT_EQ(g.mPatterns[0].mExtend, extend) << method;
    EXPECT_EQ(g.mPatterns[0].mNStops, 1) << method;
  }

  SvgGradient empty{};
  SvgPaint paint{};
  paint.type = kSvgPaintRadialGradient;
  paint.gradient = &empty;
  g.mPatterns.clear();
  IPaintPattern pattern;
  EXPECT_FALSE(PathRecorder::SVGPaintToPatternForTest(paint, 1.f, pattern));
  // A paint of a kind this renderer does not know paints solid black at the shape's opacity.
  paint.type = SvgPaintType(7);
  ASSERT_TRUE(PathRecorder::SVGPaintToPatternForTest(paint, 0.5f, pattern));
  EXPECT_EQ(pattern.mType, kSolidPattern);
  EXPECT_EQ(pattern.mNStops, 1);
  EXPECT_EQ(pattern.FirstColor(), IColor(128, 0, 0, 0));
}

TEST_F(PathBase, SvgViewBoxesAlignByTheKeywordsAsSvgFilesWriteThem)
{
  struct Case
  {
    const char* align;
    const char* start; // where the view box point (5, 5) lands in the 20 x 10 image of a 10 x 10 view box
  };
  const Case cases[] = {
    {"xMinYMin slice", "M 10 10"},
    {"xMidYMid slice", "M 10 5"},
    {"xMidYMax slice", "M 10 0"},
    {"xMaxYMax meet", "M 15 5"},
  };
  for (const Case& c : cases)
  {
    const Log log = DrawSvgText(std::string("<svg width=\"20\" height=\"10\" viewBox=\"0 0 10 10\" "
                                            "preserveAspectRatio=\"") +
                                    c.align + "\"><path d=\"M5 5 L6 6\" stroke=\"black\"/></svg>",
                                IRECT(0, 0, 20, 10));
    EXPECT_NE(std::find(log.begin(), log.end(), c.start), log.end()) << c.align;
  }
}

TEST_F(PathBase, EveryDrawingCallOverAMatrixOfArgumentsAndTransformsMatchesItsReference)
{
  // One line per call: the call, then every primitive it produced and the colour it was painted with.
  std::string out;
  auto run = [&](const std::string& call, const std::function<void()>& op) {
    g.mLog.clear();
    g.mPatterns.clear();
    op();
    out += call + ":";
    for (const std::string& entry : g.mLog)
      out += " " + entry + ";";
    for (const IPaintPattern& p : g.mPatterns)
      out += " paint " + std::to_string(p.mType) + "/" + std::to_string(p.FirstColor().mAlpha) + "," +
             std::to_string(p.FirstColor().mRed) + "," + std::to_string(p.FirstColor().mBlue) + ";";
    out += "\n";
  };
  const IColor c(200, 10, 20, 30);
  const IBlend half(kBlendDefault, 0.5f);
  const IRECT rects[] = {IRECT(2.f, 3.f, 30.f, 17.f), IRECT(10.5f, 10.25f, 11.f, 40.f), IRECT(5.f, 5.f, 5.f, 5.f),
                         IRECT(20.f, 20.f, 4.f, 8.f)};
  // The transforms in force: none, a translation and scale, a rotation with a skew.
  const std::vector<std::pair<std::string, std::function<void()>>> transforms = {
    {"plain", [] {}},
    {"moved", [&] { g.PathTransformTranslate(3.f, -2.f), g.PathTransformScale(2.f, 0.5f); }},
    {"turned", [&] { g.PathTransformRotate(30.f), g.PathTransformSkew(10.f, -5.f); }},
  };
  APIBitmap api(nullptr, 24, 12, 2, 1.5f);
  const IBitmap bitmap(&api, 1, false);
  // Calls that draw through the transform, under each transform.
  for (const auto& transform : transforms)
  {
    g.PathTransformReset(true);
    g.mLog.clear();
    transform.second();
    out += "transform " + transform.first + ":";
    for (const std::string& entry : g.mLog)
      out += " " + entry + ";";
    out += "\n";
    for (const IRECT& r : rects)
    {
      const std::string at = Num(r.mLeft) + " " + Num(r.mTop) + " " + Num(r.mRight) + " " + Num(r.mBottom);
      run("DrawEllipse " + at, [&] { g.DrawEllipse(c, r, nullptr, 1.f); });
      run("FillEllipse " + at, [&] { g.FillEllipse(c, r, nullptr); });
      run("DrawFittedBitmap " + at, [&] { g.DrawFittedBitmap(bitmap, r, nullptr); });
    }
    for (float radius : {-2.f, 0.f, 6.5f})
    {
      run("DrawEllipse angled " + Num(radius), [&] { g.DrawEllipse(c, 10.f, 12.f, radius, 3.f, 25.f, nullptr, 1.f); });
      run("FillEllipse angled " + Num(radius), [&] { g.FillEllipse(c, 10.f, 12.f, 4.f, radius, -60.f, nullptr); });
    }
    for (double angle : {0.0, 45.0, -90.0})
      run("DrawRotatedBitmap " + Num(angle), [&] { g.DrawRotatedBitmap(bitmap, 15.f, 16.f, angle, nullptr); });
    for (const IRECT& r : {IRECT(0.f, 0.f, 40.f, 20.f), IRECT(5.f, 5.f, 5.f, 25.f), IRECT(0.f, 0.f, 9.f, 90.f)})
      run("DrawSVG " + Num(r.W()) + "x" + Num(r.H()), [&] {
        std::string svg = "<svg width=\"20\" height=\"10\"><rect x=\"1\" y=\"2\" width=\"8\" height=\"4\" "
                          "fill=\"#102030\" stroke=\"#405060\" stroke-width=\"2\"/></svg>";
        svg.push_back('\0');
        SvgImage* image = SvgParse(svg.data(), "px", 96.f);
        g.DrawSVG(ISVG(image), r);
        g.DrawRotatedSVG(ISVG(image), 10.f, 10.f, r.W(), r.H(), 30.0);
        SvgDeleteImage(image);
      });
  }
  // Calls whose points go to the back end as given.
  g.PathTransformReset(true);
  for (const IRECT& r : rects)
  {
    const std::string at = Num(r.mLeft) + " " + Num(r.mTop) + " " + Num(r.mRight) + " " + Num(r.mBottom);
    run("DrawRect " + at, [&] { g.DrawRect(c, r, &half, 2.f); });
    run("FillRect " + at, [&] { g.FillRect(c, r, nullptr); });
    run("DrawDottedRect " + at, [&] { g.DrawDottedRect(c, r, nullptr, 1.f, 3.f); });
    for (float radius : {-1.f, 0.f, 2.5f, 40.f})
    {
      run("DrawRoundRect " + at + " r " + Num(radius), [&] { g.DrawRoundRect(c, r, radius, nullptr, 1.f); });
      run("FillRoundRect " + at + " r " + Num(radius), [&] { g.FillRoundRect(c, r, radius, nullptr); });
    }
    run("FillRoundRect corners " + at, [&] { g.FillRoundRect(c, r, 1.f, 2.f, 3.f, 4.f, nullptr); });
    run("DrawRoundRect corners " + at, [&] { g.DrawRoundRect(c, r, 4.f, -3.f, 0.f, 2.f, nullptr, 3.f); });
    for (float grid : {0.5f, 1.f, 1.5f, 7.f})
      run("DrawGrid " + at + " " + Num(grid), [&] { g.DrawGrid(c, r, grid, grid * 2.f, nullptr, 1.f); });
    float ys[4] = {0.f, 0.5f, 1.f, 0.25f}, xs[4] = {0.f, 0.1f, 0.7f, 1.f};
    run("DrawData " + at, [&] { g.DrawData(c, r, ys, 4, nullptr, nullptr, 1.f); });
    run("DrawData with x " + at, [&] { g.DrawData(c, r, ys, 4, xs, nullptr, 1.f); });
  }
  for (float a2 : {90.f, 360.f, -45.f})
  {
    run("DrawArc " + Num(a2), [&] { g.DrawArc(c, 20.f, 30.f, 8.f, 10.f, a2, nullptr, 2.f); });
    run("FillArc " + Num(a2), [&] { g.FillArc(c, 20.f, 30.f, 8.f, 10.f, a2, &half); });
  }
  for (float radius : {-2.f, 0.f, 6.5f})
  {
    run("DrawCircle " + Num(radius), [&] { g.DrawCircle(c, 10.f, 12.f, radius, nullptr, 1.f); });
    run("FillCircle " + Num(radius), [&] { g.FillCircle(c, 10.f, 12.f, radius, nullptr); });
  }
  for (float dash : {-1.f, 0.f, 2.f, std::nanf("")})
    run("DrawDottedLine " + Num(dash), [&] { g.DrawDottedLine(c, 1.f, 2.f, 30.f, 9.f, nullptr, 1.5f, dash); });
  run("DrawLine", [&] { g.DrawLine(c, 1.f, 2.f, 30.f, 9.f, nullptr, 1.5f); });
  run("DrawPoint", [&] { g.DrawPoint(c, 4.f, 5.f, nullptr); });
  run("DrawTriangle", [&] { g.DrawTriangle(c, 1.f, 2.f, 9.f, 3.f, 4.f, 8.f, nullptr, 2.f); });
  run("FillTriangle", [&] { g.FillTriangle(c, 1.f, 2.f, 9.f, 3.f, 4.f, 8.f, nullptr); });
  for (int n : {1, 3, 5})
  {
    float px[5] = {0.f, 10.f, 12.f, 6.f, -2.f}, py[5] = {0.f, 1.f, 8.f, 12.f, 6.f};
    run("DrawConvexPolygon " + std::to_string(n), [&] { g.DrawConvexPolygon(c, px, py, n, nullptr, 1.f); });
    run("FillConvexPolygon " + std::to_string(n), [&] { g.FillConvexPolygon(c, px, py, n, nullptr); });
  }
  const std::string failure = CompareTextGolden("path_drawing_calls", out);
  EXPECT_TRUE(failure.empty()) << failure;
}

TEST_F(PathBase, ValueBubblesDrawnAsPathsWithTheArrowOnEachSideMatchTheirReference)
{
  auto* bubble = new IBubbleControl(IText(10.f), IColor(255, 250, 250, 250), IColor(255, 5, 5, 5), 4.f);
  g.AttachBubbleControl(bubble);
  TestControl caller(IRECT(40.f, 40.f, 60.f, 60.f));
  std::string out;
  const std::pair<IRECT, EDirection> places[] = {
    {IRECT(40.f, 5.f, 60.f, 15.f), kVertical},    {IRECT(40.f, 80.f, 60.f, 95.f), kVertical},
    {IRECT(2.f, 40.f, 12.f, 60.f), kHorizontal}, {IRECT(85.f, 40.f, 98.f, 60.f), kHorizontal},
    {IRECT(40.f, 40.f, 60.f, 60.f), kHorizontal}, {IRECT(40.f, 40.f, 60.f, 60.f), kVertical}};
  for (const auto& place : places)
  {
    g.ShowBubble(&caller, place.first.CentreX(), place.first.CentreY(), "0.5", place.second, IRECT(0.f, 0.f, 30.f, 8.f));
    g.mLog.clear();
    bubble->Draw(g);
    out += "arrow " + std::to_string(bubble->GetArrowDirection()) + ":";
    for (const std::string& entry : g.mLog)
      out += " " + entry + ";";
    out += "\n";
  }
  const std::string failure = CompareTextGolden("bubble_paths", out);
  EXPECT_TRUE(failure.empty()) << failure;
}
