// Line breaks of source and project files. Files written by the VB6 IDE use
// CR LF; files checked out by git on Linux often use LF alone. A text's line
// break is decided once, from the whole text, and then used for splitting,
// for everything inserted and for the line break that saving appends.
#pragma once

#include <string_view>

#include "vb_runtime/Text.h"

namespace vb {

inline constexpr TextView Lf = u"\n";

/// CR LF, unless the text's lone LFs (not preceded by CR) outnumber its CR LF
/// pairs; then LF. An empty text, or one without any LF, is CR LF.
TextView DetectLineBreak(TextView text);

/// The same decision made on the bytes of a file, before decoding: LF and CR
/// are the bytes 0x0A and 0x0D in every code page the system reads (no
/// double-byte character and no UTF-8 sequence holds them).
TextView DetectLineBreak(std::string_view bytes);

/// A template for a text whose line break is `lineBreak`: for LF, every
/// CR LF of the template becomes LF; for CR LF, the template unchanged.
Text TemplateForLineBreak(TextView templateText, TextView lineBreak);

/// Every lone LF (one not preceded by CR) becomes CR LF, so that a template
/// file saved with LF line ends means what the same text typed into the
/// settings window means.
Text LoneLfToCrLf(TextView text);

}  // namespace vb
