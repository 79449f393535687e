// Code pages with the tables probed from MultiByteToWideChar and
// WideCharToMultiByte: every byte string round-trips, and bytes are cut
// into units as on every other platform.
#include <gtest/gtest.h>

#include <random>

#include "RandomBytes.h"
#include "vb_runtime/CodePage.h"

using vb::Decode;
using vb::Encode;

TEST(CodePageWin32, EveryByteValueRoundTripsInSingleByteCodePages) {
    std::string bytes;
    for (int b = 0; b < 256; ++b) bytes.push_back(static_cast<char>(b));
    for (const int32_t codePage : {1251, 1258}) {
        SCOPED_TRACE(codePage);
        const Text text = Decode(bytes, codePage);
        ASSERT_EQ(text.size(), 256u);
        EXPECT_EQ(Encode(text, codePage), bytes);
        EXPECT_EQ(text[0xC0], codePage == 1251 ? u'\u0410' : u'\u00C0');
        for (size_t b = 0; b < 256; ++b) EXPECT_EQ(b < 0x80, text[b] < 0x80) << "byte " << b;
    }
}

TEST(CodePageWin32, RandomBytesRoundTripInDoubleByteCodePages) {
    std::mt19937 random(20240611);
    for (const int32_t codePage : {932, 949}) {
        for (int n = 0; n < 2000; ++n) {
            const std::string bytes = testing_support::RandomBytesNearLeadBytes(random, 24);
            ASSERT_EQ(Encode(Decode(bytes, codePage), codePage), bytes) << "code page " << codePage << ", string " << n;
        }
    }
}

TEST(CodePageWin32, UnitsAreCutAsOnEveryPlatform) {
    EXPECT_EQ(Decode("\x81\r\n", 932), u"\xDC81\r\n") << "a lead byte before CR LF stands alone";
    EXPECT_EQ(Decode("\x87\x90\x81\xE0", 932), u"\xDC87\xDC90\u2252") << "two codes of one character";
    EXPECT_EQ(Decode("\xB0\"\xB0\xA1", 949), u"\xDCB0\"\uAC00");
    EXPECT_EQ(Decode("A\xCC", 1258), u"A\u0300") << "base letter and combining mark stay two characters";
}
