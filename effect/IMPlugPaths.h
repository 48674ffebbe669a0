// The effect's data folders and its settings file. Each instance keeps its user data in the product folder below
// the user's application-support folder (settings file "plugin.ini" and the user's preset files) and in that
// folder's "VST2" subfolder (the default preset). Both are made at construction, for the user alone.
#pragma once

#include "core/LibString.h"

class IMPlugPaths
{
public:
  explicit IMPlugPaths(void* owner = nullptr) : mOwner(owner) {}

  /// Fills both folder strings and makes the folders that are missing, with mode 0700 whatever the process's
  /// file-creation mask; an existing folder of the user's that every user may use is set to 0700. A folder that
  /// cannot be made is left out silently. [main thread, construction]
  void CreateDataFolders();

  /// The integer of the last line of "plugin.ini" that starts with `key`, "=" and a decimal number (blanks may
  /// follow the "="); `defaultValue` when there is none or no file. Sections are not looked at. Only a regular
  /// file of at most 1 MB is read. [main thread]
  int ReadIniInt(const char* section, const char* key, int defaultValue) const;

  const plug::LibString& DataFolder() const { return mDataFolder; }
  const plug::LibString& VST2DataFolder() const { return mVST2DataFolder; }

protected:
  void* mOwner;
  plug::LibString mDataFolder;
  plug::LibString mVST2DataFolder;
};
