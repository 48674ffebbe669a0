// The pointer shapes a view can ask for. Some are not offered by every back end (Application::HasCursor).
#pragma once

namespace appkit {

enum class Cursor
{
  kArrow,
  kIBeam,
  kBusyButClickable,
  kCrosshair,
  kResizeNorth,
  kResizeUp,
  kResizeNorthWestSouthEast,
  kResizeNorthEastSouthWest,
  kResizeEastWest,
  kResizeLeftRight,
  kResizeNorthSouth,
  kResizeUpDown,
  kMove,
  kOperationNotAllowed,
  kPointingHand,
  kHelp,
};

} // namespace appkit
