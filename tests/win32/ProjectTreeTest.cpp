// The Open project command and the tree: what the Open dialog is given, the
// tree read back node by node (texts, images, bold, expansion, order), the
// image list, cancel, reopening, and a typed name of a missing file.
#include <gtest/gtest.h>

#include "MainWindowFixture.h"
#include "ui/TreeImages.h"

namespace {

using wintest::Node;

struct Expected {
    std::wstring text;
    int position;  // 1-based image position
    std::vector<Expected> children;
};

void ExpectTree(const std::vector<Node>& nodes, const std::vector<Expected>& expected) {
    ASSERT_EQ(nodes.size(), expected.size());
    for (size_t i = 0; i < nodes.size(); ++i) {
        SCOPED_TRACE(nodes[i].text);
        EXPECT_EQ(nodes[i].text, expected[i].text);
        EXPECT_EQ(nodes[i].image, expected[i].position - 1);
        EXPECT_EQ(nodes[i].selectedImage, expected[i].position - 1);
        EXPECT_TRUE(nodes[i].visible);
        if (!expected[i].children.empty()) {
            EXPECT_TRUE(nodes[i].expanded);
        }
        ExpectTree(nodes[i].children, expected[i].children);
    }
}

class ProjectTree : public wintest::MainWindowCommands {
protected:
    std::filesystem::path WriteProject(const std::string& name, const std::string& text) {
        wintest::WriteBytes(folder / name, text);
        return folder / name;
    }
    wintest::ScratchDir folder;
};

TEST_F(ProjectTree, TheOpenDialogIsAskedForAProjectFile) {
    dialog.answer.clear();
    EXPECT_TRUE(Click(IDC_CMDOPEN).empty());
    EXPECT_EQ(dialog.calls, 1);
    EXPECT_EQ(dialog.owner, main.Hwnd());
    EXPECT_EQ(dialog.title, "Open Project");
    EXPECT_EQ(dialog.filter, std::string("Project Files (*.vbp)\0*.vbp\0\0", 29));
    EXPECT_EQ(dialog.flags, 0u);
    EXPECT_EQ(dialog.maxFile, 255u);
    EXPECT_EQ(TreeView_GetCount(Tree()), 0u) << "cancelling the first dialog leaves the tree empty";
}

TEST_F(ProjectTree, ShowsTheProjectGroupedByKind) {
    struct Row {
        const char* name;
        std::string vbp;
        std::vector<Expected> tree;
    };
    const Row rows[] = {
        {"module form form",
         "Type=Exe\r\nModule=modMain; modMain.bas\r\nForm=frmB.frm\r\nForm=frmA.frm\r\nName=\"Demo\"\r\n",
         {{L"Demo", 1, {{L"Forms", 6, {{L"frmB.frm", 2, {}}, {L"frmA.frm", 2, {}}}}, {L"Modules", 6, {{L"modMain", 4, {}}}}}}}},
        {"every kind, written in any case",
         "Name=\"All\"\r\nUserControl=ctlA.ctl\r\nCLASS=clsA;clsA.cls\r\nform=frmA.frm\r\nMODULE=modA;modA.bas\r\n"
         "FORM=frmB.frm\r\nusercontrol=ctlB.ctl\r\n",
         {{L"All",
           1,
           {{L"Forms", 6, {{L"frmA.frm", 2, {}}, {L"frmB.frm", 2, {}}}},
            {L"Class Modules", 6, {{L"clsA", 3, {}}}},
            {L"Modules", 6, {{L"modA", 4, {}}}},
            {L"User Controls", 6, {{L"ctlA.ctl", 5, {}}, {L"ctlB.ctl", 5, {}}}}}}}},
        {"no objects", "Type=Exe\r\nName=\"Empty\"\r\n", {{L"Empty", 1, {}}}},
        {"no name", "Class=clsA;clsA.cls\r\n", {{L"", 1, {{L"Class Modules", 6, {{L"clsA", 3, {}}}}}}}},
        {"two objects of one name", "Name=\"Twins\"\r\nModule=modA;a1.bas\r\nModule=modA;a2.bas\r\n",
         {{L"Twins", 1, {{L"Modules", 6, {{L"modA", 4, {}}, {L"modA", 4, {}}}}}}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_TRUE(Open(WriteProject("Project.vbp", row.vbp)).empty());
        const std::vector<Node> nodes = Nodes();
        ExpectTree(nodes, row.tree);
        ASSERT_EQ(nodes.size(), 1u);
        EXPECT_TRUE(nodes[0].bold);
        EXPECT_TRUE(nodes[0].expanded);
        for (const Node& folderNode : nodes[0].children) EXPECT_FALSE(folderNode.bold);
    }
}

TEST_F(ProjectTree, CancelKeepsTheTreeAndReopeningRebuildsIt) {
    const auto first = WriteProject("First.vbp", "Name=\"First\"\r\nForm=frmA.frm\r\n");
    const auto second = WriteProject("Second.vbp", "Name=\"Second\"\r\nModule=modA;modA.bas\r\n");
    Open(first);
    // Collapse a folder and select a node: reopening expands everything again.
    HTREEITEM root = TreeView_GetRoot(Tree());
    TreeView_Expand(Tree(), TreeView_GetChild(Tree(), root), TVE_COLLAPSE);
    TreeView_SelectItem(Tree(), TreeView_GetChild(Tree(), root));
    dialog.answer.clear();
    Click(IDC_CMDOPEN);
    EXPECT_FALSE(Nodes()[0].children[0].expanded);
    EXPECT_EQ(Nodes()[0].text, L"First");

    Open(first);
    ExpectTree(Nodes(), {{L"First", 1, {{L"Forms", 6, {{L"frmA.frm", 2, {}}}}}}});
    Open(second);
    ExpectTree(Nodes(), {{L"Second", 1, {{L"Modules", 6, {{L"modA", 4, {}}}}}}});
}

TEST_F(ProjectTree, ATypedNameOfAMissingFileIsReportedAndChangesNothing) {
    const auto project = WriteProject("Demo.vbp", "Name=\"Demo\"\r\nModule=modA;modA.bas\r\n");
    Open(project);
    const auto boxes = Open(folder / "Missing.vbp");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, L"Trapline");
    EXPECT_NE(boxes[0].text.find(L"Error 53: File not found"), std::wstring::npos) << boxes[0].text;
    EXPECT_NE(boxes[0].text.find(L"Missing.vbp"), std::wstring::npos) << boxes[0].text;
    EXPECT_EQ(boxes[0].buttonIds, std::vector<int>{IDOK});
    ExpectTree(Nodes(), {{L"Demo", 1, {{L"Modules", 6, {{L"modA", 4, {}}}}}}});
    EXPECT_TRUE(IsWindow(main.Hwnd()));
}

TEST_F(ProjectTree, ProcessControlsBuildsOnlyForTheTreeview) {
    Open(WriteProject("Demo.vbp", "Name=\"Demo\"\r\nForm=frmA.frm\r\n"));
    main.ProcessControls(u"TreeView");
    EXPECT_EQ(Nodes().size(), 1u);
    main.ProcessControls(u"listview");
    EXPECT_EQ(TreeView_GetCount(Tree()), 0u);
}

TEST(TreeImages, SixPicturesOf18PixelsWithRedAsTheMask) {
    ui::ImageList list = ui::CreateTreeImageList();
    ASSERT_NE(list.Get(), nullptr);
    EXPECT_EQ(ImageList_GetImageCount(list.Get()), 6);
    int width = 0, height = 0;
    ImageList_GetIconSize(list.Get(), &width, &height);
    EXPECT_EQ(width, 18);
    EXPECT_EQ(height, 18);

    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    for (int position = 1; position <= 6; ++position) {
        SCOPED_TRACE(position);
        ui::Bitmap picture = ui::CreateTreeImage(position);
        BITMAP info{};
        GetObjectW(picture.Get(), sizeof info, &info);
        EXPECT_EQ(info.bmBitsPixel, 24);
        EXPECT_EQ(info.bmWidth, 18);
        // Drawn over green, every red pixel lets the green through and no other does.
        ui::Bitmap canvas(CreateCompatibleBitmap(screen, 18, 18));
        HGDIOBJ old = SelectObject(dc, canvas.Get());
        RECT all{0, 0, 18, 18};
        ui::Brush green(CreateSolidBrush(RGB(0, 255, 0)));
        FillRect(dc, &all, green.Get());
        ImageList_Draw(list.Get(), position - 1, dc, 0, 0, ILD_TRANSPARENT);
        HDC pictureDc = CreateCompatibleDC(screen);
        HGDIOBJ oldPicture = SelectObject(pictureDc, picture.Get());
        int opaque = 0, ringOpaque = 0;
        for (int y = 0; y < 18; ++y) {
            for (int x = 0; x < 18; ++x) {
                const bool red = GetPixel(pictureDc, x, y) == RGB(255, 0, 0);
                const COLORREF drawn = GetPixel(dc, x, y);
                EXPECT_EQ(drawn == RGB(0, 255, 0), red) << x << "," << y;
                if (!red) {
                    ++opaque;
                    if (x == 0 || y == 0 || x == 17 || y == 17) ++ringOpaque;
                }
            }
        }
        SelectObject(pictureDc, oldPicture);
        DeleteDC(pictureDc);
        SelectObject(dc, old);
        EXPECT_GT(opaque, 40);
        // The user-control picture is drawn at 16 x 16 inside the 18 x 18 cell.
        if (position == 5) {
            EXPECT_EQ(ringOpaque, 0);
        }
    }
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}

}  // namespace
