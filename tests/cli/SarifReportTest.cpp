// `check --format sarif` end to end: the log of a small project against its
// golden file, the same findings as the text output, and Microsoft's SARIF
// validator on the logs.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "TestSupport.h"
#include "TrapwrightVersion.h"

using testing_support::CommandResult;
using testing_support::CrLfLines;
using testing_support::DataFile;
using testing_support::ReadBytes;
using testing_support::RunCli;
using testing_support::ScratchDir;
using testing_support::WriteBytes;

namespace fs = std::filesystem;
using Json = nlohmann::json;

namespace {

const fs::path kExamples = TRAPWRIGHT_EXAMPLES;
const fs::path kValidator = TRAPWRIGHT_SARIF_VALIDATOR;

// A project in `root`/project, code page 1252: a procedure with its block
// and one without; a file in a folder whose name has a space, a "#" and a
// non-ASCII letter; a file outside the project's folder; a listed file that
// is missing; a file that the policy leaves alone.
fs::path WriteSmallProject(const fs::path& root) {
    const fs::path folder = root / "project";
    WriteBytes(folder / "P.vbp", CrLfLines({"Type=Exe", "Module=modA; modA.bas", "Module=modB; Sub Folder\\Mod\xFCl #1.bas",
                                            "Module=modGone; modGone.bas", "Module=modGen; Generated\\modGen.bas",
                                            "Module=modShared; ..\\shared.bas", "Name=\"P\"", ""}));
    WriteBytes(folder / "trapwright.toml", "[exclude]\nfiles = [\"Generated/*.bas\"]\n");
    WriteBytes(folder / "modA.bas",
               CrLfLines({"Attribute VB_Name = \"modA\"", "Public Sub Handled()", "", "' *** START ERROR HANDLER ***",
                          "On Error GoTo errHandler", "If Err.Number <> 0 Then",
                          "errHandler: ErrorIn \"Handled()\", Array(), EA_NORERAISE: HandleError: Exit Sub ", "End If",
                          "' *** BEGIN CODE ***", "End Sub", "", "Private Function Gr\xF6\xDF" "e(ByVal n As Long) As Long",
                          "  Gr\xF6\xDF" "e = n", "End Function", ""}));
    WriteBytes(folder / "Sub Folder" / "Mod\xC3\xBCl #1.bas", CrLfLines({"Attribute VB_Name = \"modB\"", "Sub Run()", "End Sub", ""}));
    WriteBytes(folder / "Generated" / "modGen.bas", CrLfLines({"Sub Gen()", "End Sub", ""}));
    WriteBytes(root / "shared.bas", CrLfLines({"Sub Shared()", "End Sub", ""}));
    return folder;
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

// The log with what differs between runs in words: the scratch folder's URI
// and the tool's version.
std::string Normalized(std::string log, const fs::path& scratch) {
    ReplaceAll(log, "file://" + scratch.generic_string(), "file:///SCRATCH");
    ReplaceAll(log, "\"version\": \"" TRAPWRIGHT_VERSION "\"", "\"version\": \"VERSION\"");
    return log;
}

std::string PercentDecoded(const std::string& uri) {
    std::string text;
    for (size_t i = 0; i < uri.size(); ++i) {
        if (uri[i] == '%' && i + 2 < uri.size()) {
            text += static_cast<char>(std::stoi(uri.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            text += uri[i];
        }
    }
    return text;
}

fs::path FilePath(const std::string& fileUri) {
    EXPECT_EQ(fileUri.rfind("file://", 0), 0u) << fileUri;
    return fs::path(PercentDecoded(fileUri.substr(7)));
}

using Finding = std::tuple<std::string, int, std::string>;  // absolute path, line, message

// "PATH:LINE: MESSAGE" per line of the text output.
std::vector<Finding> TextFindings(const std::string& out) {
    static const std::regex kFinding("(.*?):([0-9]+): (.*)");
    std::vector<Finding> findings;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        std::smatch parts;
        EXPECT_TRUE(std::regex_match(line, parts, kFinding)) << line;
        if (parts.empty()) continue;
        findings.emplace_back(fs::absolute(parts.str(1)).lexically_normal().string(), std::stoi(parts.str(2)),
                              parts.str(3));
    }
    return findings;
}

// The results of a SARIF log at `level`, their URIs resolved.
std::vector<Finding> SarifFindings(const Json& log, const std::string& level) {
    std::vector<Finding> findings;
    const Json& run = log.at("runs").at(0);
    for (const Json& result : run.at("results")) {
        if (result.at("level") != level) continue;
        // The warning of undeclared names is the run's, said on stderr in either format.
        if (result.at("ruleId") == "undeclared-names") continue;
        const Json& location = result.at("locations").at(0).at("physicalLocation");
        const Json& artifact = location.at("artifactLocation");
        fs::path path;
        if (artifact.contains("uriBaseId")) {
            const Json& base = run.at("originalUriBaseIds").at(artifact.at("uriBaseId").get<std::string>());
            path = FilePath(base.at("uri").get<std::string>()) / PercentDecoded(artifact.at("uri").get<std::string>());
        } else {
            path = FilePath(artifact.at("uri").get<std::string>());
        }
        findings.emplace_back(path.lexically_normal().string(), location.at("region").at("startLine").get<int>(),
                              result.at("message").at("text").get<std::string>());
    }
    return findings;
}

// The validator's findings on a log, read from the SARIF log it writes of them.
Json Validate(const fs::path& log, const fs::path& folder) {
    const fs::path out = folder / "validation.sarif";
    const std::string command = "'" + kValidator.string() + "' validate '" + log.string() +
                                "' --level 'Error;Warning;Note' --log ForceOverwrite -o '" + out.string() +
                                "' >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return Json::parse(ReadBytes(out)).at("runs").at(0).at("results");
}

// A result without a level is a warning, as the format says.
std::vector<std::string> RuleIdsAt(const Json& results, const std::string& level) {
    std::vector<std::string> ids;
    for (const Json& result : results) {
        if (result.value("level", "warning") == level) ids.push_back(result.at("ruleId").get<std::string>());
    }
    return ids;
}

}  // namespace

TEST(SarifReport, SmallProjectMatchesItsGoldenFile) {
    ScratchDir dir;
    const fs::path folder = WriteSmallProject(dir.path());
    const CommandResult result = RunCli({"check", (folder / "P.vbp").string(), "--format", "sarif"});
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_EQ(Normalized(result.out, dir.path()), ReadBytes(DataFile("sarif/small_project.sarif")));
    EXPECT_NE(result.err.find("procedures checked: 4; without an error handler: 3"), std::string::npos) << result.err;
}

TEST(SarifReport, NamesWhatTheTextOutputNamesAtTheSameLines) {
    ScratchDir dir;
    const fs::path folder = WriteSmallProject(dir.path());
    WriteBytes(dir / "handled" / "h.bas", CrLfLines({"Sub H()", "End Sub", ""}));
    ASSERT_EQ(RunCli({"transform", (dir / "handled" / "h.bas").string()}).exitCode, 0);
    const struct Row {
        const char* name;
        std::vector<std::string> inputs;
        int exitCode;
    } rows[] = {
        {"the example project", {(kExamples / "Demo.vbp").string()}, 1},
        {"a project with files outside its folder", {(folder / "P.vbp").string()}, 1},
        {"named files outside the current folder",
         {(folder / "modA.bas").string(), (folder / "Sub Folder" / "Mod\xC3\xBCl #1.bas").string()}, 1},
        {"every procedure handled", {(dir / "handled" / "h.bas").string()}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> arguments{"check"};
        arguments.insert(arguments.end(), row.inputs.begin(), row.inputs.end());
        const CommandResult text = RunCli(arguments);
        arguments.insert(arguments.end(), {"--format", "sarif"});
        const CommandResult sarif = RunCli(arguments);
        EXPECT_EQ(text.exitCode, row.exitCode) << text.err;
        EXPECT_EQ(sarif.exitCode, row.exitCode) << sarif.err;
        EXPECT_EQ(sarif.err, text.err);
        const std::vector<Finding> named = TextFindings(text.out);
        EXPECT_EQ(named.empty(), row.exitCode == 0);
        EXPECT_EQ(SarifFindings(Json::parse(sarif.out), "warning"), named);
    }
}

TEST(SarifReport, LocationsStartAtTheTopOfTheRepository) {
    ScratchDir dir;
    fs::create_directory(dir / ".git");
    WriteBytes(dir / "apps" / "billing" / "P.vbp", CrLfLines({"Module=modA; modA.bas", ""}));
    WriteBytes(dir / "apps" / "billing" / "modA.bas", CrLfLines({"Sub A()", "End Sub", ""}));
    const CommandResult result = RunCli({"check", (dir / "apps" / "billing" / "P.vbp").string(), "--format", "sarif"});
    EXPECT_EQ(result.exitCode, 1) << result.err;
    const Json run = Json::parse(result.out).at("runs").at(0);
    EXPECT_EQ(run.at("originalUriBaseIds").at("%SRCROOT%").at("uri"), "file://" + dir.path().string() + "/");
    EXPECT_EQ(run.at("results").at(0).at("locations").at(0).at("physicalLocation").at("artifactLocation"),
              Json({{"uri", "apps/billing/modA.bas"}, {"uriBaseId", "%SRCROOT%"}}));
}

// Whatever stops a check, the log says so: the run did not succeed, and the
// error that stderr shows is its notification. The exit status is 2.
TEST(SarifReport, AFailedCheckStillWritesALog) {
    ScratchDir dir;
    WriteBytes(dir / "random.vbp", std::string("\x8F\x00\xC3(=\x17\xFF", 7));
    WriteBytes(dir / "P.vbp", CrLfLines({"Module=modA; modA.bas", ""}));
    WriteBytes(dir / "bad.toml", "begn = \"x\"\n");
    const struct Row {
        const char* name;
        std::vector<std::string> arguments;
    } rows[] = {
        {"a named file that is missing", {"check", (dir / "none.bas").string()}},
        {"a project file of random bytes", {"check", (dir / "random.vbp").string()}},
        {"no such project file", {"check", (dir / "none.vbp").string()}},
        {"a faulty policy", {"check", (dir / "P.vbp").string(), "--policy", (dir / "bad.toml").string()}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> arguments = row.arguments;
        arguments.insert(arguments.end(), {"--format", "sarif"});
        const CommandResult result = RunCli(arguments);
        EXPECT_EQ(result.exitCode, 2);
        const Json invocation = Json::parse(result.out).at("runs").at(0).at("invocations").at(0);
        EXPECT_EQ(invocation.at("executionSuccessful"), false);
        const Json& notification = invocation.at("toolExecutionNotifications").at(0);
        EXPECT_EQ(notification.at("level"), "error");
        EXPECT_NE(notification.at("message").at("text"), "");
        EXPECT_EQ(result.err.find(notification.at("message").at("text").get<std::string>() + "\n"), 0u) << result.err;
    }
    const CommandResult refused = RunCli({"check", (kExamples / "Demo.vbp").string(), "--format", "json"});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_EQ(refused.out, "") << "no format was chosen";
}

TEST(SarifReport, LogsPassMicrosoftsValidator) {
    if (!fs::exists(kValidator)) {
        GTEST_SKIP() << "Microsoft's SARIF validator is not installed (" << kValidator.string()
                     << "); scripts/install-deps sarif installs it";
    }
    ScratchDir dir;
    // A log without its tool: the validator must name the error, which shows
    // that it ran and reports what it finds.
    WriteBytes(dir / "broken.sarif", R"({"version": "2.1.0", "runs": [{"results": []}]})");
    EXPECT_EQ(RuleIdsAt(Validate(dir / "broken.sarif", dir.path()), "error"), std::vector<std::string>{"JSON1002"});

    const fs::path folder = WriteSmallProject(dir.path());
    WriteBytes(dir / "random.vbp", std::string("\x8F\x00\xC3(=\x17\xFF", 7));
    for (const fs::path& project : {kExamples / "Demo.vbp", folder / "P.vbp", dir / "random.vbp", dir / "none.bas"}) {
        SCOPED_TRACE(project.string());
        const CommandResult result = RunCli({"check", project.string(), "--format", "sarif"});
        WriteBytes(dir / "check.sarif", result.out);
        const Json findings = Validate(dir / "check.sarif", dir.path());
        // A log it cannot read at all gives no result, not even its notes.
        EXPECT_FALSE(findings.empty());
        EXPECT_EQ(RuleIdsAt(findings, "error"), std::vector<std::string>{}) << findings.dump(2);
        // The one warning taken: the tool has no web page to name (informationUri).
        EXPECT_EQ(RuleIdsAt(findings, "warning"), std::vector<std::string>{"SARIF2005"}) << findings.dump(2);
    }
}
