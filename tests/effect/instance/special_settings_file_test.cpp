// A settings file that is not a plain file must not hold up the instance: a FIFO or a link to a device is
// skipped, and a zero byte inside a line does not hide the line after it.
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "drovik_instance.h"
#include "temp_home.h"

using drovik_test::Instance;
using drovik_test::RecordingHost;

namespace {

constexpr int kFlagsWithEditor = 0x1039;
constexpr int kFlagsWithoutEditor = 0x1038;

class SpecialSettingsFile : public ::testing::Test
{
protected:
  std::string Settings() const { return mHome.Path() + "/.local/share/Drovik/plugin.ini"; }
  void SetUp() override { ASSERT_TRUE(testsupport::MakeFolders(mHome.Path() + "/.local/share/Drovik")); }
  int Flags()
  {
    Instance instance(mHost);
    return instance.Effect() ? instance.Effect()->flags : -1;
  }

  testsupport::TemporaryHome mHome;
  RecordingHost mHost;
};

} // namespace

TEST_F(SpecialSettingsFile, AFifoOrADeviceIsSkipped)
{
  ASSERT_EQ(mkfifo(Settings().c_str(), 0600), 0);
  EXPECT_EQ(Flags(), kFlagsWithEditor); // a read of the FIFO would block for ever
  ASSERT_EQ(unlink(Settings().c_str()), 0);
  ASSERT_EQ(symlink("/dev/zero", Settings().c_str()), 0);
  EXPECT_EQ(Flags(), kFlagsWithEditor);
}

TEST_F(SpecialSettingsFile, AZeroByteDoesNotHideTheNextLine)
{
  ASSERT_TRUE(testsupport::WriteFile(Settings(), std::string("HasUI=1\0junk\nHasUI=0\n", 21)));
  EXPECT_EQ(Flags(), kFlagsWithoutEditor);
}
