// The fast paths of the scan against the rule they implement: the lines of
// a text are its pieces between line breaks, a line's key position is
// where the first of "sub ", "function ", "property ", a double quote or an
// apostrophe occurs, letter case ignored, and the header pre-test is run on
// it; the exclusion words before it are found as InStr finds them.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "bench/SyntheticProject.h"
#include "source_transformation/HeaderRecognition.h"
#include "source_transformation/LineArray.h"
#include "source_transformation/LineClassifier.h"
#include "source_transformation/ScanRules.h"
#include "vb_runtime/CodePage.h"
#include "vb_runtime/LineBreak.h"
#include "vb_runtime/Strings.h"

namespace {

int32_t RuleKeyPosition(vb::TextView line) {
    static const std::vector<Text> entries = {u"sub ", u"function ", u"property ", u"\"", u"'"};
    int32_t start = 1;
    return scan::InStrArray(start, line, entries, vb::TextCompare);
}

// Texts made of the pieces that matter to the scan, in random order.
std::string RandomText(std::mt19937& random, size_t pieces) {
    static const std::vector<std::string> parts = {"Sub ", "sub", "SUB ", "Function ", "fUnction", "Friend ",
                                                   "Property ", "propert", "\"", "'", " ", "  ", "\r", "\n",
                                                   "\r\n", "x", "Legend", "b ", "End ", "\t", "y ", "d ",
                                                   "\xE9", "\xC2 ", "\x82\x22", "\xFF"};
    std::string text;
    for (size_t i = 0; i < pieces; ++i) text += parts[random() % parts.size()];
    return text;
}

template <typename Unit>
std::vector<scan::ClassifiedLine> Classify(
    scan::UnitView<Unit> text, vb::TextView lineBreak,
    typename scan::LineClassifier<Unit>::Vectors vectors = scan::LineClassifier<Unit>::Vectors::Widest) {
    scan::LineClassifier<Unit> classifier(text, lineBreak, vectors);
    std::vector<scan::ClassifiedLine> lines;
    while (classifier.AppendBatch(lines)) {
    }
    return lines;
}

// The lines and key positions of `bytes` decoded from Windows-1252, found in
// the text and in the bytes themselves.
void ExpectAgreement(const std::string& bytes) {
    const Text text = vb::Decode(bytes, 1252);
    const vb::TextView lineBreak = vb::DetectLineBreak(text);
    const std::vector<Text> expected = vb::Split(text, lineBreak);
    const std::vector<scan::ClassifiedLine> lines = Classify<char16_t>(text, lineBreak);
    // In bytes, with the widest vectors the processor has and with 16-byte ones.
    for (const auto vectors : {scan::LineClassifier<char>::Vectors::Widest, scan::LineClassifier<char>::Vectors::Narrow}) {
        const std::vector<scan::ClassifiedLine> byteLines = Classify<char>(bytes, lineBreak, vectors);
        ASSERT_EQ(byteLines.size(), lines.size());
        for (size_t i = 0; i < lines.size(); ++i) {
            ASSERT_EQ(byteLines[i].start, lines[i].start) << "line " << i;
            ASSERT_EQ(byteLines[i].end, lines[i].end) << "line " << i;
            ASSERT_EQ(byteLines[i].keyPosition, lines[i].keyPosition) << "line " << i;
            ASSERT_EQ(byteLines[i].mayBeHeader, lines[i].mayBeHeader) << "line " << i;
        }
    }
    ASSERT_EQ(lines.size(), expected.size());
    size_t count = 0;
    for (const scan::ClassifiedLine& line : lines) {
        const vb::TextView found = vb::TextView(text).substr(line.start, line.end - line.start);
        ASSERT_EQ(Text(found), expected[count]) << "line " << count;
        ASSERT_EQ(line.keyPosition, RuleKeyPosition(found)) << "line " << count;
        bool decided = false;
        ASSERT_EQ(line.mayBeHeader, line.keyPosition > 0 && scan::MayBeHeader<char16_t>(found, line.keyPosition, decided))
            << "line " << count;
        // The pre-test never turns a header away.
        if (scan::rules::HeaderKeyword(found) > 0) {
            ASSERT_TRUE(line.mayBeHeader) << "line " << count;
        }
        ++count;
    }
}

}  // namespace

