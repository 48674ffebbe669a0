// Everything the vector renderer hands its back end, over a wide matrix of strokes, fills, paints, scissors,
// composite operations and transforms at device pixel ratios 1 and 2, as a text dump compared with
// golden/recorded_calls_ratio_N.txt (vertices to 0.01, other numbers to 0.001, compared within one more unit; DROVIK_UPDATE_GOLDEN=1 rewrites the files).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "recording_renderer.h"

namespace {

using vxtest::Context;
using vxtest::RecordedCall;
using vxtest::Recorder;

constexpr float kPi = 3.14159265358979323846f;

// ---- the dump ----

struct Dump
{
  std::ostringstream out;
  std::string lastState;

  void Numbers(const char* key, const float* v, int n, int decimals = 3)
  {
    out << key << ":";
    for (int i = 0; i < n; ++i)
    {
      char buf[32];
      snprintf(buf, sizeof buf, "%.*f", decimals, std::fabs(v[i]) < 5e-3f ? 0.0f : v[i]);
      std::string s = buf; // without trailing zeros
      s.erase(s.find_last_not_of('0') + 1);
      if (s.back() == '.') s.pop_back();
      out << " " << s;
    }
    out << "\n";
  }

  void Vertices(const char* key, const std::vector<VXvertex>& verts)
  {
    out << key << " " << verts.size() << "\n";
    for (size_t i = 0; i < verts.size(); i += 4)
    {
      std::vector<float> row;
      for (size_t j = i; j < verts.size() && j < i + 4; ++j)
        row.insert(row.end(), {verts[j].x, verts[j].y, verts[j].u, verts[j].v});
      Numbers("", row.data(), (int)row.size(), 2);
    }
  }

