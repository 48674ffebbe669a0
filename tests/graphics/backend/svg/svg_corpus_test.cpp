// A corpus of small SVG documents over every element, attribute, unit, transform, style form, paint and path
// command the parser reads, each parsed and written out as text (image size, shapes with their paints, stroke
// settings and bounds, paths with their points) and compared line by line with the recorded reference in
// golden/svg_corpus.txt. DROVIK_UPDATE_GOLDEN=1 rewrites the reference.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "golden_text.h"
#include "svg_test_support.h"

namespace {

using svgtest::Doc;
using svgtest::Parsed;

using goldentext::Num;

std::string Nums(const float* v, int n)
{
  std::string out;
  for (int i = 0; i < n; ++i) out += (i ? " " : "") + Num(v[i]);
  return out;
}

std::string Hex(uint32_t v)
{
  char buf[16];
  std::snprintf(buf, sizeof(buf), "%08x", v);
  return buf;
}

std::string PaintText(const SvgPaint& paint)
{
  switch (paint.type)
  {
  case kSvgPaintNone: return "none";
  case kSvgPaintColor: return "color " + Hex(paint.color);
  default: break;
  }
  const SvgGradient& g = *paint.gradient;
  std::string out = paint.type == kSvgPaintLinearGradient ? "linear" : "radial";
  out += " xform " + Nums(g.xform, 6) + " spread " + std::to_string(g.spread) + " focus " + Num(g.fx) + " " +
         Num(g.fy) + " stops";
  for (int i = 0; i < g.nstops; ++i) out += " " + Num(g.stops[i].offset) + ":" + Hex(g.stops[i].color);
  return out;
}

std::string Dump(const std::string& text, const char* units = "px", float dpi = 96.0f)
{
  Parsed svg(text, units, dpi);
  std::ostringstream out;
  if (!svg.image()) return "no image\n";
  out << "image " << Num(svg.image()->width) << " " << Num(svg.image()->height) << "\n";
  for (const SvgShape* s : svg.shapes())
  {
    out << " shape '" << s->id << "' fill " << PaintText(s->fill) << "\n  stroke " << PaintText(s->stroke) << "\n";
    out << "  opacity " << Num(s->opacity) << " width " << Num(s->strokeWidth) << " dash " << Num(s->strokeDashOffset)
        << " [" << Nums(s->strokeDashArray, s->strokeDashCount) << "] join " << int(s->strokeLineJoin) << " cap "
        << int(s->strokeLineCap) << " miter " << Num(s->miterLimit) << " rule " << int(s->fillRule) << " flags "
        << int(s->flags) << " bounds " << Nums(s->bounds, 4) << "\n";
    for (const SvgPath* p : Parsed::paths(*s))
    {
      out << "  path " << (p->closed ? "closed" : "open") << " n " << p->npts << " bounds " << Nums(p->bounds, 4)
          << "\n   " << Nums(p->pts, p->npts * 2) << "\n";
    }
  }
  return out.str();
}

struct Document
{
  const char* name;
  std::string text;
  const char* units = "px";
  float dpi = 96.0f;
};

std::string Path(const char* d) { return svgtest::PathDoc(d); }

std::vector<Document> Corpus()
{
  return {
    // Shapes.
    {"rect", Doc("<rect x='1' y='2' width='30' height='20'/>")},
    {"rounded rect", Doc("<rect x='1' y='2' width='30' height='20' rx='4'/><rect width='30' height='20' ry='3'/>"
                         "<rect width='30' height='20' rx='20' ry='2'/>"
                         "<rect width='10' height='20' rx='-1' ry='30'/>")},
    {"empty rects", Doc("<rect width='0' height='5'/><rect width='5' height='-1'/><rect width='5'/>")},
    {"circle", Doc("<circle cx='50' cy='40' r='10'/><circle r='0'/><circle cx='3' cy='4' r='-2'/>")},
    {"ellipse", Doc("<ellipse cx='20' cy='30' rx='15' ry='5'/><ellipse rx='0' ry='5'/>")},
    {"line", Doc("<line x1='1' y1='2' x2='30' y2='40' stroke='red'/>")},
    {"polyline", Doc("<polyline points='0,0 10,5 20,0 30 10 -5e1,1.5'/><polyline points='1 2'/>")},
    {"polygon", Doc("<polygon points='0,0 10,5 20,0,30,10' fill='blue'/><polygon points=''/>")},
    // Path commands, absolute and relative, with implicit repeats and every number form.
    {"move and lines", Path("M10 10 L20 20 H40 V50 h-5 v-5 l-1 -2 z m5 5 l1 1")},
    {"implicit repeats", Path("M0 0 10 10 20 0 m 5 5 1 1 2 2 L 3 3 4 4 H 5 6 V 7 8")},
    {"numbers", Path("M.5.5L-1-1-.5e1+2E-1 1e+1,2.5E0l1.5.25e1.3.4Z")},
    {"cubics", Path("M10 80 C40 10 65 10 95 80 S150 150 180 80 c10 10 20 10 30 0 s10 -10 20 0")},
    {"smooth cubic without one before", Path("M10 10 S20 20 30 10")},
    {"quadratics", Path("M10 80 Q52.5 10 95 80 T180 80 q10 10 20 0 t20 0 t10 10")},
    {"smooth quad without one before", Path("M10 10 T30 10 Q40 0 50 10")},
    {"arcs", Path("M10 50 A20 20 0 0 1 50 50 A20 20 0 1 0 90 50 a10 20 30 1 1 20 0 a10 20 -45 0 0 20 10")},
    {"arc flags packed", Path("M10 10 a5 5 0 1110 0 A 5 5 0 0 0 40 10")},
    {"degenerate arcs", Path("M10 10 A0 5 0 0 1 20 20 A5 5 0 0 1 20 20 A1 1 0 0 1 40 20")},
    {"arc radii too small", Path("M0 0 A1 1 0 0 0 30 0 A 2 1 90 1 0 50 10")},
    {"sub-paths", Path("M0 0 L10 0 L10 10 Z L20 20 M30 30 l5 0 z m1 1 l2 2")},
    {"bad commands", Path("M0 0 L10 X 20 20 L30 30 K 40 40")},
    {"closed twice", Path("M0 0 L5 5 Z Z L1 1")},
    // Transforms.
    {"transforms", Doc("<g transform='translate(10,20)'><rect width='5' height='5' transform='scale(2)'/></g>"
                       "<rect width='5' height='5' transform='rotate(30)'/>"
                       "<rect width='5' height='5' transform='rotate(45 10 10)'/>"
                       "<rect width='5' height='5' transform='skewX(20) skewY(-10)'/>"
                       "<rect width='5' height='5' transform='matrix(1 0.5 -0.5 1 3 4)'/>"
                       "<rect width='5' height='5' transform='translate(7) scale(2,3)'/>"
                       "<rect width='5' height='5' transform='scale(2'/>")},
    {"nested groups", Doc("<g transform='translate(1 1)' fill='red' stroke='blue' stroke-width='3'>"
                          "<g transform='scale(2)' opacity='0.5'><circle r='4'/></g><rect width='1' height='1'/></g>")},
    // Units and view boxes.
    {"units", Doc("<rect x='1in' y='1cm' width='10mm' height='12pt'/>"
                  "<rect font-size='10' x='1pc' width='2em' height='2ex'/>"
                  "<rect x='50%' y='10%' width='25%' height='1px'/><circle r='10%'/>")},
    {"units at 72 dpi", Doc("<rect x='1in' y='1cm' width='10mm' height='12pt'/>"), "px", 72.0f},
    {"image in millimetres", Doc("<rect width='50' height='20'/>"), "mm", 96.0f},
    {"image in inches", Doc("<rect width='50' height='20'/>"), "in", 96.0f},
    {"image in points", Doc("<rect width='50' height='20'/>"), "pt", 96.0f},
    {"view box scaled", "<svg width='200' height='100' viewBox='10 10 50 50'><rect x='10' y='10' width='50' "
                        "height='50' stroke='red'/></svg>"},
    {"view box mid slice", "<svg width='200' height='100' viewBox='0 0 50 50' preserveAspectRatio='xMidYMid slice'>"
                           "<rect width='50' height='50'/></svg>"},
    {"view box max meet", "<svg width='200' height='100' viewBox='0 0 50 50' preserveAspectRatio='xMaxYMax meet'>"
                          "<rect width='50' height='50'/></svg>"},
    {"view box min", "<svg width='100' height='200' viewBox='0,0,50,50' preserveAspectRatio='xMinYMin'>"
                     "<rect width='50' height='50'/></svg>"},
    {"view box none", "<svg width='100' height='200' viewBox='0 0 50 50' preserveAspectRatio='none'>"
                      "<rect width='50' height='50' stroke='red' stroke-width='2'/></svg>"},
    {"no size", "<svg viewBox='0 0 30 40'><rect width='5' height='5'/></svg>"},
    {"size in units", "<svg width='2in' height='10%'><rect width='5' height='5'/></svg>"},
    // Paint and presentation.
    {"colours", Doc("<rect width='1' height='1' fill='black'/><rect width='1' height='1' fill='cyan'/>"
                    "<rect width='1' height='1' fill='gray'/><rect width='1' height='1' fill='grey'/>"
                    "<rect width='1' height='1' fill='magenta'/><rect width='1' height='1' fill='yellow'/>"
                    "<rect width='1' height='1' fill='#1234'/><rect width='1' height='1' fill='rgb(10%,20,30)'/>"
                    "<rect width='1' height='1' fill='none' stroke='#fff' stroke-opacity='0.25' opacity='0.5'/>")},
    {"stroke settings", Doc("<path d='M0 0 L10 10' stroke='red' stroke-width='2.5' stroke-linejoin='round' "
                            "stroke-linecap='square' stroke-miterlimit='7' stroke-dasharray='4 2, 1' "
                            "stroke-dashoffset='3'/>"
                            "<path d='M0 0 L1 1' stroke='red' stroke-linejoin='bevel' stroke-linecap='round'/>"
                            "<path d='M0 0 L1 1' stroke='red' stroke-linejoin='miter' stroke-linecap='butt' "
                            "stroke-dasharray='none'/>"
                            "<path d='M0 0 L1 1' stroke='red' stroke-dasharray='0 0'/>"
                            "<path d='M0 0 L1 1' stroke='red' stroke-dasharray='-1 2'/>"
                            "<path d='M0 0 L1 1' stroke='red' stroke-dasharray='1 2 3 4 5 6 7 8 9 10'/>"
                            "<path d='M0 0 L1 1' stroke='red' stroke-dasharray='5%, 2em'/>"
                            "<path d='M0 0 L1 1' stroke='red' stroke-dasharray='1e-6'/>"
                            "<path d='M0 0 L1 1' stroke='red' stroke-dasharray='0.000001,0'/>"
                            "<path d='M0 0 L1 1' stroke='red' stroke-dasharray='0.0000011'/>")},
    {"style attribute", Doc("<rect width='2' height='2' style='fill:#00f; stroke : red ;stroke-width:3;"
                            "fill-rule:evenodd;display:none'/>"
                            "<rect width='2' height='2' style=' fill-opacity: .3 ;  ;unknown:1;opacity:0.8'/>"
                            "<rect id='x1' width='2' height='2' fill-rule='nonzero' display='inline' "
                            "font-size='20' stroke-width='1em' stroke='red'/>")},
    {"defs are not drawn", Doc("<defs><rect width='5' height='5'/><g><circle r='3'/></g></defs><rect width='1' "
                               "height='1'/>")},
    // Gradients.
    {"linear gradients", Doc("<linearGradient id='a' x1='0' y1='0' x2='1' y2='1'><stop offset='0' stop-color='red'/>"
                             "<stop offset='50%' stop-color='#0f0' stop-opacity='.5'/><stop offset='1.5' "
                             "style='stop-color:blue'/></linearGradient>"
                             "<linearGradient id='b' x1='10' y1='5' x2='90' y2='5' gradientUnits='userSpaceOnUse' "
                             "spreadMethod='reflect' gradientTransform='rotate(10)'><stop offset='0.2' "
                             "stop-color='white'/><stop offset='0.1' stop-color='black'/></linearGradient>"
                             "<linearGradient id='c' x1='10%' x2='90%' spreadMethod='repeat' "
                             "gradientUnits='objectBoundingBox'><stop stop-color='red'/><stop offset='1'/>"
                             "</linearGradient>"
                             "<rect x='10' y='20' width='40' height='20' fill='url(#a)' stroke='url(#b)'/>"
                             "<circle cx='50' cy='50' r='20' fill='url(#c)' fill-opacity='0.5'/>"
                             "<rect width='10' height='10' fill='url(#b)' transform='translate(5 5) scale(2)'/>"
                             "<rect width='10' height='10' fill=\"url('#a')\"/>")},
    {"radial gradients", Doc("<radialGradient id='r' cx='0.4' cy='0.6' r='0.3' fx='0.2' fy='0.5'><stop offset='0' "
                             "stop-color='red'/><stop offset='1' stop-color='blue'/></radialGradient>"
                             "<radialGradient id='u' cx='50' cy='50' r='30' gradientUnits='userSpaceOnUse' "
                             "spreadMethod='pad' gradientTransform='matrix(1 0 0 2 0 -50)'><stop offset='0' "
                             "stop-color='red'/><stop offset='1' stop-color='blue'/></radialGradient>"
                             "<radialGradient id='z' r='0'><stop offset='0' stop-color='red'/><stop offset='1' "
                             "stop-color='#123456'/></radialGradient>"
                             "<radialGradient id='p' cx='50%' cy='25%' r='75%'><stop offset='0' stop-color='red'/>"
                             "</radialGradient>"
                             "<ellipse cx='30' cy='40' rx='20' ry='10' fill='url(#r)'/>"
                             "<rect width='100' height='100' fill='url(#u)' stroke='url(#z)'/>"
                             "<rect x='10' width='20' height='40' fill='url(#p)'/>")},
    {"gradient references", Doc("<linearGradient id='base' x1='0.1' gradientUnits='userSpaceOnUse' "
                                "spreadMethod='reflect'><stop offset='0' stop-color='red'/><stop offset='1' "
                                "stop-color='blue'/></linearGradient>"
                                "<linearGradient id='kid' xlink:href='#base' x2='50'/>"
                                "<radialGradient id='round' href='#kid' r='10'/>"
                                "<linearGradient id='loop1' xlink:href='#loop2'/>"
                                "<linearGradient id='loop2' xlink:href='#loop1'/>"
                                "<rect width='10' height='10' fill='url(#kid)'/>"
                                "<rect width='10' height='10' fill='url(#round)'/>"
                                "<rect width='10' height='10' fill='url(#loop1)'/>"
                                "<rect width='10' height='10' fill='url(#later)'/>"
                                "<linearGradient id='later'><stop offset='0.3' stop-color='white'/></linearGradient>")},
    {"xml forms", "<?xml version='1.0'?><!-- a comment --><!DOCTYPE svg><svg width='10' height='10'>"
                  "<![CDATA[ <rect/> ]]><g ><rect width = \"3\" height= '4' /></g><text>hi</text></svg>"},
  };
}

std::string DumpCorpus()
{
  std::string out;
  for (const Document& d : Corpus()) out += std::string("== ") + d.name + "\n" + Dump(d.text, d.units, d.dpi);
  return out;
}

TEST(SvgCorpus, EveryDocumentParsesToItsRecordedShapesPathsAndPaints)
{
  const std::string golden = std::string(DROVIK_SVG_GOLDEN) + "/svg_corpus.txt";
  const std::string differences = goldentext::Compare(golden, DumpCorpus());
  EXPECT_TRUE(differences.empty()) << differences;
}

} // namespace