TEST(LineClassifier, AgreesWithSplittingAndTheKeyList) {
    ExpectAgreement("");
    ExpectAgreement("Sub A()");
    ExpectAgreement(synthetic::Module(3000, 11));
    std::string lf = synthetic::Module(3000, 12);
    for (size_t at; (at = lf.find("\r\n")) != std::string::npos;) lf.erase(at, 1);
    ExpectAgreement(lf);
    std::mt19937 random(2024);
    for (int i = 0; i < 2000; ++i) {
        SCOPED_TRACE(i);
        ExpectAgreement(RandomText(random, 1 + random() % 60));
    }
}

// The line break decided from counts made a block at a time, against
// counting each LF: in text and in bytes, across block edges and the
// counters' overflow points.
TEST(LineBreakDetection, AgreesWithCountingEachLineFeed) {
    std::mt19937 random(7);
    const std::vector<std::string> pieces = {"\r\n", "\n", "\r", "x", "\r\r\n", "\n\r"};
    for (int i = 0; i < 300; ++i) {
        SCOPED_TRACE(i);
        std::string bytes;
        const size_t count = i < 280 ? random() % 40 : 70000 + random() % 70000;
        for (size_t k = 0; k < count; ++k) bytes += pieces[random() % (i % 2 == 0 ? 2 : pieces.size())];
        size_t lf = 0;
        size_t crLf = 0;
        for (size_t at = 0; at < bytes.size(); ++at) {
            if (bytes[at] != '\n') continue;
            ++lf;
            if (at > 0 && bytes[at - 1] == '\r') ++crLf;
        }
        const vb::TextView expected = lf - crLf > crLf ? vb::TextView(u"\n") : vb::CrLf;
        EXPECT_EQ(vb::DetectLineBreak(std::string_view(bytes)), expected);
        EXPECT_EQ(vb::DetectLineBreak(vb::TextView(vb::Decode(bytes, 1252))), expected);
    }
}

// The header pre-test against the rule: for P > 1, "end", "exit" and
// "declare" before P (InStr, letter case ignored) turn the line away unless
// "friend " stands there too, which leaves it to the rule; no header is
// ever turned away. In the text and in its bytes.
TEST(HeaderPreTest, ExclusionWordsAsTheRuleFindsThem) {
    static const std::vector<std::string> parts = {"end", "EXIT", "Declare", "e", "E", "x", "ex", "decl", "nd",
                                                   " ", "\xE9", "\xCB", "Legend ", "d", "sub ", "Friend ", "friend"};
    std::mt19937 random(11);
    for (int i = 0; i < 5000; ++i) {
        std::string bytes;
        for (size_t k = 1 + random() % 12; k > 0; --k) bytes += parts[random() % parts.size()];
        bytes += random() % 2 == 0 ? " Sub X()" : "' note";
        const Text line = vb::Decode(bytes, 1252);
        const int32_t P = RuleKeyPosition(line);
        if (P <= 1) continue;
        const auto before = [&](vb::TextView word) {
            const int32_t at = vb::InStr(1, line, word, vb::TextCompare);
            return at > 0 && at + static_cast<int32_t>(word.size()) <= P;
        };
        bool expected = line[static_cast<size_t>(P - 1)] != u'\'' && line[static_cast<size_t>(P - 2)] == u' ' &&
                        !before(u"end") && !before(u"exit") && !before(u"declare");
        if (line[static_cast<size_t>(P - 1)] != u'\'' && before(u"friend ")) expected = true;
        SCOPED_TRACE(bytes);
        bool decided = false;
        bool byteDecided = false;
        EXPECT_EQ(scan::MayBeHeader<char16_t>(line, P, decided), expected);
        EXPECT_EQ(scan::MayBeHeader<char>(bytes, P, byteDecided), expected);
        EXPECT_EQ(decided, byteDecided);
        const bool header = scan::rules::HeaderKeyword(line) > 0;
        if (header) {
            EXPECT_TRUE(expected);
        }
        // A decided verdict is the rule's own, Rem lines aside.
        if (decided && !scan::rules::FirstWordIsRem(line)) {
            EXPECT_EQ(expected, header);
        }
    }
}
