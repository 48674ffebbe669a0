// Where a popup menu's window goes and which of its rows it shows, in pixels. The window stays inside the screen's
// work area; a menu with more items than fit scrolls: its top and bottom rows then hold arrows, and the rows
// between show the items from the first visible one on.
#pragma once

#include "appkit/geometry.h"

namespace appkit {

class MenuScroller
{
public:
  enum class Row
  {
    kNone,
    kItem,
    kScrollUp,
    kScrollDown,
  };

  /// count rows of rowHeight and width, wanted with their top-left corner at (x, y), fitted into area.
  MenuScroller(int count, int rowHeight, int width, int x, int y, const Rect& area);

  int X() const { return mX; }
  int Y() const { return mY; }
  int Width() const { return mWidth; }
  int Height() const { return mHeight; }
  int RowHeight() const { return mRow; }
  bool Scrolls() const { return mVisible < mCount; }
  int FirstVisible() const { return mFirst; }
  int VisibleCount() const { return mVisible; }
  bool CanScrollUp() const { return mFirst > 0; }
  bool CanScrollDown() const { return mFirst + mVisible < mCount; }

  /// What lies at a window y; item gets the index of an item row, else -1.
  Row At(int y, int& item) const;
  /// The window y of an item's row (also for items scrolled out of sight).
  int ItemTop(int item) const;
  /// Scrolls by rows (negative: up), within the items; whether anything moved.
  bool Scroll(int rows);
  /// Scrolls just enough for the item to be seen.
  void Reveal(int item);

private:
  int mCount, mRow, mWidth;
  int mX = 0, mY = 0, mHeight = 0;
  int mVisible = 0, mFirst = 0;
};

} // namespace appkit
