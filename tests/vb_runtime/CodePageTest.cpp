// Code-page conversion: the exact Windows-1252 round trip, lossless
// conversion of every other code page (escapes for what a code page leaves
// undefined), the code pages that are refused, and UTF-8.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

#include "RandomBytes.h"
#include "vb_runtime/CodePage.h"
#include "vb_runtime/VbError.h"

using namespace vb;

namespace {

std::string AllByteValues() {
    std::string bytes;
    for (int b = 0; b < 256; ++b) bytes.push_back(static_cast<char>(b));
    return bytes;
}

// The ASCII units that delimit VB code: line breaks, quotes, space,
// parentheses, comma. No double-byte code page takes them as trail bytes.
constexpr std::u16string_view kDelimiters = u"\r\n\"' (),";

size_t DelimiterCount(TextView text) {
    return std::count_if(text.begin(), text.end(),
                         [](char16_t unit) { return kDelimiters.find(unit) != TextView::npos; });
}

size_t DelimiterCount(std::string_view bytes) {
    return std::count_if(bytes.begin(), bytes.end(), [](char byte) {
        return kDelimiters.find(static_cast<unsigned char>(byte)) != TextView::npos;
    });
}

void ExpectVbError(const std::function<void()>& action, const std::string& description,
                   const std::string& context = {}) {
    try {
        action();
        ADD_FAILURE() << "no error, expected: " << description;
    } catch (const VbError& error) {
        EXPECT_EQ(error.Number(), 5);
        EXPECT_EQ(error.Description(), description);
        EXPECT_EQ(error.Context(), context);
    }
}

}  // namespace

TEST(Windows1252, EveryByteValueRoundTrips) {
    const std::string bytes = AllByteValues();
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
    // Long enough for the eight-at-a-time path, with units above U+7FFF in it.
    EXPECT_EQ(Encode(u"abcdefg\u8000ABCDEFGH\uFFFFxyz\u00E9\u20AC\u0081", 1252),
              "abcdefg?ABCDEFGH?xyz\xE9\x80\x81");
}

TEST(LosslessCodePages, EveryByteValueRoundTripsInSingleByteCodePages) {
    const std::string bytes = AllByteValues();
    for (const int32_t codePage : {874, 1250, 1251, 1253, 1254, 1255, 1256, 1257, 1258, 437, 850}) {
        SCOPED_TRACE(codePage);
        const Text text = Decode(bytes, codePage);
        ASSERT_EQ(text.size(), 256u) << "one unit per byte";
        EXPECT_EQ(Encode(text, codePage), bytes);
        for (size_t b = 0; b < 256; ++b) {
            EXPECT_EQ(b < 0x80, text[b] < 0x80) << "byte " << b << " gives U+" << std::hex << int(text[b]);
        }
    }
}

// Windows numbers of code pages that iconv knows by other names than CPnnn:
// each converts every byte losslessly, and one characteristic byte shows
// that the right converter was taken.
TEST(LosslessCodePages, SingleByteCodePagesThatIconvNamesOtherwise) {
    struct Row {
        int32_t codePage;
        unsigned char byte;
        char16_t unit;
    };
    const Row rows[] = {
        {20127, 0x80, u'\xDC80'},  {20127, 0x41, u'A'},      {28591, 0x80, u'\u0080'}, {28591, 0xE9, u'\u00E9'},
        {28592, 0xA3, u'\u0141'},  {28605, 0xA4, u'\u20AC'}, {20866, 0xC1, u'\u0430'}, {21866, 0xA4, u'\u0454'},
        {10000, 0x80, u'\u00C4'},  {37, 0xC1, u'A'},         {20273, 0xC1, u'A'},      {38598, 0xE0, u'\u05D0'},
    };
    const std::string bytes = AllByteValues();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.codePage);
        const Text text = Decode(bytes, row.codePage);
        ASSERT_EQ(text.size(), 256u) << "one unit per byte";
        EXPECT_EQ(Encode(text, row.codePage), bytes);
        EXPECT_EQ(text[row.byte], row.unit) << "byte " << int(row.byte) << " gives U+" << std::hex << int(text[row.byte]);
    }
}

