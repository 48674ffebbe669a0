// The effect's data folders and settings file, seen from a fresh home: both folders are made for the user alone
// whatever the file-creation mask, and "HasUI" in plugin.ini switches the editor off by the exact line rule.
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "drovik_instance.h"
#include "effect/Drovik.h"
#include "effect/IMPlugPaths.h"
#include "temp_home.h"

using drovik_test::Instance;
using drovik_test::RecordingHost;
using testsupport::MakeFolders;
using testsupport::TemporaryHome;
using testsupport::WriteFile;

namespace {

constexpr int kFlagsWithEditor = 0x1039;
constexpr int kFlagsWithoutEditor = 0x1038;

mode_t ModeOf(const std::string& path)
{
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

class Settings : public ::testing::Test
{
protected:
  std::string DataFolder() const { return mHome.Path() + "/.local/share/Drovik"; }
  void WriteSettings(const std::string& text)
  {
    ASSERT_TRUE(MakeFolders(DataFolder()));
    ASSERT_TRUE(WriteFile(DataFolder() + "/plugin.ini", text));
  }
  /// The record's flags right after the entry returned, and after a first request.
  std::pair<int, int> Flags()
  {
    Instance instance(mHost);
    const int atEntry = instance.Effect()->flags;
    instance.Dispatch(vst2::effGetVstVersion);
    return {atEntry, instance.Effect()->flags};
  }

  TemporaryHome mHome;
  RecordingHost mHost;
};

} // namespace

TEST_F(Settings, FreshHomeGetsBothFoldersForTheUserAloneWhateverTheCreationMask)
{
  for (const mode_t mask : {mode_t(0), mode_t(022), mode_t(0277)})
  {
    std::filesystem::remove_all(DataFolder());
    const mode_t previous = umask(mask);
    {
      Instance instance(mHost);
      ASSERT_TRUE(instance.Effect());
    }
    umask(previous);
    EXPECT_EQ(ModeOf(DataFolder()), 0700u) << "mask " << mask;
    EXPECT_EQ(ModeOf(DataFolder() + "/VST2"), 0700u) << "mask " << mask;
  }
}

// A host started without standard input: the folders are opened as descriptor 0 and closed to others all the same.
TEST_F(Settings, FoldersOpenToOthersAreClosedWithoutStandardInput)
{
  ASSERT_TRUE(MakeFolders(DataFolder() + "/VST2"));
  for (const std::string& folder : {DataFolder(), DataFolder() + "/VST2"})
    ASSERT_EQ(chmod(folder.c_str(), 0777), 0);
  const int input = dup(0);
  ASSERT_GE(input, 0);
  close(0);
  IMPlugPaths().CreateDataFolders();
  dup2(input, 0);
  close(input);
  EXPECT_EQ(ModeOf(DataFolder()), 0700u);
  EXPECT_EQ(ModeOf(DataFolder() + "/VST2"), 0700u);
}

TEST_F(Settings, ExistingFoldersAreLeftAsTheyAre)
{
  ASSERT_TRUE(MakeFolders(DataFolder() + "/VST2"));
  chmod(DataFolder().c_str(), 0750);
  Instance instance(mHost);
  EXPECT_EQ(ModeOf(DataFolder()), 0750u);
}

TEST_F(Settings, WithoutASettingsFileTheEditorStays)
{
  EXPECT_EQ(Flags(), std::make_pair(kFlagsWithEditor, kFlagsWithEditor));
}

TEST_F(Settings, HasUILineRule)
{
  const struct
  {
    const char* file;
    bool editor;
  } cases[] = {
    {"HasUI=0\n", false},
    {"HasUI= 0\n", false},          // blanks after "=" are allowed
    {"HasUI=0", false},             // no final newline
    {"HasUI=0 # no editor\n", false},
    {" HasUI=0\n", true},           // blank before the key
    {"HasUI =0\n", true},           // blank before "="
    {"hasui=0\n", true},            // the key is matched exactly
    {"HasUI=\n", true},             // no number
    {"HasUI=1\n", true},
    {"HasUI=2\n", true},
    {"[GUI]\n; comment\nHasUI=0\n", false},   // sections and comments do nothing
    {"HasUI=0\nHasUI=1\n", true},   // the last matching line wins
    {"HasUI=1\nHasUI=0\n", false},
    {"HasUI=0\nHasUI =1\n", false}, // a line that does not match changes nothing
    {"HasUIX=0\n", true},
    {"HasUI=-0\n", false},
    {"HasUI=+0\n", false},
    {"HasUI=4294967296\n", true},            // numbers outside the int range are held at its ends, never wrap
    {"HasUI=-4294967296\n", true},
    {"HasUI=18446744073709551616\n", true},
    {"HasUI=-18446744073709551616\n", true},
  };
  for (const auto& c : cases)
  {
    WriteSettings(c.file);
    const int expected = c.editor ? kFlagsWithEditor : kFlagsWithoutEditor;
    EXPECT_EQ(Flags(), std::make_pair(expected, expected)) << '"' << c.file << '"';
  }
}

TEST_F(Settings, LinesLongerThanTheReadBufferAreSafe)
{
  // A line of 2047 characters ending in "HasUI=0": the part after the read buffer is not a line of its own.
  std::string longLine(2047, 'x');
  WriteSettings(longLine + "HasUI=0\n");
  EXPECT_EQ(Flags().first, kFlagsWithEditor);
  WriteSettings(std::string(100000, 'y') + "\nHasUI=0\n" + std::string(5000, 'z'));
  EXPECT_EQ(Flags().first, kFlagsWithoutEditor);
  // Only the first 2047 characters of a line are read: a digit as the 2047th counts, one after it does not.
  const std::string zeros = "HasUI=" + std::string(2040, '0');
  WriteSettings(zeros + "1\n");
  EXPECT_EQ(Flags().first, kFlagsWithEditor);
  WriteSettings(zeros + "01\n");
  EXPECT_EQ(Flags().first, kFlagsWithoutEditor);
}

TEST_F(Settings, WithoutEditorTheHostIsRefusedTheEditor)
{
  WriteSettings("HasUI=0\n");
  Instance instance(mHost);
  void* rect = nullptr;
  EXPECT_EQ(instance.Dispatch(vst2::effEditGetRect, 0, 0, &rect), 0);
}
