// clsProject: one opened VB6 project, its object list (forms, modules,
// classes, user controls) and its variable list (every other setting), and
// the files of VB code that a run processes.
#pragma once

#include <cstdint>
#include <vector>

#include "project_model/ProjectEntry.h"
#include "vb_runtime/Text.h"

class clsProject {
public:
    /// Clears both lists, loads the project file and rebuilds them from it.
    void ParseProject(const Text& strFileName);
    /// Reads the whole file into CodeInput when it is an ordinary file.
    void LoadCode(const Text& strFileName);
    /// The highest object index: the number of objects minus one (-1 if none).
    int32_t ObjectCount() const;
    /// Fields of object `Index`; VbError 9 outside 0..ObjectCount.
    Text ObjectName(int32_t Index) const;
    Text ObjectPath(int32_t Index) const;
    Text ObjectType(int32_t Index) const;
    /// The value of the first setting named sName (case ignored), or empty text.
    Text Variables(const Text& sName) const;
    /// Sets the first setting named sName, or appends a new one.
    void Variables(const Text& sName, const Text& vNewValue);
    const Text& CodeInput() const;
    void CodeInput(const Text& vNewValue);

    /// The variable list in list order, duplicates included (for listing;
    /// lookups by name go through Variables).
    const std::vector<ProjectEntry>& VariableEntries() const;

    /// Every entry whose file holds VB code, in the order the project file
    /// lists them: the objects, and the property pages and user documents
    /// (PropertyPage=, UserDocument=), which the variable list holds as
    /// settings. A run processes these; designers (.dsr) hold binary parts
    /// and are not among them.
    const std::vector<ProjectEntry>& SourceEntries() const;

private:
    /// The name up to and including its last "\" or "/"; empty without one.
    static Text GetFolder(const Text& strFileName);
    /// Index of the first setting named sName (case ignored), or -1.
    int32_t FindVariable(const Text& sName) const;

    std::vector<ProjectEntry> objects_;
    std::vector<ProjectEntry> variables_;
    std::vector<ProjectEntry> sources_;
    Text codeInput_;
};
