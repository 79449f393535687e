// The add-error-handler run: list order, skipped files, nothing written when
// any file has a problem, files named twice, and an empty project.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "project_model/clsProject.h"
#include "source_transformation/clsVBParser.h"
#include "commands/AddErrorHandlerRun.h"
#include "commands/RunPlan.h"
#include "commands/SourceList.h"
#include "vb_runtime/CodePage.h"
#include "vb_runtime/VbError.h"

using testing_support::CrLfLines;
using testing_support::PathText;
using testing_support::ReadBytes;
using testing_support::ScratchDir;
using testing_support::Snapshot;
using testing_support::WriteBytes;

namespace fs = std::filesystem;

namespace {

std::string U(const Text& text) { return vb::ToUtf8(text); }

// Shows the header's values on one line; it holds no keyword after a blank,
// so a second pass over a block does not take it for a header.
const Text kProbeBegin = u"<[ProcType]|[ProcName]|[Paramenters]>\r\n";

class CountingTemplates : public addrun::TemplateSource {
public:
    explicit CountingTemplates(Text begin = kProbeBegin, Text end = Text()) : begin_(begin), end_(end) {}
    Text BeginTemplate() override {
        ++reads;
        return begin_;
    }
    Text EndTemplate() override { return end_; }
    int reads = 0;

private:
    Text begin_;
    Text end_;
};

class RecordingObserver : public addrun::RunObserver {
public:
    void FileProcessing(int32_t Index, int32_t ObjectCount, const Text& path) override {
        events.push_back("process " + std::to_string(Index) + "/" + std::to_string(ObjectCount) + " " + U(path));
    }
    void FileSkipped(int32_t Index, const Text& path) override {
        events.push_back("skip " + std::to_string(Index) + " " + U(path));
    }
    void FileWritten(int32_t Index, const Text& path) override {
        events.push_back("write " + std::to_string(Index) + " " + U(path));
    }
    std::vector<std::string> events;
};

// A project file in `dir` listing `lines`, parsed.
clsProject Project(const ScratchDir& dir, const std::vector<std::string>& lines) {
    WriteBytes(dir / "P.vbp", CrLfLines(lines));
    clsProject project;
    project.ParseProject(PathText(dir / "P.vbp"));
    return project;
}

std::vector<int32_t> ProblemIndexes(const addrun::RunResult& result) {
    std::vector<int32_t> indexes;
    for (const addrun::Problem& problem : result.problems) indexes.push_back(problem.Index);
    return indexes;
}

}  // namespace

TEST(AddErrorHandlers, ProcessesEveryObjectInListOrder) {
    ScratchDir dir;
    WriteBytes(dir / "m.bas", "Sub Main()\r\nEnd Sub\r\n");
    WriteBytes(dir / "f.frm", "Private Sub Form_Load()\r\nEnd Sub");
    WriteBytes(dir / "u.ctl", "Option Explicit\r\n");
    WriteBytes(dir / "c.cls", "Public Property Let Value(ByVal v As Long)\r\nEnd Property\r\nFriend Function F(a, b)\r\nEnd Function\r\n");
    const clsProject project =
        Project(dir, {"Module=M; m.bas", "Form=f.frm", "UserControl=u.ctl", "Class=C;c.cls", "Name=\"P\""});

    CountingTemplates templates;
    RecordingObserver observer;
    const addrun::RunResult result = addrun::AddErrorHandlers(project, templates, &observer);

    ASSERT_TRUE(result.Succeeded());
    EXPECT_EQ(result.counts.filesProcessed, 4);
    EXPECT_EQ(result.counts.blocksInserted, 4);
    EXPECT_TRUE(result.skippedFiles.empty());
    EXPECT_EQ(templates.reads, 5) << "the templates are read once to be checked, then for every object";
    const std::string d = dir.path().string() + "/";
    EXPECT_EQ(observer.events, (std::vector<std::string>{
                                   "process 0/3 " + d + "m.bas", "process 1/3 " + d + "f.frm",
                                   "process 2/3 " + d + "u.ctl", "process 3/3 " + d + "c.cls",
                                   "write 0 " + d + "m.bas", "write 1 " + d + "f.frm", "write 3 " + d + "c.cls"}));
    EXPECT_EQ(ReadBytes(dir / "m.bas"), "Sub Main()\r\n\r\n<Sub |Main|>\r\nEnd Sub\r\n\r\n");
    EXPECT_EQ(ReadBytes(dir / "f.frm"), "Private Sub Form_Load()\r\n\r\n<Sub |Form_Load|>\r\nEnd Sub\r\n");
    EXPECT_EQ(ReadBytes(dir / "u.ctl"), "Option Explicit\r\n") << "a file without a procedure is not rewritten";
    EXPECT_EQ(ReadBytes(dir / "c.cls"),
              "Public Property Let Value(ByVal v As Long)\r\n\r\n<Property |Let Value|v>\r\nEnd Property\r\n"
              "Friend Function F(a, b)\r\n\r\n<Function |F|a, b>\r\nEnd Function\r\n\r\n");
}

