// The view system without a display, for tests: the test injects events into views, answers menus, alerts and
// panels through hooks that see their whole structure, reads the frames the views were given, and sees what the
// workspace and pasteboard were asked. Work that a host would only get to do after a modal call (closing the
// editor, say) is posted and runs once the injected event has been handled.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "appkit/application.h"

namespace appkit {

class HeadlessView;

class HeadlessApplication final : public Application
{
public:
  // Answers; each default answers "cancel" (no menu item, the alternate button... see below).
  /// Chooses an item of the menu tree (or null); default: null.
  std::function<MenuItem*(Menu& menu, Point location, View& view)> mMenuHook;
  /// Default: kAlertDefaultReturn.
  std::function<int(const AlertPanel& alert)> mAlertHook;
  /// Fills panel.filename and answers; default: kPanelCancelButton.
  std::function<int(FilePanel& panel)> mFilePanelHook;
  /// Whether the workspace manages to open url, file or folder ("url:", "file:", "select:" + text);
  /// default: false.
  std::function<bool(const std::string& request)> mOpenHook;

  // State the test sets.
  double mBackingScale = 1.0;
  double mScreenHeight = 1080.0;
  Point mMouse;                       // screen, origin bottom left
  bool mHasPrivateCursors = true;     // busy, resize north..., help
  bool mHasColorPanel = true;

  // What the test reads.
  std::vector<std::string> mRequests;  // workspace requests in order, as given to mOpenHook
  std::vector<AlertPanel> mAlerts;
  std::vector<Point> mWarps;           // top-left-origin positions
  bool mCursorHidden = false;
  std::string mPasteboard;
  bool mPasteboardHasText = false;
  int mModalDepth = 0;
  ColorCallback mColorCallback;        // set while the colour panel is open
  DeviceColor mColorShown;

  /// The live views, in creation order.
  const std::vector<HeadlessView*>& Views() const { return mViews; }
  /// Delivers an event to a view as the window would, then runs posted work; returns whether it was taken.
  bool Deliver(HeadlessView& view, const Event& event);
  /// Runs fn once the event being handled (and every modal call) is over; at once when none is.
  void Post(std::function<void()> fn);

  const char* Name() const override { return "headless"; }
  std::unique_ptr<View> CreateView(ViewResponder& responder, Rect frame) override;
  double MainScreenBackingScaleFactor() override { return mBackingScale; }
  double MainScreenHeight() override { return mScreenHeight; }
  Point MouseLocation() override { return mMouse; }
  void HideCursor() override { mCursorHidden = true; }
  void ShowCursor() override { mCursorHidden = false; }
  void WarpCursor(Point topLeftOrigin) override;
  bool HasCursor(Cursor cursor) const override;
  MenuItem* PopUpMenu(Menu& menu, Point locationInView, View& view) override;
  int RunAlertPanel(const AlertPanel& alert) override;
  int RunFilePanel(FilePanel& panel) override;
  bool ShowColorPanel(const DeviceColor& color, ColorCallback onPicked) override;
  void CloseColorPanel() override { mColorCallback = nullptr; }
  bool StringFromPasteboard(std::string& text) override;
  bool SetPasteboardString(const std::string& text) override;
  bool OpenURL(const std::string& url) override { return Open("url:" + url); }
  bool OpenFile(const std::string& path) override { return Open("file:" + path); }
  bool SelectFile(const std::string& path, const std::string& root) override { return Open("select:" + path); }

private:
  friend class HeadlessView;
  bool Open(const std::string& request);
  void RunPosted();

  std::vector<HeadlessView*> mViews;
  std::deque<std::function<void()>> mPosted;
  int mDelivering = 0;
};

class HeadlessView final : public View
{
public:
  HeadlessView(HeadlessApplication& app, ViewResponder& responder, Rect frame);
  ~HeadlessView() override;

  // What the test reads.
  void* mParent = nullptr;
  Cursor mCursor = Cursor::kArrow;
  std::vector<Rect> mToolTips;
  TextField* mTextField = nullptr;
  std::vector<uint8_t> mFrame;   // the last frame, BGRA8, tight rows
  int mFrameWidth = 0, mFrameHeight = 0;
  int mFramesPresented = 0;
  std::vector<Event> mKeysPassedOn; // keys the responder did not take

  ViewResponder& Responder() { return mResponder; }
  /// Types text into the open field as a user would, character by character (refused ones are dropped); then
  /// ends editing when commit is set.
  void Type(const std::string& utf8, bool commit);

  bool AddToParent(void* parent) override;
  void RemoveFromSuperview() override { mParent = nullptr; }
  bool HasWindow() const override { return mParent != nullptr; }
  Rect Frame() const override { return mFrameRect; }
  void SetFrameSize(Size size) override { mFrameRect.size = size; }
  void SetFrame(Rect frame) override { mFrameRect = frame; }
  /// The child's parent becomes this view.
  bool AddSubview(View& child) override;
  double BackingScaleFactor() const override { return mApp.mBackingScale; }
  Point ConvertToScreen(Point inView) const override;
  Point ConvertFromScreen(Point onScreen) const override;
  void SetCursor(Cursor cursor) override { mCursor = cursor; }
  void AddToolTipRect(Rect r) override { mToolTips.push_back(r); }
  void RemoveAllToolTips() override { mToolTips.clear(); }
  void AddTextField(TextField& field) override { mTextField = &field; }
  void RemoveTextField() override { mTextField = nullptr; }
  void PresentFrame(const FrameImage& frame) override;

private:
  HeadlessApplication& mApp;
  ViewResponder& mResponder;
  Rect mFrameRect;
};

} // namespace appkit
