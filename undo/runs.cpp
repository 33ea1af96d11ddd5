#include "undo/runs.h"

#include <algorithm>
#include <unordered_map>

#include "undo/held_run.h"
#include "fs/nt_folder.h"
#include "fs/rooted_delete.h"

namespace undo {

namespace {

// The files of a run's folder by name, as its listing shows them.
std::unordered_map<std::wstring, ufc::FileState> ListFolder(HANDLE folder) {
    std::unordered_map<std::wstring, ufc::FileState> files;
    ufc::FolderListing listing;
    for (bool first = true; listing.Read(folder, first) == ERROR_SUCCESS; first = false) {
        for (auto* entry = listing.First(); entry; entry = ufc::FolderListing::Next(entry)) {
            if (entry->FileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            ufc::FileState state;
            state.size = static_cast<std::uint64_t>(entry->EndOfFile.QuadPart);
            state.written = static_cast<std::uint64_t>(entry->LastWriteTime.QuadPart);
            state.created = static_cast<std::uint64_t>(entry->CreationTime.QuadPart);
            state.accessed = static_cast<std::uint64_t>(entry->LastAccessTime.QuadPart);
            state.fileId = static_cast<std::uint64_t>(entry->FileId.QuadPart);
            state.attributes = entry->FileAttributes;
            files.emplace(std::wstring(entry->FileName, entry->FileNameLength / sizeof(wchar_t)),
                          state);
        }
    }
    return files;
}

// Files announced without a mark: held when the run's folder has them.
void FindUnmarked(HANDLE folder, Journal* journal) {
    HeldFolders held(folder);
    std::unordered_map<std::wstring, ufc::FileState> present;
    std::uint32_t listed = UINT32_MAX;
    for (std::uint32_t i = 0; i < journal->items.size(); ++i) {
        JournalItem& item = journal->items[i];
        // A copy without its mark may be cut short: the file it copies was
        // never changed.
        if (item.state != ItemState::Planned || item.copy) continue;
        if (i / kHeldPerFolder != listed) {
            listed = i / kHeldPerFolder;
            DWORD error;
            const HANDLE files = held.For(i, false, &error);
            present = files ? ListFolder(files) : decltype(present)();
        }
        const auto found = present.find(HeldName(i));
        if (found == present.end()) continue;
        const bool sameSize = !item.planned.written || found->second.size == item.planned.size;
        const bool sameId =
            !item.planned.idTag || ufc::FileIdTag(found->second.fileId) == item.planned.idTag;
        if (!sameSize || !sameId) continue;
        item.state = ItemState::Held;
        item.seen = found->second;
    }
}

std::uint64_t HeldBytes(const Journal& journal, std::uint64_t* files) {
    std::uint64_t bytes = 0;
    for (const JournalItem& item : journal.items) {
        if (item.state != ItemState::Held || item.restored) continue;
        ++*files;
        bytes += item.seen.size;
    }
    return bytes;
}

}  // namespace

DWORD OpenRun(const Store& store, const std::wstring& id, bool append, StoredRun* run,
              std::wstring* why) {
    DWORD error = store.OpenRunFolder(id, &run->folder);
    if (error != ERROR_SUCCESS) {
        *why = L"run " + id + L" is not in " + store.Path();
        return error;
    }
    // One writer at a time: a clean or restore of the run holds it alone.
    if (append && (error = OpenJournalToAppend(run->folder.get(), false, &run->journalFile)) !=
                      ERROR_SUCCESS) {
        *why = L"the journal of run " + id + L" is in use or missing";
        return error;
    }
    ufc::unique_handle reader =
        ufc::OpenBelow(run->folder.get(), kJournalName, FILE_READ_DATA | FILE_READ_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_NON_DIRECTORY_FILE, &error);
    std::wstring flaw;
    if (reader) error = ReadJournal(reader.get(), &run->journal, &flaw);
    if (error == ERROR_SUCCESS && run->journal.id != id) {
        flaw = L"it names run " + run->journal.id;
        error = ERROR_FILE_CORRUPT;
    }
    if (error != ERROR_SUCCESS) {
        *why = L"the journal of run " + id +
               (error == ERROR_FILE_CORRUPT ? L" is damaged: " + flaw : L" cannot be read");
        return error;
    }
    if (append && (error = CutToWholeRecords(run->journalFile.get(), run->journal.wholeBytes)) !=
                      ERROR_SUCCESS) {
        *why = L"the journal of run " + id + L" cannot be appended to";
        return error;
    }
    if (!run->journal.finished) FindUnmarked(run->folder.get(), &run->journal);
    return ERROR_SUCCESS;
}

DWORD ListRuns(const Store& store, std::uint32_t keepDays, std::vector<RunSummary>* runs) {
    runs->clear();
    ufc::FolderListing listing;
    std::vector<std::wstring> ids;
    DWORD error = ERROR_SUCCESS;
    for (bool first = true; (error = listing.Read(store.Folder(), first)) == ERROR_SUCCESS;
         first = false) {
        for (auto* entry = listing.First(); entry; entry = ufc::FolderListing::Next(entry)) {
            std::wstring name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
            if ((entry->FileAttributes & FILE_ATTRIBUTE_DIRECTORY) && TicksOfRunId(name))
                ids.push_back(std::move(name));
        }
    }
    if (error != ERROR_NO_MORE_FILES) return error;
    for (const std::wstring& id : ids) {
        RunSummary summary;
        summary.id = id;
        StoredRun run;
        if (OpenRun(store, id, false, &run, &summary.damage) == ERROR_SUCCESS) {
            summary.damage.clear();
            summary.started = run.journal.started;
            summary.what = run.journal.what;
            summary.finished = run.journal.finished;
            summary.bytes = HeldBytes(run.journal, &summary.files);
        } else {
            summary.started = TicksOfRunId(id);
        }
        summary.until = summary.started + keepDays * kTicksPerDay;
        runs->push_back(std::move(summary));
    }
    std::sort(runs->begin(), runs->end(), [](const RunSummary& a, const RunSummary& b) {
        return a.started != b.started ? a.started < b.started : a.id < b.id;
    });
    return ERROR_SUCCESS;
}

DWORD PurgeRun(const Store& store, const std::wstring& id) {
    {
        ufc::unique_handle folder;
        DWORD error = store.OpenRunFolder(id, &folder);
        if (error != ERROR_SUCCESS) return error;
        // Opened alone: a clean or restore that has it open keeps its run.
        ufc::unique_handle journal =
            ufc::OpenBelow(folder.get(), kJournalName, DELETE | FILE_READ_ATTRIBUTES, 0,
                           FILE_NON_DIRECTORY_FILE, &error);
        if (!journal && error != ERROR_FILE_NOT_FOUND) return error;
        FILE_DISPOSITION_INFO gone = {TRUE};
        if (journal &&
            !SetFileInformationByHandle(journal.get(), FileDispositionInfo, &gone, sizeof gone))
            return GetLastError();
    }
    const std::wstring path = store.Path() + L"\\" + id;
    const DWORD error = ufc::RootedDeleter({store.Path()}).EmptyFolder(path.c_str(), true);
    if (error != ERROR_SUCCESS) return error;
    ufc::unique_handle left;
    return store.OpenRunFolder(id, &left) == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS
                                                                  : ERROR_DIR_NOT_EMPTY;
}

DWORD MeasureSpace(const Store& store, VolumeSpace* space) {
    ULARGE_INTEGER free, total;
    if (!GetDiskFreeSpaceExW(store.Path().c_str(), &free, &total, nullptr)) return GetLastError();
    space->free = free.QuadPart;
    space->total = total.QuadPart;
    return ERROR_SUCCESS;
}

void Purge(const Store& store, const PurgePolicy& policy, const VolumeSpace& space,
           PurgeResult* result) {
    std::vector<RunSummary> runs;
    if (ListRuns(store, policy.keepDays, &runs) != ERROR_SUCCESS) return;
    std::vector<const RunSummary*> kept;
    for (const RunSummary& run : runs) {
        if (run.until > policy.now) {
            kept.push_back(&run);
        } else if (PurgeRun(store, run.id) == ERROR_SUCCESS) {
            result->expired.push_back(run.id);
            result->bytes += run.bytes;
        }
    }
    const std::uint64_t wanted = space.total / 100 * policy.minFreePercent;
    for (const RunSummary* run : kept) {
        if (space.free + result->bytes >= wanted) break;
        if (PurgeRun(store, run->id) != ERROR_SUCCESS) continue;
        result->forSpace.push_back(run->id);
        result->bytes += run->bytes;
    }
}

}  // namespace undo
