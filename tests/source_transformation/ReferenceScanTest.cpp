// The fast scan against the plain one: on modules made of every construct
// the rules name, alone and combined, in CR LF and LF, over text and over
// bytes, in every mode, both give the same scan field by field.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "ScanComparison.h"
#include "commands/DefaultTemplates.h"
#include "source_transformation/ModuleScan.h"
#include "source_transformation/ReferenceScan.h"
#include "vb_runtime/CodePage.h"
#include "vb_runtime/VbError.h"

namespace {

// Pieces of modules, each a few lines, that exercise one rule.
const std::vector<std::string> kPieces = {
    "Public Sub Plain(ByVal a As Long)\r\n    a = 1\r\nEnd Sub\r\n",
    "Private Sub Blur(ByRef dst() As Double, _\r\n    ByVal n As Long)\r\n    n = 1\r\nEnd Sub\r\n",
    "Function W( _\r\n  a As Long, _\r\n  b As String _\r\n  ) As Long\r\nEND FUNCTION ' x\r\n",
    "Public Function Wide _\r\n    (ByVal a As Long) As Long\r\nEnd Function\r\n",
    "Public Property Get Item(ByVal i As Long) As Variant\r\nAttribute Item.VB_UserMemId = 0\r\n"
    "Attribute Item.VB_Description = \"d\"\r\n    Item = i\r\nEnd Property\r\n",
    "Public Function F(a, _\r\n  b)\r\nAttribute F.VB_Description = \"x _\r\n  y\"\r\nEnd Function\r\n",
    "Friend Function Count() As Long\r\nEnd Function\r\nFriend Property Let V(ByVal x As RECT)\r\nEnd  Property\r\n",
    "Rem this sub (is) slow\r\nRem End Sub _\r\n",
    "Sub Foo(): End Sub\r\nPrivate Sub Go(): x = 1\r\nEnd Sub\r\n",
    "#If Win64 Then\r\nPrivate Sub Alt(ByVal a As LongPtr)\r\n#Else\r\nPrivate Sub Alt(ByVal a As Long)\r\n#End If\r\n"
    "  y = 2\r\nEnd Sub\r\n",
    "#If A Then\r\nSub D(a)\r\n#Else\r\n' other\r\nSub D(b, c)\r\n#End If\r\nEnd Sub\r\n",
    "Sub L()\r\nerrHandler:\r\n  Resume Next\r\nEnd Sub\r\nSub M()\r\nErrorHandler :  ' x\r\nEnd Sub\r\n",
    "Sub E()\r\n  If a Then\r\n  End If ' done\r\n  Legend = 1 ' note\r\n  ' End Sub _\r\n  End Sub\r\nEnd Sub\r\n",
    "Sub NoEnd(a)\r\n  x = 1\r\n",
    "Sub S(Optional t As String = \" _\", Optional u = (1, 2), ParamArray r())\r\n  t = \"End Sub\"\r\nEnd Sub\r\n",
    "Sub \xDC" "ber(ByVal gr\xF6\xDF" "e As Long, c As Color, i As cItem)\r\n' \xE9 \x96\r\nEnd Sub\r\n",
    "Public Enum Color\r\n  Red\r\nEnd Enum\r\n",
    "' trapwright: skip\r\nSub Skipped()\r\nEnd Sub\r\n",
    "Sub Long1(" + std::string(1100, 'a') + ")\r\nEnd Sub\r\n",
    "\r\n   \r\n\tx = 1 _\r\n  + 2\r\n",
    "Private Declare Function GetTickCount Lib \"kernel32\" () As Long\r\n",
    "Sub Rep(ByVal e As ErrObject)\r\n  Debug.Print Erl; VBA.Err.Number\r\nEnd Sub\r\n",
    "Property Let P(ByVal v As Long)\r\n  If v < 0 Then Err.Raise 380: On Error GoTo 0\r\nEnd Property\r\n",
    "Sub G(ByVal Err As Long, erl%)\r\n  On Local Error Resume Next: Error 5\r\n  x = rs!Err + y.Err ' Err _\r\n"
    "  Err.Raise 5\r\nEnd Sub\r\n",
    "#If A Then\r\nPrivate Declare Function F Lib \"k\" () As Long\r\nSub H(a)\r\n#Else\r\nSub H(a, b)\r\n#End If\r\n"
    "  With Err\r\n  End With\r\nEnd Sub\r\n",
};

// Blocks standing where the scan puts them and where earlier versions put
// them: under a continued header's first line and above Attribute lines.
std::string WithBlocks(const std::string& module, const std::string& block) {
    std::string text = module;
    const std::vector<std::pair<std::string, std::string>> places = {
        {"Private Sub Blur(ByRef dst() As Double, _\r\n", "\r\n" + block},
        {"Public Property Get Item(ByVal i As Long) As Variant\r\n", "\r\n" + block},
        {"Public Sub Plain(ByVal a As Long)\r\n", "\r\n" + block},
    };
    for (const auto& [after, inserted] : places) {
        const size_t at = text.find(after);
        if (at != std::string::npos) text.insert(at + after.size(), inserted);
    }
    return text;
}

std::string WithLf(std::string text) {
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
    return text;
}

struct TemplatePair {
    const char* name;
    scan::HandlerTemplates templates;
};

const std::vector<TemplatePair>& Pairs() {
    static const std::vector<TemplatePair> pairs = {
        {"built-in", {templates::DefaultBeginTemplate(), u""}},
        {"classic", {u"On Error GoTo ErrorHandler\r\n",
                     u"Exit [ProcType]\r\nErrorHandler:\r\nLogError \"[ModuleName].[ProcName]\", Err.Number, "
                     u"Err.Description"}},
        {"parameters in the end block", {u"' [ProcName]([Paramenters])\r\n", u"' end [Paramenters]\r\n"}},
    };
    return pairs;
}

void ExpectSameScans(const std::string& bytes, const scan::HandlerTemplates& pair) {
    const scan::FixedTemplates templates(pair);
    const scan::ModuleValues module{u"Mod", u"Mod.bas", u"Proj"};
    for (const int32_t codePage : {1252, 1251}) {
        const Text text = vb::Decode(bytes, codePage);
        for (const scan::ScanMode mode : {scan::ScanMode::Insert, scan::ScanMode::Recognize, scan::ScanMode::Remove,
                                      scan::ScanMode::Locate}) {
            SCOPED_TRACE("code page " + std::to_string(codePage) + ", mode " + std::to_string(static_cast<int>(mode)));
            scan::ScanOptions options;
            options.mode = mode;
            options.module = &module;
            options.optOutComments = true;
            options.keepLines = mode == scan::ScanMode::Locate;
            const scan::ModuleScan plain = scan::ReferenceScan(text, templates, options);
            EXPECT_EQ(testing_support::ScanDifference(scan::ScanModule(text, templates, options), plain), "");
            EXPECT_EQ(testing_support::ScanDifference(scan::ScanModuleBytes(bytes, codePage, templates, options), plain),
                      "");
        }
    }
}

}  // namespace

