// clsVBParser: line array utilities, header recognition and parsing, and
// handler insertion, checked on CodeOutput.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "source_transformation/HandlerTemplate.h"
#include "source_transformation/clsVBParser.h"
#include "commands/DefaultTemplates.h"
#include "vb_runtime/CodePage.h"
#include "vb_runtime/VbError.h"

using testing_support::CrLfLines;

namespace {

Text T(const std::string& utf8) { return vb::FromUtf8(utf8); }
std::string U(const Text& text) { return vb::ToUtf8(text); }

// A begin template that shows the three values of a header on one line.
const Text kProbeBegin = u"[ProcType]|[ProcName]|[Paramenters]\r\n";

// The begin block that kProbeBegin gives for a header line, as CodeOutput shows it.
std::string ProbeBlock(const std::string& header, const std::string& kind, const std::string& name,
                       const std::string& parameters) {
    return header + "\r\n\r\n" + kind + "|" + name + "|" + parameters;
}

std::string Repeated(const std::string& text, int times) {
    std::string repeated;
    for (int k = 0; k < times; ++k) repeated += text;
    return repeated;
}

std::string Transform(const std::string& input, const Text& begin = kProbeBegin, const Text& end = Text()) {
    clsVBParser parser;
    parser.CodeInput(T(input));
    parser.AddErrorHandler(begin, end);
    return U(parser.CodeOutput());
}

}  // namespace

TEST(InStrArray, FindsTheSmallestPositionOfAnyElement) {
    struct Row {
        const char* name;
        int32_t start;
        std::string text;
        std::vector<Text> elements;
        int32_t expected;
        int32_t startAfter;
    };
    const std::vector<Row> rows = {
        {"empty text", 1, "", {u"a"}, 0, 1},
        {"earliest of two", 1, "xxbxa", {u"a", u"b"}, 3, 1},
        {"same smallest position", 1, "xab", {u"a", u"ab"}, 2, 1},
        {"found only before Start", 3, "ab", {u"a"}, 0, 3},
        {"Start below 1 becomes 1", -4, "ab", {u"a"}, 1, 1},
        {"Start past the end", 5, "abc", {u"c"}, 0, 5},
        {"no element", 1, "abc", {}, 0, 1},
        {"case ignored in mode 1", 1, "Public SUB x", {u"sub "}, 8, 1},
    };
    clsVBParser parser;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        int32_t start = row.start;
        EXPECT_EQ(parser.InStrArray(start, T(row.text), row.elements, 1), row.expected);
        EXPECT_EQ(start, row.startAfter);
    }
    int32_t start = 1;
    EXPECT_EQ(parser.InStrArray(start, u"Public SUB x", {u"sub "}, 0), 0) << "mode 0 compares exactly";
}

TEST(RemoveInArray, CutsAtTheMarkerAndTrims) {
    struct Row {
        const char* name;
        std::vector<Text> input;
        Text marker;
        std::vector<Text> expected;
    };
    const std::vector<Row> rows = {
        {"worked example", {u"ByVal a As Long", u" Optional ByRef b As String"}, u"as ", {u"ByVal a", u"Optional ByRef b"}},
        {"marker absent: only trimmed", {u"  x  "}, u"as ", {u"x"}},
        {"marker at position 1", {u"as x"}, u"as ", {u""}},
        {"empty marker empties every element", {u"abc", u" d"}, u"", {u"", u""}},
        {"tabs are kept", {u"\tx\t"}, u"as ", {u"\tx\t"}},
        {"marker inside a name", {u"ByVal Alias As String"}, u"as ", {u"ByVal Ali"}},
        {"empty array", {}, u"as ", {}},
    };
    clsVBParser parser;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<Text> array = row.input;
        const std::vector<Text> result = parser.RemoveInArray(array, row.marker, 1);
        EXPECT_EQ(array, row.expected);
        EXPECT_EQ(result, row.expected);
    }
}

