#include "items/item_store.h"

#include <algorithm>

#include "items/selection.h"

namespace host {

namespace {

std::wstring_view Field(const wchar_t (&text)[kTextUnits]) {
    return {text, static_cast<std::size_t>(std::find(text, text + kTextUnits, L'\0') - text)};
}

bool Same(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

// Whether a field holds the text: read once, without measuring it first.
bool Holds(const wchar_t (&field)[kTextUnits], std::wstring_view text) {
    return (text.size() == kTextUnits || field[text.size()] == L'\0') &&
           std::equal(text.begin(), text.end(), field);
}

// Every unit of the field, the terminator only where there is room: a text
// that filled its field comes back as it was.
void PutField(std::wstring_view text, wchar_t (&out)[kTextUnits]) {
    std::copy(text.begin(), text.end(), out);
    if (text.size() < kTextUnits) out[text.size()] = L'\0';
}

// Dates are kept as FILETIME ticks (host::Ticks), which order as the dates
// do; 0 when the item has none. A directory entry's times are kept as they
// come, so a walk converts no date; a text date is counted once.
std::uint64_t Ticks(const SYSTEMTIME& date) {
    FILETIME time;
    return SystemTimeToFileTime(&date, &time) ? host::Ticks(time) : 0;
}

std::uint16_t SmallId(std::uint32_t id) {
    // Beyond the field's range the item simply has no stored text.
    return id <= 0xFFFF ? static_cast<std::uint16_t>(id) : 0;
}

}  // namespace

ItemOutcome OutcomeOf(DWORD error) {
    switch (error) {
        case ERROR_SUCCESS:
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return ItemOutcome::Removed;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return ItemOutcome::InUse;
        case ERROR_ACCESS_DENIED:
            return ItemOutcome::Denied;
        default:
            return ItemOutcome::Remained;
    }
}

void ItemStore::Clear() {
    items_.clear();
    names_.Clear();
    folders_.Clear();
    types_.Clear();
    icons_.clear();
    lastFolder_ = 0;
}

std::uint16_t ItemStore::IconId(HICON icon) {
    if (!icon) return 0;
    for (std::size_t i = 0; i < icons_.size(); ++i)
        if (icons_[i] == icon) return static_cast<std::uint16_t>(i + 1);
    // The module hands out one icon per file type: a few dozen at most.
    if (icons_.size() >= 0xFFFF) return 0;
    icons_.push_back(icon);
    return static_cast<std::uint16_t>(icons_.size());
}

void ItemStore::Append(ResultList* list, std::uint16_t run) {
    const std::size_t need = items_.size() + list->size();
    if (need > items_.capacity())
        items_.reserve(std::max(need, items_.capacity() + items_.capacity() / 2));
    // Files of a folder come one after another: the folder and type of the
    // item before are tried first.
    std::uint32_t folder = 0, type = 0;
    // The records lie apart in memory, 1.6 KB each: the fields read from the
    // record after next are fetched while this one is taken.
    auto Fetch = [](const FoundItem& ahead) {
        __builtin_prefetch(ahead.name);
        __builtin_prefetch(ahead.folder);
        __builtin_prefetch(ahead.typeText);
        __builtin_prefetch(&ahead.written);
    };
    auto next = list->begin();
    for (int k = 0; k < 2 && next != list->end(); ++k) Fetch(*next++);
    while (!list->empty()) {
        const FoundItem& found = list->front();
        if (next != list->end()) Fetch(*next++);
        Item item = {};
        item.size = found.size;
        item.times[static_cast<int>(ItemTime::Created)] = Ticks(found.created);
        item.times[static_cast<int>(ItemTime::Accessed)] = Ticks(found.accessed);
        item.times[static_cast<int>(ItemTime::Written)] = Ticks(found.written);
        const std::wstring_view name = Field(found.name);
        item.name = names_.Add(name);
        item.nameUnits = static_cast<std::uint16_t>(name.size());
        if (!Holds(found.folder, folders_.Text(folder)))
            folder = folders_.Intern(Field(found.folder));
        item.folder = folder;
        if (!Holds(found.typeText, types_.Text(type))) type = types_.Intern(Field(found.typeText));
        item.type = SmallId(type);
        item.icon = IconId(found.icon);
        item.run = run;
        item.category = static_cast<std::uint8_t>(
            found.category <= kCategoryUnset ? found.category : kCategoryUnset);
        item.selected = found.selected ? 1 : 0;
        item.keep = -1;
        items_.push_back(item);
        list->pop_front();
    }
}

void ItemStore::AddFile(std::wstring_view folder, const WIN32_FIND_DATAW& entry,
                        std::uint8_t category, std::uint32_t idTag) {
    Item item = {};
    item.size = (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
    item.times[static_cast<int>(ItemTime::Created)] = Ticks(entry.ftCreationTime);
    item.times[static_cast<int>(ItemTime::Accessed)] = Ticks(entry.ftLastAccessTime);
    item.times[static_cast<int>(ItemTime::Written)] = Ticks(entry.ftLastWriteTime);
    const std::wstring_view name(entry.cFileName, wcsnlen(entry.cFileName, MAX_PATH));
    item.name = names_.Add(name);
    item.nameUnits = static_cast<std::uint16_t>(name.size());
    if (!Same(folders_.Text(lastFolder_), folder)) lastFolder_ = folders_.Intern(folder);
    item.folder = lastFolder_;
    item.category = category;
    item.selected = 1;
    item.keep = -1;
    item.idTag = idTag;
    items_.push_back(item);
}

void ItemStore::SetTypeText(std::uint32_t i, std::wstring_view text) {
    items_[i].type = SmallId(types_.Intern(text));
}

SYSTEMTIME ItemStore::Date(std::uint32_t i, ItemTime which) const {
    SYSTEMTIME date = {};
    const std::uint64_t ticks = items_[i].times[static_cast<int>(which)];
    const FILETIME time = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    if (ticks && !FileTimeToSystemTime(&time, &date)) date = {};
    return date;
}

HICON ItemStore::Icon(std::uint32_t i) const {
    const std::uint16_t id = items_[i].icon;
    return id ? icons_[id - 1u] : nullptr;
}

void ItemStore::SetTime(std::uint32_t i, ItemTime which, const FILETIME& time) {
    items_[i].times[static_cast<int>(which)] = Ticks(time);
}

void ItemStore::SetKeep(std::uint32_t i, int rule) {
    items_[i].keep = static_cast<std::int8_t>(rule < 127 ? rule : 127);
}

std::wstring ItemStore::Path(std::uint32_t i) const {
    std::wstring path(Folder(i));
    const std::wstring_view name = Name(i);
    if (!path.empty() && path.back() != L'\\' && !name.empty()) path.push_back(L'\\');
    path.append(name);
    return path;
}

void ItemStore::Rebuild(std::uint32_t i, FoundItem* out) const {
    const Item& item = items_[i];
    out->category = item.category;
    out->selected = item.selected;
    out->size = item.size;
    PutField(Name(i), out->name);
    PutField(Folder(i), out->folder);
    PutField(TypeText(i), out->typeText);
    out->created = Date(i, ItemTime::Created);
    out->accessed = Date(i, ItemTime::Accessed);
    out->written = Date(i, ItemTime::Written);
    out->icon = Icon(i);
}

std::size_t ItemStore::BytesHeld() const {
    return items_.capacity() * sizeof(Item) + names_.BytesHeld() + folders_.BytesHeld() +
           types_.BytesHeld() + icons_.capacity() * sizeof(HICON);
}

}  // namespace host
