#include "scan_helpers.h"

#include "fixtures/fixtures.h"

namespace scantest {

bool ReadOnlyFilesRefuseWriting() {
    std::wstring probe = fx::Scratch(L"scan-readonly-probe") + L"\\probe.txt";
    fx::MakeFile(probe, 1);
    SetFileAttributesW(probe.c_str(), FILE_ATTRIBUTE_READONLY);
    bool refused = !ufc::unique_hfile(CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr,
                                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))
                        .valid();
    SetFileAttributesW(probe.c_str(), FILE_ATTRIBUTE_NORMAL);
    return refused;
}

}  // namespace scantest
