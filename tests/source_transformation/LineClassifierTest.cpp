// The line classifier's kernels against the rules they implement: the
// lines of a text are its pieces between line breaks, a line's key
// position is where the first of "sub ", "function ", "property ", a
// double quote or an apostrophe occurs, letter case ignored, the header
// test is the rule's, and the shape bits are what they say; the exclusion
// words before a keyword are found as InStr finds them.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "bench/SyntheticProject.h"
#include "source_transformation/LineArray.h"
#include "source_transformation/LineClassifier.h"
#include "source_transformation/ScanRules.h"
#include "vb_runtime/CodePage.h"
#include "vb_runtime/Letters.h"
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
                                                   "\xE9", "\xC2 ", "\x82\x22", "\xFF", "Err", "eRL", "er", "e",
                                                   "rl", "Rem ", "_"};
    std::string text;
    for (size_t i = 0; i < pieces; ++i) text += parts[random() % parts.size()];
    return text;
}

template <typename Unit>
scan::ClassifiedLines Classify(scan::UnitView<Unit> text, vb::TextView lineBreak, const scan::Units<Unit>& units,
                               typename scan::LineClassifier<Unit>::Kernel kernel) {
    scan::LineClassifier<Unit> classifier(text, lineBreak, units, kernel);
    scan::ClassifiedLines lines;
    while (classifier.AppendBatch(lines)) {
    }
    return lines;
}

// The shape bits as their definitions state them.
uint8_t PlainShape(vb::TextView line) {
    uint8_t shape = 0;
    if (!line.empty() && (line[0] >= 0x80 || (vb::IsLetter(line[0])))) shape |= scan::kMayBeLabel;
    const vb::TextView text = scan::rules::TrimLeft(line);
    if (!text.empty() && (text[0] == u'e' || text[0] == u'E')) shape |= scan::kMayBeEndLine;
    if (line.find(u" _") != vb::TextView::npos || line.find(u"\t_") != vb::TextView::npos) shape |= scan::kMayContinue;
    if (vb::InStr(1, line, u"err", vb::TextCompare) > 0 || vb::InStr(1, line, u"erl", vb::TextCompare) > 0) {
        shape |= scan::kMayUseError;
    }
    return shape;
}

// The lines of `bytes` decoded from Windows-1252, classified by every
// kernel in the text and in the bytes themselves, against the plain
// definitions: the pieces between line breaks, the key list, the header
// rule and the shape bits.
void ExpectAgreement(const std::string& bytes) {
    using Kernel = scan::LineClassifier<char>::Kernel;
    const Text text = vb::Decode(bytes, 1252);
    const vb::TextView lineBreak = vb::DetectLineBreak(text);
    const std::vector<Text> pieces = vb::Split(text, lineBreak);
    // The lines as the definitions give them.
    scan::ClassifiedLines expected;
    size_t start = 0;
    for (size_t i = 0; i < (text.empty() ? 0 : pieces.size()); ++i) {
        const vb::TextView line = pieces[i];
        // Only a keyword's key position can be a header's.
        const int32_t keyPosition = RuleKeyPosition(line);
        const bool header = keyPosition > 0 && line[keyPosition - 1] != u'"' && line[keyPosition - 1] != u'\'' &&
                            scan::rules::HeaderKeyword(line) > 0;
        if (header) expected.headers.push_back(scan::HeaderLine{i, keyPosition});
        expected.ends.push_back(start + line.size());
        expected.shapes.push_back(static_cast<uint8_t>(PlainShape(line) | (header ? scan::kIsHeader : 0)));
        start += line.size() + lineBreak.size();
    }
    const scan::Units<char> byteUnits(1252);
    for (const Kernel kernel : {Kernel::Scalar, Kernel::Narrow, Kernel::Wide, Kernel::Widest}) {
        SCOPED_TRACE(static_cast<int>(kernel));
        const auto textKernel = static_cast<scan::LineClassifier<char16_t>::Kernel>(kernel);
        const scan::ClassifiedLines lines = Classify<char16_t>(text, lineBreak, scan::kTextUnits, textKernel);
        const scan::ClassifiedLines byteLines = Classify<char>(bytes, lineBreak, byteUnits, kernel);
        ASSERT_EQ(lines.ends, expected.ends);
        EXPECT_EQ(lines.shapes, expected.shapes);
        EXPECT_EQ(lines.headers, expected.headers);
        EXPECT_TRUE(byteLines == lines);
    }
}

}  // namespace

