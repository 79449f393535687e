// Missing sources and runs that read nothing, for check.
#include "cli/CheckInputs.h"

#include "cli/CommandSupport.h"
#include "vb_runtime/FileAccess.h"

namespace cli {

namespace {

// "the one source file that P.vbp lists", "none of the 3 source files that P.vbp lists"
std::string NoneOf(size_t count, const std::string& things, const std::string& rest) {
    if (count == 1) return "the one " + things + " that " + rest;
    return "none of the " + std::to_string(count) + " " + things + "s that " + rest;
}

std::string WhyNoProjectWasRead(const RunInputs& inputs) {
    const std::string group = vb::DisplayPath(inputs.anchor);
    const size_t named = inputs.missingProjects.size();
    if (named == 0) return group + " names no projects (is it a project group file?)";
    return NoneOf(named, "project", group + " names") + (named == 1 ? " does not exist" : " exists");
}

}  // namespace

std::vector<MissingSource> MissingSources(const RunInputs& inputs, const run::RunResult& result) {
    std::vector<MissingSource> missing;
    auto source = inputs.sources.begin();
    for (const Text& path : result.skippedFiles) {
        while (source != inputs.sources.end() && source->path != path) ++source;
        if (source == inputs.sources.end()) break;
        const bool exists = vb::PathExists(path);
        missing.push_back(MissingSource{
            source->projectFile, source->listedAt,
            "lists " + vb::ToUtf8(run::RelativePath(*source)) + ", but " +
                (exists ? "that is a folder or a hidden file" : "there is no such file")});
        ++source;
    }
    return missing;
}

std::optional<std::string> WhyNothingWasRead(const RunInputs& inputs, const run::RunResult& result) {
    if (inputs.projectFiles.empty() || result.counts.filesProcessed > 0 || result.counts.filesExcluded > 0) return std::nullopt;
    const size_t projectsRead = inputs.projectFiles.size() - (inputs.group ? 1 : 0);
    if (projectsRead == 0) return WhyNoProjectWasRead(inputs);
    const std::string what =
        inputs.group ? "the projects of " + vb::DisplayPath(inputs.anchor) : vb::DisplayPath(inputs.anchor);
    const char* verb = inputs.group ? " list" : " lists";
    if (inputs.sources.empty()) {
        return what + verb + " no source files (" + (inputs.group ? "are they project files?)" : "is it a project file?)");
    }
    const size_t listed = inputs.sources.size();
    return NoneOf(listed, "source file", what + verb) + (listed == 1 ? " cannot be read" : " can be read");
}

}  // namespace cli
