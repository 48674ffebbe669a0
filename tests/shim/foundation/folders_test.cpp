// The folder service: where each folder kind lies in each domain, how HOME and the XDG variables move the user's
// folders, and that the user's data folder is made on a fresh account.
#include <cstdlib>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "foundation/folders.h"
#include "temp_home.h"

using namespace foundation;
using testsupport::TemporaryHome;
using testsupport::WriteFile;

namespace {

std::string First(int kind, unsigned domains)
{
  const auto paths = SearchPathForDirectoriesInDomains(kind, domains);
  return paths.empty() ? std::string("<none>") : paths.front();
}

} // namespace

TEST(Folders, HomeFollowsTheEnvironment)
{
  TemporaryHome home;
  EXPECT_EQ(HomeDirectory(), home.Path());
  setenv("HOME", "", 1); // an empty HOME is none: the account's home from the password database
  const std::string account = HomeDirectory();
  ASSERT_FALSE(account.empty());
  EXPECT_EQ(account[0], '/');
  unsetenv("HOME");
  EXPECT_EQ(HomeDirectory(), account);
}

TEST(Folders, UserDataFolderIsMadeOnAFreshAccount)
{
  TemporaryHome home;
  const std::string data = home.Path() + "/.local/share";
  ASSERT_FALSE(DirectoryExists(data));
  EXPECT_EQ(First(kApplicationSupportFolder, kUserDomain), data);
  EXPECT_TRUE(DirectoryExists(data));
  struct stat info;
  ASSERT_EQ(stat(data.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  EXPECT_EQ(First(kLibraryFolder, kUserDomain), data);
}

TEST(Folders, XdgDataHomeMovesTheUserDataFolderWhenAbsolute)
{
  TemporaryHome home;
  setenv("XDG_DATA_HOME", (home.Path() + "/data/here").c_str(), 1);
  EXPECT_EQ(First(kApplicationSupportFolder, kUserDomain), home.Path() + "/data/here");
  EXPECT_TRUE(DirectoryExists(home.Path() + "/data/here"));
  setenv("XDG_DATA_HOME", "relative/data", 1); // ignored, as the conventions say
  EXPECT_EQ(First(kApplicationSupportFolder, kUserDomain), home.Path() + "/.local/share");
}

TEST(Folders, DesktopAndMusicComeFromUserDirsOrDefaults)
{
  TemporaryHome home;
  EXPECT_EQ(First(kDesktopFolder, kUserDomain), home.Path() + "/Desktop");
  EXPECT_EQ(First(kMusicFolder, kUserDomain), home.Path() + "/Music");
  ASSERT_TRUE(testsupport::MakeFolders(home.Path() + "/.config"));
  ASSERT_TRUE(WriteFile(home.Path() + "/.config/user-dirs.dirs",
                        "# written by xdg-user-dirs-update\n"
                        "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
                        "XDG_MUSIC_DIR=\"/srv/music\"\n"));
  EXPECT_EQ(First(kDesktopFolder, kUserDomain), home.Path() + "/Schreibtisch");
  EXPECT_EQ(First(kMusicFolder, kUserDomain), "/srv/music");
}

// Only a line that names an absolute folder, quoted to its end, moves a folder; of several, the last one counts.
TEST(Folders, UserDirsLinesWithoutAnAbsoluteFolderAreIgnored)
{
  TemporaryHome home;
  ASSERT_TRUE(testsupport::MakeFolders(home.Path() + "/.config"));
  ASSERT_TRUE(WriteFile(home.Path() + "/.config/user-dirs.dirs",
                        "XDG_MUSIC_DIR=\"/srv/first\"\n"
                        "XDG_MUSIC_DIR=\"/srv/music\"\n"
                        "XDG_MUSIC_DIR=\"relative/music\"\n"
                        "XDG_MUSIC_DIR=\"\"\n"
                        "XDG_MUSIC_DIR=\"/srv/unfinished\n"
                        "XDG_MUSIC_DIR=/srv/unquoted\n"));
  EXPECT_EQ(First(kMusicFolder, kUserDomain), "/srv/music");
}

TEST(Folders, DomainsAnswerInUserLocalSystemOrder)
{
  TemporaryHome home;
  const auto all = SearchPathForDirectoriesInDomains(kApplicationSupportFolder,
                                                     kUserDomain | kLocalDomain | kSystemDomain);
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[0], home.Path() + "/.local/share");
  EXPECT_EQ(all[1], "/usr/local/share");
  EXPECT_EQ(all[2], "/usr/share");
  EXPECT_EQ(First(kLibraryFolder, kLocalDomain), "/usr/local/share");
  EXPECT_EQ(First(kApplicationSupportFolder, kSystemDomain), "/usr/share");
  EXPECT_EQ(First(kDesktopFolder, kSystemDomain), "<none>");
  EXPECT_EQ(First(kMusicFolder, kLocalDomain), "<none>");
  EXPECT_EQ(First(99, kUserDomain), "<none>");
}

TEST(Folders, ExistenceChecks)
{
  TemporaryHome home;
  ASSERT_TRUE(WriteFile(home.Path() + "/file", "x"));
  EXPECT_TRUE(FileExists(home.Path() + "/file"));
  EXPECT_FALSE(DirectoryExists(home.Path() + "/file"));
  EXPECT_TRUE(FileExists(home.Path()));
  EXPECT_TRUE(DirectoryExists(home.Path()));
  EXPECT_FALSE(FileExists(home.Path() + "/missing"));
  EXPECT_FALSE(FileExists(""));
}
