#include "platform/mac/IGraphicsTextField.h"

#include <cstdlib>

#include "core/IParam.h"
#include "platform/mac/CoreTextFont.h"

namespace plug {
namespace igraphics {

std::u32string IGraphicsFormatter_vDrovik_vst::CharactersForParamType(int type)
{
  switch (type)
  {
  case IParam::kTypeBool:
  case IParam::kTypeInt:
  case IParam::kTypeEnum:
    return U"0123456789-+";
  case IParam::kTypeDouble:
    return U"0123456789.-+";
  default:
    return U"";
  }
}

bool IGraphicsFormatter_vDrovik_vst::IsPartialStringValid(const std::u32string& text) const
{
  if (mHasSet)
    for (char32_t c : text)
      if (filterCharacterSet.find(c) == std::u32string::npos)
        return false;
  if (maxLength != 0 && static_cast<int>(text.size()) > maxLength)
    return false;
  if (maxValue != 0)
    return std::atoi(appkit::UTF8FromUTF32(text).c_str()) <= maxValue;
  return true;
}

} // namespace igraphics
} // namespace plug

namespace plug {
namespace igraphics {

double EntryEmRatio(const char* fontName)
{
  const CoreTextFontDescriptor* entry = FindCachedFont(fontName);
  return entry && entry->GetEmRatio() > 0.0 ? entry->GetEmRatio() : 1.0;
}

} // namespace igraphics
} // namespace plug
