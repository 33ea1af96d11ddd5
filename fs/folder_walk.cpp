#include "fs/folder_walk.h"

#include <cstring>

namespace ufc {

unique_hfind OpenFolderEntries(const wchar_t* prefix, WIN32_FIND_DATAW* first) {
    wchar_t pattern[kPathUnits];
    if (!JoinPath(pattern, prefix, L"*.*")) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return unique_hfind();
    }
    return unique_hfind(FindFirstFileW(pattern, first));
}

bool ChildPrefix(wchar_t (&child)[kPathUnits], const wchar_t* prefix, const wchar_t* name) {
    return JoinPath(child, prefix, name, L"\\");
}

bool IdEntries::Open(const wchar_t* prefix) {
    // The folders the find functions can list, and no others.
    wchar_t pattern[kPathUnits];
    if (!JoinPath(pattern, prefix, L"*.*")) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    folder_.reset(CreateFileW(prefix, FILE_LIST_DIRECTORY | SYNCHRONIZE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder_) return false;
    const DWORD error = listing_.Read(folder_.get(), true);
    if (error != ERROR_SUCCESS) {
        SetLastError(error == ERROR_NO_MORE_FILES ? ERROR_FILE_NOT_FOUND : error);
        return false;
    }
    at_ = listing_.First();
    if (Take(at_) || Next()) return true;
    SetLastError(end_ == ERROR_NO_MORE_FILES ? ERROR_FILE_NOT_FOUND : end_);
    return false;
}

bool IdEntries::Next() {
    for (;;) {
        at_ = FolderListing::Next(at_);
        if (!at_) {
            end_ = listing_.Read(folder_.get(), false);
            if (end_ != ERROR_SUCCESS) return false;
            at_ = listing_.First();
        }
        if (Take(at_)) return true;
    }
}

// The entry as the find functions give it; false for a name that does not
// fit their record.
bool IdEntries::Take(const FILE_ID_BOTH_DIR_INFORMATION* info) {
    const std::size_t units = info->FileNameLength / sizeof(wchar_t);
    const std::size_t shortUnits = info->ShortNameLength / sizeof(wchar_t);
    if (units >= MAX_PATH || shortUnits >= 14) return false;
    entry_.dwFileAttributes = info->FileAttributes;
    auto time = [](const LARGE_INTEGER& value) {
        return FILETIME{value.LowPart, static_cast<DWORD>(value.HighPart)};
    };
    entry_.ftCreationTime = time(info->CreationTime);
    entry_.ftLastAccessTime = time(info->LastAccessTime);
    entry_.ftLastWriteTime = time(info->LastWriteTime);
    entry_.nFileSizeHigh = static_cast<DWORD>(info->EndOfFile.QuadPart >> 32);
    entry_.nFileSizeLow = static_cast<DWORD>(info->EndOfFile.QuadPart);
    // A reparse point's tag stands where the extended attributes' size would.
    entry_.dwReserved0 = (info->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? info->EaSize : 0;
    entry_.dwReserved1 = 0;
    std::memcpy(entry_.cFileName, info->FileName, units * sizeof(wchar_t));
    entry_.cFileName[units] = 0;
    std::memcpy(entry_.cAlternateFileName, info->ShortName, shortUnits * sizeof(wchar_t));
    entry_.cAlternateFileName[shortUnits] = 0;
    entry_.fileId = static_cast<std::uint64_t>(info->FileId.QuadPart);
    return true;
}

}  // namespace ufc
