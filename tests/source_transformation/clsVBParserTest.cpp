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

TEST(HeaderParsing, KindNameAndParametersAsTheHeaderWritesThem) {
    struct Row {
        std::string header;
        std::string kind;  // without its trailing space
        std::string name;
        std::string parameters;
    };
    const std::vector<Row> rows = {
        {"Public Function Total(ByVal a As Long, Optional ByRef b As String) As Double", "Function", "Total", "a, b"},
        {"Public Sub Form_Load()", "Sub", "Form_Load", ""},
        {"Sub Main()", "Sub", "Main", ""},
        {"Public Property Let Value(ByVal v As Long)", "Property", "Let Value", "v"},
        {"Public Property Get Value() As Long", "Property", "Get Value", ""},
        {"Friend Function Count() As Long", "Friend", "Function Count", ""},
        {"Friend Sub Refresh()", "Friend", "Sub Refresh", ""},
        {"Public Sub Sum(ParamArray args() As Variant)", "Sub", "Sum", "args("},
        {"Public Sub Go(Optional n = 5)", "Sub", "Go", "n = 5"},
        {"Private Sub Sx(ByVal Alias As String)", "Sub", "Sx", "Ali"},
        {"SUB Main()", "SUB", "Main", ""},
        {"sub main()", "sub", "main", ""},
        {"Static Function F(BYVAL x AS Integer, byref y)", "Function", "F", "x, y"},
        {"Public Sub Say(Optional s As String = \"a,b\")", "Sub", "Say", "s, b\""},
        {"Public Sub Wide(ByVal a As Long, _", "Sub", "Wide", ""},
        {"Global Function G  (a)", "Function", "G  ", "a"},
        {"Sub Class_Initialize()", "Sub", "Class_Initialize", ""},
        {"Public Sub Two(a As Long, ByVal b As String, Optional ByRef c)", "Sub", "Two", "a, b, c"},
        // Each modifier is removed in one left-to-right pass over what the
        // passes before it left: a join is seen by a later word only.
        {"Sub J(byvbyval al x)", "Sub", "J", "byval x"},
        {"Sub K(byoptional val x, ByVal  y)", "Sub", "K", "x,  y"},
        {"Sub M(x byval)", "Sub", "M", "x byval"},
        {"Sub N(byval byval byval x)", "Sub", "N", "x"},
        {"Sub W(" + Repeated("ByVal ", 40) + "x, " + Repeated("a ", 40) + "ByRef y)", "Sub", "W",
         "x, " + Repeated("a ", 40) + "y"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.header);
        EXPECT_EQ(Transform(row.header), ProbeBlock(row.header, row.kind + " ", row.name, row.parameters));
    }
}

TEST(LineClassification, OnlyHeadersGetABeginBlockAndOnlyFlaggedLinesAnEndBlock) {
    struct Row {
        const char* name;
        std::string line;
        bool header;
        bool flagged;  // gets the end block above it
    };
    const std::vector<Row> rows = {
        {"empty line", "", false, false},
        {"declaration", "Dim x As Long", false, false},
        {"End Sub alone", "End Sub", false, false},
        {"Exit Function alone", "Exit Function", false, false},
        {"comment mentioning a sub", "' a comment that mentions a sub", false, false},
        {"Declare", "Declare Function GetTickCount Lib \"kernel32\" () As Long", false, false},
        {"Private Declare", "Private Declare Sub Sleep Lib \"kernel32\" (ByVal ms As Long)", false, false},
        {"Exit Sub with comment", "If done Then Exit Sub ' leave", false, false},
        {"End Sub with comment", "End Sub ' done", false, true},
        {"End Sub with a trailing space", "End Sub ", false, true},
        {"End If with comment", "End If ' done", false, true},
        {"end inside a name", "Legend = 1 ' note", false, true},
        {"exit inside a name clears", "ExitCode = 1 ' note", false, false},
        {"end then exit clears", "End: Exit Sub ' x", false, false},
        {"no space before sub", "Call MySub (1)", false, false},
        {"keyword in a string", "MsgBox \"Public Sub x()\"", false, false},
        {"tab before the keyword", "\tSub Main()", false, false},
        {"indented with spaces", "    Sub Main()", true, false},
        {"quote at position 1", "\"Sub x()", false, false},
        {"Rem line without parenthesis", "Rem this sub is slow", false, false},
    };
    const Text end = u"<END [ProcName]>";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string input = CrLfLines({"Sub First(a)", row.line});
        std::string expected = ProbeBlock("Sub First(a)", "Sub ", "First", "a") + "\r\n";
        if (row.flagged) expected += "<END First>\r\n";
        expected += row.header ? ProbeBlock(row.line, "Sub ", "Main", "") : row.line;
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
        {"placeholders in any case", "Sub A(x)", u"[procname]-[PROCTYPE]-[paramenters]\r\n", u"",
         "Sub A(x)\r\n\r\nA-Sub -x"},
        {"several occurrences", "Sub A(x)", u"[ProcName][ProcName]\r\n", u"", "Sub A(x)\r\n\r\nAA"},
        {"two-character template: two empty lines", "Sub A()\r\nx", u"\r\n", u"", "Sub A()\r\n\r\n\r\nx"},
        {"last two characters dropped without CR LF", "Sub A()", u"abcd", u"", "Sub A()\r\n\r\nab"},
        {"no placeholders: verbatim", "Sub A()", u"On Error Resume Next\r\n", u"",
         "Sub A()\r\n\r\nOn Error Resume Next"},
        {"two headers, own values", "Sub A(p)\r\nFunction B(q)", u"[ProcName]:[Paramenters]\r\n", u"",
         "Sub A(p)\r\n\r\nA:p\r\nFunction B(q)\r\n\r\nB:q"},
        {"end block before any header is empty-valued", "End If ' x", u"zz", u"<[ProcName]|[ProcType]>",
         "<|>\r\nEnd If ' x"},
        {"end template ending in CR LF leaves an empty line", "Sub A(p)\r\nEnd Sub ' x", u"zz",
         u"E [ProcName]\r\n", "Sub A(p)\r\n\r\n\r\nE A\r\n\r\nEnd Sub ' x"},
        {"inserted name is not rescanned by its own replacement", "Sub A[ProcName](x)", u"[ProcName]\r\n", u"",
         "Sub A[ProcName](x)\r\n\r\nA[ProcName]"},
        {"name inserted before the kind is replaced", "Sub [ProcType](x)", u"[ProcName]\r\n", u"",
         "Sub [ProcType](x)\r\n\r\nSub "},
        {"Friend kind and Exit line", "Friend Sub R()", u"Exit [ProcType]\r\n", u"",
         "Friend Sub R()\r\n\r\nExit Friend "},
        {"no header: short begin template is fine", "x = 1\r\n", u"", u"", "x = 1\r\n"},
        {"empty module", "", u"", u"E", ""},
        {"Rem line gets the end step", "Sub A()\r\nRem End sub is slow", u"zz", u"<[ProcName]>",
         "Sub A()\r\n\r\n\r\n<A>\r\nRem End sub is slow"},
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
    const scan::ProcedureHeader header{0, u"Sub ", u"A", u""};
    Text out;
    begin.AppendExpansion(header, 0, out);
    // [ProcName] is replaced first, so the file name's stays; [ProjectName]
    // comes after [ModuleName], so the module name's is replaced.
    EXPECT_EQ(U(out), "mP|f[ProcName]|A");
}

