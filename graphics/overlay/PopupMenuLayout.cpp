// The popup menu's geometry and drawing: the size of a panel, where the root panel goes beside, below or above
// the control that asked for it, how cells are laid out and scrolled, and the drawing hooks of each panel.
#include <algorithm>
#include <string>
#include <vector>

#include "graphics/overlay/IPopupMenuControl.h"
#include "graphics/context/IGraphics.h"

namespace plug {
namespace igraphics {

IRECT IPopupMenuControl::MeasureSpan(const IPopupMenu& menu) const
{
  IRECT span;
  for (int i = 0; i < menu.NItems(); ++i)
  {
    const char* text = menu.GetItem(i)->GetText();
    IRECT r;
    if (mGraphics)
      mGraphics->MeasureText(mText, text ? text : "", r);
    span = span.Union(r);
  }
  // A panel is never wider than the editor: longer labels are cut when drawn.
  const float widest = MaxLabelWidth();
  if (widest > 0.f && span.W() > widest)
    span.mRight = span.mLeft + widest;
  return span;
}

float IPopupMenuControl::MaxLabelWidth() const
{
  // The widest cell that stays inside the bounds limit with the panel's padding and shadow on both sides, and
  // for which the placement range is not empty, less the check, arrow and text padding around the label.
  const float m = mShadowMargin, cell = mMenuBoundsLimit.W() - std::max(3.f * m, 2.f * (m + mPadding));
  return std::max(0.f, cell - 2.f * mTextPadding - mCheckAreaWidth - mArrowAreaWidth);
}

namespace {

/// Positions where the UTF-8 characters of the text start (a byte that starts no sequence counts as one).
std::vector<size_t> CharacterStarts(const std::string& text)
{
  std::vector<size_t> starts;
  for (size_t i = 0; i < text.size(); ++i)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
      starts.push_back(i);
  return starts;
}

} // namespace

std::string IPopupMenuControl::FitLabel(IGraphics& g, const char* text, float width) const
{
  const std::string whole = text ? text : "";
  IRECT r;
  g.MeasureText(mText, whole.c_str(), r);
  if (r.W() <= width)
    return whole;
  // Cut as a long preset name is in the title: the start and the end around " ... ", as many characters kept as
  // fit (the fewest-kept cut is used when even that does not fit).
  const std::vector<size_t> starts = CharacterStarts(whole);
  const int count = static_cast<int>(starts.size());
  auto cut = [&](int kept) {
    const int head = kept - kept / 2, tail = kept / 2;
    const size_t headEnd = head < count ? starts[static_cast<size_t>(head)] : whole.size();
    const size_t tailStart = starts[static_cast<size_t>(count - tail)];
    return whole.substr(0, headEnd) + " ... " + whole.substr(tailStart);
  };
  int lo = 0, hi = count - 1; // lo always fits (or is the last resort), hi may not
  while (lo < hi)
  {
    const int mid = (lo + hi + 1) / 2;
    g.MeasureText(mText, cut(mid).c_str(), r);
    if (r.W() <= width)
      lo = mid;
    else
      hi = mid - 1;
  }
  return cut(lo);
}

void IPopupMenuControl::MeasurePanel(const IPopupMenu& menu, float& width, float& height) const
{
  const IRECT span = MeasureSpan(menu);
  int separators = 0;
  for (int i = 0; i < menu.NItems(); ++i)
    separators += menu.GetItem(i)->GetIsSeparator() ? 1 : 0;
  const int n = menu.NItems();
  width = span.W() + 2.f * mTextPadding + mCheckAreaWidth + mArrowAreaWidth;
  height = static_cast<float>(n - separators) * span.H() + static_cast<float>(separators) * mSeparatorSize +
           static_cast<float>(std::max(0, n - 1)) * mCellGap;
}

IPopupMenuControl::PanelRange IPopupMenuControl::RangeFor(float w, float h) const
{
  const IRECT& lim = mMenuBoundsLimit;
  const float m = mShadowMargin;
  return {lim.mLeft + m, lim.mRight - w - 2.f * m, lim.mTop + m, lim.mBottom - h - 2.f * m};
}

void IPopupMenuControl::SetCallout(int direction, const IRECT& bounds)
{
  mCalloutArrowDirection = direction;
  mCalloutArrowBounds = bounds;
}

IRECT IPopupMenuControl::CalloutBelow(const IRECT& anchor) const
{
  const float a = CalloutSize(), acx = anchor.CentreX();
  return IRECT(acx - a / 2.f, anchor.mBottom, acx + a / 2.f, anchor.mBottom + a);
}

IRECT IPopupMenuControl::CalloutAbove(const IRECT& anchor) const
{
  const float a = CalloutSize(), acx = anchor.CentreX();
  return IRECT(acx - a / 2.f, anchor.mTop - a, acx + a / 2.f, anchor.mTop);
}

float IPopupMenuControl::BesideAnchor(const IRECT& anchor, float w)
{
  const float a = CalloutSize(), acy = anchor.CentreY();
  if (anchor.CentreX() <= mMenuBoundsLimit.CentreX())
  {
    SetCallout(1, IRECT(anchor.mRight, acy - a / 2.f, anchor.mRight + a, acy + a / 2.f));
    return anchor.mRight + a;
  }
  SetCallout(3, IRECT(anchor.mLeft - a, acy - a / 2.f, anchor.mLeft, acy + a / 2.f));
  return anchor.mLeft - a - w - mShadowMargin;
}

void IPopupMenuControl::FitAroundAnchor(const IRECT& anchor, float w, float h, float& x, float& y)
{
  const PanelRange r = RangeFor(w, h);
  const float a = CalloutSize(), acx = anchor.CentreX();
  const bool upperHalf = anchor.CentreY() <= mMenuBoundsLimit.CentreY();
  if (upperHalf && (x > r.maxX || y <= r.minY || x <= r.minX))
  {
    SetCallout(2, CalloutBelow(anchor));
    y = anchor.mBottom + a;
    if (y <= r.maxY)
      x = acx - w / 2.f;
    else
    {
      x = BesideAnchor(anchor, w);
      y = r.maxY;
    }
  }
  if (!upperHalf && (x > r.maxX || y > r.maxY || x <= r.minX))
  {
    SetCallout(0, CalloutAbove(anchor));
    y = anchor.mTop - a - h - mShadowMargin;
    if (y > r.minY)
      x = acx - w / 2.f;
    else
    {
      x = BesideAnchor(anchor, w);
      y = r.minY;
    }
  }
  x = r.ClampX(x);
  y = std::max(0.f, std::min(r.maxY, std::max(r.minY, y)));
}

void IPopupMenuControl::PlaceMenuWithSubmenus(const IRECT& anchor, float w, float h, float& x, float& y)
{
  const PanelRange r = RangeFor(w, h);
  const IRECT& lim = mMenuBoundsLimit;
  const float a = CalloutSize(), acx = anchor.CentreX(), scx = lim.CentreX();
  mSubmenuOnRight = acx <= scx;
  x = r.ClampX(acx - w / 2.f + (acx > scx ? mMenuShift : -mMenuShift));
  if (lim.mBottom - anchor.mBottom >= anchor.mTop - lim.mTop)
  {
    y = std::max(r.minY, std::min(r.maxY, anchor.mBottom + a));
    SetCallout(2, CalloutBelow(anchor));
  }
  else
  {
    y = std::min(r.maxY, std::max(r.minY, anchor.mTop - a - h - mShadowMargin));
    SetCallout(0, CalloutAbove(anchor));
  }
}

IRECT IPopupMenuControl::PlaceRootPanel(const IRECT& anchor, float w, float h)
{
  const PanelRange r = RangeFor(w, h);
  const float a = CalloutSize(), ts = mText.mSize, acy = anchor.CentreY();
  float y = acy <= mMenuBoundsLimit.CentreY() ? acy - (ts + a) : acy - h + ts + a;
  float x = BesideAnchor(anchor, w);
  const bool fits = r.minX < x && x <= r.maxX && r.minY < y && y <= r.maxY;
  if (!fits)
    FitAroundAnchor(anchor, w, h, x, y);
  if (mPreferBelow && anchor.mBottom + a <= r.maxY)
  {
    x = anchor.CentreX() - w / 2.f;
    y = anchor.mBottom + a;
    SetCallout(2, CalloutBelow(anchor));
  }
  x = r.ClampX(x);
  if (mMenuHasSubmenu)
    PlaceMenuWithSubmenus(anchor, w, h, x, y);
  return IRECT(x, y, x + w, y + h);
}

IRECT IPopupMenuControl::PlaceSubmenuPanel(const IRECT& cell, float w, float h) const
{
  const PanelRange r = RangeFor(w, h);
  const float m = mShadowMargin, p = mPadding, g = mCellGap, a = CalloutSize();
  const float y = mCalloutArrowDirection == 0
                    ? std::min(r.maxY, std::max(r.minY, cell.mTop - p / 2.f - h + 2.f * g + m))
                    : std::max(r.minY, std::min(r.maxY, cell.mTop - p));
  const float x = r.ClampX(mSubmenuOnRight ? cell.mRight + p + a : cell.mLeft - p - a - w - m);
  return IRECT(x, y, x + w, y + h);
}

IPopupMenuControl::PopupMenuPanel* IPopupMenuControl::LayoutPanel(IPopupMenu& menu, float x, float y, int parentIdx)
{
  auto owned = std::make_unique<PopupMenuPanel>();
  PopupMenuPanel& panel = *owned;
  panel.mMenu = &menu;
  panel.mParentIdx = parentIdx;

  const IRECT& lim = mMenuBoundsLimit;
  const float p = mPadding, g = mCellGap, m = mShadowMargin;
  const IRECT span = MeasureSpan(menu);
  panel.mSingleCellBounds =
    IRECT(x, y, x + span.W() + 2.f * mTextPadding + mCheckAreaWidth + mArrowAreaWidth, y + span.H());
  const float cellW = panel.mSingleCellBounds.W(), cellH = panel.mSingleCellBounds.H();
  const int n = menu.NItems();
  auto itemHeight = [&](int i) { return menu.GetItem(i)->GetIsSeparator() ? mSeparatorSize : cellH; };
  auto column = [&](float top, int count) {
    for (int i = 0; i < count; ++i)
    {
      panel.mCellBounds.push_back(std::make_unique<IRECT>(x + p, top, x + p + cellW, top + itemHeight(i)));
      top = panel.mCellBounds.back()->mBottom + g;
    }
  };

  float top = y + p;
  bool overflow = false;
  for (int i = 0; i < n && !overflow; ++i)
  {
    if (top + itemHeight(i) + p > lim.mBottom)
      overflow = true;
    else
    {
      panel.mCellBounds.push_back(std::make_unique<IRECT>(x + p, top, x + p + cellW, top + itemHeight(i)));
      top = panel.mCellBounds.back()->mBottom + g;
    }
  }

  if (overflow)
  {
    panel.mCellBounds.clear();
    const float rowH = cellH + g;
    const int rows = rowH > 0.f ? static_cast<int>((lim.mBottom - p - (lim.mTop + p + m)) / rowH) : 0;
    if (n >= rows)
    {
      panel.mScrolls = true;
      panel.mScrollMaxRows = std::max(0, rows);
      column(lim.mTop + p + m, std::max(0, rows));
    }
    else
    {
      // Moved up so the column ends where it would have started, but never above the editor's top: every row
      // stays reachable.
      float columnH = 0.f;
      for (int i = 0; i < n; ++i)
        columnH += itemHeight(i) + (i > 0 ? g : 0.f);
      float start = y + p - static_cast<float>(n - 1) * cellH;
      start = std::min(start, lim.mBottom - p - columnH);
      start = std::max(start, lim.mTop + p + m);
      column(start, n);
    }
  }

  IRECT cells(x + p, y + p, x + p + cellW, y + p);
  for (int i = 0; i < panel.NCells(); ++i)
    cells = i == 0 ? *panel.Cell(0) : cells.Union(*panel.Cell(i));
  if (mExpandedBounds.W() != 0.f)
    cells = mExpandedBounds;
  panel.mTargetRECT = cells.GetPadded(p);
  panel.mRECT = cells.GetPadded(p + m);

  mMenuPanels.push_back(std::move(owned));
  return &panel;
}

void IPopupMenuControl::Draw(IGraphics& g)
{
  for (auto& panel : mMenuPanels)
    if (panel->mShown)
      DrawPanel(g, *panel);
  if (mCalloutOn && !mMenuPanels.empty())
  {
    DrawAnchorArrow(g, mCalloutArrowBounds, &mMenuPanels.front()->mBlend);
    if (mMenuHasSubmenu && mShowSubmenuCallout)
      DrawSubmenuCallout(g, mSubmenuCalloutArrowBounds, &mMenuPanels.front()->mBlend);
  }
}

void IPopupMenuControl::DrawPanel(IGraphics& g, const PopupMenuPanel& panel)
{
  const IBlend* blend = &panel.mBlend;
  DrawPanelDropShadow(g, panel);
  DrawPanelFill(g, panel);

  const int nCells = panel.NCells(), nItems = panel.mMenu->NItems();
  int first = 0, last = nCells;
  if (nCells < nItems && nCells > 0)
  {
    static const IPopupMenu::Item kNoItem("");
    if (panel.mFirstShownItem >= 1)
    {
      const bool sel = panel.Cell(0) == mMouseCell;
      DrawCellHighlight(g, *panel.Cell(0), kNoItem, sel, blend);
      DrawScrollUpArrow(g, *panel.Cell(0), sel, blend);
      first = 1;
    }
    if (panel.mFirstShownItem < nItems - nCells)
    {
      const bool sel = panel.Cell(nCells - 1) == mMouseCell;
      DrawCellHighlight(g, *panel.Cell(nCells - 1), kNoItem, sel, blend);
      DrawScrollDownArrow(g, *panel.Cell(nCells - 1), sel, blend);
      last = nCells - 1;
    }
  }
  for (int i = first; i < last; ++i)
  {
    const IRECT& cell = *panel.Cell(i);
    const IPopupMenu::Item* item = panel.mMenu->GetItem(panel.mFirstShownItem + i);
    if (!item)
      continue;
    if (item->GetIsSeparator())
    {
      DrawSeparatorLine(g, cell, blend);
      continue;
    }
    const bool sel = &cell == mMouseCell || &cell == panel.mHighlightedCell;
    DrawCellHighlight(g, cell, *item, sel, blend);
    DrawCellLabel(g, cell, *item, sel, blend);
    if (item->GetChecked())
      DrawCheckMark(g, cell, *item, sel, blend);
    if (item->GetSubmenu())
      DrawSubmenuMarker(g, cell, *item, sel, blend);
  }
}

void IPopupMenuControl::DrawAnchorArrow(IGraphics& g, const IRECT& r, const IBlend* blend)
{
  switch (mCalloutArrowDirection)
  {
  case 0: g.FillTriangle(mPanelBackgroundColor, r.mLeft, r.mTop, r.mRight, r.mTop, r.CentreX(), r.mBottom, blend); break;
  case 1: g.FillTriangle(mPanelBackgroundColor, r.mRight, r.mTop, r.mRight, r.mBottom, r.mLeft, r.CentreY(), blend); break;
  case 2: g.FillTriangle(mPanelBackgroundColor, r.mLeft, r.mBottom, r.mRight, r.mBottom, r.CentreX(), r.mTop, blend); break;
  default: g.FillTriangle(mPanelBackgroundColor, r.mLeft, r.mTop, r.mLeft, r.mBottom, r.mRight, r.CentreY(), blend); break;
  }
}

void IPopupMenuControl::DrawSubmenuCallout(IGraphics& g, const IRECT& r, const IBlend* blend)
{
  if (mSubmenuOnRight)
    g.FillTriangle(mPanelBackgroundColor, r.mRight, r.mTop, r.mRight, r.mBottom, r.mLeft, r.CentreY(), blend);
  else
    g.FillTriangle(mPanelBackgroundColor, r.mLeft, r.mTop, r.mLeft, r.mBottom, r.mRight, r.CentreY(), blend);
}

void IPopupMenuControl::DrawPanelFill(IGraphics& g, const PopupMenuPanel& panel)
{
  g.FillRoundRect(mPanelBackgroundColor, panel.mTargetRECT, mRoundness, &panel.mBlend);
}

void IPopupMenuControl::DrawPanelDropShadow(IGraphics& g, const PopupMenuPanel& panel)
{
  g.DrawFastDropShadow(panel.mRECT.GetInset(mShadowMargin), panel.mRECT, 2.f, mRoundness, 10.f, &panel.mBlend);
}

void IPopupMenuControl::DrawCellHighlight(IGraphics& g, const IRECT& cell, const IPopupMenu::Item& item,
                                          bool selected, const IBlend* blend)
{
  if (selected)
    g.FillRect(mCellBackgroundColor, IRECT(cell.mLeft - mPadding, cell.mTop, cell.mRight + mPadding, cell.mBottom),
               blend);
}

void IPopupMenuControl::DrawCellLabel(IGraphics& g, const IRECT& cell, const IPopupMenu::Item& item, bool selected,
                                      const IBlend* blend)
{
  mText.mTextColor = selected ? mSelectedTextColor : (item.GetEnabled() ? mTextColor : mDisabledTextColor);
  mText.mHAlign = kAlignNear;
  const float left = cell.mLeft + mCheckAreaWidth / 2.f + std::max(1.f, mCheckAreaWidth) / 2.f + mTextPadding;
  const IRECT area(left, cell.mTop, cell.mRight - mTextPadding, cell.mBottom);
  g.DrawText(mText, FitLabel(g, item.GetText(), area.W()).c_str(), area, blend);
}

void IPopupMenuControl::DrawCheckMark(IGraphics& g, const IRECT& cell, const IPopupMenu::Item& item, bool selected,
                                      const IBlend* blend)
{
  const float side = std::max(1.f, mCheckAreaWidth / 2.f), cx = cell.mLeft + mCheckAreaWidth / 2.f, cy = cell.CentreY();
  g.FillRoundRect(MarkColor(selected), IRECT(cx - side / 2.f, cy - side / 2.f, cx + side / 2.f, cy + side / 2.f), 2.f,
                  blend);
}

void IPopupMenuControl::DrawSubmenuMarker(IGraphics& g, const IRECT& cell, const IPopupMenu::Item& item,
                                          bool selected, const IBlend* blend)
{
  const float h = cell.H(), cy = cell.CentreY();
  const float tip = mSubmenuOnRight ? cell.mRight + mPadding / 2.f : cell.mLeft - mPadding / 2.f;
  const float base = mSubmenuOnRight ? tip - h / 2.f : tip + h / 2.f;
  g.FillTriangle(MarkColor(selected), base, cy + h / 4.f, base, cy - h / 4.f, tip, cy, blend);
}

void IPopupMenuControl::DrawScrollUpArrow(IGraphics& g, const IRECT& cell, bool selected, const IBlend* blend)
{
  const float s = 0.6f * cell.H(), cx = cell.CentreX(), cy = cell.CentreY();
  g.FillTriangle(MarkColor(selected), cx - s / 2.f, cy + s / 2.f, cx + s / 2.f, cy + s / 2.f, cx, cy - s / 2.f, blend);
}

void IPopupMenuControl::DrawScrollDownArrow(IGraphics& g, const IRECT& cell, bool selected, const IBlend* blend)
{
  const float s = 0.6f * cell.H(), cx = cell.CentreX(), cy = cell.CentreY();
  g.FillTriangle(MarkColor(selected), cx - s / 2.f, cy - s / 2.f, cx + s / 2.f, cy - s / 2.f, cx, cy + s / 2.f, blend);
}

void IPopupMenuControl::DrawSeparatorLine(IGraphics& g, const IRECT& cell, const IBlend* blend)
{
  if (blend && blend->mWeight > kSeparatorShowWeight)
  {
    const IBlend faint(0, kSeparatorWeight);
    g.FillRect(mSeparatorColor, cell, &faint);
  }
}

} // namespace igraphics
} // namespace plug
