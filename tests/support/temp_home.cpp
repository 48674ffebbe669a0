#include "temp_home.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace testsupport {
namespace {

const char* const kXdgVariables[] = {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"};

std::string MakeTemporaryFolder()
{
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && base[0] ? base : "/tmp") + "/drovik-test-XXXXXX";
  if (!mkdtemp(pattern.data()))
    std::abort();
  return pattern;
}

} // namespace

TemporaryHome::TemporaryHome() : mPath(MakeTemporaryFolder())
{
  const char* home = std::getenv("HOME");
  mHadHome = home != nullptr;
  if (home)
    mOldHome = home;
  setenv("HOME", mPath.c_str(), 1);
  for (const char* name : kXdgVariables)
    unsetenv(name);
}

TemporaryHome::~TemporaryHome()
{
  if (mHadHome)
    setenv("HOME", mOldHome.c_str(), 1);
  else
    unsetenv("HOME");
  std::error_code ignored;
  std::filesystem::remove_all(mPath, ignored);
}

TemporaryFolder::TemporaryFolder() : mPath(MakeTemporaryFolder()) {}

TemporaryFolder::~TemporaryFolder()
{
  std::error_code ignored;
  std::filesystem::remove_all(mPath, ignored);
}

bool WriteFile(const std::string& path, const std::string& bytes)
{
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

std::string ReadFile(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool MakeFolders(const std::string& path)
{
  std::error_code error;
  std::filesystem::create_directories(path, error);
  return !error;
}

} // namespace testsupport
