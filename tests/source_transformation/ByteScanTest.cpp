// The scan over a file's own bytes gives what the scan over its decoded
// text gives: the same headers, values, sites, states and insertions, in
// every mode, in Windows-1252 and Windows-1251.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "bench/SyntheticProject.h"
#include "commands/DefaultTemplates.h"
#include "source_transformation/ModuleScan.h"
#include "source_transformation/clsVBParser.h"
#include "vb_runtime/CodePage.h"

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

void ExpectSameScan(const std::string& bytes, int32_t codePage, scan::ScanMode mode) {
    const Text text = vb::Decode(bytes, codePage);
    const scan::FixedTemplates templates(kTemplates);
    const scan::ModuleValues module{u"Mod\xE9", u"Mod.bas", u"Proj"};
    scan::ScanOptions options;
    options.mode = mode;
    options.module = &module;
    options.optOutComments = true;
    const scan::ModuleScan fromText = scan::ScanModule(text, templates, options);
    const scan::ModuleScan fromBytes = scan::ScanModuleBytes(bytes, codePage, templates, options);

    EXPECT_EQ(fromBytes.lineBreak, fromText.lineBreak);
    ASSERT_EQ(fromBytes.headers.size(), fromText.headers.size());
    for (size_t i = 0; i < fromText.headers.size(); ++i) {
        EXPECT_EQ(fromBytes.headers[i].line, fromText.headers[i].line) << "header " << i;
        EXPECT_EQ(fromBytes.headers[i].kind, fromText.headers[i].kind) << "header " << i;
        EXPECT_EQ(fromBytes.headers[i].name, fromText.headers[i].name) << "header " << i;
        EXPECT_EQ(fromBytes.headers[i].parameters, fromText.headers[i].parameters) << "header " << i;
    }
    ASSERT_EQ(fromBytes.sites.size(), fromText.sites.size());
    for (size_t i = 0; i < fromText.sites.size(); ++i) {
        const scan::BlockSite& b = fromBytes.sites[i];
        const scan::BlockSite& t = fromText.sites[i];
        SCOPED_TRACE("site " + std::to_string(i));
        EXPECT_EQ(b.kind, t.kind);
        EXPECT_EQ(b.line, t.line);
        EXPECT_EQ(b.header, t.header);
        EXPECT_EQ(b.state, t.state);
        EXPECT_EQ(b.insertAt, t.insertAt);
        EXPECT_EQ(b.from, t.from);
        EXPECT_EQ(b.to, t.to);
        if (t.state == scan::BlockState::Missing) {
            Text fromBytesInsertion;
            Text fromTextInsertion;
            fromBytes.AppendInsertion(b, fromBytesInsertion);
            fromText.AppendInsertion(t, fromTextInsertion);
            EXPECT_EQ(fromBytesInsertion, fromTextInsertion);
        }
    }
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
            for (const scan::ScanMode mode : {scan::ScanMode::Insert, scan::ScanMode::RecognizeBlocks}) {
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