// Headers as the compiler reads them: each row is a module of `declarations`,
// then `header` (its lines, continuation and Attribute lines included), a
// body line and "End Sub". The probe block shows the three values and goes
// after the header's last line; a procedure that cannot take a block
// safely (no kind given) is left as it is.
TEST(HeaderParsing, ValuesAndPlaceOfTheBlock) {
    struct Row {
        const char* name;
        std::string header;
        std::string kind;  // empty: the procedure is left as it is
        std::string procedure;
        std::string parameters;
        std::string declarations;
    };
    const std::string run = "Attribute VB_Name = \"cItem\"\r\nPublic Enum Color\r\n  Red\r\nEnd Enum\r\n";
    const std::vector<Row> rows = {
        {"worked example", "Public Function Total(ByVal a As Long, Optional ByRef b As String) As Double", "Function",
         "Total", "a, b", ""},
        {"no parameters", "Sub Main()", "Sub", "Main", "", ""},
        {"property name keeps its verb", "Public Property Let Value(ByVal v As Long)", "Property", "Let Value", "v", ""},
        {"letter case as written", "SUB Main()", "SUB", "Main", "", ""},
        {"name as written, untrimmed", "Global Function G  (a)", "Function", "G  ", "a", ""},
        // Friend is a modifier.
        {"Friend Function", "Friend Function Count() As Long", "Function", "Count", "", ""},
        {"Friend Sub", "Friend Sub Refresh()", "Sub", "Refresh", "", ""},
        {"Friend Property", "Friend Property Get Value()", "Property", "Get Value", "", ""},
        // Continued headers: the block goes after the last line.
        {"continued over two lines", "Private Sub Blur(ByRef dst() As Double, _\r\n    ByVal n As Long)", "Sub",
         "Blur", "dst, n", ""},
        {"continued over several lines", "Sub W( _\r\n  a As Long, _\r\n  b As String _\r\n  )", "Sub", "W", "a, b", ""},
        {"the ( on a continuation line", "Public Function Wide _\r\n    (ByVal a As Long) As Long", "Function",
         "Wide     ", "a", ""},
        {"a _ inside a string does not continue", "Sub S(Optional t As String = \" _\")", "Sub", "S", "t", ""},
        // Attribute lines stay directly below the header.
        {"with attributes",
         "Public Property Get Item(ByVal i As Long) As Variant\r\nAttribute Item.VB_UserMemId = 0\r\n"
         "attribute Item.VB_Description = \"x\"",
         "Property", "Get Item", "i", ""},
        {"continued, with an attribute", "Public Function F(a, _\r\n  b)\r\nAttribute F.VB_Description = \"d\"",
         "Function", "F", "a, b", ""},
        // Parameter forms.
        {"array", "Sub Q(ByRef src() As Single, m() As Long)", "Sub", "Q", "src, m", ""},
        {"ParamArray left out", "Public Sub Sum(a, ParamArray args() As Variant)", "Sub", "Sum", "a", ""},
        {"Optional without a type", "Public Sub Go(Optional n = 5)", "Sub", "Go", "n", ""},
        {"Optional with a type", "Sub Go2(Optional ByVal n As Long = 5)", "Sub", "Go2", "n", ""},
        {"default holding a comma and quotes", "Public Sub Say(Optional s As String = \"a,b\", t)", "Sub", "Say",
         "s, t", ""},
        {"default holding parentheses", "Sub P(Optional p As Long = (1 + 2), q)", "Sub", "P", "p, q", ""},
        {"names containing as", "Private Sub Sx(ByVal Alias As String, ByVal dstCanvasAs As Long)", "Sub", "Sx",
         "Alias, dstCanvasAs", ""},
        {"type characters kept", "Sub T(n&, s$, ByVal d#)", "Sub", "T", "n&, s$, d#", ""},
        {"non-ASCII names", "Sub \xC3\x9C" "ber(ByVal gr\xC3\xB6\xC3\x9F" "e As Long)", "Sub", "\xC3\x9C" "ber",
         "gr\xC3\xB6\xC3\x9F" "e", ""},
        {"user-defined types left out", "Sub U(ByRef r As RECT, ByRef riid As OLEGuids.OLECLSID, x As Integer)", "Sub",
         "U", "x", ""},
        {"other libraries left out", "Sub R(ByVal dstCanvas As pdCanvas, o As Project1.cItem)", "Sub", "R", "", ""},
        {"VB, VBA and stdole kept", "Sub K(p As VB.PictureBox, c As VBA.Collection, f As stdole.IFont)", "Sub", "K",
         "p, c, f", ""},
        {"Collection, Control and Form", "Sub C(a As Collection, b As Control, c As Form, d As Object)", "Sub", "C",
         "a, b, c, d", ""},
        {"every type VB6 names, in any letter case",
         "Sub W(a As boolean, b As BYTE, c As Integer, d As Long, e As LongLong, f As LongPtr, g As Single, "
         "h As Double, i As Currency, j As Decimal, k As Date, l As String, m As Object, n As Variant, o As Longs, "
         "p As Strin)",
         "Sub", "W", "a, b, c, d, e, f, g, h, i, j, k, l, m, n", ""},
        {"classes and Enums of the run", "Sub V(c As Color, i As CITEM, j() As cItem)", "Sub", "V", "c, i, j", run},
        // Procedures the block cannot go into safely.
        {"a statement after the header", "Private Sub Go(): x = 1", "", "", "", ""},
        {"a colon in a string or a comment is no statement", "Sub T(s As String) ' note: here", "Sub", "T", "s", ""},
        {"Rem line", "Rem this sub (is) slow", "", "", "", ""},
        {"a block line over 1023 characters", "Sub L(" + Repeated("a", 1100) + ")", "", "", "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string body = "\r\n  x = 1\r\nEnd Sub";
        const std::string input = row.declarations + row.header + body;
        const std::string expected =
            row.kind.empty() ? input
                             : row.declarations + row.header + "\r\n\r\n" + row.kind + " |" + row.procedure + "|" +
                                   row.parameters + body;
        EXPECT_EQ(Transform(input), expected);
    }
}

// Where a procedure ends: its End line gets the end block above it, and no
// other line does.
TEST(EndLines, OnlyTheProcedureEndGetsTheEndBlock) {
    struct Row {
        const char* name;
        std::vector<std::string> body;  // lines between the header and the End line
        std::string endLine;            // empty: the procedure has none and is left as it is
    };
    const std::vector<Row> rows = {
        {"End Sub", {"x = 1"}, "End Sub"},
        {"upper case with a comment", {"x = 1"}, "END FUNCTION ' x"},
        {"blanks before, between and after", {}, "  End \t Property  "},
        {"End If with a comment is no End line", {"If a Then", "End If ' done"}, "End Sub"},
        {"end inside a name", {"Legend = 1 ' note"}, "End Sub"},
        {"End Sub continuing a comment", {"' note _", "End Sub"}, "End Sub"},
        {"End Sub continuing a line", {"x = y _", "    End Sub"}, "End Sub"},
        {"Exit Sub is no End line", {"If done Then Exit Sub ' leave"}, "End Sub"},
        {"End Select, End With", {"Select Case a", "End Select", "With b", "End With"}, "End Sub"},
        {"no End line", {"x = 1"}, ""},
    };
    const Text end = u"' end [ProcName]";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> lines = {"Sub A(x)"};
        lines.insert(lines.end(), row.body.begin(), row.body.end());
        if (!row.endLine.empty()) lines.push_back(row.endLine);
        lines.push_back("Sub B()");
        lines.push_back("End Sub");
        std::vector<std::string> expected = {"Sub A(x)"};
        if (!row.endLine.empty()) expected = {"Sub A(x)", "", "Sub |A|x"};
        expected.insert(expected.end(), row.body.begin(), row.body.end());
        if (!row.endLine.empty()) {
            expected.push_back("' end A");
            expected.push_back(row.endLine);
        }
        for (const char* line : {"Sub B()", "", "Sub |B|", "' end B", "End Sub"}) expected.push_back(line);
        EXPECT_EQ(Transform(CrLfLines(lines), kProbeBegin, end), CrLfLines(expected));
    }
}

