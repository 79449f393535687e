// The lines of a module and the key position of each, found in one pass
// over the text. The key position P of a line is the smallest position at
// which "sub ", "function ", "friend ", "property " (each with its space,
// letter case ignored), a double quote or an apostrophe occurs; 0 when none
// does. No two of them can overlap (a keyword holds no quote, and its only
// space is its last character), so the one that ends first also begins
// first: the pass stops at the first quote, apostrophe or keyword-ending
// space of each line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "vb_runtime/Text.h"

namespace scan {

/// One line: [start, end) of the text, its line break not included, and
/// its key position P (1-based within the line; 0 for none).
struct ClassifiedLine {
    size_t start = 0;
    size_t end = 0;
    int32_t P = 0;
};

class LineClassifier {
public:
    /// `lineBreak` is the text's line break, CR LF or LF.
    LineClassifier(vb::TextView text, vb::TextView lineBreak);

    /// The next line, in order; false after the last. An empty text has no
    /// lines; a text that ends with a line break has an empty last line.
    bool Next(ClassifiedLine& line);

private:
    // Classifies the next lines, a few hundred at a time, into batch_.
    void FillBatch();
    // Looks at the unit at `at`: a line break ends the current line; the
    // first quote, apostrophe or space that ends a keyword sets its P.
    void Visit(size_t at);
    void EndLine(size_t end, size_t next);
    // The key position of the current line found at the unit at `at`.
    int32_t KeyAt(size_t at) const;

    vb::TextView text_;
    bool crLf_;
    size_t pos_ = 0;                    // the next unit to look at
    ClassifiedLine current_;            // the line being classified
    bool done_;                         // every line is in batch_
    std::vector<ClassifiedLine> batch_;
    size_t served_ = 0;                 // lines of batch_ handed out
};

}  // namespace scan
