// clsProject: reads a VB6 project file into the object list and the
// variable list.
#include "project_model/clsProject.h"

#include <string>

#include "project_model/modGlobal.h"
#include "vb_runtime/CodePage.h"
#include "vb_runtime/FileAccess.h"
#include "vb_runtime/LineBreak.h"
#include "vb_runtime/Strings.h"
#include "vb_runtime/VbError.h"

using namespace vb;

namespace {

// The keys that make a line an object line, compared without regard to case.
constexpr TextView kObjectKinds[] = {u"form", u"module", u"class", u"usercontrol"};

// Settings whose file holds VB code as a user control's does; the object
// list and the tree leave them out, a run processes them.
constexpr TextView kCodeSettings[] = {u"propertypage", u"userdocument"};

template <size_t N>
bool IsOneOf(const Text& key, const TextView (&kinds)[N]) {
    for (TextView kind : kinds) {
        if (EqualsNoCase(key, kind)) return true;
    }
    return false;
}

bool IsObjectKind(const Text& key) { return IsOneOf(key, kObjectKinds); }

// Appends an empty entry at (upper bound + 1) and returns it.
ProjectEntry& AppendEntry(std::vector<ProjectEntry>& list) {
    const int32_t n = GetUpperBound(list, 1) + 1;
    list.resize(static_cast<size_t>(n) + 1);
    return list[static_cast<size_t>(n)];
}

// An object line's entry: "Module=Module1; Module1.bas" names the object
// and its file, "Form=Form1.frm" its file alone.
ProjectEntry ObjectEntry(const Text& key, const Text& value, const Text& folder) {
    ProjectEntry entry;
    const std::vector<Text> parts = Split(value, u";");
    entry.Type = key;
    if (parts.size() > 1) {
        // The IDE writes "Module=Module1; Module1.bas": the blanks
        // around both parts are not part of the name or the file.
        entry.Name = Trim(parts[0]);
        entry.Path = folder + Trim(parts[1]);
    } else {
        entry.Name = value;
        entry.Path = folder + value;
    }
    return entry;
}

const ProjectEntry& EntryAt(const std::vector<ProjectEntry>& list, int32_t Index) {
    if (Index < 0 || Index > GetUpperBound(list, 1)) {
        throw VbError(ErrSubscriptOutOfRange, "object index " + std::to_string(Index));
    }
    return list[static_cast<size_t>(Index)];
}

}  // namespace

void clsProject::ParseProject(const Text& strFileName) {
    objects_.clear();
    variables_.clear();
    sources_.clear();
    LoadCode(strFileName);

    const Text folder = GetFolder(strFileName);
    int32_t lineNumber = 0;
    for (const Text& line : Split(codeInput_, DetectLineBreak(codeInput_))) {
        ++lineNumber;
        const std::vector<Text> pieces = Split(line, u"=");
        if (pieces.size() < 2) continue;
        const Text& key = pieces[0];
        const Text& value = pieces[1];

        if (IsObjectKind(key)) {
            ProjectEntry& entry = AppendEntry(objects_);
            entry = ObjectEntry(key, value, folder);
            entry.Line = lineNumber;
            sources_.push_back(entry);
        } else {
            ProjectEntry& entry = AppendEntry(variables_);
            entry.Name = key;
            entry.Path = Replace(value, u"\"", u"", BinaryCompare);
            entry.Line = lineNumber;
            if (IsOneOf(key, kCodeSettings)) {
                sources_.push_back(ObjectEntry(key, value, folder));
                sources_.back().Line = lineNumber;
            }
        }
    }
}

void clsProject::LoadCode(const Text& strFileName) {
    if (!IsOrdinaryFile(strFileName)) return;
    // The buffer takes the file's length before the file is opened, so a
    // failed read leaves that many blanks.
    codeInput_.assign(static_cast<size_t>(FileLength(strFileName)), u' ');
    codeInput_ = DecodeAnsi(ReadFileBytes(strFileName), DisplayPath(strFileName));
}

int32_t clsProject::ObjectCount() const { return GetUpperBound(objects_, 1); }

Text clsProject::ObjectName(int32_t Index) const { return EntryAt(objects_, Index).Name; }

Text clsProject::ObjectPath(int32_t Index) const { return EntryAt(objects_, Index).Path; }

Text clsProject::ObjectType(int32_t Index) const { return EntryAt(objects_, Index).Type; }

Text clsProject::Variables(const Text& sName) const {
    const int32_t index = FindVariable(sName);
    return index >= 0 ? variables_[static_cast<size_t>(index)].Path : Text();
}

void clsProject::Variables(const Text& sName, const Text& vNewValue) {
    const int32_t index = FindVariable(sName);
    ProjectEntry& entry = index >= 0 ? variables_[static_cast<size_t>(index)] : AppendEntry(variables_);
    if (index < 0) entry.Name = sName;
    entry.Path = vNewValue;
}

const Text& clsProject::CodeInput() const { return codeInput_; }

void clsProject::CodeInput(const Text& vNewValue) { codeInput_ = vNewValue; }

const std::vector<ProjectEntry>& clsProject::VariableEntries() const { return variables_; }

const std::vector<ProjectEntry>& clsProject::SourceEntries() const { return sources_; }

Text clsProject::GetFolder(const Text& strFileName) {
    // Either separator counts: a project opened through a POSIX path or as
    // "C:/Work/Demo.vbp" must resolve its objects against its own folder.
    return FolderPart(strFileName);
}

int32_t clsProject::FindVariable(const Text& sName) const {
    for (size_t i = 0; i < variables_.size(); ++i) {
        if (EqualsNoCase(variables_[i].Name, sName)) return static_cast<int32_t>(i);
    }
    return -1;
}
