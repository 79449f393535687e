// frmMain: layout, the project tree and the four commands.
#include "ui/frmMain.h"

#include <algorithm>
#include <new>
#include <string>

#include "project_model/clsProject.h"
#include "commands/AddErrorHandlerRun.h"
#include "ui/ControlIds.h"
#include "commands/ProjectTreeContent.h"
#include "ui/TreeImages.h"
#include "vb_runtime/CodePage.h"
#include "vb_runtime/FileAccess.h"
#include "vb_runtime/Strings.h"

namespace {

constexpr wchar_t ClassName[] = L"TrapwrightMain";
constexpr wchar_t ButtonBarClassName[] = L"TrapwrightButtonBar";
constexpr DWORD WindowStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD WindowExStyle = WS_EX_APPWINDOW;

// Design values (pixels) that the layout keeps.
constexpr int TreeLeft = 8;
constexpr int TreeTop = 8;
constexpr int BarWidth = 473;
constexpr int BarHeight = 25;

bool RegisterClasses(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    if (!GetClassInfoExW(instance, ClassName, &wc)) {
        wc = WNDCLASSEXW{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = frmMain::WindowProc;
        wc.hInstance = instance;
        wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_TRAPWRIGHT));
        wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_TRAPWRIGHT), IMAGE_ICON,
                                                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = ClassName;
        if (!RegisterClassExW(&wc)) return false;
    }
    if (!GetClassInfoExW(instance, ButtonBarClassName, &wc)) {
        wc = WNDCLASSEXW{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = frmMain::ButtonBarProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = ButtonBarClassName;
        if (!RegisterClassExW(&wc)) return false;
    }
    return true;
}

HWND CreateChild(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, DWORD exStyle, int id,
                 int left, int top, int width, int height, HFONT font) {
    HWND control = CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, left, top, width, height,
                                   parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   GetModuleHandleW(nullptr), nullptr);
    if (control) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

// The add run's templates: the settings window's live text boxes, read
// afresh for every object (loading the window hidden if it is not loaded).
class SettingsTemplates : public addrun::TemplateSource {
public:
    explicit SettingsTemplates(frmSettings& settings) : settings_(settings) {}
    Text BeginTemplate() override { return settings_.ProcBegin(); }
    Text EndTemplate() override { return settings_.ProcEnd(); }

private:
    frmSettings& settings_;
};

