#include "util/file_identity.h"

#include <winternl.h>

namespace ufc {

bool ReadFileState(HANDLE file, FileState* state) {
    IO_STATUS_BLOCK io = {};
    FILE_NETWORK_OPEN_INFORMATION open = {};
    FILE_INTERNAL_INFORMATION internal = {};
    if (!NT_SUCCESS(
            NtQueryInformationFile(file, &io, &open, sizeof open, FileNetworkOpenInformation)) ||
        !NT_SUCCESS(
            NtQueryInformationFile(file, &io, &internal, sizeof internal, FileInternalInformation)))
        return false;
    state->size = static_cast<std::uint64_t>(open.EndOfFile.QuadPart);
    state->written = static_cast<std::uint64_t>(open.LastWriteTime.QuadPart);
    state->fileId = static_cast<std::uint64_t>(internal.IndexNumber.QuadPart);
    return true;
}

}  // namespace ufc
