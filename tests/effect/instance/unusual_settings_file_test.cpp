// A settings file that is not a plain file must not hold up the instance: a FIFO or a link to a device is
// skipped, and a zero byte inside a line does not hide the line after it.
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "drovik_instance.h"
#include "temp_home.h"

TEST(SpecialSettingsFile, SkippedOrReadLineByLine)
{
  constexpr int kFlagsWithEditor = 0x1039, kFlagsWithoutEditor = 0x1038;
  testsupport::TemporaryHome home;
  drovik_test::RecordingHost host;
  const std::string folder = home.Path() + "/.local/share/Drovik", settings = folder + "/plugin.ini";
  ASSERT_TRUE(testsupport::MakeFolders(folder));
  auto flags = [&] { return drovik_test::Instance(host).Effect()->flags; };

  ASSERT_EQ(mkfifo(settings.c_str(), 0600), 0);
  EXPECT_EQ(flags(), kFlagsWithEditor); // a read of the FIFO would block for ever
  ASSERT_EQ(unlink(settings.c_str()), 0);
  ASSERT_EQ(symlink("/dev/zero", settings.c_str()), 0);
  EXPECT_EQ(flags(), kFlagsWithEditor);
  ASSERT_EQ(unlink(settings.c_str()), 0);
  ASSERT_TRUE(testsupport::WriteFile(settings, std::string("HasUI=1\0junk\nHasUI=0\n", 21)));
  EXPECT_EQ(flags(), kFlagsWithoutEditor);
}