// Headers in #If branches are alternatives of one procedure: each gets its
// begin block, the procedure one end block.
TEST(EndLines, AlternativesInIfBranches) {
    const std::vector<std::string> same = {"#If Win64 Then", "Private Sub Alt(ByVal a As LongPtr)", "#Else",
                                           "Private Sub Alt(ByVal a As Long)", "#End If", "  y = 2", "End Sub"};
    EXPECT_EQ(Transform(CrLfLines(same), kProbeBegin, u"' end [Paramenters]"),
              CrLfLines({"#If Win64 Then", "Private Sub Alt(ByVal a As LongPtr)", "", "Sub |Alt|a", "#Else",
                         "Private Sub Alt(ByVal a As Long)", "", "Sub |Alt|a", "#End If", "  y = 2", "' end a",
                         "End Sub"}));
    // Different parameters: the end block could name one a branch lacks.
    const std::vector<std::string> different = {"#If A Then", "Sub D(a)", "#Else", "Sub D(b)", "#End If", "End Sub"};
    EXPECT_EQ(Transform(CrLfLines(different), kProbeBegin, u"' end [Paramenters]"), CrLfLines(different));
    EXPECT_EQ(Transform(CrLfLines(different), kProbeBegin, u"' end"),
              CrLfLines({"#If A Then", "Sub D(a)", "", "Sub |D|a", "#Else", "Sub D(b)", "", "Sub |D|b", "#End If",
                         "' end", "End Sub"}));
    // Without a directive between them, the first header has no End line.
    EXPECT_EQ(Transform(CrLfLines({"Sub E(a)", "' x", "Sub F(b)", "End Sub"})),
              CrLfLines({"Sub E(a)", "' x", "Sub F(b)", "", "Sub |F|b", "End Sub"}));
}

