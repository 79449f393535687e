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

/// Chooses the code page for file contents and builds its conversion table.
/// Throws VbError 5 "unknown code page N" when the system does not have the
/// code page, and "code page N is not supported: ..." when its characters
/// can be longer than two bytes or it has shift states (GB18030, EUC-JP,
/// ISO-2022, UTF-7).
void SetAnsiCodePage(int32_t codePage);

/// Bytes in `codePage` to Text, losslessly: Encode(Decode(b)) == b for any
/// bytes b. Windows-1252 maps every byte value to a character. In any other
/// code page, a byte or byte pair the code page leaves undefined, or whose
/// character would not encode back to the same bytes, becomes one escape
/// unit U+DC00+b per byte b, which never equals an ASCII character; a lead
/// byte not followed by a trail byte stands alone, so it never takes a CR
/// or LF with it. Throws VbError 5 only for an unknown or unsupported code
/// page (see SetAnsiCodePage; `context` names the file).
Text Decode(std::string_view bytes, int32_t codePage, const std::string& context = {});

/// Text to bytes in `codePage`: the escapes Decode made go back to their
/// byte (Windows-1252 makes none); a character the code page cannot hold
/// becomes "?", as the system's conversion does. Throws as Decode does.
std::string Encode(TextView text, int32_t codePage);

/// Encode(text, codePage) appended to `out`.
void AppendEncoded(TextView text, int32_t codePage, std::string& out);

/// True when Decode turns every byte into exactly one unit and Encode every
/// such unit back into its byte (every code page but double-byte ones and
/// UTF-8), so that text offsets are byte offsets.
bool IsSingleByteCodePage(int32_t codePage);

/// True when, besides, every byte below 128 decodes to that ASCII character
/// (every Windows code page but double-byte ones and UTF-8), so that text
/// can be searched for ASCII characters in its bytes.
bool KeepsAsciiBytes(int32_t codePage);

inline Text DecodeAnsi(std::string_view bytes, const std::string& context = {}) {
    return Decode(bytes, AnsiCodePage(), context);
}
inline std::string EncodeAnsi(TextView text) { return Encode(text, AnsiCodePage()); }

/// A text file's bytes (a template, say) as Text: after a UTF-8 byte order
/// mark, the rest read as UTF-8, every character of which `codePage` must
/// hold, since it goes into files in that code page; without one, the bytes
/// in `codePage`. Throws VbError 5 naming the first character the code page
/// lacks.
Text DecodeTextFile(std::string_view bytes, int32_t codePage);

/// UTF-8 to Text; malformed sequences become U+FFFD.
Text FromUtf8(std::string_view utf8);
/// Text to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(TextView text);

}  // namespace vb
