#include "undo/restore.h"

#include <algorithm>
#include <memory>
#include <set>

#include "undo/held_run.h"
#include "undo/runs.h"
#include "fs/nt_folder.h"
#include "fs/rooted_delete.h"

namespace undo {

namespace {

constexpr unsigned kMostBeside = 1000;

std::wstring ParentOf(const std::wstring& path) {
    return path.substr(0, path.find_last_of(L'\\'));
}

DWORD SetState(HANDLE handle, const ufc::FileState& state) {
    FILE_BASIC_INFO basic = {};
    basic.CreationTime.QuadPart = static_cast<LONGLONG>(state.created);
    basic.LastAccessTime.QuadPart = static_cast<LONGLONG>(state.accessed);
    basic.LastWriteTime.QuadPart = static_cast<LONGLONG>(state.written);
    basic.FileAttributes = state.attributes ? state.attributes : FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic) ? ERROR_SUCCESS
                                                                                   : GetLastError();
}

// Moves the held file into folder under its name, or the first free name
// beside it; as gets the name used.
// A copy goes over the file it was taken from.
DWORD PlaceIn(HANDLE held, HANDLE folder, const std::wstring& name, bool over, std::wstring* as) {
    for (unsigned n = 0; n <= kMostBeside; ++n) {
        *as = n ? BesideName(name, n) : name;
        const DWORD error = ufc::MoveBelow(held, folder, *as, over);
        if (error != ERROR_ALREADY_EXISTS) return error;
    }
    return ERROR_ALREADY_EXISTS;
}

// Takes back item index of run: its held file, proved to be the file the
// clean moved, goes to its path or beside it. made gets the folders made
// again on the way.
DWORD TakeBack(const Journal& journal, HeldFolders& folders, std::uint32_t index,
               ufc::RootedDeleter& deleter, std::set<std::wstring>* made, std::wstring* as) {
    const JournalItem& item = journal.items[index];
    DWORD error;
    const HANDLE from = folders.For(index, false, &error);
    if (!from) return error;
    ufc::unique_handle held =
        ufc::OpenBelow(from, HeldName(index), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                       FILE_SHARE_READ, FILE_NON_DIRECTORY_FILE, &error);
    if (!held) return error;
    ufc::FileState now;
    if (!ufc::ReadFileState(held.get(), &now)) return ERROR_ACCESS_DENIED;
    if (now.size != item.seen.size || (item.seen.fileId && now.fileId != item.seen.fileId))
        return ufc::kChangedSinceScan;
    const std::wstring folder = journal.folders[item.folder].path;
    std::size_t madeCount = 0;
    error = deleter.AtFolder(
        folder.c_str(), true,
        [&](HANDLE into) { return PlaceIn(held.get(), into, item.name, item.copy, as); },
        &madeCount);
    for (std::wstring path = folder; madeCount > 0; --madeCount, path = ParentOf(path))
        made->insert(path);
    if (error != ERROR_SUCCESS) return error;
    // A move keeps a file's dates and attributes; they are set again in
    // case a system changed them on the way.
    SetState(held.get(), item.seen);
    return ERROR_SUCCESS;
}

// Folders made again get the dates they had before the clean, deepest
// first, now that their files are back.
void DateMadeFolders(const Journal& journal, const std::set<std::wstring>& made,
                     ufc::RootedDeleter& deleter) {
    std::vector<const JournalFolder*> dated;
    for (const JournalFolder& folder : journal.folders)
        if (folder.hasState && made.count(folder.path)) dated.push_back(&folder);
    std::sort(dated.begin(), dated.end(), [](const JournalFolder* a, const JournalFolder* b) {
        return a->path.size() > b->path.size();
    });
    for (const JournalFolder* folder : dated)
        deleter.AtFolder(folder->path.c_str(), false, [folder](HANDLE held) {
            DWORD error;
            // The same folder again, with the right to set its dates.
            ufc::unique_handle writer =
                ufc::OpenBelow(held, std::wstring(), FILE_WRITE_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               FILE_DIRECTORY_FILE, &error);
            return writer ? SetState(writer.get(), folder->state) : error;
        });
}

// A run opened to change: its journal to append to, its held folders, and
// a deleter anchored where the clean's was.
struct RunAtWork {
    StoredRun run;
    std::unique_ptr<ufc::RootedDeleter> deleter;
    std::unique_ptr<JournalWriter> writer;
    HeldFolders folders;

