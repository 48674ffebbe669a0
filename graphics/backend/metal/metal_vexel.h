// The Metal renderer of Vexel: makes a Vexel context whose render callbacks draw with Metal into a layer's
// drawables or into off-screen framebuffers, and the framebuffer, read-back and texture functions around it.
#pragma once

#include <memory>

#include "vexel.h"

class CAMetalLayer;
class MTLCommandQueue;
class MTLDevice;
class MTLTexture;

/// Creation flags.
constexpr int kMvxAntiAlias = 1;
constexpr int kMvxStencilStrokes = 2;
constexpr int kMvxDebug = 4;
constexpr int kMvxDoubleBuffer = 0x1000;
constexpr int kMvxTripleBuffer = 0x2000;
/// Image flag of a slot that holds a texture it does not own.
constexpr int kMvxImageNoDelete = 0x10000;

/// An off-screen RGBA render target: the context it belongs to and its image (0 or less when creation failed).
struct MVXframebuffer
{
  VXcontext* ctx;
  int image;
};

// Every function below: [main thread].
/// A Vexel context drawing into the layer (which keeps its own lifetime); null when the renderer cannot start.
VXcontext* mvxCreateContext(CAMetalLayer* layer, int flags);
/// Deletes the context; the renderer waits for its frames in flight first.
void mvxDeleteContext(VXcontext* ctx);

MVXframebuffer* mvxCreateFramebuffer(VXcontext* ctx, int w, int h, int imageFlags);
/// The framebuffer the renderers draw into; null for the layer. One binding for the process: a renderer uses it
/// only when the framebuffer belongs to its own context.
void mvxBindFramebuffer(MVXframebuffer* fb);
MVXframebuffer* mvxBoundFramebuffer();
/// Frees it and its image; a bound framebuffer is unbound first. Null is ignored.
void mvxDeleteFramebuffer(MVXframebuffer* fb);
/// The renderer's next pass clears to this colour.
void mvxClearWithColor(VXcontext* ctx, VXcolor color);
/// Copies the region (x, y, w, h) of an image, rows packed at the region's width, once every frame in flight that
/// draws into it has finished. Returns 0 (copying nothing) for an unknown image or a region outside it.
int mvxReadPixels(VXcontext* ctx, int image, int x, int y, int w, int h, void* bytes);

std::shared_ptr<MTLCommandQueue> mvxGetCommandQueue(VXcontext* ctx);
std::shared_ptr<MTLDevice> mvxGetDevice(VXcontext* ctx);
/// A new RGBA image over an existing texture, which the image never frees; 0 on failure.
int mvxImageFromTexture(VXcontext* ctx, std::shared_ptr<MTLTexture> texture, int imageFlags);
/// The image's texture once every frame in flight that draws into it has finished; null for an unknown image.
std::shared_ptr<MTLTexture> mvxImageTexture(VXcontext* ctx, int image);
/// Buffer sets held by frames the renderer has begun and not finished: the one being built and those the command
/// worker has not completed. A frame begun while every set is held waits for the worker.
int mvxFramesInFlight(VXcontext* ctx);
/// Writes into rgba (w x h premultiplied RGBA pixels, rows packed) what a fill with an image pattern paints at the
/// pixel centres of the region (x, y, w, h) of the frame's pixels when the whole image is spread over
/// (originX, originY, width, height) pixels, sampled and converted as the fragment stage does it. Returns 0
/// (writing nothing) for an unknown, one-channel or flipped image or a region or pattern with no area.
int mvxResampleImage(VXcontext* ctx, int image, float originX, float originY, float width, float height, int x,
                     int y, int w, int h, unsigned char* rgba);
/// Image flags as this renderer takes them: Metal textures need no translation, so the flags as given.
int mvxImageFlagsForPlatform(int imageFlags);
/// Whether the renderer can run here: always 1 (the CPU stands in for the GPU everywhere).
int mvxRendererAvailable();
