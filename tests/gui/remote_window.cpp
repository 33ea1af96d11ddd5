#include "remote_window.h"

#include <type_traits>

#include "platform/program_folder.h"

namespace {
constexpr int kTextChars = 1024;
}  // namespace

template <typename Record>
Record RemoteGui::Exchange(HWND control, UINT message, WPARAM wParam, Record record,
                           std::wstring* text) const {
    // The record and a text buffer after it, in the program's memory (which
    // comes zeroed, so the text starts empty).
    const HANDLE process = process_.hProcess;
    BYTE* block = static_cast<BYTE*>(VirtualAllocEx(process, nullptr,
                                                    sizeof record + kTextChars * sizeof(wchar_t),
                                                    MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!block) return record;
    if constexpr (!std::is_same_v<Record, RECT>) {
        record.pszText = reinterpret_cast<wchar_t*>(block + sizeof record);
        record.cchTextMax = kTextChars;
    }
    WriteProcessMemory(process, block, &record, sizeof record, nullptr);
    SendMessageW(control, message, wParam, reinterpret_cast<LPARAM>(block));
    ReadProcessMemory(process, block, &record, sizeof record, nullptr);
    if (text) {
        std::vector<wchar_t> units(kTextChars + 1, L'\0');
        ReadProcessMemory(process, block + sizeof record, units.data(), kTextChars * 2, nullptr);
        *text = units.data();
    }
    VirtualFreeEx(process, block, 0, MEM_RELEASE);
    return record;
}

RemoteGui::~RemoteGui() {
    if (!process_.hProcess) return;
    Close();
    if (WaitForSingleObject(process_.hProcess, 20000) == WAIT_TIMEOUT)
        TerminateProcess(process_.hProcess, 99);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

bool RemoteGui::Start(const std::wstring& arguments, bool waitForWindow) {
    const std::wstring exe = host::ProgramFolder() + L"ufclean-gui.exe";
    std::wstring line = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessW(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process_))
        return false;
    if (!waitForWindow) return true;
    WaitForInputIdle(process_.hProcess, 30000);
    for (int i = 0; i < 600 && !(window_ = FindTopLevel(gui::kWindowClass)); ++i) Sleep(50);
    return window_ != nullptr;
}

HWND RemoteGui::FindTopLevel(const wchar_t* windowClass) const {
    for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, windowClass, nullptr));) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == process_.dwProcessId && IsWindowVisible(window)) return window;
    }
    return nullptr;
}

DWORD RemoteGui::WaitForExit(DWORD milliseconds) {
    DWORD code = 0xFFFFFFFF;
    if (WaitForSingleObject(process_.hProcess, milliseconds) == WAIT_OBJECT_0)
        GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

bool RemoteGui::WaitForState(UINT_PTR state, DWORD milliseconds) const {
    for (const ULONGLONG end = GetTickCount64() + milliseconds; State() != state; Sleep(20))
        if (GetTickCount64() > end) return false;
    return true;
}

std::wstring RemoteGui::Text(int id) const {
    // WM_GETTEXT is carried across processes by the system.
    wchar_t text[1024] = {};
    SendMessageW(Control(id), WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
    return text;
}

std::wstring RemoteGui::Cell(int listId, int row, int column) const {
    LVITEMW item = {};
    item.iSubItem = column;
    std::wstring text;
    Exchange(Control(listId), LVM_GETITEMTEXTW, static_cast<WPARAM>(row), item, &text);
    return text;
}

int RemoteGui::Image(int listId, int row) const {
    LVITEMW item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    item.iImage = -2;
    return Exchange(Control(listId), LVM_GETITEMW, 0, item).iImage;
}

bool RemoteGui::Checked(int listId, int row) const {
    const LRESULT state = SendMessageW(Control(listId), LVM_GETITEMSTATE, static_cast<WPARAM>(row),
                                       LVIS_STATEIMAGEMASK);
    return (state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
}

void RemoteGui::PressOnRows(int listId, int row, UINT key) const {
    LVITEMW item = {};
    item.stateMask = row >= 0 ? LVIS_SELECTED | LVIS_FOCUSED : LVIS_SELECTED;
    if (row >= 0) Exchange(Control(listId), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), item);
    item.state = item.stateMask;
    Exchange(Control(listId), LVM_SETITEMSTATE, static_cast<WPARAM>(row), item);
    SendMessageW(Control(listId), WM_KEYDOWN, key, 0);
    SendMessageW(Control(listId), WM_KEYUP, key, 0);
}

void RemoteGui::ClickHeader(int listId, int column) const {
    HWND header = reinterpret_cast<HWND>(SendMessageW(Control(listId), LVM_GETHEADER, 0, 0));
    const RECT place = Exchange(header, HDM_GETITEMRECT, static_cast<WPARAM>(column), RECT{});
    const LPARAM at = MAKELPARAM((place.left + place.right) / 2, (place.top + place.bottom) / 2);
    SendMessageW(header, WM_MOUSEMOVE, 0, at);
    SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(header, WM_LBUTTONUP, 0, at);
}

HTREEITEM RemoteGui::Node(const std::vector<std::wstring>& labels) const {
    HWND tree = Control(gui::kIdCategories);
    HTREEITEM node = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    for (size_t depth = 0; depth < labels.size(); ++depth) {
        // A node's label is its text before the figures in brackets.
        while (node && NodeText(node).substr(0, NodeText(node).find(L" (")) != labels[depth])
            node = reinterpret_cast<HTREEITEM>(
                SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(node)));
        if (!node || depth + 1 == labels.size()) return node;
        node = reinterpret_cast<HTREEITEM>(
            SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(node)));
    }
    return node;
}

std::wstring RemoteGui::NodeText(HTREEITEM node) const {
    TVITEMW item = {};
    item.mask = TVIF_TEXT;
    item.hItem = node;
    std::wstring text;
    Exchange(Control(gui::kIdCategories), TVM_GETITEMW, 0, item, &text);
    return text;
}

int RemoteGui::NodeBox(HTREEITEM node) const {
    const LRESULT state = SendMessageW(Control(gui::kIdCategories), TVM_GETITEMSTATE,
                                       reinterpret_cast<WPARAM>(node), TVIS_STATEIMAGEMASK);
    return static_cast<int>((state & TVIS_STATEIMAGEMASK) >> 12);
}

void RemoteGui::ToggleNode(HTREEITEM node) const {
    HWND tree = Control(gui::kIdCategories);
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(node));
    SendMessageW(tree, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageW(tree, WM_KEYUP, VK_SPACE, 0);
}

int RemoteGui::FindRow(int listId, const std::wstring& name) const {
    for (int row = 0, rows = RowCount(listId); row < rows; ++row)
        if (Cell(listId, row, 0) == name) return row;
    return -1;
}

std::wstring RemoteGui::AnswerMessageBox(int answer, DWORD milliseconds) const {
    const ULONGLONG end = GetTickCount64() + milliseconds;
    HWND box = nullptr;
    while (!(box = FindTopLevel(L"#32770")) && GetTickCount64() < end) Sleep(20);
    if (!box) return L"";
    wchar_t text[2048] = {};
    SendMessageW(GetDlgItem(box, 0xFFFF), WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(text));
    PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(answer), 0);
    return text;
}
