#include "platform/headless/IGraphicsHeadless.h"

#include <algorithm>

#include "core/IEditorDelegate.h"
#include "platform/mac/CoreTextFont.h"

namespace plug {
namespace igraphics {

IGraphicsHeadless::IGraphicsHeadless(IGEditorDelegate& delegate, int w, int h, int fps, float scale)
  : IGraphicsVexel(delegate, w, h, fps, scale)
{
}

IGraphicsHeadless::~IGraphicsHeadless() { CloseWindow(); }

int IGraphicsHeadless::Count(const std::string& prefix) const
{
  int n = 0;
  for (const std::string& call : mCalls)
    n += call.compare(0, prefix.size(), prefix) == 0;
  return n;
}

// ---- window and frames ----

void* IGraphicsHeadless::OpenWindow(void* parent)
{
  if (mWindowOpen)
    CloseWindow();
  Record("OpenWindow");
  mWindowOpen = true;
  OnViewInitialized(&mLayer);
  GetDelegate()->SetEditorReady(IsContextReady());
  SetScreenScale(mScreenScaleOnOpen);
  GetDelegate()->LayoutUI(this);
  UpdateTooltips();
  GetDelegate()->OnUIOpen();
  return GetWindow();
}

void IGraphicsHeadless::CloseWindow()
{
  if (!mWindowOpen)
    return;
  Record("CloseWindow");
  OnViewDestroyed();
  mWindowOpen = false;
}

void IGraphicsHeadless::PlatformResize(bool parentHasResized)
{
  const int w = WindowWidth() * GetScreenScale(), h = WindowHeight() * GetScreenScale();
  Record("PlatformResize " + std::to_string(w) + "x" + std::to_string(h));
  mLayer.setDrawableSize(CGSize{double(w), double(h)});
  UpdateTooltips();
}

bool IGraphicsHeadless::DrawFrame()
{
  if (!mWindowOpen || !IsContextReady())
    return false;
  IRECTList rects;
  if (!IsDirty(rects))
    return false;
  SetAllControlsClean();
  DrawDirtyRects(rects);
  return true;
}

bool IGraphicsHeadless::DrawFullFrame()
{
  SetAllControlsDirty();
  return DrawFrame();
}

IGraphicsHeadless::Frame IGraphicsHeadless::ReadFrame()
{
  Frame frame;
  MVXframebuffer* fb = GetMainFramebuffer();
  if (!mWindowOpen || !fb || fb->image <= 0)
    return frame;
  frame.mWidth = WindowWidth() * GetScreenScale();
  frame.mHeight = WindowHeight() * GetScreenScale();
  frame.mRGBA.resize(size_t(frame.mWidth) * size_t(frame.mHeight) * 4);
  if (!mvxReadPixels(static_cast<VXcontext*>(GetDrawContext()), fb->image, 0, 0, frame.mWidth, frame.mHeight,
                     frame.mRGBA.data()))
    return Frame();
  // The framebuffer holds premultiplied colour.
  for (size_t i = 0; i < frame.mRGBA.size(); i += 4)
  {
    const int a = frame.mRGBA[i + 3];
    if (a == 0 || a == 255)
      continue;
    for (size_t c = 0; c < 3; ++c)
      frame.mRGBA[i + c] = uint8_t(std::min(255, (frame.mRGBA[i + c] * 255 + a / 2) / a));
  }
  return frame;
}

// ---- pointer and clipboard ----

void IGraphicsHeadless::GetMouseLocation(float& x, float& y) const
{
  x = mMouseX;
  y = mMouseY;
}

void IGraphicsHeadless::HideMouseCursor(bool hide, bool lock)
{
  mCursorHidden = hide;
  mCursorLocked = hide && lock;
  Record("HideMouseCursor " + std::to_string(int(hide)));
}

void IGraphicsHeadless::MoveMouseCursor(float x, float y)
{
  mMouseX = x;
  mMouseY = y;
  Record("MoveMouseCursor " + std::to_string(int(x)) + " " + std::to_string(int(y)));
}

int IGraphicsHeadless::SetMouseCursor(int cursorType)
{
  Record("SetMouseCursor " + std::to_string(cursorType));
  return IGraphicsVexel::SetMouseCursor(cursorType);
}

bool IGraphicsHeadless::GetTextFromClipboard(LibString& str)
{
  str.Set(mClipboard.c_str());
  return !mClipboard.empty();
}

bool IGraphicsHeadless::SetTextInClipboard(const char* str)
{
  mClipboard = str ? str : "";
  Record("SetClipboard " + mClipboard);
  return true;
}

// ---- prompts ----

int IGraphicsHeadless::ShowMessageBox(const char* str, const char* caption, int type,
                                      std::function<void(int)> completion)
{
  Record(std::string("MessageBox ") + (caption ? caption : "") + ": " + (str ? str : ""));
  const int answer = mMessageBoxAnswer ? mMessageBoxAnswer(str, caption, type) : 0;
  if (completion)
    completion(answer);
  return answer;
}

void IGraphicsHeadless::PromptForFile(LibString& fileName, LibString& path, int action, const char* ext)
{
  Record("PromptForFile");
  if (!mFileAnswer || !mFileAnswer(fileName, path, action, ext))
    fileName.Set("");
}

bool IGraphicsHeadless::PromptForDirectory(LibString& dir)
{
  Record("PromptForDirectory");
  return mDirectoryAnswer && mDirectoryAnswer(dir);
}

bool IGraphicsHeadless::PromptForColor(IColor& color, const char* str, std::function<void(const IColor&)> func)
{
  Record(std::string("PromptForColor ") + (str ? str : ""));
  if (!mColorAnswer || !mColorAnswer(color))
    return false;
  if (func)
    func(color);
  return true;
}

bool IGraphicsHeadless::OpenURL(const char* url, const char*, const char*, const char*)
{
  Record(std::string("OpenURL ") + (url ? url : ""));
  return url != nullptr;
}

void IGraphicsHeadless::CreatePlatformTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length,
                                                const char* str)
{
  Record(std::string("TextEntry ") + (str ? str : ""));
  if (!mTextAnswer)
    return;
  const std::string answer = mTextAnswer(str ? str : "", bounds);
  ApplyTextEntryResult(answer.c_str());
  SetAllControlsDirty();
}

IPopupMenu* IGraphicsHeadless::CreatePlatformPopupMenu(IPopupMenu& menu, const IRECT& bounds, bool& isAsync)
{
  Record("PopupMenu " + std::to_string(menu.NItems()));
  if (!mWindowOpen || !mMenuAnswer)
    return nullptr;
  return mMenuAnswer(menu, bounds);
}

// ---- fonts: the platform's own ----

PlatformFontPointer IGraphicsHeadless::LoadFontFromResource(const char* fontID, const char* fileNameOrResID)
{
  return igraphics::LoadFontFromResource(fontID, fileNameOrResID, GetBundleID(), GetSharedResourcesSubPath());
}

PlatformFontPointer IGraphicsHeadless::LoadFontFromMemory(const char* fontID, void* data, int dataSize)
{
  return igraphics::LoadFontFromMemory(fontID, data, dataSize);
}

PlatformFontPointer IGraphicsHeadless::LoadFontByName(const char* fontID, const char* familyName, int style)
{
  return igraphics::LoadFontByName(fontID, familyName, style);
}

void IGraphicsHeadless::CachePlatformFont(const char* fontID, const PlatformFontPointer& font)
{
  if (font)
    igraphics::CachePlatformFont(fontID, *font);
}

} // namespace igraphics
} // namespace plug
