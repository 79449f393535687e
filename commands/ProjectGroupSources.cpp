// Opening a project group, and the rule that a file counts once.
#include "commands/ProjectGroupSources.h"

#include <filesystem>
#include <set>

#include "commands/FileIdentity.h"
#include "project_model/ProjectGroup.h"
#include "project_model/clsProject.h"
#include "vb_runtime/FileAccess.h"

namespace run {

OpenedGroup OpenProjectGroup(const Text& groupFile) {
    OpenedGroup group;
    for (const Text& projectFile : group::ReadProjectGroup(groupFile)) {
        if (!vb::IsOrdinaryFile(projectFile)) {
            group.missingProjects.push_back(projectFile);
            continue;
        }
        group.projects.push_back(OpenedProject{projectFile, std::make_unique<clsProject>()});
        group.projects.back().project->ParseProject(projectFile);
    }
    return group;
}

std::vector<SourceFile> GroupSources(const OpenedGroup& group) {
    std::vector<SourceFile> sources;
    std::set<std::filesystem::path> seen;  // the files of the projects before
    for (const OpenedProject& opened : group.projects) {
        std::set<std::filesystem::path> listedHere;
        for (SourceFile& file : ProjectSources(*opened.project, opened.file)) {
            const std::filesystem::path identity = FileIdentity(file.path);
            if (seen.count(identity) != 0) continue;
            listedHere.insert(identity);
            file.Index = static_cast<int32_t>(sources.size());
            sources.push_back(std::move(file));
        }
        seen.insert(listedHere.begin(), listedHere.end());
    }
    return sources;
}

}  // namespace run
