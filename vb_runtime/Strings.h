// The string functions of the original runtime that the classes are written
// against, with its semantics: 1-based positions, 0 for "not found",
// comparison mode 0 (exact) or 1 (letter case ignored, ASCII letters only).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "vb_runtime/Text.h"

namespace vb {

/// Comparison modes.
enum CompareMethod : int32_t { BinaryCompare = 0, TextCompare = 1 };

/// Folds an ASCII capital to its small letter; every other unit unchanged.
constexpr char16_t FoldAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }

/// True when both texts are equal, ASCII letters compared without regard to case.
bool EqualsNoCase(TextView a, TextView b);

/// Position (1-based) of the first occurrence of `string2` in `string1` at or
/// after `start`; 0 when there is none, when `string1` is empty or when
/// `start` lies past its end. An empty `string2` is found at `start`.
/// Throws VbError 5 when `start` is below 1.
int32_t InStr(int32_t start, TextView string1, TextView string2, int32_t compare);

/// Splits at every occurrence of `delimiter`. An empty expression gives no
/// elements; an empty delimiter gives the whole expression as one element.
std::vector<Text> Split(TextView expression, TextView delimiter);

/// Joins the elements with `delimiter` between consecutive elements.
Text Join(const std::vector<Text>& list, TextView delimiter);

/// Replaces every occurrence of `find`, scanning left to right and never
/// rescanning text it has put in. An empty `find` leaves the text unchanged.
Text Replace(TextView expression, TextView find, TextView replacement, int32_t compare);

/// Removes spaces (code 32 only) from both ends.
Text Trim(TextView text);

/// The first `length` characters (all when longer). Throws VbError 5 for a
/// negative length.
Text Left(TextView text, int32_t length);

/// `length` characters from the 1-based `start` (fewer at the end; none when
/// `start` lies past the end). Throws VbError 5 for `start` < 1 or `length` < 0.
Text Mid(TextView text, int32_t start, int32_t length);

/// An ASCII literal as Text.
Text FromAscii(std::string_view ascii);

}  // namespace vb