// While the add command runs, neither window takes input; input that arrived
// meanwhile is dropped rather than acted on afterwards.
class InputBlock {
public:
    InputBlock(HWND main, frmSettings& settings) : main_(main), settings_(settings), focus_(GetFocus()) {
        EnableWindow(main_, FALSE);
        if (settings_.Loaded()) EnableWindow(settings_.Hwnd(), FALSE);
    }
    ~InputBlock() {
        MSG message;
        while (PeekMessageW(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
        }
        while (PeekMessageW(&message, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
        }
        if (settings_.Loaded()) EnableWindow(settings_.Hwnd(), TRUE);
        EnableWindow(main_, TRUE);
        if (focus_ && IsWindow(focus_)) SetFocus(focus_);
    }
    InputBlock(const InputBlock&) = delete;
    InputBlock& operator=(const InputBlock&) = delete;

private:
    HWND main_;
    frmSettings& settings_;
    HWND focus_;
};

// One line per problem: its error, its file, and the place inside the file
// when the error names one.
std::wstring ProblemText(const addrun::Problem& problem) {
    std::wstring text = L"Error " + std::to_wstring(problem.error.Number()) + L": " +
                        ui::Wide(vb::FromUtf8(problem.error.Description()));
    // A problem of the templates concerns no file.
    if (!problem.path.empty()) text += L" \u2014 File: " + ui::Wide(problem.path);
    const std::string& context = problem.error.Context();
    if (!context.empty() && context != vb::DisplayPath(problem.path)) text += L" (" + ui::Wide(vb::FromUtf8(context)) + L")";
    return text;
}

// A message box grows with its text and is not clipped to the screen; a
// longer list would push its OK button out of reach. One box lists at most
// this many entries, whatever lists it holds.
constexpr size_t MostListed = 20;

// A heading, an empty line, then the first `limit` items one per line and
// "… and N more" for the rest.
template <class Item, class Describe>
std::wstring CappedList(const std::wstring& heading, const std::vector<Item>& items, size_t limit, Describe describe) {
    std::wstring text = heading + L"\r\n";
    const size_t shown = std::min(items.size(), limit);
    for (size_t i = 0; i < shown; ++i) text += L"\r\n" + describe(items[i]);
    if (shown < items.size()) text += L"\r\n\u2026 and " + std::to_wstring(items.size() - shown) + L" more";
    return text;
}

std::wstring MissingFilesText(const std::vector<Text>& paths, size_t limit) {
    return CappedList(L"These files of the project do not exist and were skipped:", paths, limit,
                      [](const Text& path) { return ui::Wide(path); });
}

// What a failed run did, its problems and the files it skipped; the
// missing files take what room the problems leave.
std::wstring FailureText(const addrun::RunResult& result, int32_t written) {
    const std::wstring heading =
        written == 0 ? std::wstring(L"Error handler was not added; no file was changed.")
                     : L"Writing stopped at an error; the " + std::to_wstring(written) +
                           L" file(s) written before it have their handlers, the others are unchanged.";
    std::wstring text = CappedList(heading, result.problems, MostListed, ProblemText);
    const size_t room = MostListed - std::min(result.problems.size(), MostListed);
    if (!result.skippedFiles.empty()) text += L"\r\n\r\n" + MissingFilesText(result.skippedFiles, room);
    return text;
}

// The completion message, and the procedures the run left as they are.
std::wstring CompletionText(const addrun::RunResult& result) {
    std::wstring text = ui::Wide(vb::FromUtf8(addrun::CompletionMessage));
    std::vector<const run::FileNote*> left;
    for (const run::FileNote& note : result.notes) {
        const run::LineNote::Kind kind = note.note.kind;
        if (kind == run::LineNote::Kind::Refused || kind == run::LineNote::Kind::ModuleTooLong) left.push_back(&note);
    }
    if (left.empty()) return text;
    const std::wstring heading = std::to_wstring(left.size()) + L" procedure(s) were left as they are:";
    return text + L"\r\n\r\n" + CappedList(heading, left, MostListed, [](const run::FileNote* note) {
               const std::wstring line = note->note.line > 0 ? L":" + std::to_wstring(note->note.line) : L"";
               return ui::Wide(note->path) + line + L": " + ui::Wide(vb::FromUtf8(run::NoteMessage(note->note)));
           });
}

}  // namespace

frmMain::frmMain() = default;

frmMain::~frmMain() {
    if (hwnd_) DestroyWindow(hwnd_);
}

bool frmMain::Create() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!RegisterClasses(instance)) return false;
    RECT frame{0, 0, ClientWidth, ClientHeight};
    AdjustWindowRectEx(&frame, WindowStyle, FALSE, WindowExStyle);
    return CreateWindowExW(WindowExStyle, ClassName, ui::AppCaption, WindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                           frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance,
                           this) != nullptr;
}

void frmMain::Show(int nCmdShow) {
    ShowWindow(hwnd_, nCmdShow);
    UpdateWindow(hwnd_);
    keys_.FocusFirst();
}

bool frmMain::OnCreate() {
    font_ = ui::CreateWindowFont(false);
    imgList_ = ui::CreateTreeImageList();
    if (!font_ || !imgList_.Get()) return false;
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    HFONT font = font_.Get();

    // Design values; the layout replaces the tree's size and the bar's place
    // as soon as the window is shown.
    tvProject_ = CreateChild(hwnd_, WC_TREEVIEWW, L"", WS_TABSTOP | TVS_HASLINES | TVS_HASBUTTONS,
                             WS_EX_CLIENTEDGE, IDC_TVPROJECT, TreeLeft, TreeTop, 569, 329, font);
    picButtons_ = CreateChild(hwnd_, ButtonBarClassName, L"", WS_CLIPSIBLINGS, 0, IDC_PICBUTTONS, 104, 344,
                              BarWidth, BarHeight, font);
    if (!tvProject_ || !picButtons_) return false;
    const DWORD button = WS_TABSTOP | BS_PUSHBUTTON;
    cmdExit_ = CreateChild(picButtons_, L"Button", L"&Exit", button, 0, IDC_CMDEXIT, 0, 0, 113, 25, font);
    cmdOpen_ = CreateChild(picButtons_, L"Button", L"&Open project", button, 0, IDC_CMDOPEN, 120, 0, 113, 25, font);
    cmdSettings_ =
        CreateChild(picButtons_, L"Button", L"&Settings", button, 0, IDC_CMDSETTINGS, 240, 0, 113, 25, font);
    cmdAddErr_ =
        CreateChild(picButtons_, L"Button", L"&Add error handler", button, 0, IDC_CMDADDERR, 360, 0, 113, 25, font);
    if (!cmdExit_ || !cmdOpen_ || !cmdSettings_ || !cmdAddErr_) return false;
    TreeView_SetImageList(tvProject_, imgList_.Get(), TVSIL_NORMAL);

    keys_.Attach(hwnd_);
    // The bar itself is a container and takes no focus.
    keys_.SetTabOrder({cmdSettings_, cmdExit_, cmdAddErr_, tvProject_, cmdOpen_});
    keys_.AddAccessKey(L'E', cmdExit_);
    keys_.AddAccessKey(L'O', cmdOpen_);
    keys_.AddAccessKey(L'S', cmdSettings_);
    keys_.AddAccessKey(L'A', cmdAddErr_);
    return true;
}

