// Drives ufclean-gui.exe from outside, as automation would: finds its
// window and controls, reads and changes its list views through a buffer
// in the program's own memory, answers its message boxes.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "gui_ids.h"

class RemoteGui {
public:
    RemoteGui() = default;
    ~RemoteGui();
    RemoteGui(const RemoteGui&) = delete;
    RemoteGui& operator=(const RemoteGui&) = delete;

    // Starts the program beside the test with the arguments and, when asked,
    // waits for its main window. False when it did not start or come.
    bool Start(const std::wstring& arguments, bool waitForWindow = true);
    // Waits for the program to end; its exit code, or 0xFFFFFFFF on timeout.
    DWORD WaitForExit(DWORD milliseconds);
    void Close() const {
        if (window_) PostMessageW(window_, WM_CLOSE, 0, 0);
    }

    HWND Control(int id) const { return GetDlgItem(window_, id); }
    UINT_PTR State() const {
        return reinterpret_cast<UINT_PTR>(GetPropW(window_, gui::kStateProperty));
    }
    bool WaitForState(UINT_PTR state, DWORD milliseconds) const;
    std::wstring Text(int id) const;

    int RowCount(int listId) const {
        return static_cast<int>(SendMessageW(Control(listId), LVM_GETITEMCOUNT, 0, 0));
    }
    std::wstring Cell(int listId, int row, int column) const;
    int Image(int listId, int row) const;
    bool Checked(int listId, int row) const;
    // As a person does it: the row alone selected and focused, then Space.
    void SetChecked(int listId, int row, bool checked) const {
        if (Checked(listId, row) != checked) PressOnRows(listId, row, VK_SPACE);
    }
    // Selects every row and presses Del.
    void UncheckAllRows(int listId) const { PressOnRows(listId, -1, VK_DELETE); }
    // The row whose column 0 reads `name`, or -1.
    int FindRow(int listId, const std::wstring& name) const;
    // A click on the column's header.
    void ClickHeader(int listId, int column) const;
    // Types into an edit control (the change reaches the program as typing does).
    void SetText(int id, const std::wstring& text) const {
        SendMessageW(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }

    // The tree of choices: a node found by the labels on its way down
    // ("Browsers", "Chrome", "cache"), its text, its box, and Space on it.
    HTREEITEM Node(const std::vector<std::wstring>& labels) const;
    std::wstring NodeText(HTREEITEM node) const;
    int NodeBox(HTREEITEM node) const;
    void ToggleNode(HTREEITEM node) const;

    // Posts a click, so that a modal box it opens does not block the test.
    void Click(int id) const { PostMessageW(Control(id), BM_CLICK, 0, 0); }
    // Waits for a message box of the program; returns its text and presses
    // the button `answer` (IDYES, IDNO...). Empty when none came.
    std::wstring AnswerMessageBox(int answer, DWORD milliseconds) const;

private:
    // Sends a record through a copy in the program's memory; the copy as
    // the program left it, and the text it points to when asked.
    template <typename Record>
    Record Exchange(HWND control, UINT message, WPARAM wParam, Record record,
                    std::wstring* text = nullptr) const;
    // Selects the row alone and focused (-1: every row, focus left) and
    // presses the key.
    void PressOnRows(int listId, int row, UINT key) const;
    HWND FindTopLevel(const wchar_t* windowClass) const;
    PROCESS_INFORMATION process_ = {};
    HWND window_ = nullptr;
};