TEST(LineClassifier, EveryKernelAgreesWithSplittingTheKeyListAndTheRules) {
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

// Lines longer than a chunk of 64 units, whose keyword, or the quote
// before it, stands in a later chunk than the line's start: every kernel
// finds the same key as the definitions, at every offset.
TEST(LineClassifier, KeysOfLinesThatCrossChunks) {
    for (const std::string& before : {std::string("Public "), std::string("x = \"a\" "), std::string("' "),
                                      std::string("Friend "), std::string("\tEnd ")}) {
        for (size_t fill = 40; fill < 140; fill += 7) {
            SCOPED_TRACE(before + std::to_string(fill));
            const std::string blanks(fill, ' ');
            ExpectAgreement("Option Explicit\r\n" + blanks + before + "Sub A(b)\r\nEnd Sub");
            ExpectAgreement(before + blanks + "Function F(x) As Long\r\nEnd Function");
            ExpectAgreement(blanks + "y = \"" + before + "\" & z\r\n" + before + "Property Get P()\r\n");
            ExpectAgreement("x = 1\r\n" + blanks + before + "Sub Z(q)");  // the text's last line, with no break
        }
    }
}

// Bytes that no keyword ends with but that the 64-byte kernel may take for
// one ("249 " for "rty ", ")/. " for "ion ", "35\xE2 " for "sub "), before
// a keyword on its line and alone: every kernel finds the keys the
// definitions give, whichever chunk offset they fall at.
TEST(LineClassifier, LookAlikesOfKeywordEndingsAreNoKeys) {
    for (const std::string look : {"249 ", ")/. ", "35\xE2 ", "3U\xA2 ", "R4Y "}) {
        for (size_t fill = 50; fill < 80; fill += 3) {
            SCOPED_TRACE(look + std::to_string(fill));
            const std::string blanks(fill, ' ');
            ExpectAgreement(blanks + "x = " + look + "+ 1\r\n" + look + "Sub A(b)\r\nEnd Sub");
            ExpectAgreement(blanks + "Public " + look + "Function F()\r\n" + look + "Friend Sub Q()");
        }
    }
}

// Texts of many lines whose last units are all line breaks, so that some
// batch ends a few units before the text does: every kernel finds each
// line, and the lines of a chunk and of the last units fit the batch.
TEST(LineClassifier, BatchesThatEndInManyLineBreaks) {
    using Kernel = scan::LineClassifier<char>::Kernel;
    const scan::Units<char> units(1252);
    for (const bool crLf : {false, true}) {
        const std::string line = crLf ? "xy\r\n" : "x\n";
        const std::string lineBreak = crLf ? "\r\n" : "\n";
        for (size_t lines = 400 / line.size() * 2; lines < 1040 / line.size(); ++lines) {
            std::string text;
            for (size_t k = 0; k < lines; ++k) text += line;
            for (size_t breaks = 1; breaks < 140 / lineBreak.size(); ++breaks) {
                text += lineBreak;
                for (const Kernel kernel : {Kernel::Scalar, Kernel::Narrow, Kernel::Wide, Kernel::Widest}) {
                    const scan::ClassifiedLines found =
                        Classify<char>(text, crLf ? vb::CrLf : vb::TextView(u"\n"), units, kernel);
                    ASSERT_EQ(found.Count(), lines + breaks + 1) << lines << " lines, " << breaks << " breaks";
                    ASSERT_EQ(found.ends[found.Count() - 2] + lineBreak.size(), text.size());
                    ASSERT_EQ(found.ends.back(), text.size());
                }
            }
        }
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

// A CR LF or a lone LF at every offset around the blocks the line breaks
// are counted in (64 bytes where the processor compares that many at
// once, 16 otherwise), against counting each LF: a CR and its LF on
// either side of a block's edge are one CR LF.
TEST(LineBreakDetection, LineBreaksAtEveryOffsetAroundABlockEdge) {
    for (size_t at = 0; at < 200; ++at) {
        for (const bool crLf : {false, true}) {
            std::string bytes(at, 'x');
            bytes += crLf ? "\r\n" : "\n";
            bytes += std::string(70, 'y');
            // The text's one line break decides.
            SCOPED_TRACE(std::to_string(at) + (crLf ? " CR LF" : " LF"));
            EXPECT_EQ(vb::DetectLineBreak(std::string_view(bytes)), crLf ? vb::CrLf : vb::TextView(u"\n"));
            EXPECT_EQ(vb::DetectLineBreak(vb::TextView(vb::Decode(bytes, 1252))), crLf ? vb::CrLf : vb::TextView(u"\n"));
        }
    }
}

// The header test against its statement: for P > 1, "end", "exit" and
// "declare" before P (InStr, letter case ignored) turn the line away,
// after each "friend " is taken out of the text before P, which must end in
// a space. In the text and in its bytes.
TEST(HeaderTest, ExclusionWordsAsInStrFindsThem) {
    static const std::vector<std::string> parts = {"end", "EXIT", "Declare", "e", "E", "x", "ex", "decl", "nd",
                                                   " ", "\xE9", "\xCB", "Legend ", "d", "sub ", "Friend ", "friend",
                                                   "fri", "end "};
    const scan::Units<char> byteUnits(1252);
    std::mt19937 random(11);
    for (int i = 0; i < 5000; ++i) {
        std::string bytes;
        for (size_t k = 1 + random() % 12; k > 0; --k) bytes += parts[random() % parts.size()];
        bytes += random() % 2 == 0 ? " Sub X()" : "' note";
        const Text line = vb::Decode(bytes, 1252);
        const int32_t P = RuleKeyPosition(line);
        if (P <= 1) continue;
        const Text before = vb::Replace(vb::TextView(line).substr(0, static_cast<size_t>(P - 1)), u"friend ", u"",
                                        vb::TextCompare);
        const auto holds = [&](vb::TextView word) { return vb::InStr(1, before, word, vb::TextCompare) > 0; };
        const bool expected = line[static_cast<size_t>(P - 1)] != u'\'' &&
                              (before.empty() || (before.back() == u' ' && !holds(u"end") && !holds(u"exit") &&
                                                  !holds(u"declare")));
        SCOPED_TRACE(bytes);
        EXPECT_EQ(scan::rules::HeaderTestAt<char16_t>(line, P, scan::kTextUnits) > 0, expected);
        EXPECT_EQ(scan::rules::HeaderTestAt<char>(bytes, P, byteUnits) > 0, expected);
    }
}

// The classifier tests a key as soon as it finds it, on the line up to the
// key's space: the test must read no further than that, so the verdict on
// that much of a line is the verdict on the whole line.
TEST(HeaderTest, ReadsNoFurtherThanTheKeywordsSpace) {
    const scan::Units<char> byteUnits(1252);
    const std::vector<std::string> starts = {"", "  ", "Public ", "Rem ", "rem\t", "REM", "Remark ", "Friend ",
                                             "Legend ", "x = 1: ", "\xC9 ", "Private Declare "};
    const std::vector<std::string> keywords = {"Sub", "function", "PROPERTY"};
    const std::vector<std::string> rests = {" X()", " End()", " Exit_(a As Long) ' Rem", " Declare()", "", " _"};
    for (const std::string& start : starts) {
        for (const std::string& keyword : keywords) {
            for (const std::string& rest : rests) {
                const std::string bytes = start + keyword + rest;
                const Text line = vb::Decode(bytes, 1252);
                const int32_t P = RuleKeyPosition(line);
                if (P == 0 || line[static_cast<size_t>(P - 1)] == u'\'') continue;
                const size_t space = static_cast<size_t>(P - 1) + keyword.size();
                if (space >= bytes.size()) continue;  // the keyword ends the line: no key
                SCOPED_TRACE(bytes);
                const bool whole = scan::rules::HeaderTestAt<char>(bytes, P, byteUnits) > 0;
                EXPECT_EQ(scan::rules::HeaderTestAt<char>(std::string_view(bytes).substr(0, space + 1), P, byteUnits) > 0,
                          whole);
                EXPECT_EQ(scan::rules::HeaderTestAt<char16_t>(vb::TextView(line).substr(0, space + 1), P,
                                                              scan::kTextUnits) > 0,
                          whole);
            }
        }
    }
}
