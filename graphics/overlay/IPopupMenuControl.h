// The in-editor popup menu: shows an IPopupMenu as fading panels of cells inside the editor, with check marks,
// separators, submenus in further panels and scrolling when a menu is taller than the editor. The graphics
// context owns one and hands it every menu it is asked to open; while the menu is open it takes every pointer.
// Timings run on the graphics context's clock. Everything here runs on the main thread.
#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "graphics/bases/IControl.h"
#include "graphics/bases/IPopupMenu.h"

namespace plug {
namespace igraphics {

class IPopupMenuControl : public IControl
{
public:
  enum PopupMenuState
  {
    kMenuClosed = 0,
    kMenuExpanding,
    kMenuOpen,
    kMenuCollapsing,
    kMenuConfirming,
    kSubmenuOpening,
    kMenuClosing,
  };

  /// Fade lengths: a panel or the whole menu 100 ms, a submenu 200 ms.
  static constexpr int kFadeMs = 100;
  static constexpr int kSubmenuFadeMs = 200;
  /// A submenu panel stays invisible for this part of its fade, then shows at once.
  static constexpr double kSubmenuShowProgress = 0.9;
  /// Separators appear once a panel's weight is above this.
  static constexpr float kSeparatorShowWeight = 0.9f;
  static constexpr float kSeparatorWeight = 0.25f;

  /// One shown menu or submenu.
  struct PopupMenuPanel
  {
    IPopupMenu* mMenu = nullptr;
    std::vector<std::unique_ptr<IRECT>> mCellBounds; // one per visible row
    IRECT mRECT;                                      // target grown by the shadow margin
    IRECT mTargetRECT;                                // union of the cells grown by the padding
    int mScrollMaxRows = 0;
    bool mShown = true;
    IBlend mBlend{0, 0.f};
    IRECT mSingleCellBounds;
    IRECT* mHighlightedCell = nullptr; // the cell whose submenu is open
    IRECT* mChosenCell = nullptr;
    int mParentIdx = -1;
    bool mScrolls = false;
    int mFirstShownItem = 0; // cell i shows item (offset + i)

    int NCells() const { return static_cast<int>(mCellBounds.size()); }
    IRECT* Cell(int i) const { return mCellBounds[static_cast<size_t>(i)].get(); }
    int CellIndex(const IRECT* cell) const;
  };

  IPopupMenuControl(int paramIdx = -1, const IText& text = IText(), const IRECT& collapsedBounds = IRECT(),
                    const IRECT& expandedBounds = IRECT());
  ~IPopupMenuControl() override;

  /// Shows the menu anchored at bounds; dropped unless the menu is closed. [main thread, editor open]
  virtual void CreatePopupMenu(IPopupMenu& menu, const IRECT& anchor);
  int GetState() const { return mState; }
  /// A menu is on its way in, shown, or on its way out: new requests are refused until it has closed.
  bool IsOpen() const { return mState != kMenuClosed; }
  /// The menu is on screen (fading in, open, or a submenu fading in): every pointer event is the menu's.
  bool IsShowing() const { return mState == kMenuExpanding || mState == kMenuOpen || mState == kSubmenuOpening; }
  /// Takes the menu off screen at once, with no answer: for when the control that asked for it goes away.
  void Dismiss();

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  /// The second click of a double click is a press like the first.
  void OnMouseDblClick(float x, float y, const IMouseMod& mod) override { OnMouseDown(x, y, mod); }
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnMouseWheel(float x, float y, const IMouseMod& mod, float d) override {}
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override { mMouseCell = nullptr; }
  void Draw(IGraphics& g) override;
  void OnEndAnimation() override;

  // Drawing hooks.
  virtual void DrawAnchorArrow(IGraphics& g, const IRECT& bounds, const IBlend* blend);
  virtual void DrawSubmenuCallout(IGraphics& g, const IRECT& bounds, const IBlend* blend);
  virtual void DrawPanelFill(IGraphics& g, const PopupMenuPanel& panel);
  virtual void DrawPanelDropShadow(IGraphics& g, const PopupMenuPanel& panel);
  virtual void DrawCellHighlight(IGraphics& g, const IRECT& cell, const IPopupMenu::Item& item, bool selected,
                                 const IBlend* blend);
  virtual void DrawCellLabel(IGraphics& g, const IRECT& cell, const IPopupMenu::Item& item, bool selected,
                             const IBlend* blend);
  virtual void DrawCheckMark(IGraphics& g, const IRECT& cell, const IPopupMenu::Item& item, bool selected,
                             const IBlend* blend);
  virtual void DrawSubmenuMarker(IGraphics& g, const IRECT& cell, const IPopupMenu::Item& item, bool selected,
                                 const IBlend* blend);
  virtual void DrawScrollUpArrow(IGraphics& g, const IRECT& cell, bool selected, const IBlend* blend);
  virtual void DrawScrollDownArrow(IGraphics& g, const IRECT& cell, bool selected, const IBlend* blend);
  virtual void DrawSeparatorLine(IGraphics& g, const IRECT& cell, const IBlend* blend);
  /// Ends the menu with the item under the pointer (or none): completion, then the graphics context's result.
  virtual void CloseWithChoice();

