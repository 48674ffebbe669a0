// Platform paths: the bundle's folders, the user's standard folders under a temporary home, and where a resource
// name is found (bundle by base name, then by the name with its sub-folders, then the shared location, then the
// name itself as a path).
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <dirent.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "core/Paths.h"
#include "core/RegularFile.h"
#include "foundation/bundle.h"
#include "temp_home.h"

using namespace plug;
using testsupport::MakeFolders;
using testsupport::TemporaryHome;

namespace {
/// Faults for the reads of this program: the first `interrupted` fail as a signal makes them fail, and once
/// `allowed` are used up every further read fails, so that a reader that would never stop ends in an error
/// instead of holding up the program.
struct ReadFaults
{
  int interrupted = 0;
  int allowed = 1 << 20;
} gReadFaults;
} // namespace

extern "C" ssize_t read(int fd, void* buffer, size_t size)
{
  if (gReadFaults.allowed == 0)
  {
    errno = EIO;
    return -1;
  }
  --gReadFaults.allowed;
  if (gReadFaults.interrupted > 0)
  {
    --gReadFaults.interrupted;
    errno = EINTR;
    return -1;
  }
  return syscall(SYS_read, fd, buffer, size);
}
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

constexpr const char* kBundleID = "com.example.paths";

class Paths : public ::testing::Test
{
protected:
  void SetUp() override
  {
    mPlugins = mHome.Path() + "/.vst";
    mBundle = mPlugins + "/Knobs.vst";
    mResources = mBundle + "/Contents/Resources";
    ASSERT_TRUE(MakeFolders(mResources + "/images"));
    ASSERT_TRUE(WriteFile(mResources + "/knob.png", "k"));
    ASSERT_TRUE(WriteFile(mResources + "/images/slider.png", "s"));
    ASSERT_TRUE(WriteFile(mResources + "/Roboto-Regular.TTF", "f"));
    foundation::Bundle::Register(kBundleID, mBundle);
  }
  void TearDown() override { foundation::Bundle::Unregister(kBundleID); }

  std::string Locate(const char* name, const char* ext, int expected, const char* shared = nullptr)
  {
    LibString result("unchanged");
    EXPECT_EQ(LocateResourceFile(name, ext, result, kBundleID, nullptr, shared), expected) << name;
    return result.Get();
  }

  TemporaryHome mHome;
  std::string mPlugins, mBundle, mResources;
};

} // namespace

TEST_F(Paths, BundleFolders)
{
  LibString path("unchanged");
  BundleExecutablePath(path, kBundleID);
  EXPECT_EQ(std::string(path.Get()), mBundle + "/Contents/x86_64-linux/Knobs.so");
  BundleFolderPath(path, kBundleID);
  EXPECT_EQ(std::string(path.Get()), mPlugins + "/");
  BundleResourcePath(path, kBundleID);
  EXPECT_EQ(std::string(path.Get()), mResources);
}

TEST_F(Paths, UnknownBundle)
{
  LibString path("unchanged");
  BundleExecutablePath(path, "com.example.none");
  EXPECT_STREQ(path.Get(), "unchanged");
  BundleFolderPath(path, "com.example.none");
  EXPECT_STREQ(path.Get(), "unchanged");
  BundleFolderPath(path, nullptr);
  EXPECT_STREQ(path.Get(), "unchanged");
  BundleResourcePath(path, "com.example.none");
  EXPECT_STREQ(path.Get(), "");
}

TEST_F(Paths, UserFoldersLieInTheHome)
{
  const std::string home = mHome.Path();
  LibString path;
  UserHomePath(path);
  EXPECT_EQ(std::string(path.Get()), home);
  DesktopPath(path);
  EXPECT_EQ(std::string(path.Get()), home + "/Desktop");
  MusicPath(path);
  EXPECT_EQ(std::string(path.Get()), home + "/Music");
  AppSupportPath(path);
  EXPECT_EQ(std::string(path.Get()), home + "/.local/share");
  AppSupportPath(path, true);
  EXPECT_STREQ(path.Get(), "/usr/share");
  NamedAppSupportPath(path, "Drovik");
  EXPECT_EQ(std::string(path.Get()), home + "/.local/share/Drovik");
  PresetFolderPath(path, "Vesquin", "Drovik", false);
  EXPECT_EQ(std::string(path.Get()), home + "/.local/share/Audio/Presets/Vesquin/Drovik/");
  PresetFolderPath(path, "Vesquin", "Drovik", true);
  EXPECT_STREQ(path.Get(), "/usr/local/share/Audio/Presets/Vesquin/Drovik/");
  EXPECT_FALSE(IsSandboxedHost());
}

