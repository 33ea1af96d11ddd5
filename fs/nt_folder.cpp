#include "fs/nt_folder.h"

extern "C" NTSTATUS NTAPI NtQueryDirectoryFile(HANDLE file, HANDLE event, PVOID apcRoutine,
                                               PVOID apcContext, PIO_STATUS_BLOCK io, PVOID buffer,
                                               ULONG length, FILE_INFORMATION_CLASS infoClass,
                                               BOOLEAN singleEntry, PUNICODE_STRING mask,
                                               BOOLEAN restartScan);

namespace ufc {

namespace {

constexpr NTSTATUS kStatusNoMoreFiles = static_cast<NTSTATUS>(0x80000006);
constexpr NTSTATUS kStatusNoSuchFile = static_cast<NTSTATUS>(0xC000000F);
constexpr NTSTATUS kStatusFileIsADirectory = static_cast<NTSTATUS>(0xC00000BA);

}  // namespace

DWORD ErrorOfStatus(NTSTATUS status) {
    if (status == kStatusFileIsADirectory) return ERROR_DIRECTORY;
    const ULONG error = RtlNtStatusToDosError(status);
    return error ? error : ERROR_GEN_FAILURE;
}

unique_handle OpenBelow(HANDLE parent, const std::wstring& name, ACCESS_MASK access, ULONG share,
                        ULONG options, DWORD* error) {
    if (name.size() > 32767) {
        *error = ERROR_FILENAME_EXCED_RANGE;
        return unique_handle();
    }
    UNICODE_STRING text;
    text.Buffer = const_cast<wchar_t*>(name.c_str());
    text.Length = text.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, parent, nullptr);
    IO_STATUS_BLOCK io = {};
    HANDLE handle = nullptr;
    const NTSTATUS status =
        NtCreateFile(&handle, access | SYNCHRONIZE, &attributes, &io, nullptr, 0, share, FILE_OPEN,
                     options | FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
    if (!NT_SUCCESS(status)) {
        *error = ErrorOfStatus(status);
        return unique_handle();
    }
    *error = ERROR_SUCCESS;
    return unique_handle(handle);
}

// Not zeroed: every entry read is written by the system first.
FolderListing::FolderListing() : buffer_(new BYTE[kBytes]) {}

DWORD FolderListing::Read(HANDLE folder, bool restart, const std::wstring* mask) {
    UNICODE_STRING text;
    if (mask) {
        text.Buffer = const_cast<wchar_t*>(mask->c_str());
        text.Length = text.MaximumLength = static_cast<USHORT>(mask->size() * sizeof(wchar_t));
    }
    IO_STATUS_BLOCK io = {};
    const NTSTATUS status =
        NtQueryDirectoryFile(folder, nullptr, nullptr, nullptr, &io, buffer_.get(),
                             static_cast<ULONG>(kBytes), FileIdBothDirectoryInformation,
                             mask ? TRUE : FALSE, mask ? &text : nullptr, restart ? TRUE : FALSE);
    if (status == kStatusNoMoreFiles || status == kStatusNoSuchFile) return ERROR_NO_MORE_FILES;
    return NT_SUCCESS(status) ? ERROR_SUCCESS : ErrorOfStatus(status);
}

const FILE_ID_BOTH_DIR_INFORMATION* FolderListing::First() const {
    return reinterpret_cast<const FILE_ID_BOTH_DIR_INFORMATION*>(buffer_.get());
}

const FILE_ID_BOTH_DIR_INFORMATION* FolderListing::Next(const FILE_ID_BOTH_DIR_INFORMATION* entry) {
    if (entry->NextEntryOffset == 0) return nullptr;
    return reinterpret_cast<const FILE_ID_BOTH_DIR_INFORMATION*>(
        reinterpret_cast<const BYTE*>(entry) + entry->NextEntryOffset);
}

}  // namespace ufc
