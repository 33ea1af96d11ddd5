#include "fs/file_identity.h"

#include <winternl.h>

namespace ufc {

bool ReadFileState(HANDLE file, FileState* state) {
    IO_STATUS_BLOCK io = {};
    FILE_NETWORK_OPEN_INFORMATION open = {};
    if (!NT_SUCCESS(
            NtQueryInformationFile(file, &io, &open, sizeof open, FileNetworkOpenInformation)))
        return false;
    state->size = static_cast<std::uint64_t>(open.EndOfFile.QuadPart);
    state->written = static_cast<std::uint64_t>(open.LastWriteTime.QuadPart);
    state->created = static_cast<std::uint64_t>(open.CreationTime.QuadPart);
    state->accessed = static_cast<std::uint64_t>(open.LastAccessTime.QuadPart);
    state->attributes = open.FileAttributes;
    // A file system without file ids says none: 0.
    FILE_INTERNAL_INFORMATION internal = {};
    state->fileId = NT_SUCCESS(NtQueryInformationFile(file, &io, &internal, sizeof internal,
                                                      FileInternalInformation))
                        ? static_cast<std::uint64_t>(internal.IndexNumber.QuadPart)
                        : 0;
    return true;
}

}  // namespace ufc