TEST_F(Paths, PresetFolderIsCappedAt1024Characters)
{
  const std::string longName(2000, 'x');
  LibString path;
  PresetFolderPath(path, "Vesquin", longName.c_str(), false);
  EXPECT_EQ(path.GetLength(), 1024);
}

TEST_F(Paths, ResourcesAreFoundInTheBundle)
{
  EXPECT_EQ(Locate("knob.png", "png", 1), mResources + "/knob.png");
  EXPECT_EQ(Locate("images/slider.png", "png", 1), mResources + "/images/slider.png");
  EXPECT_EQ(Locate("knob.PNG", "png", 1), mResources + "/knob.png");    // extension of the name, any case
  EXPECT_EQ(Locate("Roboto-Regular.ttf", "ttf", 1), mResources + "/Roboto-Regular.TTF"); // file's, any case
  EXPECT_EQ(Locate("other/knob.png", "png", 1), mResources + "/knob.png"); // base name first
}

TEST_F(Paths, NamesThatDoNotMatchAreNotFound)
{
  EXPECT_EQ(Locate("knob", "png", 0), "");      // no dot: the whole name is its extension
  EXPECT_EQ(Locate("knob.svg", "png", 0), "");  // extension differs
  EXPECT_EQ(Locate("missing.png", "png", 0), "");
  EXPECT_EQ(Locate(".png", "png", 0), "");      // empty base name
  ASSERT_TRUE(MakeFolders(mResources + "/folder.png"));
  EXPECT_EQ(Locate("folder.png", "png", 0), ""); // a folder is no resource
  EXPECT_EQ(Locate("folder.PNG", "PNG", 0), "");
  EXPECT_EQ(Locate("", "png", 0), "unchanged"); // nothing asked: result untouched
  EXPECT_EQ(Locate(nullptr, "png", 0), "unchanged");
}

TEST_F(Paths, SharedLocationIsTheMusicFolder)
{
  const std::string shared = mHome.Path() + "/Music/Vesquin/Resources";
  ASSERT_TRUE(MakeFolders(shared));
  ASSERT_TRUE(WriteFile(shared + "/extra.png", "e"));
  EXPECT_EQ(Locate("extra.png", "png", 1, "Vesquin"), shared + "/extra.png");
  EXPECT_EQ(Locate("extra.png", "png", 0), ""); // no shared sub-folder given
  // A name without a dot is its own extension; a name with nothing before its extension is never looked for.
  ASSERT_TRUE(WriteFile(shared + "/png.png", "n"));
  ASSERT_TRUE(WriteFile(shared + "/.png", "d"));
  EXPECT_EQ(Locate("png", "png", 1, "Vesquin"), shared + "/png.png");
  EXPECT_EQ(Locate(".png", "png", 0, "Vesquin"), "");
}

TEST_F(Paths, AnExistingFileNameIsItsOwnResult)
{
  const std::string file = mHome.Path() + "/plain";
  ASSERT_TRUE(WriteFile(file, "p"));
  EXPECT_EQ(Locate(file.c_str(), "png", 1), file);
}

TEST_F(Paths, BundleLookupReportsItsOwnResult)
{
  LibString full("unchanged");
  EXPECT_TRUE(GetResourcePathFromBundle("knob.png", "png", full, kBundleID));
  EXPECT_EQ(std::string(full.Get()), mResources + "/knob.png");
  EXPECT_FALSE(GetResourcePathFromBundle("knob.png", "png", full, "com.example.none"));
  EXPECT_STREQ(full.Get(), "");
  full.Set("unchanged");
  EXPECT_FALSE(GetResourcePathFromSharedLocation("knob.png", "png", full, "Nothing"));
  EXPECT_STREQ(full.Get(), "");
}

