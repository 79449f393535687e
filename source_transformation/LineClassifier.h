// The lines of a module, the shape of each and the header test's verdict
// on it, found in one pass over the text. The key position of a line is
// the smallest position at which one of the procedure keywords
// (ScanKeywords.h, each with its space, letter case ignored), a double
// quote or an apostrophe occurs. No two of them can overlap (a keyword
// holds no quote, and its only space is its last character), so the one
// that ends first also begins first: a line's key is the first space that
// ends a keyword before any quote or apostrophe of the line. Only a
// keyword can be a header's key, and only a header's key is kept.
//
// A kernel finds what matters in 64 units at a time, one bit per unit: a
// plain scalar one, or one of the vector ones. The kernel is chosen once,
// when the classifier is made; every kernel gives the same lines. Each
// line costs its end and its shape; only the few units that may make a
// line matter to the scan (a keyword's space, a first letter, an "e"
// after a line's blanks, "err", "_" after a blank) are looked at one by one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "source_transformation/SourceUnits.h"
#include "vb_runtime/Text.h"

namespace scan {

/// What a line's units allow it to be, found while the line is at hand.
/// A shape bit that is not set means "certainly not"; a set one, "maybe".
/// The classifier sets the header bit from the rule; the scan sets the
/// continuation bits.
enum LineShape : uint8_t {
    kMayBeLabel = 1,      ///< its first unit is an ASCII letter or no ASCII character
    kMayBeEndLine = 2,    ///< its first unit after blanks is "e" or "E"
    kMayContinue = 4,     ///< it holds a blank and "_", as a line that ends in the mark does
    kMayUseError = 8,     ///< it holds "err" or "erl", letter case ignored
    kIsHeader = 16,       ///< the header test (rules::HeaderTestAt) passes at its key
    kContinues = 32,      ///< it continues onto the next line
    kContinuedOnto = 64,  ///< the line before continues onto it
    kInComment = 128,     ///< a comment continues onto it
};

/// A line the header test passes, with its key position (1-based within
/// the line).
struct HeaderLine {
    size_t line = 0;
    int32_t keyPosition = 0;
    bool operator==(const HeaderLine&) const = default;
};

/// An allocator that leaves the elements a vector grows by uninitialized:
/// the classifier makes room for a batch's line ends and then writes them.
template <typename T>
struct UninitializedAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = UninitializedAllocator<U>;
    };
    UninitializedAllocator() = default;
    template <typename U>
    UninitializedAllocator(const UninitializedAllocator<U>&) {}
    template <typename U>
    void construct(U* at) {
        ::new (static_cast<void*>(at)) U;
    }
    template <typename U, typename... Args>
    void construct(U* at, Args&&... args) {
        ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
    }
};

/// Lines as the classifier gives them, in order: each line's end in the
/// text (where its line break starts; the text's end for the last line)
/// and its shape, and the header lines among them.
struct ClassifiedLines {
    std::vector<size_t, UninitializedAllocator<size_t>> ends;
    std::vector<uint8_t> shapes;
    std::vector<HeaderLine> headers;

    size_t Count() const { return ends.size(); }
    void Clear() {
        ends.clear();
        shapes.clear();
        headers.clear();
    }
    /// Appends `other`'s lines, which follow these.
    void Append(const ClassifiedLines& other) {
        ends.insert(ends.end(), other.ends.begin(), other.ends.end());
        shapes.insert(shapes.end(), other.shapes.begin(), other.shapes.end());
        headers.insert(headers.end(), other.headers.begin(), other.headers.end());
    }
    bool operator==(const ClassifiedLines&) const = default;
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
    /// vectors every x86-64 processor has; in 32-byte vectors, for bytes on
    /// a processor that has them; or in the widest the processor has (64
    /// bytes where it can). Widest is the default; the others are for the
    /// tests, which hold every kernel to the scalar one. A kernel the
    /// processor lacks gives way to the next narrower one.
    enum class Kernel { Scalar, Narrow, Wide, Widest };

    /// `lineBreak` is the text's line break, CR LF or LF.
    LineClassifier(UnitView<Unit> text, vb::TextView lineBreak, const Units<Unit>& units,
                   Kernel kernel = Kernel::Widest);

    /// Appends the next lines, in order, a few hundred at a time; false
    /// when none are left. An empty text has no lines; a text that ends with
    /// a line break has an empty last line. Header lines are numbered from
    /// the text's first line.
    bool AppendBatch(ClassifiedLines& lines);

private:
    template <class ChunkKernel>
    void AppendWith(ClassifiedLines& lines);
    int32_t KeywordKey(size_t start, size_t space) const;
    bool HeaderTestPasses(size_t start, size_t space, int32_t keyPosition) const;

    UnitView<Unit> text_;
    Units<Unit> units_;
    bool crLf_;
    enum class Chosen { Scalar, Narrow, Wide, Widest } kernel_ = Chosen::Scalar;
    size_t pos_ = 0;             // the next unit to look at
    size_t start_ = 0;           // of the line being classified
    size_t lineCount_ = 0;       // lines appended so far
    uint8_t shape_ = 0;          // of the line being classified, as far as it was read
    bool quoteSought_ = false;   // it holds no quote or apostrophe in the units read
    bool startsChunk_ = true;    // a line starts at the next chunk's first unit
    bool firstPending_ = false;  // blanks that start a line run into the next chunk
    bool done_;                  // every line has been appended
    size_t keyedLine_ = ~size_t{0};  // the start of the last line whose key was found
};

}  // namespace scan
