// What a scan saw of a file, so that a clean deletes that file and no other.
// Between a scan and its clean a listed file may be rewritten, or replaced
// by another file of the same name (under Wine, by a link to any file of
// the user's); the handle the delete opens must show what the scan listed.
#pragma once

#include <windows.h>

#include <cstdint>

namespace ufc {

struct FileIdentity {
    std::uint64_t size = 0;
    // Last write in FILETIME ticks; 0 when the record has no date, and then
    // its size is not known either (a record filled without reading the
    // file, or one whose file could not be read).
    std::uint64_t written = 0;
    // FileIdTag of the file id the listing gave; 0 when it gave none.
    std::uint32_t idTag = 0;
};

// A file was left: it is not what the scan listed.
constexpr DWORD kChangedSinceScan = ERROR_FILE_INVALID;

// What a handle shows of its file: size, dates (FILETIME ticks), attributes
// and id.
struct FileState {
    std::uint64_t size = 0;
    std::uint64_t written = 0;
    std::uint64_t fileId = 0;
    std::uint64_t created = 0;
    std::uint64_t accessed = 0;
    DWORD attributes = 0;
};

// Reads the state of the file held by file (opened with at least
// FILE_READ_ATTRIBUTES); false when the system does not say. Two queries of
// the file itself: nothing of its volume is asked, which under Wine costs a
// round trip to a device of its own.
bool ReadFileState(HANDLE file, FileState* state);

// A file id kept in 32 bits: both halves folded, so a record number used
// again for a new file (same low half, new sequence number in the high one)
// gives another tag. Never 0 for a real id: 0 stands for none.
inline std::uint32_t FileIdTag(std::uint64_t fileId) {
    if (fileId == 0) return 0;
    const auto tag = static_cast<std::uint32_t>(fileId ^ (fileId >> 32));
    return tag ? tag : 1;
}

// The identity a found item's record gives: its size and its last write
// (UTC, to the millisecond), and the tag of the id its listing gave.
inline FileIdentity RecordIdentity(std::uint64_t size, const SYSTEMTIME& written,
                                   std::uint32_t idTag = 0) {
    FileIdentity identity;
    identity.idTag = idTag;
    FILETIME time;
    if (written.wYear == 0 || !SystemTimeToFileTime(&written, &time)) return identity;
    identity.size = size;
    identity.written = (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return identity;
}

// Whether the file seen through a handle is the one expected: the same size
// and last write to the millisecond (records keep no finer dates), and the
// same id where the listing gave one.
inline bool SameIdentity(const FileIdentity& expected, const FileState& seen) {
    if (expected.idTag && FileIdTag(seen.fileId) != expected.idTag) return false;
    if (!expected.written) return true;
    constexpr std::uint64_t kTicksPerMillisecond = 10000;
    const bool sameSize = seen.size == expected.size;
    const bool sameWrite =
        seen.written / kTicksPerMillisecond == expected.written / kTicksPerMillisecond;
    return sameSize && sameWrite;
}

}  // namespace ufc
