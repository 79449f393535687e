// Reading a project group file.
#include "project_model/ProjectGroup.h"

#include <algorithm>

#include "vb_runtime/CodePage.h"
#include "vb_runtime/FileAccess.h"
#include "vb_runtime/LineBreak.h"
#include "vb_runtime/Strings.h"
#include "vb_runtime/VbError.h"

namespace group {

std::vector<Text> ReadProjectGroup(const Text& strFileName) {
    if (!vb::IsOrdinaryFile(strFileName)) {
        throw vb::VbError(vb::ErrFileNotFound, "no such project group file", vb::DisplayPath(strFileName));
    }
    const Text text = vb::DecodeAnsi(vb::ReadFileBytes(strFileName));
    const Text folder = vb::FolderPart(strFileName);
    std::vector<Text> projects;
    for (const Text& line : vb::Split(text, vb::DetectLineBreak(text))) {
        const size_t equals = line.find(u'=');
        if (equals == Text::npos) continue;
        const Text key = vb::Trim(vb::TextView(line).substr(0, equals));
        if (!vb::EqualsNoCase(key, u"StartupProject") && !vb::EqualsNoCase(key, u"Project")) continue;
        const Text path = folder + vb::Trim(vb::TextView(line).substr(equals + 1));
        if (std::find(projects.begin(), projects.end(), path) == projects.end()) projects.push_back(path);
    }
    return projects;
}

}  // namespace group
