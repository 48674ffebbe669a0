// Helpers for the Metal renderer's tests: a headless surface (layer, context, framebuffer), PNG writing of a
// presented drawable or a framebuffer, and comparison against golden PNGs (DROVIK_UPDATE_GOLDEN=1 rewrites them).
#pragma once

#include <string>
#include <vector>

#include "metal/metal.h"
#include "metal_vexel.h"

namespace mvxtest {

/// RGBA pixels, rows packed.
struct Image
{
  int width = 0, height = 0;
  std::vector<unsigned char> rgba;
  const unsigned char* At(int x, int y) const { return &rgba[((size_t)y * width + x) * 4]; }
};

/// A texture's pixels as straight RGBA (BGRA drawables are reordered).
Image ReadTexture(const MTLTexture& texture);
bool WritePng(const Image& image, const std::string& path);
bool WritePng(const MTLTexture& texture, const std::string& path);

/// Compares with golden/NAME.png, every channel of every pixel exactly; writes NAME.actual.png beside the test binary
/// on a mismatch. With DROVIK_UPDATE_GOLDEN set it writes the golden instead. Returns a description of the mismatch.
std::string CompareGolden(const Image& image, const std::string& name);

/// A layer of w x h pixels and a context drawing into it, optionally through a framebuffer of the same size.
struct Surface
{
  Surface(int w, int h, int flags = kMvxAntiAlias | kMvxStencilStrokes | kMvxTripleBuffer, bool framebuffer = true);
  ~Surface();
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;
  void Begin(VXcolor clear = VXcolor{{{1, 1, 1, 1}}}); // binds the framebuffer, clears, begins a frame
  void End();                                           // ends the frame (and unbinds)
  Image Read();                                          // the framebuffer's pixels
  int width, height;
  CAMetalLayer layer;
  VXcontext* ctx = nullptr;
  MVXframebuffer* fb = nullptr;
};

/// Fills the rectangle x, y, w, h with one colour under the context's current state.
void FillRect(VXcontext* ctx, float x, float y, float w, float h, VXcolor color);

extern const char* const kRobotoPath;

} // namespace mvxtest
