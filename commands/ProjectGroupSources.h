// A project group (.vbg) opened for a run or a listing: its projects in the
// group's order, and the files a run over the group processes.
#pragma once

#include <memory>
#include <vector>

#include "commands/SourceList.h"
#include "vb_runtime/Text.h"

class clsProject;

namespace run {

/// A project read from its file.
struct OpenedProject {
    Text file;
    std::unique_ptr<clsProject> project;
};

struct OpenedGroup {
    std::vector<OpenedProject> projects;  ///< in the group's order
    std::vector<Text> missingProjects;    ///< projects the group names that do not exist
};

/// Reads the group file and every project it names that exists.
OpenedGroup OpenProjectGroup(const Text& groupFile);

/// The objects of the group's projects in the group's order, each file
/// once: a file that several projects list belongs to the first of them,
/// which supplies its project name and its policy. Entries are numbered
/// through the group.
std::vector<SourceFile> GroupSources(const OpenedGroup& group);

}  // namespace run
