#include "appkit/headless.h"

#include <algorithm>
#include <cstring>

namespace appkit {

// ---- Application ----

bool HeadlessApplication::Deliver(HeadlessView& view, const Event& event)
{
  ++mDelivering;
  const bool taken = view.Responder().SendEvent(event);
  if (!taken && (event.type == EventType::kKeyDown || event.type == EventType::kKeyUp))
    view.mKeysPassedOn.push_back(event);
  --mDelivering;
  RunPosted();
  return taken;
}

void HeadlessApplication::Post(std::function<void()> fn)
{
  mPosted.push_back(std::move(fn));
  RunPosted();
}

void HeadlessApplication::RunPosted()
{
  while (mDelivering == 0 && mModalDepth == 0 && !mPosted.empty())
  {
    std::function<void()> fn = std::move(mPosted.front());
    mPosted.pop_front();
    fn();
  }
}

std::unique_ptr<View> HeadlessApplication::CreateView(ViewResponder& responder, Rect frame)
{
  return std::make_unique<HeadlessView>(*this, responder, frame);
}

void HeadlessApplication::WarpCursor(Point topLeftOrigin)
{
  mWarps.push_back(topLeftOrigin);
  mMouse = {topLeftOrigin.x, mScreenHeight - topLeftOrigin.y};
}

bool HeadlessApplication::HasCursor(Cursor cursor) const
{
  switch (cursor)
  {
  case Cursor::kBusyButClickable:
  case Cursor::kResizeNorth:
  case Cursor::kResizeNorthWestSouthEast:
  case Cursor::kResizeNorthEastSouthWest:
  case Cursor::kResizeEastWest:
  case Cursor::kResizeNorthSouth:
  case Cursor::kHelp:
    return mHasPrivateCursors;
  default:
    return true;
  }
}

MenuItem* HeadlessApplication::PopUpMenu(Menu& menu, Point locationInView, View& view)
{
  ++mModalDepth;
  MenuItem* chosen = mMenuHook ? mMenuHook(menu, locationInView, view) : nullptr;
  --mModalDepth;
  // As a real menu: only an enabled item with an action can be chosen.
  if (chosen && !chosen->IsChoosable())
    chosen = nullptr;
  if (chosen)
    chosen->action(*chosen);
  return chosen;
}

int HeadlessApplication::RunAlertPanel(const AlertPanel& alert)
{
  mAlerts.push_back(alert);
  ++mModalDepth;
  const int answer = mAlertHook ? mAlertHook(alert) : kAlertDefaultReturn;
  --mModalDepth;
  return answer;
}

int HeadlessApplication::RunFilePanel(FilePanel& panel)
{
  ++mModalDepth;
  const int answer = mFilePanelHook ? mFilePanelHook(panel) : kPanelCancelButton;
  --mModalDepth;
  if (answer == kPanelOKButton)
    panel.CompleteSaveAnswer();
  return answer;
}

bool HeadlessApplication::ShowColorPanel(const DeviceColor& color, ColorCallback onPicked)
{
  if (!mHasColorPanel)
    return false;
  mColorShown = color;
  mColorCallback = std::move(onPicked);
  return true;
}

bool HeadlessApplication::StringFromPasteboard(std::string& text)
{
  text = mPasteboardHasText ? mPasteboard : std::string();
  return mPasteboardHasText;
}

bool HeadlessApplication::SetPasteboardString(const std::string& text)
{
  mPasteboard = text;
  mPasteboardHasText = true;
  return true;
}

bool HeadlessApplication::Open(const std::string& request)
{
  mRequests.push_back(request);
  return mOpenHook ? mOpenHook(request) : false;
}

// ---- View ----

HeadlessView::HeadlessView(HeadlessApplication& app, ViewResponder& responder, Rect frame)
  : mApp(app), mResponder(responder), mFrameRect(frame)
{
  mApp.mViews.push_back(this);
}

HeadlessView::~HeadlessView()
{
  auto& views = mApp.mViews;
  views.erase(std::remove(views.begin(), views.end(), this), views.end());
}

bool HeadlessView::AddToParent(void* parent)
{
  if (!parent)
    return false;
  mParent = parent;
  mResponder.ViewDidChangeBackingScale(mApp.mBackingScale);
  return true;
}

// The view sits at the top left of the screen.
bool HeadlessView::AddSubview(View& child)
{
  return mParent && !child.HasWindow() && child.AddToParent(this);
}

Point HeadlessView::ConvertToScreen(Point inView) const { return {inView.x, mApp.mScreenHeight - inView.y}; }

Point HeadlessView::ConvertFromScreen(Point onScreen) const
{
  return {onScreen.x, mApp.mScreenHeight - onScreen.y};
}

void HeadlessView::PresentFrame(const FrameImage& frame)
{
  const size_t row = static_cast<size_t>(frame.width) * 4;
  // Only the changed regions are copied onto a frame of the same size, as a window updates only those.
  const bool partial = !frame.changed.empty() && frame.width == mFrameWidth && frame.height == mFrameHeight &&
                       mFrame.size() == row * static_cast<size_t>(frame.height);
  mFrameWidth = frame.width;
  mFrameHeight = frame.height;
  mFrame.resize(row * static_cast<size_t>(frame.height));
  auto copy = [&](int x0, int y0, int x1, int y1) {
    for (int y = y0; y < y1; ++y)
      std::memcpy(&mFrame[row * static_cast<size_t>(y) + static_cast<size_t>(x0) * 4],
                  frame.pixels + frame.bytesPerRow * static_cast<size_t>(y) + static_cast<size_t>(x0) * 4,
                  static_cast<size_t>(x1 - x0) * 4);
  };
  if (!partial)
    copy(0, 0, frame.width, frame.height);
  for (const Rect& r : partial ? frame.changed : std::vector<Rect>())
  {
    const int x0 = std::clamp(static_cast<int>(r.origin.x), 0, frame.width);
    const int y0 = std::clamp(static_cast<int>(r.origin.y), 0, frame.height);
    const int x1 = std::clamp(static_cast<int>(r.MaxX()), x0, frame.width);
    const int y1 = std::clamp(static_cast<int>(r.MaxY()), y0, frame.height);
    copy(x0, y0, x1, y1);
  }
  ++mFramesPresented;
}

void HeadlessView::Type(const std::string& utf8, bool commit)
{
  for (char32_t c : UTF32FromUTF8(utf8))
  {
    if (!mTextField)
      return;
    mTextField->InsertCharacter(c);
  }
  if (commit && mTextField)
    mTextField->EndEditing();
}

} // namespace appkit
