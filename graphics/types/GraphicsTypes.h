// Small enumerations and function types that the graphics context and its controls share.
#pragma once

#include <cstdint>
#include <functional>

namespace plug {
namespace igraphics {

class IControl;

/// Drag and layout direction: 0 vertical, 1 horizontal.
enum EDirection
{
  kVertical = 0,
  kHorizontal = 1,
};

/// What the corner resizer changes: 0 scales the drawing, any other value changes the size.
enum EResizerMode
{
  kResizerScale = 0,
  kResizerSize = 1,
};

/// Gesture kinds a platform may recognise.
enum EGestureType
{
  kGestureUnknown = 0,
  kGestureTap,
  kGestureDoubleTap,
  kGestureTripleTap,
  kGestureLongPress1,
  kGestureLongPress2,
  kGestureSwipeLeft,
  kGestureSwipeRight,
  kGestureSwipeUp,
  kGestureSwipeDown,
  kGesturePinch,
  kGestureRotate,
};

/// One recognised gesture: where it happened and its kind, with the pinch scale and rotation it carries.
struct IGestureInfo
{
  float x = 0.f;
  float y = 0.f;
  float scale = 0.f;
  float velocity = 0.f;
  float angle = 0.f;
  int state = 0;
  EGestureType type = kGestureUnknown;
};

/// Cursor kinds the platform can show; 0 is the arrow.
/// Kinds of message box: the buttons it shows.
enum EMsgBoxType
{
  kButtonsOk = 0,
  kButtonsOkCancel = 1,
  kButtonsCancel = 2,
  kButtonsYesNoCancel = 3,
  kButtonsYesNo = 4,
  kButtonsRetryCancel = 5,
};

/// What a message box answers.
enum EMsgBoxResult
{
  kNoResult = 0,
  kAnswerOk = 1,
  kAnswerCancel = 2,
  kAnswerAbort = 3,
  kAnswerRetry = 4,
  kAnswerIgnore = 5,
  kAnswerYes = 6,
  kAnswerNo = 7,
};

/// What a file prompt asks for.
enum EFileAction
{
  kFileOpen = 0,
  kFileSave = 1,
};

enum ECursor
{
  kArrowCursor = 0,
  kIBeamCursor = 1,
  kBusyButClickableCursor = 2,
  kCrosshairCursor = 3,
  kResizeNorthCursor = 4,
  kResizeNorthWestSouthEastCursor = 5,
  kResizeNorthEastSouthWestCursor = 6,
  kResizeEastWestCursor = 7,
  kResizeNorthSouthCursor = 8,
  kMoveCursor = 9,
  kOperationNotAllowedCursor = 10,
  kPointingHandCursor = 11,
};

/// Run when a control's value changes (the action), every frame of an animation, and at an animation's end.
using IActionFn = std::function<void(IControl*)>;
using IAnimationFn = std::function<void(IControl*)>;
/// Run for a gesture a control or a region recognises.
using IGestureFn = std::function<void(IControl*, const IGestureInfo&)>;

/// A control's value bound to a parameter index (-1: none). Values are normalised, 0..1.
struct IValueSlot
{
  int mParamIdx = -1;
  double mValue = 0.0;
};

} // namespace igraphics
} // namespace plug
