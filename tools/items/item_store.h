// The hosts' compact copy of found items. A FoundItem carries three fixed
// 260-unit texts (about 1.6 KB); a host that lists hundreds of thousands of
// them keeps this instead: every folder once, names and type texts in
// shared pools, and a few numbers per item. A host takes each category's
// list from the module into the store as soon as its scan ends, and
// rebuilds FoundItem records from it only for the module's removal, a
// chunk at a time.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "UnusedFileClean.h"
#include "items/text_pool.h"

namespace host {

// What a clean did to an item, as far as the host can tell afterwards.
enum class ItemOutcome : std::uint8_t {
    None,      // not handed to a removal
    Removed,   // gone
    InUse,     // another program holds it open
    Denied,    // access denied
    Changed,   // left: rewritten or replaced since the scan
    Remained,  // still there, for no reason the host can see
};

// What a delete's error says of the item: ERROR_SUCCESS and a missing file
// Removed, a sharing or lock violation InUse, access denied Denied, any
// other error Remained.
ItemOutcome OutcomeOf(DWORD error);

enum class ItemTime { Created, Accessed, Written };

class ItemStore {
public:
    std::uint32_t Count() const { return static_cast<std::uint32_t>(items_.size()); }
    // Forgets every item and keeps the memory for the next scan: a scan
    // that fills pages it has filled before runs faster than one that asks
    // the system for fresh pages (which come zeroed, a page at a time), and
    // giving many pages back slows the walks that follow under Wine.
    void Clear();
    // Moves the items of list into the store, tagged with run, and empties
    // the list as it goes: its records are freed while the store grows (the
    // heap then gives most of their memory back).
    void Append(ResultList* list, std::uint16_t run);
    // Adds a file that a folder walk met in folder (as the walk names it,
    // with its trailing backslash): name, size and dates from its directory
    // entry, the tag of its file id (ufc::FileIdTag; 0: none), selected,
    // tagged with run 0, without a type text or icon. Files of one folder
    // coming one after another cost one comparison of the folder's text each.
    void AddFile(std::wstring_view folder, const WIN32_FIND_DATAW& entry, std::uint8_t category,
                 std::uint32_t idTag = 0);

    std::wstring_view Name(std::uint32_t i) const {
        return names_.View(items_[i].name, items_[i].nameUnits);
    }
    std::uint32_t FolderId(std::uint32_t i) const { return items_[i].folder; }
    std::wstring_view Folder(std::uint32_t i) const { return folders_.Text(items_[i].folder); }
    const TextInterner& Folders() const { return folders_; }
    std::wstring_view TypeText(std::uint32_t i) const { return types_.Text(items_[i].type); }
    void SetTypeText(std::uint32_t i, std::wstring_view text);
    std::uint64_t Bytes(std::uint32_t i) const { return items_[i].size; }
    // What the clean checks beside size and last write: the tag of the file
    // id the scan's listing gave (0: none).
    std::uint32_t IdTag(std::uint32_t i) const { return items_[i].idTag; }
    std::uint32_t Category(std::uint32_t i) const { return items_[i].category; }
    std::uint16_t Run(std::uint32_t i) const { return items_[i].run; }
    // Tags the items [first, end) with run.
    void SetRun(std::uint32_t first, std::uint32_t end, std::uint16_t run) {
        for (std::uint32_t i = first; i < end; ++i) items_[i].run = run;
    }
    HICON Icon(std::uint32_t i) const;
    // A number that orders as the dates do; 0 when the item has none.
    std::uint64_t Time(std::uint32_t i, ItemTime which) const {
        return items_[i].times[static_cast<int>(which)];
    }
    SYSTEMTIME Date(std::uint32_t i, ItemTime which) const;
    void SetTime(std::uint32_t i, ItemTime which, const FILETIME& time);
    bool Selected(std::uint32_t i) const { return items_[i].selected != 0; }
    void SetSelected(std::uint32_t i, bool selected) { items_[i].selected = selected ? 1 : 0; }
    // The keep rule that protects the item, kKeptForAge, or -1.
    static constexpr int kKeptForAge = -2;
    int Keep(std::uint32_t i) const { return items_[i].keep; }
    bool Kept(std::uint32_t i) const { return items_[i].keep != -1; }
    void SetKeep(std::uint32_t i, int rule);
    ItemOutcome Outcome(std::uint32_t i) const { return items_[i].outcome; }
    void SetOutcome(std::uint32_t i, ItemOutcome outcome) { items_[i].outcome = outcome; }

    // Folder and name joined as host::ItemPath joins them.
    std::wstring Path(std::uint32_t i) const;
    // The record the module gave, rebuilt (a date with a field out of any
    // calendar's range comes back zeroed).
    void Rebuild(std::uint32_t i, FoundItem* out) const;

    // Keeps the items for which keep(i) is true, in their order; their
    // indices change. The pools keep their texts.
    template <typename Keep>
    void Compact(Keep keep) {
        std::size_t to = 0;
        for (std::size_t from = 0; from < items_.size(); ++from)
            if (keep(static_cast<std::uint32_t>(from))) items_[to++] = items_[from];
        items_.resize(to);
    }

    // Memory the store holds, for the benchmark's accounting.
    std::size_t BytesHeld() const;

private:
    struct Item {
        std::uint64_t size;
        std::uint64_t times[3];
        std::uint32_t name;  // offset in names_
        std::uint32_t folder;
        std::uint16_t nameUnits;
        std::uint16_t type;
        std::uint16_t icon;
        std::uint16_t run;
        std::uint8_t category;
        std::uint8_t selected;
        std::int8_t keep;
        ItemOutcome outcome;
        std::uint32_t idTag;  // in what would be padding
    };
    static_assert(sizeof(Item) == 56, "the per-item record stays small");
    std::uint16_t IconId(HICON icon);

    std::vector<Item> items_;
    TextPool names_;
    TextInterner folders_;
    TextInterner types_;
    std::vector<HICON> icons_;      // id - 1 -> icon (borrowed from the cleaner)
    std::uint32_t lastFolder_ = 0;  // of the file AddFile added last
};

}  // namespace host