// A procedure that already defines a label of its blocks gets none, and a
// second add with a template that defines one changes nothing.
TEST(Labels, ALabelOfTheBlocksInTheProcedureLeavesItAlone) {
    const Text begin = u"On Error GoTo errHandler\r\n";
    const Text end = u"Exit [ProcType]\r\nerrHandler:\r\nLog \"[ProcName]\"";
    EXPECT_EQ(Transform("Sub A()\r\nERRHANDLER:\r\nEnd Sub", begin, end), "Sub A()\r\nERRHANDLER:\r\nEnd Sub");
    EXPECT_EQ(Transform("Sub A()\r\nerrHandler := 1\r\nEnd Sub", begin, end),
              "Sub A()\r\n\r\nOn Error GoTo errHandler\r\nerrHandler := 1\r\nExit Sub \r\nerrHandler:\r\nLog "
              "\"A\"\r\nEnd Sub");
    const std::string once = Transform("Sub A()\r\n  x = 1\r\nEnd Sub", begin, end);
    EXPECT_EQ(Transform(once, begin, end), once);
    const std::string handled = Transform("Sub A()\r\n  x = 1\r\nEnd Sub", templates::DefaultBeginTemplate());
    EXPECT_EQ(Transform(handled, templates::DefaultBeginTemplate()), handled);
}

TEST(LineClassification, HeadersAndEndLinesInsideAProcedure) {
    enum class Is { Code, Header, EndLine };
    struct Row {
        const char* name;
        std::string line;
        Is is;
    };
    const std::vector<Row> rows = {
        {"empty line", "", Is::Code},
        {"declaration", "Dim x As Long", Is::Code},
        {"End Sub alone", "End Sub", Is::EndLine},
        {"End Sub with comment", "End Sub ' done", Is::EndLine},
        {"End Sub with a trailing space", "End Sub ", Is::EndLine},
        {"Exit Function alone", "Exit Function", Is::Code},
        {"comment mentioning a sub", "' a comment that mentions a sub", Is::Code},
        {"Declare", "Declare Function GetTickCount Lib \"kernel32\" () As Long", Is::Code},
        {"Private Declare", "Private Declare Sub Sleep Lib \"kernel32\" (ByVal ms As Long)", Is::Code},
        {"Exit Sub with comment", "If done Then Exit Sub ' leave", Is::Code},
        {"End If with comment", "End If ' done", Is::Code},
        {"end inside a name", "Legend = 1 ' note", Is::Code},
        {"end then exit", "End: Exit Sub ' x", Is::Code},
        {"no space before sub", "Call MySub (1)", Is::Code},
        {"keyword in a string", "MsgBox \"Public Sub x()\"", Is::Code},
        {"tab before the keyword", "\tSub Main()", Is::Code},
        {"indented with spaces", "    Sub Main()", Is::Header},
        {"quote at position 1", "\"Sub x()", Is::Code},
        {"Rem line with parenthesis", "Rem this sub (is) slow", Is::Code},
        {"Friend before the keyword", "Friend Sub Main()", Is::Header},
    };
    const Text end = u"<END [ProcName]>";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string input = CrLfLines({"Sub First(a)", row.line, "End Sub"});
        std::string expected;
        switch (row.is) {
        case Is::Code:
            expected = CrLfLines({ProbeBlock("Sub First(a)", "Sub ", "First", "a"), row.line, "<END First>", "End Sub"});
            break;
        case Is::Header:  // the first header has no End line before it
            expected = CrLfLines({"Sub First(a)", ProbeBlock(row.line, "Sub ", "Main", ""), "<END Main>", "End Sub"});
            break;
        case Is::EndLine:
            expected = CrLfLines({ProbeBlock("Sub First(a)", "Sub ", "First", "a"), "<END First>", row.line, "End Sub"});
            break;
        }
        EXPECT_EQ(Transform(input, kProbeBegin, end), expected);
    }
}

