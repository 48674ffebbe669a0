// A platform layer for tests over the recording back end: the window opens and closes as the real one does
// toward the delegate, resizes and cursor changes are recorded, the pointer is where the test puts it, and
// prompts, menus, message boxes and dialogs are answered by functions the test installs.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "recording_backend.h"

namespace graphicstest {

class FakePlatformGraphics : public RecordingBackend
{
public:
  FakePlatformGraphics(IGEditorDelegate& delegate, int w, int h, int fps = 60, float scale = 1.f)
    : RecordingBackend(delegate, w, h, fps, scale), mDelegateRef(delegate)
  {
  }

  // What the test controls.
  int mScreenScaleOnOpen = 1;   // the backing scale the window reports when it opens
  bool mContextCreated = true;  // whether the drawing context is created on open
  float mMouseX = 0.f, mMouseY = 0.f;
  /// Answers a native menu: returns the menu that holds the choice (after setting its chosen index) or null.
  std::function<IPopupMenu*(IPopupMenu& menu, const IRECT& bounds)> mMenuAnswer;
  /// Answers a native text field: called with the preset text; the answer is applied when it returns.
  std::function<std::string(const std::string& preset, const IRECT& bounds)> mTextAnswer;
  std::function<int(const char* text, const char* caption, int type)> mMessageBoxAnswer;
  std::string mClipboard;

  // What the test reads.
  struct PlatformResizeCall
  {
    int mWindowW, mWindowH;
    bool mParentResized;
  };
  std::vector<PlatformResizeCall> mPlatformResizes;
  std::vector<std::string> mCalls; // platform calls in order ("OpenWindow", "PlatformResize", ...)
  std::vector<int> mCursorKinds;   // every cursor kind set
  int mHideCursorCalls = 0, mShowCursorCalls = 0;
  int mTooltipUpdates = 0;
  std::vector<std::string> mURLs;
  struct TextEntryRequest
  {
    int mParamIdx;
    IRECT mBounds;
    int mLength;
    std::string mPreset;
  };
  std::vector<TextEntryRequest> mTextEntries;
  void* mWindow = nullptr;

  void GetMouseLocation(float& x, float& y) const override
  {
    x = mMouseX;
    y = mMouseY;
  }
  void HideMouseCursor(bool hide, bool lock) override;
  bool CursorLocked() const { return mCursorLocked; }
  void MoveMouseCursor(float x, float y) override { mCalls.push_back("MoveMouseCursor"); }
  int SetMouseCursor(int cursorType) override
  {
    mCursorKinds.push_back(cursorType);
    return IGraphics::SetMouseCursor(cursorType);
  }
  void EndUserInput(bool success) override { mCalls.push_back("EndUserInput"); }
  /// As the platform window does: editor ready, screen scale, layout, OnUIOpen; returns a fake view.
  void* OpenWindow(void* parent) override;
  void CloseWindow() override;
  void* GetWindow() override { return mWindow; }
  bool GetTextFromClipboard(plug::LibString& str) override
  {
    str.Set(mClipboard.c_str());
    return true;
  }
  bool SetTextInClipboard(const char* str) override
  {
    mClipboard = str ? str : "";
    return true;
  }
  void UpdateTooltips() override { ++mTooltipUpdates; }
  int ShowMessageBox(const char* str, const char* caption, int type, std::function<void(int)> completion) override;
  void PromptForFile(plug::LibString& fileName, plug::LibString& path, int action, const char* ext) override {}
  bool PromptForDirectory(plug::LibString& dir) override { return false; }
  bool PromptForColor(IColor& color, const char* str, std::function<void(const IColor&)> func) override
  {
    return false;
  }
  bool OpenURL(const char* url, const char*, const char*, const char*) override
  {
    mURLs.push_back(url ? url : "");
    return true;
  }
  PlatformFontPointer LoadFontFromResource(const char* fontID, const char* fileNameOrResID) override;
  PlatformFontPointer LoadFontFromMemory(const char* fontID, void* data, int dataSize) override;
  PlatformFontPointer LoadFontByName(const char* fontID, const char* familyName, int style) override;
  void CachePlatformFont(const char* fontID, const PlatformFontPointer& font) override;
  const char* GetBundleID() override { return "com.Vesquin.vst.Drovik"; }
  void CreatePlatformTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length,
                               const char* str) override;
  IPopupMenu* CreatePlatformPopupMenu(IPopupMenu& menu, const IRECT& bounds, bool& isAsync) override;
  void PlatformResize(bool parentHasResized) override;

  // Set the context's pointer state directly, for tests that do not go through input dispatch.
  void Capture(IControl* control, uint64_t touchId = 0) { mTouchCaptures[touchId] = control; }
  void SetHover(IControl* control, int idx)
  {
    mMouseOverControl = control;
    mMouseOverIdx = idx;
  }
  void SetPopupRequester(IControl* control) { mPopupRequester = control; }
  void SetTextEntryRequester(IControl* control) { mTextEntryRequester = control; }
  int NCaptures() const { return static_cast<int>(mTouchCaptures.size()); }

private:
  IGEditorDelegate& mDelegateRef;
  int mView = 0; // its address stands for the view
};

} // namespace graphicstest