  // Read by tests and by the drawing.
  int NPanels() const { return static_cast<int>(mMenuPanels.size()); }
  const PopupMenuPanel& GetPanel(int i) const { return *mMenuPanels[static_cast<size_t>(i)]; }
  const PopupMenuPanel* GetActivePanel() const { return mActiveMenuPanel; }
  const IRECT* GetHoveredCell() const { return mMouseCell; }
  int GetCalloutDirection() const { return mCalloutArrowDirection; }
  bool GetSubmenusOpenRight() const { return mSubmenuOnRight; }
  /// Width and height of a panel for the menu.
  void MeasurePanel(const IPopupMenu& menu, float& width, float& height) const;

protected:
  /// Where a panel of a size may go: its left edge between minX and maxX, its top between minY and maxY, so that
  /// it stays inside the bounds limit with its shadow.
  struct PanelRange
  {
    float minX, maxX, minY, maxY;
    float ClampX(float x) const { return std::min(maxX, std::max(minX, x)); }
  };

  void OpenPanel(const IRECT& anchor);
  /// Ends the shown mark of the menu on screen, when there is one.
  void ReleaseMenu();
  PanelRange RangeFor(float w, float h) const;
  float CalloutSize() const { return mCalloutOn ? mCalloutSize : 0.f; }
  void SetCallout(int direction, const IRECT& bounds);
  IRECT CalloutBelow(const IRECT& anchor) const;
  IRECT CalloutAbove(const IRECT& anchor) const;
  /// The left edge of a panel beside the anchor, toward the editor's centre; points the callout at the anchor.
  float BesideAnchor(const IRECT& anchor, float w);
  /// Moves a panel that does not fit beside the anchor below it (anchor in the upper half) or above it.
  void FitAroundAnchor(const IRECT& anchor, float w, float h, float& x, float& y);
  /// A menu with submenus: centred on the anchor, on the side with more room.
  void PlaceMenuWithSubmenus(const IRECT& anchor, float w, float h, float& x, float& y);
  IRECT PlaceRootPanel(const IRECT& anchor, float w, float h);
  /// A submenu's panel beside the cell that opens it, level with the cell (above it when the menu opened above).
  IRECT PlaceSubmenuPanel(const IRECT& cell, float w, float h) const;
  PopupMenuPanel* LayoutPanel(IPopupMenu& menu, float x, float y, int parentIdx);
  IRECT MeasureSpan(const IPopupMenu& menu) const;
  /// The widest label a panel shows whole; 0 before a menu has given the control its bounds limit.
  float MaxLabelWidth() const;
  /// The label as drawn in a width: whole when it fits, else its start and end around " ... ".
  std::string FitLabel(IGraphics& g, const char* text, float width) const;
  IRECT* FindCell(const PopupMenuPanel& panel, float x, float y) const;
  void UpdateSubmenus();
  void OpenSubmenu(PopupMenuPanel& active, IRECT& cell, IPopupMenu& submenu);
  void Animation();
  void SetAllWeights(float w);
  int PanelIndex(const PopupMenuPanel* panel) const;
  void DrawPanel(IGraphics& g, const PopupMenuPanel& panel);
  IColor MarkColor(bool selected) const { return selected ? mSelectedTextColor : mTextColor; }

  std::vector<std::unique_ptr<PopupMenuPanel>> mMenuPanels;
  PopupMenuPanel* mActiveMenuPanel = nullptr;
  PopupMenuPanel* mAppearingMenuPanel = nullptr;
  int mState = kMenuClosed;
  IRECT* mMouseCell = nullptr;
  IPopupMenu* mMenu = nullptr;
  IPopupMenu* mShownMenu = nullptr; // marked shown from the opening to the choice
  int mMaxColumnItems = 0;
  bool mScrollIfTooBig = true;
  bool mCalloutOn = false;
  bool mMenuHasSubmenu = false;
  bool mPreferBelow = true;
  bool mSubmenuOnRight = true;
  bool mShowSubmenuCallout = false;

  float mCellGap = 2.f;
  float mSeparatorSize = 2.f;
  float mRoundness = 5.f;
  float mShadowMargin = 10.f;
  float mOpacity = 0.95f;
  float mMenuShift = 0.f;
  float mTextPadding = 5.f;
  float mCheckAreaWidth = 10.f;
  float mArrowAreaWidth = 8.f;
  float mPadding = 5.f;
  float mCalloutSize = 8.f;

  IRECT mAnchorArea;
  int mCalloutArrowDirection = 1;
  IRECT mCalloutArrowBounds;
  IRECT mSubmenuCalloutArrowBounds;
  IRECT mMenuBoundsLimit;

  IColor mPanelBackgroundColor{255, 255, 255, 255};
  IColor mCellBackgroundColor{255, 0, 0, 255};
  IColor mSelectedTextColor{255, 255, 255, 255};
  IColor mTextColor{255, 0, 0, 0};
  IColor mDisabledTextColor{255, 127, 127, 127};
  IColor mSeparatorColor{255, 200, 200, 200};

  IRECT mCollapsedBounds;
  IRECT mExpandedBounds;
};

} // namespace igraphics
} // namespace plug