TEST(Insertion, WorkedExampleWithTheDefaultTemplate) {
    const std::string input = CrLfLines({
        "Option Explicit",
        "",
        "Public Function Total(ByVal a As Long, Optional ByRef b As String) As Double",
        "    Total = a * 2",
        "End Function",
    });
    const std::string expected = CrLfLines({
        "Option Explicit",
        "",
        "Public Function Total(ByVal a As Long, Optional ByRef b As String) As Double",
        "",
        "' *** START ERROR HANDLER ***",
        "On Error GoTo errHandler",
        "If Err.Number <> 0 Then",
        "errHandler: ErrorIn \"Total(a, b)\", Array(a, b), EA_NORERAISE: HandleError: Exit Function ",
        "End If",
        "' *** BEGIN CODE ***",
        "    Total = a * 2",
        "End Function",
    });
    EXPECT_EQ(Transform(input, templates::DefaultBeginTemplate()), expected);
    EXPECT_EQ(templates::DefaultBeginTemplate().size(), 227u);
}

TEST(Insertion, TemplateEdgeCases) {
    struct Row {
        const char* name;
        std::string input;
        Text begin;
        Text end;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {"placeholders in any case", "Sub A(x)\r\nEnd Sub", u"[procname]-[PROCTYPE]-[paramenters]\r\n", u"",
         "Sub A(x)\r\n\r\nA-Sub -x\r\nEnd Sub"},
        {"several occurrences", "Sub A(x)\r\nEnd Sub", u"[ProcName][ProcName]\r\n", u"", "Sub A(x)\r\n\r\nAA\r\nEnd Sub"},
        {"one line break: two empty lines", "Sub A()\r\nx\r\nEnd Sub", u"\r\n", u"",
         "Sub A()\r\n\r\n\r\nx\r\nEnd Sub"},
        {"no final line break: whole", "Sub A()\r\nEnd Sub", u"abcd", u"", "Sub A()\r\n\r\nabcd\r\nEnd Sub"},
        {"final LF: dropped as CR LF is", "Sub A()\r\nEnd Sub", u"ab\n", u"", "Sub A()\r\n\r\nab\r\nEnd Sub"},
        {"final lone CR stays", "Sub A()\r\nEnd Sub", u"ab\r", u"", "Sub A()\r\n\r\nab\r\r\nEnd Sub"},
        {"one character: whole", "Sub A()\r\nEnd Sub", u"x", u"", "Sub A()\r\n\r\nx\r\nEnd Sub"},
        {"no placeholders: verbatim", "Sub A()\r\nEnd Sub", u"On Error Resume Next\r\n", u"",
         "Sub A()\r\n\r\nOn Error Resume Next\r\nEnd Sub"},
        {"two headers, own values", "Sub A(p)\r\nEnd Sub\r\nFunction B(q)\r\nEnd Function", u"[ProcName]:[Paramenters]\r\n",
         u"", "Sub A(p)\r\n\r\nA:p\r\nEnd Sub\r\nFunction B(q)\r\n\r\nB:q\r\nEnd Function"},
        {"no end block outside a procedure", "End If ' x", u"zz", u"<[ProcName]|[ProcType]>", "End If ' x"},
        {"end template ending in CR LF leaves an empty line", "Sub A(p)\r\nEnd Sub ' x", u"\r\n", u"E [ProcName]\r\n",
         "Sub A(p)\r\n\r\n\r\nE A\r\n\r\nEnd Sub ' x"},
        {"inserted name is not rescanned by its own replacement", "Sub A[ProcName](x)\r\nEnd Sub", u"[ProcName]\r\n",
         u"", "Sub A[ProcName](x)\r\n\r\nA[ProcName]\r\nEnd Sub"},
        {"name inserted before the kind is replaced", "Sub [ProcType](x)\r\nEnd Sub", u"[ProcName]\r\n", u"",
         "Sub [ProcType](x)\r\n\r\nSub \r\nEnd Sub"},
        {"Friend procedure exits by its kind", "Friend Sub R()\r\nEnd Sub", u"Exit [ProcType]\r\n", u"",
         "Friend Sub R()\r\n\r\nExit Sub \r\nEnd Sub"},
        {"no header: short begin template is fine", "x = 1\r\n", u"", u"", "x = 1\r\n"},
        {"a procedure left alone: short begin template is fine", "Sub A(): x = 1\r\nEnd Sub", u"", u"",
         "Sub A(): x = 1\r\nEnd Sub"},
        {"empty module", "", u"", u"E", ""},
        {"Rem line is no End line", "Sub A()\r\nRem End sub is slow\r\nEnd Sub", u"\r\n", u"<[ProcName]>",
         "Sub A()\r\n\r\n\r\nRem End sub is slow\r\n<A>\r\nEnd Sub"},
        {"lone CR and LF are not separators", "x\rSub A()\ny", u"[ProcName]\r\n", u"", "x\rSub A()\ny"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Transform(row.input, row.begin, row.end), row.expected);
    }
}

