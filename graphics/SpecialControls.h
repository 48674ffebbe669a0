// The special controls a graphics context builds and owns beside its listed controls: the in-editor popup menu
// and text entry, the corner resizer, value bubbles, the frame-time display, and the background controls. This
// header gives what the context relies on; their drawing belongs to the control library.
#pragma once

#include <array>
#include <cstdint>

#include "graphics/IBitmap.h"
#include "graphics/IControl.h"
#include "graphics/ILayer.h"

namespace plug {
namespace igraphics {

class IPopupMenu;

/// Shows a menu tree inside the editor; while its menu is open it takes every pointer.
class IPopupMenuControl : public IControl
{
public:
  IPopupMenuControl(int paramIdx, const IText& text, const IRECT& collapsedBounds, const IRECT& expandedBounds);
  void Draw(IGraphics& g) override;
  /// Opens the menu anchored at bounds; does nothing while a menu is open.
  virtual void CreatePopupMenu(IPopupMenu& menu, const IRECT& bounds);
  virtual bool GetState() const { return mMenu != nullptr; }
  bool IsOpen() const { return GetState(); }
  /// Closes the menu with the chosen item (or none): runs the menu's completion function and hands the menu to
  /// the graphics context.
  virtual void CloseMenu(IPopupMenu* chosen);

protected:
  IPopupMenu* mMenu = nullptr;
  IRECT mExpandedBounds;
  IRECT mAnchor;
};

/// Edits a value's text inside the editor; while it edits it takes every pointer and every drag.
class ITextEntryControl : public IControl
{
public:
  ITextEntryControl();
  void Draw(IGraphics& g) override;
  virtual void CreateTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length, const char* str);
  virtual bool EditInProgress() const { return mEditing; }
  /// Ends editing and hands the text to the graphics context.
  virtual void CommitEdit();
  virtual void DismissEdit();

protected:
  bool mEditing = false;
  LibString mEditText;
  int mLength = 0;
};

/// A square in the bottom-right corner that scales or resizes the editor.
class ICornerResizerControl : public IControl
{
public:
  ICornerResizerControl(const IRECT& graphicsBounds, float size, const IColor& color = IColor(255, 70, 70, 70),
                        const IColor& mouseOverColour = IColor(255, 0, 0, 0),
                        const IColor& dragColor = IColor(255, 0, 0, 0));
  void Draw(IGraphics& g) override;
  /// Places the square in the editor's bottom-right corner at the current draw scale.
  void OnRescale() override;
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseDblClick(float x, float y, const IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  float GetSize() const { return mSize; }

protected:
  float mSize;
  IRECT mInitialGraphicsBounds;
  IColor mColor, mMouseOverColor, mDragColor;
  int mPrevCursorType = -1;
};

/// Shows one value bubble beside or above a control.
class IBubbleControl : public IControl
{
public:
  IBubbleControl(const IText& text = IText(), const IColor& fillColor = IColor(255, 255, 255, 255),
                 const IColor& frameColor = IColor(255, 0, 0, 0), float roundness = 5.f);
  void Draw(IGraphics& g) override;
  virtual void ShowBubble(IControl* caller, float x, float y, const char* str, EDirection dir,
                          const IRECT& minimumContentBounds, uint64_t touchId = 0);
  uint64_t GetTouchId() const { return mTouchId; }
  bool IsShown() const { return mShown; }
  IControl* GetCaller() const { return mCaller; }
  const char* GetString() const { return mStr.Get(); }

protected:
  IColor mFillColor, mFrameColor;
  float mRoundness;
  uint64_t mTouchId = 0;
  EDirection mDirection = kHorizontal;
  IRECT mMaxBounds;
  IRECT mBubbleBounds;
  IControl* mCaller = nullptr;
  int mArrowDir = 0;
  LibString mStr;
  float mMargin = 5.f;
  float mArrowSize = 7.f;
  bool mShown = false;
};

/// A ring of the last frame times.
class IFPSDisplayControl : public IControl
{
public:
  static constexpr int kNumFrameTimes = 100;
  IFPSDisplayControl(const IRECT& bounds, const char* label = "Frame Time");
  void Draw(IGraphics& g) override;
  /// Writes a frame time at the next index of the ring.
  void Update(float frameTime);
  int GetWriteIdx() const { return mWriteIdx; }
  float GetFrameTime(int i) const { return mFrameTimes[static_cast<size_t>(i)]; }

protected:
  std::array<float, kNumFrameTimes> mFrameTimes{};
  int mWriteIdx = 0;
  LibString mLabel;
};

/// A bitmap at a position (the bitmap background).
class IBitmapControl : public IControl
{
public:
  IBitmapControl(float x, float y, const IBitmap& bitmap, int paramIdx = -1, const IBlend& blend = IBlend());
  void Draw(IGraphics& g) override;
  void OnRescale() override;
  const IBitmap& GetBitmap() const { return mBitmap; }

protected:
  IBitmap mBitmap;
};

/// An SVG image over its bounds (the SVG background).
class ISVGControl : public IControl
{
public:
  ISVGControl(const IRECT& bounds, const ISVG& svg);
  void Draw(IGraphics& g) override;

protected:
  ISVG mSVG;
};

/// A filled panel (the panel background).
class IPanelControl : public IControl
{
public:
  IPanelControl(const IRECT& bounds, const IPattern& pattern);
  void Draw(IGraphics& g) override;

protected:
  IPattern mPattern;
};

} // namespace igraphics
} // namespace plug
