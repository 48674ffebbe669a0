// The native text field over a control: the field with its look taken from the control's text style, and the
// formatter that admits only the characters, length and value a parameter can take.
#pragma once

#include <memory>
#include <string>

#include "appkit/text_field.h"

namespace plug {
namespace igraphics {

class IControl;

/// Admits partial texts made of the acceptable characters (any when none are set), no longer than the maximum
/// length (0: no limit) and, with a maximum value (0: none), whose leading integer does not exceed it.
class IGraphicsFormatter_vDrovik_vst final : public appkit::Formatter
{
public:
  /// Characters a parameter of this type may take: digits and sign for bool, int and enum, also a decimal point
  /// for double, none for any other type.
  static std::u32string CharactersForParamType(int type);

  void setAcceptableCharacterSet(std::u32string set) { filterCharacterSet = std::move(set); mHasSet = true; }
  void setMaximumLength(int len) { maxLength = len; }
  void setMaximumValue(int value) { maxValue = value; }
  bool IsPartialStringValid(const std::u32string& text) const override;

private:
  std::u32string filterCharacterSet;
  bool mHasSet = false;
  int maxLength = 0;
  int maxValue = 0;
};

/// One open text field and the request it answers.
class IGraphicsTextField_vDrovik_vst
{
public:
  appkit::TextField mField;
  /// The control that asked for the text and its value index, kept so that the text reaches it even when
  /// another request has come in meanwhile.
  IControl* mRequester = nullptr;
  int mValIdx = -1;
};

} // namespace igraphics
} // namespace plug

namespace plug {
namespace igraphics {

/// Units per em over the face's height for a font the editor loaded, 1 when it is not known.
double EntryEmRatio(const char* fontName);

} // namespace igraphics
} // namespace plug
