// An input event as the view system hands it to a view: pointer events with their position in the view, click
// count and modifiers, wheel events with their vertical movement, key events with the hardware key code and the
// characters the key makes without modifiers.
#pragma once

#include <cstdint>
#include <string>

#include "appkit/geometry.h"

namespace appkit {

enum class EventType
{
  kLeftMouseDown,
  kLeftMouseUp,
  kRightMouseDown,
  kRightMouseUp,
  kMouseMoved,
  kLeftMouseDragged,
  kRightMouseDragged,
  kMouseEntered,
  kMouseExited,
  kScrollWheel,
  kKeyDown,
  kKeyUp,
};

/// Bits of Event::modifierFlags.
constexpr uint32_t kModifierShift = 0x20000;
constexpr uint32_t kModifierControl = 0x40000;
constexpr uint32_t kModifierOption = 0x80000;
constexpr uint32_t kModifierCommand = 0x100000;

/// Event::subtype of a pointer event that comes from a tablet.
constexpr int kEventSubtypeTabletPoint = 1;

/// The function keys F1 to F24 as characters of a key event.
constexpr char32_t kF1FunctionKey = 0xF704;
constexpr char32_t kF24FunctionKey = 0xF71B;

struct Event
{
  EventType type = EventType::kMouseMoved;
  Point locationInView;        // points, origin top left
  uint32_t modifierFlags = 0;
  int clickCount = 1;
  int subtype = 0;
  double deltaY = 0.0;         // wheel: positive away from the user
  uint16_t keyCode = 0;        // the mac key code of the key
  std::u32string charactersIgnoringModifiers;
};

} // namespace appkit
