// iPhone-optimised PNG files (as Xcode writes them): a "CgBI" chunk before the header, image data deflated without
// the zlib wrapper, and pixels stored blue-green-red with alpha premultiplied. libpng reads only standard PNG, so
// such a file is rewritten as one first (its image data checked and wrapped, not inflated into memory); what stays
// for decoding is reading the channels in their order and taking the premultiplication out.
#pragma once

#include <cstddef>
#include <vector>

namespace vexelimage {

/// True when the PNG bytes (signature checked by the caller) start with a "CgBI" chunk.
bool IsIphonePng(const unsigned char* data, size_t size);

/// The iPhone-optimised PNG rewritten as a standard PNG, its pixels as stored: blueFirst tells that its colour
/// channels are in blue-green-red order, hasAlpha that it has premultiplied alpha to take out. Empty for damaged
/// data (image data that does not inflate to exactly the rows of the header, or holds bytes after its deflated
/// stream; it is read through a small buffer and no further than those rows), for an image wider or taller than maxSide or of more than maxPixels pixels, and for
/// what such files never hold: other than 8 bits a channel, palette colours or interlacing.
std::vector<unsigned char> ConvertIphonePng(const unsigned char* data, size_t size, int maxSide, long long maxPixels,
                                            bool& hasAlpha, bool& blueFirst);

/// Takes premultiplied alpha out of RGBA pixels (a pixel without any alpha stays as it is).
void Unpremultiply(std::vector<unsigned char>& rgba);

} // namespace vexelimage