TEST(AddErrorHandlers, PropertyPagesAndUserDocumentsGetBlocks) {
    ScratchDir dir;
    WriteBytes(dir / "p.pag", "Private Sub PropertyPage_ApplyChanges()\r\nEnd Sub\r\n");
    WriteBytes(dir / "d.dob", "Public Sub Show()\r\nEnd Sub\r\n");
    const clsProject project = Project(dir, {"PropertyPage=p.pag", "UserDocument=d.dob"});
    CountingTemplates templates;
    ASSERT_TRUE(addrun::AddErrorHandlers(project, templates).Succeeded());
    EXPECT_EQ(ReadBytes(dir / "p.pag"), "Private Sub PropertyPage_ApplyChanges()\r\n\r\n"
                                        "<Sub |PropertyPage_ApplyChanges|>\r\nEnd Sub\r\n\r\n");
    EXPECT_EQ(ReadBytes(dir / "d.dob"), "Public Sub Show()\r\n\r\n<Sub |Show|>\r\nEnd Sub\r\n\r\n");
}

TEST(AddErrorHandlers, MissingFilesAreSkippedAndNeverWritten) {
    ScratchDir dir;
    WriteBytes(dir / "a.bas", "Sub A()\r\nEnd Sub\r\n");
    WriteBytes(dir / ".hidden.bas", "Sub H()\r\nEnd Sub\r\n");
    WriteBytes(dir / "b.bas", "Sub B()\r\nEnd Sub\r\n");
    fs::create_directory(dir / "folder.bas");
    const clsProject project = Project(
        dir, {"Module=a;a.bas", "Module=gone;gone.bas", "Module=h;.hidden.bas", "Module=f;folder.bas", "Module=b;b.bas"});

    CountingTemplates templates;
    RecordingObserver observer;
    const addrun::RunResult result = addrun::AddErrorHandlers(project, templates, &observer);

    ASSERT_TRUE(result.Succeeded());
    EXPECT_EQ(result.counts.filesProcessed, 2);
    const std::string d = dir.path().string() + "/";
    ASSERT_EQ(result.skippedFiles.size(), 3u);
    EXPECT_EQ(U(result.skippedFiles[0]), d + "gone.bas");
    EXPECT_EQ(U(result.skippedFiles[1]), d + ".hidden.bas");
    EXPECT_EQ(U(result.skippedFiles[2]), d + "folder.bas");
    EXPECT_EQ(observer.events[1], "skip 1 " + d + "gone.bas");
    EXPECT_FALSE(fs::exists(dir / "gone.bas")) << "the previous object's text must not land there";
    EXPECT_EQ(ReadBytes(dir / ".hidden.bas"), "Sub H()\r\nEnd Sub\r\n");
    EXPECT_EQ(ReadBytes(dir / "a.bas"), "Sub A()\r\n\r\n<Sub |A|>\r\nEnd Sub\r\n\r\n");
    EXPECT_EQ(ReadBytes(dir / "b.bas"), "Sub B()\r\n\r\n<Sub |B|>\r\nEnd Sub\r\n\r\n");
}

