// Letters as VB6 reads names and labels: the letters of any script that a
// code page can decode, and their letter case, which VB ignores.
#pragma once

#include "vb_runtime/Text.h"

namespace vb {

/// True for a letter of a script a Windows code page holds: ASCII, Latin,
/// Greek, Cyrillic, Armenian, Hebrew, Arabic, Thai, Japanese kana, Hangul,
/// CJK ideographs and their full-width and half-width forms. Escape units
/// (bytes a code page leaves undefined) and surrogates are no letters.
/// ASCII is decided inline; names are mostly ASCII.
bool IsLetterBeyondAscii(char16_t unit);
inline bool IsLetter(char16_t unit) {
    if (unit < 0x80) return (unit >= u'A' && unit <= u'Z') || (unit >= u'a' && unit <= u'z');
    return IsLetterBeyondAscii(unit);
}

/// The small letter of a capital in ASCII, Latin-1, Latin Extended-A,
/// Greek and Cyrillic; every other unit unchanged.
char16_t FoldLetter(char16_t unit);

/// True when both names are equal, letter case ignored as FoldLetter folds it.
bool NamesEqual(TextView a, TextView b);

/// The name folded unit by unit, for keeping names in a set.
Text FoldName(TextView name);

}  // namespace vb
