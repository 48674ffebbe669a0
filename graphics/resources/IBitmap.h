// What controls hold of a loaded image: IBitmap (a back-end image with its size in points, frame count and
// frame direction) over APIBitmap (the back end's image), and ISVG over a parsed SVG image.
#pragma once

#include "core/LibString.h"

/// A parsed SVG image, as the SVG parser makes it.
struct SvgImage;

namespace plug {
namespace igraphics {

/// The drawing back end's image: a handle, a size in pixels, an integer scale and a draw scale. The back end
/// derives from it; it is deleted through the virtual destructor.
class APIBitmap
{
public:
  APIBitmap() = default;
  APIBitmap(void* handle, int width, int height, int scale, float drawScale)
    : mHandle(handle), mWidth(width), mHeight(height), mScale(scale), mDrawScale(drawScale)
  {
  }
  virtual ~APIBitmap() = default;
  APIBitmap(const APIBitmap&) = delete;
  APIBitmap& operator=(const APIBitmap&) = delete;

  void* GetBitmap() const { return mHandle; }
  int GetWidth() const { return mWidth; }
  int GetHeight() const { return mHeight; }
  int GetScale() const { return mScale; }
  float GetDrawScale() const { return mDrawScale; }

protected:
  void* mHandle = nullptr;
  int mWidth = 0;
  int mHeight = 0;
  int mScale = 1;
  float mDrawScale = 1.f;
};

class IBitmap
{
public:
  IBitmap() = default;
  IBitmap(APIBitmap* bitmap, int nFrames, bool framesAreHorizontal, const char* name = "");

  bool IsValid() const { return mAPIBitmap != nullptr; }
  APIBitmap* GetAPIBitmap() const { return mAPIBitmap; }
  int W() const { return mWidth; }
  int H() const { return mHeight; }
  int N() const { return mFrameCount; }
  bool GetFramesAreHorizontal() const { return mFramesHorizontal; }
  const char* GetResourceName() const { return mResourceName.Get(); }
  int GetScale() const { return mAPIBitmap ? mAPIBitmap->GetScale() : 1; }
  float GetDrawScale() const { return mAPIBitmap ? mAPIBitmap->GetDrawScale() : 1.f; }

  IBitmap(const IBitmap& o) { *this = o; }
  IBitmap& operator=(const IBitmap& o)
  {
    mAPIBitmap = o.mAPIBitmap;
    mWidth = o.mWidth;
    mHeight = o.mHeight;
    mFrameCount = o.mFrameCount;
    mFramesHorizontal = o.mFramesHorizontal;
    mResourceName.Set(o.mResourceName.Get());
    return *this;
  }

  APIBitmap* mAPIBitmap = nullptr; // not owned
  int mWidth = 0;
  int mHeight = 0;
  int mFrameCount = 1;
  bool mFramesHorizontal = false;
  LibString mResourceName;
};

/// An SVG image as controls hold it: a pointer to the cached image (null when loading failed).
struct ISVG
{
  ::SvgImage* mImage = nullptr;
  explicit ISVG(::SvgImage* image = nullptr) : mImage(image) {}
  bool IsValid() const { return mImage != nullptr; }
};

/// What the SVG cache keeps: the parsed image, freed with the entry.
struct SVGHolder
{
  explicit SVGHolder(::SvgImage* image) : mImage(image) {}
  ~SVGHolder();
  SVGHolder(const SVGHolder&) = delete;
  SVGHolder& operator=(const SVGHolder&) = delete;
  ::SvgImage* mImage;
};

} // namespace igraphics
} // namespace plug
