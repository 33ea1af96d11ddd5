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
#include "items/keep_list.h"

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

// Texts in blocks that never move: a text is found by its offset.
class TextPool {
public:
    // Stores units (at most kTextUnits of them) and returns its offset.
    std::uint32_t Add(std::wstring_view text);
    std::wstring_view View(std::uint32_t offset, std::size_t units) const {
        return {blocks_[offset >> kBlockBits].get() + (offset & kBlockMask), units};
    }
    // Forgets every text and keeps the blocks for the next ones.
    void Clear();
    std::size_t BytesHeld() const { return blocks_.size() * kBlockUnits * sizeof(wchar_t); }

private:
    // Blocks of 1 MiB: the heap gives blocks that large their own pages,
    // which are not strewn among the module's freed records.
    static constexpr unsigned kBlockBits = 19;
    static constexpr std::uint32_t kBlockUnits = 1u << kBlockBits;
    static constexpr std::uint32_t kBlockMask = kBlockUnits - 1;
    std::vector<std::unique_ptr<wchar_t[]>> blocks_;
    std::size_t block_ = 0;             // the block being filled, plus one
    std::uint32_t used_ = kBlockUnits;  // in that block
};

// Each distinct text once, numbered from 1 in the order first seen (0 is
// the empty text).
class TextInterner {
public:
    std::uint32_t Intern(std::wstring_view text);
    std::wstring_view Text(std::uint32_t id) const {
        return id ? pool_.View(entries_[id - 1].offset, entries_[id - 1].units)
                  : std::wstring_view();
    }
    std::size_t Count() const { return entries_.size() + 1; }
    void Clear();  // keeps its memory, as TextPool::Clear
    std::size_t BytesHeld() const;

private:
    struct Entry {
        std::uint32_t offset;
        std::uint32_t units;
    };
    void Grow();
    TextPool pool_;
    std::vector<Entry> entries_;
    std::vector<std::uint32_t> slots_;  // open addressing: entry id or 0
};

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
    // Copies the items of another store, tagged with run.
    void Append(const ItemStore& from, std::uint16_t run);
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
    std::uint64_t Bytes(std::uint32_t i) const { return items_[i].size; }
    // What the clean checks beside size and last write: the tag of the file
    // id the scan's listing gave (0: none).
    std::uint32_t IdTag(std::uint32_t i) const { return items_[i].idTag; }
    std::uint32_t Category(std::uint32_t i) const { return items_[i].category; }
    std::uint16_t Run(std::uint32_t i) const { return items_[i].run; }
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

// Each item's keep rule applied to the items [first, end): a matching item
// is deselected and remembered as kept. A folder is tested once for every
// rule, so files of folders no rule can reach cost nothing, and a folder is
// read for profile files only when a name in or below it is one a profile
// rule names. chosen: the rule that listed the items, when the person chose
// it by its id (see KeepMatcher). Returns the number of items kept;
// counts[rule] grows by the items each rule kept.
std::uint64_t ApplyKeepRules(const std::vector<KeepRule>& rules, ItemStore* store,
                             std::uint32_t first, std::uint32_t end,
                             std::vector<std::uint64_t>* counts = nullptr,
                             const CleaningRule* chosen = nullptr);

// The selected items of [first, end) that no keep rule protects and that
// were last written within `days` days are deselected and remembered as
// kept for their age (kKeptForAge). An item without a date takes its
// file's last write; one that is no file (a registry value, a recycled
// item) is left as it is. Returns the number of items kept.
std::uint64_t ApplyAgeLimit(std::uint32_t days, ItemStore* store, std::uint32_t first,
                            std::uint32_t end);

// Selected items of the ranges that repeat the path (case-insensitive) of
// an earlier selected item, as (repeat, first listing) pairs in order of
// the repeat: category 1 also lists the Firefox caches and category 6 the
// index files of 1 and 2, and a file is removed once. With selectedOnly
// false every item counts, selected or not: a total counts a file once.
struct ItemRange {
    std::uint32_t first, end;
};
std::vector<std::pair<std::uint32_t, std::uint32_t>> FindRepeats(
    const ItemStore& store, const std::vector<ItemRange>& ranges, bool selectedOnly = true);

}  // namespace host
