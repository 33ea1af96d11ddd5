#include "undo/held_run.h"

#include "fs/nt_folder.h"

namespace undo {

namespace {

// Marks are flushed at least this often: a crash loses the marks of fewer
// moves, which are then found by looking into the run's folder.
constexpr std::size_t kMarksPerFlush = 4096;
// The longest path the system names a file by, in UTF-16 units.
constexpr std::size_t kMostPathUnits = 32767;

// Copies the plain file name of folder to a new file heldName of into:
// its bytes, then its dates and attributes. seen gets the file's state with
// the copy's file id (what a restore finds). Nobody writes the file
// meanwhile: it is opened sharing reads only.
DWORD CopyBelow(HANDLE folder, const std::wstring& name, HANDLE into, const std::wstring& heldName,
                ufc::FileState* seen) {
    DWORD error;
    ufc::unique_handle from =
        ufc::OpenBelow(folder, name, GENERIC_READ, FILE_SHARE_READ,
                       FILE_NON_DIRECTORY_FILE | FILE_SEQUENTIAL_ONLY, &error);
    if (!from) return error;
    ufc::FileState state;
    if (!ufc::ReadFileState(from.get(), &state)) return GetLastError();
    if (state.attributes & FILE_ATTRIBUTE_REPARSE_POINT) return ufc::kLinkOnPath;
    ufc::unique_handle to =
        ufc::OpenBelow(into, heldName, GENERIC_WRITE | FILE_WRITE_ATTRIBUTES, 0,
                       FILE_NON_DIRECTORY_FILE | FILE_SEQUENTIAL_ONLY, &error, FILE_CREATE);
    if (!to) return error;
    std::vector<BYTE> buffer(1 << 20);
    std::uint64_t copied = 0;
    for (;;) {
        DWORD read = 0, written = 0;
        if (!ReadFile(from.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr))
            return GetLastError();
        if (read == 0) break;
        if (!WriteFile(to.get(), buffer.data(), read, &written, nullptr) || written != read)
            return GetLastError();
        copied += read;
    }
    if (copied != state.size) return ERROR_READ_FAULT;
    FILE_BASIC_INFO basic = {};
    basic.CreationTime.QuadPart = static_cast<LONGLONG>(state.created);
    basic.LastAccessTime.QuadPart = static_cast<LONGLONG>(state.accessed);
    basic.LastWriteTime.QuadPart = static_cast<LONGLONG>(state.written);
    basic.FileAttributes = state.attributes ? state.attributes : FILE_ATTRIBUTE_NORMAL;
    ufc::FileState held;
    if (!FlushFileBuffers(to.get()) ||
        !SetFileInformationByHandle(to.get(), FileBasicInfo, &basic, sizeof basic) ||
        !ufc::ReadFileState(to.get(), &held))
        return GetLastError();
    *seen = state;
    seen->fileId = held.fileId;
    return ERROR_SUCCESS;
}

}  // namespace

HANDLE HeldFolders::For(std::uint32_t index, bool make, DWORD* error) {
    const std::uint32_t number = index / kHeldPerFolder;
    if (number != number_ || (!folder_ && make)) {
        number_ = number;
        folder_ = ufc::OpenBelow(
            run_, HeldFolderName(index),
            FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_ADD_FILE | FILE_READ_ATTRIBUTES,
            FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_DIRECTORY_FILE, &error_,
            make ? FILE_OPEN_IF : FILE_OPEN);
    }
    *error = error_;
    return folder_.get();
}

ufc::HoldOutcome HoldItem(ufc::RootedDeleter& deleter, HeldFolders& folders, std::uint32_t index,
                          const std::wstring& path, const ufc::FileIdentity& expected,
                          ItemState* state, DWORD* error) {
    DWORD noFolder;
    const HANDLE into = folders.For(index, true, &noFolder);
    ufc::HoldOutcome outcome = deleter.HoldFile(path.c_str(), expected, into, HeldName(index));
    if (!into) outcome.moveError = noFolder;
    *state = outcome.held                     ? ItemState::Held
             : outcome.error == ERROR_SUCCESS ? ItemState::Deleted
                                              : ItemState::Left;
    *error = *state == ItemState::Deleted ? outcome.moveError : outcome.error;
    return outcome;
}

DWORD OpenJournalToAppend(HANDLE runFolder, bool create, ufc::unique_handle* file) {
    DWORD error;
    // Others may read it meanwhile, never write or delete it. A new journal
    // is only appended to; one read back may have to lose a torn tail first.
    const ACCESS_MASK access =
        FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | (create ? 0 : FILE_WRITE_DATA);
    *file = ufc::OpenBelow(runFolder, kJournalName, access, FILE_SHARE_READ,
                           FILE_NON_DIRECTORY_FILE, &error, create ? FILE_CREATE : FILE_OPEN);
    return error;
}

DWORD CutToWholeRecords(HANDLE file, std::uint64_t wholeBytes) {
    FILE_END_OF_FILE_INFO end = {};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(wholeBytes);
    if (!SetFileInformationByHandle(file, FileEndOfFileInfo, &end, sizeof end) ||
        !SetFilePointerEx(file, end.EndOfFile, nullptr, FILE_BEGIN))
        return GetLastError();
    return ERROR_SUCCESS;
}

DWORD HeldRun::Begin(const Store& store, const RunStart& start, std::unique_ptr<HeldRun>* run,
                     std::wstring* why) {
    std::unique_ptr<HeldRun> made(new HeldRun);
    made->run_.started = start.started ? start.started : NowTicks();
    made->run_.what = start.what;
    made->run_.kind = store.Kind();
    made->run_.roots = start.roots;
    DWORD error = store.MakeRunFolder(made->run_.started, &made->run_.id, &made->folder_);
    made->held_ = HeldFolders(made->folder_.get());
    if (error != ERROR_SUCCESS) {
        *why = L"the run's folder cannot be made in " + store.Path();
        return error;
    }
    error = OpenJournalToAppend(made->folder_.get(), true, &made->journalFile_);
    if (error == ERROR_SUCCESS) {
        made->writer_.reset(new JournalWriter(made->journalFile_.get()));
        made->writer_->Start(made->run_);
        error = made->writer_->Flush();
    }
    if (error != ERROR_SUCCESS) {
        *why = L"the run's journal cannot be written";
        return error;
    }
    *run = std::move(made);
    return ERROR_SUCCESS;
}

HeldRun::~HeldRun() {
    if (writer_ && writer_->Pending()) writer_->Flush();
}

DWORD HeldRun::Plan(const std::vector<PlannedFile>& files, std::uint32_t* first) {
    // A file without a folder or a name is refused before any is written,
    // and so is a path longer than the system takes: it cannot be held, and
    // its record must stay within what the journal's reader takes.
    for (const PlannedFile& file : files) {
        const std::size_t slash = file.path.find_last_of(L'\\');
        if (slash == std::wstring::npos || slash == 0 || slash + 1 == file.path.size())
            return ERROR_INVALID_NAME;
        if (file.path.size() > kMostPathUnits) return ERROR_FILENAME_EXCED_RANGE;
    }
    batchFirst_ += static_cast<std::uint32_t>(batch_.size());
    batch_.clear();
    for (const PlannedFile& file : files) {
        const std::size_t slash = file.path.find_last_of(L'\\');
        const std::wstring folder = file.path.substr(0, slash);
        if (folders_ == 0 || folder != lastFolder_) {
            writer_->Folder(folders_++, folder);
            lastFolder_ = folder;
        }
        writer_->Item(folders_ - 1, file.path.substr(slash + 1), file.expected, file.copy);
        batch_.push_back(Planned{file.path, folders_ - 1, slash + 1, file.expected});
    }
    *first = batchFirst_;
    // On the disk before any of them moves.
    const DWORD flushed = writer_->Flush();
    return flushed;
}

void HeldRun::NoteFolder(const Planned& file, ufc::RootedDeleter& deleter) {
    if (file.folder == notedFolder_) return;
    notedFolder_ = file.folder;
    ufc::FileState state;
    const std::wstring folder = file.path.substr(0, file.nameAt - 1);
    if (deleter.AtFolder(folder.c_str(), false, [&state](HANDLE held) {
            return ufc::ReadFileState(held, &state) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
        }) == ERROR_SUCCESS)
        writer_->FolderState(file.folder, state);
}

ufc::HoldOutcome HeldRun::Hold(std::uint32_t index, ufc::RootedDeleter& deleter) {
    if (index < batchFirst_ || index - batchFirst_ >= batch_.size()) {
        ufc::HoldOutcome outside;
        outside.error = ERROR_INVALID_PARAMETER;
        return outside;
    }
    const Planned& file = batch_[index - batchFirst_];
    // The folder's dates, for when a restore has to make it again.
    NoteFolder(file, deleter);
    ItemState state;
    DWORD error;
    const ufc::HoldOutcome outcome =
        HoldItem(deleter, held_, index, file.path, file.expected, &state, &error);
    writer_->Outcome(index, state, error, outcome.seen);
    if (++marks_ >= kMarksPerFlush) Commit();
    return outcome;
}

ufc::HoldOutcome HeldRun::Copy(std::uint32_t index, ufc::RootedDeleter& deleter) {
    ufc::HoldOutcome outcome;
    if (index < batchFirst_ || index - batchFirst_ >= batch_.size()) {
        outcome.error = ERROR_INVALID_PARAMETER;
        return outcome;
    }
    const Planned& file = batch_[index - batchFirst_];
    NoteFolder(file, deleter);
    const HANDLE into = held_.For(index, true, &outcome.error);
    if (into)
        outcome.error = deleter.AtFolder(file.path.substr(0, file.nameAt - 1).c_str(), false,
                                         [&](HANDLE folder) {
                                             return CopyBelow(folder, file.path.substr(file.nameAt),
                                                              into, HeldName(index), &outcome.seen);
                                         });
    outcome.held = outcome.error == ERROR_SUCCESS;
    writer_->Outcome(index, outcome.held ? ItemState::Held : ItemState::Left, outcome.error,
                     outcome.seen);
    return outcome;
}

DWORD HeldRun::Commit() {
    marks_ = 0;
    return writer_->Flush();
}

DWORD HeldRun::Finish() {
    writer_->Finished();
    return Commit();
}

}  // namespace undo
