#include "choice_tree.h"

#include "pipeline/categories.h"
#include "dpi.h"
#include "gui_ids.h"
#include "items/keep_list.h"
#include "rule_rows.h"
#include "text/format.h"
#include "rules/model.h"

namespace gui {

namespace {

// The box images: 0 none, then unchecked, checked and mixed.
HIMAGELIST MakeBoxes(UINT dpi) {
    const int side = SystemMetric(SM_CXSMICON, dpi);
    HIMAGELIST list = ImageList_Create(side, side, ILC_COLOR32, 4, 0);
    WindowDc screen(nullptr);
    MemoryDcOwner dc(CreateCompatibleDC(screen.get()));
    GdiObjectOwner strip(CreateCompatibleBitmap(screen.get(), side * 4, side));
    {
        SelectIn in(dc.get(), strip.get());
        RECT all = {0, 0, side * 4, side};
        FillRect(dc.get(), &all, GetSysColorBrush(COLOR_WINDOW));
        const int inset = side / 8;
        for (int state : {kUnchecked, kChecked, kMixed}) {
            RECT box = {state * side + inset, inset, (state + 1) * side - inset, side - inset};
            DrawFrameControl(dc.get(), &box, DFC_BUTTON,
                             DFCS_BUTTONCHECK | (state == kChecked ? DFCS_CHECKED : 0));
            if (state != kMixed) continue;
            // Some below are checked, some not: a filled square.
            InflateRect(&box, -side / 4, -side / 4);
            FillRect(dc.get(), &box, GetSysColorBrush(COLOR_WINDOWTEXT));
        }
    }
    ImageList_Add(list, static_cast<HBITMAP>(strip.get()), nullptr);
    return list;
}

std::wstring Figures(std::uint64_t count, std::uint64_t bytes) {
    return std::to_wstring(count) + L" item" + (count == 1 ? L"" : L"s") + L", " +
           host::HumanSize(bytes);
}

}  // namespace

void ChoiceTree::Create(HWND parent, const std::set<std::uint32_t>& checked, bool rules) {
    tree_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES |
                                TVS_LINESATROOT | TVS_SHOWSELALWAYS | TVS_INFOTIP,
                            0, 0, 0, 0, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdCategories)), nullptr,
                            nullptr);
    // Every choice with its place, then the groups in their order.
    std::vector<std::pair<ChoicePlace, Node>> leaves;
    for (std::uint32_t number : CategoryOrder()) {
        const host::CategoryInfo* info = host::FindCategory(number);
        Node leaf;
        leaf.leaf = true;
        leaf.number = number;
        leaf.action = info && info->kind == host::CategoryKind::Action;
        leaf.checked = checked.count(number) != 0;
        leaves.emplace_back(PlaceOfCategory(number), leaf);
    }
    for (size_t i = 0; i < RuleRows().size(); ++i) {
        Node leaf;
        leaf.leaf = true;
        leaf.number = static_cast<std::uint32_t>(kFirstRuleRow + i);
        leaf.byItself = host::ChosenOnlyById(*RuleRows()[i].rule);
        leaf.checked = rules && RuleRows()[i].rule->onByDefault && !leaf.byItself;
        leaves.emplace_back(PlaceOfRule(RuleRows()[i]), leaf);
    }
    for (int group = 0; group < kChoiceGroups; ++group) {
        int groupNode = -1;
        for (auto& [place, leaf] : leaves) {
            if (static_cast<int>(place.group) != group) continue;
            if (groupNode < 0) {
                Node node;
                node.group = place.group;
                node.label = LookOf(place.group).title;
                groupNode = Add(-1, node);
            }
            const int parentNode =
                place.node.empty() ? groupNode : ChildNamed(groupNode, place.node, place.group);
            leaf.group = place.group;
            leaf.label = place.label;
            leaf.offReason = place.offReason;
            Add(parentNode, leaf);
        }
    }
    for (const Node& node : nodes_)
        if (!node.leaf) TreeView_Expand(tree_, node.item, TVE_EXPAND);
    if (!nodes_.empty()) TreeView_SelectItem(tree_, nodes_[0].item);
    Refresh();
}

int ChoiceTree::Add(int parent, Node node) {
    const int index = static_cast<int>(nodes_.size());
    TVINSERTSTRUCTW insert = {};
    insert.hParent = parent < 0 ? TVI_ROOT : nodes_[static_cast<size_t>(parent)].item;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    insert.item.pszText = const_cast<wchar_t*>(node.label.c_str());
    insert.item.lParam = index;
    node.item = TreeView_InsertItem(tree_, &insert);
    node.parent = parent;
    nodes_.push_back(std::move(node));
    if (parent >= 0) nodes_[static_cast<size_t>(parent)].children.push_back(index);
    return index;
}

