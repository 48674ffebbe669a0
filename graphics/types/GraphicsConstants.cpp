#include "graphics/types/GraphicsConstants.h"

#include <algorithm>

namespace plug {
namespace igraphics {

const IColor kColorTransparent(0, 0, 0, 0);
const IColor kColorTranslucent(10, 0, 0, 0);
const IColor kColorBlack(255, 0, 0, 0);
const IColor kColorBlackDropShadow(128, 0, 0, 0);
const IColor kColorGray(255, 127, 127, 127);
const IColor kColorLightGray(255, 240, 240, 240);
const IColor kColorMidGray(255, 200, 200, 200);
const IColor kColorDarkGray(255, 70, 70, 70);
const IColor kColorWhite(255, 255, 255, 255);
const IColor kColorRed(255, 255, 0, 0);
const IColor kColorGreen(255, 0, 255, 0);
const IColor kColorBlue(255, 0, 0, 255);
const IColor kColorYellow(255, 255, 255, 0);
const IColor kColorOrange(255, 255, 127, 0);
const IColor kColorIndigo(255, 75, 0, 130);
const IColor kColorViolet(255, 148, 0, 211);
const IColor kColorShadow(60, 0, 0, 0);

const IBlend kBlend75(0, 0.75f);
const IBlend kBlend50(0, 0.5f);
const IBlend kBlend25(0, 0.25f);
const IBlend kBlend10(0, 0.1f);
const IBlend kBlend05(0, 0.05f);
const IBlend kBlend01(0, 0.01f);
const IBlend kBlendMethod5Full(5, 1.f);
const IBlend kBlendMethod4Full(4, 1.f);

const IColor kDefaultTextColor(255, 0, 0, 0);
const IColor kDefaultEntryBackColor(255, 255, 255, 255);
const IColor kDefaultEntryTextColor(255, 0, 0, 0);
const IText kDefaultText;
// Built from literals, not from the named colours: constants of other files may not be initialised yet.
const IColor kDefaultColorList[kNumColorRoles] = {
  IColor(0, 0, 0, 0),     IColor(255, 200, 200, 200), IColor(255, 240, 240, 240),
  IColor(255, 70, 70, 70), IColor(10, 0, 0, 0),        IColor(60, 0, 0, 0),
  IColor(255, 0, 0, 0),   IColor(255, 0, 255, 0),     IColor(255, 0, 0, 255),
};
const IText kDefaultLabelText(19.f, kVAlignTop);
const IText kDefaultValueText(14.f, kVAlignBottom);
const IVStyle kDefaultStyle;

const float kLevelFloor = 3.1622778e-05f;
const IColor kLevelColors[4] = {IColor(255, 36, 157, 16), IColor(255, 153, 191, 28), IColor(255, 215, 222, 37),
                                IColor(255, 247, 153, 33)};

IVColorSet::IVColorSet()
  : mColors{IColor(0, 0, 0, 0),      IColor(255, 200, 200, 200), IColor(255, 240, 240, 240),
            IColor(255, 70, 70, 70), IColor(10, 0, 0, 0),        IColor(60, 0, 0, 0),
            IColor(255, 0, 0, 0),    IColor(255, 0, 255, 0),     IColor(255, 0, 0, 255)}
{
}

IVColorSet::IVColorSet(std::initializer_list<IColor> colors)
{
  for (IColor& c : mColors)
    c = IColor(255, 0, 0, 0);
  int i = 0;
  for (const IColor& c : colors)
  {
    if (i == kNumColorRoles)
      break;
    mColors[i++] = c;
  }
}

} // namespace igraphics
} // namespace plug
