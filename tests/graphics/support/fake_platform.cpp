#include "fake_platform.h"

#include "core/IEditorDelegate.h"

namespace graphicstest {

namespace {

/// A font whose bytes are its name.
class TestFont : public PlatformFont
{
public:
  explicit TestFont(std::string bytes) : mBytes(std::move(bytes)) {}
  const void* GetData() const override { return mBytes.data(); }
  int GetDataSize() const override { return int(mBytes.size()); }
  FontDescriptor* MakeDescriptor() const override { return new FontDescriptor; }

private:
  std::string mBytes;
};

} // namespace

void FakePlatformGraphics::HideMouseCursor(bool hide, bool lock)
{
  mCursorHidden = hide;
  mCursorLocked = lock;
  ++(hide ? mHideCursorCalls : mShowCursorCalls);
}

void* FakePlatformGraphics::OpenWindow(void* parent)
{
  if (mWindow)
    CloseWindow();
  mCalls.push_back("OpenWindow");
  mWindow = &mView;
  mDelegateRef.SetEditorReady(mContextCreated);
  SetScreenScale(mScreenScaleOnOpen);
  mDelegateRef.LayoutUI(this);
  UpdateTooltips();
  mDelegateRef.OnUIOpen();
  return mWindow;
}

void FakePlatformGraphics::CloseWindow()
{
  if (!mWindow)
    return;
  mCalls.push_back("CloseWindow");
  mWindow = nullptr;
}

int FakePlatformGraphics::ShowMessageBox(const char* str, const char* caption, int type,
                                         std::function<void(int)> completion)
{
  const int answer = mMessageBoxAnswer ? mMessageBoxAnswer(str, caption, type) : 0;
  if (completion)
    completion(answer);
  return answer;
}

PlatformFontPointer FakePlatformGraphics::LoadFontFromResource(const char* fontID, const char* fileNameOrResID)
{
  return (fileNameOrResID && *fileNameOrResID) ? PlatformFontPointer(new TestFont(fileNameOrResID)) : nullptr;
}

PlatformFontPointer FakePlatformGraphics::LoadFontFromMemory(const char* fontID, void* data, int dataSize)
{
  return (data && dataSize > 0) ? PlatformFontPointer(new TestFont(std::string(static_cast<char*>(data), size_t(dataSize))))
                                : nullptr;
}

PlatformFontPointer FakePlatformGraphics::LoadFontByName(const char* fontID, const char* familyName, int style)
{
  return (familyName && *familyName) ? PlatformFontPointer(new TestFont(familyName)) : nullptr;
}

void FakePlatformGraphics::CachePlatformFont(const char* fontID, const PlatformFontPointer& font)
{
  auto& cache = FontDescriptorCache();
  plug::LibMutexLock lock(cache.Mutex());
  if (!cache.Find(fontID, 1.0))
    cache.Add(font->MakeDescriptor(), fontID, 1.0);
}

void FakePlatformGraphics::CreatePlatformTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length,
                                                   const char* str)
{
  mTextEntries.push_back({paramIdx, bounds, length, str ? str : ""});
  if (mTextAnswer)
  {
    const std::string answer = mTextAnswer(str ? str : "", bounds);
    ApplyTextEntryResult(answer.c_str());
    SetAllControlsDirty();
  }
}

IPopupMenu* FakePlatformGraphics::CreatePlatformPopupMenu(IPopupMenu& menu, const IRECT& bounds, bool& isAsync)
{
  if (!mWindow)
    return nullptr;
  IPopupMenu* chosen = mMenuAnswer ? mMenuAnswer(menu, bounds) : nullptr;
  if (chosen)
    chosen->ExecFunction();
  return chosen;
}

void FakePlatformGraphics::PlatformResize(bool parentHasResized)
{
  mCalls.push_back("PlatformResize");
  mPlatformResizes.push_back({WindowWidth(), WindowHeight(), parentHasResized});
  UpdateTooltips();
}

} // namespace graphicstest
