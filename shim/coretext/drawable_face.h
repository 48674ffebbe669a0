// The check that a TrueType face's tables hold what the glyph readers of
// stb_truetype take on trust. Those readers follow offsets and counts from the
// file without knowing its length, so every font from outside (a user's font
// folder reaches us through fontconfig) passes this check before any of them
// sees it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace coretext
{

/// The deepest nesting of composite glyphs and the most components in one
/// composite a drawable face may have.
constexpr int kMaxCompositeDepth = 8;
constexpr int kMaxCompositeComponents = 64;
/// The most outline vertices one glyph may expand to, components included.
constexpr uint32_t kMaxGlyphVertices = 1u << 16;

/// [any thread] Whether the face whose table directory starts at faceOffset can
/// be handed to the glyph readers: every table lies inside the bytes; head,
/// hhea, hmtx, maxp, cmap, loca and glyf are present and large enough; the
/// character map the readers pick has a known format whose arrays and search
/// fields stay inside it; loca's offsets rise and stay inside glyf; every
/// glyph's contours, points and components lie inside it, composites nest at
/// most kMaxCompositeDepth deep without cycles and their transforms keep
/// coordinates in range; the kern and GPOS records the kerning readers visit
/// lie inside their tables. Faces with CFF outlines are not drawable.
bool FaceIsDrawable(const uint8_t* data, size_t size, size_t faceOffset);

} // namespace coretext
