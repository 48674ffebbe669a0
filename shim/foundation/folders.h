// The standard folders. Kinds and domains keep the numbers the framework asks with; on Linux they map onto the
// XDG base-directory and user-directory conventions:
//   user domain:   Library, Application Support -> $XDG_DATA_HOME (default ~/.local/share), created when missing;
//                  Desktop, Music -> XDG_DESKTOP_DIR, XDG_MUSIC_DIR of $XDG_CONFIG_HOME/user-dirs.dirs
//                  (default ~/Desktop, ~/Music)
//   local domain:  Library, Application Support -> /usr/local/share
//   system domain: Library, Application Support -> /usr/share
// Everything follows HOME and the XDG variables, read at each call.
#pragma once

#include <string>
#include <vector>

namespace foundation {

enum FolderKind : int
{
  kLibraryFolder = 5,
  kDesktopFolder = 12,
  kApplicationSupportFolder = 14,
  kMusicFolder = 18,
};

enum DomainMask : unsigned
{
  kUserDomain = 1,
  kLocalDomain = 2,
  kSystemDomain = 8,
};

/// The user's home folder: $HOME, else the account's home from the password database. [any thread]
std::string HomeDirectory();

/// The folders of `kind` in each domain of `domains`, user first, then local, then system; none for a kind the
/// domain has not got. [any thread]
std::vector<std::string> SearchPathForDirectoriesInDomains(int kind, unsigned domains);

/// True when something (file or folder) exists at `path`. [any thread]
bool FileExists(const std::string& path);

/// True when `path` is a folder. [any thread]
bool DirectoryExists(const std::string& path);

} // namespace foundation
