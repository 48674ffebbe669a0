#include "platform/mac/IGraphicsMac.h"

#include <cmath>
#include <cstring>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "core/IEditorDelegate.h"
#include "core/Paths.h"
#include "foundation/run_loop.h"
#include "graphics/overlay/OverlayControls.h"
#include "platform/mac/CoreTextFont.h"
#include "platform/mac/IGraphicsView.h"
#include "platform/mac/VexelPainter.h"

namespace plug {
namespace igraphics {

namespace {

std::mutex gCountMutex;
int gLiveCount = 0;
/// Draws our menus, alerts, tool tips and text field while any platform context lives.
bool gPainterInstalled = false;

appkit::Application& App() { return appkit::Application::Shared(); }

std::string Text(const char* s) { return s ? s : ""; }

// Everything before the last path separator; "" when there is none.
std::string ParentFolder(const std::string& path)
{
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos)
    return "";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::vector<std::string> SplitAtSpaces(const char* text)
{
  std::vector<std::string> parts;
  std::istringstream in(text ? text : "");
  for (std::string part; std::getline(in, part, ' ');)
    parts.push_back(part);
  return parts;
}

// A web address as the system would accept it: no spaces and no control characters.
bool IsWellFormedURL(const std::string& url)
{
  if (url.empty())
    return false;
  for (unsigned char c : url)
    if (c <= 0x20 || c == 0x7F)
      return false;
  return true;
}

} // namespace

IGraphicsMac::IGraphicsMac(IGEditorDelegate& delegate, int w, int h, int fps, float scale)
  : IGraphicsMacBase(delegate, w, h, fps, scale), mBundleID(nullptr)
{
  static const foundation::MainRunLoopClock sRunLoopClock;
  SetClock(&sRunLoopClock); // animations run on the clock of the timers that draw their frames
  std::lock_guard<std::mutex> lock(gCountMutex);
  ++gLiveCount;
}

IGraphicsMac::~IGraphicsMac()
{
  bool last = false;
  {
    std::lock_guard<std::mutex> lock(gCountMutex);
    last = --gLiveCount == 0;
  }
  if (mView)
    CloseWindow();
  if (last && gPainterInstalled)
  {
    appkit::InstallPainter(nullptr);
    gPainterInstalled = false;
  }
}

int IGraphicsMac::LiveCount()
{
  std::lock_guard<std::mutex> lock(gCountMutex);
  return gLiveCount;
}

// ---- Window ----

void* IGraphicsMac::OpenWindow(void* parent)
{
  if (mView)
    CloseWindow();
  // With no display to show it on (none named, or none answering), an editor would run where nobody sees it: the
  // host hears that none opened and shows its own controls. The editor stays offered, as a display may come.
  if (!appkit::Application::CanShowInHostWindows())
    return nullptr;
  mView = std::make_shared<IGraphicsView_vDrovik_vst>(*this);
  const bool ready = CreateDrawingContext(*mView);
  mDelegate->SetEditorReady(ready);
  if (!ready)
  {
    // Without a drawing context the editor can never be shown: the layout, seeing that, takes the editor away
    // from the plug-in so that hosts stop offering it. Nothing is left open.
    mDelegate->LayoutUI(this);
    CloseWindow();
    return nullptr;
  }
  // Without a window to show it in (none given, an id that names no window, a window already gone), nothing could
  // be shown: no layout, no open editor, nothing left behind.
  if (!parent || !mView->NativeView().AddToParent(parent))
  {
    CloseWindow();
    return nullptr;
  }
  if (!gPainterInstalled)
  {
    appkit::InstallPainter(std::make_shared<VexelPainter>());
    gPainterInstalled = true;
  }
  SetScreenScale(static_cast<int>(App().MainScreenBackingScaleFactor()));
  mDelegate->LayoutUI(this);
  UpdateTooltips();
  mDelegate->OnUIOpen();
  return mView.get();
}

bool IGraphicsMac::CreateDrawingContext(IGraphicsView_vDrovik_vst& view)
{
  SetContextReady(false);
  OnViewInitialized(&view.Layer());
  return IsContextReady();
}

void IGraphicsMac::CloseWindow()
{
  if (!mView)
    return;
  std::shared_ptr<IGraphicsView_vDrovik_vst> view = std::move(mView);
  view->removeAllToolTips();
  view->killTimer();
  mClosingView = true;
  view->removeFromSuperview();
  mClosingView = false;
  view->Detach();
  OnViewDestroyed();
}

void IGraphicsMac::PlatformResize(bool parentHasResized)
{
  if (mView)
    mView->setFrameSize(static_cast<int>(float(Width()) * GetDrawScale()),
                        static_cast<int>(float(Height()) * GetDrawScale()));
  UpdateTooltips();
}

double IGraphicsMac::HostWindowScale() { return App().HostWindowScale(); }

float IGraphicsMac::PlatformSizeFactor() const { return static_cast<float>(HostWindowScale()); }

void IGraphicsMac::UpdateTooltips()
{
  if (!mView)
    return;
  // Switched off, the view keeps no tooltip area: every one registered earlier goes.
  mView->removeAllToolTips();
  if (!TooltipsEnabled())
    return;
  if (GetPopupMenuControl() && GetPopupMenuControl()->GetState())
    return;
  VisitListedControls([this](IControl& c) {
    const IRECT& r = c.GetHitRECT();
    if (!c.IsHidden() && !r.Empty())
      mView->registerToolTip(r);
  });
}

// ---- Pointer and cursor ----

void IGraphicsMac::ScreenToGraphics(appkit::Point p, float& x, float& y) const
{
  if (!mView)
  {
    x = static_cast<float>(p.x);
    y = static_cast<float>(p.y);
    return;
  }
  appkit::Point inView;
  if (mView->NativeView().HasWindow())
    inView = mView->NativeView().ConvertFromScreen(p);
  x = static_cast<float>(inView.x) / GetDrawScale();
  y = static_cast<float>(inView.y) / GetDrawScale();
}

void IGraphicsMac::GetMouseLocation(float& x, float& y) const
{
  const appkit::Point p = App().MouseLocation();
  if (!mView)
  {
    x = static_cast<float>(p.x);
    y = static_cast<float>(p.y);
    return;
  }
  ScreenToGraphics(p, x, y);
}

void IGraphicsMac::StoreCursorPosition()
{
  appkit::Point p = App().MouseLocation();
  p.x = std::round(p.x);
  p.y = std::round(p.y);
  mCursorLockPosition = p;
  mCursorX = static_cast<float>(p.x);
  mCursorY = static_cast<float>(p.y);
  if (mView)
    ScreenToGraphics(p, mCursorX, mCursorY);
}

void IGraphicsMac::WarpCursor(appkit::Point screen)
{
  App().WarpCursor({screen.x, App().MainScreenHeight() - screen.y});
}

void IGraphicsMac::HideMouseCursor(bool hide, bool lock)
{
  if (mCursorHidden == hide)
    return;
  mCursorHidden = hide;
  if (hide)
  {
    StoreCursorPosition();
    App().HideCursor();
    mCursorLocked = lock;
  }
  else
  {
    App().ShowCursor();
    mCursorLocked = false;
  }
}

void IGraphicsMac::ReportPointer(float x, float y, float& reportedX, float& reportedY)
{
  if (mCursorHidden && mCursorLocked && !mTabletInput)
  {
    WarpCursor(mCursorLockPosition);
    reportedX = mCursorX;
    reportedY = mCursorY;
    return;
  }
  reportedX = mCursorX = x;
  reportedY = mCursorY = y;
}

appkit::Point IGraphicsMac::GraphicsToScreen(float x, float y) const
{
  if (!mView)
    return {x, y};
  const appkit::View& view = mView->NativeView();
  return view.HasWindow() ? view.ConvertToScreen({x * GetDrawScale(), y * GetDrawScale()}) : appkit::Point{};
}

void IGraphicsMac::MoveMouseCursor(float x, float y)
{
  if (mTabletInput)
    return;
  WarpCursor(GraphicsToScreen(x, y));
  StoreCursorPosition();
}

int IGraphicsMac::SystemVersionFor(double appKitVersion, int olderSystemsAnswer)
{
  /// View-system versions of the systems the answers name.
  constexpr double kFirstOfTen = 1266.0, kFirstOfEleven = 1404.0;
  if (appKitVersion >= kFirstOfEleven)
    return 0x10B0;
  if (appKitVersion >= kFirstOfTen)
    return 0x10A0;
  return olderSystemsAnswer;
}

int IGraphicsMac::GetSystemVersion()
{
  static const int version = SystemVersionFor(appkit::kAppKitVersionNumber, 0);
  return version;
}

void IGraphicsMac::AttachPlatformView(const IRECT& r, void* view)
{
  if (!mView || !view)
    return;
  appkit::View& child = *static_cast<appkit::View*>(view);
  child.SetFrame(ScaledOutward(r, GetDrawScale()));
  mView->NativeView().AddSubview(child);
}

void IGraphicsMac::RemovePlatformView(void* view)
{
  if (view)
    static_cast<appkit::View*>(view)->RemoveFromSuperview();
}

int IGraphicsMac::SetMouseCursor(int cursorType)
{
  if (mView)
    mView->setMouseCursor(cursorType);
  return IGraphicsMacBase::SetMouseCursor(cursorType);
}

// ---- Messages and prompts ----

int IGraphicsMac::ShowMessageBox(const char* text1, const char* text2, int type, std::function<void(int)> completion)
{
  ReleaseMouseCapture();
  appkit::AlertPanel alert;
  alert.title = Text(text1);
  alert.message = Text(text2);
  int result = kAnswerCancel;
  int shown = 0;
  auto run = [&](const char* def, const char* alt, const char* other) {
    alert.defaultButton = def;
    alert.alternateButton = alt;
    alert.otherButton = other;
    shown = App().RunAlertPanel(alert);
    return shown;
  };
  switch (type)
  {
  case kButtonsOk:
    run("OK", "", "");
    result = kAnswerOk;
    break;
  case kButtonsOkCancel:
    result = run("OK", "Cancel", "") == appkit::kAlertAlternateReturn ? kAnswerCancel : kAnswerOk;
    break;
  case kButtonsYesNoCancel:
  {
    const int answer = run("Yes", "Cancel", "No");
    result = answer == appkit::kAlertDefaultReturn ? kAnswerYes : answer == appkit::kAlertOtherReturn ? kAnswerNo : kAnswerCancel;
    break;
  }
  case kButtonsYesNo:
    result = run("Yes", "No", "") == appkit::kAlertAlternateReturn ? kAnswerNo : kAnswerYes;
    break;
  case kButtonsRetryCancel:
    result = run("Retry", "Cancel", "") == appkit::kAlertAlternateReturn ? kAnswerCancel : kAnswerRetry;
    break;
  default: // kButtonsCancel and unknown types show nothing
    break;
  }
  // An alert the view system could not show (another menu or alert was open) answers as no panel shown.
  if (shown == appkit::kAlertNotShownReturn)
    result = kAnswerCancel;
  if (completion)
    completion(result);
  return result;
}

void IGraphicsMac::PromptForFile(LibString& fileName, LibString& path, int action, const char* ext)
{
  if (!mView)
  {
    fileName.Set("");
    return;
  }
  const std::string startName = fileName.Get();
  if (path.GetLength() == 0)
    DesktopPath(path);
  const std::string startDir = path.Get();
  fileName.Set("");

  appkit::FilePanel panel;
  panel.directory = startDir;
  panel.file = startName;
  if (ext && *ext)
    panel.allowedFileTypes = SplitAtSpaces(ext);
  if (action == kFileSave)
  {
    panel.kind = appkit::FilePanel::Kind::kSave;
    panel.allowsOtherFileTypes = false;
  }
  else
  {
    panel.kind = appkit::FilePanel::Kind::kOpen;
    panel.canChooseFiles = true;
    panel.canChooseDirectories = false;
    panel.resolvesAliases = true;
  }
  if (App().RunFilePanel(panel) != appkit::kPanelOKButton)
    return;
  fileName.Set(panel.filename.c_str());
  path.Set((ParentFolder(panel.filename) + "/").c_str());
}

bool IGraphicsMac::PromptForDirectory(LibString& dir)
{
  if (dir.GetLength() == 0)
    dir.Set(kDefaultDirectory);
  appkit::FilePanel panel;
  panel.title = kChooseDirectoryTitle;
  panel.canChooseFiles = false;
  panel.canChooseDirectories = true;
  panel.resolvesAliases = true;
  panel.canCreateDirectories = true;
  panel.directory = dir.Get();
  if (App().RunFilePanel(panel) == appkit::kPanelOKButton)
  {
    dir.Set((panel.filename + "/").c_str());
    return true;
  }
  dir.Set("");
  return false;
}

bool IGraphicsMac::PromptForColor(IColor& color, const char* str, std::function<void(const IColor&)> func)
{
  if (!mView)
    return false;
  return mView->promptForColor(color, std::move(func));
}

// ---- Clipboard and workspace ----

bool IGraphicsMac::GetTextFromClipboard(LibString& str)
{
  std::string text;
  const bool has = App().StringFromPasteboard(text);
  str.Set(has ? text.c_str() : "");
  return has;
}

bool IGraphicsMac::SetTextInClipboard(const char* str) { return App().SetPasteboardString(Text(str)); }

bool IGraphicsMac::OpenURL(const char* url, const char*, const char*, const char*)
{
  const std::string text = Text(url);
  if (text.find("http") != std::string::npos)
    return IsWellFormedURL(text) && App().OpenURL(text);
  // A file path; nothing to open is a failure.
  return !text.empty() && App().OpenFile(text);
}

bool IGraphicsMac::RevealPathInFinder(LibString& path, bool select)
{
  const std::string p = path.Get();
  if (p.empty() || !appkit::FileExistsAtPath(p))
    return false;
  if (!select)
    return App().OpenFile(p);
  const std::string parent = ParentFolder(p);
  if (parent.empty() || !App().OpenFile(parent))
    return false;
  return App().SelectFile(p, parent);
}

// ---- Fonts ----

PlatformFontPointer IGraphicsMac::LoadFontFromResource(const char* fontID, const char* fileNameOrResID)
{
  return igraphics::LoadFontFromResource(fontID, fileNameOrResID, GetBundleID(), GetSharedResourcesSubPath());
}

PlatformFontPointer IGraphicsMac::LoadFontFromMemory(const char* fontID, void* data, int dataSize)
{
  return igraphics::LoadFontFromMemory(fontID, data, dataSize);
}

PlatformFontPointer IGraphicsMac::LoadFontByName(const char* fontID, const char* familyName, int style)
{
  return igraphics::LoadFontByName(fontID, familyName, style);
}

void IGraphicsMac::CachePlatformFont(const char* fontID, const PlatformFontPointer& font)
{
  if (font)
    igraphics::CachePlatformFont(fontID, *font);
}

// ---- Menus and text entry ----

void IGraphicsMac::EndUserInput(bool success)
{
  if (mView)
    mView->endUserInput();
}

IPopupMenu* IGraphicsMac::CreatePlatformPopupMenu(IPopupMenu& menu, const IRECT& bounds, bool& isAsync)
{
  isAsync = false;
  if (!mView)
    return nullptr;
  std::shared_ptr<IGraphicsView_vDrovik_vst> view = mView;
  IPopupMenu* chosen = view->createPopupMenu(menu, ScaledOutward(bounds, GetDrawScale()));
  if (chosen)
    chosen->ExecFunction();
  return chosen;
}

bool IGraphicsMac::OnHostKey(const IKeyPress& key, bool isUp)
{
  std::shared_ptr<IGraphicsView_vDrovik_vst> view = mView; // a paste's wait serves events that may close it
  return view && App().HandleHostKey([&] { return view->textFieldKey(key, isUp); });
}

void IGraphicsMac::CreatePlatformTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length,
                                           const char* str)
{
  if (mView)
    mView->createTextEntry(paramIdx, text, str, length, ScaledOutward(bounds, GetDrawScale()));
}

bool IGraphicsMac::IsListedControl(const IControl* control)
{
  bool found = false;
  VisitControls([&](IControl& c) { found = found || &c == control; });
  return found;
}

void IGraphicsMac::ApplyTextEntryFor(IControl* requester, int valIdx, const char* str)
{
  if (!requester || !IsListedControl(requester))
    return;
  IControl* const current = mTextEntryRequester;
  const int currentValIdx = mTextEntryValIdx;
  mTextEntryRequester = requester;
  mTextEntryValIdx = valIdx;
  ApplyTextEntryResult(str);
  if (current != requester)
  {
    mTextEntryRequester = current;
    mTextEntryValIdx = currentValIdx;
  }
}

} // namespace igraphics
} // namespace plug
