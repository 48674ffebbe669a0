// Names fit to be shown to a user: what the editor's menus show and what the host is told are the same text.
#pragma once

#include <string>

namespace plug {

/// The name fit to be shown: control characters (C0, DEL and C1) and the marks that reorder text (bidirectional
/// embeddings, overrides and isolates) become spaces, and each byte that starts no valid UTF-8 sequence (overlong
/// forms, surrogates and code points above U+10FFFF included) becomes U+FFFD. [any thread]
std::string ReadableName(const std::string& name);

/// Copies the readable form of name into a host buffer of size bytes, always terminated; a cut never splits a
/// character. [any thread]
void CopyReadableName(char* buffer, int size, const char* name);

} // namespace plug
