// The lines of a module, the key position of each and the header test's
// verdict on it, found in one pass over the text. The key position of a
// line is the smallest position at which one of the procedure keywords
// (ScanKeywords.h, each with its space, letter case ignored), a double
// quote or an apostrophe occurs. No two of them can overlap (a keyword
// holds no quote, and its only space is its last character), so the one
// that ends first also begins first: the pass stops at the first quote,
// apostrophe or keyword-ending space of each line. Only a keyword can be a
// header's key, so a line keeps its key position only when it is one.
//
// A kernel finds what matters in 64 units at a time, one bit per unit: a
// plain scalar one, or one of the vector ones. The kernel is chosen once,
// when the classifier is made; every kernel gives the same lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "source_transformation/SourceUnits.h"
#include "vb_runtime/Text.h"

namespace scan {

/// One line: [start, end) of the text, its line break not included, its
/// key position when that is a keyword's (1-based within the line; 0
/// otherwise) and, for a key position above 0, the header test's verdict
/// on it. The scan sets the continuation flags.
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
    kMayContinue = 4,   ///< it holds a blank and "_", as a line that ends in the mark does
    kMayUseError = 8,   ///< it holds "err" or "erl", letter case ignored
};

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
    [[gnu::always_inline]] ClassifiedLine LineAt(size_t start, size_t end, int32_t keyPosition, uint8_t shape) const;

    UnitView<Unit> text_;
    Units<Unit> units_;
    bool crLf_;
    enum class Chosen { Scalar, Narrow, Wide } kernel_ = Chosen::Scalar;
    size_t pos_ = 0;            // the next unit to look at
    size_t start_ = 0;          // of the line being classified
    int32_t keyPosition_ = 0;   // of the line being classified, once a keyword is found
    bool keyOpen_ = true;       // its key is undecided: no keyword, quote or apostrophe yet
    uint8_t shape_ = 0;         // of the line being classified, as far as it was read
    bool startsChunk_ = true;   // a line starts at the next chunk's first unit
    bool firstPending_ = false;  // blanks that start a line run into the next chunk
    bool done_;                 // every line has been appended
};

}  // namespace scan
