// Why a procedure gets its blocks or is refused: the verdict and its reason
// for each header of small modules, as the scan gives it over text, over
// bytes and by the plain rules alike.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ScanComparison.h"
#include "commands/DefaultTemplates.h"
#include "source_transformation/ModuleScan.h"
#include "source_transformation/ReferenceScan.h"
#include "vb_runtime/CodePage.h"

namespace {

using scan::BlockState;
using scan::Refusal;

// One header's verdict: refused for `refusal` (None: it gets its block),
// naming `detail` or the 1-based line of the sign.
struct Expected {
    Expected(Refusal why = Refusal::None, int line = 0, std::string named = {})
        : refusal(why), signLine(line), detail(std::move(named)) {}
    Refusal refusal;
    int signLine;
    std::string detail;
};

// The begin sites' verdicts of a module, in header order, after checking
// that the three scans agree on it.
std::vector<Expected> Verdicts(const std::string& bytes, const std::string& endTemplate = "") {
    const scan::FixedTemplates templates(
        scan::HandlerTemplates{templates::DefaultBeginTemplate(), vb::Decode(endTemplate, 1252)});
    const Text text = vb::Decode(bytes, 1252);
    const scan::ScanOptions options;
    const scan::ModuleScan fast = scan::ScanModule(text, templates, options);
    EXPECT_EQ(testing_support::ScanDifference(fast, scan::ScanModuleBytes(bytes, 1252, templates, options)), "");
    EXPECT_EQ(testing_support::ScanDifference(fast, scan::ReferenceScan(text, templates, options)), "");
    std::vector<Expected> verdicts;
    for (const scan::BlockSite& site : fast.sites) {
        if (site.kind != scan::BlockSite::Kind::Begin) continue;
        Expected verdict;
        if (site.state == BlockState::Refused) {
            verdict.refusal = site.refusal;
            verdict.detail = vb::ToUtf8(site.detail);
            const bool sign = site.refusal == Refusal::ReadsError || site.refusal == Refusal::RaisesError;
            verdict.signLine = sign ? static_cast<int>(site.refusalLine + 1) : 0;
        } else {
            EXPECT_EQ(site.state, BlockState::Missing);
        }
        verdicts.push_back(verdict);
    }
    return verdicts;
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

}  // namespace

// A body that reads the error it was called with, or raises one for its
// caller, before any On Error of its own (the header is line 1).
TEST(Verdict, BodiesThatUseTheErrorState) {
    struct Row {
        const char* name;
        std::string header;
        std::vector<std::string> body;
        Expected expected;
    };
    const std::string sub = "Public Sub Report(ByVal a As Long)";
    const std::vector<Row> rows = {
        {"Erl", sub, {"    Debug.Print Erl"}, {Refusal::ReadsError, 2}},
        {"Err.Number", sub, {"    x = 1", "    If Err.Number <> 0 Then Log"}, {Refusal::ReadsError, 3}},
        {"VBA.Err.Number", sub, {"    Log VBA.Err.Number"}, {Refusal::ReadsError, 2}},
        {"Err passed whole", sub, {"    MngError Err, \"Report\""}, {Refusal::ReadsError, 2}},
        {"As ErrObject", "Sub MngError(ByRef e As ErrObject, _", {"    ByVal where As String)"}, {Refusal::ReadsError, 1}},
        {"As ErrObject on a continued header", "Sub MngError(ByVal where As String, _", {"    e As ErrObject)"},
         {Refusal::ReadsError, 2}},
        {"As VBA.ErrObject", "Sub MngError(ByVal e As VBA.ErrObject)", {"    Log e.Number"}, {Refusal::ReadsError, 1}},
        {"Err.Raise before On Error", sub, {"    If a < 0 Then Err.Raise 380", "    On Error GoTo 0"}, {Refusal::RaisesError, 2}},
        {"Error 5", sub, {"    Error 5"}, {Refusal::RaisesError, 2}},
        {"Error after Then", sub, {"    If a Then Error 5 Else x = 1"}, {Refusal::RaisesError, 2}},
        {"Error on a numbered line", sub, {"10  Error 5"}, {Refusal::RaisesError, 2}},
        {"Error (5) after a colon", sub, {"    x = 1: Error (5)"}, {Refusal::RaisesError, 2}},
        {"Err.Raise after On Error", sub, {"    On Error GoTo Fail", "    Err.Raise 5", "Fail:"}, {}},
        {"Err.Raise after On Local Error", sub, {"    On Local Error Resume Next", "    Err.Raise 5"}, {}},
        {"On Error left of the raise", sub, {"    On Error Resume Next: Err.Raise 5"}, {}},
        {"raise left of On Error", sub, {"    Err.Raise 5: On Error GoTo 0"}, {Refusal::RaisesError, 2}},
        {"Err.Clear", sub, {"    Err.Clear"}, {}},
        {"Err.LastDllError", sub, {"    r = Err.LastDllError"}, {}},
        {"Err in a string", sub, {"    MsgBox \"Err.Number \"\"Erl\"\"\""}, {}},
        {"Err in a comment", sub, {"    x = 1 ' Err.Raise 5", "    Rem Erl", "    y = 2: Rem Err"}, {}},
        {"Err in a continued comment", sub, {"    ' note _", "    Err.Raise 5"}, {}},
        {"longer names and members", sub, {"    MyErr.Number = rs!Err + x.Err + Errors + ErrorIn"}, {}},
        {"On Error itself", sub, {"    On Error GoTo ErrHandler"}, {}},
        {"Error$ as a value", sub, {"    s = Error$(5)"}, {}},
        {"With Err", sub, {"    With Err", "        .Number = 0", "    End With"}, {Refusal::ReadsError, 2}},
        {"a write to Err", sub, {"    Err.Number = 0"}, {Refusal::ReadsError, 2}},
        {"Err on a continuation line", sub, {"    Log 1, _", "        Err.Description"}, {Refusal::ReadsError, 3}},
        {"parameter ByVal Err", "Sub Set1(ByVal Err As Long)", {"    x = 1"}, {Refusal::ErrParameter, 0, "Err"}},
        {"parameter Erl%", "Sub Set2(erl%, Optional b)", {"    x = 1"}, {Refusal::ErrParameter, 0, "erl"}},
        {"parameter first, then a raise", "Sub Set3(ByVal Err As Long)", {"    Err.Raise 5"},
         {Refusal::ErrParameter, 0, "Err"}},
        {"the first sign names it", sub, {"    Err.Raise 5", "    Debug.Print Erl"}, {Refusal::RaisesError, 2}},
        {"none", sub, {"    MsgBox a"}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> lines = {row.header};
        lines.insert(lines.end(), row.body.begin(), row.body.end());
        lines.push_back("End Sub");
        const Expected& expected = row.expected;
        for (const std::string lineBreak : {"\r\n", "\n"}) {
            std::string module = Lines(lines);
            if (lineBreak == "\n") {
                for (size_t at; (at = module.find("\r\n")) != std::string::npos;) module.erase(at, 1);
            }
            const std::vector<Expected> verdicts = Verdicts(module);
            ASSERT_EQ(verdicts.size(), 1u);
            EXPECT_EQ(verdicts[0].refusal, expected.refusal);
            EXPECT_EQ(verdicts[0].signLine, expected.signLine);
            EXPECT_EQ(verdicts[0].detail, expected.detail);
        }
    }
}

// Headers whose #If branches each hold part of the procedure: both get
// their begin blocks, and the procedure one end block above its End line.
TEST(Verdict, SplitHeadersAreAlternatives) {
    struct Row {
        const char* name;
        std::vector<std::string> lines;
        size_t headers;     // the procedure's headers
        size_t endLine;     // 0-based: its End line
    };
    const std::vector<Row> rows = {
        {"blanks and comments between",
         {"#If Win64 Then", "Sub A(ByVal p As LongPtr)", "#Else", "' 32 bits", "", "Sub A(ByVal p As Long)", "#End If",
          "End Sub"},
         2, 7},
        {"declarations between",
         {"#If X Then", "Private Declare Function F Lib \"k\" () As Long", "Sub B()", "#Else",
          "Private Declare Function G Lib \"k\" () As Long", "Sub B()", "#End If", "  y = F()", "End Sub"},
         2, 8},
        {"code between",
         {"#If X Then", "Function C()", "  C = 1", "#Else", "Function C()", "  C = 2", "#End If", "End Function"}, 2, 7},
        {"three branches",
         {"#If A Then", "Sub D(a)", "#ElseIf B Then", "Sub D(a)", "#Else", "Sub D(a)", "#End If", "End Sub"}, 3, 7},
    };
    const scan::FixedTemplates templates(
        scan::HandlerTemplates{templates::DefaultBeginTemplate(), u"' end of [ProcName]\r\n"});
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Text text = vb::Decode(Lines(row.lines), 1252);
        const scan::ModuleScan result = scan::ScanModule(text, templates, scan::ScanOptions{});
        EXPECT_EQ(testing_support::ScanDifference(result, scan::ReferenceScan(text, templates, scan::ScanOptions{})), "");
        ASSERT_EQ(result.procedures.size(), 1u);
        EXPECT_EQ(result.procedures[0].headerCount, row.headers);
        EXPECT_TRUE(result.procedures[0].hasEndLine);
        EXPECT_EQ(result.procedures[0].endLine, row.endLine);
        size_t begins = 0;
        size_t ends = 0;
        for (const scan::BlockSite& site : result.sites) {
            EXPECT_EQ(site.state, BlockState::Missing);
            (site.kind == scan::BlockSite::Kind::Begin ? begins : ends) += 1;
        }
        EXPECT_EQ(begins, row.headers);
        EXPECT_EQ(ends, 1u);
    }
    // Headers with no directive between them are not alternatives, nor are
    // they when the first has a statement on its own line.
    for (const std::vector<std::string>& lines :
         {std::vector<std::string>{"Sub E()", "  x = 1", "Sub E2()", "End Sub"},
          std::vector<std::string>{"#If X Then", "Sub F(): x = 1", "#Else", "Sub F()", "#End If", "End Sub"}}) {
        const scan::ModuleScan result = scan::ScanModule(vb::Decode(Lines(lines), 1252), templates, scan::ScanOptions{});
        EXPECT_EQ(result.procedures.size(), 2u) << lines[1];
    }
}

// Every header of a module with its verdict and reason, the rules tried in
// their order.
TEST(Verdict, EachHeaderOfAModuleWithItsReason) {
    const std::string module = Lines({
        "Attribute VB_Name = \"Mixed\"",                                  // 1
        "Sub Plain()",                                                     // 2
        "End Sub",                                                         // 3
        "Sub OneLine(): End Sub",                                          // 4
        "Function NoEnd(a)",                                               // 5
        "  NoEnd = a",                                                     // 6
        "Sub Reporter(ByVal Err As Long)",                                 // 7
        "  Debug.Print Erl",                                               // 8
        "End Sub",                                                         // 9
        "Property Let Value(ByVal v As Long)",                             // 10
        "  If v < 0 Then Err.Raise 380",                                   // 11
        "End Property",                                                    // 12
        "Sub Labelled()",                                                  // 13
        "errHandler:",                                                     // 14
        "  Resume Next",                                                   // 15
        "End Sub",                                                         // 16
        "Sub Long1(" + std::string(1000, 'a') + ")",                        // 17
        "End Sub",                                                         // 18
        "Sub Handles()",                                                   // 19
        "  On Error GoTo Fail",                                            // 20
        "  Err.Raise 5",                                                   // 21
        "Fail:",                                                           // 22
        "  MsgBox Err.Description",                                        // 23
        "End Sub",                                                         // 24
    });
    const std::vector<Expected> verdicts = Verdicts(module);
    const std::vector<Expected> expected = {
        {},
        {Refusal::StatementAfterHeader},
        {Refusal::NoEndLine},
        {Refusal::ErrParameter, 0, "Err"},
        {Refusal::RaisesError, 11},
        {Refusal::HasLabel, 0, "errHandler"},
        {Refusal::LongLine},
        {},
    };
    ASSERT_EQ(verdicts.size(), expected.size());
    for (size_t k = 0; k < expected.size(); ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(verdicts[k].refusal, expected[k].refusal);
        EXPECT_EQ(verdicts[k].signLine, expected[k].signLine);
        EXPECT_EQ(verdicts[k].detail, expected[k].detail);
    }
}

// A block's line at the longest VB6 accepts and one unit past it, whether
// the bound on a template's line lengths tells or the lines are measured:
// several placeholders on a line, values that hold brackets, and a name
// that holds a placeholder a later step replaces with a longer value.
TEST(LongLines, TheLimitIsExact) {
    struct Row {
        const char* name;
        Text beginTemplate;
        Text kind;
        Text procedure;
        Text parameters;
        bool mayHoldBrackets;
        bool longer;
    };
    const Text a1017(1017, u'a');
    const Text a1018(1018, u'a');
    Text placeholders;
    for (int k = 0; k < 80; ++k) placeholders += u"[ProcType]";
    const std::vector<Row> rows = {
        {"one placeholder, 1023 units", u"Log \"[ProcName]\"\r\n", u"Sub ", a1017, u"", false, false},
        {"one placeholder, 1024 units", u"Log \"[ProcName]\"\r\n", u"Sub ", a1018, u"", false, true},
        {"two placeholders, 1023 units", u"[ProcName] [Paramenters]\r\n", u"Sub ", Text(1000, u'n'), Text(22, u'p'),
         false, false},
        {"two placeholders, 1024 units", u"[ProcName] [Paramenters]\r\n", u"Sub ", Text(1000, u'n'), Text(23, u'p'),
         false, true},
        {"a name with brackets, 1023 units", u"Log \"[ProcName]\"\r\n", u"Sub ", u"[b]" + Text(1014, u'a'), u"", true,
         false},
        {"a name with brackets, 1024 units", u"Log \"[ProcName]\"\r\n", u"Sub ", u"[b]" + Text(1015, u'a'), u"", true,
         true},
        {"a name of 800 units that becomes 1040", u"[ProcName]\r\n", u"Property Get ", placeholders, u"", true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const scan::HandlerTemplate block(row.beginTemplate, scan::HandlerTemplate::Role::Begin, vb::CrLf, nullptr);
        scan::ProcedureHeader values;
        values.kind = row.kind;
        values.name = row.procedure;
        values.parameters = row.parameters;
        values.valuesMayHoldBrackets = row.mayHoldBrackets;
        EXPECT_EQ(block.HasLineLongerThan(values, scan::kLongestLine), row.longer);
    }
}
