#include "metal_test_support.h"

#include <cstdlib>
#include <sstream>

#include <stb/stb_image.h>
#include <stb/stb_image_write.h>

namespace mvxtest {

const char* const kRobotoPath = "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf";

Image ReadTexture(const MTLTexture& texture)
{
  Image image;
  image.width = (int)texture.width(), image.height = (int)texture.height();
  image.rgba.resize((size_t)image.width * image.height * 4);
  texture.getBytes(image.rgba.data(), image.width * 4, MTLRegionMake2D(0, 0, image.width, image.height), 0);
  if (texture.pixelFormat() == MTLPixelFormatBGRA8Unorm)
    for (size_t i = 0; i < image.rgba.size(); i += 4) std::swap(image.rgba[i], image.rgba[i + 2]);
  return image;
}

bool WritePng(const Image& image, const std::string& path)
{
  return stbi_write_png(path.c_str(), image.width, image.height, 4, image.rgba.data(), image.width * 4) != 0;
}

bool WritePng(const MTLTexture& texture, const std::string& path) { return WritePng(ReadTexture(texture), path); }

std::string CompareGolden(const Image& image, const std::string& name)
{
  std::string golden = std::string(DROVIK_GOLDEN_DIR) + "/" + name + ".png";
  if (getenv("DROVIK_UPDATE_GOLDEN")) return WritePng(image, golden) ? "" : "cannot write " + golden;
  int w = 0, h = 0, n = 0;
  unsigned char* expected = stbi_load(golden.c_str(), &w, &h, &n, 4);
  if (!expected) return "no golden " + golden;
  std::ostringstream out;
  if (w != image.width || h != image.height)
    out << "size " << image.width << "x" << image.height << ", golden " << w << "x" << h;
  else
  {
    int bad = 0;
    for (int i = 0; i < w * h * 4; ++i)
      if (expected[i] != image.rgba[i] && bad++ == 0)
        out << "first difference at (" << (i / 4) % w << ", " << (i / 4) / w << ") channel " << i % 4 << ": "
            << (int)image.rgba[i] << " vs " << (int)expected[i];
    if (bad) out << "; " << bad << " channel values differ";
  }
  stbi_image_free(expected);
  if (!out.str().empty()) WritePng(image, name + ".actual.png");
  return out.str();
}

Surface::Surface(int w, int h, int flags, bool framebuffer) : width(w), height(h)
{
  layer.setDrawableSize(CGSize{(double)w, (double)h});
  ctx = mvxCreateContext(&layer, flags);
  if (ctx && framebuffer) fb = mvxCreateFramebuffer(ctx, w, h, 0);
}

Surface::~Surface()
{
  mvxDeleteFramebuffer(fb);
  mvxDeleteContext(ctx);
}

void Surface::Begin(VXcolor clear)
{
  if (fb) mvxBindFramebuffer(fb);
  mvxClearWithColor(ctx, clear);
  vxBeginFrame(ctx, (float)width, (float)height, 1.0f);
}

void Surface::End()
{
  vxEndFrame(ctx);
  if (fb) mvxBindFramebuffer(nullptr);
}

void FillRect(VXcontext* ctx, float x, float y, float w, float h, VXcolor color)
{
  vxBeginPath(ctx);
  vxRectPath(ctx, x, y, w, h);
  vxSetFillColor(ctx, color);
  vxFillPath(ctx);
}

Image Surface::Read()
{
  Image image;
  image.width = width, image.height = height;
  image.rgba.resize((size_t)width * height * 4);
  if (fb) mvxReadPixels(ctx, fb->image, 0, 0, width, height, image.rgba.data());
  return image;
}

} // namespace mvxtest
