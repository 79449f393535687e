// The project tree's content: captions, images, folder order, object order
// and which folders remain.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "project_model/clsProject.h"
#include "commands/ProjectTreeContent.h"
#include "vb_runtime/CodePage.h"

using testing_support::CrLfLines;

namespace {

std::string U(const Text& text) { return vb::ToUtf8(text); }

clsProject ParseText(const std::string& text) {
    clsProject project;
    project.CodeInput(vb::FromUtf8(text));
    project.ParseProject(u"C:\\P\\Demo.vbp");
    return project;
}

// The tree as the desktop application shows it: "root", "  Folder (image)",
// "    object (image)"; removed folders are left out.
std::vector<std::string> Shown(const tree::TreeContent& content) {
    std::vector<std::string> lines = {U(content.rootText)};
    for (const tree::TreeFolder& folder : content.folders) {
        if (!folder.Remains()) continue;
        lines.push_back("  " + U(folder.caption) + " " + U(folder.key) + " " + std::to_string(folder.image));
        for (const tree::TreeObject& object : folder.objects) {
            lines.push_back("    " + U(object.text) + " " + std::to_string(object.image));
        }
    }
    return lines;
}

}  // namespace

TEST(TreeNames, CaptionAndImageOfEachKind) {
    struct Row {
        const char16_t* word;
        const char* caption;
        int32_t image;
    };
    const std::vector<Row> rows = {
        {u"form", "Forms", 2},
        {u"FORM", "Forms", 2},
        {u"class", "Class Modules", 3},
        {u"Class", "Class Modules", 3},
        {u"module", "Modules", 4},
        {u"usercontrol", "User Controls", 5},
        {u"UserControl", "User Controls", 5},
        {u"", "", 0},
        {u"forms", "", 0},
        {u"form ", "", 0},
        {u"Designer", "", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(U(row.word));
        EXPECT_EQ(U(tree::GUIName(row.word)), row.caption);
        EXPECT_EQ(tree::GetImageIndex(row.word), row.image);
    }
}

TEST(BuildTreeContent, AllFourFoldersInBuildOrder) {
    const tree::TreeContent content = tree::BuildTreeContent(ParseText(CrLfLines({"UserControl=u.ctl", "Form=f.frm"})));
    ASSERT_EQ(content.folders.size(), 4u);
    const char* const kinds[] = {"form", "class", "module", "usercontrol"};
    const char* const keys[] = {"formFolder", "classFolder", "moduleFolder", "usercontrolFolder"};
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(kinds[i]);
        EXPECT_EQ(U(content.folders[i].kindWord), kinds[i]);
        EXPECT_EQ(U(content.folders[i].key), keys[i]);
        EXPECT_EQ(content.folders[i].image, tree::FolderImage);
    }
    EXPECT_TRUE(content.folders[0].Remains());
    EXPECT_FALSE(content.folders[1].Remains());
    EXPECT_FALSE(content.folders[2].Remains());
    EXPECT_TRUE(content.folders[3].Remains());
}

TEST(BuildTreeContent, ShownTrees) {
    struct Row {
        const char* name;
        std::string project;
        std::vector<std::string> shown;
    };
    const std::vector<Row> rows = {
        {"module, form, form",
         CrLfLines({"Name=\"Demo\"", "Module=M1;m1.bas", "Form=B.frm", "Form=A.frm"}),
         {"Demo", "  Forms formFolder 6", "    B.frm 2", "    A.frm 2", "  Modules moduleFolder 6", "    M1 4"}},
        {"no objects: the root alone", CrLfLines({"Name=\"Empty\"", "Type=Exe"}), {"Empty"}},
        {"empty project file: an empty root", "", {""}},
        {"no Name entry: empty root text", "Form=f.frm", {"", "  Forms formFolder 6", "    f.frm 2"}},
        {"kinds in any case land together",
         CrLfLines({"FORM=a", "form=b", "UserControl=u", "USERCONTROL=v", "CLASS=c;c.cls"}),
         {"", "  Forms formFolder 6", "    a 2", "    b 2", "  Class Modules classFolder 6", "    c 3",
          "  User Controls usercontrolFolder 6", "    u 5", "    v 5"}},
        {"same name twice, in two kinds",
         CrLfLines({"Class=X;x.cls", "Module=X;x.bas", "Class=X;y.cls"}),
         {"", "  Class Modules classFolder 6", "    X 3", "    X 3", "  Modules moduleFolder 6", "    X 4"}},
        {"quotes of the name removed", "Name=\"My \"App\"\"", {"My App"}},
        {"a setting that is not a kind adds no node", CrLfLines({"Designer=d.dsr", "Forms=x"}), {""}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Shown(tree::BuildTreeContent(ParseText(row.project))), row.shown);
    }
}
