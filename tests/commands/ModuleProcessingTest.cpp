// One module through add, add --skip-handled, remove and check: the four
// must agree about every block, on round trips and after hand edits.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bench/SyntheticProject.h"
#include "commands/DefaultTemplates.h"
#include "TestSupport.h"
#include "commands/ModuleProcessing.h"
#include "vb_runtime/CodePage.h"
#include "vb_runtime/Strings.h"

using run::LineNote;
using run::Operation;

namespace {

struct Templates {
    Text begin;
    Text end;
};

run::ModuleOutcome Process(const std::string& bytes, Operation operation, bool skipHandled, const Templates& t) {
    const scan::FixedTemplates templates(scan::HandlerTemplates{t.begin, t.end});
    run::ModuleRequest request;
    request.operation = operation;
    request.skipHandled = skipHandled;
    request.templates = &templates;
    return run::ProcessModule(bytes, request);
}

std::string Add(const std::string& bytes, const Templates& t) { return Process(bytes, Operation::Add, false, t).bytes; }
std::string AddSkip(const std::string& bytes, const Templates& t) {
    return Process(bytes, Operation::Add, true, t).bytes;
}
std::string Remove(const std::string& bytes, const Templates& t) {
    return Process(bytes, Operation::Remove, false, t).bytes;
}
std::vector<int32_t> UnhandledLines(const std::string& bytes, const Templates& t) {
    std::vector<int32_t> lines;
    for (const LineNote& note : Process(bytes, Operation::Check, false, t).notes) lines.push_back(note.line);
    return lines;
}

// The 1-based number of the line that starts with `start`.
int32_t LineOf(const std::string& bytes, const std::string& start) {
    const size_t at = bytes.find(start);
    int32_t line = 1;
    for (size_t i = 0; i < at; ++i) line += bytes[i] == '\n' ? 1 : 0;
    return line;
}

const Templates kDefault{templates::DefaultBeginTemplate(), u""};
// Every line of these differs per procedure, the end block included.
const Templates kPerProcedure{u"' >> [ProcType]in [ProcName]\r\nOn Error GoTo Fail_[ProcName] ' ([Paramenters])\r\n",
                              u"Exit [ProcType]\r\nFail_[ProcName]: Report \"[ProcName]\", Array([Paramenters])\r\n"};

const std::string kModule =
    "Attribute VB_Name = \"modDemo\"\r\nOption Explicit\r\n\r\n"
    "Public Sub Alpha(ByVal a As Long)\r\n    a = 1\r\nEnd Sub ' done\r\n\r\n"
    "Private Function Beta(Optional s As String = \"x\") As Long\r\n    Beta = 2\r\nEnd Function\r\n\r\n"
    "Public Property Get Gamma() As Long\r\nEnd Property ' g";

}  // namespace

TEST(ModuleRoundTrips, AddSkipHandledRemoveAndCheckAgree) {
    struct Row {
        const char* name;
        std::string module;
        Templates templates;
    };
    std::string lf = kModule;
    for (size_t at; (at = lf.find("\r\n")) != std::string::npos;) lf.erase(at, 1);
    const std::vector<Row> rows = {
        {"default template", kModule, kDefault},
        {"templates that differ per procedure, end blocks", kModule, kPerProcedure},
        {"LF module", lf, kPerProcedure},
        {"end block above a line before any header", "End If ' x\r\n" + kModule, kPerProcedure},
        {"End line on the last line without a line break", "Sub Last(a)\r\nEnd Sub", kPerProcedure},
        {"generated module", synthetic::Module(600, 7), kPerProcedure},
        {"continued headers, attributes, Friend, #If branches",
         testing_support::ReadBytes(testing_support::DataFile("earlier/input.bas")), kPerProcedure},
        {"no headers", "Option Explicit\r\nDim x As Long\r\n", kDefault},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Templates& t = row.templates;
        const std::string lineBreak = row.module.find("\r\n") != std::string::npos || row.module.find('\n') ==
                                          std::string::npos ? "\r\n" : "\n";
        const std::string once = AddSkip(row.module, t);
        EXPECT_EQ(AddSkip(once, t), once) << "a second run adds nothing";
        EXPECT_EQ(Remove(once, t), row.module);
        // A plain add inserts the same blocks and appends a line break, when
        // it inserts a block; a module without a block to take is left as it is.
        const std::string appended = once != row.module ? lineBreak : "";
        const std::string plain = Add(row.module, t);
        EXPECT_EQ(plain, once + appended);
        EXPECT_EQ(Remove(plain, t), row.module + appended);
        EXPECT_TRUE(UnhandledLines(once, t).empty());
        EXPECT_EQ(UnhandledLines(row.module, t).size(), static_cast<size_t>(Process(row.module, Operation::Check,
                                                                                   false, t).counts.proceduresSeen));
    }
}

