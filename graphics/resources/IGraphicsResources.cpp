// Loading bitmaps, SVG images and raw resource files by name, and the process-wide caches they are kept in.
// Bitmap files come in one file per scale (1 to 4, "name@2x.png" for scale 2); the loader takes the wanted
// scale's file when there is one and otherwise rescales the nearest it finds through a layer.
#include <cstdio>
#include <cstring>

#include <sys/stat.h>

#include "core/Paths.h"
#include "graphics/context/IGraphics.h"
#include "svg/svg_image.h"

namespace plug {
namespace igraphics {

StaticStorage<APIBitmap>& IGraphics::BitmapCache()
{
  static StaticStorage<APIBitmap> cache;
  return cache;
}

StaticStorage<SVGHolder>& IGraphics::SvgCache()
{
  static StaticStorage<SVGHolder> cache;
  return cache;
}

SVGHolder::~SVGHolder() { SvgDeleteImage(mImage); }

StaticStorage<FontDescriptor>& IGraphics::FontDescriptorCache()
{
  static StaticStorage<FontDescriptor> cache;
  return cache;
}

namespace {

/// Bitmap files exist for these scales only; the scaled file names are made for one digit.
constexpr int kMinBitmapScale = 1;
constexpr int kMaxBitmapScale = 4;
/// Growth granularity of a resource file's buffer.
constexpr size_t kResourceGranularity = 4096;

/// The scales to try for a wanted scale: the wanted one, then 4, 3, 2, 1 without it. Returns how many; a
/// wanted scale outside 1..4 gives none.
int ScaleSearchOrder(int wanted, int order[kMaxBitmapScale])
{
  if (wanted < kMinBitmapScale || wanted > kMaxBitmapScale)
    return 0;
  int n = 0;
  order[n++] = wanted;
  for (int s = kMaxBitmapScale; s >= kMinBitmapScale; --s)
    if (s != wanted)
      order[n++] = s;
  return n;
}

/// Position of the dot that starts the name's extension (the last dot after the last path separator), or -1.
int ExtensionDot(const char* name)
{
  const char* dot = std::strrchr(name, '.');
  const char* slash = std::strrchr(name, '/');
  const char* backslash = std::strrchr(name, '\\');
  if (!dot || (slash && dot < slash) || (backslash && dot < backslash))
    return -1;
  return static_cast<int>(dot - name);
}

/// The file name of a scale: the name itself at scale 1, else "base@<scale>x.ext" (or "name@<scale>x").
void ScaledFileName(const char* name, int scale, LibString& fileName)
{
  if (scale == 1)
  {
    fileName.Set(name);
    return;
  }
  const int len = static_cast<int>(std::strlen(name));
  const int dot = ExtensionDot(name);
  LibString base;
  base.Set(name, dot < 0 ? len : dot);
  fileName.FormatCapped(len + 3, "%s@%dx%s", base.Get(), scale, dot < 0 ? "" : name + dot);
}

/// The screen scale for 0, and any scale kept to the scales bitmap files exist for.
int BitmapTargetScale(int targetScale, int screenScale)
{
  const int s = targetScale == 0 ? screenScale : targetScale;
  return s < kMinBitmapScale ? kMinBitmapScale : (s > kMaxBitmapScale ? kMaxBitmapScale : s);
}

/// The bitmap for a found image: rescaled when its scale is not the target (a newly decoded source is then
/// dropped), else cached when newly decoded. An image that cannot be rescaled (it would be larger than the back
/// end makes images) is kept at its own scale. Nothing found gives the empty bitmap and caches nothing.
IBitmap FinishLoadedBitmap(IGraphics& g, APIBitmap* source, bool loaded, const char* name, int nStates,
                           bool framesAreHorizontal, int targetScale)
{
  if (!source)
    return IBitmap();
  if (source->GetScale() != targetScale)
  {
    const IBitmap result = g.ScaleBitmap(IBitmap(source, nStates, framesAreHorizontal, name), name, targetScale);
    if (result.IsValid())
    {
      if (loaded)
        delete source;
      return result;
    }
  }
  const IBitmap result(source, nStates, framesAreHorizontal, name);
  if (loaded)
    g.RetainBitmap(result, name);
  return result;
}

/// The bitmap `name` from the cache at the target scale, else the image `loadSource` finds (called with the cache
/// locked, given the extension and target scale; it sets the scale of what it found and whether it decoded it
/// anew). A missing name or an unsupported extension gives the empty bitmap.
template <class LoadSource>
IBitmap LoadCachedBitmap(IGraphics& g, StaticStorage<APIBitmap>& cache, const char* name, int nStates,
                         bool framesAreHorizontal, int targetScale, LoadSource loadSource)
{
  if (!name || !name[0])
    return IBitmap();
  targetScale = BitmapTargetScale(targetScale, g.GetScreenScale());
  LibMutexLock lock(cache.Mutex());

  if (APIBitmap* cached = cache.Find(name, targetScale))
    return IBitmap(cached, nStates, framesAreHorizontal, name);

  const int dot = ExtensionDot(name);
  const char* ext = dot < 0 ? "" : name + dot + 1;
  if (dot < 0 || !g.BitmapExtSupported(ext))
    return IBitmap();

  int sourceScale = 0;
  bool loaded = false;
  APIBitmap* source = loadSource(ext, targetScale, sourceScale, loaded);
  return FinishLoadedBitmap(g, source, loaded, name, nStates, framesAreHorizontal, targetScale);
}

} // namespace

int IGraphics::FindScaledImageFile(const char* name, const char* type, LibString& result, int targetScale,
                                   int& sourceScale)
{
  if (!name || !name[0])
    return 0;
  int order[kMaxBitmapScale];
  const int n = ScaleSearchOrder(targetScale, order);
  LibString fileName;
  for (int i = 0; i < n; ++i)
  {
    ScaledFileName(name, order[i], fileName);
    const int location = LocateResourceFile(fileName.Get(), type, result, GetBundleID(), GetModuleHandle(),
                                            mResourceSubPath.Get());
    if (location > 0)
    {
      sourceScale = order[i];
      return location;
    }
  }
  return 0;
}

namespace {

/// The cached image of name at the first scale in the search order from targetScale, or null.
APIBitmap* SearchCache(StaticStorage<APIBitmap>& cache, const char* name, int targetScale, int& sourceScale)
{
  if (!name)
    return nullptr;
  LibMutexLock lock(cache.Mutex());
  int order[kMaxBitmapScale];
  const int n = ScaleSearchOrder(targetScale, order);
  for (int i = 0; i < n; ++i)
  {
    if (APIBitmap* found = cache.Find(name, order[i]))
    {
      sourceScale = order[i];
      return found;
    }
  }
  return nullptr;
}

} // namespace

APIBitmap* IGraphics::SearchBitmapCache(const char* name, int targetScale, int& sourceScale)
{
  return SearchCache(BitmapCache(), name, targetScale, sourceScale);
}

void IGraphics::RetainBitmap(const IBitmap& bitmap, const char* cacheName)
{
  APIBitmap* api = bitmap.GetAPIBitmap();
  StaticStorage<APIBitmap>& cache = BitmapCache();
  LibMutexLock lock(cache.Mutex());
  // An image the cache owns already is not added twice (it would be deleted twice).
  if (api && cacheName && !cache.Holds(api))
    cache.Add(api, cacheName, api->GetScale());
}

void IGraphics::ReleaseBitmap(const IBitmap& bitmap)
{
  StaticStorage<APIBitmap>& cache = BitmapCache();
  LibMutexLock lock(cache.Mutex());
  if (bitmap.GetAPIBitmap())
    cache.Remove(bitmap.GetAPIBitmap());
}

IBitmap IGraphics::ScaleBitmap(const IBitmap& inBitmap, const char* cacheName, int targetScale)
{
  if (!inBitmap.IsValid() || targetScale < kMinBitmapScale)
    return IBitmap();
  const int savedScreenScale = mScreenScale;
  const float savedDrawScale = mDrawScale;
  mScreenScale = targetScale;
  mDrawScale = inBitmap.GetDrawScale() > 0.f ? inBitmap.GetDrawScale() : 1.f;

  const IRECT bounds(0.f, 0.f, float(inBitmap.W()) / mDrawScale, float(inBitmap.H()) / mDrawScale);
  StartLayer(nullptr, bounds, true);
  // A layer the back end would not make (too large) has no bitmap: nothing is drawn for it.
  if (mLayers.top()->GetAPIBitmap())
    DrawBitmap(inBitmap, bounds, 0, 0, nullptr);
  ILayerPtr layer(PopLayer());

  IBitmap out(layer ? layer->TakeBitmap() : nullptr, inBitmap.N(), inBitmap.GetFramesAreHorizontal(), cacheName);
  RetainBitmap(out, cacheName);
  mScreenScale = savedScreenScale;
  mDrawScale = savedDrawScale;
  return out;
}

IBitmap IGraphics::LoadBitmap(const char* name, int nStates, bool framesAreHorizontal, int targetScale)
{
  return LoadBitmapInto(BitmapCache(), name, nStates, framesAreHorizontal, targetScale);
}

IBitmap IGraphics::LoadBitmapFromData(const char* name, const uint8_t* data, int dataSize, int nStates,
                                      bool framesAreHorizontal, int targetScale)
{
  return LoadBitmapFromDataInto(BitmapCache(), name, data, dataSize, nStates, framesAreHorizontal, targetScale);
}

IBitmap IGraphics::LoadBitmapInto(StaticStorage<APIBitmap>& cache, const char* name, int nStates,
                                  bool framesAreHorizontal, int targetScale)
{
  return LoadCachedBitmap(*this, cache, name, nStates, framesAreHorizontal, targetScale,
                          [&](const char* ext, int target, int& sourceScale, bool& loaded) {
                            LibString path;
                            APIBitmap* source = nullptr;
                            if (const int location = FindScaledImageFile(name, ext, path, target, sourceScale))
                            {
                              if (sourceScale != target)
                                source = cache.Find(name, sourceScale);
                              if (!source)
                              {
                                source = LoadAPIBitmap(path.Get(), sourceScale, location, ext);
                                loaded = true;
                              }
                              return source;
                            }
                            return SearchCache(cache, name, target, sourceScale);
                          });
}

IBitmap IGraphics::LoadBitmapFromDataInto(StaticStorage<APIBitmap>& cache, const char* name, const uint8_t* data,
                                          int dataSize, int nStates, bool framesAreHorizontal, int targetScale)
{
  return LoadCachedBitmap(*this, cache, name, nStates, framesAreHorizontal, targetScale,
                          [&](const char*, int target, int& sourceScale, bool& loaded) {
                            APIBitmap* source = SearchCache(cache, name, target, sourceScale);
                            if (!source && data && dataSize > 0)
                            {
                              source = LoadAPIBitmapData(name, data, dataSize, 1);
                              loaded = true;
                            }
                            return source;
                          });
}

ByteBuffer IGraphics::LoadResource(const char* name, const char* type)
{
  ByteBuffer bytes;
  LibString path;
  if (!LocateResourceFile(name, type, path, GetBundleID(), GetModuleHandle(), mResourceSubPath.Get()))
    return bytes;
  std::FILE* f = std::fopen(path.Get(), "rb");
  if (!f)
    return bytes;
  // Only a regular file has a size to read (a folder opens too, and seeks to nonsense).
  struct stat info;
  if (fstat(fileno(f), &info) != 0 || !S_ISREG(info.st_mode))
  {
    std::fclose(f);
    return bytes;
  }
  long size = -1;
  if (std::fseek(f, 0, SEEK_END) == 0)
    size = std::ftell(f);
  if (size > 0 && std::fseek(f, 0, SEEK_SET) == 0)
  {
    bytes.reserve((size_t(size) + kResourceGranularity - 1) / kResourceGranularity * kResourceGranularity);
    bytes.resize(size_t(size));
    if (std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size())
      bytes.clear();
  }
  std::fclose(f);
  return bytes;
}

ISVG IGraphics::LoadSVG(const char* name, const char* units, float dpi)
{
  if (!name || !name[0])
    return ISVG();
  StaticStorage<SVGHolder>& cache = SvgCache();
  LibMutexLock lock(cache.Mutex());
  if (SVGHolder* cached = cache.Find(name, 1.0))
    return ISVG(cached->mImage);
  const ByteBuffer text = LoadResource(name, "svg");
  if (text.empty())
    return ISVG();
  return LoadSVGFromData(name, reinterpret_cast<const char*>(text.data()), static_cast<int>(text.size()), units,
                         dpi);
}

ISVG IGraphics::LoadSVGFromData(const char* name, const char* data, int dataSize, const char* units, float dpi)
{
  if (!name || !name[0])
    return ISVG();
  StaticStorage<SVGHolder>& cache = SvgCache();
  LibMutexLock lock(cache.Mutex());
  if (SVGHolder* cached = cache.Find(name, 1.0))
    return ISVG(cached->mImage);
  if (!data)
    return ISVG();
  // The parser writes into its text: it gets a terminated copy that ends at the first NUL (without a size, the
  // data is a terminated text read whole).
  std::vector<char> text(data, data + (dataSize > 0 ? strnlen(data, size_t(dataSize)) : std::strlen(data)));
  text.push_back('\0');
  SvgImage* image = SvgParse(text.data(), units ? units : "px", dpi);
  if (!image)
    return ISVG();
  cache.Add(new SVGHolder(image), name, 1.0);
  return ISVG(image);
}

} // namespace igraphics
} // namespace plug
