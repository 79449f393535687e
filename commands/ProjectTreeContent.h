// The content of the project tree: kind order, folder captions and keys,
// image numbers and which folders remain. Shared by the desktop
// application's tree view and `trapwright tree`, so the two never disagree.
#pragma once

#include <cstdint>
#include <vector>

#include "vb_runtime/Text.h"

class clsProject;

namespace tree {

/// Image positions (1-based) in the tree's image list.
inline constexpr int32_t ProjectImage = 1;
inline constexpr int32_t FolderImage = 6;
/// Key of the root node.
inline constexpr char16_t RootKey[] = u"Project";

/// The folder caption of a kind word ("form" -> "Forms"), case ignored;
/// empty text for any other word.
Text GUIName(const Text& sName);

/// The image position of a kind word ("form" -> 2), case ignored; 0 for any
/// other word.
int32_t GetImageIndex(const Text& sName);

struct TreeObject {
    Text text;      ///< ObjectName
    int32_t image;  ///< GetImageIndex of its ObjectType
};

struct TreeFolder {
    Text kindWord;  ///< "form", "class", "module", "usercontrol"
    Text key;       ///< kind word + "Folder"
    Text caption;   ///< GUIName of the kind word
    int32_t image = FolderImage;
    std::vector<TreeObject> objects;  ///< in object-list order
    /// A folder without objects is removed from the tree.
    bool Remains() const { return !objects.empty(); }
};

struct TreeContent {
    Text rootText;                    ///< Variables("Name")
    std::vector<TreeFolder> folders;  ///< all four kinds, in build order
};

/// The tree of an opened project, in the order it is built.
TreeContent BuildTreeContent(const clsProject& project);

}  // namespace tree
