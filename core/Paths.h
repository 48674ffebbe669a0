// Where things are: the plug-in's bundle and its resources, the user's standard folders, and the file behind a
// resource name that the editor asks for (a bitmap, an SVG image, a font). Each function fills a string given by
// the caller; they answer from the folder and bundle services of the platform stand-in.
#pragma once

#include "core/LibString.h"

namespace plug {

/// The executable of the bundle with this identifier; `path` unchanged when there is no such bundle. [any thread]
void BundleExecutablePath(LibString& path, const char* bundleID);
/// The folder that holds the bundle, with a final "/"; unchanged when there is no such bundle. [any thread]
void BundleFolderPath(LibString& path, const char* bundleID);
/// The bundle's resource folder; "" when there is no such bundle. [any thread]
void BundleResourcePath(LibString& path, const char* bundleID);

void DesktopPath(LibString& path);  // [any thread]
void UserHomePath(LibString& path); // [any thread]
void MusicPath(LibString& path);    // [any thread]
/// "<Library>/Audio/Presets/<maker>/<plug-in>/" of the user's Library folder, or the local one when `system`.
void PresetFolderPath(LibString& path, const char* makerName, const char* pluginName, bool system);
/// The user's application-support folder + "/" + `folderName`.
void NamedAppSupportPath(LibString& path, const char* folderName);
/// The application-support folder of the user, or of the system when `system`.
void AppSupportPath(LibString& path, bool system = false);
/// Whether the home folder lies inside an application container.
bool IsSandboxedHost();

/// The bundle resource for `fileName` when its extension is `ext` (case ignored): first by its base name, then by
/// the whole name without extension (keeping sub-folders). `fullPath` is the file, or "" with false.
bool GetResourcePathFromBundle(const char* fileName, const char* ext, LibString& fullPath, const char* bundleID);
/// <Music>/<sharedSubfolder>/Resources/<base name>.<ext> when that file exists; else "" with false.
bool GetResourcePathFromSharedLocation(const char* fileName, const char* ext, LibString& fullPath,
                                       const char* sharedSubfolder);
/// The bundle first, then the shared location, then `fileName` itself as a path. 1 found (`result` is the file),
/// 0 not found. [main thread]
int LocateResourceFile(const char* fileName, const char* ext, LibString& result, const char* bundleID,
                       void* unused, const char* sharedSubfolder);

} // namespace plug
