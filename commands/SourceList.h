// The files a run processes, in order: the objects of a project, or source
// files named on the command line.
#pragma once

#include <cstdint>
#include <vector>

#include "vb_runtime/Text.h"

class clsProject;

namespace run {

struct SourceFile {
    int32_t Index = 0;  ///< the object's index in its project, or the position among the named files
    Text path;          ///< ObjectPath, or the name as given
    Text objectType;    ///< the project's kind key as written (Form, Class, …); empty for a named file
    Text objectName;    ///< ObjectName; empty for a named file
    /// Named on the command line: a missing file is an error, where a
    /// project's missing object is skipped.
    bool named = false;
};

/// Every object of the project, in list order.
std::vector<SourceFile> ProjectSources(const clsProject& project);

/// The named files, in the order given.
std::vector<SourceFile> NamedSources(const std::vector<Text>& paths);

}  // namespace run
