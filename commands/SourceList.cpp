// The files of a run.
#include "commands/SourceList.h"

#include "project_model/clsProject.h"

namespace run {

std::vector<SourceFile> ProjectSources(const clsProject& project) {
    std::vector<SourceFile> sources;
    const int32_t last = project.ObjectCount();
    for (int32_t Index = 0; Index <= last; ++Index) {
        SourceFile file;
        file.Index = Index;
        file.path = project.ObjectPath(Index);
        file.objectType = project.ObjectType(Index);
        file.objectName = project.ObjectName(Index);
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

}  // namespace run
