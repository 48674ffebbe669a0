#include "appkit/menu_scroller.h"

#include <algorithm>
#include <cmath>

namespace appkit {

namespace {

// The start of a span of length inside [lo, lo + room): as wanted when it fits, else moved in (to lo when it
// cannot fit at all).
int FitSpan(int wanted, int length, int lo, int room)
{
  return std::max(lo, std::min(wanted, lo + room - length));
}

} // namespace

MenuScroller::MenuScroller(int count, int rowHeight, int width, int x, int y, const Rect& area)
  : mCount(std::max(0, count)), mRow(std::max(1, rowHeight)), mWidth(std::max(1, width))
{
  const int left = static_cast<int>(area.origin.x), top = static_cast<int>(area.origin.y);
  const int areaWidth = std::max(1, static_cast<int>(area.size.width));
  const int areaHeight = std::max(1, static_cast<int>(area.size.height));
  const int fitting = areaHeight / mRow;
  // An empty menu still shows one (empty) row.
  if (mCount <= fitting)
  {
    mVisible = mCount;
    mHeight = std::max(1, mCount) * mRow;
  }
  else
  {
    mVisible = std::max(1, fitting - 2); // rows for the two arrows
    mHeight = (mVisible + 2) * mRow;
  }
  mWidth = std::min(mWidth, areaWidth);
  mX = FitSpan(x, mWidth, left, areaWidth);
  mY = FitSpan(y, mHeight, top, areaHeight);
}

MenuScroller::Row MenuScroller::At(int y, int& item) const
{
  item = -1;
  if (y < 0 || y >= mHeight)
    return Row::kNone;
  if (Scrolls() && y < mRow)
    return Row::kScrollUp;
  if (Scrolls() && y >= mHeight - mRow)
    return Row::kScrollDown;
  const int index = mFirst + (y - (Scrolls() ? mRow : 0)) / mRow;
  if (index >= mCount)
    return Row::kNone;
  item = index;
  return Row::kItem;
}

int MenuScroller::ItemTop(int item) const { return (item - mFirst + (Scrolls() ? 1 : 0)) * mRow; }

bool MenuScroller::Scroll(int rows)
{
  const int first = std::clamp(mFirst + rows, 0, std::max(0, mCount - mVisible));
  const bool moved = first != mFirst;
  mFirst = first;
  return moved;
}

void MenuScroller::Reveal(int item)
{
  if (item < mFirst)
    Scroll(item - mFirst);
  else if (item >= mFirst + mVisible)
    Scroll(item - (mFirst + mVisible) + 1);
}

} // namespace appkit
