// The CPU rasteriser behind our Metal stand-in's render passes: triangles (lists, strips, indexed lists) sampled at
// pixel centres with the top-left fill rule, culled by winding, stencil-tested, shaded a row span at a time and
// blended in float, quantised to 8 bits. A draw touches only the pixels its triangles cover.
#pragma once

#include <vector>

#include "metal_command.h"

/// The attachments of a pass, locked by the caller for the pass's duration.
struct MTLRenderTarget
{
  MTLTexture* color = nullptr;
  MTLTexture* stencil = nullptr;
};

/// Fills a target's attachments as the pass's load actions say; the stencil only where the pass's draws test it.
/// [command worker]
void MTLRasterBeginPass(const MTLRenderTarget& target, const MTLRenderPassDescriptor& pass,
                        const std::vector<MTLDraw>& draws);
/// Draws one recorded draw. [command worker]
void MTLRasterDraw(const MTLRenderTarget& target, const MTLDraw& draw);
