// The SARIF log of a check run.
#include "cli/SarifReport.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <algorithm>
#include <map>

#include "TrapwrightVersion.h"
#include "cli/CommandSupport.h"
#include "cli/ReportRoot.h"
#include "vb_runtime/CodePage.h"

namespace cli {

namespace {

namespace fs = std::filesystem;
// Keys stay in the order they are set, as the format's examples show them.
using Json = nlohmann::ordered_json;

struct Finding {
    const char* ruleId;
    const char* description;  ///< what the rule finds, for the log's list of rules
    std::string message;
};

// What each kind of note is reported as: its rule and its message, worded as
// the text output words it. A new kind of note needs its case here (the
// compiler asks for it); it is a note unless it is NoHandler (see LevelOf).
Finding NoteFinding(const run::LineNote& note) {
    using Kind = run::LineNote::Kind;
    const std::string name = vb::ToUtf8(note.name);
    switch (note.kind) {
        case Kind::NoHandler:
            return {"missing-handler", "A procedure has no error handler", name + " has no error handler"};
        case Kind::EditedBlock:
            return {"edited-block", "A block edited by hand is left as it is", run::NoteMessage(note)};
        case Kind::Refused:
            return {"left-alone", "A procedure no block can go into safely is left as it is", run::NoteMessage(note)};
        case Kind::OldPlace:
            return {"misplaced-handler", "A block stands where an earlier version put it", run::NoteMessage(note)};
        case Kind::HasLineNumbers:
        case Kind::NumberedLineTooLong:
        case Kind::OtherLineNumbers:
            return {"numbered-procedure", "A procedure whose line numbers are left as they are", run::NoteMessage(note)};
        case Kind::ModuleTooLong:
            return {"module-too-long", "A module that would have more lines than VB6 loads is left as it is",
                    run::NoteMessage(note)};
    }
    return {"note", "A note of the run", name};
}

// A procedure without its block, or with it where an earlier version put
// it, is what fails a check; the rest is said for information.
const char* LevelOf(run::LineNote::Kind kind) {
    return kind == run::LineNote::Kind::NoHandler || kind == run::LineNote::Kind::OldPlace ? "warning" : "note";
}

Finding MissingSourceFinding(const MissingSource& missing) {
    return {"missing-source", "A file that the project lists does not exist", missing.message};
}

Finding ExcludedFileFinding() {
    return {"file-left-alone", "The team policy leaves a file alone", "left alone by the team policy"};
}

bool IsUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

// A path as the path part of a URI: every byte but the unreserved ones and
// "/" percent-encoded, so that any file name (spaces, "#", non-UTF-8 bytes)
// gives a valid URI.
std::string EncodeUriPath(const std::string& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (IsUnreserved(byte) || c == '/') {
            uri += c;
        } else {
            uri += '%';
            uri += kHex[byte >> 4];
            uri += kHex[byte & 15];
        }
    }
    return uri;
}

// file:///home/a/b, file:///C:/a/b, file://server/share/b
std::string FileUri(const fs::path& absolute) {
    std::string path = ReportRoot::GenericUtf8(absolute);
    if (path.rfind("//", 0) == 0) return "file:" + EncodeUriPath(path);
    std::string drive;
    if (path.size() >= 2 && path[1] == ':') {
        drive = "/" + path.substr(0, 2);
        path.erase(0, 2);
    }
    return "file://" + drive + EncodeUriPath(path);
}

Json ArtifactLocation(const Text& file, const ReportRoot& root) {
    const std::optional<std::string> relative = root.Relative(file);
    if (!relative) return Json{{"uri", FileUri(ReportRoot::AbsolutePath(file))}};
    return Json{{"uri", EncodeUriPath(*relative)}, {"uriBaseId", kSarifBaseId}};
}

// The log's rules, each listed once, in the order the results first use them.
class RuleList {
public:
    size_t IndexOf(const Finding& finding, const char* level) {
        const auto [entry, added] = indexById_.try_emplace(finding.ruleId, rules_.size());
        if (added) {
            rules_.push_back(Json{{"id", finding.ruleId},
                                  {"shortDescription", {{"text", finding.description}}},
                                  {"defaultConfiguration", {{"level", level}}}});
        }
        return entry->second;
    }
    const Json& Rules() const { return rules_; }

private:
    Json rules_ = Json::array();
    std::map<std::string, size_t> indexById_;
};

// A place in a file; line 1 stands for the file as a whole, as code-review
// tools want a line for every result.
Json PhysicalLocation(const Text& file, int32_t line, const ReportRoot& root) {
    return Json{{"artifactLocation", ArtifactLocation(file, root)}, {"region", {{"startLine", line}}}};
}

Json Result(RuleList& rules, const Finding& finding, const char* level, Json physicalLocation) {
    return Json{{"ruleId", finding.ruleId},
                {"ruleIndex", rules.IndexOf(finding, level)},
                {"level", level},
                {"message", {{"text", finding.message}}},
                {"locations", Json::array({{{"physicalLocation", std::move(physicalLocation)}}})}};
}

// Every file the log names, so that the folder it starts from holds them.
std::vector<Text> FilesNamed(const SarifContent& content) {
    std::vector<Text> files;
    for (const run::FileNote& note : content.result.notes) {
        if (files.empty() || files.back() != note.path) files.push_back(note.path);
    }
    for (const MissingSource& missing : content.missingSources) files.push_back(missing.projectFile);
    files.insert(files.end(), content.filesExcluded.begin(), content.filesExcluded.end());
    for (const SarifWarning& warning : content.warnings) files.push_back(warning.path);
    return files;
}

// Whether the check ran through, and what stopped it.
Json Invocation(const std::vector<std::string>& errors) {
    Json invocation{{"executionSuccessful", errors.empty()}};
    if (errors.empty()) return invocation;
    Json notifications = Json::array();
    for (const std::string& error : errors) {
        notifications.push_back(Json{{"level", "error"}, {"message", {{"text", error}}}});
    }
    invocation["toolExecutionNotifications"] = std::move(notifications);
    return invocation;
}

}  // namespace

