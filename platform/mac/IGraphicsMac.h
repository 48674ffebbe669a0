// The platform graphics context of the editor: it owns the editor's view, opens it in the host's window and
// closes it, controls the pointer and cursor, shows message boxes, file, folder and colour prompts, talks to the
// pasteboard and the workspace, keeps the view's tool tips in step with the controls and hands native menus and
// text fields to the view. Everything here runs on the main thread.
#pragma once

#include <memory>

#include "appkit/application.h"
#include "core/LibString.h"
#include "graphics/backend/vexel_context/IGraphicsVexel.h"

namespace plug {
namespace igraphics {

class IGraphicsView_vDrovik_vst;

/// The drawing layer the platform context completes.
using IGraphicsMacBase = IGraphicsVexel;

class IGraphicsMac : public IGraphicsMacBase
{
public:
  /// Panel title of the folder prompt.
  static constexpr const char* kChooseDirectoryTitle = "Choose a Directory";
  /// Start folder of the folder prompt when none is given.
  static constexpr const char* kDefaultDirectory = "~/Desktop";

  IGraphicsMac(IGEditorDelegate& delegate, int w, int h, int fps, float scale);
  /// Closes an open view (once) and leaves the process-wide count of platform contexts.
  ~IGraphicsMac() override;

  /// Number of live platform contexts. [main thread]
  static int LiveCount();
  /// Units of a host's window in one point in this view system: the screen scale on X11, where a host's window
  /// is measured in pixels. [main thread]
  static double HostWindowScale();

  /// view: an appkit::View made by the host through the view system; it is placed over the editor at r (scaled
  /// and rounded outward) and shown until RemovePlatformView.
  void AttachPlatformView(const IRECT& r, void* view) override;
  void RemovePlatformView(void* view) override;
  void GetMouseLocation(float& x, float& y) const override;
  void HideMouseCursor(bool hide = true, bool lock = true) override;
  void MoveMouseCursor(float x, float y) override;
  int SetMouseCursor(int cursorType = kArrowCursor) override;
  void EndUserInput(bool success) override;
  void* OpenWindow(void* parent) override;
  void CloseWindow() override;
  void* GetWindow() override { return mView.get(); }
  bool WindowIsOpen() override { return mView != nullptr; }
  bool GetTextFromClipboard(LibString& str) override;
  bool SetTextInClipboard(const char* str) override;
  void UpdateTooltips() override;
  int ShowMessageBox(const char* text1, const char* text2, int type,
                     std::function<void(int result)> completion = nullptr) override;
  void PromptForFile(LibString& fileName, LibString& path, int action = 0, const char* ext = "") override;
  bool PromptForDirectory(LibString& dir) override;
  bool PromptForColor(IColor& color, const char* str = "", std::function<void(const IColor&)> func = nullptr) override;
  bool OpenURL(const char* url, const char* msgWindowTitle = nullptr, const char* confirmMsg = nullptr,
               const char* errMsgOnFailure = nullptr) override;
  const char* GetPlatformAPIName() override { return "Cocoa"; }
  bool RevealPathInFinder(LibString& path, bool select = false) override;
  PlatformFontPointer LoadFontFromResource(const char* fontID, const char* fileNameOrResID) override;
  PlatformFontPointer LoadFontFromMemory(const char* fontID, void* data, int dataSize) override;
  PlatformFontPointer LoadFontByName(const char* fontID, const char* familyName, int style) override;
  void CachePlatformFont(const char* fontID, const PlatformFontPointer& font) override;
  const char* GetBundleID() override { return mBundleID.Get(); }
  void SetBundleID(const char* id) { mBundleID.Set(id ? id : ""); }
  /// The plug-in's name beside its bundle identifier, set by whoever creates the context.
  const char* GetPluginName() const { return mPluginName.Get(); }
  void SetPluginName(const char* name) { mPluginName.Set(name ? name : ""); }
  void CreatePlatformTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length,
                               const char* str) override;
  IPopupMenu* CreatePlatformPopupMenu(IPopupMenu& menu, const IRECT& bounds, bool& isAsync) override;
  /// Keys the host sends go to an open text field first.
  bool OnHostKey(const IKeyPress& key, bool isUp) override;
  void PlatformResize(bool parentHasResized) override;
  /// The host's window units in one point (pixels on X11): the sizes asked of the host are the view's in them.
  float PlatformSizeFactor() const override;

  /// A graphics point on the screen (origin bottom left): times the draw scale, through the view to the screen;
  /// the point as given without a view, zero when the view is in no window.
  appkit::Point GraphicsToScreen(float x, float y) const;
  /// A screen point (origin bottom left) in graphics coordinates: through the view, divided by the draw scale;
  /// the point as given without a view, zero when the view is in no window.
  void ScreenToGraphics(appkit::Point p, float& x, float& y) const;
  /// Moves the pointer to a screen point (origin bottom left).
  void WarpCursor(appkit::Point screen);
  /// The system version as 0x10B0 (current), 0x10A0, or the system's own answer on older systems, by the
  /// view system's version; asked once.
  static int GetSystemVersion();
  /// The rule of the above for a view-system version and what the older systems' query answers.
  static int SystemVersionFor(double appKitVersion, int olderSystemsAnswer);

  // ---- For the view ----
  /// The position the view reports for a pointer event at (x, y): while the cursor is hidden and locked (and not
  /// a tablet) the pointer goes back to where it was hidden and the stored position is reported; otherwise
  /// (x, y), which is stored.
  void ReportPointer(float x, float y, float& reportedX, float& reportedY);
  void SetTabletInput(bool tablet) { mTabletInput = tablet; }
  bool IsClosingView() const { return mClosingView; }
  /// Applies a field's text to the control that asked for it (when it is still in the editor), even when another
  /// text request came in since.
  void ApplyTextEntryFor(IControl* requester, int valIdx, const char* str);
  /// The control waiting for text entry and its value index.
  IControl* TextEntryRequester() const { return mTextEntryRequester; }
  int TextEntryValIdx() const { return mTextEntryValIdx; }
  /// Whether any control holds the pointer.
  bool HasCapture() const { return !mTouchCaptures.empty(); }

protected:
  /// Makes the drawing context on the new view's layer; false when none could be made (the editor then stays
  /// closed).
  virtual bool CreateDrawingContext(IGraphicsView_vDrovik_vst& view);

private:
  /// The pointer's screen position, rounded, kept as the lock position and as the last pointer position.
  void StoreCursorPosition();
  bool IsListedControl(const IControl* control);

  std::shared_ptr<IGraphicsView_vDrovik_vst> mView;
  appkit::Point mCursorLockPosition;
  LibString mBundleID;
  LibString mPluginName;
  bool mClosingView = false;
};

} // namespace igraphics
} // namespace plug
