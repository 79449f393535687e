// The scan over a file's own bytes gives what the scan over its decoded
// text gives: the same headers, values, sites, states and insertions, in
// every mode, in Windows-1252 and Windows-1251; and with its lines
// classified on a second thread.
#include <gtest/gtest.h>

#include "ScanComparison.h"

#include <random>
#include <string>
#include <vector>

#include "bench/SyntheticProject.h"
#include "commands/DefaultTemplates.h"
#include "source_transformation/ClassifyAhead.h"
#include "source_transformation/LineClassifier.h"
#include "source_transformation/ModuleScan.h"
#include "source_transformation/clsVBParser.h"
#include "vb_runtime/CodePage.h"
#include "vb_runtime/VbError.h"

namespace {

const scan::HandlerTemplates kTemplates{
    templates::DefaultBeginTemplate() + u"' in [ModuleName] ([FileName])\r\n", u"' end of [ProcName]\r\n"};

// A module with non-ASCII names and parameters, an opted-out header and
// procedures of every kind.
const std::string kAccentedModule =
    "Attribute VB_Name = \"Gr\xFC\xDF\"\r\n"
    "Public Sub Gr\xFC\xDF" "e(ByVal \xE4 As Long, Optional b\xF6se As String = \"\xE9\")\r\n"
    "    MsgBox \"\xE9t\xE9\"\r\n"
    "End Sub\r\n"
    "' trapwright: skip\r\n"
    "Private Function Sk\xEEp() As Long\r\n"
    "    Exit Function ' \xFF\r\n"
    "End Function ' done\r\n"
    "Friend Property Get \xC6on() As Variant\r\n"
    "Declare Function X Lib \"k\" ()\r\n"
    "End Property\r\n";

// The module after a plain add, as bytes: its blocks stand.
std::string Added(const std::string& bytes, int32_t codePage) {
    clsVBParser parser;
    parser.CodeInput(vb::Decode(bytes, codePage));
    parser.AddErrorHandler(kTemplates.begin, kTemplates.end);
    return vb::Encode(parser.CodeOutput(), codePage);
}

// Two scans of one module (`a` and `b`, each named by what made it) agree
// in every header, value, procedure, site, state and insertion.
void ExpectEqualScans(const scan::ModuleScan& a, const scan::ModuleScan& b) {
    EXPECT_EQ(testing_support::ScanDifference(a, b), "");
}

scan::ScanOptions OptionsFor(scan::ScanMode mode, const scan::ModuleValues& module) {
    scan::ScanOptions options;
    options.mode = mode;
    options.module = &module;
    options.optOutComments = true;
    return options;
}

const scan::ModuleValues kModule{u"Mod\xE9", u"Mod.bas", u"Proj"};

void ExpectSameScan(const std::string& bytes, int32_t codePage, scan::ScanMode mode) {
    const scan::FixedTemplates templates(kTemplates);
    const scan::ScanOptions options = OptionsFor(mode, kModule);
    ExpectEqualScans(scan::ScanModuleBytes(bytes, codePage, templates, options),
                     scan::ScanModule(vb::Decode(bytes, codePage), templates, options));
}

std::string WithLf(std::string bytes) {
    for (size_t at; (at = bytes.find("\r\n")) != std::string::npos;) bytes.erase(at, 1);
    return bytes;
}

}  // namespace

TEST(ByteScan, GivesWhatTheTextScanGives) {
    std::string edited = Added(kAccentedModule, 1252);
    edited.replace(edited.find("On Error GoTo errHandler"), 24, "On Error GoTo elsewhere");
    std::mt19937 random(5);
    std::string pieces;
    static const std::vector<std::string> parts = {"Sub A(", "x, ByRef \xE9", ")", "End ", "\"", "'", " ", "\r\n",
                                                   "\n", "Function ", "\xC0", "Exit ", "Property ", "(", "Legend "};
    for (int k = 0; k < 4000; ++k) pieces += parts[random() % parts.size()];

    const std::vector<std::pair<const char*, std::string>> modules = {
        {"accented", kAccentedModule},
        {"accented, LF", WithLf(kAccentedModule)},
        {"accented, handled", Added(kAccentedModule, 1252)},
        {"accented, handled in 1251", Added(kAccentedModule, 1251)},
        {"accented, edited block", edited},
        {"synthetic", synthetic::Module(3000, 9)},
        {"synthetic, handled", Added(synthetic::Module(3000, 9), 1252)},
        {"synthetic, LF, handled", WithLf(Added(synthetic::Module(3000, 9), 1252))},
        {"random pieces", pieces},
        {"empty", ""},
    };
    for (const auto& [name, bytes] : modules) {
        for (const int32_t codePage : {1252, 1251}) {
            for (const scan::ScanMode mode : {scan::ScanMode::Insert, scan::ScanMode::Recognize}) {
                SCOPED_TRACE(std::string(name) + ", code page " + std::to_string(codePage) +
                             (mode == scan::ScanMode::Insert ? ", insert" : ", recognize"));
                ExpectSameScan(bytes, codePage, mode);
            }
        }
    }
}

TEST(ByteScan, OnlyForCodePagesThatKeepAsciiBytes) {
    EXPECT_TRUE(vb::KeepsAsciiBytes(1252));
    EXPECT_TRUE(vb::KeepsAsciiBytes(1251));
    EXPECT_TRUE(vb::KeepsAsciiBytes(874));
    EXPECT_FALSE(vb::KeepsAsciiBytes(932));
    EXPECT_FALSE(vb::KeepsAsciiBytes(65001));
}