TEST(ModuleRoundTrips, HandEditsToBlocks) {
    const Templates& t = kDefault;
    const std::string once = AddSkip(kModule, t);

    // Renamed procedure and parameters: the block still stands.
    std::string renamed = once;
    renamed.replace(renamed.find("Public Sub Alpha(ByVal a As Long)"), 33, "Public Sub Omega(x, y)");
    EXPECT_TRUE(UnhandledLines(renamed, t).empty());
    std::string expected = kModule;
    expected.replace(expected.find("Public Sub Alpha(ByVal a As Long)"), 33, "Public Sub Omega(x, y)");
    EXPECT_EQ(Remove(renamed, t), expected);

    // One line of Beta's block edited: named by check and remove, left in place.
    std::string edited = once;
    const size_t beta = edited.find("Private Function Beta");
    edited.replace(edited.find("On Error GoTo errHandler", beta), 24, "On Error GoTo 0");
    const int32_t betaLine = LineOf(edited, "Private Function Beta");
    EXPECT_EQ(UnhandledLines(edited, t), std::vector<int32_t>{betaLine});
    const run::ModuleOutcome removed = Process(edited, Operation::Remove, false, t);
    ASSERT_EQ(removed.notes.size(), 1u);
    EXPECT_EQ(removed.notes[0].kind, LineNote::Kind::EditedBlock);
    EXPECT_EQ(removed.notes[0].line, betaLine);
    EXPECT_EQ(removed.notes[0].name, u"Beta");
    EXPECT_EQ(removed.counts.blocksRemoved, 2);
    EXPECT_NE(removed.bytes.find("On Error GoTo 0"), std::string::npos);
    const run::ModuleOutcome skipped = Process(edited, Operation::Add, true, t);
    EXPECT_FALSE(skipped.changed) << "no second block under an edited one";
    EXPECT_EQ(skipped.notes.size(), 1u);

    // Gamma's block deleted by hand: check names exactly its header, and the
    // next run puts it back.
    std::string deleted = once;
    const size_t gamma = deleted.find("Public Property Get Gamma");
    const size_t blockFrom = deleted.find("\r\n", gamma);
    const size_t blockTo = deleted.find("' *** BEGIN CODE ***", gamma) + 20;
    deleted.erase(blockFrom, blockTo - blockFrom);
    EXPECT_EQ(UnhandledLines(deleted, t), std::vector<int32_t>{LineOf(deleted, "Public Property Get Gamma")});
    EXPECT_EQ(AddSkip(deleted, t), once);
}

TEST(ModuleRoundTrips, TemplatesWithoutLiteralTextAreNeverTakenForStandingBlocks) {
    // A block of placeholders alone would match any code: nothing may be removed.
    const Templates t{u"[ProcName]\r\n", u"[ProcName]\r\n"};
    const std::string module = "Sub A()\r\n\r\nx = 1\r\nEnd Sub ' e\r\n";
    EXPECT_EQ(Remove(module, t), module);
    EXPECT_EQ(UnhandledLines(module, t), std::vector<int32_t>{1});
}

TEST(ModuleRoundTrips, ALargeModuleWithACoreToSpareGivesTheSameBytes) {
    // Over a megabyte: its lines are classified on the spare core.
    const std::string module = synthetic::Module(40000, 13);
    ASSERT_GE(module.size(), size_t{1} << 20);
    const scan::FixedTemplates templates(scan::HandlerTemplates{kPerProcedure.begin, kPerProcedure.end});
    for (const Operation operation : {Operation::Add, Operation::Check}) {
        run::ModuleRequest request;
        request.operation = operation;
        request.templates = &templates;
        const run::ModuleOutcome alone = run::ProcessModule(module, request);
        request.spareCore = true;
        const run::ModuleOutcome spared = run::ProcessModule(module, request);
        EXPECT_EQ(spared.bytes, alone.bytes);
        EXPECT_EQ(spared.counts.proceduresSeen, alone.counts.proceduresSeen);
        EXPECT_EQ(spared.notes.size(), alone.notes.size());
    }
}

namespace {

// Collects what a module hands over, and how many pieces it came in.
class CollectingSink : public run::ByteSink {
public:
    void Append(std::string_view bytes) override {
        bytes_.append(bytes);
        ++pieces_;
    }
    std::string bytes_;
    size_t pieces_ = 0;
};

}  // namespace

TEST(ModuleRoundTrips, BytesHandedOverInPiecesAreTheBytesMadeWhole) {
    const std::string module = kModule + "\r\n" + synthetic::Module(300, 5);
    const std::string handled = AddSkip(module, kPerProcedure);
    struct Row {
        const char* name;
        const std::string& module;
        Operation operation;
        bool skipHandled;
    };
    const Row rows[] = {
        {"add", module, Operation::Add, false},
        {"add --skip-handled", module, Operation::Add, true},
        {"remove", handled, Operation::Remove, false},
    };
    const scan::FixedTemplates templates(scan::HandlerTemplates{kPerProcedure.begin, kPerProcedure.end});
    const int32_t ansi = vb::AnsiCodePage();
    // A single-byte code page copies the kept bytes; a double-byte one encodes them.
    for (const int32_t codePage : {1252, 932}) {
        vb::SetAnsiCodePage(codePage);
        for (const Row& row : rows) {
            run::ModuleRequest request;
            request.operation = row.operation;
            request.skipHandled = row.skipHandled;
            request.templates = &templates;
            const std::string whole = run::ProcessModule(row.module, request).bytes;
            ASSERT_NE(whole, row.module);
            for (const size_t piece : {size_t{1}, size_t{7}, size_t{4096}, size_t{1} << 20}) {
                SCOPED_TRACE(std::string(row.name) + ", code page " + std::to_string(codePage) + ", pieces of " +
                             std::to_string(piece));
                run::PreparedModule prepared(row.module, request);
                ASSERT_TRUE(prepared.Outcome().changed);
                CollectingSink sink;
                prepared.MakeBytesInto(sink, piece);
                EXPECT_EQ(sink.bytes_, whole);
                EXPECT_TRUE(prepared.Outcome().bytes.empty());
                EXPECT_EQ(sink.pieces_ == 1, piece >= whole.size()) << "handed over as it is made, not at the end";
            }
        }
    }
    vb::SetAnsiCodePage(ansi);
}