TEST(Insertion, ModuleValuesHoldingPlaceholdersAreReplacedInTheirTurn) {
    const scan::ModuleValues module{u"m[ProjectName]", u"f[ProcName]", u"P"};
    const scan::HandlerTemplate begin(u"[ModuleName]|[FileName]|[ProcName]\r\n", scan::HandlerTemplate::Role::Begin,
                                      u"\r\n", &module);
    const scan::ProcedureHeader header{0, 0, 0, u"Sub ", u"A", u"", true};
    Text out;
    begin.AppendExpansion(header, 0, out);
    // [ProcName] is replaced first, so the file name's stays; [ProjectName]
    // comes after [ModuleName], so the module name's is replaced.
    EXPECT_EQ(U(out), "mP|f[ProcName]|A");
}

TEST(Failure, EmptyBeginTemplateFailsAtTheFirstHeaderAndKeepsCodeOutput) {
    clsVBParser parser;
    parser.CodeInput(u"Sub A()\r\nEnd Sub");
    parser.AddErrorHandler(u"ok\r\n", u"");
    const Text before = parser.CodeOutput();
    parser.CodeInput(u"x\r\nSub B()\r\ny\r\nEnd Sub");
    for (const Text& begin : {Text()}) {
        try {
            parser.AddErrorHandler(begin, u"");
            ADD_FAILURE() << "no error";
        } catch (const vb::VbError& error) {
            EXPECT_EQ(error.Number(), 5);
            EXPECT_EQ(error.Description(), "Invalid procedure call or argument");
            EXPECT_NE(error.Context().find("line 2"), std::string::npos) << error.Context();
        }
        EXPECT_EQ(parser.CodeOutput(), before);
        EXPECT_EQ(parser.ProcedureCount(), 1);
    }
}

