// The popup menu's states, fades, pointer handling and choice. Geometry and drawing are in PopupMenuLayout.cpp.
#include "graphics/overlay/IPopupMenuControl.h"

#include <algorithm>

#include "graphics/context/IGraphics.h"

namespace plug {
namespace igraphics {

int IPopupMenuControl::PopupMenuPanel::CellIndex(const IRECT* cell) const
{
  for (int i = 0; i < NCells(); ++i)
    if (Cell(i) == cell)
      return i;
  return -1;
}

IPopupMenuControl::IPopupMenuControl(int paramIdx, const IText& text, const IRECT& collapsedBounds,
                                     const IRECT& expandedBounds)
  : IControl(collapsedBounds, paramIdx), mCollapsedBounds(collapsedBounds), mExpandedBounds(expandedBounds)
{
  mText = text;
  mHidden = true;
  // Every change of state with triggerAction starts the next fade.
  SetActionFunction([this](IControl*) {
    SetAnimation([this](IControl*) { Animation(); }, mState == kSubmenuOpening ? kSubmenuFadeMs : kFadeMs);
  });
}

IPopupMenuControl::~IPopupMenuControl() = default;

void IPopupMenuControl::CreatePopupMenu(IPopupMenu& menu, const IRECT& anchor)
{
  // A request while a menu is on its way in, shown or on its way out is dropped, leaving that menu as it is.
  if (mState != kMenuClosed)
    return;
  mMenu = &menu;
  mMenuHasSubmenu = false;
  for (int i = 0; i < menu.NItems(); ++i)
    mMenuHasSubmenu = mMenuHasSubmenu || menu.GetItem(i)->GetSubmenu() != nullptr;
  if (mGraphics)
    mMenuBoundsLimit = mGraphics->GetBounds();
  OpenPanel(anchor);
}

void IPopupMenuControl::OpenPanel(const IRECT& anchor)
{
  SetHidden(false);
  mState = kMenuExpanding;
  if (mGraphics)
    mGraphics->UpdateTooltips();
  mMenuPanels.clear();
  ReleaseMenu();
  mShownMenu = mMenu;
  mShownMenu->SetShown(true); // the panels draw from its items until the choice
  mAnchorArea = anchor;
  float w = 0.f, h = 0.f;
  MeasurePanel(*mMenu, w, h);
  const IRECT at = PlaceRootPanel(anchor, w, h);
  PopupMenuPanel* panel = LayoutPanel(*mMenu, at.mLeft, at.mTop, -1);
  mActiveMenuPanel = mAppearingMenuPanel = panel;
  mDrawRect = panel->mRECT;
  mHitRect = panel->mTargetRECT;
  mMouseIsOver = false;
  OnResize();
  SetDirty(true, -1);
}

void IPopupMenuControl::ReleaseMenu()
{
  if (mShownMenu)
    mShownMenu->SetShown(false);
  mShownMenu = nullptr;
}

void IPopupMenuControl::Dismiss()
{
  if (mState == kMenuClosed)
    return;
  ReleaseMenu();
  IControl::OnEndAnimation(); // no further fades
  mMenuPanels.clear();
  mActiveMenuPanel = mAppearingMenuPanel = nullptr;
  mMouseCell = nullptr;
  mShowSubmenuCallout = false;
  mHitRect = mCollapsedBounds;
  mState = kMenuClosed;
  SetHidden(true); // the area the menu covered is drawn again
}

void IPopupMenuControl::SetAllWeights(float w)
{
  for (auto& panel : mMenuPanels)
    panel->mBlend.mWeight = w;
}

void IPopupMenuControl::Animation()
{
  const double p = GetAnimationProgress();
  if (p > 1.0)
  {
    OnEndAnimation();
    return;
  }
  switch (mState)
  {
  case kMenuExpanding:
    if (mAppearingMenuPanel)
      mAppearingMenuPanel->mBlend.mWeight = static_cast<float>(p) * mOpacity;
    break;
  case kMenuCollapsing:
    SetAllWeights(static_cast<float>(1.0 - p) * mOpacity);
    break;
  case kSubmenuOpening:
    if (mAppearingMenuPanel)
      mAppearingMenuPanel->mBlend.mWeight = p > kSubmenuShowProgress ? mOpacity : 0.f;
    break;
  case kMenuClosing:
    SetAllWeights(0.f);
    break;
  default:
    break;
  }
}

void IPopupMenuControl::OnEndAnimation()
{
  switch (mState)
  {
  case kMenuExpanding:
  case kSubmenuOpening:
    SetAllWeights(mOpacity);
    mState = kMenuOpen;
    IControl::OnEndAnimation();
    break;
  case kMenuCollapsing:
    mHitRect = mCollapsedBounds;
    SetAllWeights(0.f);
    mMouseCell = nullptr;
    mAnchorArea = IRECT();
    mState = kMenuClosing;
    SetDirty(true, -1);
    break;
  case kMenuConfirming:
    mState = kMenuCollapsing;
    SetDirty(true, -1);
    break;
  case kMenuClosing:
    mMenuPanels.clear();
    mActiveMenuPanel = mAppearingMenuPanel = nullptr;
    mDrawRect = mCollapsedBounds;
    mState = kMenuClosed;
    // Only once the menu counts as closed do the controls under it get their tooltip areas back.
    if (mGraphics)
      mGraphics->UpdateTooltips();
    IControl::OnEndAnimation();
    break;
  default:
    IControl::OnEndAnimation();
    break;
  }
}

IRECT* IPopupMenuControl::FindCell(const PopupMenuPanel& panel, float x, float y) const
{
  for (int i = 0; i < panel.NCells(); ++i)
  {
    IRECT* cell = panel.Cell(i);
    const IPopupMenu::Item* item = panel.mMenu->GetItem(panel.mFirstShownItem + i);
    if (cell->Contains(x, y) && item && item->GetEnabled())
      return cell;
  }
  return nullptr;
}

int IPopupMenuControl::PanelIndex(const PopupMenuPanel* panel) const
{
  for (int i = 0; i < NPanels(); ++i)
    if (mMenuPanels[static_cast<size_t>(i)].get() == panel)
      return i;
  return -1;
}

void IPopupMenuControl::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  if (!mActiveMenuPanel)
    return;
  mMouseCell = FindCell(*mActiveMenuPanel, x, y);
  if (!mMouseCell)
  {
    for (int i = NPanels() - 1; i >= 0; --i)
    {
      PopupMenuPanel& panel = *mMenuPanels[static_cast<size_t>(i)];
      if (panel.mShown && panel.mRECT.Contains(x, y))
      {
        mActiveMenuPanel = &panel;
        mMouseCell = FindCell(panel, x, y);
        break;
      }
    }
  }
  UpdateSubmenus();

