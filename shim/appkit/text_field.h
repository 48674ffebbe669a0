// A one-line text field placed over a view, with its font, colours and alignment, and an optional formatter that
// decides which partial texts may be typed. The field reports the end of editing (Return, Tab, loss of focus) to
// its delegate.
#pragma once

#include <algorithm>
#include <functional>
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
  /// The caret and the other end of the selection, as character indices; equal when nothing is selected. Both
  /// are kept within the text, so a field that takes the focus has all of it selected: the first key replaces it.
  size_t caret = std::u32string::npos;
  size_t anchor = 0;
  std::shared_ptr<Formatter> formatter;
  TextFieldDelegate* delegate = nullptr;

  /// Keys that move the caret or edit around it.
  enum class Key
  {
    kLeft,
    kRight,
    kHome,
    kEnd,
    kBackspace,
    kForwardDelete,
  };

  /// Replaces the whole text when the formatter admits the result; returns whether it did. The caret goes to
  /// the end.
  bool TryReplaceText(const std::u32string& text);
  /// Replaces the selection (or inserts at the caret) when the formatter admits the result; the caret goes after
  /// the new text. Control characters and private function-key characters are left out.
  bool ReplaceSelection(const std::u32string& text);
  /// A typed character.
  void InsertCharacter(char32_t c);
  /// Arrows, Home and End move the caret (extend: the selection follows it, as with Shift); without extend an
  /// arrow on a selection goes to its near end. Backspace and Delete remove the selection or one character.
  void PressKey(Key key, bool extend);
  void DeleteBackward() { PressKey(Key::kBackspace, false); }
  /// Puts the caret at an index (a click), or moves only the caret end of the selection (a drag, shift-click).
  void SetCaret(size_t index, bool extend);
  void SelectAll();
  bool HasSelection() const { return Caret() != Anchor(); }
  size_t SelectionStart() const { return std::min(Caret(), Anchor()); }
  size_t SelectionEnd() const { return std::max(Caret(), Anchor()); }
  std::u32string SelectedText() const;
  /// The caret and anchor within the text.
  size_t Caret() const { return std::min(caret, stringValue.size()); }
  size_t Anchor() const { return std::min(anchor, stringValue.size()); }
  /// Return or Tab: the delegate is told that editing ended.
  void EndEditing();
  std::string StringValueUTF8() const;
};

/// Finds the field being edited: null once it has closed, and for another field opened in its place.
using FieldLookup = std::function<TextField*()>;

/// Command-key editing of a field with the pasteboard: A selects all, C copies, X cuts, V pastes (as typed text).
/// read and write reach the pasteboard; false for any other letter. Reading may wait for another program while
/// events are served, and the field may close meanwhile: the text is pasted into the field the lookup finds
/// once the answer is in, or into none.
bool EditWithPasteboard(const FieldLookup& field, char32_t letter, const std::function<bool(std::string&)>& read,
                        const std::function<bool(const std::string&)>& write);
/// The same for a field that outlives read.
bool EditWithPasteboard(TextField& field, char32_t letter, const std::function<bool(std::string&)>& read,
                        const std::function<bool(const std::string&)>& write);

/// UTF-8 <-> UTF-32 for the texts of fields and menus. Malformed bytes become U+FFFD.
std::u32string UTF32FromUTF8(const std::string& s);
std::string UTF8FromUTF32(const std::u32string& s);

} // namespace appkit
