// How long the SVG parser takes for a typical control icon and for a large document of many shapes.
#include <algorithm>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "svg/svg_image.h"

namespace
{
const char* const kKnobIcon =
  "<?xml version=\"1.0\"?><svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
  "width=\"64\" height=\"64\" viewBox=\"0 0 32 32\"><defs><linearGradient id=\"rim\" x2=\"0%\" y2=\"100%\">"
  "<stop offset=\"0\" stop-color=\"#fafafa\"/><stop offset=\"1\" stop-color=\"#5a5a5a\"/></linearGradient>"
  "<radialGradient id=\"cap\" xlink:href=\"#rim\" r=\"60%\"/></defs><g transform=\"translate(16 16)\">"
  "<circle r=\"15\" fill=\"url(#rim)\" stroke=\"#222\" stroke-width=\"0.5\"/><circle r=\"11\" style=\"fill:url(#cap)\"/>"
  "<rect x=\"-1\" y=\"-13\" width=\"2\" height=\"7\" rx=\"1\" fill=\"#f00\" transform=\"rotate(45)\"/>"
  "<path d=\"M12 21.35l-1.45-1.32C5.4 15.36 2 12.28 2 8.5 2 5.42 4.42 3 7.5 3c1.74 0 3.41.81 4.5 2.09C13.09 3.81 "
  "14.76 3 16.5 3 19.58 3 22 5.42 22 8.5c0 3.78-3.4 6.86-8.55 11.54L12 21.35z\" fill=\"#e53935\"/>"
  "<path d=\"M-8 8 a11 11 0 1 1 16 0\" fill=\"none\" stroke=\"#444\" stroke-dasharray=\"1 1\"/></g></svg>";

std::string LargeDocument(int shapes)
{
  std::string doc = "<svg width=\"1000\" height=\"1000\" viewBox=\"0 0 1000 1000\">";
  for (int i = 0; i < shapes; ++i)
  {
    const std::string x = std::to_string(i % 100 * 10);
    const std::string y = std::to_string(i / 100 * 10);
    doc += "<g transform=\"translate(" + x + " " + y + ")\"><path d=\"M0 0 C2 4 6 4 8 0 S9 -4 9 2 Q5 9 1 5 z\" "
           "fill=\"rgb(10,20,30)\"/><circle cx=\"4\" cy=\"4\" r=\"3\" stroke=\"blue\"/></g>";
  }
  return doc + "</svg>";
}

void Parse(benchmark::State& state, const std::string& text)
{
  std::vector<char> copy(text.size() + 1);
  for (auto _ : state)
  {
    std::copy(text.begin(), text.end(), copy.begin());
    copy[text.size()] = '\0';
    SvgImage* image = SvgParse(copy.data(), "px", 96.0f);
    benchmark::DoNotOptimize(image);
    SvgDeleteImage(image);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}

void BM_SvgParseKnobIcon(benchmark::State& state) { Parse(state, kKnobIcon); }
BENCHMARK(BM_SvgParseKnobIcon);

void BM_SvgParseLargeDocument(benchmark::State& state) { Parse(state, LargeDocument(int(state.range(0)))); }
BENCHMARK(BM_SvgParseLargeDocument)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
} // namespace

BENCHMARK_MAIN();