  void Call(const RecordedCall& c)
  {
    out << c.kind << " paths " << c.paths.size() << " image " << c.paint.image << " op " << c.op.sourceRGB << " "
        << c.op.destinationRGB << " " << c.op.sourceAlpha << " " << c.op.destinationAlpha << "\n";
    // Paint and scissor only where they differ from the call before.
    std::ostringstream state;
    std::swap(out, state);
    Numbers(" paint", c.paint.xform, 6);
    float shape[4] = {c.paint.extent[0], c.paint.extent[1], c.paint.radius, c.paint.feather};
    Numbers(" shape", shape, 4);
    Numbers(" inner", c.paint.innerColor.rgba, 4);
    Numbers(" outer", c.paint.outerColor.rgba, 4);
    Numbers(" scissor", c.scissor.xform, 6);
    Numbers(" scissor extent", c.scissor.extent, 2);
    std::swap(out, state);
    if (state.str() != lastState) out << state.str();
    lastState = state.str();
    float widths[2] = {c.fringe, c.strokeWidth};
    Numbers(" fringe width", widths, 2);
    if (c.kind == "fill") Numbers(" bounds", c.bounds, 4);
    for (const auto& p : c.paths)
    {
      out << " path convex " << p.convex << " bevels " << p.bevelCount << "\n";
      Vertices(" fill", p.fill);
      Vertices(" stroke", p.stroke);
    }
    if (!c.verts.empty()) Vertices(" triangles", c.verts);
  }
};

// ---- comparing with the golden dump: words exactly, numbers within a tolerance ----

bool SameLine(const std::string& a, const std::string& b)
{
  const double tolerance = a.rfind(":", 0) == 0 ? 1.1e-2 : 1.1e-3; // vertices to 0.01, the rest to 0.001
  std::istringstream x(a), y(b);
  std::string s, t;
  while (true)
  {
    bool more1 = bool(x >> s), more2 = bool(y >> t);
    if (more1 != more2) return false;
    if (!more1) return true;
    if (s == t) continue;
    char *e1 = nullptr, *e2 = nullptr;
    double u = strtod(s.c_str(), &e1), v = strtod(t.c_str(), &e2);
    if (*e1 || *e2 || e1 == s.c_str() || e2 == t.c_str()) return false;
    if (std::fabs(u - v) > tolerance + 1e-6 * std::fabs(v)) return false;
  }
}

std::string CompareTextGolden(const std::string& text, const std::string& name)
{
  std::string path = std::string(DROVIK_VEXEL_GOLDEN_DIR) + "/" + name;
  if (getenv("DROVIK_UPDATE_GOLDEN"))
  {
    std::ofstream(path) << text;
    return "";
  }
  std::ifstream in(path);
  if (!in) return "no golden " + path;
  std::vector<std::string> want, got;
  for (std::string l; std::getline(in, l);) want.push_back(l);
  std::istringstream g(text);
  for (std::string l; std::getline(g, l);) got.push_back(l);
  std::ostringstream diff;
  int shown = 0;
  std::string scene;
  for (size_t i = 0; i < std::max(want.size(), got.size()) && shown < 4; ++i)
  {
    const std::string& w = i < want.size() ? want[i] : "(end)";
    const std::string& h = i < got.size() ? got[i] : "(end)";
    if (w.rfind("== ", 0) == 0) scene = w;
    if (SameLine(w, h)) continue;
    diff << "line " << i + 1 << " in " << scene << "\n  golden: " << w << "\n  actual: " << h << "\n";
    ++shown;
  }
  if (shown) std::ofstream(name + ".actual") << text;
  return diff.str();
}

// ---- the scenes ----

struct Scene
{
  const char* name;
  void (*draw)(VXcontext* vg);
  bool atRatioTwo; // whether the scene's tessellation depends on the ratio beyond the fringe
};

void Polyline(VXcontext* vg, float x, float y)
{
  vxBeginPath(vg);
  vxMoveTo(vg, x, y + 20);
  vxLineTo(vg, x + 8, y);      // a sharp turn next
  vxLineTo(vg, x + 14, y + 18);
  vxLineTo(vg, x + 30, y + 12); // a shallow one, then a turn the other way
  vxLineTo(vg, x + 40, y + 16);
}

void StrokeMatrix(VXcontext* vg)
{
  const int joins[3] = {VX_MITER, VX_ROUND, VX_BEVEL};
  const int caps[3] = {VX_BUTT, VX_ROUND, VX_SQUARE};
  for (int j = 0; j < 3; ++j)
    for (int c = 0; c < 3; ++c)
    {
      vxSetLineJoin(vg, joins[j]);
      vxSetLineCap(vg, caps[c]);
      vxSetStrokeWidth(vg, 3.0f + c);
      vxSetMiterLimit(vg, j == 0 && c == 2 ? 1.3f : 10.0f);
      Polyline(vg, 10 + c * 50.0f, 10 + j * 30.0f);
      vxStrokePath(vg);
    }
}

void HairlinesAndClosedStrokes(VXcontext* vg)
{
  const float widths[4] = {0.25f, 0.5f, 1.0f, 1.5f};
  for (int i = 0; i < 4; ++i)
  {
    vxSetStrokeWidth(vg, widths[i]);
    vxSetLineCap(vg, i % 2 ? VX_ROUND : VX_SQUARE);
    vxBeginPath(vg);
    vxMoveTo(vg, 5, 5 + i * 7.0f);
    vxLineTo(vg, 60, 9 + i * 7.0f);
    vxStrokePath(vg);
  }
  vxSetStrokeWidth(vg, 2.5f);
  vxSetLineJoin(vg, VX_MITER);
  vxBeginPath(vg);
  vxRectPath(vg, 70, 5, 20, 12);
  vxStrokePath(vg);
  vxSetLineJoin(vg, VX_ROUND);
  vxBeginPath(vg);
  vxRoundedRectPath(vg, 100, 5, 30, 16, 5);
  vxStrokePath(vg);
  vxSetLineJoin(vg, VX_BEVEL);
  vxBeginPath(vg);
  vxCirclePath(vg, 150, 15, 9);
  vxStrokePath(vg);
  // A stroke under a scale: its width follows the transform's mean scale.
  vxSaveState(vg);
  vxScale(vg, 0.5f, 3.0f);
  vxSetStrokeWidth(vg, 1.0f);
  vxBeginPath(vg);
  vxMoveTo(vg, 10, 20), vxLineTo(vg, 50, 22);
  vxStrokePath(vg);
  vxRestoreState(vg);
  // Without anti-aliasing.
  vxSetShapeAntiAlias(vg, 0);
  vxSetStrokeWidth(vg, 2);
  vxBeginPath(vg);
  vxMoveTo(vg, 5, 80), vxLineTo(vg, 40, 70), vxLineTo(vg, 60, 90);
  vxStrokePath(vg);
}

// Paths heading every way whose middle turn bends against the two outer ones: sharp joins to either side, whatever
// way round the renderer takes the path.
void JoinsFacingEveryWay(VXcontext* vg)
{
  vxSetStrokeWidth(vg, 3);
  for (int k = 0; k < 16; ++k)
  {
    vxSetLineCap(vg, k < 8 ? VX_BUTT : VX_SQUARE);
    float h = (k / 2) * kPi / 4 + 0.1f, side = k % 2 ? 1.0f : -1.0f;
    const float turns[3] = {2.0f * side, -1.75f * side, 2.0f * side}, lengths[4] = {10, 6, 6, 10};
    float x = 12 + (k % 8) * 22.0f, y = k < 8 ? 112.0f : 135.0f;
    vxSetLineJoin(vg, k % 4 < 2 ? VX_ROUND : k < 8 ? VX_MITER : VX_BEVEL);
    vxBeginPath(vg);
    vxMoveTo(vg, x, y);
    for (int i = 0; i < 4; ++i)
    {
      x += lengths[i] * std::cos(h), y += lengths[i] * std::sin(h);
      vxLineTo(vg, x, y);
      if (i < 3) h += turns[i];
    }
    vxStrokePath(vg);
  }
  // Zigzags of round joins either way from headings just short of and just past each quarter turn, where the
  // angles of their sides wrap round.
  vxSetLineJoin(vg, VX_ROUND);
  vxSetStrokeWidth(vg, 10); // wide enough for joins of several segments
  for (int k = 0; k < 16; ++k)
  {
    const float h = (k / 4) * kPi / 2 + (k % 4 < 2 ? -0.1f : 0.1f), turn = k % 2 ? 1.2f : -1.2f;
    float x = 12 + (k % 8) * 22.0f, y = k < 8 ? 158.0f : 181.0f;
    vxBeginPath(vg);
    vxMoveTo(vg, x, y);
    for (float heading : {h, h + turn, h})
      vxLineTo(vg, x += 8 * std::cos(heading), y += 8 * std::sin(heading));
    vxStrokePath(vg);
  }
}

void Fills(VXcontext* vg)
{
  vxBeginPath(vg); // nothing, then a lone point
  vxFillPath(vg);
  vxStrokePath(vg);
  vxMoveTo(vg, 3, 3);
  vxFillPath(vg);
  vxStrokePath(vg);
  vxBeginPath(vg); // convex, corners of four radii
  vxRoundedRectVaryingPath(vg, 5, 5, 40, 30, 2, 6, 10, 0);
  vxFillPath(vg);
  vxBeginPath(vg); // concave arrow
  vxMoveTo(vg, 50, 5), vxLineTo(vg, 90, 20), vxLineTo(vg, 50, 35), vxLineTo(vg, 60, 20), vxClosePath(vg);
  vxFillPath(vg);
  vxBeginPath(vg); // a hole by winding
  vxRectPath(vg, 5, 40, 40, 30);
  vxCirclePath(vg, 25, 55, 8);
  vxSetPathWinding(vg, VX_HOLE);
  vxFillPath(vg);
  vxBeginPath(vg); // the same circle kept solid
  vxRectPath(vg, 50, 40, 40, 30);
  vxEllipsePath(vg, 70, 55, 12, 6);
  vxSetPathWinding(vg, VX_SOLID);
  vxFillPath(vg);
  vxBeginPath(vg); // self-crossing star
  for (int i = 0; i < 5; ++i)
  {
    float a = -kPi / 2 + i * 4 * kPi / 5;
    if (i == 0)
      vxMoveTo(vg, 120 + 15 * std::cos(a), 25 + 15 * std::sin(a));
    else
      vxLineTo(vg, 120 + 15 * std::cos(a), 25 + 15 * std::sin(a));
  }
  vxClosePath(vg);
  vxFillPath(vg);
  vxBeginPath(vg); // curves: cubic, quadratic, arcTo, arcs either way
  vxMoveTo(vg, 100, 50);
  vxCubicTo(vg, 110, 40, 130, 70, 140, 50);
  vxQuadTo(vg, 150, 60, 140, 75);
  vxArcTo(vg, 120, 85, 100, 70, 6);
  vxClosePath(vg);
  vxFillPath(vg);
  vxBeginPath(vg);
  vxArc(vg, 30, 100, 12, 0.3f, 2.4f, VX_CLOCKWISE);
  vxArc(vg, 30, 100, 6, 2.4f, 0.3f, VX_COUNTER_CLOCKWISE);
  vxClosePath(vg);
  vxFillPath(vg);
  vxBeginPath(vg);
  vxArc(vg, 70, 100, 10, 0, -7.5f, VX_COUNTER_CLOCKWISE); // more than a turn
  vxFillPath(vg);
  vxBeginPath(vg);
  vxArc(vg, 100, 100, 10, 1.0f, 0.2f, VX_CLOCKWISE); // wraps forward
  vxStrokePath(vg);
  vxSetShapeAntiAlias(vg, 0);
  vxBeginPath(vg);
  vxRoundedRectPath(vg, 120, 90, 20, 14, 3);
  vxFillPath(vg);
}

void Transforms(VXcontext* vg)
{
  vxTranslate(vg, 40, 30);
  vxRotate(vg, 0.4f);
  vxSkewX(vg, 0.3f);
  vxBeginPath(vg);
  vxRectPath(vg, -10, -8, 20, 16);
  vxFillPath(vg);
  vxSkewY(vg, -0.2f);
  vxScale(vg, 1.5f, 0.75f);
  vxSetStrokeWidth(vg, 2);
  vxBeginPath(vg);
  vxCirclePath(vg, 0, 0, 10);
  vxStrokePath(vg);
  vxResetTransform(vg);
  vxMultiplyTransform(vg, 0.8f, 0.1f, -0.2f, 1.1f, 90, 10);
  vxBeginPath(vg);
  vxRoundedRectPath(vg, 0, 0, 30, 20, 4);
  vxFillPath(vg);
  float m[6];
  vxGetCurrentTransform(vg, m);
  vxResetTransform(vg);
  vxTranslate(vg, m[4] - 80, m[5] + 40);
  vxBeginPath(vg);
  vxEllipsePath(vg, 0, 0, 10, 4);
  vxFillPath(vg);
}

void Paints(VXcontext* vg)
{
  auto rect = [&](float x, float y, VXpaint p, bool stroke = false) {
    vxBeginPath(vg);
    vxRectPath(vg, x, y, 30, 20);
    if (stroke)
      vxSetStrokePaint(vg, p), vxStrokePath(vg);
    else
      vxSetFillPaint(vg, p), vxFillPath(vg);
  };
  VXcolor a = vxColorFromBytes(250, 20, 10, 200), b = vxColorFromFloats(0.1f, 0.3f, 0.9f, 0.5f);
  rect(5, 5, vxMakeLinearGradient(vg, 5, 5, 35, 25, a, b));
  rect(40, 5, vxMakeLinearGradient(vg, 40, 5, 40, 5, a, b)); // a gradient of no length
  rect(75, 5, vxMakeRadialGradient(vg, 90, 15, 3, 12, a, b));
  rect(110, 5, vxMakeBoxGradient(vg, 112, 7, 26, 16, 4, 5, a, b));
  vxSetGlobalAlpha(vg, 0.6f);
  vxSaveState(vg);
  vxTranslate(vg, 10, 40);
  vxRotate(vg, 0.25f);
  rect(0, 0, vxMakeImagePattern(vg, 2, 3, 8, 6, 0.7f, 1, 0.8f));
  rect(40, 0, vxMakeRadialGradient(vg, 55, 10, 4, 9, b, a), true);
  vxRestoreState(vg);
  vxSetFillColor(vg, vxColorFromHsla(0.6f, 0.7f, 0.4f, 180));
  rect(80, 40, VXpaint{});
  vxSetFillColor(vg, vxLerpColor(a, b, 0.25f));
  vxBeginPath(vg);
  vxRectPath(vg, 120, 40, 10, 10);
  vxFillPath(vg);
  vxSetStrokeColor(vg, vxColorWithAlphaByte(vxColorFromBytesOpaque(10, 200, 30), 64));
  vxBeginPath(vg);
  vxRectPath(vg, 120, 55, 10, 10);
  vxStrokePath(vg);
  vxSetGlobalAlpha(vg, 1);
  vxSetFillColor(vg, vxColorWithAlpha(vxColorFromHsl(1.3f, 0.5f, 0.7f), 0.5f));
  vxBeginPath(vg);
  vxRectPath(vg, 120, 70, 10, 10);
  vxFillPath(vg);
}

void ScissorsAndCompositing(VXcontext* vg)
{
  vxSaveState(vg);
  vxTranslate(vg, 50, 40);
  vxRotate(vg, 0.5f);
  vxScale(vg, 2, 1);
  vxSetScissor(vg, -10, -5, 20, 10);
  vxResetTransform(vg);
  vxBeginPath(vg);
  vxRectPath(vg, 20, 20, 60, 40);
  vxFillPath(vg);
  vxIntersectScissor(vg, 40, 30, 40, 30);
  vxBeginPath(vg);
  vxRectPath(vg, 20, 20, 60, 40);
  vxStrokePath(vg);
  vxRestoreState(vg);
  vxSetScissor(vg, 5, 5, 30, 20);
  vxIntersectScissor(vg, 20, 10, 40, 40);
  vxBeginPath(vg);
  vxRectPath(vg, 0, 0, 50, 50);
  vxFillPath(vg);
  vxResetScissor(vg);
  for (int op = VX_SOURCE_OVER; op <= VX_XOR; ++op)
  {
    vxSetCompositeOperation(vg, op);
    vxBeginPath(vg);
    vxRectPath(vg, 5 + op * 10.0f, 90, 8, 8);
    vxFillPath(vg);
  }
  vxSetBlendFactors(vg, VX_SOURCE_ALPHA, VX_ONE_MINUS_SOURCE_COLOR);
  vxBeginPath(vg);
  vxRectPath(vg, 5, 100, 8, 8);
  vxFillPath(vg);
  vxSetBlendFactorsSeparate(vg, VX_DESTINATION_COLOR, VX_ONE_MINUS_DESTINATION_ALPHA, VX_SOURCE_ALPHA_SATURATED,
                            VX_ZERO);
  vxBeginPath(vg);
  vxRectPath(vg, 15, 100, 8, 8);
  vxStrokePath(vg);
}

const Scene kScenes[] = {
    {"strokes of every join and cap", StrokeMatrix, true},
    {"joins facing every way", JoinsFacingEveryWay, false},
    {"hairlines and closed strokes", HairlinesAndClosedStrokes, true},
    {"fills", Fills, true},
    {"transforms", Transforms, false},
    {"paints", Paints, false},
    {"scissors and compositing", ScissorsAndCompositing, false},
};

std::string DumpAt(float ratio)
{
  Recorder r;
  Context c{r};
  VXcontext* vg = c.ctx;
  unsigned char pixels[4 * 4 * 4] = {};
  vxCreateImageFromPixels(vg, 4, 4, VX_IMAGE_REPEAT_X, pixels); // image 1 for the pattern
  Dump d;
  for (const Scene& scene : kScenes)
  {
    if (ratio != 1 && !scene.atRatioTwo) continue;
    r.calls.clear();
    vxBeginFrame(vg, 200, 120, ratio);
    vxResetState(vg);
    scene.draw(vg);
    d.out << "== " << scene.name << "\n";
    d.lastState.clear();
    for (const auto& call : r.calls) d.Call(call);
    vxEndFrame(vg);
  }
  // The matrix helpers.
  float m[6], s[6];
  vxMatrixIdentity(m);
  vxMatrixRotate(s, 0.7f), vxMatrixMultiply(m, s);
  vxMatrixSkewX(s, 0.2f), vxMatrixMultiply(m, s);
  vxMatrixSkewY(s, -0.4f), vxMatrixMultiply(m, s);
  float p[2];
  vxMatrixTransformPoint(&p[0], &p[1], m, 3, -2);
  d.out << "== matrices\n";
  d.Numbers("matrix", m, 6);
  d.Numbers("point", p, 2);
  float angles[2] = {vxDegreesToRadians(30), vxRadiansToDegrees(1)};
  d.Numbers("angles", angles, 2);
  return d.out.str();
}

TEST(VexelRecordedCalls, EverythingHandedToTheBackEndAtPixelRatioOne)
{
  EXPECT_EQ(CompareTextGolden(DumpAt(1), "recorded_calls_ratio_1.txt"), "");
}

TEST(VexelRecordedCalls, EverythingHandedToTheBackEndAtPixelRatioTwo)
{
  EXPECT_EQ(CompareTextGolden(DumpAt(2), "recorded_calls_ratio_2.txt"), "");
}

} // namespace
