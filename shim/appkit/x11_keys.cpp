#include "appkit/x11_keys.h"

#include <X11/X.h>
#include <X11/keysym.h>

#include "appkit/event.h"

namespace appkit {

namespace {

struct KeyEntry
{
  unsigned long keysym;
  uint16_t code;
};

// X key symbols -> mac key codes (the layout-independent keys and the US letters, digits and punctuation).
constexpr KeyEntry kKeys[] = {
  {XK_a, 0}, {XK_s, 1}, {XK_d, 2}, {XK_f, 3}, {XK_h, 4}, {XK_g, 5}, {XK_z, 6}, {XK_x, 7}, {XK_c, 8}, {XK_v, 9},
  {XK_b, 11}, {XK_q, 12}, {XK_w, 13}, {XK_e, 14}, {XK_r, 15}, {XK_y, 16}, {XK_t, 17}, {XK_1, 18}, {XK_2, 19},
  {XK_3, 20}, {XK_4, 21}, {XK_6, 22}, {XK_5, 23}, {XK_equal, 24}, {XK_9, 25}, {XK_7, 26}, {XK_minus, 27},
  {XK_8, 28}, {XK_0, 29}, {XK_bracketright, 30}, {XK_o, 31}, {XK_u, 32}, {XK_bracketleft, 33}, {XK_i, 34},
  {XK_p, 35}, {XK_Return, 36}, {XK_l, 37}, {XK_j, 38}, {XK_apostrophe, 39}, {XK_k, 40}, {XK_semicolon, 41},
  {XK_backslash, 42}, {XK_comma, 43}, {XK_slash, 44}, {XK_n, 45}, {XK_m, 46}, {XK_period, 47}, {XK_Tab, 48},
  {XK_ISO_Left_Tab, 48}, {XK_space, 49}, {XK_grave, 50}, {XK_BackSpace, 51}, {XK_Escape, 53},
  {XK_F17, 64}, {XK_KP_Decimal, 65}, {XK_KP_Delete, 65}, {XK_KP_Multiply, 67}, {XK_KP_Add, 69},
  {XK_Num_Lock, 71}, {XK_KP_Divide, 75}, {XK_KP_Enter, 76}, {XK_KP_Subtract, 78}, {XK_F18, 79}, {XK_F19, 80},
  {XK_KP_Equal, 81}, {XK_KP_0, 82}, {XK_KP_1, 83}, {XK_KP_2, 84}, {XK_KP_3, 85}, {XK_KP_4, 86}, {XK_KP_5, 87},
  {XK_KP_6, 88}, {XK_KP_7, 89}, {XK_F20, 90}, {XK_KP_8, 91}, {XK_KP_9, 92}, {XK_F5, 96}, {XK_F6, 97},
  {XK_F7, 98}, {XK_F3, 99}, {XK_F8, 100}, {XK_F9, 101}, {XK_F11, 103}, {XK_F13, 105}, {XK_F16, 106},
  {XK_F14, 107}, {XK_F10, 109}, {XK_F12, 111}, {XK_F15, 113}, {XK_Help, 114}, {XK_Insert, 114},
  {XK_Home, 115}, {XK_Page_Up, 116}, {XK_Delete, 117}, {XK_F4, 118}, {XK_End, 119}, {XK_F2, 120},
  {XK_Page_Down, 121}, {XK_F1, 122}, {XK_Left, 123}, {XK_Right, 124}, {XK_Down, 125}, {XK_Up, 126},
};

struct CharEntry
{
  unsigned long keysym;
  char32_t c;
};

constexpr CharEntry kChars[] = {
  {XK_Return, 13}, {XK_KP_Enter, 3}, {XK_Tab, 9}, {XK_ISO_Left_Tab, 25}, {XK_Escape, 27}, {XK_BackSpace, 127},
  {XK_Up, 0xF700}, {XK_Down, 0xF701}, {XK_Left, 0xF702}, {XK_Right, 0xF703}, {XK_Insert, 0xF727},
  {XK_Delete, 0xF728}, {XK_Home, 0xF729}, {XK_End, 0xF72B}, {XK_Page_Up, 0xF72C}, {XK_Page_Down, 0xF72D},
  {XK_Help, 0xF746}, {XK_KP_Space, ' '}, {XK_KP_Multiply, '*'}, {XK_KP_Add, '+'}, {XK_KP_Subtract, '-'},
  {XK_KP_Decimal, '.'}, {XK_KP_Divide, '/'}, {XK_KP_Equal, '='},
};

} // namespace

uint16_t MacKeyCodeForKeySym(unsigned long keysym)
{
  if (keysym >= XK_A && keysym <= XK_Z)
    keysym += XK_a - XK_A;
  for (const KeyEntry& e : kKeys)
    if (e.keysym == keysym)
      return e.code;
  return kNoMacKeyCode;
}

std::u32string CharactersForKeySym(unsigned long keysym)
{
  for (const CharEntry& e : kChars)
    if (e.keysym == keysym)
      return std::u32string(1, e.c);
  if (keysym >= XK_F1 && keysym <= XK_F35)
    return std::u32string(1, kF1FunctionKey + static_cast<char32_t>(keysym - XK_F1));
  if (keysym >= XK_KP_0 && keysym <= XK_KP_9)
    return std::u32string(1, U'0' + static_cast<char32_t>(keysym - XK_KP_0));
  if ((keysym >= 0x20 && keysym <= 0x7E) || (keysym >= 0xA0 && keysym <= 0xFF))
    return std::u32string(1, static_cast<char32_t>(keysym));
  if (keysym >= 0x1000100 && keysym <= 0x110FFFF)
    return std::u32string(1, static_cast<char32_t>(keysym - 0x1000000));
  return {};
}

uint32_t ModifierFlagsForState(unsigned int state)
{
  uint32_t flags = 0;
  if (state & ShiftMask)
    flags |= kModifierShift;
  if (state & ControlMask)
    flags |= kModifierControl;
  if (state & Mod1Mask)
    flags |= kModifierOption;
  if (state & Mod4Mask)
    flags |= kModifierCommand;
  return flags;
}

} // namespace appkit
