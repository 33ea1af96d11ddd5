// The tree of choices: the categories and cleaning rules in groups a person
// recognises (Windows, Browsers with a node per browser, Applications,
// Privacy traces, Recycle bin), with tri-state check boxes on the group
// nodes, and the items and size a scan found and what the clean did on
// every node. Space or a click on a box toggles it; a group toggles all
// below it but the choices that are made one by one.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "choice_groups.h"
#include "gdi_owners.h"
#include "pipeline/row.h"
#include "pipeline/undo_policy.h"
#include "scan_model.h"

namespace gui {

class ChoiceTree {
public:
    // checked: the categories that start checked; rules: whether the rules
    // that are on by default do.
    void Create(HWND parent, const std::set<std::uint32_t>& checked, bool rules);
    HWND Handle() const { return tree_; }
    void SetDpi(UINT dpi);
    // The width the tree needs to show its widest label whole, edges and
    // scroll bar included.
    int NeededWidth() const;
    // The checked choices (category numbers and rule rows) in tree order.
    std::vector<std::uint32_t> Checked() const;
    void ResetFigures();
    // A row of the run: the choice it stands for, the row, its sums.
    void ShowRun(std::uint32_t number, const host::Row& run, const Sums& sums);
    ChoiceGroup GroupOf(std::uint32_t number) const;
    // The undo mode of the next clean: a choice whose files it does not
    // hold says why in its tip.
    void SetUndoMode(host::UndoMode mode) { undoMode_ = mode; }
    // Clicks and keys of the tree; true when a check box changed.
    bool OnNotify(const NMHDR& header, LRESULT* result);

private:
    struct Node {
        HTREEITEM item = nullptr;
        int parent = -1;
        std::vector<int> children;
        ChoiceGroup group = ChoiceGroup::Windows;
        std::wstring label;
        // A leaf: one category or rule row.
        bool leaf = false;
        std::uint32_t number = 0;
        bool action = false;
        bool checked = false;
        bool byItself = false;  // a group's box leaves it alone (ChosenOnlyById)
        const wchar_t* offReason = nullptr;
        bool scanned = false;
        std::uint64_t count = 0, bytes = 0;
        std::wstring cleaned;
        // What the control shows: each change costs a redraw of the node.
        std::wstring shownText;
        int shownState = 0;
    };
    int Add(int parent, Node node);
    int ChildNamed(int parent, const std::wstring& label, ChoiceGroup group);
    // groupsOnly: only the leaves a group's box sets.
    int StateOf(int node, bool groupsOnly = false) const;
    void Toggle(int node);
    void SetLeaves(int node, bool checked);
    // Text and box of every node.
    void Refresh();
    std::wstring TextOf(int node) const;
    int LeafOf(std::uint32_t number) const;

    HWND tree_ = nullptr;
    std::vector<Node> nodes_;
    host::UndoMode undoMode_ = host::UndoMode::Default;
    ImageListOwner boxes_;
};

}  // namespace gui
