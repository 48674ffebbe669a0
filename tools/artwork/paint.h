// Drawing helpers of the artwork tool: colours, engraved text, shadows and the parts that several bitmaps share
// (knob bodies, button caps, lamps). Every function draws with Vexel in points.
#pragma once

#include "vexel.h"

namespace art {

constexpr float kPi = 3.14159265f;
/// Knobs turn over 270 degrees, from 7:30 to 4:30; angles in radians from twelve o'clock, clockwise.
constexpr float kKnobStart = -0.75f * kPi, kKnobSweep = 1.5f * kPi;

VXcolor Rgb(int r, int g, int b, float a = 1.0f);

/// Fonts of the tool, loaded once per context: false when a font file is missing.
bool LoadFonts(VXcontext* vg);
constexpr const char* kFontRegular = "regular";
constexpr const char* kFontBold = "bold";
constexpr const char* kFontCondensed = "condensed";

/// Text centred on (x, y) unless align says otherwise.
void Text(VXcontext* vg, float x, float y, const char* s, float size, VXcolor c, const char* font = kFontBold,
          int align = VX_ALIGN_CENTER | VX_ALIGN_MIDDLE, float spacing = 0.0f);
/// Text cut into the panel: a dark edge above, a light edge below, then the face.
void Engraved(VXcontext* vg, float x, float y, const char* s, float size, float spacing = 0.6f,
              int align = VX_ALIGN_CENTER | VX_ALIGN_MIDDLE);

void FillRoundRect(VXcontext* vg, float x, float y, float w, float h, float r, VXpaint paint);
void FillRoundRect(VXcontext* vg, float x, float y, float w, float h, float r, VXcolor c);
void StrokeRoundRect(VXcontext* vg, float x, float y, float w, float h, float r, float width, VXcolor c);
/// A soft shadow under a rounded rectangle.
void Shadow(VXcontext* vg, float x, float y, float w, float h, float r, float blur, float alpha);
/// A well cut into the panel (shadowed top, lit bottom edge) filled with c.
void Well(VXcontext* vg, float x, float y, float w, float h, float r, VXcolor c);
void Line(VXcontext* vg, float x0, float y0, float x1, float y1, float width, VXcolor c);

/// Point at angle a (radians from twelve o'clock, clockwise) and radius r around (cx, cy).
void Polar(float cx, float cy, float r, float a, float& x, float& y);

/// A knob of diameter d centred in a d x d frame, turned to value v (0..1); cap is the colour of its top.
void Knob(VXcontext* vg, float d, float v, VXcolor cap, VXcolor pointer);
/// A hardware push button filling w x h; lit shows its label glowing in the accent colour.
void ButtonCap(VXcontext* vg, float w, float h, bool lit, const char* label, float size, VXcolor glow);
/// A round lamp of diameter d; on shows the colour glowing, off a dark lens of it.
void Lamp(VXcontext* vg, float d, bool on, VXcolor color);

inline const VXcolor kAmber = {{{1.0f, 0.66f, 0.18f, 1.0f}}};
inline const VXcolor kRed = {{{1.0f, 0.17f, 0.12f, 1.0f}}};
inline const VXcolor kGreen = {{{0.35f, 0.95f, 0.35f, 1.0f}}};

} // namespace art
