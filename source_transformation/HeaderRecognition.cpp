// The line-local tests of the fast scan: keywords, the header pre-test, opt-out comments.
#include "source_transformation/HeaderRecognition.h"

#include "source_transformation/ScanKeywords.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace scan {

namespace {

// Which of the exclusion words "end", "exit" and "declare" and of the
// modifier "friend " occur in a text, anywhere and letter case ignored.
struct ExclusionWords {
    bool end = false;
    bool exit = false;
    bool declare = false;
    bool friendModifier = false;
};

// One high bit for each lane of the eight bytes at `at` that holds "e" or
// "E": (unit | 0x20) ^ 'e' is zero exactly for those, and the zero test
// is exact in every lane (no borrow crosses lanes).
template <typename Unit>
uint64_t LetterELanes(const Unit* at) {
    constexpr uint64_t kOnes = sizeof(Unit) == 1 ? 0x0101010101010101 : 0x0001000100010001;
    constexpr uint64_t kHighBits = kOnes << (8 * sizeof(Unit) - 1);
    constexpr uint64_t kLowBits = ~kHighBits;
    uint64_t lanes;
    std::memcpy(&lanes, at, sizeof lanes);
    const uint64_t other = (lanes | (kOnes * 0x20)) ^ (kOnes * 'e');
    return ~(((other & kLowBits) + kLowBits) | other | kLowBits);
}

// Calls `visit` with the 0-based index of every "e" or "E" of the text, in
// order: eight bytes at a time, then the eight bytes that end the text
// without the lanes already seen. All four words hold an "e", so a text
// without one holds none of them.
template <typename Unit, typename Visit>
void ForEachLetterE(UnitView<Unit> text, Visit visit) {
    static_assert(std::endian::native == std::endian::little, "lanes are taken lowest first");
    constexpr size_t kLanes = 8 / sizeof(Unit);
    auto visitLanes = [&](size_t first, uint64_t found) {
        for (; found != 0; found &= found - 1) {
            visit(first + static_cast<size_t>(__builtin_ctzll(found)) / (8 * sizeof(Unit)));
        }
    };
    if (text.size() < kLanes) {
        for (size_t i = 0; i < text.size(); ++i) {
            if ((text[i] | 0x20) == 'e') visit(i);
        }
        return;
    }
    size_t from = 0;
    for (; from + kLanes <= text.size(); from += kLanes) visitLanes(from, LetterELanes(text.data() + from));
    if (from < text.size()) {
        const size_t last = text.size() - kLanes;
        visitLanes(from, LetterELanes(text.data() + last) >> (8 * sizeof(Unit) * (from - last)));
    }
}

template <typename Unit>
ExclusionWords ExclusionWordsIn(UnitView<Unit> text) {
    ExclusionWords words;
    ForEachLetterE(text, [&](size_t i) {
        words.end = words.end || StartsWithNoCase(text.substr(i), "end");
        words.exit = words.exit || StartsWithNoCase(text.substr(i), "exit");
        words.declare = words.declare || (i > 0 && StartsWithNoCase(text.substr(i - 1), "declare"));
        words.friendModifier = words.friendModifier || (i >= 3 && StartsWithNoCase(text.substr(i - 3), "friend "));
    });
    return words;
}

}  // namespace

// The keywords end in different letters, so the letter before the space
// tells which one alone can end there. Keywords are all letters, so setting
// bit 0x20 of a unit folds exactly a keyword letter's capital.
template <typename Unit>
size_t KeywordEndingAt(UnitView<Unit> line, size_t space) {
    constexpr size_t npos = UnitView<Unit>::npos;
    if (space == 0) return npos;
    const auto last = static_cast<Unit>(line[space - 1] | 0x20);
    for (size_t k = 0; k < kProcedureKeywords.size(); ++k) {
        if (last != static_cast<Unit>(kKeywordLastLetters[k])) continue;
        const std::string_view keyword = kProcedureKeywords[k].substr(0, kProcedureKeywords[k].size() - 1);
        if (space < keyword.size()) return npos;
        const size_t start = space - keyword.size();
        return StartsWithNoCase(line.substr(start), keyword) ? start : npos;
    }
    return npos;
}

template <typename Unit>
bool MayBeHeader(UnitView<Unit> line, int32_t keyPosition, bool& decided) {
    decided = true;
    const Unit atKey = line[static_cast<size_t>(keyPosition - 1)];
    if (atKey == '"' || atKey == '\'') return false;
    if (keyPosition == 1) return true;
    // None of the words can reach into the unit at the key position (a
    // keyword's first letter), so only the text before it is looked at.
    const ExclusionWords words = ExclusionWordsIn(line.substr(0, static_cast<size_t>(keyPosition - 1)));
    // Without "friend " the text before the keyword is read as it stands;
    // with it, the plain rule reads it without the modifier and decides.
    if (words.friendModifier) {
        decided = false;
        return true;
    }
    return line[static_cast<size_t>(keyPosition - 2)] == ' ' && !words.end && !words.exit && !words.declare;
}

template <typename Unit>
bool IsOptOutComment(UnitView<Unit> line) {
    size_t at = 0;
    auto skipBlanks = [&] {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    };
    auto take = [&](std::string_view word) {
        skipBlanks();
        if (!StartsWithNoCase(line.substr(at), word)) return false;
        at += word.size();
        return true;
    };
    if (!take("'") || !take("trapwright") || !take(":") || !take("skip")) return false;
    skipBlanks();
    return at == line.size();
}

// The two forms of text the scan reads.
#define TRAPWRIGHT_HEADER_RECOGNITION(Unit)                                                                          \
    template bool MayBeHeader<Unit>(UnitView<Unit>, int32_t, bool&);   \
    template size_t KeywordEndingAt<Unit>(UnitView<Unit>, size_t);     \
    template bool IsOptOutComment<Unit>(UnitView<Unit>);
TRAPWRIGHT_HEADER_RECOGNITION(char16_t)
TRAPWRIGHT_HEADER_RECOGNITION(char)
#undef TRAPWRIGHT_HEADER_RECOGNITION

}  // namespace scan
