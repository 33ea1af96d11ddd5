#include "fs/nt_folder.h"

#include <cstring>

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
                        ULONG options, DWORD* error, ULONG disposition) {
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
    const NTSTATUS status = NtCreateFile(
        &handle, access | SYNCHRONIZE, &attributes, &io, nullptr, 0, share, disposition,
        options | FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
    if (!NT_SUCCESS(status)) {
        *error = ErrorOfStatus(status);
        return unique_handle();
    }
    *error = ERROR_SUCCESS;
    return unique_handle(handle);
}

DWORD MoveBelow(HANDLE file, HANDLE folder, const std::wstring& name, bool replace) {
    // The record ends in the name; the kernel32 form of this call takes the
    // name as a path of its own (under Wine), so the native one is used.
    const std::size_t bytes = name.size() * sizeof(wchar_t);
    if (name.empty() || bytes > 65535) return ERROR_INVALID_NAME;
    std::unique_ptr<BYTE[]> buffer(new BYTE[sizeof(FILE_RENAME_INFORMATION) + bytes]());
    auto* rename = reinterpret_cast<FILE_RENAME_INFORMATION*>(buffer.get());
    rename->ReplaceIfExists = replace ? TRUE : FALSE;
    rename->RootDirectory = folder;
    rename->FileNameLength = static_cast<ULONG>(bytes);
    std::memcpy(rename->FileName, name.data(), bytes);
    IO_STATUS_BLOCK io = {};
    const NTSTATUS status = NtSetInformationFile(
        file, &io, rename, static_cast<ULONG>(sizeof *rename + bytes), FileRenameInformation);
    return NT_SUCCESS(status) ? ERROR_SUCCESS : ErrorOfStatus(status);
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
