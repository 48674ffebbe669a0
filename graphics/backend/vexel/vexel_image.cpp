// Vexel images: decoding PNG and JPEG through stb_image and handing the pixels to the back end as textures.
#include <cstring>

// stb_image is compiled here, private to this module, limited to the two formats the editor uses.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#include <stb/stb_image.h>

#include "vexel.h"
#include "vexel_context.h"

int vxCreateImageFromFile(VXcontext* ctx, const char* filename, int imageFlags)
{
  if (!filename) return 0;
  int w, h, n;
  stbi_set_unpremultiply_on_load(1);
  stbi_convert_iphone_png_to_rgb(1);
  unsigned char* img = stbi_load(filename, &w, &h, &n, 4);
  if (img == nullptr) return 0;
  int image = vxCreateImageFromPixels(ctx, w, h, imageFlags, img);
  stbi_image_free(img);
  return image;
}

int vxCreateImageFromMemory(VXcontext* ctx, int imageFlags, const unsigned char* data, int ndata)
{
  if (!data || ndata <= 0) return 0;
  int w, h, n;
  unsigned char* img = stbi_load_from_memory(data, ndata, &w, &h, &n, 4);
  if (img == nullptr) return 0;
  int image = vxCreateImageFromPixels(ctx, w, h, imageFlags, img);
  stbi_image_free(img);
  return image;
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
