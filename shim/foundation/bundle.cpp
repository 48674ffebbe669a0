#include "foundation/bundle.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fstream>
#include <limits.h>
#include <map>
#include <mutex>
#include <sstream>
#include <stdlib.h>
#include <strings.h>
#include <sys/stat.h>

namespace foundation {
namespace {

constexpr const char* kContents = "Contents";
constexpr const char* kBinaryFolder = "x86_64-linux";
constexpr const char* kResources = "Resources";
constexpr const char* kInfoFile = "Info.plist";
constexpr const char* kIdentifierKey = "<key>CFBundleIdentifier</key>";

std::mutex& RegistryMutex()
{
  static std::mutex mutex;
  return mutex;
}

std::map<std::string, std::shared_ptr<const Bundle>>& Registry()
{
  static std::map<std::string, std::shared_ptr<const Bundle>> bundles;
  return bundles;
}

bool IsRegularFile(const std::string& path)
{
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

/// CFBundleIdentifier's string in the bundle's Info.plist; "" when there is none.
std::string ReadIdentifier(const std::string& bundlePath)
{
  std::ifstream in(bundlePath + "/" + kContents + "/" + kInfoFile);
  if (!in)
    return {};
  std::stringstream text;
  text << in.rdbuf();
  const std::string plist = text.str();
  size_t pos = plist.find(kIdentifierKey);
  if (pos == std::string::npos)
    return {};
  pos = plist.find("<string>", pos);
  const size_t end = pos == std::string::npos ? pos : plist.find("</string>", pos);
  if (end == std::string::npos)
    return {};
  pos += 8;
  return plist.substr(pos, end - pos);
}

std::shared_ptr<const Bundle> LocateModuleBundle()
{
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&LocateModuleBundle), &info) == 0 || !info.dli_fname)
    return nullptr;
  char resolved[PATH_MAX];
  if (!realpath(info.dli_fname, resolved))
    return nullptr;
  const std::string executable = resolved;
  const std::string binaryFolder = DirectoryOf(executable);
  const std::string contents = DirectoryOf(binaryFolder);
  if (LastComponent(binaryFolder) != kBinaryFolder || LastComponent(contents) != kContents)
    return nullptr;
  const std::string bundlePath = DirectoryOf(contents);
  return std::make_shared<const Bundle>(ReadIdentifier(bundlePath), bundlePath, executable);
}

std::string StemOf(const std::string& fileName)
{
  const size_t dot = fileName.rfind('.');
  return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

} // namespace

std::string DirectoryOf(const std::string& path)
{
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos)
    return {};
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string LastComponent(const std::string& path)
{
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::shared_ptr<const Bundle> Bundle::Module()
{
  static const std::shared_ptr<const Bundle> module = LocateModuleBundle();
  return module;
}

std::shared_ptr<const Bundle> Bundle::WithIdentifier(const std::string& identifier)
{
  if (identifier.empty())
    return nullptr;
  {
    std::lock_guard<std::mutex> lock(RegistryMutex());
    auto found = Registry().find(identifier);
    if (found != Registry().end())
      return found->second;
  }
  std::shared_ptr<const Bundle> module = Module();
  return (module && module->Identifier() == identifier) ? module : nullptr;
}

void Bundle::Register(const std::string& identifier, const std::string& bundlePath)
{
  const std::string name = StemOf(LastComponent(bundlePath));
  const std::string executable = bundlePath + "/" + kContents + "/" + kBinaryFolder + "/" + name + ".so";
  std::lock_guard<std::mutex> lock(RegistryMutex());
  Registry()[identifier] = std::make_shared<const Bundle>(identifier, bundlePath, executable);
}

void Bundle::Unregister(const std::string& identifier)
{
  std::lock_guard<std::mutex> lock(RegistryMutex());
  Registry().erase(identifier);
}

Bundle::Bundle(std::string identifier, std::string bundlePath, std::string executablePath)
  : mIdentifier(std::move(identifier)), mBundlePath(std::move(bundlePath)), mExecutablePath(std::move(executablePath))
{
}

std::string Bundle::ResourcePath() const
{
  return mBundlePath + "/" + kContents + "/" + kResources;
}

std::string Bundle::PathForResource(const std::string& name, const std::string& type) const
{
  if (name.empty())
    return {};
  const std::string exact = ResourcePath() + "/" + name + (type.empty() ? "" : "." + type);
  if (IsRegularFile(exact))
    return exact;
  if (type.empty())
    return {};
  // The extension may differ in case (knob.PNG for type png).
  const std::string folder = DirectoryOf(exact);
  const std::string stem = LastComponent(name);
  DIR* dir = opendir(folder.c_str());
  if (!dir)
    return {};
  std::string found;
  while (dirent* entry = readdir(dir))
  {
    const std::string file = entry->d_name;
    const size_t dot = file.rfind('.');
    if (dot == std::string::npos || file.compare(0, dot, stem) != 0 || dot != stem.size())
      continue;
    if (strcasecmp(file.c_str() + dot + 1, type.c_str()) == 0 && IsRegularFile(folder + "/" + file))
    {
      found = folder + "/" + file;
      break;
    }
  }
  closedir(dir);
  return found;
}

} // namespace foundation
