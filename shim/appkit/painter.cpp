#include "appkit/painter.h"

#include <algorithm>
#include <cmath>

namespace appkit {

namespace {

std::shared_ptr<Painter>& Installed()
{
  static std::shared_ptr<Painter> painter;
  return painter;
}

/// The byte offsets where the characters of a UTF-8 text start, and its end.
std::vector<size_t> CharacterStarts(const std::string& utf8)
{
  std::vector<size_t> starts;
  for (size_t i = 0; i < utf8.size(); ++i)
    if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80)
      starts.push_back(i);
  starts.push_back(utf8.size());
  return starts;
}

/// The longest run of whole characters at the start of the text that fits the width (by halving: a longer run is
/// never narrower), at least one character; in bytes.
size_t FittingLength(Painter& painter, const std::string& utf8, const TextStyle& style, double width)
{
  const std::vector<size_t> starts = CharacterStarts(utf8);
  size_t fits = 1, tooLong = starts.size(); // in characters
  while (tooLong - fits > 1)
  {
    const size_t middle = (fits + tooLong) / 2;
    (painter.TextWidth(utf8.substr(0, starts[middle]), style) <= width ? fits : tooLong) = middle;
  }
  return starts[std::min(fits, starts.size() - 1)];
}

uint8_t Channel(double v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); }

} // namespace

std::vector<std::string> BreakLines(Painter& painter, const std::string& utf8, const TextStyle& style, double width)
{
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < utf8.size())
  {
    const size_t lineEnd = std::min(utf8.find('\n', start), utf8.size());
    std::string rest = utf8.substr(start, lineEnd - start);
    start = lineEnd + 1;
    if (!rest.empty() && rest.back() == '\r')
      rest.pop_back();
    const size_t before = lines.size();
    while (painter.TextWidth(rest, style) > width)
    {
      size_t cut = FittingLength(painter, rest, style, width);
      if (rest[cut] != ' ') // a word goes on the next line whole when a space, slash or hyphen before it allows
      {
        const size_t space = rest.rfind(' ', cut), mark = rest.find_last_of("/-", cut - 1);
        const bool wordBefore = space != std::string::npos && rest.find_first_not_of(' ') < space;
        if (wordBefore && (mark == std::string::npos || space > mark))
          cut = space;
        else if (mark != std::string::npos && mark > 0 && mark + 1 < cut)
          cut = mark + 1;
      }
      lines.push_back(rest.substr(0, rest.find_last_not_of(' ', cut - 1) + 1));
      rest.erase(0, std::min(rest.find_first_not_of(' ', cut), rest.size()));
    }
    if (!rest.empty() || lines.size() == before)
      lines.push_back(rest);
  }
  return lines;
}

std::string EndWithEllipsis(Painter& painter, const std::string& utf8, const TextStyle& style, double width)
{
  const std::string ellipsis = "\xE2\x80\xA6";
  if (painter.TextWidth(utf8 + ellipsis, style) <= width)
    return utf8 + ellipsis;
  const double room = width - painter.TextWidth(ellipsis, style);
  const std::string line = utf8.substr(0, FittingLength(painter, utf8, style, room));
  return line.substr(0, line.find_last_not_of(' ') + 1) + ellipsis;
}

Painter& SharedPainter()
{
  static PlainPainter plain;
  return Installed() ? *Installed() : plain;
}

void InstallPainter(std::shared_ptr<Painter> painter) { Installed() = std::move(painter); }

void PlainPainter::Begin(Size size, double scale, const DeviceColor& background)
{
  mScale = scale;
  mWidth = std::max(1, static_cast<int>(std::ceil(size.width * scale)));
  mHeight = std::max(1, static_cast<int>(std::ceil(size.height * scale)));
  // Every pixel, the last column and row too when the size ends within them.
  const uint8_t bgra[4] = {Channel(background.blue), Channel(background.green), Channel(background.red), 255};
  mPixels.resize(size_t(mWidth) * size_t(mHeight) * 4);
  for (size_t i = 0; i < mPixels.size(); i += 4)
    std::copy(bgra, bgra + 4, &mPixels[i]);
}

void PlainPainter::FillRect(Rect r, const DeviceColor& c)
{
  const int x0 = std::clamp(static_cast<int>(std::lround(r.origin.x * mScale)), 0, mWidth);
  const int y0 = std::clamp(static_cast<int>(std::lround(r.origin.y * mScale)), 0, mHeight);
  const int x1 = std::clamp(static_cast<int>(std::lround(r.MaxX() * mScale)), 0, mWidth);
  const int y1 = std::clamp(static_cast<int>(std::lround(r.MaxY() * mScale)), 0, mHeight);
  const uint8_t bgra[4] = {Channel(c.blue), Channel(c.green), Channel(c.red), 255};
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      std::copy(bgra, bgra + 4, &mPixels[(size_t(y) * size_t(mWidth) + size_t(x)) * 4]);
}

FrameImage PlainPainter::End()
{
  FrameImage image;
  image.pixels = mPixels.data();
  image.width = mWidth;
  image.height = mHeight;
  image.bytesPerRow = size_t(mWidth) * 4;
  return image;
}

double PlainPainter::TextWidth(const std::string& utf8, const TextStyle& style)
{
  return double(UTF32FromUTF8(utf8).size()) * style.size * 0.6;
}

} // namespace appkit