int ChoiceTree::ChildNamed(int parent, const std::wstring& label, ChoiceGroup group) {
    for (int child : nodes_[static_cast<size_t>(parent)].children)
        if (!nodes_[static_cast<size_t>(child)].leaf &&
            nodes_[static_cast<size_t>(child)].label == label)
            return child;
    Node node;
    node.group = group;
    node.label = label;
    return Add(parent, node);
}

void ChoiceTree::SetDpi(UINT dpi) {
    // The tree lets go of the old images before they are destroyed.
    ImageListOwner boxes(MakeBoxes(dpi));
    TreeView_SetImageList(tree_, boxes.get(), TVSIL_STATE);
    boxes_ = std::move(boxes);
    for (Node& node : nodes_) node.shownState = 0;
    Refresh();
}

int ChoiceTree::NeededWidth() const {
    int widest = 0;
    for (const Node& node : nodes_) {
        RECT text = {};
        if (TreeView_GetItemRect(tree_, node.item, &text, TRUE) && text.right > widest)
            widest = text.right;
    }
    // Item rectangles move left as the tree scrolls sideways.
    widest += GetScrollPos(tree_, SB_HORZ);
    RECT client = {}, frame = {};
    GetClientRect(tree_, &client);
    GetWindowRect(tree_, &frame);
    const int edges = (frame.right - frame.left) - client.right;
    const bool vertical = GetWindowLongW(tree_, GWL_STYLE) & WS_VSCROLL;
    const int bar = vertical ? 0 : GetSystemMetrics(SM_CXVSCROLL);  // in the edges already
    return widest + edges + bar + 4;
}

std::vector<std::uint32_t> ChoiceTree::Checked() const {
    std::vector<std::uint32_t> numbers;
    for (const Node& node : nodes_)
        if (node.leaf && node.checked) numbers.push_back(node.number);
    return numbers;
}

int ChoiceTree::StateOf(int index, bool groupsOnly) const {
    const Node& node = nodes_[static_cast<size_t>(index)];
    if (node.leaf) return node.checked ? kChecked : kUnchecked;
    bool some = false, all = true;
    for (int child : node.children) {
        if (groupsOnly && nodes_[static_cast<size_t>(child)].byItself) continue;
        const int state = StateOf(child, groupsOnly);
        some = some || state != kUnchecked;
        all = all && state == kChecked;
    }
    return all && some ? kChecked : some ? kMixed : kUnchecked;
}

void ChoiceTree::SetLeaves(int index, bool checked) {
    Node& node = nodes_[static_cast<size_t>(index)];
    if (node.leaf) node.checked = checked;
    for (int child : node.children)
        if (!nodes_[static_cast<size_t>(child)].byItself) SetLeaves(child, checked);
}

void ChoiceTree::Toggle(int index) {
    // A mixed or empty group checks all below it; a full one clears them.
    // Choices made one by one count for neither.
    SetLeaves(index, StateOf(index, true) != kChecked);
    Refresh();
}

std::wstring ChoiceTree::TextOf(int index) const {
    const Node& node = nodes_[static_cast<size_t>(index)];
    std::vector<std::wstring> parts;
    if (node.leaf) {
        if (node.scanned) parts.push_back(Figures(node.count, node.bytes));
        if (node.action && node.offReason == nullptr) parts.push_back(L"clean only");
        if (!node.cleaned.empty()) parts.push_back(node.cleaned);
        // Why it starts off is the node's tip: the label stays short.
        if (node.offReason) parts.push_back(L"opt-in");
    } else {
        // The sums of the choices below that were scanned.
        bool scanned = false;
        std::uint64_t count = 0, bytes = 0;
        std::vector<int> open = node.children;
        while (!open.empty()) {
            const Node& below = nodes_[static_cast<size_t>(open.back())];
            open.pop_back();
            open.insert(open.end(), below.children.begin(), below.children.end());
            if (!below.scanned) continue;
            scanned = true;
            count += below.count;
            bytes += below.bytes;
        }
        if (scanned) parts.push_back(Figures(count, bytes));
    }
    std::wstring text = node.label;
    for (size_t i = 0; i < parts.size(); ++i) text += (i ? L"; " : L" (") + parts[i];
    return parts.empty() ? text : text + L")";
}

void ChoiceTree::Refresh() {
    for (size_t i = 0; i < nodes_.size(); ++i) {
        Node& node = nodes_[i];
        std::wstring text = TextOf(static_cast<int>(i));
        const int state = StateOf(static_cast<int>(i));
        if (text == node.shownText && state == node.shownState) continue;
        node.shownText = std::move(text);
        node.shownState = state;
        TVITEMW item = {};
        item.mask = TVIF_TEXT | TVIF_STATE;
        item.hItem = node.item;
        item.pszText = const_cast<wchar_t*>(node.shownText.c_str());
        item.state = INDEXTOSTATEIMAGEMASK(state);
        item.stateMask = TVIS_STATEIMAGEMASK;
        TreeView_SetItem(tree_, &item);
    }
}

int ChoiceTree::LeafOf(std::uint32_t number) const {
    for (size_t i = 0; i < nodes_.size(); ++i)
        if (nodes_[i].leaf && nodes_[i].number == number) return static_cast<int>(i);
    return -1;
}