// Only a regular file up to the bound is read, whole: one byte more, a folder, a FIFO, a device or a missing file
// leave the text as it was. An interrupted read is tried again; a file that grows while it is read (as those under
// /proc do) is followed up to the bound.
TEST_F(Paths, RegularFilesAreReadWholeUpToTheirBound)
{
  const std::string file = mHome.Path() + "/five";
  ASSERT_TRUE(WriteFile(file, "12345"));
  std::string text = "before";
  EXPECT_FALSE(ReadRegularFile(file.c_str(), 4, text));
  EXPECT_EQ(text, "before");
  errno = EINTR; // left over from an earlier interrupted call
  EXPECT_TRUE(ReadRegularFile(file.c_str(), 5, text));
  EXPECT_EQ(text, "12345");
  gReadFaults = {2, 20}; // interrupted reads are tried again, and the read ends at the end of the file
  text.clear();
  EXPECT_TRUE(ReadRegularFile(file.c_str(), 5, text));
  EXPECT_EQ(text, "12345");
  EXPECT_EQ(gReadFaults.interrupted, 0);
  gReadFaults = {};
  ASSERT_TRUE(WriteFile(file, ""));
  EXPECT_TRUE(ReadRegularFile(file.c_str(), 5, text));
  EXPECT_EQ(text, "");
  const std::string fifo = mHome.Path() + "/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  text = "kept";
  for (const std::string& path : {fifo, mHome.Path(), mHome.Path() + "/missing", std::string("/dev/null")})
    EXPECT_FALSE(ReadRegularFile(path.c_str(), 100, text)) << path;
  EXPECT_FALSE(ReadRegularFile(nullptr, 100, text));
  EXPECT_EQ(text, "kept");
  EXPECT_TRUE(ReadRegularFile("/proc/self/status", 1 << 20, text));
  EXPECT_EQ(text.rfind("Name:", 0), 0u);
  EXPECT_GT(text.size(), 200u);
  for (size_t bound : {size_t(64), size_t(100)})
    EXPECT_FALSE(ReadRegularFile("/proc/self/status", bound, text)) << bound;
}

// A file is replaced whole, keeping a regular file's permissions (a new one gets 0644); a failed write leaves
// the old file and no other file behind.
TEST_F(Paths, FilesAreReplacedWholeOrNotAtAll)
{
  const std::string folder = mHome.Path() + "/out";
  ASSERT_TRUE(MakeFolders(folder));
  const std::string file = folder + "/state";
  auto writing = [](const char* text) {
    return [text](std::FILE* f) { return std::fputs(text, f) >= 0; };
  };
  ASSERT_TRUE(ReplaceFile(file.c_str(), writing("first")));
  struct stat st;
  ASSERT_EQ(stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u);
  ASSERT_EQ(chmod(file.c_str(), 0600), 0);
  ASSERT_TRUE(ReplaceFile(file.c_str(), writing("second")));
  EXPECT_EQ(ReadFile(file), "second");
  ASSERT_EQ(stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  EXPECT_FALSE(ReplaceFile(file.c_str(), [](std::FILE* f) { return std::fputs("half", f) < 0; }));
  EXPECT_EQ(ReadFile(file), "second");
  // A host running without standard input has the lowest file number free for the new file; it serves as any.
  const int input = dup(0);
  ASSERT_GE(input, 0);
  close(0);
  const bool replaced = ReplaceFile(file.c_str(), writing("third"));
  dup2(input, 0);
  close(input);
  EXPECT_TRUE(replaced);
  EXPECT_EQ(ReadFile(file), "third");
  EXPECT_FALSE(ReplaceFile("", writing("x")));
  EXPECT_FALSE(ReplaceFile(nullptr, writing("x")));
  EXPECT_FALSE(ReplaceFile(file.c_str(), nullptr));
  EXPECT_FALSE(ReplaceFile((folder + "/missing/state").c_str(), writing("x")));
  int entries = 0;
  if (DIR* dir = opendir(folder.c_str()))
  {
    while (const dirent* entry = readdir(dir))
      entries += entry->d_name[0] != '.';
    closedir(dir);
  }
  EXPECT_EQ(entries, 1);
}
