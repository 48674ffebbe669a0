#include "graphics/resources/IBitmap.h"

namespace plug {
namespace igraphics {

IBitmap::IBitmap(APIBitmap* bitmap, int nFrames, bool framesAreHorizontal, const char* name)
  : mAPIBitmap(bitmap), mFrameCount(nFrames), mFramesHorizontal(framesAreHorizontal)
{
  if (bitmap && bitmap->GetScale() > 0)
  {
    mWidth = bitmap->GetWidth() / bitmap->GetScale();
    mHeight = bitmap->GetHeight() / bitmap->GetScale();
  }
  mResourceName.Set(name ? name : "");
}

} // namespace igraphics
} // namespace plug
