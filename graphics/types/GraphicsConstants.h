// The named colours, blends, default text styles and default vector style of the graphics layer, built before
// any graphics context exists and never changed afterwards.
#pragma once

#include "graphics/types/IBlend.h"
#include "graphics/types/IColor.h"
#include "graphics/types/IText.h"
#include "graphics/types/IVStyle.h"

namespace plug {
namespace igraphics {

extern const IColor kColorTransparent;
extern const IColor kColorTranslucent;
extern const IColor kColorBlack;
extern const IColor kColorBlackDropShadow;
extern const IColor kColorGray;
extern const IColor kColorLightGray;
extern const IColor kColorMidGray;
extern const IColor kColorDarkGray;
extern const IColor kColorWhite;
extern const IColor kColorRed;
extern const IColor kColorGreen;
extern const IColor kColorBlue;
extern const IColor kColorYellow;
extern const IColor kColorOrange;
extern const IColor kColorIndigo;
extern const IColor kColorViolet;
extern const IColor kColorShadow;

extern const IBlend kBlend75;
extern const IBlend kBlend50;
extern const IBlend kBlend25;
extern const IBlend kBlend10;
extern const IBlend kBlend05;
extern const IBlend kBlend01;
extern const IBlend kBlendMethod5Full;
extern const IBlend kBlendMethod4Full;

extern const IColor kDefaultTextColor;
extern const IColor kDefaultEntryBackColor;
extern const IColor kDefaultEntryTextColor;
extern const IText kDefaultText;
extern const IColor kDefaultColorList[kNumColorRoles];
extern const IText kDefaultLabelText;
extern const IText kDefaultValueText;
extern const IVStyle kDefaultStyle;

/// -90 dB as an amplitude (10^-4.5).
extern const float kLevelFloor;
extern const IColor kLevelColors[4];

} // namespace igraphics
} // namespace plug