TEST(Insertion, ContinuedHeaderIsRecognisedOnItsFirstLineOnly) {
    const std::string input = CrLfLines({"Public Function Wide(ByVal a As Long, _", "    ByVal b As Long) As Long"});
    EXPECT_EQ(Transform(input),
              ProbeBlock("Public Function Wide(ByVal a As Long, _", "Function ", "Wide", "") + "\r\n" +
                  "    ByVal b As Long) As Long");
}

TEST(Failure, ShortBeginTemplateFailsAtTheFirstHeaderAndKeepsCodeOutput) {
    clsVBParser parser;
    parser.CodeInput(u"Sub A()");
    parser.AddErrorHandler(u"ok\r\n", u"");
    const Text before = parser.CodeOutput();
    parser.CodeInput(u"x\r\nSub B()\r\ny");
    for (const Text& begin : {Text(), Text(u"x")}) {
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
    parser.CodeInput(u"Sub A(x)");
    parser.AddErrorHandler(kProbeBegin, u"");
    parser.CodeInput(u"End If ' flagged before any header");
    parser.AddErrorHandler(kProbeBegin, u"[[ProcName]]");
    EXPECT_EQ(U(parser.CodeOutput()), "[]\r\nEnd If ' flagged before any header");
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
        {"lone LFs in the majority: a CR before an LF stays in its line", "Sub A()\r\nx\ny\nz", kProbeBegin, u"",
         "Sub A()\r\n\nSub |A|\nx\ny\nz", u"\n"},
        {"CR LFs in the majority: a lone LF stays in its line", "Sub A()\r\nx\r\ny\nSub B()", kProbeBegin, u"",
         "Sub A()\r\n\r\nSub |A|\r\nx\r\ny\nSub B()", u"\r\n"},
        {"as many of each: CR LF", "Sub A()\r\nx\ny", kProbeBegin, u"", "Sub A()\r\n\r\nSub |A|\r\nx\ny", u"\r\n"},
        {"LF: the begin template loses one character", "Sub A()\nx", u"abc", u"", "Sub A()\n\nab\nx", u"\n"},
        {"LF: one-character template gives two empty lines", "Sub A()\nx", u"z", u"", "Sub A()\n\n\nx", u"\n"},
        {"LF: a lone CR in a template stays", "Sub A()\n", u"a\rb\r\n", u"", "Sub A()\n\na\rb\n", u"\n"},
        {"empty text", "", kProbeBegin, u"", "", u"\r\n"},
        {"one line without a break", "Sub A()", kProbeBegin, u"", "Sub A()\r\n\r\nSub |A|", u"\r\n"},
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
    parser.CodeInput(u"x\nSub B()\ny");
    try {
        parser.AddErrorHandler(u"", u"");
        ADD_FAILURE() << "no error";
    } catch (const vb::VbError& error) {
        EXPECT_EQ(error.Number(), 5);
        EXPECT_EQ(error.Context(), "line 2: the begin template is empty");
    }
}
