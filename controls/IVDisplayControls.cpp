#include "controls/IVDisplayControls.h"

#include <algorithm>
#include <memory>
#include <string>

#include "graphics/context/IGraphics.h"

namespace plug {
namespace igraphics {

// ---- Label ----

IVLabelControl::IVLabelControl(const IRECT& bounds, const char* label, const IVStyle& style)
  : ITextControl(bounds, label), IVectorBase(style)
{
  SetControl(this, label);
  mText = style.mValueText;
}

void IVLabelControl::Draw(IGraphics& g)
{
  DrawBackground(g, mDrawRect);
  if (*mStr.Get())
  {
    if (mStyle.mDrawShadows && !IsDisabled())
    {
      IText shadow = mStyle.mValueText;
      shadow.mTextColor = Color(kRoleShadow);
      g.DrawText(shadow, mStr.Get(), mDrawRect.GetOffset(mStyle.mShadowOffset, mStyle.mShadowOffset), &mBlend);
    }
    g.DrawText(mStyle.mValueText, mStr.Get(), mDrawRect, &mBlend);
  }
  if (mStyle.mDrawFrame)
    g.DrawRect(Color(kRoleFrame), mDrawRect, &mBlend, mStyle.mFrameThickness);
}

// ---- Plot ----

IVPlotControl::IVPlotControl(const IRECT& bounds, std::initializer_list<Plot> plots, int numPoints, const char* label,
                             const IVStyle& style, float min, float max, bool useLayer)
  : IControl(bounds), IVectorBase(style), mPlots(plots), mMin(min), mMax(max), mUseLayer(useLayer),
    mPoints(static_cast<size_t>(std::max(0, numPoints)))
{
  SetControl(this, label);
  mText = style.mValueText;
}

void IVPlotControl::OnResize()
{
  mHitRect = MakeRects(mDrawRect, false);
  mMouseIsOver = false;
  SetDirty(false, -1);
}

void IVPlotControl::Draw(IGraphics& g)
{
  DrawBackground(g, mDrawRect);
  DrawLabel(g);
  const IRECT& w = mWidgetBounds;
  const float cellW = w.W() / static_cast<float>(mHorizontalDivisions);
  const float cellH = w.H() / static_cast<float>(mVerticalDivisions + 2);
  const IRECT plotArea(w.mLeft, w.mTop + cellH, w.mRight, w.mBottom - cellH);
  if (!mUseLayer)
  {
    DrawPlots(g, plotArea, cellW, cellH);
    return;
  }
  if (!mLayer || !g.CheckLayer(mLayer))
  {
    g.StartLayer(this, mDrawRect);
    DrawPlots(g, plotArea, cellW, cellH);
    mLayer = g.EndLayer();
  }
  if (mLayer)
    g.DrawLayer(mLayer, &mBlend);
}

// The grid always; the curves only when there are at least two points and a range to normalise by.
void IVPlotControl::DrawPlots(IGraphics& g, const IRECT& plotArea, float cellW, float cellH)
{
  g.DrawGrid(Color(kRoleShadow), mWidgetBounds, cellW, cellH, &mBlend, 1.f);
  const int n = static_cast<int>(mPoints.size());
  const float range = mMax - mMin;
  if (n < 2 || !(range != 0.f))
    return;
  for (const Plot& plot : mPlots)
  {
    if (!plot.func)
      continue;
    for (int k = 0; k < n; ++k)
    {
      const double y = plot.func(static_cast<double>(k) / static_cast<double>(n - 1));
      mPoints[static_cast<size_t>(k)] = static_cast<float>((y - mMin) / range);
    }
    g.DrawData(plot.color, plotArea, mPoints.data(), n, nullptr, &mBlend);
  }
}

// ---- Group ----

IVGroupControl::IVGroupControl(const IRECT& bounds, const char* label, float labelOffset, const IVStyle& style)
  : IControl(bounds), IVectorBase(style), mLabelOffset(labelOffset)
{
  SetControl(this, label);
  mText = style.mValueText;
  mIgnoreMouse = true;
}

IVGroupControl::IVGroupControl(const char* label, const char* groupName, float padL, float padT, float padR,
                               float padB, const IVStyle& style)
  : IControl(IRECT()), IVectorBase(style), mPaddingLeft(padL), mPaddingTop(padT), mPaddingRight(padR), mPaddingBottom(padB), mLabelOffset(10.f)
{
  SetControl(this, label);
  mText = style.mValueText;
  mGroupName.Set(groupName ? groupName : "");
  mIgnoreMouse = true;
}

void IVGroupControl::OnInit()
{
  if (*mGroupName.Get())
    SetBoundsBasedOnGroup(mGroupName.Get(), mPaddingLeft, mPaddingTop, mPaddingRight, mPaddingBottom);
}

void IVGroupControl::SetBoundsBasedOnGroup(const char* groupName, float padL, float padT, float padR, float padB)
{
  mGroupName.Set(groupName ? groupName : "");
  IRECT bounds;
  bool first = true;
  for (int i = 0; mGraphics && i < mGraphics->NControls(); ++i)
  {
    const IControl* c = mGraphics->GetControl(i);
    if (c == this || std::string(c->GetGroup()) != mGroupName.Get())
      continue;
    bounds = first ? c->GetRECT() : bounds.Union(c->GetRECT());
    first = false;
  }
  mDrawRect = mHitRect = IRECT(bounds.mLeft - padL, bounds.mTop - padT, bounds.mRight + padR, bounds.mBottom + padB);
  mMouseIsOver = false;
  OnResize();
}

void IVGroupControl::OnResize()
{
  mHitRect = MakeRects(mDrawRect, false);
  mMouseIsOver = false;
  mWidgetBounds.mTop -= mLabelBounds.H() / 2.f + mStyle.mFrameThickness / 2.f;
  const float cr = mStyle.mRoundness * std::min(mWidgetBounds.W(), mWidgetBounds.H()) / 2.f;
  const float w = mLabelBounds.W() + 2.f * mLabelPadding;
  const float left = mDrawRect.mLeft + mStyle.mFrameThickness + mLabelOffset + cr;
  mLabelBounds = IRECT(left, mLabelBounds.mTop, left + w, mLabelBounds.mBottom);
  SetDirty(false, -1);
}

void IVGroupControl::Draw(IGraphics& g)
{
  DrawLabel(g);
  DrawWidget(g);
}

// One path around the widget with quarter arcs at the corners, open where the label crosses the top edge.
void IVGroupControl::DrawWidget(IGraphics& g)
{
  const IRECT& r = mWidgetBounds;
  const float cr = mStyle.mRoundness * std::min(r.W(), r.H()) / 2.f;
  const bool labelShown = mLabelBounds.H() > 0.f && *GetLabelStr();
  const float gapL = labelShown ? mLabelBounds.mLeft : r.mLeft + cr, gapR = labelShown ? mLabelBounds.mRight : r.mLeft + cr;
  g.PathClear();
  g.PathMoveTo(gapR, r.mTop);
  g.PathArc(r.mRight - cr, r.mTop + cr, cr, 0.f, 90.f);
  g.PathArc(r.mRight - cr, r.mBottom - cr, cr, 90.f, 180.f);
  g.PathArc(r.mLeft + cr, r.mBottom - cr, cr, 180.f, 270.f);
  g.PathArc(r.mLeft + cr, r.mTop + cr, cr, 270.f, 360.f);
  g.PathLineTo(gapL, r.mTop);
  g.PathStroke(IPaintPattern(Color(kRoleFrame)), mStyle.mFrameThickness, IStrokeStyle(), ControlBlend());
}

// ---- Colour swatch ----

IVColorSwatchControl::IVColorSwatchControl(const IRECT& bounds, const char* label, ColorChosenFunc func,
                                           const IVStyle& style, int layout, std::initializer_list<int> colorIDs,
                                           std::initializer_list<const char*> labelsForIDs)
  : IControl(bounds), IVectorBase(style), mColorChosenFunc(std::move(func)), mLayout(layout)
{
  SetControl(this, label);
  mText = style.mValueText;
  mText.mHAlign = mStyle.mValueText.mHAlign = kAlignFar;
  // Only indices of the nine-colour set make cells: another index would read or write past the set.
  const std::vector<const char*> labels(labelsForIDs);
  size_t i = 0;
  for (int id : colorIDs)
  {
    if (id >= 0 && id < kNumColorRoles)
    {
      mColorIdForCells.push_back(id);
      mLabels.emplace_back(i < labels.size() && labels[i] ? labels[i] : "");
    }
    ++i;
  }
}

void IVColorSwatchControl::OnResize()
{
  mHitRect = MakeRects(mDrawRect, true);
  mMouseIsOver = false;
  const int cells = NCells();
  const int cols = mLayout == kHorizontal ? cells : mLayout == kVertical ? 1 : 3;
  const int rows = mLayout == kHorizontal ? 1 : mLayout == kVertical ? cells : 3;
  const IRECT& w = mWidgetBounds;
  mCellRects.clear();
  for (int i = 0; i < cells; ++i)
  {
    const int col = cols > 0 ? i % cols : 0, row = cols > 0 ? i / cols : 0;
    IRECT cell = w;
    if (row < rows && cols > 0)
    {
      const float cw = w.W() / static_cast<float>(cols), ch = w.H() / static_cast<float>(rows);
      cell = IRECT(w.mLeft + cw * static_cast<float>(col), w.mTop + ch * static_cast<float>(row),
                   w.mLeft + cw * static_cast<float>(col + 1), w.mTop + ch * static_cast<float>(row + 1));
    }
    mCellRects.push_back(cell.GetInset(2.f));
  }
  SetDirty(false, -1);
}

void IVColorSwatchControl::Draw(IGraphics& g)
{
  DrawWidget(g);
  DrawLabel(g);
}

void IVColorSwatchControl::DrawWidget(IGraphics& g)
{
  for (int i = 0; i < NCells() && static_cast<size_t>(i) < mCellRects.size(); ++i)
  {
    const IRECT& cell = mCellRects[static_cast<size_t>(i)];
    IRECT swatch = cell;
    if (*mLabels[static_cast<size_t>(i)].Get())
    {
      swatch = IRECT(cell.mRight - cell.W() / 4.f, cell.mTop, cell.mRight, cell.mBottom);
      g.DrawText(mStyle.mValueText, mLabels[static_cast<size_t>(i)].Get(),
                 IRECT(cell.mLeft, cell.mTop, cell.mLeft + 0.7f * cell.W(), cell.mBottom), ControlBlend());
    }
    g.FillRect(Color(mColorIdForCells[static_cast<size_t>(i)]), swatch, ControlBlend());
    g.DrawRect(i == mCellOver ? IColor(255, 127, 127, 127) : IColor(255, 70, 70, 70), swatch.GetPadded(0.5f),
               ControlBlend(), 1.f);
  }
}

void IVColorSwatchControl::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  mCellOver = -1;
  for (int i = 0; i < static_cast<int>(mCellRects.size()) && mCellOver < 0; ++i)
    if (mCellRects[static_cast<size_t>(i)].Contains(x, y))
      mCellOver = i;
  SetDirty(false, -1);
}

void IVColorSwatchControl::OnMouseOut()
{
  mCellOver = -1;
  SetDirty(false, -1);
}

void IVColorSwatchControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  const int cell = mCellOver;
  if (cell < 0 || cell >= NCells() || !mGraphics)
    return;
  const int id = mColorIdForCells[static_cast<size_t>(cell)];
  IColor color = mStyle.mColorSet[id];
  auto applied = std::make_shared<bool>(false);
  auto apply = [this, cell, id, applied](const IColor& chosen) {
    *applied = true;
    mStyle.mColorSet[id] = chosen;
    SetDirty(false, -1);
    if (mColorChosenFunc)
      mColorChosenFunc(cell, chosen);
  };
  if (mGraphics->PromptForColor(color, "Choose a color", apply) && !*applied)
    apply(color);
}

} // namespace igraphics
} // namespace plug
