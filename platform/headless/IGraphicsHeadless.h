// A graphics context without a window: the Vexel context drawing on the CPU stand-in for Metal into a layer of
// its own. It opens and closes like the platform window toward the editor delegate, draws a frame on request and
// hands back its pixels. Every platform service (cursor, clipboard, prompts, message boxes, menus, text entry,
// resizing, tooltips, URLs) is recorded in order and answered by a function the caller installs; fonts are the
// platform's own. Tests of controls and build-time tools use it. Everything runs on the main thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "graphics/backend/vexel_context/IGraphicsVexel.h"
#include "metal/metal.h"

namespace plug {
namespace igraphics {

class IGraphicsHeadless : public IGraphicsVexel
{
public:
  /// RGBA pixels of a frame, rows top-down, not premultiplied.
  struct Frame
  {
    int mWidth = 0;
    int mHeight = 0;
    std::vector<uint8_t> mRGBA;
    const uint8_t* At(int x, int y) const { return &mRGBA[(size_t(y) * size_t(mWidth) + size_t(x)) * 4]; }
  };

  IGraphicsHeadless(IGEditorDelegate& delegate, int w, int h, int fps = 60, float scale = 1.f);
  ~IGraphicsHeadless() override;

  // ---- what the caller sets ----
  int mScreenScaleOnOpen = 1;
  float mMouseX = 0.f, mMouseY = 0.f;
  std::string mClipboard;
  /// Answers a menu: returns the menu that holds the choice (with its chosen index set), or null.
  std::function<IPopupMenu*(IPopupMenu& menu, const IRECT& bounds)> mMenuAnswer;
  /// Answers a text field: the typed text for the preset text.
  std::function<std::string(const std::string& preset, const IRECT& bounds)> mTextAnswer;
  std::function<int(const char* text, const char* caption, int type)> mMessageBoxAnswer;
  /// Answers the colour prompt: changes the colour and returns true, or returns false for cancel.
  std::function<bool(IColor& color)> mColorAnswer;
  /// Answers the file prompt by filling the file name and path; false for cancel.
  std::function<bool(LibString& fileName, LibString& path, int action, const char* ext)> mFileAnswer;
  std::function<bool(LibString& dir)> mDirectoryAnswer;

  // ---- what the caller reads ----
  /// Platform calls in order: "OpenWindow", "CloseWindow", "PlatformResize 936x900", "SetMouseCursor 5",
  /// "HideMouseCursor 1", "MoveMouseCursor 10 20", "SetClipboard text", "MessageBox caption: text",
  /// "PromptForColor title", "PromptForFile", "PromptForDirectory", "OpenURL url", "UpdateTooltips",
  /// "TextEntry preset", "PopupMenu n".
  std::vector<std::string> mCalls;
  /// How many recorded calls begin with the prefix.
  int Count(const std::string& prefix) const;

  /// Draws the dirty controls as the view's frame timer does; false when nothing was dirty or no window is open.
  bool DrawFrame();
  /// Marks everything dirty and draws.
  bool DrawFullFrame();
  /// The main framebuffer's pixels (the window's size times the screen scale); empty without an open window.
  Frame ReadFrame();
  CAMetalLayer& Layer() { return mLayer; }

  // ---- the platform ----
  void* OpenWindow(void* parent) override;
  void CloseWindow() override;
  void* GetWindow() override { return mWindowOpen ? &mLayer : nullptr; }
  const char* GetPlatformAPIName() override { return "Headless"; }
  const char* GetBundleID() override { return mBundleID.c_str(); }
  void SetBundleID(const std::string& id) { mBundleID = id; }
  void GetMouseLocation(float& x, float& y) const override;
  void HideMouseCursor(bool hide = true, bool lock = true) override;
  void MoveMouseCursor(float x, float y) override;
  int SetMouseCursor(int cursorType = kArrowCursor) override;
  void EndUserInput(bool success) override { Record("EndUserInput"); }
  bool GetTextFromClipboard(LibString& str) override;
  bool SetTextInClipboard(const char* str) override;
  void UpdateTooltips() override { Record("UpdateTooltips"); }
  int ShowMessageBox(const char* str, const char* caption, int type,
                     std::function<void(int result)> completion = nullptr) override;
  void PromptForFile(LibString& fileName, LibString& path, int action = 0, const char* ext = "") override;
  bool PromptForDirectory(LibString& dir) override;
  bool PromptForColor(IColor& color, const char* str = "",
                      std::function<void(const IColor&)> func = nullptr) override;
  bool OpenURL(const char* url, const char* msgWindowTitle = nullptr, const char* confirmMsg = nullptr,
               const char* errMsgOnFailure = nullptr) override;
  PlatformFontPointer LoadFontFromResource(const char* fontID, const char* fileNameOrResID) override;
  PlatformFontPointer LoadFontFromMemory(const char* fontID, void* data, int dataSize) override;
  PlatformFontPointer LoadFontByName(const char* fontID, const char* familyName, int style) override;
  void CachePlatformFont(const char* fontID, const PlatformFontPointer& font) override;
  void CreatePlatformTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length,
                               const char* str) override;
  IPopupMenu* CreatePlatformPopupMenu(IPopupMenu& menu, const IRECT& bounds, bool& isAsync) override;
  void PlatformResize(bool parentHasResized) override;

private:
  void Record(std::string call) { mCalls.push_back(std::move(call)); }

  CAMetalLayer mLayer;
  bool mWindowOpen = false;
  std::string mBundleID;
};

} // namespace igraphics
} // namespace plug