TEST(State, InputIsUnchangedAndASecondCallGivesTheSameOutput) {
    clsVBParser parser;
    EXPECT_TRUE(parser.CodeInput().empty());
    EXPECT_TRUE(parser.CodeOutput().empty());
    parser.CodeInput(u"Sub A(x)\r\nEnd Sub ' e");
    parser.AddErrorHandler(kProbeBegin, u"E");
    const Text first = parser.CodeOutput();
    EXPECT_EQ(parser.CodeInput(), u"Sub A(x)\r\nEnd Sub ' e");
    parser.AddErrorHandler(kProbeBegin, u"E");
    EXPECT_EQ(parser.CodeOutput(), first);
    EXPECT_EQ(parser.ProcedureCount(), 1);
}

TEST(State, ScanStateDoesNotCarryOverToTheNextCall) {
    clsVBParser parser;
    parser.CodeInput(u"Sub A(x)\r\n");
    parser.AddErrorHandler(kProbeBegin, u"");
    parser.CodeInput(u"End Sub");
    parser.AddErrorHandler(kProbeBegin, u"[[ProcName]]");
    EXPECT_EQ(U(parser.CodeOutput()), "End Sub");
}

TEST(LineBreaks, DecidedOncePerTextAndUsedForEverythingInserted) {
    struct Row {
        const char* name;
        std::string input;
        Text begin;
        Text end;
        std::string expected;
        Text savedLineBreak;
    };
    const Text probeEnd = u"<E [ProcName]>\r\n";
    const std::vector<Row> rows = {
        {"LF", "Public Sub Foo(a As Long)\n  a = 1\nEnd Sub ' x\n", kProbeBegin, probeEnd,
         "Public Sub Foo(a As Long)\n\nSub |Foo|a\n  a = 1\n<E Foo>\n\nEnd Sub ' x\n", u"\n"},
        {"CR LF", "Public Sub Foo(a As Long)\r\n  a = 1\r\nEnd Sub ' x\r\n", kProbeBegin, probeEnd,
         "Public Sub Foo(a As Long)\r\n\r\nSub |Foo|a\r\n  a = 1\r\n<E Foo>\r\n\r\nEnd Sub ' x\r\n", u"\r\n"},
        {"lone LFs in the majority: a CR before an LF stays in its line", "Sub A()\r\nx\ny\nEnd Sub", kProbeBegin,
         u"", "Sub A()\r\n\nSub |A|\nx\ny\nEnd Sub", u"\n"},
        {"CR LFs in the majority: a lone LF stays in its line", "Sub A()\r\nx\r\ny\nSub B()\r\nEnd Sub", kProbeBegin,
         u"", "Sub A()\r\n\r\nSub |A|\r\nx\r\ny\nSub B()\r\nEnd Sub", u"\r\n"},
        {"as many of each: CR LF, so End Sub after a lone LF ends no line", "Sub A()\r\nx\nEnd Sub", kProbeBegin, u"",
         "Sub A()\r\nx\nEnd Sub", u"\r\n"},
        {"LF: the begin template loses its final CR LF", "Sub A()\nEnd Sub", u"ab\r\n", u"", "Sub A()\n\nab\nEnd Sub",
         u"\n"},
        {"LF: a begin template without a line break goes in whole", "Sub A()\nEnd Sub", u"z", u"",
         "Sub A()\n\nz\nEnd Sub", u"\n"},
        {"LF: a lone CR in a template stays", "Sub A()\nEnd Sub\n", u"a\rb\r\n", u"", "Sub A()\n\na\rb\nEnd Sub\n", u"\n"},
        {"empty text", "", kProbeBegin, u"", "", u"\r\n"},
        {"no line break", "Sub A(): End Sub", kProbeBegin, u"", "Sub A(): End Sub", u"\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        clsVBParser parser;
        parser.CodeInput(T(row.input));
        parser.AddErrorHandler(row.begin, row.end);
        EXPECT_EQ(U(parser.CodeOutput()), row.expected);
        EXPECT_EQ(parser.OutputLineBreak(), row.savedLineBreak);
    }

    clsVBParser parser;
    parser.CodeInput(u"x\nSub B()\ny\nEnd Sub");
    try {
        parser.AddErrorHandler(u"", u"");
        ADD_FAILURE() << "no error";
    } catch (const vb::VbError& error) {
        EXPECT_EQ(error.Number(), 5);
        EXPECT_EQ(error.Context(), "line 2: the begin template is empty");
    }
}
