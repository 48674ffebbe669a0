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

uint8_t Channel(double v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); }

} // namespace

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
  mPixels.assign(size_t(mWidth) * size_t(mHeight) * 4, 0);
  FillRect(Rect(0, 0, size.width, size.height), background);
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