std::string SarifLog(const SarifContent& content, const Text& anchor) {
    const ReportRoot root(anchor, FilesNamed(content));
    RuleList rules;
    Json results = Json::array();
    for (const run::FileNote& note : content.result.notes) {
        results.push_back(Result(rules, NoteFinding(note.note), LevelOf(note.note.kind),
                                 PhysicalLocation(note.path, std::max(note.note.line, 1), root)));
    }
    for (const MissingSource& missing : content.missingSources) {
        results.push_back(Result(rules, MissingSourceFinding(missing), "warning",
                                 PhysicalLocation(missing.projectFile, missing.line, root)));
    }
    for (const Text& path : content.filesExcluded) {
        results.push_back(Result(rules, ExcludedFileFinding(), "note", PhysicalLocation(path, 1, root)));
    }
    for (const SarifWarning& warning : content.warnings) {
        const Finding finding{warning.ruleId.c_str(), warning.description.c_str(), warning.message};
        results.push_back(Result(rules, finding, "warning", PhysicalLocation(warning.path, 1, root)));
    }

    std::string rootUri = FileUri(root.Folder());
    if (rootUri.back() != '/') rootUri += '/';
    const Json driver{{"name", "Trapwright"}, {"version", TRAPWRIGHT_VERSION}, {"rules", rules.Rules()}};
    const Json run{{"tool", {{"driver", driver}}},
                   {"invocations", Json::array({Invocation(content.errors)})},
                   {"originalUriBaseIds", {{kSarifBaseId, {{"uri", rootUri}}}}},
                   {"results", std::move(results)}};
    const Json log{{"$schema", "https://json.schemastore.org/sarif-2.1.0.json"},
                   {"version", "2.1.0"},
                   {"runs", Json::array({run})}};
    return log.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace cli
