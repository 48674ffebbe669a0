// The built bundle names the same identifier as the plug-in's configuration, so the bundle service finds the
// plug-in's resources under that identifier.
#include <string>

#include <gtest/gtest.h>

#include "effect/Drovik.h"
#include "temp_home.h"

TEST(BundleIdentity, InfoFileNamesTheConfiguredIdentifier)
{
  const std::string plist = testsupport::ReadFile(DROVIK_BUNDLE_DIR "/Contents/Info.plist");
  const std::string expected =
    std::string("<key>CFBundleIdentifier</key>\n  <string>") + Drovik::kBundleID + "</string>";
  EXPECT_NE(plist.find(expected), std::string::npos) << plist;
}
