// A small TrueType face built in memory, for tests and fuzz seeds that need
// fonts they can break on purpose: a square missing glyph, a triangle for 'A'
// and a composite of two triangles for 'B', mapped by a format 4 character map
// (or any other given),
// with one kerning pair. Glyphs are given as raw glyf entries so a test can
// hand in any outline.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace tinyfont
{

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& b, uint32_t v) { b.push_back(uint8_t(v >> 8)), b.push_back(uint8_t(v)); }
inline void Put32(Bytes& b, uint32_t v) { Put16(b, v >> 16), Put16(b, v & 0xffff); }
inline void Set16(Bytes& b, size_t at, uint32_t v) { b[at] = uint8_t(v >> 8), b[at + 1] = uint8_t(v); }
inline uint32_t Get32(const Bytes& b, size_t at)
{
  return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

/// A simple glyph: contours given by their end points, all points on the curve,
/// coordinates as 16-bit deltas.
inline Bytes SimpleGlyph(const std::vector<uint16_t>& ends, const std::vector<std::pair<int16_t, int16_t>>& points)
{
  Bytes g;
  Put16(g, uint16_t(ends.size()));
  for (int i = 0; i < 4; ++i)
    Put16(g, i < 2 ? 0 : 1000); // box 0,0 .. 1000,1000
  for (uint16_t e : ends)
    Put16(g, e);
  Put16(g, 0); // no instructions
  for (size_t i = 0; i < points.size(); ++i)
    g.push_back(0x01);
  int16_t last = 0;
  for (auto& p : points)
    Put16(g, uint16_t(int16_t(p.first - last))), last = p.first;
  last = 0;
  for (auto& p : points)
    Put16(g, uint16_t(int16_t(p.second - last))), last = p.second;
  if (g.size() % 2)
    g.push_back(0);
  return g;
}

/// A composite glyph: components as (glyph, dx, dy), placed by 16-bit offsets.
inline Bytes CompositeGlyph(const std::vector<std::array<int16_t, 3>>& parts)
{
  Bytes g;
  Put16(g, 0xffff);
  for (int i = 0; i < 4; ++i)
    Put16(g, i < 2 ? 0 : 1000);
  for (size_t i = 0; i < parts.size(); ++i)
  {
    Put16(g, 0x0003 | (i + 1 < parts.size() ? 0x20 : 0)); // word arguments, x/y values, more components
    Put16(g, uint16_t(parts[i][0]));
    Put16(g, uint16_t(parts[i][1]));
    Put16(g, uint16_t(parts[i][2]));
  }
  return g;
}

/// A cmap holding one subtable, under the platform and encoding given.
inline Bytes CharacterMap(uint16_t platform, uint16_t encoding, const Bytes& subtable)
{
  Bytes cmap;
  Put16(cmap, 0), Put16(cmap, 1), Put16(cmap, platform), Put16(cmap, encoding), Put32(cmap, 12);
  cmap.insert(cmap.end(), subtable.begin(), subtable.end());
  return cmap;
}

/// Character map subtables of the other formats the readers search, each
/// mapping 'A' and 'B' to glyphs 1 and 2. Format 0: a glyph byte for each of
/// 256 codes.
inline Bytes ByteMap()
{
  Bytes m;
  Put16(m, 0), Put16(m, 6 + 256), Put16(m, 0); // format, length, language
  m.resize(m.size() + 256, 0);
  m[6 + 'A'] = 1, m[6 + 'B'] = 2;
  return m;
}
/// Format 6: glyphs for a run of codes from the first.
inline Bytes RunMap()
{
  Bytes m;
  Put16(m, 6), Put16(m, 14), Put16(m, 0), Put16(m, 'A'), Put16(m, 2); // format, length, language, first, count
  Put16(m, 1), Put16(m, 2);
  return m;
}
/// Format 12 (or 13): groups of codes, each from a first glyph.
inline Bytes GroupMap(uint16_t format = 12)
{
  Bytes m;
  Put16(m, format), Put16(m, 0), Put32(m, 28), Put32(m, 0), Put32(m, 1); // format, length, language, groups
  Put32(m, 'A'), Put32(m, 'B'), Put32(m, 1);
  return m;
}

struct Face
{
  std::vector<Bytes> glyphs = {
      SimpleGlyph({3}, {{0, 0}, {0, 1000}, {1000, 1000}, {1000, 0}}),
      SimpleGlyph({2}, {{0, 0}, {500, 1000}, {1000, 0}}),
      CompositeGlyph({{1, 0, 0}, {1, 200, 0}}),
  };
  bool withKerning = true;
  /// The cmap table as given instead of the format 4 map, when not empty.
  Bytes characterMap;
  /// loca as 16-bit halved offsets (every glyph is of even length).
  bool shortLocations = false;

  /// The face's bytes with the tables in this order: cmap, glyf, head, hhea,
  /// hmtx, kern, loca, maxp.
  Bytes Build() const
  {
    std::map<std::string, Bytes> tables;
    const uint16_t count = uint16_t(glyphs.size());
    Bytes& glyf = tables["glyf"];
    Bytes& loca = tables["loca"];
    auto location = [&]
    {
      if (shortLocations)
        Put16(loca, uint32_t(glyf.size() / 2));
      else
        Put32(loca, uint32_t(glyf.size()));
    };
    for (const Bytes& g : glyphs)
      location(), glyf.insert(glyf.end(), g.begin(), g.end());
    location();
    Bytes& head = tables["head"];
    head.assign(54, 0);
    Set16(head, 18, 1000); // units per em
    Set16(head, 50, shortLocations ? 0 : 1);
    Bytes& hhea = tables["hhea"];
    hhea.assign(36, 0);
    Set16(hhea, 4, 800);
    Set16(hhea, 6, uint16_t(-200));
    Set16(hhea, 34, count);
    Bytes& hmtx = tables["hmtx"];
    for (uint16_t i = 0; i < count; ++i)
      Put16(hmtx, 1100), Put16(hmtx, 0);
    Bytes& maxp = tables["maxp"];
    Put32(maxp, 0x00005000), Put16(maxp, count);
    Bytes& cmap = tables["cmap"];
    cmap = characterMap;
    if (cmap.empty())
    {
      Put16(cmap, 0), Put16(cmap, 1);                  // version, one map
      Put16(cmap, 3), Put16(cmap, 1), Put32(cmap, 12); // Windows Unicode BMP at 12
      // Format 4, two segments: 'A'..'B' -> 1..2 by delta, and the closing
      // 0xffff.
      Put16(cmap, 4), Put16(cmap, 32), Put16(cmap, 0);
      Put16(cmap, 4), Put16(cmap, 4), Put16(cmap, 1), Put16(cmap, 0);
      Put16(cmap, 'B'), Put16(cmap, 0xffff), Put16(cmap, 0);
      Put16(cmap, 'A'), Put16(cmap, 0xffff);
      Put16(cmap, uint16_t(1 - 'A')), Put16(cmap, 1);
      Put16(cmap, 0), Put16(cmap, 0);
    }
    if (withKerning)
    {
      Bytes& kern = tables["kern"];
      Put16(kern, 0), Put16(kern, 1);                  // version, one subtable
      Put16(kern, 0), Put16(kern, 20), Put16(kern, 1); // format 0, length, horizontal
      Put16(kern, 1), Put16(kern, 6), Put16(kern, 0), Put16(kern, 0);
      Put16(kern, 1), Put16(kern, 2), Put16(kern, uint16_t(-100)); // 'A' then 'B'
    }
    Bytes out;
    Put32(out, 0x00010000), Put16(out, uint16_t(tables.size())), Put16(out, 0), Put16(out, 0), Put16(out, 0);
    uint32_t at = uint32_t(12 + 16 * tables.size());
    for (auto& [tag, t] : tables)
    {
      out.insert(out.end(), tag.begin(), tag.end());
      Put32(out, 0), Put32(out, at), Put32(out, uint32_t(t.size()));
      at += uint32_t((t.size() + 3) & ~size_t(3));
    }
    for (auto& [tag, t] : tables)
    {
      out.insert(out.end(), t.begin(), t.end());
      out.resize((out.size() + 3) & ~size_t(3), 0);
    }
    return out;
  }
};

/// Where a table of built bytes starts, 0 when there is none.
inline size_t TableAt(const Bytes& font, const char* tag)
{
  const size_t count = size_t(font[4]) << 8 | font[5];
  for (size_t i = 0; i < count; ++i)
    if (std::memcmp(&font[12 + 16 * i], tag, 4) == 0)
      return Get32(font, 12 + 16 * i + 8);
  return 0;
}

} // namespace tinyfont
