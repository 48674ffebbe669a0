// A fresh, empty home folder for the length of a test: HOME points at it and the XDG variables are cleared, so
// whatever the code under test makes in the user's folders lands there and is removed afterwards.
#pragma once

#include <string>

namespace testsupport {

class TemporaryHome
{
public:
  TemporaryHome();
  ~TemporaryHome();
  TemporaryHome(const TemporaryHome&) = delete;
  TemporaryHome& operator=(const TemporaryHome&) = delete;

  const std::string& Path() const { return mPath; }

private:
  std::string mPath;
  std::string mOldHome;
  bool mHadHome;
};

/// A fresh empty folder, removed with everything in it when the object goes.
class TemporaryFolder
{
public:
  TemporaryFolder();
  ~TemporaryFolder();
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  const std::string& Path() const { return mPath; }

private:
  std::string mPath;
};

/// Writes `bytes` to `path` (making no folders); true on success.
bool WriteFile(const std::string& path, const std::string& bytes);
/// The whole content of a file; "" when it cannot be read.
std::string ReadFile(const std::string& path);
/// Makes `path` and the folders above it.
bool MakeFolders(const std::string& path);

} // namespace testsupport
