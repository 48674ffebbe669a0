// drovik-artwork OUTDIR: draws every editor bitmap with our own renderer (Vexel on the Metal stand-in, headless)
// and writes NAME.png (1x) and NAME@2x.png (2x) into OUTDIR, frames stacked vertically. Run at build time.
#include <cstdio>
#include <string>
#include <vector>

#include <stb/stb_image_write.h>

#include "artwork.h"
#include "metal/metal.h"
#include "metal_vexel.h"
#include "paint.h"

namespace {

bool Paint(VXcontext* vg, const EditorBitmap& b, int frame)
{
  return art::PaintPanel(vg, b, frame) || art::PaintMeter(vg, b, frame) || art::PaintControl(vg, b, frame);
}

/// Straight alpha for the PNG: the renderer writes premultiplied colour.
void Unpremultiply(std::vector<unsigned char>& rgba)
{
  for (size_t i = 0; i < rgba.size(); i += 4)
  {
    int a = rgba[i + 3];
    if (a == 0 || a == 255) continue;
    for (int c = 0; c < 3; ++c) rgba[i + c] = (unsigned char)std::min(255, (rgba[i + c] * 255 + a / 2) / a);
  }
}

bool WriteBitmap(VXcontext* vg, const EditorBitmap& b, int scale, const std::string& path)
{
  const int w = b.width * scale, h = b.height * scale;
  MVXframebuffer* fb = mvxCreateFramebuffer(vg, w, h, 0);
  if (!fb || fb->image <= 0) return false;
  std::vector<unsigned char> strip((size_t)w * h * b.frames * 4);
  bool ok = true;
  for (int frame = 0; frame < b.frames && ok; ++frame)
  {
    mvxBindFramebuffer(fb);
    mvxClearWithColor(vg, VXcolor{{{0, 0, 0, 0}}});
    vxBeginFrame(vg, (float)b.width, (float)b.height, (float)scale);
    ok = Paint(vg, b, frame);
    vxEndFrame(vg);
    mvxBindFramebuffer(nullptr);
    ok = ok && mvxReadPixels(vg, fb->image, 0, 0, w, h, &strip[(size_t)w * h * 4 * frame]) != 0;
  }
  mvxDeleteFramebuffer(fb);
  if (!ok) return false;
  Unpremultiply(strip);
  return stbi_write_png(path.c_str(), w, h * b.frames, 4, strip.data(), w * 4) != 0;
}

} // namespace

int main(int argc, char** argv)
{
  if (argc != 2)
  {
    std::fprintf(stderr, "usage: drovik-artwork OUTDIR\n");
    return 2;
  }
  CAMetalLayer layer;
  layer.setDrawableSize(CGSize{64, 64});
  VXcontext* vg = mvxCreateContext(&layer, kMvxAntiAlias | kMvxStencilStrokes | kMvxTripleBuffer);
  if (!vg || !art::LoadFonts(vg))
  {
    std::fprintf(stderr, "drovik-artwork: no renderer or fonts\n");
    mvxDeleteContext(vg);
    return 1;
  }
  int failures = 0;
  for (const EditorBitmap& b : kEditorBitmaps)
  {
    std::string base = std::string(argv[1]) + "/" + b.name;
    std::string name2x = base.substr(0, base.size() - 4) + "@2x.png";
    for (auto [scale, path] : {std::pair{1, base}, std::pair{2, name2x}})
      if (!WriteBitmap(vg, b, scale, path))
      {
        std::fprintf(stderr, "drovik-artwork: cannot draw or write %s\n", path.c_str());
        ++failures;
      }
  }
  mvxDeleteContext(vg);
  return failures ? 1 : 0;
}
