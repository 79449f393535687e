// Edits as data: an edit that overlaps the one before is refused when it is
// added, and one apply makes the text.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "source_transformation/Edits.h"
#include "vb_runtime/CodePage.h"

using scan::Edit;

TEST(Edits, AnEditThatOverlapsTheOneBeforeIsRefused) {
    struct Row {
        const char* name;
        Edit first;
        Edit second;
        bool refused;
    };
    const Edit removal{4, 3, Edit::Insert::Nothing, 0};  // [4, 7)
    const std::vector<Row> rows = {
        {"after it", removal, {8, 1, Edit::Insert::Nothing, 0}, false},
        {"right at its end", removal, {7, 0, Edit::Insert::LineNumber, 1}, false},
        {"inside it", removal, {6, 2, Edit::Insert::Nothing, 0}, true},
        {"before it", removal, {1, 0, Edit::Insert::LineNumber, 1}, true},
        {"an insertion, then a removal at its place", {4, 0, Edit::Insert::LineNumber, 1}, removal, false},
        {"two insertions at one place", {4, 0, Edit::Insert::LineNumber, 1}, {4, 0, Edit::Insert::LineNumber, 2}, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        scan::Edits edits;
        edits.Add(row.first);
        if (row.refused) {
            EXPECT_THROW(edits.Add(row.second), std::logic_error);
            EXPECT_EQ(edits.Size(), 1u);
        } else {
            EXPECT_NO_THROW(edits.Add(row.second));
        }
    }
}

TEST(Edits, OneApplyMakesTheText) {
    const scan::ModuleScan noScan;
    scan::Edits edits;
    edits.Add(Edit{0, 0, Edit::Insert::LineNumber, 10});
    edits.Add(Edit{7, 3, Edit::Insert::Nothing, 0});
    edits.AddLiteral(15, u"\r\n");
    EXPECT_EQ(scan::ApplyEdits(u"x = 1\r\n20 y = 2", edits, noScan), u"10 x = 1\r\ny = 2\r\n");
}
