// The lines of a module, the key position of each and the header test's
// verdict on it, found in one pass over the text. The key position of a
// line is the smallest position at which one of the procedure keywords
// (ScanKeywords.h, each with its space, letter case ignored), a double
// quote or an apostrophe occurs; 0 when none does. No two of them can
// overlap (a keyword holds no quote, and its only space is its last
// character), so the one that ends first also begins first: the pass stops
// at the first quote, apostrophe or keyword-ending space of each line.
//
// A kernel finds the line feeds and key candidates of 64 units at a time:
// a plain scalar one, or one of the vector ones. The kernel is chosen once,
// when the classifier is made; every kernel gives the same lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "source_transformation/SourceUnits.h"
#include "vb_runtime/Text.h"

namespace scan {

/// One line: [start, end) of the text, its line break not included, its
/// key position (1-based within the line; 0 for none) and, for a key
/// position above 0, the header test's verdict on it. The scan sets the
/// continuation flags.
struct ClassifiedLine {
    /// Room for a line, filled in by the classifier: a batch's room is made
    /// without zeroing it first.
    ClassifiedLine() {}
    ClassifiedLine(size_t lineStart, size_t lineEnd, int32_t key)
        : start(lineStart), end(lineEnd), keyPosition(key), header(false), shape(0), continues(false),
          continuedOnto(false), comment(false) {}

    size_t start;
    size_t end;
    int32_t keyPosition;
    bool header;         ///< the header test (rules::HeaderTestAt) passes
    uint8_t shape;       ///< LineShape bits: what its units allow it to be
    bool continues;      ///< it continues onto the next line
    bool continuedOnto;  ///< the line before continues onto it
    bool comment;        ///< a comment continues onto it
};

/// What a line's units allow it to be, found while the line is at hand.
/// A bit that is not set means "certainly not"; a set one, "maybe".
enum LineShape : uint8_t {
    kMayBeLabel = 1,    ///< its first unit is a letter
    kMayBeEndLine = 2,  ///< its first unit after blanks is "e" or "E"
    kMayContinue = 4,   ///< trailing blanks aside, it ends in a blank and "_"
    kMayUseError = 8,   ///< it holds "err" or "erl", letter case ignored
};

/// The shape bits of a line but kMayUseError, which the kernels find.
template <typename Unit>
inline uint8_t ShapeOf(UnitView<Unit> line, const Units<Unit>& units) {
    if (line.empty()) return 0;
    uint8_t shape = 0;
    size_t at = 0;
    if (units.IsLetter(line[0])) {
        shape = kMayBeLabel;
    } else if (IsBlankUnit(line[0])) {
        at = SkipBlanks(line, 1);
    }
    if (at < line.size() && (line[at] | 0x20) == 'e') shape |= kMayBeEndLine;
    // Only a line that ends in "_" or a blank may end in the mark.
    const Unit last = line.back();
    if (last != '_' && !IsBlankUnit(last)) return shape;
    size_t end = line.size();
    while (end > at && IsBlankUnit(line[end - 1])) --end;
    if (end >= 2 && line[end - 1] == '_' && IsBlankUnit(line[end - 2])) shape |= kMayContinue;
    return shape;
}

/// Where "err" or "erl" starts at `at`, letter case ignored (`at` + 2 must
/// be within the text): the plain form of what the kernels find.
template <typename Unit>
bool ErrorWordAt(const Unit* at) {
    return (at[0] | 0x20) == 'e' && (at[1] | 0x20) == 'r' && ((at[2] | 0x20) == 'r' || (at[2] | 0x20) == 'l');
}

/// Classifies UTF-16 text (Unit char16_t) or the bytes of an ASCII-keeping
/// single-byte code page (Unit char).
template <typename Unit>
class LineClassifier {
public:
    /// How the units are compared: plainly, one at a time; in the 16-byte
    /// vectors every x86-64 processor has; or in the widest the processor
    /// has. Widest is the default; the others are for the tests, which hold
    /// every kernel to the scalar one.
    enum class Kernel { Scalar, Narrow, Widest };

    /// `lineBreak` is the text's line break, CR LF or LF.
    LineClassifier(UnitView<Unit> text, vb::TextView lineBreak, const Units<Unit>& units,
                   Kernel kernel = Kernel::Widest);

    /// Appends the next lines, in order, a few hundred at a time; false
    /// when none are left. An empty text has no lines; a text that ends with
    /// a line break has an empty last line.
    bool AppendBatch(std::vector<ClassifiedLine>& lines);

private:
    template <class ChunkKernel>
    void AppendWith(std::vector<ClassifiedLine>& lines);
    int32_t KeywordKey(size_t start, size_t space) const;
    [[gnu::always_inline]] ClassifiedLine LineAt(size_t start, size_t end, int32_t keyPosition, bool keyword, bool error) const;

    UnitView<Unit> text_;
    Units<Unit> units_;
    bool crLf_;
    enum class Chosen { Scalar, Narrow, Wide } kernel_ = Chosen::Scalar;
    size_t pos_ = 0;            // the next unit to look at
    size_t start_ = 0;          // of the line being classified
    int32_t keyPosition_ = 0;   // of the line being classified, once found
    bool keyword_ = false;      // that key is a keyword's
    bool error_ = false;        // the line being classified holds "err" or "erl"
    bool done_;                 // every line has been appended
};

}  // namespace scan
