// The fast paths of the scan against the rule they implement: the lines of
// a text are its pieces between line breaks, and a line's key position is
// where the first of "sub ", "function ", "friend ", "property ", a double
// quote or an apostrophe occurs, letter case ignored.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "bench/SyntheticProject.h"
#include "source_transformation/LineArray.h"
#include "source_transformation/LineClassifier.h"
#include "vb_runtime/CodePage.h"
#include "vb_runtime/LineBreak.h"
#include "vb_runtime/Strings.h"

namespace {

int32_t RuleKeyPosition(vb::TextView line) {
    static const std::vector<Text> entries = {u"sub ", u"function ", u"friend ", u"property ", u"\"", u"'"};
    int32_t start = 1;
    return scan::InStrArray(start, line, entries, vb::TextCompare);
}

// Texts made of the pieces that matter to the scan, in random order.
Text RandomText(std::mt19937& random, size_t pieces) {
    static const std::vector<Text> parts = {u"Sub ", u"sub", u"SUB ", u"Function ", u"fUnction", u"Friend ",
                                            u"Property ", u"propert", u"\"", u"'", u" ", u"  ", u"\r", u"\n",
                                            u"\r\n", u"x", u"Legend", u"b ", u"End ", u"\t", u"y ", u"d "};
    Text text;
    for (size_t i = 0; i < pieces; ++i) text += parts[random() % parts.size()];
    return text;
}

void ExpectAgreement(const Text& text) {
    const vb::TextView lineBreak = vb::DetectLineBreak(text);
    const std::vector<Text> expected = vb::Split(text, lineBreak);
    scan::LineClassifier classifier(text, lineBreak);
    std::vector<scan::ClassifiedLine> lines;
    while (classifier.AppendBatch(lines)) {
    }
    ASSERT_EQ(lines.size(), expected.size());
    size_t count = 0;
    for (const scan::ClassifiedLine& line : lines) {
        const vb::TextView found = vb::TextView(text).substr(line.start, line.end - line.start);
        ASSERT_EQ(Text(found), expected[count]) << "line " << count;
        ASSERT_EQ(line.P, RuleKeyPosition(found)) << "line " << count;
        ++count;
    }
}

}  // namespace

TEST(LineClassifier, AgreesWithSplittingAndTheKeyList) {
    ExpectAgreement(u"");
    ExpectAgreement(u"Sub A()");
    ExpectAgreement(vb::DecodeAnsi(synthetic::Module(3000, 11)));
    Text lf = vb::DecodeAnsi(synthetic::Module(3000, 12));
    for (size_t at; (at = lf.find(u"\r\n")) != Text::npos;) lf.erase(at, 1);
    ExpectAgreement(lf);
    std::mt19937 random(2024);
    for (int i = 0; i < 2000; ++i) {
        SCOPED_TRACE(i);
        ExpectAgreement(RandomText(random, 1 + random() % 60));
    }
}
