// Preset names as the preset menu shows them: long names keep their start and end around " ... ".
#pragma once

#include <string>

/// The name unchanged when limit < 7 or the name has fewer than limit characters; otherwise, with h = limit / 2
/// and t = limit - h, its first h - 2 characters, " ... " and its last t - 3 characters (limit characters in
/// all). Characters are UTF-8 sequences, never cut; a byte that starts no valid sequence counts as one character.
/// [any thread]
std::string ShortenPresetName(const std::string& name, int limit);
