// Vexel images: PNG and JPEG decoded by Debian's libpng and libjpeg-turbo and handed to the back end as textures.
#include <cstdio>
#include <vector>

#include "image_decoder.h"
#include "vexel.h"
#include "vexel_context.h"

namespace {
constexpr long kMaxImageFileSize = 256L * 1024 * 1024;

int CreateImage(VXcontext* ctx, int imageFlags, const unsigned char* data, size_t size)
{
  const vexelimage::Pixels pixels = vexelimage::Decode(data, size, VX_MAX_IMAGE_SIDE, VX_MAX_IMAGE_PIXELS);
  if (pixels.rgba.empty()) return 0;
  return vxCreateImageFromPixels(ctx, pixels.width, pixels.height, imageFlags, pixels.rgba.data());
}
} // namespace

int vxCreateImageFromFile(VXcontext* ctx, const char* filename, int imageFlags)
{
  if (!filename) return 0;
  std::FILE* f = std::fopen(filename, "rb");
  if (!f) return 0;
  long size = -1;
  if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
  std::vector<unsigned char> bytes;
  if (size > 0 && size <= kMaxImageFileSize && std::fseek(f, 0, SEEK_SET) == 0)
  {
    bytes.resize((size_t)size);
    if (std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size()) bytes.clear();
  }
  std::fclose(f);
  return bytes.empty() ? 0 : CreateImage(ctx, imageFlags, bytes.data(), bytes.size());
}

int vxCreateImageFromMemory(VXcontext* ctx, int imageFlags, const unsigned char* data, int dataSize)
{
  if (!data || dataSize <= 0) return 0;
  return CreateImage(ctx, imageFlags, data, (size_t)dataSize);
}

int vxCreateImageFromPixels(VXcontext* ctx, int w, int h, int imageFlags, const unsigned char* data)
{
  if (!ctx->params.renderCreateTexture) return 0;
  return ctx->params.renderCreateTexture(ctx->params.userPtr, VX_TEXTURE_RGBA, w, h, imageFlags, data);
}

void vxUpdateImage(VXcontext* ctx, int image, const unsigned char* data)
{
  int w = 0, h = 0;
  vxGetImageSize(ctx, image, &w, &h);
  if (ctx->params.renderUpdateTexture) ctx->params.renderUpdateTexture(ctx->params.userPtr, image, 0, 0, w, h, data);
}

void vxGetImageSize(VXcontext* ctx, int image, int* w, int* h)
{
  if (ctx->params.renderGetTextureSize) ctx->params.renderGetTextureSize(ctx->params.userPtr, image, w, h);
}

void vxDeleteImage(VXcontext* ctx, int image)
{
  if (ctx->params.renderDeleteTexture) ctx->params.renderDeleteTexture(ctx->params.userPtr, image);
}
