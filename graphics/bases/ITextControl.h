// A control that shows a text on a filled background, optionally sized to its text around its centre. It is
// transparent to the pointer. The base of the label and text-display controls. Main thread only.
#pragma once

#include "core/LibString.h"
#include "graphics/types/GraphicsConstants.h"
#include "graphics/bases/IControl.h"

namespace plug {
namespace igraphics {

class ITextControl : public IControl
{
public:
  ITextControl(const IRECT& bounds, const char* str = "", const IText& text = kDefaultText,
               const IColor& bgColor = kColorTransparent, bool setBoundsBasedOnStr = false);

  void OnInit() override;
  void Draw(IGraphics& g) override;

  /// Sets the text (nothing happens when it is the same) and, when the control sizes itself to its text,
  /// re-sizes it. Does not mark it dirty: callers that change a text do.
  virtual void SetStr(const char* str);
  /// printf-style text of at most maxLength characters; a negative maxLength writes nothing. No re-sizing.
  virtual void SetStrFmt(int maxLength, const char* format, ...) __attribute__((format(printf, 3, 4)));
  virtual void ClearStr() { SetStr(""); }

  /// Sizes the control to its measured text, keeping its centre.
  void SetBoundsBasedOnStr();

  const char* GetStr() const { return mStr.Get(); }
  const IColor& GetBGColor() const { return mBGColor; }
  void SetBGColor(const IColor& color) { mBGColor = color; }

protected:
  /// The text over the background, unless a text entry is open for this control.
  void DrawTextOnly(IGraphics& g);

  LibString mStr;
  IColor mBGColor;
  bool mSetBoundsBasedOnStr;
};

} // namespace igraphics
} // namespace plug
