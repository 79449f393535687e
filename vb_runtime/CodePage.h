// Conversion between the bytes of files in an ANSI code page and Text, and
// between Text and UTF-8 (command line, terminal, POSIX file names).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "vb_runtime/Text.h"

namespace vb {

/// The code page that file contents are read and written in: the system's ANSI
/// code page on Windows, Windows-1252 elsewhere, unless SetAnsiCodePage chose another.
int32_t AnsiCodePage();

/// Chooses the code page for file contents. Throws VbError 5 when the code
/// page is not available on this system.
void SetAnsiCodePage(int32_t codePage);

/// Bytes in `codePage` to Text. Windows-1252 maps every byte value and round
/// trips exactly; in any other code page a byte sequence that is not valid
/// throws VbError 5 naming the byte and its offset (`context` names the file).
Text Decode(std::string_view bytes, int32_t codePage, const std::string& context = {});

/// Text to bytes in `codePage`; a character the code page cannot hold
/// becomes "?", as the system's conversion does.
std::string Encode(TextView text, int32_t codePage);

inline Text DecodeAnsi(std::string_view bytes, const std::string& context = {}) {
    return Decode(bytes, AnsiCodePage(), context);
}
inline std::string EncodeAnsi(TextView text) { return Encode(text, AnsiCodePage()); }

/// UTF-8 to Text; malformed sequences become U+FFFD.
Text FromUtf8(std::string_view utf8);
/// Text to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(TextView text);

}  // namespace vb
