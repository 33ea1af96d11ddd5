// The journal of a held run: what the clean chose and, for every file, where
// it was, what it was and where it went. Records are written and flushed
// ahead of the moves they announce, and the marks of the moves after them,
// so that a run cut short by a crash can be completed or taken back from it.
//
// The file is a run of records, each with its length and a checksum:
//   "UFCUNDO1", then [u32 body bytes][u8 kind][body][u32 CRC-32 of kind+body]
// Numbers are little-endian; a text is a u32 count of UTF-16 units and the
// units, so any name the file system holds comes back as it was. A record
// cut short at the end is what a crash during its write leaves, and is
// dropped (what it announced was not done yet); any other flaw refuses the
// whole journal.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "fs/file_identity.h"

namespace undo {

enum class StoreKind : std::uint8_t {
    User = 1,     // the user's own store, in the profile
    Machine = 2,  // for elevated cleans of system places: administrators and SYSTEM only
};

// What became of a planned file.
enum class ItemState : std::uint8_t {
    Planned = 0,  // announced; no mark (yet) says what happened
    Held = 1,     // moved into the run's folder
    Deleted = 2,  // deleted: it could not be moved (not undoable)
    Left = 3,     // still in its place (in use, changed since the scan, unreachable)
};

struct JournalFolder {
    std::wstring path;  // as the clean named it, without a trailing backslash
    bool hasState = false;
    ufc::FileState state;  // dates and attributes before the clean
};

struct JournalItem {
    std::uint32_t folder = 0;  // index into Journal::folders
    std::wstring name;
    ufc::FileIdentity planned;  // what the scan listed
    ItemState state = ItemState::Planned;
    bool marked = false;          // a mark says what became of it
    DWORD error = ERROR_SUCCESS;  // why it was deleted or left
    ufc::FileState seen;          // what its handle showed before it went
    bool restored = false;
    std::wstring restoredAs;  // the name it got when its own was taken
    // A copy is held, not the file: it stayed to be edited in place (a
    // browser's database), and undo puts the copy back over it.
    bool copy = false;
};

struct Journal {
    std::wstring id;
    std::uint64_t started = 0;  // FILETIME ticks, UTC
    std::wstring what;          // what was chosen, as the report says it
    StoreKind kind = StoreKind::User;
    std::vector<std::wstring> roots;  // the folders the clean was anchored at
    std::vector<JournalFolder> folders;
    std::vector<JournalItem> items;  // item i is held as HeldName(i)
    bool finished = false;           // the clean ran to its end
    // How much of the file its whole records fill: what follows is a write
    // a crash cut short, cut off before anything is appended.
    std::uint64_t wholeBytes = 0;

    std::wstring PathOf(const JournalItem& item) const {
        return folders[item.folder].path + L"\\" + item.name;
    }
};

// A run's folder holds its files in folders of this many (see HeldFolders).
constexpr std::uint32_t kHeldPerFolder = 256;
// The name item index is held under: its number in hex, in the folder named
// by the hex of its number / kHeldPerFolder.
std::wstring HeldName(std::uint32_t index);
std::wstring HeldFolderName(std::uint32_t index);

constexpr wchar_t kJournalName[] = L"journal";

// Appends records to a journal file, a batch at a time.
class JournalWriter {
public:
    explicit JournalWriter(HANDLE file) : file_(file) {}
    void Start(const Journal& run);  // the magic and the run's record
    void Folder(std::uint32_t number, const std::wstring& path);
    void Item(std::uint32_t folder, const std::wstring& name, const ufc::FileIdentity& planned,
              bool copy = false);
    void Outcome(std::uint32_t index, ItemState state, DWORD error, const ufc::FileState& seen);
    void FolderState(std::uint32_t number, const ufc::FileState& state);
    void Restored(std::uint32_t index, const std::wstring& as);
    void Finished();
    // Writes what was appended and has the system put it on the disk;
    // nothing, once a record was longer than a journal may hold.
    DWORD Flush();
    bool Pending() const { return !pending_.empty(); }

private:
    void Begin(std::uint8_t kind);
    void End();
    void U8(std::uint8_t value) { pending_.push_back(value); }
    void U32(std::uint32_t value);
    void U64(std::uint64_t value);
    void Text(const std::wstring& text);

    HANDLE file_;
    std::vector<BYTE> pending_;
    std::size_t recordStart_ = 0;
    bool tooLong_ = false;  // a record longer than the reader takes
};

// Reads a whole journal file into run. ERROR_SUCCESS, or ERROR_FILE_CORRUPT
// with why saying where and what, or the read's own error.
DWORD ReadJournal(HANDLE file, Journal* run, std::wstring* why);

}  // namespace undo
