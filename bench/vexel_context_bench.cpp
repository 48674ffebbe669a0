// The editor's drawing through the whole chain, headless: a 468 x 450 frame of 56 bitmap controls (48 x 48
// frames of a two-frame strip) and 20 text runs, all redrawn each frame, at screen scale 1 and 2; and the layout of
// 100 text labels with the font cache warm.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <cstdio>
#include <string>
#include <vector>

#include <stb/stb_image_write.h>

#include "core/IEditorDelegate.h"
#include "foundation/bundle.h"
#include "platform/headless/IGraphicsHeadless.h"
#include "test_delegate.h"

using namespace plug::igraphics;

namespace {

constexpr const char* kBundleID = "com.example.bench";
constexpr const char* kRoboto = "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf";
constexpr int kEditorW = 468, kEditorH = 450;
constexpr int kBitmapControls = 56, kTextRuns = 20, kLabels = 100;
constexpr int kFrameSize = 48;

/// A bundle in a temporary folder with a two-frame knob strip at 1x and 2x and the Roboto font.
std::string MakeBundle()
{
  char tmpl[] = "/tmp/drovik-bench-XXXXXX";
  const std::string root = mkdtemp(tmpl) ? tmpl : "/tmp";
  const std::string resources = root + "/Bench.vst/Contents/Resources";
  std::system(("mkdir -p '" + resources + "' && cp '" + kRoboto + "' '" + resources + "/'").c_str());
  for (int scale : {1, 2})
  {
    const int w = kFrameSize * scale, h = 2 * kFrameSize * scale;
    std::vector<unsigned char> rgba(size_t(w) * size_t(h) * 4);
    for (size_t i = 0; i < rgba.size(); i += 4)
      rgba[i] = (unsigned char)(i / 4 % 251), rgba[i + 1] = 90, rgba[i + 2] = 160, rgba[i + 3] = 255;
    const std::string name = resources + (scale == 1 ? "/knob.png" : "/knob@2x.png");
    stbi_write_png(name.c_str(), w, h, 4, rgba.data(), w * 4);
  }
  foundation::Bundle::Register(kBundleID, root + "/Bench.vst");
  return root;
}

IRECT Box(float x, float y, float w, float h) { return IRECT(x, y, x + w, y + h); }

class BitmapControl : public IControl
{
public:
  explicit BitmapControl(const IRECT& r) : IControl(r) {}
  void OnRescale() override { mBitmap = GetUI()->LoadBitmap("knob.png", 2); }
  void Draw(IGraphics& g) override { g.DrawBitmapFrame(mBitmap, GetRECT(), 2); }

private:
  IBitmap mBitmap;
};

class TextControl : public IControl
{
public:
  explicit TextControl(const IRECT& r) : IControl(r) {}
  void Draw(IGraphics& g) override { g.DrawText(IText(13.f), "-12.5 dB", GetRECT()); }
};

struct Editor
{
  explicit Editor(int screenScale) : mGraphics(mDelegate, kEditorW, kEditorH, 60)
  {
    static const std::string root = MakeBundle();
    mGraphics.SetBundleID(kBundleID);
    mGraphics.mScreenScaleOnOpen = screenScale;
    mDelegate.mLayoutFunc = [](IGraphics* g) {
      g->LoadFont("Roboto-Regular", "Roboto-Regular.ttf");
      g->AttachPanelBackground(IPaintPattern(IColor(255, 40, 40, 48)));
      for (int i = 0; i < kBitmapControls; ++i)
        g->AttachControl(new BitmapControl(Box(float(8 + (i % 8) * 56), float(8 + (i / 8) * 56), kFrameSize, kFrameSize)));
      for (int i = 0; i < kTextRuns; ++i)
        g->AttachControl(new TextControl(Box(float(8 + (i % 4) * 112), float(400 + (i / 4) * 9), 104.f, 9.f)));
    };
    mGraphics.OpenWindow(nullptr);
  }
  graphicstest::TestDelegate mDelegate{0};
  IGraphicsHeadless mGraphics;
};

void FullFrame(benchmark::State& state)
{
  Editor editor(int(state.range(0)));
  for (auto _ : state)
  {
    editor.mGraphics.DrawFullFrame();
    benchmark::DoNotOptimize(editor.mGraphics.ReadFrame().mRGBA.data());
  }
}
BENCHMARK(FullFrame)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void TextLayout(benchmark::State& state)
{
  Editor editor(1);
  IGraphics& g = editor.mGraphics;
  std::vector<std::string> labels;
  for (int i = 0; i < kLabels; ++i)
    labels.push_back("Label " + std::to_string(i) + " dB");
  IRECT bounds;
  for (const std::string& label : labels)
    g.MeasureText(IText(13.f), label.c_str(), bounds); // warms the glyph cache
  for (auto _ : state)
    for (const std::string& label : labels)
    {
      bounds = IRECT(0, 0, 100, 20);
      benchmark::DoNotOptimize(g.MeasureText(IText(13.f), label.c_str(), bounds));
    }
}
BENCHMARK(TextLayout)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
