// Loading a preset file while memory runs out: every allocation above 1 MB fails, so a preset file of the largest
// size read (1 MB) cannot be held. Its load is refused, nothing changes and no file is left open; a slightly smaller
// copy of the same preset loads.
#include "engine_support.h"
#include "refuse_large_allocations.h"
#include "this_process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

TEST(PresetReadFailure, AFileThatCannotBeHeldIsRefusedAndChangesNothing)
{
  char tmpl[] = "/tmp/drovik-preset-memory-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string dir = tmpl, path = dir + "/Large.vqp";

  auto a = enginetest::Make();
  enginetest::Set(*a, {{kInputTrim, -1.5}});
  ASSERT_TRUE(a->SavePresetFile(path.c_str()));
  std::string text;
  {
    std::ifstream in(path, std::ios::binary);
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  ASSERT_LT(text.size(), size_t(4096));
  const auto padTo = [&](size_t bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text << std::string(bytes - text.size(), '\n');
  };

  auto b = enginetest::Make();
  const double before = b->GetParam(kInputTrim)->Value();
  padTo(testsupport::kLargestAllocation);
  const int open = testsupport::OpenDescriptors();
  EXPECT_FALSE(b->LoadPresetFile(path.c_str()));
  EXPECT_EQ(b->GetParam(kInputTrim)->Value(), before);
  EXPECT_EQ(testsupport::OpenDescriptors(), open);

  padTo(testsupport::kLargestAllocation - 64);
  EXPECT_TRUE(b->LoadPresetFile(path.c_str()));
  EXPECT_DOUBLE_EQ(b->GetParam(kInputTrim)->Value(), -1.5);
  fs::remove_all(dir);
}

} // namespace
