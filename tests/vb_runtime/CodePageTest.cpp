// Code-page conversion: the exact Windows-1252 round trip, other code pages
// through the system's converter, and UTF-8.
#include <gtest/gtest.h>

#include "vb_runtime/CodePage.h"
#include "vb_runtime/VbError.h"

using namespace vb;

TEST(Windows1252, EveryByteValueRoundTrips) {
    std::string bytes;
    for (int b = 0; b < 256; ++b) bytes.push_back(static_cast<char>(b));
    const Text text = Decode(bytes, 1252);
    ASSERT_EQ(text.size(), 256u);
    EXPECT_EQ(Encode(text, 1252), bytes);
    EXPECT_EQ(text[0x80], u'\u20AC');
    EXPECT_EQ(text[0x81], u'\u0081');
    EXPECT_EQ(text[0x9F], u'\u0178');
    EXPECT_EQ(text[0xE9], u'\u00E9');
}

TEST(Windows1252, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    EXPECT_EQ(Encode(u"a\u3042\u20ACb", 1252), "a?\x80" "b");
}

TEST(OtherCodePages, ShiftJisDecodesAndInvalidBytesAreNamed) {
    const std::string japanese = "\x83\x82\x83\x57\x83\x85\x81\x5B\x83\x8B.bas";  // "モジュール.bas"
    const Text text = Decode(japanese, 932);
    EXPECT_EQ(text, u"\u30E2\u30B8\u30E5\u30FC\u30EB.bas");
    EXPECT_EQ(Encode(text, 932), japanese);
    try {
        Decode(std::string("ab\x81", 3), 932, "Module1.bas");
        FAIL() << "no error";
    } catch (const VbError& error) {
        EXPECT_EQ(error.Number(), 5);
        EXPECT_EQ(error.Description(), "byte 0x81 at offset 2 is not valid in code page 932");
        EXPECT_EQ(error.Context(), "Module1.bas");
    }
    EXPECT_EQ(Decode("\xC0\xE1", 1251), u"\u0410\u0431");
}

TEST(SetAnsiCodePage, RefusesUnknownCodePages) {
    const int32_t before = AnsiCodePage();
    EXPECT_THROW(SetAnsiCodePage(4242), VbError);
    EXPECT_EQ(AnsiCodePage(), before);
}

TEST(Utf8, RoundTripAndMalformedInput) {
    const Text text = u"a\u00E9\u3042\U0001F600";
    EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
    EXPECT_EQ(FromUtf8("a\xFF" "b\xC3"), u"a\uFFFD" "b\uFFFD");
    EXPECT_EQ(FromUtf8("\xE0\x80\x80"), u"\uFFFD\uFFFD\uFFFD") << "overlong forms are refused";
}
