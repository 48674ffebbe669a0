// Conversions of the framework's colours, blends and paint patterns into Vexel's, shared by the Vexel graphics
// context's drawing and text.
#pragma once

#include "graphics/types/IBlend.h"
#include "graphics/types/IColor.h"
#include "graphics/types/IPaintPattern.h"
#include "vexel.h"

namespace plug {
namespace igraphics {

/// The colour with its alpha scaled by the blend's weight.
VXcolor ToVXColor(const IColor& color, const IBlend* blend);
/// Sets the composite operation (or blend factors) of the blend's mode; source over without a blend; an unknown
/// mode changes nothing.
void ApplyVXBlend(VXcontext* vg, const IBlend* blend);
/// The gradient of a pattern, from its first to its last stop. False (nothing to paint) for a pattern without
/// stops or whose transform cannot be inverted.
bool ToVXPaint(VXcontext* vg, const IPaintPattern& pattern, const IBlend* blend, VXpaint& paint);

} // namespace igraphics
} // namespace plug