  PopupMenuPanel& active = *mActiveMenuPanel;
  if (active.mScrolls && mMouseCell && active.NCells() > 0)
  {
    const int maxOffset = std::max(0, active.mMenu->NItems() - active.NCells());
    if (mMouseCell == active.Cell(0))
      active.mFirstShownItem = std::max(0, active.mFirstShownItem - 1);
    else if (mMouseCell == active.Cell(active.NCells() - 1))
      active.mFirstShownItem = std::min(maxOffset, active.mFirstShownItem + 1);
  }
  SetDirty(false, -1);
}

void IPopupMenuControl::UpdateSubmenus()
{
  PopupMenuPanel& active = *mActiveMenuPanel;
  const int cellIdx = active.CellIndex(mMouseCell);
  IPopupMenu::Item* item = cellIdx >= 0 ? active.mMenu->GetItem(active.mFirstShownItem + cellIdx) : nullptr;
  if (item && item->GetSubmenu())
    OpenSubmenu(active, *mMouseCell, *item->GetSubmenu());
  else if (item)
  {
    const int activeIdx = PanelIndex(&active);
    for (auto& panel : mMenuPanels)
      if (panel->mParentIdx == activeIdx)
        panel->mShown = false;
    active.mHighlightedCell = nullptr;
    mShowSubmenuCallout = false;
  }
  SetDirty(false, -1);
}

void IPopupMenuControl::OpenSubmenu(PopupMenuPanel& active, IRECT& cell, IPopupMenu& submenu)
{
  PopupMenuPanel* shown = nullptr;
  for (auto& panel : mMenuPanels)
  {
    panel->mShown = panel->mMenu == &submenu;
    if (panel->mShown && !shown)
      shown = panel.get();
  }
  const int cellIdx = active.CellIndex(&cell);
  const IPopupMenu::Item* item = active.mMenu->GetItem(active.mFirstShownItem + cellIdx);
  if (item && item->GetEnabled())
    active.mHighlightedCell = &cell;

  const float a = CalloutSize();
  if (!shown)
  {
    float w = 0.f, h = 0.f;
    MeasurePanel(submenu, w, h);
    const IRECT at = PlaceSubmenuPanel(cell, w, h);
    shown = LayoutPanel(submenu, at.mLeft, at.mTop, PanelIndex(&active));
  }

  // The chain from the shown panel up to the root stays visible.
  IRECT drawRect = mDrawRect, hitRect = mHitRect;
  for (PopupMenuPanel* p = shown; p;)
  {
    p->mShown = true;
    drawRect = drawRect.Union(p->mRECT);
    hitRect = hitRect.Union(p->mTargetRECT);
    p = p->mParentIdx >= 0 ? mMenuPanels[static_cast<size_t>(p->mParentIdx)].get() : nullptr;
  }
  mShowSubmenuCallout = true;
  const float cy = cell.CentreY();
  mSubmenuCalloutArrowBounds = mSubmenuOnRight
                                 ? IRECT(cell.mRight + mPadding, cy - a / 2.f, cell.mRight + mPadding + a, cy + a / 2.f)
                                 : IRECT(cell.mLeft - mPadding - a, cy - a / 2.f, cell.mLeft - mPadding, cy + a / 2.f);
  mDrawRect = drawRect;
  mHitRect = hitRect;
  mMouseIsOver = false;
  OnResize();
  if (mAppearingMenuPanel != shown)
  {
    // A panel still fading in (the root, hovered while the menu opens) shows fully while the next one fades in.
    if (mAppearingMenuPanel && mAppearingMenuPanel->mShown)
      mAppearingMenuPanel->mBlend.mWeight = mOpacity;
    mState = kSubmenuOpening;
    mAppearingMenuPanel = shown;
  }
  SetDirty(true, -1);
}

void IPopupMenuControl::OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod)
{
  if (!mActiveMenuPanel)
    return;
  mMouseCell = FindCell(*mActiveMenuPanel, x, y);
  SetDirty(false, -1);
}

void IPopupMenuControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  if (mState != kMenuOpen || !mActiveMenuPanel)
  {
    IControl::OnMouseDown(x, y, mod);
    return;
  }
  mMouseCell = FindCell(*mActiveMenuPanel, x, y);
  CloseWithChoice();
}

void IPopupMenuControl::CloseWithChoice()
{
  IPopupMenu* menu = mActiveMenuPanel ? mActiveMenuPanel->mMenu : mMenu;
  // From the choice on the menu is off screen: its owner may rebuild it, even in the completion. The panels,
  // hidden, are not drawn from it again.
  ReleaseMenu();
  if (menu)
  {
    menu->SetChosenItemIdx(-1);
    if (mActiveMenuPanel)
    {
      PopupMenuPanel& panel = *mActiveMenuPanel;
      const int cellIdx = panel.CellIndex(mMouseCell);
      const int itemIdx = panel.mFirstShownItem + cellIdx;
      const IPopupMenu::Item* item = cellIdx >= 0 ? menu->GetItem(itemIdx) : nullptr;
      const int unchoosable = IPopupMenu::Item::kSeparator | IPopupMenu::Item::kTitle | IPopupMenu::Item::kDisabled;
      if (item && !(item->GetFlags() & unchoosable) && !item->GetSubmenu())
      {
        menu->SetChosenItemIdx(itemIdx);
        panel.mChosenCell = mMouseCell;
      }
    }
    menu->ExecFunction();
    if (mGraphics)
      mGraphics->ApplyPopupMenuResult(menu);
  }
  mShowSubmenuCallout = false;
  mActiveMenuPanel = nullptr;
  mState = kMenuConfirming;
  SetHidden(true);
  SetDirty(true, -1);
}

} // namespace igraphics
} // namespace plug
