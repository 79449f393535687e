// File names in diff headers, quoted as git quotes them: the table holds
// what git diff writes for each name.
#include <gtest/gtest.h>

#include <string>

#include "commands/GitQuotedPath.h"

TEST(GitQuotedPath, QuotesAsGitDoes) {
    const struct Row {
        const char* name;
        std::string path;
        std::string header;  // after "--- ", with the prefix "a/"
    } rows[] = {
        {"plain", "Shared/mError.bas", "a/Shared/mError.bas"},
        {"a space: a tab ends the name", "Sub Folder/a b.bas", "a/Sub Folder/a b.bas\t"},
        {"non-ASCII bytes in octal", "Mod\xC3\xBCl.bas", "\"a/Mod\\303\\274l.bas\""},
        {"non-ASCII and a space", "M \xC3\xBC.bas", "\"a/M \\303\\274.bas\"\t"},
        {"quote and backslash", "we\"ird\\.bas", "\"a/we\\\"ird\\\\.bas\""},
        {"control characters", std::string("t\tn\nx\x01\x7F"), "\"a/t\\tn\\nx\\001\\177\""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(run::DiffHeaderName("a/", row.path), row.header);
    }
}
