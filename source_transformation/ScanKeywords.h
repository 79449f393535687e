// The procedure keywords, each with the space that ends it, defined once:
// the header rules, the line classifier and its vector kernels take what
// they need from here.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace scan {

/// The keywords a header line's key position is looked for with, besides a
/// double quote and an apostrophe. "Friend" is a modifier like "Public".
inline constexpr std::array<std::string_view, 3> kProcedureKeywords = {"sub ", "function ", "property "};

/// A keyword without its space: the word an End line names after "End".
constexpr std::string_view WordOf(std::string_view keyword) { return keyword.substr(0, keyword.size() - 1); }

/// Words that, before a line's keyword, make it no header: the line ends
/// something, leaves it, or declares an API function. Matched anywhere,
/// letter case ignored, not word-bounded.
inline constexpr std::array<std::string_view, 3> kExclusionWords = {"end", "exit", "declare"};

/// The modifier that may stand before a keyword and holds an exclusion
/// word ("friend" ends in "end"): the header test reads the text before
/// the keyword without it.
inline constexpr std::string_view kFriendModifier = "friend ";

/// The key list of earlier versions, which took "friend " for a keyword;
/// needed only to find the blocks they inserted.
inline constexpr std::array<std::string_view, 4> kEarlierProcedureKeywords = {"sub ", "function ", "friend ",
                                                                              "property "};

/// The letter before a keyword's space.
constexpr char LastLetterOf(std::string_view keyword) { return keyword[keyword.size() - 2]; }

/// The keywords' last letters, in the order of the table: a space after one
/// of them may end a keyword, and the letter alone tells which.
inline constexpr std::array<char, kProcedureKeywords.size()> kKeywordLastLetters = {
    LastLetterOf(kProcedureKeywords[0]), LastLetterOf(kProcedureKeywords[1]), LastLetterOf(kProcedureKeywords[2])};

/// The last three letters of each keyword, in the order of the table: a
/// space after them may end the keyword.
inline constexpr std::array<std::array<char, 3>, kProcedureKeywords.size()> kKeywordEndings = [] {
    std::array<std::array<char, 3>, kProcedureKeywords.size()> endings{};
    for (size_t k = 0; k < kProcedureKeywords.size(); ++k) {
        const std::string_view word = WordOf(kProcedureKeywords[k]);
        endings[k] = {word[word.size() - 3], word[word.size() - 2], word[word.size() - 1]};
    }
    return endings;
}();

constexpr bool LastLettersTellKeywordsApart() {
    for (size_t a = 0; a < kKeywordLastLetters.size(); ++a) {
        for (size_t b = a + 1; b < kKeywordLastLetters.size(); ++b) {
            if (kKeywordLastLetters[a] == kKeywordLastLetters[b]) return false;
        }
    }
    return true;
}
static_assert(LastLettersTellKeywordsApart(), "the classifier tells a keyword by the letter before its space");

}  // namespace scan
