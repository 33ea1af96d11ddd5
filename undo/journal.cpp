#include "undo/journal.h"

#include <algorithm>
#include <cstring>
#include <memory>

extern "C" DWORD NTAPI RtlComputeCrc32(DWORD initial, const BYTE* data, INT length);

namespace undo {

namespace {

constexpr char kMagic[8] = {'U', 'F', 'C', 'U', 'N', 'D', 'O', '1'};
// Far beyond a run of a million files; a larger file is not a journal.
constexpr std::uint64_t kMostBytes = 1ull << 30;
// Far beyond the longest record (a path is at most 32,767 units); a record
// that claims more is damaged, never the torn tail a crash leaves.
constexpr std::uint32_t kMostRecordBody = 1u << 20;

enum Kind : std::uint8_t {
    kRun = 1,
    kFolder = 2,
    kItem = 3,
    kOutcome = 4,
    kFolderState = 5,
    kRestored = 6,
    kFinished = 7,
    kCopyItem = 8,  // an item whose copy is held (the fields of kItem)
};

DWORD Crc(const BYTE* data, std::size_t bytes) {
    return RtlComputeCrc32(0, data, static_cast<INT>(bytes));
}

// Reads the fields of one record's body; any read past its end marks it
// short, and the record is refused.
class Fields {
public:
    Fields(const BYTE* at, std::size_t bytes) : at_(at), end_(at + bytes) {}
    std::uint8_t U8() {
        std::uint8_t value = 0;
        Take(&value, 1);
        return value;
    }
    std::uint32_t U32() {
        BYTE b[4] = {};
        Take(b, 4);
        return b[0] | b[1] << 8 | b[2] << 16 | static_cast<std::uint32_t>(b[3]) << 24;
    }
    std::uint64_t U64() {
        const std::uint64_t low = U32();
        return low | static_cast<std::uint64_t>(U32()) << 32;
    }
    std::wstring Text() {
        const std::uint32_t units = U32();
        if (units > static_cast<std::size_t>(end_ - at_) / sizeof(wchar_t)) {
            short_ = true;
            return {};
        }
        std::wstring text(units, L'\0');
        Take(&text[0], units * sizeof(wchar_t));
        return text;
    }
    ufc::FileState State() {
        ufc::FileState state;
        state.size = U64();
        state.written = U64();
        state.fileId = U64();
        state.created = U64();
        state.accessed = U64();
        state.attributes = U32();
        return state;
    }
    bool Ok() const { return !short_; }
    // Every field was there, and nothing more.
    bool Whole() const { return !short_ && at_ == end_; }

private:
    void Take(void* out, std::size_t bytes) {
        if (short_ || bytes > static_cast<std::size_t>(end_ - at_)) {
            short_ = true;
            return;
        }
        if (bytes) std::memcpy(out, at_, bytes);
        at_ += bytes;
    }
    const BYTE* at_;
    const BYTE* end_;
    bool short_ = false;
};

// Applies one record to run; false when it does not fit what came before.
bool Apply(std::uint8_t kind, Fields& in, Journal* run, bool first) {
    if (first != (kind == kRun)) return false;
    switch (kind) {
        case kRun: {
            run->id = in.Text();
            run->started = in.U64();
            run->what = in.Text();
            run->kind = static_cast<StoreKind>(in.U8());
            const std::uint32_t roots = in.U32();
            for (std::uint32_t i = 0; i < roots && in.Ok(); ++i) run->roots.push_back(in.Text());
            return run->kind == StoreKind::User || run->kind == StoreKind::Machine;
        }
        case kFolder: {
            if (in.U32() != run->folders.size()) return false;
            run->folders.emplace_back();
            run->folders.back().path = in.Text();
            return true;
        }
        case kItem:
        case kCopyItem: {
            JournalItem item;
            item.copy = kind == kCopyItem;
            item.folder = in.U32();
            item.name = in.Text();
            item.planned.size = in.U64();
            item.planned.written = in.U64();
            item.planned.idTag = in.U32();
            if (item.folder >= run->folders.size() || item.name.empty()) return false;
            run->items.push_back(std::move(item));
            return true;
        }
        case kOutcome: {
            const std::uint32_t index = in.U32();
            const std::uint8_t state = in.U8();
            const DWORD error = in.U32();
            const ufc::FileState seen = in.State();
            if (index >= run->items.size() || state < 1 || state > 3) return false;
            JournalItem& item = run->items[index];
            item.state = static_cast<ItemState>(state);
            item.marked = true;
            item.error = error;
            item.seen = seen;
            return true;
        }
        case kFolderState: {
            const std::uint32_t number = in.U32();
            if (number >= run->folders.size()) return false;
            run->folders[number].state = in.State();
            run->folders[number].hasState = true;
            return true;
        }
        case kRestored: {
            const std::uint32_t index = in.U32();
            if (index >= run->items.size()) return false;
            run->items[index].restored = true;
            run->items[index].restoredAs = in.Text();
            return true;
        }
        case kFinished:
            run->finished = true;
            return true;
        default:
            return false;
    }
}

bool AllZero(const BYTE* at, std::size_t bytes) {
    for (std::size_t i = 0; i < bytes; ++i)
        if (at[i]) return false;
    return true;
}

}  // namespace

std::wstring HeldName(std::uint32_t index) {
    wchar_t text[12];
    swprintf(text, 12, L"%x", index);
    return text;
}

std::wstring HeldFolderName(std::uint32_t index) {
    return HeldName(index / kHeldPerFolder);
}

void JournalWriter::Start(const Journal& run) {
    pending_.insert(pending_.end(), kMagic, kMagic + sizeof kMagic);
    Begin(kRun);
    Text(run.id);
    U64(run.started);
    Text(run.what);
    U8(static_cast<std::uint8_t>(run.kind));
    U32(static_cast<std::uint32_t>(run.roots.size()));
    for (const std::wstring& root : run.roots) Text(root);
    End();
}

void JournalWriter::Folder(std::uint32_t number, const std::wstring& path) {
    Begin(kFolder);
    U32(number);
    Text(path);
    End();
}

void JournalWriter::Item(std::uint32_t folder, const std::wstring& name,
                         const ufc::FileIdentity& planned, bool copy) {
    Begin(copy ? kCopyItem : kItem);
    U32(folder);
    Text(name);
    U64(planned.size);
    U64(planned.written);
    U32(planned.idTag);
    End();
}

void JournalWriter::Outcome(std::uint32_t index, ItemState state, DWORD error,
                            const ufc::FileState& seen) {
    Begin(kOutcome);
    U32(index);
    U8(static_cast<std::uint8_t>(state));
    U32(error);
    for (std::uint64_t value : {seen.size, seen.written, seen.fileId, seen.created, seen.accessed})
        U64(value);
    U32(seen.attributes);
    End();
}

void JournalWriter::FolderState(std::uint32_t number, const ufc::FileState& state) {
    Begin(kFolderState);
    U32(number);
    for (std::uint64_t value :
         {state.size, state.written, state.fileId, state.created, state.accessed})
        U64(value);
    U32(state.attributes);
    End();
}

void JournalWriter::Restored(std::uint32_t index, const std::wstring& as) {
    Begin(kRestored);
    U32(index);
    Text(as);
    End();
}

void JournalWriter::Finished() {
    Begin(kFinished);
    End();
}

void JournalWriter::Begin(std::uint8_t kind) {
    recordStart_ = pending_.size();
    U32(0);  // the body's size, set by End
    U8(kind);
}

void JournalWriter::End() {
    const std::size_t kindAt = recordStart_ + 4;
    const auto body = static_cast<std::uint32_t>(pending_.size() - kindAt - 1);
    tooLong_ = tooLong_ || pending_.size() - kindAt - 1 > kMostRecordBody;
    for (int i = 0; i < 4; ++i) pending_[recordStart_ + i] = static_cast<BYTE>(body >> (8 * i));
    U32(Crc(pending_.data() + kindAt, pending_.size() - kindAt));
}

void JournalWriter::U32(std::uint32_t value) {
    for (int i = 0; i < 4; ++i) pending_.push_back(static_cast<BYTE>(value >> (8 * i)));
}

void JournalWriter::U64(std::uint64_t value) {
    U32(static_cast<std::uint32_t>(value));
    U32(static_cast<std::uint32_t>(value >> 32));
}

void JournalWriter::Text(const std::wstring& text) {
    U32(static_cast<std::uint32_t>(text.size()));
    const BYTE* bytes = reinterpret_cast<const BYTE*>(text.data());
    pending_.insert(pending_.end(), bytes, bytes + text.size() * sizeof(wchar_t));
}

DWORD JournalWriter::Flush() {
    // A record the reader would refuse is never written.
    if (tooLong_) return ERROR_FILENAME_EXCED_RANGE;
    std::size_t done = 0;
    while (done < pending_.size()) {
        DWORD wrote = 0;
        const auto chunk =
            static_cast<DWORD>(std::min<std::size_t>(pending_.size() - done, 1 << 24));
        if (!WriteFile(file_, pending_.data() + done, chunk, &wrote, nullptr) || wrote == 0)
            return GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
        done += wrote;
    }
    pending_.clear();
    return FlushFileBuffers(file_) ? ERROR_SUCCESS : GetLastError();
}

DWORD ReadJournal(HANDLE file, Journal* run, std::wstring* why) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size)) return GetLastError();
    if (static_cast<std::uint64_t>(size.QuadPart) > kMostBytes) {
        *why = L"the journal is larger than any run writes";
        return ERROR_FILE_CORRUPT;
    }
    const auto bytes = static_cast<std::size_t>(size.QuadPart);
    std::unique_ptr<BYTE[]> data(new BYTE[bytes ? bytes : 1]);
    for (std::size_t done = 0; done < bytes;) {
        DWORD read = 0;
        if (!ReadFile(file, data.get() + done, static_cast<DWORD>(bytes - done), &read, nullptr))
            return GetLastError();
        if (read == 0) return ERROR_HANDLE_EOF;
        done += read;
    }
    auto refuse = [why](const wchar_t* what, std::size_t at) {
        *why = std::wstring(what) + L" at byte " + std::to_wstring(at);
        return static_cast<DWORD>(ERROR_FILE_CORRUPT);
    };
    if (bytes < sizeof kMagic || std::memcmp(data.get(), kMagic, sizeof kMagic) != 0)
        return refuse(L"not a journal: no header", 0);
    *run = Journal();
    std::size_t at = sizeof kMagic;
    for (bool first = true; at < bytes; first = false) {
        const std::size_t left = bytes - at;
        const BYTE* record = data.get() + at;
        const std::uint32_t body = left < 4 ? 0
                                            : record[0] | record[1] << 8 | record[2] << 16 |
                                                  static_cast<std::uint32_t>(record[3]) << 24;
        if (left >= 4 && body > kMostRecordBody)
            return refuse(L"a record longer than any written", at);
        // A record that the end of the file cuts short, or a tail of
        // zeros, is a write a crash stopped: what it announced never began.
        if (left < 4 || body > left - 4 || left - 4 - body < 5 || AllZero(record, left)) {
            if (first) return refuse(L"no record of the run", at);
            break;
        }
        const BYTE* kind = record + 4;
        std::uint32_t crc = 0;
        for (int i = 0; i < 4; ++i)
            crc |= static_cast<std::uint32_t>(kind[1 + body + i]) << (8 * i);
        if (Crc(kind, 1 + body) != crc)
            return refuse(L"a record whose checksum does not match", at);
        Fields fields(kind + 1, body);
        if (!Apply(*kind, fields, run, first) || !fields.Whole())
            return refuse(L"a record that does not fit the run", at);
        at += 4 + 1 + body + 4;
    }
    run->wholeBytes = at;
    return ERROR_SUCCESS;
}

}  // namespace undo