ChoiceGroup ChoiceTree::GroupOf(std::uint32_t number) const {
    const int leaf = LeafOf(number);
    return leaf < 0 ? ChoiceGroup::Windows : nodes_[static_cast<size_t>(leaf)].group;
}

void ChoiceTree::ResetFigures() {
    for (Node& node : nodes_) {
        node.scanned = false;
        node.count = node.bytes = 0;
        node.cleaned.clear();
    }
    Refresh();
}

void ChoiceTree::ShowRun(std::uint32_t number, const host::Row& run, const Sums& sums) {
    const int leaf = LeafOf(number);
    if (leaf < 0) return;
    Node& node = nodes_[static_cast<size_t>(leaf)];
    // The listed items, not the scan's totals: the recycle-bin query counts
    // every item once per drive letter.
    node.scanned = !run.IsAction();
    node.count = sums.count;
    node.bytes = sums.bytes;
    node.cleaned.clear();
    if (run.cleaned) {
        node.cleaned = std::to_wstring(run.cleanTotals.removed) + L" removed";
        // A category's files in use fail, as the module's own clean counts
        // them; a rule's say what to do below.
        const std::uint64_t failed = run.cleanTotals.failed + (run.IsRule() ? 0 : run.inUse);
        if (failed) node.cleaned += L", " + std::to_wstring(failed) + L" failed";
        if (run.changed)
            node.cleaned += L", " + std::to_wstring(run.changed) + L" changed since the scan";
        if (run.cleanTotals.bytesFreed)
            node.cleaned += L", " + host::HumanSize(run.cleanTotals.bytesFreed) + L" freed";
        if (run.IsAction()) node.cleaned = run.cleanResult ? L"done" : L"failed";
    } else if (!run.skipReason.empty() && run.category == kCategoryRecycleBin) {
        node.cleaned = L"kept whole";
    } else if (!run.refusal.empty()) {
        node.cleaned = run.refusal;
    }
    if (run.stoppedByGuard.total)
        node.cleaned += (node.cleaned.empty() ? L"" : L", ") +
                        std::wstring(L"stopped by the guard: ") + run.stoppedByGuard.Text();
    // Files a running application holds are not failures: say what to do.
    const host::RuleTarget* target = run.IsRule() ? &run.target : nullptr;
    if (target && run.inUse)
        node.cleaned += (node.cleaned.empty() ? L"" : L", ") + std::to_wstring(run.inUse) +
                        L" in use: " + target->InUseAdvice();
    else if (target && run.running && !run.cleaned)
        node.cleaned += (node.cleaned.empty() ? L"" : L", ") + target->ApplicationName() +
                        L" is running: " + target->InUseAdvice();
    Refresh();
}

bool ChoiceTree::OnNotify(const NMHDR& header, LRESULT* result) {
    if (header.code == TVN_GETINFOTIPW) {
        auto& tip = const_cast<NMTVGETINFOTIPW&>(reinterpret_cast<const NMTVGETINFOTIPW&>(header));
        const Node* node = tip.lParam >= 0 && static_cast<size_t>(tip.lParam) < nodes_.size()
                               ? &nodes_[static_cast<size_t>(tip.lParam)]
                               : nullptr;
        std::wstring text;
        if (node && node->offReason) text = L"Opt-in: " + std::wstring(node->offReason);
        const wchar_t* notHeld = node && node->leaf && undoMode_ != host::UndoMode::None
                                     ? host::NotHeldReason(ChoiceRow(node->number), undoMode_)
                                     : nullptr;
        if (notHeld)
            text += (text.empty() ? L"" : L"\n") + std::wstring(L"Not held for undo: ") + notHeld;
        if (!text.empty() && tip.pszText && tip.cchTextMax > 0)
            lstrcpynW(tip.pszText, text.c_str(), tip.cchTextMax);
        return false;
    }
    HTREEITEM hit = nullptr;
    if (header.code == NM_CLICK) {
        const DWORD at = GetMessagePos();
        TVHITTESTINFO test = {};
        test.pt = {static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
        ScreenToClient(tree_, &test.pt);
        TreeView_HitTest(tree_, &test);
        if (test.flags & TVHT_ONITEMSTATEICON) hit = test.hItem;
    } else if (header.code == TVN_KEYDOWN &&
               reinterpret_cast<const NMTVKEYDOWN&>(header).wVKey == VK_SPACE) {
        hit = TreeView_GetSelection(tree_);
        *result = 1;  // not a search for a node starting with a space
    }
    if (!hit) return false;
    TVITEMW item = {};
    item.mask = TVIF_PARAM;
    item.hItem = hit;
    if (!TreeView_GetItem(tree_, &item) || item.lParam < 0 ||
        static_cast<size_t>(item.lParam) >= nodes_.size())
        return false;
    Toggle(static_cast<int>(item.lParam));
    return true;
}

}  // namespace gui