TEST(ReferenceScan, FastScanGivesThePlainScanOnEveryPieceAndMixture) {
    std::vector<std::string> modules(kPieces.begin(), kPieces.end());
    std::mt19937 random(17);
    for (int k = 0; k < 40; ++k) {
        std::string mixture = k % 2 == 0 ? "Attribute VB_Name = \"cItem\"\r\n" : "";
        for (int n = 0; n < 12; ++n) mixture += kPieces[random() % kPieces.size()];
        if (k % 5 == 0) mixture.resize(mixture.size() - random() % 20);  // cut anywhere
        modules.push_back(mixture);
    }
    for (const TemplatePair& pair : Pairs()) {
        Text blockText = pair.templates.begin;
        blockText.resize(blockText.size() - 2);
        const std::string block = vb::Encode(blockText, 1252) + "\r\n";
        for (size_t i = 0; i < modules.size(); ++i) {
            for (const std::string& module : {modules[i], WithBlocks(modules[i], block)}) {
                for (const std::string& form : {module, WithLf(module)}) {
                    SCOPED_TRACE(std::string(pair.name) + ", module " + std::to_string(i));
                    try {
                        ExpectSameScans(form, pair.templates);
                    } catch (const vb::VbError& error) {
                        ADD_FAILURE() << error.what();
                    }
                }
            }
        }
    }
}

// A procedure whose header, continued lines and continued comment stand
// at every place around the end of the fast scan's first batch of lines:
// what one batch carries into the next (a continuation, a comment, a key
// and the shape of a line not yet ended) gives the plain scan.
TEST(ReferenceScan, FastScanGivesThePlainScanAroundABatchEnd) {
    const std::string procedure = "Public Function F(a, _\r\n    b) As Long\r\n    ' note _\r\n"
                                  "    Err.Raise 5\r\n    F = a _\r\n      + b\r\nEnd Function\r\n";
    for (size_t filler = 500; filler < 530; ++filler) {
        std::string module;
        for (size_t k = 0; k < filler; ++k) module += "x = 1\r\n";
        SCOPED_TRACE(filler);
        ExpectSameScans(module + procedure, Pairs().front().templates);
        ExpectSameScans(WithLf(module + procedure), Pairs().front().templates);
    }
}

TEST(ReferenceScan, BothFailAtTheSameHeaderForAnEmptyBeginTemplate) {
    const scan::FixedTemplates templates(scan::HandlerTemplates{u"", u""});
    const std::string module = "Sub Foo(): End Sub\r\nSub NoEnd()\r\nSub Ok()\r\nEnd Sub\r\n";
    for (const bool fast : {false, true}) {
        try {
            fast ? scan::ScanModuleBytes(module, 1252, templates, {})
                 : scan::ReferenceScan(vb::Decode(module, 1252), templates, {});
            ADD_FAILURE() << "no error";
        } catch (const vb::VbError& error) {
            EXPECT_NE(error.Context().find("line 3"), std::string::npos) << error.Context();
        }
    }
}

// A long header line that is still open when a batch of lines ends: its key
// is judged as it is found, before the line ends, and the header reaches
// the walk with its line, whether the lines are classified in place or
// handed over by a second thread. A first line of varied length moves the
// header across the place where the batch of 512 lines ends.
TEST(ReferenceScan, AHeaderLineOpenAcrossABatchEnd) {
    const std::string procedures = "Public Sub Wide(" + std::string(600, 'a') +
                                   ")\r\n  x = 1\r\nEnd Sub\r\nFriend Function After(b)\r\nEnd Function\r\n";
    const scan::FixedTemplates templates(Pairs().front().templates);
    std::string lines;
    for (size_t k = 0; k < 511; ++k) lines += "x = 1\r\n";
    for (size_t first = 0; first < 520; first += 13) {
        const std::string module = "' " + std::string(first, 'c') + "\r\n" + lines + procedures + lines;
        SCOPED_TRACE(first);
        ExpectSameScans(module, Pairs().front().templates);
        scan::ScanOptions options;
        options.classifyAhead = true;
        EXPECT_EQ(testing_support::ScanDifference(scan::ScanModuleBytes(module, 1252, templates, options),
                                                  scan::ReferenceScan(vb::Decode(module, 1252), templates, options)),
                  "");
    }
}
