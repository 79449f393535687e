// The files of a run.
#include "commands/SourceList.h"

#include "project_model/clsProject.h"
#include "vb_runtime/FileAccess.h"

namespace run {

std::vector<SourceFile> ProjectSources(const clsProject& project, const Text& projectFile) {
    const Text folder = vb::FolderPart(projectFile);
    const Text name = project.Variables(u"Name");
    std::vector<SourceFile> sources;
    for (const ProjectEntry& entry : project.SourceEntries()) {
        SourceFile file;
        file.Index = static_cast<int32_t>(sources.size());
        file.path = entry.Path;
        file.objectType = entry.Type;
        file.objectName = entry.Name;
        file.projectFile = projectFile;
        file.projectFolder = folder;
        file.projectName = name;
        file.listedAt = entry.Line;
        sources.push_back(std::move(file));
    }
    return sources;
}

std::vector<SourceFile> NamedSources(const std::vector<Text>& paths) {
    std::vector<SourceFile> sources;
    for (const Text& path : paths) {
        SourceFile file;
        file.Index = static_cast<int32_t>(sources.size());
        file.path = path;
        file.named = true;
        sources.push_back(std::move(file));
    }
    return sources;
}

Text RelativePath(const SourceFile& file) {
    Text path = file.path;
    if (!file.projectFolder.empty() && path.compare(0, file.projectFolder.size(), file.projectFolder) == 0) {
        path.erase(0, file.projectFolder.size());
    }
    for (char16_t& c : path) {
        if (c == u'\\') c = u'/';
    }
    return path;
}

}  // namespace run
