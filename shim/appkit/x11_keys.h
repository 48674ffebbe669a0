// Keys of the X keyboard as the view system reports them: the mac key code of an X key symbol and the character
// the key makes.
#pragma once

#include <cstdint>
#include <string>

namespace appkit {

/// The mac key code of a key symbol (letters either case); 0xFFFF when the key has none.
uint16_t MacKeyCodeForKeySym(unsigned long keysym);
/// The characters a key symbol makes, as charactersIgnoringModifiers: function keys as 0xF704 + n, arrows and
/// navigation keys as their private characters, Return 13, Tab 9, Escape 27, BackSpace 127; empty for
/// modifier keys and keys without a character.
std::u32string CharactersForKeySym(unsigned long keysym);
/// Modifier flags of an X key or button state: Shift, Control, Mod1 as Option and Mod4 (Super) as Command.
uint32_t ModifierFlagsForState(unsigned int state);

constexpr uint16_t kNoMacKeyCode = 0xFFFF;

} // namespace appkit
