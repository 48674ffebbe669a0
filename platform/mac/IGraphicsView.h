// The editor's view: it shows the frames of one platform graphics context inside the host's window, runs the
// frame clock that redraws what is dirty, turns pointer, wheel, key and drop events into graphics-context calls,
// sets the cursor, shows the colour panel, serves tool tips and hosts the native text field and popup menus.
// Everything here runs on the main thread.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "appkit/application.h"
#include "appkit/view.h"
#include "core/Messages.h"
#include "foundation/run_loop.h"
#include "foundation/zeroed_bytes.h"
#include "graphics/types/IColor.h"
#include "graphics/types/IMouse.h"
#include "graphics/bases/IPopupMenu.h"
#include "graphics/types/IRECT.h"
#include "graphics/types/IText.h"
#include "metal/quartz_core.h"

namespace plug {
namespace igraphics {

class IGraphicsMac;
class IGraphicsTextField_vDrovik_vst;

/// The key press the view hands the graphics context for a key event.
IKeyPress KeyPressFromEvent(const appkit::Event& event);

/// A rectangle in graphics coordinates times the scale, rounded outward (left and top down, right and bottom up).
appkit::Rect ScaledOutward(const IRECT& r, float scale);

class IGraphicsView_vDrovik_vst final : public appkit::ViewResponder,
                                        public appkit::TextFieldDelegate,
                                        public std::enable_shared_from_this<IGraphicsView_vDrovik_vst>
{
public:
  /// A view of the graphics' size times its draw scale, with its frame timer running.
  explicit IGraphicsView_vDrovik_vst(IGraphicsMac& graphics);
  ~IGraphicsView_vDrovik_vst() override;
  IGraphicsView_vDrovik_vst(const IGraphicsView_vDrovik_vst&) = delete;
  IGraphicsView_vDrovik_vst& operator=(const IGraphicsView_vDrovik_vst&) = delete;

  appkit::View& NativeView() { return *mNative; }
  /// The layer the drawing context renders into; its presented drawables are shown in the view.
  CAMetalLayer& Layer() { return *mLayer; }
  /// Frames shown in the window so far.
  long ShownFrames() const { return mShownCount; }
  /// Sets the view's size in points; the layer's drawables follow at the backing scale.
  void setFrameSize(double width, double height);

  // Lifetime.
  void setTimer();
  void killTimer();
  bool HasTimer() const { return mTimer != nullptr; }
  /// Ends text entry, leaves the host's window and, when the removal did not come from the graphics context
  /// itself, asks the editor delegate to close the editor. The view lives on until this returns.
  void removeFromSuperview();
  /// Forgets the graphics context: the view serves nothing from then on.
  void Detach() { mGraphics = nullptr; }

  // Frame clock.
  /// Shows a drawable presented since the last tick (a large one in bands over several ticks), then redraws what
  /// is dirty. The tick runs under the lock the host's calls take, so it never waits for the renderer and keeps
  /// its own work short: while an earlier frame is still being rendered or shown (or no drawable is free) it draws
  /// nothing and leaves the controls dirty for the next tick; the first frame at a size waits, a tick at a time,
  /// for the copies of bitmaps it lacks, and those ticks draw nothing either. After a while with
  /// nothing drawn or shown the frame timer rests: it keeps its grid but only ticks with the loop's other
  /// wake-ups (an event, another timer) or after kRestingTolerance, until something is drawn again.
  void render();
  /// Whether a frame drawn now would start without waiting for the renderer's worker.
  bool CanDrawWithoutWaiting() const;
  /// Ticks with nothing drawn or shown before the frame timer rests, and how late a resting tick may come.
  static constexpr int kQuietTicksBeforeRest = 6;
  static constexpr double kRestingTolerance = 0.1;
  bool IsResting() const { return mQuietTicks >= kQuietTicksBeforeRest; }
  /// How late the frame timer may tick as things stand; 0 without a timer.
  double FrameTimerTolerance() const { return mTimer ? mTimer->Tolerance() : 0.0; }

  // Cursor, colour panel, tool tips.
  void setMouseCursor(int type);
  bool promptForColor(const IColor& color, std::function<void(const IColor&)> fn);
  void registerToolTip(const IRECT& r);
  void removeAllToolTips() { mNative->RemoveAllToolTips(); }

  // Native menus and text entry.
  /// Shows the menu at bounds (view points) modally; the model holding the chosen item, or null.
  IPopupMenu* createPopupMenu(IPopupMenu& menu, const appkit::Rect& bounds);
  /// Opens a text field over bounds (view points). A field already open is committed first.
  void createTextEntry(int paramIdx, const IText& text, const char* str, int length, const appkit::Rect& bounds);
  /// Hands the open field's text to the control that asked for it, redraws and closes the field.
  void ControlTextDidEndEditing() override;
  /// Closes the open field without applying its text.
  void endUserInput();
  bool HasTextField() const { return mTextFieldView != nullptr; }
  /// The open field (its text and selection), or null.
  const appkit::TextField* OpenTextField() const;
  /// A key from the host for the open text field: true when a field is open (it takes every key then).
  bool textFieldKey(const IKeyPress& key, bool isUp);

  // appkit::ViewResponder
  bool SendEvent(const appkit::Event& event) override;
  bool DraggingEntered(const std::vector<std::string>& types) override;
  bool PerformDragOperation(const std::vector<std::string>& files, appkit::Point location) override;
  std::string ToolTipAt(appkit::Point location) override;
  void ViewDidChangeBackingScale(double scale) override;
  void ViewWindowDestroyed() override { removeFromSuperview(); }

private:
  // Pointer events.
  void getMouseXY(const appkit::Event& event, float& x, float& y);
  IMouseInfo getMouseLeft(const appkit::Event& event);
  IMouseInfo getMouseRight(const appkit::Event& event);
  IMouseInfo getMouseDrag(const appkit::Event& event, bool left);
  void mouseDown(const appkit::Event& event);
  void mouseUp(const appkit::Event& event, bool left);
  void mouseDragged(const appkit::Event& event, bool left);
  void mouseMoved(const appkit::Event& event);
  void mouseEntered();
  void mouseExited();
  void scrollWheel(const appkit::Event& event);
  bool keyEvent(const appkit::Event& event, bool down);
  void updateDrawableSize();
  /// Puts on the window the next share of the frame being shown, starting on one the layer presented since.
  void showPresentedFrame();
  /// Takes the frame presented since the last one shown, with the regions of it to read back; false when none.
  bool startShowing();
  void finishShowing();

  std::unique_ptr<foundation::RunLoopTimer> mTimer;
  std::unique_ptr<IGraphicsTextField_vDrovik_vst> mTextFieldView;
  uint64_t mTextFieldSerial = 0; // fields opened so far: a paste that waited tells its field from a later one
  float mPrevX = 0.f;
  float mPrevY = 0.f;
  bool mMouseOutDuringDrag = false;
  IRECTList mDirtyRects;
  std::function<void(const IColor&)> mColorPickerFunc;
  IGraphicsMac* mGraphics;
  std::unique_ptr<appkit::View> mNative;
  std::unique_ptr<CAMetalLayer> mLayer;
  long mShownFrames = 0; // the layer's presented count when a frame was last shown
  int mQuietTicks = 0;
  long mShownCount = 0;
  int mShownWidth = 0, mShownHeight = 0;
  /// Backing-pixel rectangles drawn since the last frame shown, and those of the frames shown before it: a
  /// drawable may be presented a tick or more after the frame was drawn.
  std::vector<appkit::Rect> mDrawnSinceShown;
  std::deque<std::vector<appkit::Rect>> mRecentlyDrawn;
  foundation::ZeroedBytes mFramePixels;
  /// The drawable being put on the window, and the regions of it still to go.
  std::shared_ptr<MTLTexture> mShowing;
  std::vector<appkit::Rect> mToShow;
  /// The most pixels read back and put on the window in one tick: a few milliseconds' work, as much as the
  /// regions a moving meter dirties at the largest sizes.
  static constexpr long long kShownPixelsPerTick = 1LL << 21;
  /// The same for a frame new in size, whose pixels cost several times as much: they land in memory touched for
  /// the first time, ours and the window's.
  static constexpr long long kFirstShownPixelsPerTick = 1LL << 19;
  long long mShownPerTick = kShownPixelsPerTick; // the share of the frame being shown
  /// The most pixels resampled for copies of bitmaps in one tick while the first frame at a size waits for them.
  static constexpr size_t kResampledPixelsPerTick = size_t(1) << 19;
  /// The regions of a frame dropped for want of copies of bitmaps, drawn with the next one.
  std::vector<IRECT> mDroppedRects;
  double mBackingScale = 1.0;
  bool mColorPanelOpen = false;
};

} // namespace igraphics
} // namespace plug
