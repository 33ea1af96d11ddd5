#include "items/text_pool.h"

#include <algorithm>

namespace host {

namespace {

bool Same(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

}  // namespace

std::uint64_t TextHash(std::wstring_view text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (wchar_t unit : text) hash = (hash ^ static_cast<std::uint16_t>(unit)) * 1099511628211ull;
    return hash;
}

std::uint32_t TextPool::Add(std::wstring_view text) {
    if (used_ + text.size() > kBlockUnits) {
        if (block_ == blocks_.size()) blocks_.push_back(std::make_unique<wchar_t[]>(kBlockUnits));
        ++block_;
        used_ = 0;
    }
    const auto offset = static_cast<std::uint32_t>(((block_ - 1) << kBlockBits) | used_);
    std::copy(text.begin(), text.end(), blocks_[block_ - 1].get() + used_);
    used_ += static_cast<std::uint32_t>(text.size());
    return offset;
}

void TextPool::Clear() {
    block_ = 0;
    used_ = kBlockUnits;
}

std::uint32_t TextInterner::Intern(std::wstring_view text) {
    if (text.empty()) return 0;
    if ((entries_.size() + 1) * 2 > slots_.size()) Grow();
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t slot = TextHash(text) & mask;; slot = (slot + 1) & mask) {
        const std::uint32_t id = slots_[slot];
        if (id == 0) {
            entries_.push_back({pool_.Add(text), static_cast<std::uint32_t>(text.size())});
            slots_[slot] = static_cast<std::uint32_t>(entries_.size());
            return slots_[slot];
        }
        if (Same(Text(id), text)) return id;
    }
}

void TextInterner::Grow() {
    std::vector<std::uint32_t> slots(slots_.empty() ? 64 : slots_.size() * 2, 0);
    const std::size_t mask = slots.size() - 1;
    for (std::uint32_t id = 1; id <= entries_.size(); ++id) {
        std::size_t slot = TextHash(Text(id)) & mask;
        while (slots[slot]) slot = (slot + 1) & mask;
        slots[slot] = id;
    }
    slots_.swap(slots);
}

void TextInterner::Clear() {
    pool_.Clear();
    entries_.clear();
    std::fill(slots_.begin(), slots_.end(), 0);
}

std::size_t TextInterner::BytesHeld() const {
    return pool_.BytesHeld() + entries_.capacity() * sizeof(Entry) +
           slots_.capacity() * sizeof(std::uint32_t);
}

}  // namespace host
