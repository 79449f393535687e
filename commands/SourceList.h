// The files a run processes, in order: the objects of a project, or source
// files named on the command line.
#pragma once

#include <cstdint>
#include <vector>

#include "vb_runtime/Text.h"

class clsProject;

namespace run {

struct SourceFile {
    int32_t Index = 0;  ///< the position among its project's sources, or among the named files
    Text path;          ///< ObjectPath, or the name as given
    Text objectType;    ///< the project's kind key as written (Form, Class, …); empty for a named file
    Text objectName;    ///< ObjectName; empty for a named file
    /// Named on the command line: a missing file is an error, where a
    /// project's missing object is skipped.
    bool named = false;
    Text projectFile;    ///< the project that lists it; empty for a named file
    Text projectFolder;  ///< that project's folder, with its separator
    Text projectName;    ///< that project's Name setting
    int32_t listedAt = 0;  ///< the line of the project file that lists it; 0 for a named file
};

/// Every source of the project in list order: its objects, property pages
/// and user documents (clsProject::SourceEntries). `projectFile` is the file
/// the project was read from, when known.
std::vector<SourceFile> ProjectSources(const clsProject& project, const Text& projectFile = {});

/// The path of a project's object relative to its project's folder, with
/// "/" between folders; a named file's path as given, likewise.
Text RelativePath(const SourceFile& file);

/// The named files, in the order given.
std::vector<SourceFile> NamedSources(const std::vector<Text>& paths);

}  // namespace run
