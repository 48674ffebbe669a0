// Preset names as the preset menu shows them: long names keep their start and end around " ... "; names from
// files are made fit for a menu, and checked before one names a file.
#pragma once

#include <string>

/// The name unchanged when limit < 7 or the name has fewer than limit characters; otherwise, with h = limit / 2
/// and t = limit - h, its first h - 2 characters, " ... " and its last t - 3 characters (limit characters in
/// all). Characters are UTF-8 sequences, never cut; a byte that starts no valid sequence counts as one character.
/// [any thread]
std::string ShortenPresetName(const std::string& name, int limit);

/// The name fit to be shown, as the host is told it too (plug::ReadableName). [any thread]
std::string MenuName(const std::string& name);

/// Whether a file name may be built from the name: not empty and without "/", ".." or control characters.
/// [any thread]
bool UsableAsFileName(const std::string& name);