// What an earlier version wrote: blocks inside continued headers, above
// Attribute lines and end blocks above lines its flag rule marked. Remove
// with the same templates gives the original plus the line break that
// version appended; check names the misplaced blocks; add leaves them.
TEST(ModuleRoundTrips, RemoveRepairsWhatAnEarlierVersionWrote) {
    const std::string original = testing_support::ReadBytes(testing_support::DataFile("earlier/input.bas"));
    // The module's name as the earlier run filled it in; ProcessModule
    // alone has no module to take it from.
    const Text end = vb::Decode(testing_support::ReadBytes(testing_support::DataFile("earlier/classic.end.tpl")), 1252);
    const Templates classic{vb::Decode(testing_support::ReadBytes(testing_support::DataFile("earlier/classic.begin.tpl")), 1252),
                            vb::Replace(end, u"[ModuleName]", u"modEarlier", vb::TextCompare)};
    const struct {
        const char* name;
        Templates templates;
        size_t misplaced;
        bool addChanges;  // the earlier version left out end blocks above bare End lines
    } rows[] = {{"builtin", kDefault, 3, false}, {"classic", classic, 5, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string earlier =
            testing_support::ReadBytes(testing_support::DataFile(std::string("earlier/") + row.name + ".earlier.bas"));
        EXPECT_EQ(Remove(earlier, row.templates), original + "\r\n");
        size_t misplaced = 0;
        for (const LineNote& note : Process(earlier, Operation::Check, false, row.templates).notes) {
            misplaced += note.kind == LineNote::Kind::OldPlace ? 1 : 0;
        }
        EXPECT_EQ(misplaced, row.misplaced);
        EXPECT_EQ(Process(earlier, Operation::Add, true, row.templates).changed, row.addChanges);
        // Repaired, then added again: every block where it belongs, once.
        const std::string repaired = Add(Remove(earlier, row.templates), row.templates);
        EXPECT_EQ(Add(repaired, row.templates), repaired);
        EXPECT_EQ(Remove(repaired, row.templates), original + "\r\n\r\n");
    }
}

// VB6 loads a module of at most 65,534 line breaks: one that its blocks
// would push past that is left as it is and named, and check reports none
// of its procedures as missing a block.
TEST(ModuleSize, AtMostTheLinesVB6Loads) {
    struct Row {
        const char* name;
        Operation operation;
        bool skipHandled;
        int64_t lineBreaks;  // of the module as it would be written
        bool refused;
    };
    // The built-in begin block brings 7 line breaks (its empty line
    // included); a plain add appends one more.
    const std::vector<Row> rows = {
        {"plain add, at the limit", Operation::Add, false, 65534, false},
        {"plain add, one more", Operation::Add, false, 65535, true},
        {"add --skip-handled, at the limit", Operation::Add, true, 65534, false},
        {"add --skip-handled, one more", Operation::Add, true, 65535, true},
        {"check, at the limit", Operation::Check, false, 65534, false},
        {"check, one more", Operation::Check, false, 65535, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const int64_t own = row.lineBreaks - 7 - (row.operation == Operation::Add && !row.skipHandled ? 1 : 0);
        std::string module = "Sub A()\r\nEnd Sub\r\n";
        for (int64_t k = 2; k < own; ++k) module += "'\r\n";
        const run::ModuleOutcome outcome = Process(module, row.operation, row.skipHandled, kDefault);
        if (row.operation == Operation::Add) {
            EXPECT_EQ(outcome.changed, !row.refused);
            if (!row.refused) {
                EXPECT_EQ(std::count(outcome.bytes.begin(), outcome.bytes.end(), '\n'), row.lineBreaks);
            }
        }
        if (!row.refused) {
            // An add names nothing; a check, the procedure without its block.
            EXPECT_EQ(outcome.notes.size(), row.operation == Operation::Check ? 1u : 0u);
            continue;
        }
        ASSERT_EQ(outcome.notes.size(), 1u);
        EXPECT_EQ(outcome.notes[0].kind, LineNote::Kind::ModuleTooLong);
        {
            EXPECT_EQ(run::NoteMessage(outcome.notes[0]),
                      "the module would have 65,535 lines, more than the 65,534 that VB6 loads; left as it is");
        }
    }
}
