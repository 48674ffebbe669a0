// Fuzz target: bytes from outside decoded as an image, as loading a bitmap from data does: the renderer sizes the
// image from its header, refuses it when too large, else decodes it (PNG or JPEG) into a texture.
#include <cstddef>
#include <cstdint>

#include "vexel.h"
#include "vexel_fuzz_renderer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  vxfuzz::Backend backend;
  VXrenderParams params = backend.Params();
  VXcontext* ctx = vxCreateContext(&params);
  if (!ctx) return 0;
  const int image = vxCreateImageFromMemory(ctx, 0, data, (int)size);
  if (image > 0)
  {
    int w = 0, h = 0;
    vxGetImageSize(ctx, image, &w, &h);
    if (w <= 0 || h <= 0 || w > VX_MAX_IMAGE_SIDE || h > VX_MAX_IMAGE_SIDE) __builtin_trap();
    vxDeleteImage(ctx, image);
  }
  vxDeleteContext(ctx);
  return 0;
}
