// Parses SVG text held in a std::string and gives the tests indexed access to shapes, paths and points.
#pragma once

#include <string>
#include <vector>

#include "svg/svg_image.h"

namespace svgtest
{
struct Point
{
  float x, y;
};

class Parsed
{
public:
  explicit Parsed(const std::string& text, const char* units = "px", float dpi = 96.0f)
    : mText(text.begin(), text.end())
  {
    mText.push_back('\0');
    mImage = SvgParse(mText.data(), units, dpi);
  }
  ~Parsed() { SvgDeleteImage(mImage); }
  Parsed(const Parsed&) = delete;
  Parsed& operator=(const Parsed&) = delete;

  const SvgImage* image() const { return mImage; }

  std::vector<const SvgShape*> shapes() const
  {
    std::vector<const SvgShape*> out;
    if (mImage)
      for (const SvgShape* s = mImage->shapes; s; s = s->next) out.push_back(s);
    return out;
  }

  const SvgShape& shape(size_t i = 0) const { return *shapes().at(i); }

  static std::vector<const SvgPath*> paths(const SvgShape& shape)
  {
    std::vector<const SvgPath*> out;
    for (const SvgPath* p = shape.paths; p; p = p->next) out.push_back(p);
    return out;
  }

  // Path `j` of shape `i`, newest sub-path first as the image lists them.
  const SvgPath& path(size_t i = 0, size_t j = 0) const { return *paths(shape(i)).at(j); }

  static Point point(const SvgPath& path, int k) { return Point{path.pts[k * 2], path.pts[k * 2 + 1]}; }

private:
  std::vector<char> mText;
  SvgImage* mImage = nullptr;
};

// A document whose view box matches its size, so geometry keeps its coordinates.
inline std::string Doc(const std::string& body)
{
  return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"100\" height=\"100\" viewBox=\"0 0 100 100\">" +
         body + "</svg>";
}

inline std::string PathDoc(const std::string& d) { return Doc("<path d=\"" + d + "\"/>"); }
} // namespace svgtest
