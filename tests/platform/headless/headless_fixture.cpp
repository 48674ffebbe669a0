#include "headless_fixture.h"

#include <cstdlib>
#include <sstream>
#include <vector>

#include <stb/stb_image.h>
#include <stb/stb_image_write.h>
#include <zlib.h>

#include "foundation/bundle.h"

namespace headlesstest {

namespace {

constexpr const char* kRobotoFile = "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf";

bool WritePng(const IGraphicsHeadless::Frame& frame, const std::string& path)
{
  return stbi_write_png(path.c_str(), frame.mWidth, frame.mHeight, 4, frame.mRGBA.data(), frame.mWidth * 4) != 0;
}

} // namespace

bool WriteTestPng(const std::string& path, int w, int h, const std::function<IColor(int x, int y)>& colour)
{
  std::vector<uint8_t> rgba(size_t(w) * size_t(h) * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
    {
      const IColor c = colour(x, y);
      uint8_t* p = &rgba[(size_t(y) * size_t(w) + size_t(x)) * 4];
      p[0] = uint8_t(c.mRed), p[1] = uint8_t(c.mGreen), p[2] = uint8_t(c.mBlue), p[3] = uint8_t(c.mAlpha);
    }
  return stbi_write_png(path.c_str(), w, h, 4, rgba.data(), w * 4) != 0;
}

namespace {

void AppendBigEndian(std::vector<uint8_t>& out, uint32_t v)
{
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(uint8_t(v >> shift));
}

void AppendChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data)
{
  AppendBigEndian(out, uint32_t(data.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  AppendBigEndian(out, uint32_t(crc32(0, out.data() + start, uInt(out.size() - start))));
}

} // namespace

bool WriteSolidPng(const std::string& path, int w, int h, const IColor& colour)
{
  // The first row predicts each pixel from the one to its left, the others from the row above: after the first
  // pixel, every byte of the filtered image is zero.
  const size_t rowSize = 1 + size_t(w) * 4;
  std::vector<uint8_t> first(rowSize, 0), others(rowSize, 0), piece(64 * 1024), deflated;
  first[0] = 1, others[0] = 2;
  first[1] = uint8_t(colour.mRed), first[2] = uint8_t(colour.mGreen), first[3] = uint8_t(colour.mBlue);
  first[4] = uint8_t(colour.mAlpha);
  z_stream z{};
  if (deflateInit(&z, Z_BEST_SPEED) != Z_OK)
    return false;
  for (int y = 0; y < h; ++y)
  {
    z.next_in = (y == 0 ? first : others).data();
    z.avail_in = uInt(rowSize);
    do
    {
      z.next_out = piece.data();
      z.avail_out = uInt(piece.size());
      deflate(&z, y == h - 1 ? Z_FINISH : Z_NO_FLUSH);
      deflated.insert(deflated.end(), piece.data(), piece.data() + piece.size() - z.avail_out);
    } while (z.avail_out == 0);
  }
  deflateEnd(&z);
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'}, header;
  AppendBigEndian(header, uint32_t(w));
  AppendBigEndian(header, uint32_t(h));
  header.insert(header.end(), {8, 6, 0, 0, 0}); // 8 bits a channel, red-green-blue-alpha, not interlaced
  AppendChunk(png, "IHDR", header);
  AppendChunk(png, "IDAT", deflated);
  AppendChunk(png, "IEND", {});
  return testsupport::WriteFile(path, std::string(png.begin(), png.end()));
}

std::string CompareGolden(const IGraphicsHeadless::Frame& frame, const std::string& name, int tolerance)
{
  return CompareGoldenIn(DROVIK_GOLDEN_DIR, frame, name, tolerance);
}

std::string CompareGoldenIn(const std::string& goldenDir, const IGraphicsHeadless::Frame& frame,
                            const std::string& name, int tolerance)
{
  const std::string golden = goldenDir + "/" + name + ".png";
  if (std::getenv("DROVIK_UPDATE_GOLDEN"))
    return WritePng(frame, golden) ? "" : "cannot write " + golden;
  int w = 0, h = 0, n = 0;
  unsigned char* expected = stbi_load(golden.c_str(), &w, &h, &n, 4);
  if (!expected)
    return "no golden " + golden;
  std::ostringstream out;
  if (w != frame.mWidth || h != frame.mHeight)
    out << "size " << frame.mWidth << "x" << frame.mHeight << ", golden " << w << "x" << h;
  else
  {
    int bad = 0;
    for (int i = 0; i < w * h * 4; ++i)
      if (std::abs(int(expected[i]) - int(frame.mRGBA[size_t(i)])) > tolerance && bad++ == 0)
        out << "first difference at (" << (i / 4) % w << ", " << (i / 4) / w << ") channel " << i % 4;
    if (bad)
      out << "; " << bad << " channel values differ";
  }
  stbi_image_free(expected);
  if (!out.str().empty())
    WritePng(frame, name + ".actual.png");
  return out.str();
}

void Headless::SetUp()
{
  mResources = mHome.Path() + "/Headless.vst/Contents/Resources";
  ASSERT_TRUE(testsupport::MakeFolders(mResources));
  const std::string roboto = testsupport::ReadFile(kRobotoFile);
  ASSERT_FALSE(roboto.empty());
  ASSERT_TRUE(testsupport::WriteFile(mResources + "/Roboto-Regular.ttf", roboto));
  foundation::Bundle::Register(kBundleID, mHome.Path() + "/Headless.vst");
}

void Headless::TearDown()
{
  mGraphics.reset();
  foundation::Bundle::Unregister(kBundleID);
}

void Headless::Open(int w, int h, DrawControl::DrawFunc func, int screenScale, float drawScale)
{
  mGraphics = std::make_unique<IGraphicsHeadless>(mDelegate, w, h, 60, drawScale);
  mGraphics->SetBundleID(kBundleID);
  mGraphics->mScreenScaleOnOpen = screenScale;
  mDelegate.mLayoutFunc = [func](IGraphics* g) {
    g->AttachControl(new DrawControl(g->GetBounds(), [func](IGraphics& gr, const IRECT& r) {
      gr.FillRect(IColor(255, 255, 255, 255), r);
      func(gr, r);
    }));
  };
  mGraphics->OpenWindow(nullptr);
}

IGraphicsHeadless::Frame Headless::Render()
{
  mGraphics->DrawFullFrame();
  return mGraphics->ReadFrame();
}

} // namespace headlesstest
