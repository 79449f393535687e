// The lines of a module, the key position of each and the header pre-test's
// verdict on it, found in one pass over the text. The key position of a
// line is the smallest position at which one of the procedure keywords
// (ScanKeywords.h, each with its space, letter case ignored), a double
// quote or an apostrophe occurs; 0 when none does. No two of them can overlap (a keyword holds no quote, and its only
// space is its last character), so the one that ends first also begins
// first: the pass stops at the first quote, apostrophe or keyword-ending
// space of each line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "source_transformation/SourceUnits.h"
#include "vb_runtime/Text.h"

namespace scan {

/// One line: [start, end) of the text, its line break not included, its
/// key position (1-based within the line; 0 for none) and, for a key
/// position above 0, what the header pre-test says of it (MayBeHeader).
/// The scan sets the continuation flags.
struct ClassifiedLine {
    size_t start = 0;
    size_t end = 0;
    int32_t keyPosition = 0;
    bool mayBeHeader = false;
    bool headerDecided = false;  ///< mayBeHeader is the header test's verdict (MayBeHeader)
    uint8_t shape = 0;           ///< LineShape bits: what its first and last units allow it to be
    bool continues = false;      ///< it continues onto the next line
    bool continuedOnto = false;  ///< the line before continues onto it
    bool comment = false;        ///< a comment continues onto it
};

/// What a line's first and last units allow it to be, found while the line
/// is at hand: a unit of 128 or above may be a letter.
enum LineShape : uint8_t {
    kMayBeLabel = 1,     ///< its first unit may be a letter
    kMayBeEndLine = 2,   ///< its first unit after blanks is "e" or "E"
    kMayContinue = 4,    ///< trailing blanks aside, it ends in a blank and "_"
};

/// The shape bits of a line.
template <typename Unit>
inline uint8_t ShapeOf(UnitView<Unit> line) {
    if (line.empty()) return 0;
    auto blank = [](Unit unit) { return unit == ' ' || unit == '\t'; };
    const auto first = static_cast<char16_t>(static_cast<std::make_unsigned_t<Unit>>(line[0]));
    uint8_t shape = (first >= 0x80 || ((first | 0x20) >= 'a' && (first | 0x20) <= 'z')) ? kMayBeLabel : 0;
    size_t at = 0;
    while (at < line.size() && blank(line[at])) ++at;
    if (at < line.size() && (line[at] | 0x20) == 'e') shape |= kMayBeEndLine;
    size_t end = line.size();
    while (end > at && blank(line[end - 1])) --end;
    if (end >= 2 && line[end - 1] == '_' && blank(line[end - 2])) shape |= kMayContinue;
    return shape;
}


/// Classifies UTF-16 text (Unit char16_t) or the bytes of an ASCII-keeping
/// single-byte code page (Unit char).
template <typename Unit>
class LineClassifier {
public:
    /// The vectors bytes are compared in: the widest the processor has, or
    /// always the 16-byte ones every x86-64 processor has. The lines are
    /// the same.
    enum class Vectors { Widest, Narrow };

    /// `lineBreak` is the text's line break, CR LF or LF.
    LineClassifier(UnitView<Unit> text, vb::TextView lineBreak, Vectors vectors = Vectors::Widest);

    /// Appends the next lines, in order, a few hundred at a time; false
    /// when none are left. An empty text has no lines; a text that ends with
    /// a line break has an empty last line.
    bool AppendBatch(std::vector<ClassifiedLine>& lines);

private:
    UnitView<Unit> text_;
    bool crLf_;
    size_t pos_ = 0;          // the next unit to look at
    ClassifiedLine current_;  // the line being classified (its start and P)
    bool done_;               // every line has been appended
    bool wide_ = false;       // bytes are compared 32 at a time
};

}  // namespace scan
