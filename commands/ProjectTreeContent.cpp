// The content of the project tree, built from the project's object list.
#include "commands/ProjectTreeContent.h"

#include "project_model/clsProject.h"
#include "vb_runtime/Strings.h"

namespace tree {

namespace {

struct KindRow {
    const char16_t* kindWord;
    const char16_t* caption;
    int32_t image;
};

// The kinds in the order their folders are built.
constexpr KindRow kKinds[] = {
    {u"form", u"Forms", 2},
    {u"class", u"Class Modules", 3},
    {u"module", u"Modules", 4},
    {u"usercontrol", u"User Controls", 5},
};

const KindRow* FindKind(const Text& sName) {
    for (const KindRow& row : kKinds) {
        if (vb::EqualsNoCase(sName, row.kindWord)) return &row;
    }
    return nullptr;
}

}  // namespace

Text GUIName(const Text& sName) {
    const KindRow* row = FindKind(sName);
    return row != nullptr ? Text(row->caption) : Text();
}

int32_t GetImageIndex(const Text& sName) {
    const KindRow* row = FindKind(sName);
    return row != nullptr ? row->image : 0;
}

TreeContent BuildTreeContent(const clsProject& project) {
    TreeContent content;
    content.rootText = project.Variables(u"Name");
    for (const KindRow& row : kKinds) {
        TreeFolder folder;
        folder.kindWord = row.kindWord;
        folder.key = folder.kindWord + u"Folder";
        folder.caption = GUIName(folder.kindWord);
        const int32_t last = project.ObjectCount();
        for (int32_t Index = 0; Index <= last; ++Index) {
            const Text type = project.ObjectType(Index);
            if (!vb::EqualsNoCase(type, folder.kindWord)) continue;
            folder.objects.push_back(TreeObject{project.ObjectName(Index), GetImageIndex(type)});
        }
        content.folders.push_back(std::move(folder));
    }
    return content;
}

}  // namespace tree