TEST(ClassifyAhead, GivesTheScanOfTheLinesClassifiedInPlace) {
    // Enough lines for several handovers, with blocks standing in half of it.
    const std::string plain = synthetic::Module(20000, 11);
    const std::string module = plain + "\r\n" + Added(plain, 1252);
    const scan::FixedTemplates templates(kTemplates);
    for (const scan::ScanMode mode : {scan::ScanMode::Insert, scan::ScanMode::Recognize}) {
        SCOPED_TRACE(mode == scan::ScanMode::Insert ? "insert" : "recognize");
        scan::ScanOptions options = OptionsFor(mode, kModule);
        const scan::ModuleScan inPlace = scan::ScanModuleBytes(module, 1252, templates, options);
        options.classifyAhead = true;
        ExpectEqualScans(scan::ScanModuleBytes(module, 1252, templates, options), inPlace);
        const Text text = vb::Decode(module, 1252);
        ExpectEqualScans(scan::ScanModule(text, templates, options), inPlace);
    }
}

TEST(ClassifyAhead, AScanThatFailsStopsTheClassifier) {
    // An empty begin template fails at the first header; the lines still
    // being classified are left unread.
    const std::string module = synthetic::Module(40000, 3);
    const scan::FixedTemplates templates(scan::HandlerTemplates{u"", u""});
    scan::ScanOptions options;
    options.classifyAhead = true;
    try {
        scan::ScanModuleBytes(module, 1252, templates, options);
        ADD_FAILURE() << "the scan did not fail";
    } catch (const vb::VbError& error) {
        EXPECT_EQ(error.Number(), vb::ErrInvalidArgument);
    }
}

TEST(ClassifyAhead, HandsOverEveryLineAtAnyCount) {
    // Line counts around the first handover (512 lines) and the next
    // (8192 more), with and without a final line break, CR LF and LF.
    for (const size_t count : {size_t{0}, size_t{1}, size_t{511}, size_t{512}, size_t{513}, size_t{8704}, size_t{8705}}) {
        for (const std::string lineBreak : {"\r\n", "\n"}) {
            for (const bool finalBreak : {false, true}) {
                std::string text;
                for (size_t i = 0; i < count; ++i) {
                    text += i % 3 == 0 ? "End Sub ' x" : "x = 1";
                    if (i + 1 < count || finalBreak) text += lineBreak;
                }
                SCOPED_TRACE(std::to_string(count) + " lines, " + (lineBreak == "\n" ? "LF" : "CR LF") +
                             (finalBreak ? ", final break" : ""));
                const vb::TextView breakText = lineBreak == "\n" ? vb::TextView(u"\n") : vb::TextView(u"\r\n");
                const scan::Units<char> units(1252);
                scan::LineClassifier<char> inPlace(text, breakText, units);
                scan::ClassifiedLines expected;
                while (inPlace.AppendBatch(expected)) {
                }
                scan::ClassifyAhead<char> ahead(text, breakText, units);
                scan::ClassifiedLines lines;
                while (ahead.AppendBatch(lines)) {
                }
                ASSERT_EQ(lines.Count(), count == 0 ? 0 : count + (finalBreak ? 1 : 0));
                EXPECT_TRUE(lines == expected);
            }
        }
    }
}

TEST(ModuleScanResult, HeadersKeepTheirValuesWhenTheResultMoves) {
    // Values short enough for a text's own small buffer, which a move
    // would leave behind.
    const scan::FixedTemplates templates(kTemplates);
    std::vector<scan::ModuleScan> results;
    for (int k = 0; k < 8; ++k) results.push_back(scan::ScanModuleBytes("Sub A(b)\r\n", 1252, templates, {}));
    for (const scan::ModuleScan& result : results) {
        ASSERT_EQ(result.headers.size(), 1u);
        EXPECT_EQ(result.headers[0].kind, vb::TextView(u"Sub "));
        EXPECT_EQ(result.headers[0].name, vb::TextView(u"A"));
        EXPECT_EQ(result.headers[0].parameters, vb::TextView(u"b"));
    }
}

// Parameter modifiers, and words that only start like one, at the start of
// parameters long enough that the bytes are compared sixteen at a time: in
// any letter case, after tabs, twice over. The byte scan lists the names
// the text scan lists, and those are the parameters' names.
TEST(ByteScan, ParameterModifiersInLongParameters) {
    struct Row {
        const char* parameter;
        std::u16string listed;
    };
    const std::vector<Row> rows = {
        {"OPTIONAL byval LongName1 As Long", u"LongName1"},
        {"Optional\tByRef\tTabbed12 As String", u"Tabbed12"},
        {"ParamArray Rest123456() As Variant", u""},
        {"paramarrays Rest1234567 As Long", u"paramarrays"},
        {"ByValue1234 As Long = 1234", u"ByValue1234"},
        {"byref_x12345678 As Long", u"byref_x12345678"},
        {"Optionally12345 As Long", u"Optionally12345"},
        {"bYrEf  bYvAl  Twice12345 As Date", u"Twice12345"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.parameter);
        const std::string bytes = "Sub P(" + std::string(row.parameter) + ")\r\n  x = 1\r\nEnd Sub\r\n";
        const scan::FixedTemplates templates(kTemplates);
        const scan::ScanOptions options = OptionsFor(scan::ScanMode::Insert, kModule);
        const scan::ModuleScan fromBytes = scan::ScanModuleBytes(bytes, 1252, templates, options);
        ExpectEqualScans(fromBytes, scan::ScanModule(vb::Decode(bytes, 1252), templates, options));
        ASSERT_EQ(fromBytes.headers.size(), 1u);
        EXPECT_EQ(fromBytes.headers[0].parameters, row.listed);
    }
}