    DWORD Open(const Store& store, const std::wstring& id, std::wstring* why) {
        const DWORD error = OpenRun(store, id, true, &run, why);
        if (error != ERROR_SUCCESS) return error;
        deleter.reset(new ufc::RootedDeleter(run.journal.roots));
        writer.reset(new JournalWriter(run.journalFile.get()));
        folders = HeldFolders(run.folder.get());
        return ERROR_SUCCESS;
    }
    // Lets the run go, so that it can be removed.
    void Close() {
        folders = HeldFolders();
        run.journalFile.reset();
        run.folder.reset();
    }
};

}  // namespace

std::wstring BesideName(const std::wstring& name, unsigned n) {
    const std::size_t dot = name.find_last_of(L'.');
    const bool hasExtension = dot != std::wstring::npos && dot > 0 && dot + 1 < name.size();
    const std::wstring stem = hasExtension ? name.substr(0, dot) : name;
    const std::wstring tag = n > 1 ? L" (restored " + std::to_wstring(n) + L")" : L" (restored)";
    return stem + tag + (hasExtension ? name.substr(dot) : std::wstring());
}

DWORD Restore(const Store& store, const std::wstring& id, const PathFilter& only,
              RestoreResult* result, std::wstring* why) {
    RunAtWork work;
    const DWORD error = work.Open(store, id, why);
    if (error != ERROR_SUCCESS) return error;
    Journal& journal = work.run.journal;
    std::set<std::wstring> made;
    bool anyHeld = false;
    for (std::uint32_t i = 0; i < journal.items.size(); ++i) {
        JournalItem& item = journal.items[i];
        if (item.state != ItemState::Held || item.restored) continue;
        const std::wstring path = journal.PathOf(item);
        if (only && !only(path)) {
            anyHeld = true;
            continue;
        }
        std::wstring as;
        const DWORD taken = TakeBack(journal, work.folders, i, *work.deleter, &made, &as);
        if (taken != ERROR_SUCCESS) {
            result->failed.emplace_back(path, taken);
            anyHeld = true;
            continue;
        }
        item.restored = true;
        work.writer->Restored(i, as == item.name ? std::wstring() : as);
        result->bytes += item.seen.size;
        if (as == item.name)
            ++result->restored;
        else
            result->beside.emplace_back(path, as);
    }
    const DWORD flushed = work.writer->Flush();
    DateMadeFolders(journal, made, *work.deleter);
    if (anyHeld || flushed != ERROR_SUCCESS) return flushed;
    // Nothing is held any more: the run goes, its journal with it.
    work.Close();
    result->runRemoved = PurgeRun(store, id) == ERROR_SUCCESS;
    return ERROR_SUCCESS;
}

DWORD Complete(const Store& store, const std::wstring& id, CompleteResult* result,
               std::wstring* why) {
    RunAtWork work;
    const DWORD error = work.Open(store, id, why);
    if (error != ERROR_SUCCESS) return error;
    Journal& journal = work.run.journal;
    for (std::uint32_t i = 0; i < journal.items.size(); ++i) {
        JournalItem& item = journal.items[i];
        // A copy cut short: the file it copies was never changed.
        if (item.state == ItemState::Planned && item.copy)
            item.state = ItemState::Left;
        else if (item.state == ItemState::Planned)
            item.seen = HoldItem(*work.deleter, work.folders, i, journal.PathOf(item), item.planned,
                                 &item.state, &item.error)
                            .seen;
        // Files found held, and those held now, get the marks they lacked.
        if (!item.marked) work.writer->Outcome(i, item.state, item.error, item.seen);
        result->held += item.state == ItemState::Held;
        result->deleted += item.state == ItemState::Deleted;
        result->left += item.state == ItemState::Left;
    }
    work.writer->Finished();
    return work.writer->Flush();
}

}  // namespace undo
