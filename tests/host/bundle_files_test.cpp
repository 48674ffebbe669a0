// The plug-in's files as a host's user meets them through the loaded bundle: the data folders it keeps for
// the user alone, and the default preset it reads when an instance is made.
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "loaded_bundle.h"
#include "temp_home.h"
#include "user_preset_file.h"

using hosttest::Instance;

namespace {

unsigned ModeOf(const std::string& path)
{
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? unsigned(info.st_mode & 07777) : 0xffffffffu;
}

// Folders an earlier build left open to everyone are closed to others when an instance is made; a folder that
// belongs to someone else, and the folders above the plug-in's own, are left as they are.
TEST(BundleFiles, DataFoldersOpenToOthersAreClosedToThem)
{
  testsupport::TemporaryHome home;
  const std::string share = home.Path() + "/.local/share", product = share + "/Drovik", vst2 = product + "/VST2";
  ASSERT_TRUE(testsupport::MakeFolders(vst2));
  for (const std::string& folder : {share, product, vst2})
    ASSERT_EQ(chmod(folder.c_str(), 0777), 0);
  {
    Instance p;
    ASSERT_NE(p.Get(), nullptr);
  }
  EXPECT_EQ(ModeOf(product), 0700u);
  EXPECT_EQ(ModeOf(vst2), 0700u);
  EXPECT_EQ(ModeOf(share), 0777u);

  ASSERT_EQ(chmod(vst2.c_str(), 0705), 0);
  if (geteuid() == 0) // only root can hand a folder to another user
  {
    ASSERT_EQ(chown(product.c_str(), 4242, 4242), 0);
    ASSERT_EQ(chmod(product.c_str(), 0777), 0);
  }
  {
    Instance p;
  }
  EXPECT_EQ(ModeOf(vst2), 0700u);
  if (geteuid() == 0)
  {
    EXPECT_EQ(ModeOf(product), 0777u);
  }
}

// The default preset is read while the host makes an instance: one with very many attributes is refused at once,
// and the instance starts from the defaults.
TEST(BundleFiles, ADefaultPresetWithVeryManyAttributesIsRefusedAtOnce)
{
  testsupport::TemporaryHome home;
  const std::string folder = home.Path() + "/.local/share/Drovik/VST2";
  ASSERT_TRUE(testsupport::MakeFolders(folder));
  std::vector<float> defaults;
  std::string defaultName;
  {
    Instance p;
    defaults = p.AllParams();
    defaultName = p.Text(vst2::effGetProgramName);
  }
  ASSERT_TRUE(testsupport::WriteFile(folder + "/default.vqp", testsupport::UserPresetText("Fine")));
  ASSERT_EQ(Instance().Text(vst2::effGetProgramName), "Fine") << "a valid default preset is read";
  for (const auto& [what, text] : testsupport::UserPresetTextsWithVeryManyAttributes())
  {
    ASSERT_TRUE(testsupport::WriteFile(folder + "/default.vqp", text));
    Instance p;
    EXPECT_EQ(p.AllParams(), defaults) << what;
    EXPECT_EQ(p.Text(vst2::effGetProgramName), defaultName) << what;
  }
}

} // namespace