void frmMain::OnSize(WPARAM wParam, int width, int height) {
    // A minimized window has no client area to lay out.
    if (wParam == SIZE_MINIMIZED || !tvProject_) return;
    RECT tree;
    GetWindowRect(tvProject_, &tree);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&tree), 2);
    const float W = static_cast<float>(width);
    const float H = static_cast<float>(height);
    const float treeLeft = static_cast<float>(tree.left);
    const float treeTop = static_cast<float>(tree.top);
    // Below 16 x 60 pixels the tree's size is held at zero.
    const float treeWidth = std::max(W - treeLeft - 8.0f, 0.0f);
    const float treeHeight = std::max(H - treeTop - 52.0f, 0.0f);
    const float barTop = treeHeight + treeTop + 16.0f;
    const float barLeft = W - static_cast<float>(BarWidth) - 8.0f;
    SetWindowPos(tvProject_, nullptr, 0, 0, static_cast<int>(treeWidth), static_cast<int>(treeHeight),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(picButtons_, nullptr, static_cast<int>(barLeft), static_cast<int>(barTop), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

template <class Command>
void frmMain::RunCommand(Command command) {
    try {
        command();
    } catch (const vb::VbError& error) {
        ui::ShowError(hwnd_, error);
    } catch (const std::bad_alloc&) {
        ui::ShowError(hwnd_, vb::VbError(vb::ErrOutOfMemory));
    } catch (const std::exception& error) {
        // Anything else is reported as an internal error (51), with its own text.
        ui::ShowError(hwnd_, vb::VbError(51, error.what(), ""));
    }
}

void frmMain::OnCommand(WPARAM wParam) {
    if (HIWORD(wParam) != BN_CLICKED) return;
    switch (LOWORD(wParam)) {
    case IDC_CMDEXIT: OnExit(); break;
    case IDC_CMDOPEN: RunCommand([this] { OnOpen(); }); break;
    case IDC_CMDSETTINGS: RunCommand([this] { OnSettings(); }); break;
    case IDC_CMDADDERR: RunCommand([this] { OnAddErr(); }); break;
    default: break;
    }
}

void frmMain::OnExit() { DestroyWindow(hwnd_); }

void frmMain::OnSettings() { settings_.Show(); }

clsProject& frmMain::Project() {
    if (!project_) project_ = std::make_unique<clsProject>();
    return *project_;
}

void frmMain::OnOpen() {
    if (!dialogs_) {
        dialogs_ = openDialog_ ? std::make_unique<clsOpenSave>(openDialog_, GetSaveFileNameA)
                               : std::make_unique<clsOpenSave>();
    }
    dialogs_->Filter(Text(u"Project Files (*.vbp)") + u'\0' + u"*.vbp");
    dialogs_->OpenFile(hwnd_, u"Open Project");
    if (dialogs_->File().empty()) return;
    // The dialog does not insist on an existing file; a typed name of a file
    // that is not there must not leave the old objects pointing at its folder.
    const Text file = dialogs_->File();
    if (!vb::IsOrdinaryFile(file)) throw vb::VbError(vb::ErrFileNotFound, vb::DisplayPath(file));
    // Read into a project of its own, so that a read that fails leaves the
    // open project, its file and the tree as they were.
    auto opened = std::make_unique<clsProject>();
    opened->ParseProject(file);
    project_ = std::move(opened);
    projectFile_ = file;
    ProcessControls(u"treeview");
}

void frmMain::OnAddErr() {
    clsProject& project = Project();
    SettingsTemplates templates(settings_);
    addrun::RunOptions options;
    options.projectFile = projectFile_;
    addrun::RunResult result;
    {
        InputBlock block(hwnd_, settings_);
        result = addrun::AddErrorHandlers(project, templates, nullptr, options);
    }
    if (!result.Succeeded()) {
        MessageBoxW(hwnd_, FailureText(result, result.counts.filesWritten).c_str(), L"Error handler",
                    MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (!result.skippedFiles.empty()) {
        MessageBoxW(hwnd_, MissingFilesText(result.skippedFiles, MostListed).c_str(), L"Error handler",
                    MB_OK | MB_ICONWARNING);
    }
    MessageBoxW(hwnd_, CompletionText(result).c_str(), L"Error handler", MB_OK | MB_ICONINFORMATION);
}

Text frmMain::GUIName(const Text& sName) const { return tree::GUIName(sName); }

int32_t frmMain::GetImageIndex(const Text& sName) const { return tree::GetImageIndex(sName); }

HTREEITEM frmMain::AddNode(const Text& parentKey, const Text& key, const Text& text, int32_t image) {
    HTREEITEM parent = TVI_ROOT;
    if (!parentKey.empty()) {
        const auto found = nodeKeys_.find(parentKey);
        if (found == nodeKeys_.end()) throw vb::VbError(vb::ErrInvalidArgument, "tree node " + vb::ToUtf8(parentKey));
        parent = found->second;
    }
    std::wstring caption = ui::Wide(text);
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = caption.data();
    // Image positions are 1-based; the list is indexed from 0. The selected
    // state shows the same picture.
    insert.item.iImage = image - 1;
    insert.item.iSelectedImage = image - 1;
    HTREEITEM item = TreeView_InsertItem(tvProject_, &insert);
    if (!item) throw vb::VbError(vb::ErrOutOfMemory, "tree node " + vb::ToUtf8(text));
    if (!key.empty()) nodeKeys_[key] = item;
    return item;
}

void frmMain::RemoveNode(const Text& key) {
    const auto found = nodeKeys_.find(key);
    if (found == nodeKeys_.end()) return;
    TreeView_DeleteItem(tvProject_, found->second);
    nodeKeys_.erase(found);
}

namespace {

void SetState(HWND tree, HTREEITEM item, UINT state) {
    TVITEMW change{};
    change.mask = TVIF_STATE;
    change.hItem = item;
    change.state = state;
    change.stateMask = state;
    TreeView_SetItem(tree, &change);
}

// Expands a node, also while it has no children yet, so that the children
// added afterwards show at once.
void Expand(HWND tree, HTREEITEM item) {
    TreeView_Expand(tree, item, TVE_EXPAND);
    SetState(tree, item, TVIS_EXPANDED);
}

}  // namespace

void frmMain::ProcessControls(const Text& ControlName) {
    TreeView_DeleteAllItems(tvProject_);
    nodeKeys_.clear();
    if (!vb::EqualsNoCase(ControlName, u"treeview")) return;

    const tree::TreeContent content = tree::BuildTreeContent(Project());
    const Text rootKey(tree::RootKey);
    HTREEITEM root = AddNode(Text(), rootKey, content.rootText, tree::ProjectImage);
    SetState(tvProject_, root, TVIS_BOLD);
    Expand(tvProject_, root);
    for (const tree::TreeFolder& folder : content.folders) {
        HTREEITEM folderNode = AddNode(rootKey, folder.key, GUIName(folder.kindWord), folder.image);
        Expand(tvProject_, folderNode);
        for (const tree::TreeObject& object : folder.objects) AddNode(folder.key, Text(), object.text, object.image);
        if (!TreeView_GetChild(tvProject_, folderNode)) RemoveNode(folder.key);
    }
}

void frmMain::OnDestroy() {
    // The program ends with its main window, also while Settings is loaded.
    settings_.Unload();
    keys_.Detach();
    PostQuitMessage(0);
}

LRESULT CALLBACK frmMain::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<frmMain*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<frmMain*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
    return self->HandleMessage(message, wParam, lParam);
}

LRESULT CALLBACK frmMain::ButtonBarProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    // The bar only holds the buttons; their clicks go to the main window.
    if (message == WM_COMMAND) return SendMessageW(GetParent(hwnd), message, wParam, lParam);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT frmMain::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return OnCreate() ? 0 : -1;
    case WM_SIZE:
        OnSize(wParam, LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_COMMAND:
        OnCommand(wParam);
        return 0;
    case WM_ACTIVATE:
        keys_.OnActivate(wParam);
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_NCDESTROY: {
        HWND hwnd = hwnd_;
        hwnd_ = tvProject_ = picButtons_ = cmdExit_ = cmdOpen_ = cmdSettings_ = cmdAddErr_ = nullptr;
        nodeKeys_.clear();
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    default:
        return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}
