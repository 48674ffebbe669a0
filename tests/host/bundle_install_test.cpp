// The module installed without the rest of its bundle folder, as a user who copies only Drovik.so would: the
// editor is not offered (no black panel), the effect still runs, and the host's log says why. Each case loads a
// copy of its own, so this program never loads the built bundle itself.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "temp_home.h"
#include "vst2/vst2.h"

namespace fs = std::filesystem;

namespace {

intptr_t SilentHost(vst2::Effect*, int32_t, int32_t, intptr_t, void*, float) { return 0; }

/// What a host sees of the first instance of the module at path, and what the module wrote to stderr meanwhile.
struct FirstInstance
{
  int32_t flags = -1;
  intptr_t editOpen = -1, editRect = -1;
  float processed = 0.f;
  std::string log;
};

FirstInstance Load(const std::string& path, const std::string& logPath)
{
  FirstInstance seen;
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  EXPECT_NE(module, nullptr) << dlerror();
  if (!module) return seen;
  auto entry = reinterpret_cast<vst2::EntryFn>(dlsym(module, "VSTPluginMain"));
  const int savedError = dup(2);
  const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  dup2(log, 2);
  vst2::Effect* effect = entry ? entry(SilentHost) : nullptr;
  dup2(savedError, 2);
  close(log);
  close(savedError);
  seen.log = testsupport::ReadFile(logPath);
  EXPECT_NE(effect, nullptr);
  if (!effect) return seen;
  seen.flags = effect->flags;
  int window = 1;
  seen.editOpen = effect->dispatcher(effect, vst2::effEditOpen, 0, 0, &window, 0.f);
  vst2::Rect* rect = nullptr;
  seen.editRect = effect->dispatcher(effect, vst2::effEditGetRect, 0, 0, &rect, 0.f);
  effect->dispatcher(effect, vst2::effMainsChanged, 0, 1, nullptr, 0.f);
  float in[64], out[64] = {};
  for (int i = 0; i < 64; ++i) in[i] = 0.5f;
  float* inputs[2] = {in, in};
  float* outputs[2] = {out, out};
  effect->processReplacing(effect, inputs, outputs, 64);
  seen.processed = out[63];
  effect->dispatcher(effect, vst2::effClose, 0, 0, nullptr, 0.f);
  return seen;
}

void ExpectNoEditorAndAWord(const FirstInstance& seen)
{
  EXPECT_EQ(seen.flags & vst2::kFlagHasEditor, 0);
  EXPECT_EQ(seen.editOpen, 0);
  EXPECT_EQ(seen.editRect, 0);
  EXPECT_EQ(seen.processed, 0.5f) << "the effect itself still runs";
  EXPECT_NE(seen.log.find("Drovik: the editor's artwork"), std::string::npos) << seen.log;
  EXPECT_NE(seen.log.find("Install the whole Drovik.vst folder"), std::string::npos) << seen.log;
}

const fs::path kBundle = fs::path(DROVIK_BUNDLE_SO).parent_path().parent_path().parent_path();

TEST(BundleInstall, TheModuleAloneOffersNoEditorAndSaysWhy)
{
  testsupport::TemporaryFolder folder;
  const fs::path module = fs::path(folder.Path()) / "Drovik.so";
  fs::copy_file(DROVIK_BUNDLE_SO, module);
  ExpectNoEditorAndAWord(Load(module.string(), folder.Path() + "/log"));
}

TEST(BundleInstall, ABundleWithoutItsResourcesOffersNoEditor)
{
  testsupport::TemporaryFolder folder;
  const fs::path contents = fs::path(folder.Path()) / "Drovik.vst" / "Contents";
  fs::create_directories(contents / "x86_64-linux");
  fs::create_directories(contents / "Resources");
  fs::copy_file(kBundle / "Contents" / "Info.plist", contents / "Info.plist");
  fs::copy_file(DROVIK_BUNDLE_SO, contents / "x86_64-linux" / "Drovik.so");
  for (const char* kept : {"BG_default.png", "Roboto-Regular.ttf"}) // a partial copy is no better
    fs::copy_file(kBundle / "Contents" / "Resources" / kept, contents / "Resources" / kept);
  ExpectNoEditorAndAWord(Load((contents / "x86_64-linux" / "Drovik.so").string(), folder.Path() + "/log"));
}

} // namespace
