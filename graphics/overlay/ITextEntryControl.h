// A single-line text editor drawn inside the editor, the in-editor alternative to the platform text field. It
// keeps its text as UTF-16 and edits it through the stb_textedit engine (caret, selection, word and line
// movement, undo and redo), blinks a caret, offers "Cut", "Copy" and "Paste" on a right click, filters typed and
// pasted characters by the parameter being edited, and hands the text to the graphics context on Return or on a
// click outside. Main thread only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "graphics/bases/IControl.h"

namespace plug {
namespace igraphics {

class ITextEntryControl : public IControl
{
public:
  /// Key codes of the special keys (the platform's virtual key codes).
  enum EKeyCode
  {
    kKeyBackspace = 0x08,
    kKeyTab = 0x09,
    kKeyReturn = 0x0D,
    kKeyEscape = 0x1B,
    kKeySpace = 0x20,
    kKeyPageUp = 0x21,
    kKeyPageDown = 0x22,
    kKeyEnd = 0x23,
    kKeyHome = 0x24,
    kKeyLeft = 0x25,
    kKeyUp = 0x26,
    kKeyRight = 0x27,
    kKeyDown = 0x28,
    kKeyDelete = 0x2E,
    kKeyA = 0x41,
    kKeyC = 0x43,
    kKeyV = 0x56,
    kKeyX = 0x58,
    kKeyZ = 0x5A,
  };
  /// Length of one caret blink; the caret shows during the first half.
  static constexpr int kBlinkMs = 1000;
  /// Weight of the selection's fill.
  static constexpr float kSelectionWeight = 0.2f;

  ITextEntryControl();
  ~ITextEntryControl() override;

  /// Starts editing str over bounds with the whole text selected. [main thread, editor open]
  virtual void CreateTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length, const char* str);
  bool EditInProgress() const { return mEditing; }
  /// Ends editing and hands the text to the graphics context.
  void CommitEdit();
  /// Ends editing without handing anything on.
  void DismissEdit();

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnMouseDblClick(float x, float y, const IMouseMod& mod) override;
  bool OnKeyDown(float x, float y, const IKeyPress& key) override;
  void Draw(IGraphics& g) override;
  void OnEndAnimation() override;

  void CopySelection();
  void CutSelection();
  void Paste();
  void SelectAll();

  // Read by tests.
  std::string GetUTF8Text() const;
  bool CaretVisible() const { return mDrawCursor; }
  int GetCursor() const;
  void GetSelection(int& start, int& end) const;

  // The editing engine's view of the text (called from the engine's callbacks).
  struct Row
  {
    float x0, x1, ymin, ymax;
    int numChars;
  };
  int TextLength() const { return static_cast<int>(mEditString.size()); }
  char16_t CharAt(int i) const { return mEditString[static_cast<size_t>(i)]; }
  float CharWidth(int i);
  Row LayoutRow();
  void DeleteChars(int pos, int num);
  bool InsertChars(int pos, const char16_t* text, int num);

private:
  struct Engine;
  /// Runs an edit on the engine and marks the control dirty when the editing state changed.
  template <typename Edit> void CallEngine(Edit&& edit);
  void MeasureCharWidths();
  float MeasureWidth(const std::u16string& s) const;
  /// Whether the character may be typed or pasted for the parameter being edited.
  bool CharAllowed(char32_t c) const;
  void EndEdit();
  void OpenContextMenu(float x, float y);

  bool mDrawCursor = false;
  bool mEditing = false;
  std::unique_ptr<Engine> mEngine;
  std::vector<float> mCharWidths;
  std::u16string mEditString;
};

} // namespace igraphics
} // namespace plug
