#include "util/drives.h"

#include "util/log_client.h"

namespace ufc {

namespace {

constexpr char kRoutine[] = "GetLocalDriverList";
constexpr char kSource[] = ".\\GetLogicalDrivers";

void Log(int line, const char* message) {
    LogWrite(kRoutine, kSource, line, message);
}

// A listing failure is shown without owner window or caption; the log is
// closed on the way out.
int Fail(const wchar_t* text) {
    MessageBoxW(nullptr, text, nullptr, MB_OK);
    LogClose();
    return 0;
}

}  // namespace

int GetLocalDriverList(std::vector<LocalDriveRecord>* drives) {
    // The log's result is not examined: a log that cannot open writes nothing.
    LogOpen("Get local driver list.txt");
    Log(14, "\r\nStart logging -- (get local driver list)\r\n\r\n");

    DWORD mask = GetLogicalDrives();
    if (mask == 0) {
        MessageBoxW(nullptr, L"GetLogicalDrives failed", nullptr, MB_OK);
        Log(20, "\r\n GetLogicalDrives failed\r\n");
        LogClose();
        return 0;
    }
    Log(26, "\r\n GetLogicalDrives succeed\r\n");

    for (int bit = 0; bit < 32; ++bit) {
        if (!(mask & (1u << bit))) continue;
        const wchar_t letter = static_cast<wchar_t>(L'A' + bit);
        const wchar_t drive[] = {letter, L':', 0};
        const wchar_t root[] = {letter, L':', L'\\', 0};
        if (GetDriveTypeW(drive) != DRIVE_FIXED) continue;

        LocalDriveRecord record = {};
        if (!GetVolumeInformationW(root, record.label, 260, nullptr, nullptr, nullptr, nullptr, 0))
            return Fail(L"Get Volume Information failed");
        record.label[259] = 0;

        ULARGE_INTEGER freeToCaller, total, totalFree;
        if (!GetDiskFreeSpaceExW(drive, &freeToCaller, &total, &totalFree))
            return Fail(L"Get Disk Free Space failed");
        record.freeToCaller = freeToCaller.QuadPart;
        record.totalBytes = total.QuadPart;
        record.totalFree = totalFree.QuadPart;
        record.root[0] = letter;
        record.root[1] = L':';
        drives->push_back(record);
    }
    LogClose();
    return 1;
}

}  // namespace ufc
