// Walks a face the way the glyph, metric, character-map and kerning readers
// will, checking every read they make.
#include "coretext/drawable_face.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace coretext
{

namespace
{

/// A range of the file's bytes that a table or a structure within it occupies.
struct Span
{
  size_t start = 0;
  size_t length = 0;
  bool Has(uint64_t at, uint64_t n) const { return at <= length && n <= length - at; }
  /// The part from `at` to the end; empty when `at` lies beyond it.
  Span From(uint64_t at) const { return at <= length ? Span{start + size_t(at), length - size_t(at)} : Span{}; }
};

/// Where a glyph's outline reaches, in font units. The origin is always inside:
/// line vertices carry a zero control point, and composites transform it as
/// well.
struct Extent
{
  float minX = 0, maxX = 0, minY = 0, maxY = 0;
  void Add(float x, float y)
  {
    minX = std::min(minX, x);
    maxX = std::max(maxX, x);
    minY = std::min(minY, y);
    maxY = std::max(maxY, y);
  }
};

struct GlyphState
{
  enum : uint8_t
  {
    kUnchecked,
    kChecking,
    kGood
  } state = kUnchecked;
  int height = 0;        // levels of composites at and below this glyph
  uint32_t vertices = 0; // what the outline reader allocates for it
  Extent extent;
};

/// A component's placement as the outline reader computes it.
struct Transform
{
  float m[6] = {1, 0, 0, 1, 0, 0};
  float scaleX = 1, scaleY = 1;
  bool Fits(float x, float y, Extent& into) const
  {
    const float tx = scaleX * (m[0] * x + m[2] * y + m[4]);
    const float ty = scaleY * (m[1] * x + m[3] * y + m[5]);
    constexpr float kLimit = 32767.0f;
    if (!(std::fabs(tx) < kLimit && std::fabs(ty) < kLimit))
      return false;
    into.Add(std::floor(tx), std::floor(ty));
    into.Add(std::ceil(tx), std::ceil(ty));
    return true;
  }
};

class FaceCheck
{
public:
  FaceCheck(const uint8_t* data, size_t size, size_t face) : mData(data), mSize(size), mFace(face) {}

  bool Run()
  {
    return Directory() && Header() && Metrics() && CharacterMap() && Kerning() && Positioning() && GlyphLocations() &&
           Outlines();
  }

private:
  uint16_t U16(size_t at) const { return uint16_t(mData[at] << 8 | mData[at + 1]); }
  int16_t S16(size_t at) const { return int16_t(U16(at)); }
  uint32_t U32(size_t at) const { return uint32_t(U16(at)) << 16 | U16(at + 2); }

  /// The first table with the tag, as the readers find it; empty when there is
  /// none.
  Span Find(const char* tag) const
  {
    const size_t count = U16(mFace + 4);
    for (size_t i = 0; i < count; ++i)
    {
      const size_t record = mFace + 12 + 16 * i;
      if (std::memcmp(mData + record, tag, 4) == 0)
        return Span{U32(record + 8), U32(record + 12)};
    }
    return {};
  }

  bool Directory()
  {
    if (mFace > mSize || mSize - mFace < 12 || mSize > size_t(INT32_MAX))
      return false;
    const uint64_t count = U16(mFace + 4);
    if (mFace + 12 + 16 * count > mSize)
      return false;
    for (uint64_t i = 0; i < count; ++i)
    {
      const size_t record = mFace + 12 + 16 * size_t(i);
      if (uint64_t(U32(record + 8)) + U32(record + 12) > mSize)
        return false;
    }
    mHead = Find("head");
    mHhea = Find("hhea");
    mHmtx = Find("hmtx");
    mMaxp = Find("maxp");
    mCmap = Find("cmap");
    mLoca = Find("loca");
    mGlyf = Find("glyf");
    mKern = Find("kern");
    mGpos = Find("GPOS");
    // A table the readers look for counts as present when its offset is not
    // zero, whatever its length.
    return mHead.start && mHhea.start && mHmtx.start && mMaxp.start && mCmap.start && mLoca.start && mGlyf.start;
  }

  bool Header()
  {
    constexpr size_t kHeadSize = 54, kMaxpSize = 6;
    if (!mHead.Has(0, kHeadSize) || !mMaxp.Has(0, kMaxpSize))
      return false;
    const uint16_t locationFormat = U16(mHead.start + 50);
    mLongLocations = locationFormat == 1;
    mNumGlyphs = U16(mMaxp.start + 4);
    return locationFormat <= 1 && mNumGlyphs > 0;
  }

  /// Advances: the first hhea.numberOfHMetrics glyphs have an advance and a
  /// side bearing, the rest a bearing only.
  bool Metrics()
  {
    constexpr size_t kHheaSize = 36;
    if (!mHhea.Has(0, kHheaSize))
      return false;
    const uint64_t longMetrics = U16(mHhea.start + 34);
    const uint64_t shortMetrics = mNumGlyphs > longMetrics ? mNumGlyphs - longMetrics : 0;
    return longMetrics > 0 && mHmtx.Has(0, 4 * longMetrics + 2 * shortMetrics);
  }

  /// The readers take the last Unicode map: platform 0, or platform 3 with
  /// encoding 1 or 10.
  bool CharacterMap()
  {
    if (!mCmap.Has(0, 4))
      return false;
    const uint64_t count = U16(mCmap.start + 2);
    if (!mCmap.Has(4, 8 * count))
      return false;
    uint64_t chosen = 0;
    for (size_t i = 0; i < count; ++i)
    {
      const size_t record = mCmap.start + 4 + 8 * i;
      const uint16_t platform = U16(record), encoding = U16(record + 2);
      if (platform == 0 || (platform == 3 && (encoding == 1 || encoding == 10)))
        chosen = U32(record + 4);
    }
    if (chosen == 0 || !mCmap.Has(chosen, 4))
      return false;
    const Span map = mCmap.From(chosen);
    switch (U16(map.start))
    {
    case 0:
      return map.Has(0, std::max<uint32_t>(U16(map.start + 2), 6));
    case 6:
      return map.Has(0, 10) && map.Has(10, 2u * U16(map.start + 8));
    case 4:
      return SegmentMap(map);
    case 12:
    case 13:
      return map.Has(0, 16) && map.Has(16, 12ull * U32(map.start + 12));
    default:
      return false; // formats the readers cannot look up
    }
  }

  /// Format 4: the search fields steer a binary search through the end codes,
  /// so they must stay within the segments; a segment that maps through the
  /// glyph array must find all its entries inside the map.
  bool SegmentMap(Span map)
  {
    if (!map.Has(0, 14))
      return false;
    const uint32_t segments = U16(map.start + 6) >> 1;
    const uint32_t searchRange = U16(map.start + 8) >> 1, entrySelector = U16(map.start + 10);
    const uint32_t rangeShift = U16(map.start + 12) >> 1;
    if (segments == 0 || !map.Has(14, 8ull * segments + 2))
      return false;
    if (entrySelector > 15 || searchRange != 1u << entrySelector || searchRange > segments ||
        rangeShift > segments - searchRange)
      return false;
    const size_t ends = map.start + 14, starts = ends + 2 * segments + 2;
    const size_t rangeOffsets = starts + 4 * segments;
    for (uint32_t i = 0; i < segments; ++i)
    {
      const uint32_t first = U16(starts + 2 * i), last = U16(ends + 2 * i);
      const uint32_t rangeOffset = U16(rangeOffsets + 2 * i);
      if (rangeOffset == 0 || first > last)
        continue;
      const uint64_t entry = rangeOffsets + 2 * i - map.start + rangeOffset;
      if (!map.Has(entry, 2ull * (last - first + 1)))
        return false;
    }
    return true;
  }

  /// The kern table is read only when there is no GPOS: its first subtable's
  /// pairs, when it is horizontal.
  bool Kerning()
  {
    if (mGpos.start || !mKern.start)
      return true;
    if (!mKern.Has(0, 4))
      return false;
    if (U16(mKern.start + 2) == 0)
      return true;
    if (!mKern.Has(0, 12))
      return false;
    if (U16(mKern.start + 8) != 1)
      return true;
    return mKern.Has(18, 6ull * U16(mKern.start + 10));
  }

  /// GPOS version 1.0: every lookup is visited; pair adjustments (type 2) are
  /// read further.
  bool Positioning()
  {
    if (!mGpos.start)
      return true;
    if (!mGpos.Has(0, 4))
      return false;
    if (U16(mGpos.start) != 1 || U16(mGpos.start + 2) != 0)
      return true;
    if (!mGpos.Has(0, 10))
      return false;
    const Span list = mGpos.From(U16(mGpos.start + 8));
    if (!list.Has(0, 2) || !list.Has(2, 2ull * U16(list.start)))
      return false;
    for (size_t i = 0, n = U16(list.start); i < n; ++i)
      if (!PairLookup(list.From(U16(list.start + 2 + 2 * i))))
        return false;
    return true;
  }

  bool PairLookup(Span lookup)
  {
    if (!lookup.Has(0, 6))
      return false;
    if (U16(lookup.start) != 2)
      return true;
    const size_t subtables = U16(lookup.start + 4);
    if (!lookup.Has(6, 2ull * subtables))
      return false;
    for (size_t i = 0; i < subtables; ++i)
      if (!PairSubtable(lookup.From(U16(lookup.start + 6 + 2 * i))))
        return false;
    return true;
  }

  /// Pair adjustment, format 1 (pair sets indexed by coverage) or 2 (class
  /// pairs), with x advances only: the other value formats are not read.
  bool PairSubtable(Span table)
  {
    if (!table.Has(0, 4))
      return false;
    int32_t maxCoverage = -1;
    if (!Coverage(table.From(U16(table.start + 2)), maxCoverage))
      return false;
    const uint16_t format = U16(table.start);
    if (maxCoverage < 0 || (format != 1 && format != 2))
      return true;
    if (!table.Has(0, 8))
      return false;
    if (U16(table.start + 4) != 4 || U16(table.start + 6) != 0)
      return true;
    if (format == 2)
    {
      if (!table.Has(0, 16) || !ClassDefinition(table.From(U16(table.start + 8))) ||
          !ClassDefinition(table.From(U16(table.start + 10))))
        return false;
      return table.Has(16, 2ull * U16(table.start + 12) * U16(table.start + 14));
    }
    // The pair set's offset and its count are read for any covered glyph before
    // the set count is consulted.
    if (!table.Has(10, 2ull * (uint32_t(maxCoverage) + 1)))
      return false;
    const uint32_t sets = U16(table.start + 8);
    for (uint32_t i = 0; i <= uint32_t(maxCoverage); ++i)
    {
      const Span set = table.From(U16(table.start + 10 + 2 * i));
      if (!set.Has(0, 2) || (i < sets && !set.Has(2, 4ull * U16(set.start))))
        return false;
    }
    return true;
  }

  /// A coverage table and the largest index it can give.
  bool Coverage(Span table, int32_t& maxIndex)
  {
    if (!table.Has(0, 4))
      return false;
    const uint32_t count = U16(table.start + 2);
    switch (U16(table.start))
    {
    case 1:
      maxIndex = int32_t(count) - 1;
      return table.Has(4, 2ull * count);
    case 2:
      if (!table.Has(4, 6ull * count))
        return false;
      for (uint32_t i = 0; i < count; ++i)
      {
        const size_t range = table.start + 4 + 6 * i;
        if (U16(range) <= U16(range + 2))
          maxIndex = std::max<int32_t>(maxIndex, int32_t(U16(range + 4)) + U16(range + 2) - U16(range));
      }
      return true;
    default:
      return true;
    }
  }

  bool ClassDefinition(Span table)
  {
    if (!table.Has(0, 4))
      return false;
    switch (U16(table.start))
    {
    case 1:
      return table.Has(0, 6) && table.Has(6, 2ull * U16(table.start + 4));
    case 2:
      return table.Has(4, 6ull * U16(table.start + 2));
    default:
      return true;
    }
  }

  /// loca: one offset more than there are glyphs, rising, all inside glyf.
  bool GlyphLocations()
  {
    const uint64_t entries = uint64_t(mNumGlyphs) + 1;
    if (!mLoca.Has(0, entries * (mLongLocations ? 4 : 2)))
      return false;
    mLocations.resize(size_t(entries));
    for (size_t i = 0; i < entries; ++i)
    {
      mLocations[i] = mLongLocations ? U32(mLoca.start + 4 * i) : uint32_t(U16(mLoca.start + 2 * i)) * 2;
      if ((i > 0 && mLocations[i] < mLocations[i - 1]) || mLocations[i] > mGlyf.length)
        return false;
    }
    return true;
  }

  bool Outlines()
  {
    mGlyphs.assign(mNumGlyphs, GlyphState{});
    for (uint32_t g = 0; g < mNumGlyphs; ++g)
      if (!Glyph(g, 0))
        return false;
    return true;
  }

  /// A glyph reached at the depth of composite nesting given: checked once,
  /// then its findings are reused.
  bool Glyph(uint32_t glyph, int depth)
  {
    GlyphState& state = mGlyphs[glyph];
    if (state.state == GlyphState::kChecking)
      return false; // a composite that contains itself
    if (state.state == GlyphState::kUnchecked)
    {
      state.state = GlyphState::kChecking;
      GlyphState found;
      const Span span{mGlyf.start + mLocations[glyph], mLocations[glyph + 1] - mLocations[glyph]};
      if (span.length > 0 && !ReadGlyph(span, depth, found))
        return false;
      found.state = GlyphState::kGood;
      mGlyphs[glyph] = found;
    }
    return depth + mGlyphs[glyph].height <= kMaxCompositeDepth;
  }

  bool ReadGlyph(Span glyph, int depth, GlyphState& out)
  {
    constexpr size_t kGlyphHeaderSize = 10;
    if (!glyph.Has(0, kGlyphHeaderSize))
      return false;
    // The bitmap box comes from the header: a box that is turned inside out
    // gives negative bitmap sizes.
    if (S16(glyph.start + 2) > S16(glyph.start + 6) || S16(glyph.start + 4) > S16(glyph.start + 8))
      return false;
    const int contours = S16(glyph.start);
    if (contours > 0)
      return SimpleGlyph(glyph, contours, out);
    if (contours < 0)
      return CompositeGlyph(glyph, depth, out);
    return true;
  }

  bool SimpleGlyph(Span glyph, int contours, GlyphState& out);
  bool CompositeGlyph(Span glyph, int depth, GlyphState& out);

  const uint8_t* mData;
  size_t mSize;
  size_t mFace;
  Span mHead, mHhea, mHmtx, mMaxp, mCmap, mLoca, mGlyf, mKern, mGpos;
  uint32_t mNumGlyphs = 0;
  bool mLongLocations = false;
  std::vector<uint32_t> mLocations;
  std::vector<GlyphState> mGlyphs;
};

/// Contour end points rise strictly (so the reader finds exactly one start per
/// contour), and the flags and the coordinates they call for lie inside the
/// glyph.
bool FaceCheck::SimpleGlyph(Span glyph, int contours, GlyphState& out)
{
  const size_t ends = 10;
  if (!glyph.Has(ends, 2ull * contours + 2))
    return false;
  int32_t previous = -1;
  for (int i = 0; i < contours; ++i)
  {
    const int32_t end = U16(glyph.start + ends + 2 * size_t(i));
    if (end <= previous)
      return false;
    previous = end;
  }
  const uint32_t points = uint32_t(previous) + 1;
  const uint64_t instructions = U16(glyph.start + ends + 2 * size_t(contours));
  uint64_t at = ends + 2ull * contours + 2 + instructions;
  std::vector<uint8_t> flags(points);
  for (uint32_t i = 0; i < points;)
  {
    if (!glyph.Has(at, 1))
      return false;
    const uint8_t flag = mData[glyph.start + at++];
    uint32_t repeat = 1;
    if (flag & 8)
    {
      if (!glyph.Has(at, 1))
        return false;
      repeat += mData[glyph.start + at++];
    }
    for (; repeat > 0 && i < points; --repeat)
      flags[i++] = flag;
  }
  // A contour whose only point is the last and off the curve makes the reader
  // look one point past the end.
  const int32_t lastStart = contours > 1 ? int32_t(U16(glyph.start + ends + 2 * size_t(contours - 2))) + 1 : 0;
  if (uint32_t(lastStart) == points - 1 && !(flags[points - 1] & 1))
    return false;
  std::vector<int16_t> xs(points);
  for (int axis = 0; axis < 2; ++axis)
  {
    const uint8_t shortBit = axis == 0 ? 2 : 4, sameBit = axis == 0 ? 16 : 32;
    int32_t value = 0;
    for (uint32_t i = 0; i < points; ++i)
    {
      const uint8_t flag = flags[i];
      if (flag & shortBit)
      {
        if (!glyph.Has(at, 1))
          return false;
        const int32_t delta = mData[glyph.start + at++];
        value += (flag & sameBit) ? delta : -delta;
      }
      else if (!(flag & sameBit))
      {
        if (!glyph.Has(at, 2))
          return false;
        value += S16(glyph.start + size_t(at));
        at += 2;
      }
      const int16_t stored = int16_t(uint16_t(uint32_t(value) & 0xffff));
      if (axis == 0)
        xs[i] = stored;
      else
        out.extent.Add(xs[i], stored);
    }
  }
  out.vertices = points + 2 * uint32_t(contours);
  return out.vertices <= kMaxGlyphVertices;
}

/// Components: each names an existing glyph by x/y offsets (matching points are
/// not understood), with at most one of the three scale forms; the whole glyph
/// stays within the vertex, depth and coordinate limits.
bool FaceCheck::CompositeGlyph(Span glyph, int depth, GlyphState& out)
{
  if (depth >= kMaxCompositeDepth)
    return false;
  uint64_t at = 10;
  int components = 0;
  uint64_t vertices = 0;
  for (bool more = true; more;)
  {
    if (++components > kMaxCompositeComponents || !glyph.Has(at, 4))
      return false;
    const uint16_t flags = U16(glyph.start + size_t(at));
    const uint16_t component = U16(glyph.start + size_t(at) + 2);
    at += 4;
    if (!(flags & 2) || component >= mNumGlyphs)
      return false;
    Transform t;
    const size_t argumentSize = (flags & 1) ? 4 : 2;
    if (!glyph.Has(at, argumentSize))
      return false;
    t.m[4] = (flags & 1) ? S16(glyph.start + size_t(at)) : float(int8_t(mData[glyph.start + at]));
    t.m[5] = (flags & 1) ? S16(glyph.start + size_t(at) + 2) : float(int8_t(mData[glyph.start + at + 1]));
    at += argumentSize;
    const size_t scaleSize = (flags & 8) ? 2 : (flags & 0x40) ? 4 : (flags & 0x80) ? 8 : 0;
    if (!glyph.Has(at, scaleSize))
      return false;
    const auto f2dot14 = [&](size_t i) { return S16(glyph.start + size_t(at) + 2 * i) / 16384.0f; };
    if (flags & 8)
      t.m[0] = t.m[3] = f2dot14(0), t.m[1] = t.m[2] = 0;
    else if (flags & 0x40)
      t.m[0] = f2dot14(0), t.m[1] = t.m[2] = 0, t.m[3] = f2dot14(1);
    else if (flags & 0x80)
      t.m[0] = f2dot14(0), t.m[1] = f2dot14(1), t.m[2] = f2dot14(2), t.m[3] = f2dot14(3);
    at += scaleSize;
    t.scaleX = std::sqrt(t.m[0] * t.m[0] + t.m[1] * t.m[1]);
    t.scaleY = std::sqrt(t.m[2] * t.m[2] + t.m[3] * t.m[3]);

    if (!Glyph(component, depth + 1))
      return false;
    const GlyphState& part = mGlyphs[component];
    const Extent& e = part.extent;
    if (!t.Fits(e.minX, e.minY, out.extent) || !t.Fits(e.minX, e.maxY, out.extent) ||
        !t.Fits(e.maxX, e.minY, out.extent) || !t.Fits(e.maxX, e.maxY, out.extent))
      return false;
    out.height = std::max(out.height, part.height + 1);
    vertices += part.vertices;
    if (vertices > kMaxGlyphVertices)
      return false;
    more = (flags & 0x20) != 0;
  }
  out.vertices = uint32_t(vertices);
  return true;
}

} // namespace

bool FaceIsDrawable(const uint8_t* data, size_t size, size_t faceOffset)
{
  return data && FaceCheck(data, size, faceOffset).Run();
}

} // namespace coretext
