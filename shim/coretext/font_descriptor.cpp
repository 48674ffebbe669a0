// Descriptors found through fontconfig.
#include <fontconfig/fontconfig.h>

#include <cstdlib>
#include <mutex>

#include "coretext/font_descriptor.h"

namespace coretext {

namespace {

FcConfig* gConfig = nullptr;

/// fontconfig's configuration, loaded once for the process and released at exit.
/// fontconfig's process-wide state (FcFini) is left alone: the host may use fontconfig too.
FcConfig* Config()
{
  static std::once_flag once;
  std::call_once(once, [] {
    gConfig = FcInitLoadConfigAndFonts();
    std::atexit([] { FcConfigDestroy(gConfig); });
  });
  return gConfig;
}

/// fontconfig keeps the face index in the low 16 bits; the high bits name an instance of a variable font.
constexpr int kFaceIndexMask = 0xFFFF;

std::string StringOf(FcPattern* pattern, const char* object)
{
  FcChar8* value = nullptr;
  if (FcPatternGetString(pattern, object, 0, &value) != FcResultMatch || !value)
    return std::string();
  return reinterpret_cast<const char*>(value);
}

void AddStyle(FcPattern* pattern, FontStyle style)
{
  FcPatternAddInteger(pattern, FC_WEIGHT, style == FontStyle::kBold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, style == FontStyle::kItalic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
}

} // namespace

FontDescriptorRef DescriptorForFamily(const std::string& family, FontStyle style)
{
  FcConfig* config = Config();
  if (family.empty() || !config)
    return nullptr;
  static std::mutex fontconfigLock; // fontconfig's matching is not safe to run from two threads at once
  std::lock_guard<std::mutex> lock(fontconfigLock);

  FcPattern* pattern = FcPatternCreate();
  if (!pattern)
    return nullptr;
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  AddStyle(pattern, style);
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(config, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match)
    return nullptr;

  auto descriptor = std::make_shared<FontDescriptor>();
  descriptor->mPath = StringOf(match, FC_FILE);
  int index = 0;
  if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch)
    descriptor->mFaceIndex = index & kFaceIndexMask;
  descriptor->mFamily = StringOf(match, FC_FAMILY);
  descriptor->mStyle = StringOf(match, FC_STYLE);
  FcPatternDestroy(match);
  if (descriptor->mPath.empty())
    return nullptr;
  return descriptor;
}

} // namespace coretext