TEST(AddErrorHandlers, NothingIsWrittenWhenAnyFileHasAProblem) {
    struct Row {
        const char* name;
        std::vector<std::string> readOnly;  // files made read-only before the run
        Text begin;
        std::vector<int32_t> problemIndexes;
        std::vector<int32_t> errorNumbers;
    };
    const std::vector<Row> rows = {
        {"read-only last file", {"c.bas"}, kProbeBegin, {2}, {vb::ErrPermissionDenied}},
        {"two read-only files, both reported", {"a.bas", "c.bas"}, kProbeBegin, {0, 2}, {70, 70}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScratchDir dir;
        WriteBytes(dir / "a.bas", "Sub A()\r\nEnd Sub\r\n");
        WriteBytes(dir / "b.bas", "Option Explicit\r\n' no procedures here\r\n");
        WriteBytes(dir / "c.bas", "Public Function C(x As Long) As Long\r\nEnd Function\r\n");
        const clsProject project = Project(dir, {"Module=a;a.bas", "Module=b;b.bas", "Module=c;c.bas"});
        for (const std::string& name : row.readOnly) {
            fs::permissions(dir / name, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        }
        const auto before = Snapshot(dir.path());

        CountingTemplates templates(row.begin);
        RecordingObserver observer;
        const addrun::RunResult result = addrun::AddErrorHandlers(project, templates, &observer);

        EXPECT_FALSE(result.Succeeded());
        EXPECT_EQ(ProblemIndexes(result), row.problemIndexes);
        std::vector<int32_t> numbers;
        for (const addrun::Problem& problem : result.problems) numbers.push_back(problem.error.Number());
        EXPECT_EQ(numbers, row.errorNumbers);
        EXPECT_EQ(Snapshot(dir.path()), before);
        for (const std::string& event : observer.events) EXPECT_NE(event.rfind("write", 0), 0u) << event;
    }
}

// Templates that cannot make blocks VB6 compiles are refused before any
// file is read, a missing one included, whether or not a module has headers.
TEST(AddErrorHandlers, UnusableTemplatesAreRefusedBeforeAnyFileIsRead) {
    struct Row {
        const char* name;
        Text begin;
        Text end;
        std::string message;
    };
    const std::vector<Row> rows = {
        {"empty begin template", u"", u"", "the begin template is empty"},
        {"a jump to a label neither defines", u"On Error GoTo Fail\r\n", u"",
         "the begin template jumps to Fail, which neither template defines"},
        {"one label in both", u"On Error GoTo L\r\nL:\r\n", u"L: Exit Sub\r\n",
         "the begin template and the end template both define the label L"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScratchDir dir;
        WriteBytes(dir / "b.bas", "Option Explicit\r\nDim x As Long");
        const clsProject project = Project(dir, {"Module=b;b.bas", "Module=gone;gone.bas"});
        const auto before = Snapshot(dir.path());
        CountingTemplates templates(row.begin, row.end);
        RecordingObserver observer;
        const addrun::RunResult result = addrun::AddErrorHandlers(project, templates, &observer);
        ASSERT_EQ(result.problems.size(), 1u);
        EXPECT_EQ(result.problems[0].error.Number(), vb::ErrInvalidArgument);
        EXPECT_EQ(result.problems[0].error.Context(), row.message);
        EXPECT_TRUE(result.problems[0].path.empty());
        EXPECT_TRUE(observer.events.empty());
        EXPECT_EQ(Snapshot(dir.path()), before);
    }
}

TEST(AddErrorHandlers, FileNamedTwiceIsTransformedTwiceInListOrder) {
    struct Row {
        const char* name;
        std::vector<std::string> lines;
    };
    // In every row the list names A.bas twice and B.bas once, between them.
    const std::vector<Row> rows = {
        {"the same path", {"Module=a1;A.bas", "Module=b;B.bas", "Module=a2;A.bas"}},
        {"letter case and backslash differ", {"Module=a1;A.bas", "Module=b;B.bas", "Module=a2;sub\\..\\a.BAS"}},
        {"through a relative step", {"Module=a1;sub/../A.bas", "Module=b;B.bas", "Module=a2;./A.bas"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScratchDir dir;
        fs::create_directory(dir / "sub");
        WriteBytes(dir / "A.bas", "Sub A(x As Integer)\r\nEnd Sub");
        WriteBytes(dir / "B.bas", "Sub B()\r\nEnd Sub\r\n");
        const clsProject project = Project(dir, row.lines);

        CountingTemplates templates;
        RecordingObserver observer;
        const addrun::RunResult result = addrun::AddErrorHandlers(project, templates, &observer);

        ASSERT_TRUE(result.Succeeded());
        EXPECT_EQ(result.counts.filesProcessed, 3);
        EXPECT_EQ(result.counts.blocksInserted, 3);
        EXPECT_EQ(ReadBytes(dir / "A.bas"), "Sub A(x As Integer)\r\n\r\n<Sub |A|x>\r\n\r\n<Sub |A|x>\r\nEnd Sub\r\n\r\n");
        EXPECT_EQ(ReadBytes(dir / "B.bas"), "Sub B()\r\n\r\n<Sub |B|>\r\nEnd Sub\r\n\r\n");
        int writes = 0;
        for (const std::string& event : observer.events) writes += event.rfind("write", 0) == 0 ? 1 : 0;
        EXPECT_EQ(writes, 2) << "each file is written once, with its final text";
    }
}

TEST(AddErrorHandlers, SecondPassStartsFromTheEncodedFirstResult) {
    // A character outside Windows-1252 becomes "?" when the first result is
    // written; the second pass must see that "?", as a run that wrote between
    // the passes would.
    ScratchDir dir;
    WriteBytes(dir / "A.bas", "Sub A()\r\nEnd Sub\r\n");
    const clsProject project = Project(dir, {"Module=a;A.bas", "Module=a;A.bas"});
    CountingTemplates templates(u"' \u0416 [ProcName]\r\n");
    const addrun::RunResult result = addrun::AddErrorHandlers(project, templates);
    ASSERT_TRUE(result.Succeeded());
    EXPECT_EQ(ReadBytes(dir / "A.bas"), "Sub A()\r\n\r\n' ? A\r\n\r\n' ? A\r\nEnd Sub\r\n\r\n\r\n");
}

TEST(AddErrorHandlers, EmptyProjectTouchesNothing) {
    ScratchDir dir;
    WriteBytes(dir / "a.bas", "Sub A()\r\nEnd Sub\r\n");
    const clsProject project = Project(dir, {"Name=\"Empty\"", "Type=Exe"});
    const auto before = Snapshot(dir.path());
    CountingTemplates templates;
    RecordingObserver observer;
    const addrun::RunResult result = addrun::AddErrorHandlers(project, templates, &observer);
    EXPECT_TRUE(result.Succeeded());
    EXPECT_EQ(result.counts.filesProcessed, 0);
    EXPECT_EQ(result.counts.blocksInserted, 0);
    EXPECT_TRUE(result.skippedFiles.empty());
    EXPECT_TRUE(observer.events.empty());
    EXPECT_EQ(templates.reads, 0) << "no object, no template read";
    EXPECT_EQ(Snapshot(dir.path()), before);
}

TEST(AddErrorHandlers, WriteFailureStopsTheWritingThere) {
    // The second file turns read-only after the checks, while the first is
    // being written, as a file another program locks in between would.
    class LockingObserver : public RecordingObserver {
    public:
        explicit LockingObserver(fs::path lock) : lock_(std::move(lock)) {}
        void FileWritten(int32_t Index, const Text& path) override {
            RecordingObserver::FileWritten(Index, path);
            fs::permissions(lock_, fs::perms::owner_read);
        }

    private:
        fs::path lock_;
    };
    ScratchDir dir;
    WriteBytes(dir / "a.bas", "Sub A()\r\nEnd Sub\r\n");
    WriteBytes(dir / "b.bas", "Sub B()\r\nEnd Sub\r\n");
    WriteBytes(dir / "c.bas", "Sub C()\r\nEnd Sub\r\n");
    const clsProject project = Project(dir, {"Module=a;a.bas", "Module=b;b.bas", "Module=c;c.bas"});
    CountingTemplates templates;
    LockingObserver observer(dir / "b.bas");
    const addrun::RunResult result = addrun::AddErrorHandlers(project, templates, &observer);

    EXPECT_EQ(ProblemIndexes(result), std::vector<int32_t>{1});
    EXPECT_EQ(result.problems.at(0).error.Number(), vb::ErrPermissionDenied);
    EXPECT_EQ(ReadBytes(dir / "a.bas"), "Sub A()\r\n\r\n<Sub |A|>\r\nEnd Sub\r\n\r\n");
    EXPECT_EQ(ReadBytes(dir / "b.bas"), "Sub B()\r\nEnd Sub\r\n");
    EXPECT_EQ(ReadBytes(dir / "c.bas"), "Sub C()\r\nEnd Sub\r\n");
}

TEST(AddErrorHandlers, LfCheckoutKeepsLfLineBreaks) {
    ScratchDir dir;
    WriteBytes(dir / "m.bas", "Attribute VB_Name = \"m\"\nSub Main()\n  x = 1\nEnd Sub\n");
    WriteBytes(dir / "c.cls", "Sub C()\r\nEnd Sub\r\n");
    WriteBytes(dir / "P.vbp", "Type=Exe\nModule=m; m.bas\nClass=c; c.cls\nName=\"P\"\n");
    clsProject project;
    project.ParseProject(PathText(dir / "P.vbp"));
    ASSERT_EQ(project.ObjectCount(), 1);

    CountingTemplates templates;
    const addrun::RunResult result = addrun::AddErrorHandlers(project, templates);

    ASSERT_TRUE(result.Succeeded());
    EXPECT_EQ(ReadBytes(dir / "m.bas"), "Attribute VB_Name = \"m\"\nSub Main()\n\n<Sub |Main|>\n  x = 1\nEnd Sub\n\n");
    EXPECT_EQ(ReadBytes(dir / "c.cls"), "Sub C()\r\n\r\n<Sub |C|>\r\nEnd Sub\r\n\r\n");
}

TEST(AddErrorHandlers, FilesProcessedAtOnceReportInListOrder) {
    // The same project planned with one worker and with several: the same
    // events, problems and bytes, in list order.
    std::vector<std::vector<std::string>> events;
    std::vector<std::map<std::string, std::string>> results;
    for (unsigned workers : {1u, 4u}) {
        ScratchDir dir;
        std::vector<std::string> lines;
        for (int i = 0; i < 24; ++i) {
            const std::string name = "m" + std::to_string(i) + ".bas";
            if (i % 7 != 3) WriteBytes(dir / name, "Sub S" + std::to_string(i) + "(a)\r\n' " + std::string((24 - i) * 4000, 'x'));
            if (i % 5 == 4) fs::permissions(dir / name, fs::perms::owner_read);
            lines.push_back("Module=M" + std::to_string(i) + "; " + name);
        }
        const clsProject project = Project(dir, lines);
        RecordingObserver observer;
        run::RunRequest request;
        request.writeAhead = true;
        request.workers = workers;
        CountingTemplates templates;
        class Rules : public run::RulesSource {
        public:
            run::FileRules For(const run::SourceFile&) override {
                run::FileRules rules;
                rules.templates = std::make_shared<scan::FixedTemplates>(scan::HandlerTemplates{kProbeBegin, u""});
                return rules;
            }
        } rules;
        const run::RunPlan plan = run::MakePlan(run::ProjectSources(project), rules, request, &observer);
        for (const run::Problem& problem : plan.result.problems) {
            observer.events.push_back("problem " + std::to_string(problem.Index) + " " +
                                      std::to_string(problem.error.Number()));
        }
        for (std::string& event : observer.events) {
            const size_t at = event.find(dir.path().string());
            if (at != std::string::npos) event.erase(at, dir.path().string().size());
        }
        events.push_back(observer.events);
        results.push_back(Snapshot(dir.path()));
    }
    EXPECT_EQ(events[0], events[1]);
    EXPECT_EQ(results[0], results[1]);
    EXPECT_EQ(std::count_if(events[0].begin(), events[0].end(),
                            [](const std::string& e) { return e.rfind("problem", 0) == 0; }),
              4);
}
