// The bundle service: a module finds its own bundle, and resources are found below Contents/Resources by name
// and type, with the type's case ignored.
#include <dlfcn.h>

#include <gtest/gtest.h>

#include "foundation/bundle.h"
#include "temp_home.h"

using foundation::Bundle;
using testsupport::MakeFolders;
using testsupport::WriteFile;

namespace {

class BundleTree : public ::testing::Test
{
protected:
  void SetUp() override
  {
    mRoot = mFolder.Path() + "/plugins/Knobs.vst";
    const std::string res = mRoot + "/Contents/Resources";
    ASSERT_TRUE(MakeFolders(res + "/images"));
    ASSERT_TRUE(WriteFile(res + "/knob.png", "k"));
    ASSERT_TRUE(WriteFile(res + "/images/slider.png", "s"));
    ASSERT_TRUE(WriteFile(res + "/Font.TTF", "f"));
    Bundle::Register("com.example.knobs", mRoot);
  }
  void TearDown() override { Bundle::Unregister("com.example.knobs"); }

  testsupport::TemporaryFolder mFolder;
  std::string mRoot;
};

} // namespace

TEST_F(BundleTree, AnswersItsFoldersAndExecutable)
{
  auto bundle = Bundle::WithIdentifier("com.example.knobs");
  ASSERT_TRUE(bundle);
  EXPECT_EQ(bundle->BundlePath(), mRoot);
  EXPECT_EQ(bundle->ResourcePath(), mRoot + "/Contents/Resources");
  EXPECT_EQ(bundle->ExecutablePath(), mRoot + "/Contents/x86_64-linux/Knobs.so");
}

TEST_F(BundleTree, UnknownIdentifierHasNoBundle)
{
  EXPECT_FALSE(Bundle::WithIdentifier("com.example.other"));
  EXPECT_FALSE(Bundle::WithIdentifier(""));
}

TEST_F(BundleTree, FindsResourcesByNameAndTypeIgnoringOnlyTheTypesCase)
{
  const std::string res = mRoot + "/Contents/Resources";
  ASSERT_TRUE(MakeFolders(res + "/dial.PNG")); // a folder is no resource
  auto bundle = Bundle::WithIdentifier("com.example.knobs");
  ASSERT_TRUE(bundle);
  const struct
  {
    const char *name, *type, *found;
  } cases[] = {{"knob", "png", "/knob.png"},   {"knob", "PNG", "/knob.png"},   {"Font", "ttf", "/Font.TTF"},
               {"font", "ttf", ""},            {"kno", "png", ""},             {"knob", "pn", ""},
               {"images/slider", "Png", "/images/slider.png"},                 {"slider", "png", ""},
               {"knob.png", "", "/knob.png"},  {"knob", "", ""},               {"", "png", ""},
               {"images", "", ""},             {"dial", "png", ""},            {"none/knob", "png", ""}};
  for (const auto& c : cases)
    EXPECT_EQ(bundle->PathForResource(c.name, c.type), c.found[0] ? res + c.found : "") << c.name << "." << c.type;
}

TEST(Bundle, PathsTakenApart)
{
  const struct
  {
    const char *path, *folder, *last;
  } cases[] = {{"/a/b/c", "/a/b", "c"}, {"c", "", "c"}, {"/c", "/", "c"}, {"a/", "a", ""}, {"", "", ""}};
  for (const auto& c : cases)
  {
    EXPECT_EQ(foundation::DirectoryOf(c.path), c.folder) << c.path;
    EXPECT_EQ(foundation::LastComponent(c.path), c.last) << c.path;
  }
}

TEST(Bundle, TestProgramIsNotInsideABundle)
{
  EXPECT_FALSE(Bundle::Module());
}

TEST(Bundle, ModuleFindsItsOwnBundleAndIdentifier)
{
  void* module = dlopen(PROBE_MODULE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_TRUE(module) << dlerror();
  using ProbeFn = int (*)(char*, char*, int);
  auto probe = reinterpret_cast<ProbeFn>(dlsym(module, "ProbeBundle"));
  ASSERT_TRUE(probe);
  char identifier[1024] = {};
  char resource[1024] = {};
  ASSERT_EQ(probe(identifier, resource, 1024), 1);
  EXPECT_STREQ(identifier, "com.example.probe");
  char expected[4096];
  ASSERT_TRUE(realpath(PROBE_BUNDLE "/Contents/Resources/probe.txt", expected));
  EXPECT_STREQ(resource, expected);
  dlclose(module);
}
