#include "platform/mac/VexelPainter.h"

#include <algorithm>
#include <cmath>

#include "coretext/font_descriptor.h"
#include "metal/metal.h"
#include "metal_vexel.h"
#include "platform/mac/CoreTextFont.h"

namespace plug {
namespace igraphics {

namespace {

/// The face the windows use when the style names none, or one that cannot be found.
constexpr const char* kDefaultFamily = "sans-serif";

VXcolor ColorOf(const appkit::DeviceColor& c)
{
  return vxColorFromFloats(float(c.red), float(c.green), float(c.blue), float(c.alpha));
}

} // namespace

VexelPainter::VexelPainter() = default;

VexelPainter::~VexelPainter()
{
  if (mFramebuffer)
    mvxDeleteFramebuffer(mFramebuffer);
  if (mContext)
    mvxDeleteContext(mContext);
}

bool VexelPainter::IsReady()
{
  if (!mTried)
  {
    mTried = true;
    mLayer = std::make_unique<CAMetalLayer>();
    mLayer->setDrawableSize(CGSize{64, 64});
    mContext = mvxCreateContext(mLayer.get(), kMvxAntiAlias | kMvxTripleBuffer);
  }
  return mContext != nullptr;
}

int VexelPainter::FontFor(const std::string& name)
{
  const std::string key = name.empty() ? kDefaultFamily : name;
  auto known = mFonts.find(key);
  if (known != mFonts.end())
    return known->second;
  int font = -1;
  // A font the editor loaded under this name, from its file; else the family fontconfig matches.
  const CoreTextFontDescriptor* cached = FindCachedFont(key.c_str());
  if (cached && cached->GetDescriptor() && !cached->GetDescriptor()->mPath.empty())
    font = vxAddFontFileFace(mContext, key.c_str(), cached->GetDescriptor()->mPath.c_str(),
                             cached->GetDescriptor()->mFaceIndex);
  if (font < 0)
    if (coretext::FontDescriptorRef found = coretext::DescriptorForFamily(key, coretext::FontStyle::kRegular))
      font = vxAddFontFileFace(mContext, key.c_str(), found->mPath.c_str(), found->mFaceIndex);
  if (key != kDefaultFamily)
  {
    // Characters the face lacks (check marks, arrows) come from the default face.
    const int fallback = FontFor(kDefaultFamily);
    if (font < 0)
      font = fallback;
    else if (fallback >= 0)
      vxAddFallbackFontById(mContext, font, fallback);
  }
  mFonts[key] = font;
  return font;
}

bool VexelPainter::UseFont(const appkit::TextStyle& style)
{
  if (!IsReady())
    return false;
  const int font = FontFor(style.fontFamily);
  if (font < 0)
    return false;
  vxSetFontFaceById(mContext, font);
  vxSetFontSize(mContext, float(style.size));
  vxSetLetterSpacing(mContext, 0.0f);
  vxSetTextAlign(mContext, VX_ALIGN_LEFT | VX_ALIGN_BASELINE);
  return true;
}

void VexelPainter::Begin(appkit::Size size, double scale, const appkit::DeviceColor& background)
{
  mWidth = std::max(1, static_cast<int>(std::ceil(size.width * scale)));
  mHeight = std::max(1, static_cast<int>(std::ceil(size.height * scale)));
  mPixels.assign(size_t(mWidth) * size_t(mHeight) * 4, 0);
  if (!IsReady())
    return;
  if (!mFramebuffer || mFramebufferWidth < mWidth || mFramebufferHeight < mHeight)
  {
    if (mFramebuffer)
      mvxDeleteFramebuffer(mFramebuffer);
    mFramebufferWidth = std::max(mWidth, mFramebufferWidth);
    mFramebufferHeight = std::max(mHeight, mFramebufferHeight);
    mFramebuffer = mvxCreateFramebuffer(mContext, mFramebufferWidth, mFramebufferHeight, 0);
    if (mFramebuffer && mFramebuffer->image <= 0)
    {
      mvxDeleteFramebuffer(mFramebuffer);
      mFramebuffer = nullptr;
    }
  }
  if (!mFramebuffer)
    return;
  mOuterFramebuffer = mvxBoundFramebuffer();
  mvxBindFramebuffer(mFramebuffer);
  mvxClearWithColor(mContext, ColorOf(background));
  vxBeginFrame(mContext, float(mFramebufferWidth / scale), float(mFramebufferHeight / scale), float(scale));
  mDrawing = true;
}

void VexelPainter::FillRect(appkit::Rect r, const appkit::DeviceColor& color)
{
  if (!mDrawing)
    return;
  vxBeginPath(mContext);
  vxRectPath(mContext, float(r.origin.x), float(r.origin.y), float(r.size.width), float(r.size.height));
  vxSetFillColor(mContext, ColorOf(color));
  vxFillPath(mContext);
}

void VexelPainter::DrawText(const std::string& utf8, appkit::Point baselineStart, const appkit::TextStyle& style)
{
  if (!mDrawing || utf8.empty() || !UseFont(style))
    return;
  vxSetFillColor(mContext, ColorOf(style.color));
  vxDrawText(mContext, float(baselineStart.x), float(baselineStart.y), utf8.c_str(), nullptr);
}

appkit::FrameImage VexelPainter::End()
{
  if (mDrawing)
  {
    vxEndFrame(mContext);
    mvxBindFramebuffer(mOuterFramebuffer);
    mDrawing = false;
    if (mvxReadPixels(mContext, mFramebuffer->image, 0, 0, mWidth, mHeight, mPixels.data()))
      for (size_t i = 0; i < mPixels.size(); i += 4) // RGBA to BGRA, opaque
      {
        std::swap(mPixels[i], mPixels[i + 2]);
        mPixels[i + 3] = 255;
      }
  }
  appkit::FrameImage image;
  image.pixels = mPixels.data();
  image.width = mWidth;
  image.height = mHeight;
  image.bytesPerRow = size_t(mWidth) * 4;
  return image;
}

double VexelPainter::TextWidth(const std::string& utf8, const appkit::TextStyle& style)
{
  if (utf8.empty() || !IsReady())
    return 0.0;
  vxSaveState(mContext);
  const double width = UseFont(style) ? vxMeasureText(mContext, 0, 0, utf8.c_str(), nullptr, nullptr) : 0.0;
  vxRestoreState(mContext);
  return width;
}

appkit::LineMetrics VexelPainter::Metrics(const appkit::TextStyle& style)
{
  appkit::LineMetrics m{style.size * 0.8, style.size * 0.2};
  if (!IsReady())
    return m;
  vxSaveState(mContext);
  if (UseFont(style))
  {
    float ascender = 0, descender = 0, line = 0;
    vxTextMetrics(mContext, &ascender, &descender, &line);
    m.ascender = ascender;
    m.descender = -descender;
  }
  vxRestoreState(mContext);
  return m;
}

} // namespace igraphics
} // namespace plug
