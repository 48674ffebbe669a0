// A one-line text field placed over a view, with its font, colours and alignment, and an optional formatter that
// decides which partial texts may be typed. The field reports the end of editing (Return, Tab, loss of focus) to
// its delegate.
#pragma once

#include <memory>
#include <string>

#include "appkit/geometry.h"

namespace appkit {

/// Decides which texts the user may type into a field.
class Formatter
{
public:
  virtual ~Formatter() = default;
  /// Whether the field may hold this text (the whole text after an edit). [main thread]
  virtual bool IsPartialStringValid(const std::u32string& text) const = 0;
};

/// Told when editing of a field ends.
class TextFieldDelegate
{
public:
  virtual ~TextFieldDelegate() = default;
  virtual void ControlTextDidEndEditing() = 0; // [main thread]
};

enum class TextAlignment
{
  kLeft = 0,
  kRight = 1,
  kCenter = 2,
};

/// Colours as 0..1 channels.
struct DeviceColor
{
  double red = 0.0, green = 0.0, blue = 0.0, alpha = 1.0;
};

/// What the view system needs to show a field; the view keeps the field's text.
struct TextField
{
  Rect frame;                  // view points
  std::string fontFamily;      // empty: the system's default face
  double fontSize = 12.0;      // points
  TextAlignment alignment = TextAlignment::kLeft;
  bool centreVertically = false;
  DeviceColor textColor;
  DeviceColor backgroundColor{1.0, 1.0, 1.0, 1.0};
  bool drawsBackground = true;
  bool bordered = false;
  std::u32string stringValue;
  /// A field that takes the focus has all its text selected: the first key replaces it.
  bool allSelected = true;
  std::shared_ptr<Formatter> formatter;
  TextFieldDelegate* delegate = nullptr;

  /// Replaces the text when the formatter admits the result; returns whether it did.
  bool TryReplaceText(const std::u32string& text);
  /// Editing as keys do it: a typed character (control characters and private function-key characters are
  /// ignored), the backspace key, and Return or Tab, which end the editing (the delegate is told).
  void InsertCharacter(char32_t c);
  void DeleteBackward();
  void EndEditing();
  std::string StringValueUTF8() const;
};

/// UTF-8 <-> UTF-32 for the texts of fields and menus. Malformed bytes become U+FFFD.
std::u32string UTF32FromUTF8(const std::string& s);
std::string UTF8FromUTF32(const std::u32string& s);

} // namespace appkit
