// Texts kept compactly for the item store: in blocks that never move, and
// each distinct text once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace host {

// FNV-1a of the text's units: the hash of the interner, and of the paths
// compared when repeats are looked for.
std::uint64_t TextHash(std::wstring_view text);

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

}  // namespace host
