// The bundle: the folder a plug-in is installed as, Name.vst/Contents/x86_64-linux/Name.so with its resources in
// Name.vst/Contents/Resources and its identifier in Name.vst/Contents/Info.plist (CFBundleIdentifier). Our own
// module finds its bundle with dladdr; tests may register a bundle tree of their own under an identifier.
#pragma once

#include <memory>
#include <string>

namespace foundation {

class Bundle
{
public:
  /// The bundle with this identifier: a registered one, else the bundle our module lies in when its identifier
  /// matches; null when there is none. [any thread]
  static std::shared_ptr<const Bundle> WithIdentifier(const std::string& identifier);

  /// The bundle our module lies in; null when the module is not inside a bundle. [any thread]
  static std::shared_ptr<const Bundle> Module();

  /// Makes the bundle folder `bundlePath` known under `identifier` (replacing an earlier registration). The
  /// executable is taken to be Contents/x86_64-linux/<bundle name>.so. [any thread]
  static void Register(const std::string& identifier, const std::string& bundlePath);
  static void Unregister(const std::string& identifier);

  Bundle(std::string identifier, std::string bundlePath, std::string executablePath);

  const std::string& Identifier() const { return mIdentifier; }
  /// The bundle folder itself (…/Name.vst).
  const std::string& BundlePath() const { return mBundlePath; }
  const std::string& ExecutablePath() const { return mExecutablePath; }
  /// …/Name.vst/Contents/Resources
  std::string ResourcePath() const;

  /// The path of the resource `name` of type `type` (an extension without the dot; may be empty) below the
  /// resource folder; `name` may hold sub-folders. A file whose extension differs from `type` only in case is
  /// found too. "" when there is no such file.
  std::string PathForResource(const std::string& name, const std::string& type) const;

private:
  std::string mIdentifier;
  std::string mBundlePath;
  std::string mExecutablePath;
};

/// The folder part of a path ("/a/b/c" -> "/a/b"; "c" -> ""; "/c" -> "/").
std::string DirectoryOf(const std::string& path);
/// The last component of a path.
std::string LastComponent(const std::string& path);

} // namespace foundation