TEST(LosslessCodePages, RandomBytesRoundTripInDoubleByteCodePagesAndUtf8) {
    std::mt19937 random(20240611);
    for (const int32_t codePage : {932, 936, 949, 950, 1361, 65001}) {
        for (int n = 0; n < 2000; ++n) {
            const std::string bytes = testing_support::RandomBytesNearLeadBytes(random, 24);
            const Text text = Decode(bytes, codePage);
            ASSERT_EQ(Encode(text, codePage), bytes) << "code page " << codePage;
            ASSERT_EQ(DelimiterCount(text), DelimiterCount(bytes)) << "a delimiter was taken into a unit or made up; "
                                                                   << "code page " << codePage << ", string " << n;
        }
    }
}

TEST(LosslessCodePages, UndefinedBytesBecomeEscapesThatAreNeverAscii) {
    struct Row {
        const char* name;
        int32_t codePage;
        std::string bytes;
        Text text;
    };
    const Row rows[] = {
        {"lead byte before CR LF stands alone", 932, "\x81\r\n", u"\xDC81\r\n"},
        {"lead byte at the end", 932, "ab\x81", u"ab\xDC81"},
        {"lead byte before a quote", 949, "\xB0\"", u"\xDCB0\""},
        {"undefined pair hides its ASCII trail byte", 932, "\x85\x41", u"\xDC85\xDC41"},
        {"second code of a character escapes", 932, "\x87\x90", u"\xDC87\xDC90"},
        {"canonical code of the same character", 932, "\x81\xE0", u"\u2252"},
        {"Japanese name", 932, "\x83\x82\x83\x57\x83\x85\x81\x5B\x83\x8B.bas", u"\u30E2\u30B8\u30E5\u30FC\u30EB.bas"},
        {"byte undefined in a string literal", 1251, "s = \"\x98\xC0\"", u"s = \"\xDC98\u0410\""},
        {"base letter and combining mark stay two characters", 1258, "A\xCC", u"A\u0300"},
        {"Hebrew letter and point stay two characters", 1255, "\xE0\xC8", u"\u05D0\u05B8"},
        {"UTF-8 character and character beyond U+FFFF", 65001, "\xC3\xA9\xF0\x9F\x98\x80", u"\u00E9\U0001F600"},
        {"UTF-8 stray, overlong and surrogate sequences", 65001, "\xFF\xC0\xAF\xED\xA0\x80",
         u"\xDCFF\xDCC0\xDCAF\xDCED\xDCA0\xDC80"},
        {"UTF-8 sequence cut by a line break", 65001, "\xE3\x81\r\n", u"\xDCE3\xDC81\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Decode(row.bytes, row.codePage), row.text);
        EXPECT_EQ(Encode(row.text, row.codePage), row.bytes);
    }
}

TEST(LosslessCodePages, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    EXPECT_EQ(Encode(u"a\u3042\U0001F600b", 1251), "a??b");
    EXPECT_EQ(Encode(u"\u00E9\u3042", 932), "?\x82\xA0");
    EXPECT_EQ(Encode(u"\xD800x\xDC41\xDE00", 65001), "?x??") << "UTF-8 escapes are of bytes 0x80..0xFF only";
}

TEST(SetAnsiCodePage, RefusesUnknownAndUnsupportedCodePages) {
    const int32_t before = AnsiCodePage();
    const std::string unsupported =
        " is not supported: only single-byte and double-byte code pages and UTF-8 (65001)";
    ExpectVbError([] { SetAnsiCodePage(4242); }, "unknown code page 4242");
    ExpectVbError([] { SetAnsiCodePage(54936); }, "code page 54936" + unsupported);
    ExpectVbError([] { SetAnsiCodePage(50220); }, "code page 50220" + unsupported);
    ExpectVbError([] { SetAnsiCodePage(930); }, "code page 930" + unsupported);  // EBCDIC with shift bytes
    EXPECT_EQ(AnsiCodePage(), before);
    ExpectVbError([] { Decode("x", 4242, "Module1.bas"); }, "unknown code page 4242", "Module1.bas");
}

TEST(Utf8, RoundTripAndMalformedInput) {
    const Text text = u"a\u00E9\u3042\U0001F600";
    EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
    EXPECT_EQ(FromUtf8("a\xFF" "b\xC3"), u"a\uFFFD" "b\uFFFD");
    EXPECT_EQ(FromUtf8("\xE0\x80\x80"), u"\uFFFD\uFFFD\uFFFD") << "overlong forms are refused";
    EXPECT_EQ(ToUtf8(u"a\xDC81"), "a\xEF\xBF\xBD") << "escapes are not text for the terminal";
}
