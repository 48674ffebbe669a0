// Hostile and broken documents: deep nesting, huge and endless numbers, long separator runs, unterminated tags
// and attributes, binary noise. Each must parse to some image without reading or writing out of bounds (the
// sanitizer build runs these too).
#include <cmath>
#include <cstdint>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "svg_test_support.h"

using svgtest::Doc;
using svgtest::Parsed;
using svgtest::PathDoc;

namespace
{
std::string Repeat(const std::string& s, int n)
{
  std::string out;
  out.reserve(s.size() * size_t(n));
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

// Every path a start point plus whole segments, every count within what was allocated.
void ExpectSound(const Parsed& svg)
{
  ASSERT_NE(svg.image(), nullptr);
  for (const SvgShape* shape : svg.shapes())
  {
    EXPECT_GE(shape->strokeDashCount, 0);
    EXPECT_LE(shape->strokeDashCount, 8);
    EXPECT_EQ(shape->id[63], '\0');
    for (const SvgPath* path : Parsed::paths(*shape))
    {
      EXPECT_GE(path->npts, 4);
      EXPECT_EQ((path->npts - 1) % 3, 0);
    }
    for (const SvgPaint* paint : {&shape->fill, &shape->stroke})
    {
      if (paint->type == kSvgPaintLinearGradient || paint->type == kSvgPaintRadialGradient)
      {
        EXPECT_GT(paint->gradient->nstops, 0);
      }
    }
  }
}
} // namespace

TEST(SvgBadInput, DeepNestingOfGroupsAndUnknownElements)
{
  const int depth = 100000;
  ExpectSound(Parsed(Doc(Repeat("<g fill=\"red\">", depth) + "<rect width=\"1\" height=\"1\"/>" + Repeat("</g>", depth))));
  ExpectSound(Parsed(Doc(Repeat("<g>", depth) + "<circle r=\"3\"/>")));
  ExpectSound(Parsed(Doc(Repeat("</g>", depth) + "<circle r=\"3\"/>")));
  ExpectSound(Parsed(Repeat("<svg><defs><g>", depth / 10) + "<rect width=\"1\" height=\"1\"/>"));
  ExpectSound(Parsed(Doc(Repeat("<a><b>", depth))));
}

TEST(SvgBadInput, HugeAndEndlessNumbers)
{
  const std::string digits(5000, '9');
  const char* paths[] = {
    "M1e999999999 1e-999999999 L-1e38 1e38 C1e38 -1e38 1e38 1e38 -1e38 0",
    "M0 0 A1e38 1e38 0 1 1 1e38 1e38",
    "M0 0 A1e-38 1e38 1e38 1 1 1 1",
    "M0 0 A3 4 99999999999 1 0 1e-30 1e-30",
    "M-0 -0 A5 5 0 0 1 0.0000001 0",
    "M0 0 A1e30 1e30 0 0 1 1e30 1e-30 A1e30 1 0 0 0 0 0",
    "M0 0 Q1e38 1e38 -1e38 -1e38 T1e38 1e38 S-1e38 -1e38 1e38 1e38",
    "M 0e 0E 1e+ 1e- .e5 -.e L +. -. ..",
  };
  for (const char* d : paths) ExpectSound(Parsed(PathDoc(d)));

  ExpectSound(Parsed(PathDoc("M" + digits + " 1 L" + digits + "." + digits + "e" + digits + " 2")));
  ExpectSound(Parsed(Doc("<rect width=\"" + digits + "\" height=\"1e400\" rx=\"" + digits + "\"/>")));
  ExpectSound(Parsed(Doc("<circle r=\"0." + digits + "e-" + digits + "\" opacity=\"" + digits + "\"/>")));
  ExpectSound(Parsed("<svg width=\"1e38\" height=\"-1e38\" viewBox=\"1e38 -1e38 1e-38 1e38\"><rect width=\"1\" "
                     "height=\"1\" transform=\"scale(1e38) rotate(1e38)\" stroke-width=\"1e38\"/></svg>"));
  ExpectSound(Parsed("<svg viewBox=\"0 0 0 0\" width=\"0\"><rect width=\"1\" height=\"1\"/></svg>"));
  ExpectSound(Parsed(Doc("<rect width=\"1\" height=\"1\" fill=\"rgb(" + digits + "%," + digits + "," + digits + ")\" "
                         "fill-opacity=\"nan\" stroke-opacity=\"1e999\" stroke=\"red\"/>")));
}

TEST(SvgBadInput, LongSeparatorRunsStayBounded)
{
  const std::string commas(100000, ',');
  const std::string spaces(100000, ' ');
  ExpectSound(Parsed(Doc("<rect width=\"1\" height=\"1\" fill=\"rgb(1" + commas + "%2" + spaces + "3)\"/>")));
  ExpectSound(Parsed("<svg viewBox=\"0" + commas + "0" + spaces + "%%%10" + commas + "10\"><line x2=\"1\"/></svg>"));
  ExpectSound(Parsed(PathDoc("M0" + commas + "0 L" + spaces + "5" + commas + "5")));
  ExpectSound(Parsed(Doc("<line x2=\"1\" stroke-dasharray=\"" + commas + "1" + spaces + "2" + commas + "\"/>")));
  ExpectSound(Parsed(Doc("<line x2=\"1\" transform=\"translate(" + commas + "1" + spaces + "2)\"/>")));
  ExpectSound(Parsed(Doc("<line x2=\"1\" style=\"" + Repeat(";", 100000) + "fill:" + spaces + "red\"/>")));
}

TEST(SvgBadInput, ManyStopsAndReferenceLoops)
{
  std::string stops;
  for (int i = 0; i < 5000; ++i) stops += "<stop offset=\"" + std::to_string((i * 7919) % 1000 / 1000.0) + "\"/>";
  Parsed svg(Doc("<linearGradient id=\"g\">" + stops + "</linearGradient><rect width=\"1\" height=\"1\" "
                 "fill=\"url(#g)\"/>"));
  ExpectSound(svg);
  const SvgGradient& g = *svg.shape().fill.gradient;
  ASSERT_EQ(g.nstops, 5000);
  for (int i = 1; i < g.nstops; ++i) EXPECT_LE(g.stops[i - 1].offset, g.stops[i].offset);

  std::string loop;
  for (int i = 0; i < 200; ++i)
    loop += "<radialGradient id=\"r" + std::to_string(i) + "\" xlink:href=\"#r" + std::to_string((i + 1) % 200) + "\"/>";
  ExpectSound(Parsed(Doc(loop + "<rect width=\"1\" height=\"1\" fill=\"url(#r0)\" stroke=\"url(#r5)\"/>")));
  ExpectSound(Parsed(Doc("<radialGradient id=\"self\" xlink:href=\"#self\"/><circle r=\"2\" fill=\"url(#self)\"/>")));
}
