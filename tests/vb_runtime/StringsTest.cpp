// The runtime's string functions: positions, empty texts and case folding.
#include <gtest/gtest.h>

#include "vb_runtime/Strings.h"
#include "vb_runtime/VbError.h"

using namespace vb;

TEST(InStr, PositionsAndEmptyTexts) {
    struct Row {
        int32_t start;
        Text string1, string2;
        int32_t compare;
        int32_t expected;
    };
    const Row rows[] = {
        {1, u"abcabc", u"c", 0, 3}, {4, u"abcabc", u"c", 0, 6},  {1, u"abc", u"C", 0, 0},
        {1, u"abc", u"C", 1, 3},    {1, u"", u"", 0, 0},         {1, u"abc", u"", 0, 1},
        {3, u"abc", u"", 0, 3},     {4, u"abc", u"", 0, 0},      {4, u"abc", u"c", 0, 0},
        {1, u"ab", u"abc", 1, 0},   {1, u"\u00C9x", u"\u00E9x", 1, 0},  // only ASCII letters fold
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.start) + " " + std::string(row.string1.begin(), row.string1.end()));
        EXPECT_EQ(InStr(row.start, row.string1, row.string2, row.compare), row.expected);
    }
}

TEST(InStr, StartBelowOneIsAnInvalidArgument) {
    try {
        InStr(0, u"abc", u")", 0);
        FAIL() << "no error";
    } catch (const VbError& error) {
        EXPECT_EQ(error.Number(), 5);
    }
}

TEST(SplitJoin, AreExactInverses) {
    EXPECT_TRUE(Split(u"", u"\r\n").empty());
    EXPECT_EQ(Split(u"a\r\n\r\nb\r\n", u"\r\n"), (std::vector<Text>{u"a", u"", u"b", u""}));
    EXPECT_EQ(Split(u"a,b", u""), (std::vector<Text>{u"a,b"}));
    for (const Text text : {u"x", u"\r\n", u"a\r\nb", u"a\rb\n\r\n", u"\r\n\r\n"}) {
        EXPECT_EQ(Join(Split(text, u"\r\n"), u"\r\n"), text);
    }
}

TEST(Replace, TextCompareNeverRescansWhatItPutIn) {
    EXPECT_EQ(Replace(u"aXa", u"x", u"xx", TextCompare), u"axxa");
    EXPECT_EQ(Replace(u"aXa", u"x", u"xx", BinaryCompare), u"aXa");
    EXPECT_EQ(Replace(u"ByVal a, BYVAL b", u"byval ", u"", TextCompare), u"a, b");
    EXPECT_EQ(Replace(u"aaa", u"aa", u"a", TextCompare), u"aa");
    EXPECT_EQ(Replace(u"abc", u"", u"z", TextCompare), u"abc");
}

TEST(TrimLeftMid, SpacesOnlyAndArgumentChecks) {
    EXPECT_EQ(Trim(u"  a b \t "), u"a b \t");
    EXPECT_EQ(Trim(u"   "), u"");
    EXPECT_EQ(Left(u"abc", 5), u"abc");
    EXPECT_EQ(Mid(u"abc", 2, 5), u"bc");
    EXPECT_EQ(Mid(u"abc", 4, 1), u"");
    EXPECT_THROW(Left(u"abc", -1), VbError);
    EXPECT_THROW(Mid(u"abc", 0, 1), VbError);
}
