// number and unnumber: which lines take a number, the numbers a module gets,
// the round trip back to the original, and the map from Erl to the line.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "bench/SyntheticProject.h"
#include "commands/DefaultTemplates.h"
#include "commands/ModuleProcessing.h"
#include "source_transformation/LineNumbering.h"
#include "vb_runtime/CodePage.h"
#include "vb_runtime/VbError.h"

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

run::ModuleOutcome Process(const std::string& bytes, run::Operation operation, scan::NumberingOptions numbering = {},
                           int32_t codePage = 1252) {
    const scan::FixedTemplates templates(scan::HandlerTemplates{templates::DefaultBeginTemplate(), u""});
    run::ModuleRequest request;
    request.operation = operation;
    request.skipHandled = operation == run::Operation::Add;
    request.templates = &templates;
    request.numbering = numbering;
    request.keepNumbers = true;
    request.codePage = codePage;
    return run::ProcessModule(bytes, request);
}

}  // namespace

TEST(LineNumbering, WhichLinesTakeANumber) {
    const struct {
        const char* line;
        bool numbered;
    } rows[] = {
        {"    x = 1", true},
        {"", false},
        {"   \t", false},
        {"' a comment", false},
        {"Rem a comment", false},
        {"  Remark = 1", true},
        {"errHandler:", false},
        {"    retry: x = 1", false},
        {"    Beep: Beep", false},
        {"    x:=1", true},
        {"10 x = 1", false},
        {"#If Win64 Then", false},
        {"  #Else", false},
        {"#Const DEBUG = 1", false},
        {"    Dim a As Long", false},
        {"    Static n", false},
        {"    Const K = 1", false},
        {"    Dimension = 3", true},
        {"    Case 1", false},
        {"    Else", false},
        {"    ElseIf a Then", false},
        {"    End If", false},
        {"    End Select ' done", false},
        {"    End", true},
        {"    End ' stop here", true},
        {"    Loop Until a", false},
        {"    Next i", false},
        {"    Wend", false},
        {"    Select Case a", true},
        {"    If a Then b = 1 Else b = 2", true},
        {"    Exit Sub", true},
        {"    On Error GoTo errHandler", true},
        {"    x = a := 1", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        EXPECT_EQ(scan::TakesLineNumber(vb::FromUtf8(row.line)), row.numbered);
    }
    EXPECT_EQ(scan::LineNumberLength(u"10 x"), 3u);
    EXPECT_EQ(scan::LineNumberLength(u"65529\tx"), 6u);
    EXPECT_EQ(scan::LineNumberLength(u"10"), 2u);
    EXPECT_EQ(scan::LineNumberLength(u"10x"), 0u);
    EXPECT_EQ(scan::LineNumberLength(u" 10 x"), 0u);
}

TEST(LineNumbering, NumbersStatementLinesOutsideBlocksAndContinuations) {
    const std::string module =
        "Attribute VB_Name = \"m\"\r\n"
        "Public Function F(a, _\r\n    b)\r\nAttribute F.VB_Description = \"d\"\r\n"
        "    Dim x As Long\r\n    x = a + _\r\n        b\r\n    If x Then\r\n        F = 1\r\n    End If\r\n"
        "Done:\r\nEnd Function\r\n"
        "Sub Numbered()\r\n10 x = 1\r\nEnd Sub\r\n";
    const std::string handled = Process(module, run::Operation::Add).bytes;
    const run::ModuleOutcome numbered = Process(handled, run::Operation::Number, {100, 5, false});
    EXPECT_EQ(numbered.counts.linesNumbered, 3);
    ASSERT_EQ(numbered.numbers.size(), 3u);
    EXPECT_EQ(numbered.numbers[0].number, 100);
    EXPECT_EQ(numbered.numbers[2].number, 110);
    EXPECT_NE(numbered.bytes.find("\r\n100     x = a + _\r\n        b\r\n105     If x Then\r\n110         F = 1\r\n"),
              std::string::npos)
        << numbered.bytes;
    // The blocks stand unnumbered: check finds every procedure handled.
    EXPECT_TRUE(Process(numbered.bytes, run::Operation::Check).notes.empty());
    ASSERT_EQ(numbered.notes.size(), 1u);
    EXPECT_EQ(numbered.notes[0].kind, run::LineNote::Kind::HasLineNumbers);
    EXPECT_EQ(numbered.notes[0].name, u"Numbered");
    // unnumber with the same options gives the module back; the numbers
    // written by hand stay, since code may jump to them.
    const run::ModuleOutcome unnumbered = Process(numbered.bytes, run::Operation::Unnumber, {100, 5, false});
    EXPECT_EQ(unnumbered.bytes, handled);
    ASSERT_EQ(unnumbered.notes.size(), 1u);
    EXPECT_EQ(unnumbered.notes[0].kind, run::LineNote::Kind::OtherLineNumbers);
    EXPECT_EQ(unnumbered.notes[0].name, u"Numbered");
}

TEST(LineNumbering, UnnumberTakesOffOnlyTheNumbersNumberGives) {
    const std::string original = "Sub A()\r\n  x = 1\r\n  y = 2\r\nEnd Sub\r\nSub B()\r\n  z = 3\r\nEnd Sub\r\n";
    const struct {
        const char* what;
        std::string module;
        scan::NumberingOptions options;
        int numbersLeft;  // procedures whose numbers stay
    } rows[] = {
        {"as number gives them", "Sub A()\r\n10   x = 1\r\n20   y = 2\r\nEnd Sub\r\nSub B()\r\n10   z = 3\r\nEnd Sub\r\n", {}, 0},
        {"other step", "Sub A()\r\n10   x = 1\r\n15   y = 2\r\nEnd Sub\r\nSub B()\r\n10   z = 3\r\nEnd Sub\r\n", {}, 1},
        {"a statement unnumbered", "Sub A()\r\n10   x = 1\r\n  y = 2\r\nEnd Sub\r\nSub B()\r\n10   z = 3\r\nEnd Sub\r\n", {}, 1},
        {"a tab after the number", "Sub A()\r\n10\t  x = 1\r\n20   y = 2\r\nEnd Sub\r\nSub B()\r\n10   z = 3\r\nEnd Sub\r\n", {}, 1},
        {"a leading zero", "Sub A()\r\n10   x = 1\r\n20   y = 2\r\nEnd Sub\r\nSub B()\r\n010   z = 3\r\nEnd Sub\r\n", {}, 1},
        {"an indented number", "Sub A()\r\n10   x = 1\r\n  20 y = 2\r\nEnd Sub\r\nSub B()\r\n10   z = 3\r\nEnd Sub\r\n", {}, 1},
        {"per module", "Sub A()\r\n1   x = 1\r\n2   y = 2\r\nEnd Sub\r\nSub B()\r\n3   z = 3\r\nEnd Sub\r\n", {1, 1, true}, 0},
        {"per module, the first by hand", "Sub A()\r\n7   x = 1\r\n8   y = 2\r\nEnd Sub\r\nSub B()\r\n1   z = 3\r\nEnd Sub\r\n", {1, 1, true}, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const run::ModuleOutcome outcome = Process(row.module, run::Operation::Unnumber, row.options);
        EXPECT_EQ(outcome.counts.proceduresRefused, row.numbersLeft);
        if (row.numbersLeft == 0) {
            EXPECT_EQ(outcome.bytes, original);
        }
        // What unnumber leaves, number leaves too: the round trip holds.
        const run::ModuleOutcome again = Process(outcome.bytes, run::Operation::Number, row.options);
        EXPECT_EQ(Process(again.bytes, run::Operation::Unnumber, row.options).bytes, outcome.bytes);
    }
}

TEST(LineNumbering, ProceduresWithALongLineOrAnIndentedNumberAreLeftAlone) {
    const std::string module = "Sub Wide()\r\n  x = \"" + std::string(1015, 'a') +
                               "\"\r\nEnd Sub\r\nSub Indented()\r\n  x = 1\r\n  20 y = 2\r\nEnd Sub\r\n"
                               "Sub Narrow()\r\n  y = 1\r\nEnd Sub\r\n";
    const run::ModuleOutcome numbered = Process(module, run::Operation::Number);
    ASSERT_EQ(numbered.notes.size(), 2u);
    EXPECT_EQ(numbered.notes[0].kind, run::LineNote::Kind::NumberedLineTooLong);
    EXPECT_EQ(numbered.notes[1].kind, run::LineNote::Kind::HasLineNumbers);
    EXPECT_EQ(numbered.counts.linesNumbered, 1);
    EXPECT_NE(numbered.bytes.find("Sub Narrow()\r\n10   y = 1"), std::string::npos);
}

TEST(LineNumbering, TheBytesAndTheDecodedTextAreNumberedAlike) {
    // Names beyond ASCII: a label in Cyrillic takes no number, a statement does.
    const std::string module = "Sub \xcf()\r\n\xd8\xe0\xe3:\r\n  \xd8\xe0\xe3 = 1\r\n  \xc4\xe0 _\r\n    = 2\r\nEnd Sub\r\n";
    for (const int32_t codePage : {1251, 932}) {
        SCOPED_TRACE(codePage);
        const run::ModuleOutcome numbered = Process(module, run::Operation::Number, {}, codePage);
        EXPECT_EQ(Process(numbered.bytes, run::Operation::Unnumber, {}, codePage).bytes, module);
        if (codePage == 1251) {
            EXPECT_EQ(numbered.counts.linesNumbered, 2);
            EXPECT_NE(numbered.bytes.find("\r\n\xd8\xe0\xe3:\r\n10   \xd8"), std::string::npos);
        }
    }
}

// The module with its CR LF line breaks made LF, as a checkout may have them.
std::string WithLf(const std::string& module) {
    std::string lf;
    for (size_t k = 0; k < module.size(); ++k) {
        if (module[k] != '\r' || k + 1 == module.size() || module[k + 1] != '\n') lf += module[k];
    }
    return lf;
}

TEST(LineNumbering, NumberThenUnnumberGivesEveryModuleBack) {
    const std::string generated = synthetic::Module(3000, 5);
    for (const std::string& module : {generated, WithLf(generated), ReadBytes(DataFile("earlier/input.bas")),
                                      ReadBytes(DataFile("earlier/classic.earlier.bas"))}) {
        for (const int32_t codePage : {1252, 932}) {
            for (const bool perModule : {false, true}) {
                SCOPED_TRACE(std::to_string(codePage) + (perModule ? " per module" : " per procedure"));
                const run::ModuleOutcome numbered =
                    Process(module, run::Operation::Number, {1, 1, perModule}, codePage);
                EXPECT_GT(numbered.counts.linesNumbered, 0);
                const run::ModuleOutcome unnumbered =
                    Process(numbered.bytes, run::Operation::Unnumber, {1, 1, perModule}, codePage);
                EXPECT_EQ(unnumbered.bytes, module);
                EXPECT_EQ(unnumbered.counts.linesNumbered, numbered.counts.linesNumbered);
            }
        }
    }
}

TEST(LineNumbering, ANumberAboveTheLargestIsRefusedWithNothingWritten) {
    ScratchDir dir;
    std::string module = "Sub Big()\r\n";
    for (int k = 0; k < 6600; ++k) module += "  x = 1\r\n";
    module += "End Sub\r\n";
    WriteBytes(dir / "Big.bas", module);
    const CommandResult result = RunCli({"number", (dir / "Big.bas").string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("Big: line number 65530 is above 65529"), std::string::npos) << result.err;
    EXPECT_EQ(ReadBytes(dir / "Big.bas"), module);
}

TEST(LineNumbering, TheMapLeadsFromErlToTheLine) {
    ScratchDir dir;
    WriteBytes(dir / "P.vbp", "Module=m; src/m.bas\r\n");
    fs::create_directory(dir / "src");
    const std::string module = "Sub Go(a, _\r\n  b)\r\n  x = a + _\r\n    b\r\n  y = 2\r\nEnd Sub\r\n";
    WriteBytes(dir / "src" / "m.bas", module);
    WriteBytes(dir / "trapwright.toml", "[numbers]\r\nstart = 100\r\nstep = 100\r\n");
    const CommandResult numbered = RunCli({"number", (dir / "P.vbp").string(), "--map", (dir / "erl.map").string()});
    EXPECT_EQ(numbered.exitCode, 0) << numbered.err;
    EXPECT_NE(numbered.err.find("files numbered: 1; lines numbered: 2"), std::string::npos) << numbered.err;
    EXPECT_EQ(ReadBytes(dir / "erl.map"), "PATH\tPROCEDURE\tNUMBER\tLINE\nsrc/m.bas\tGo\t100\t3\nsrc/m.bas\tGo\t200\t5\n");
    const CommandResult where =
        RunCli({"where", (dir / "erl.map").string(), "src/m.bas", "go", "200", "--root", dir.path().string()});
    EXPECT_EQ(where.exitCode, 0) << where.err;
    EXPECT_EQ(where.out, "src/m.bas:5:   y = 2\n");
    EXPECT_EQ(RunCli({"where", (dir / "erl.map").string(), "src/m.bas", "Go", "300", "--root", dir.path().string()}).exitCode, 1);
    EXPECT_EQ(RunCli({"unnumber", (dir / "P.vbp").string()}).exitCode, 0);
    EXPECT_EQ(ReadBytes(dir / "src" / "m.bas"), module);
    // A map that cannot be written stops the run before a source is written.
    const CommandResult noMap =
        RunCli({"number", (dir / "P.vbp").string(), "--map", (dir / "src" / "m.bas" / "erl.map").string()});
    EXPECT_EQ(noMap.exitCode, 1) << noMap.err;
    EXPECT_EQ(ReadBytes(dir / "src" / "m.bas"), module);

    // Unknown keys and bad values in [numbers] stop the run.
    for (const char* policy : {"[numbers]\r\nstart = 0\r\n", "[numbers]\r\nper = \"file\"\r\n", "[numbers]\r\nfrom = 1\r\n"}) {
        WriteBytes(dir / "trapwright.toml", policy);
        const CommandResult refused = RunCli({"number", (dir / "P.vbp").string()});
        EXPECT_NE(refused.exitCode, 0) << policy;
        EXPECT_EQ(ReadBytes(dir / "src" / "m.bas"), module);
    }
}

TEST(LineNumbering, UnnumberWithOtherOptionsNamesTheProceduresAndKeepsTheirNumbers) {
    ScratchDir dir;
    const std::string module = "Sub Go()\r\n  x = 1\r\n  y = 2\r\nEnd Sub\r\n";
    WriteBytes(dir / "m.bas", module);
    const std::string path = (dir / "m.bas").string();
    ASSERT_EQ(RunCli({"number", path, "--start", "5", "--step", "5"}).exitCode, 0);
    const std::string numbered = ReadBytes(dir / "m.bas");
    EXPECT_EQ(numbered, "Sub Go()\r\n5   x = 1\r\n10   y = 2\r\nEnd Sub\r\n");

    const CommandResult other = RunCli({"unnumber", path});
    EXPECT_EQ(other.exitCode, 0) << other.err;
    EXPECT_NE(other.err.find("m.bas:1: Go has line numbers that number with this start, step and per does not give"),
              std::string::npos)
        << other.err;
    EXPECT_NE(other.err.find("files unnumbered: 0; lines unnumbered: 0; procedures left as they are: 1"),
              std::string::npos)
        << other.err;
    EXPECT_EQ(ReadBytes(dir / "m.bas"), numbered);

    EXPECT_EQ(RunCli({"unnumber", path, "--start", "5", "--step", "5"}).exitCode, 0);
    EXPECT_EQ(ReadBytes(dir / "m.bas"), module);
}
