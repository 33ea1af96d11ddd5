// The recycle bin's items as found items of category 16, read through the
// shell namespace as the shell displays them.
#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "core/wmi_init.h"
#include "core/progress.h"
#include "core/system_clean.h"
#include "scan/recycle_text.h"
#include "fs/handles.h"
#include "fs/path_text.h"

namespace {

constexpr int kColumnCount = 8;
enum Column {
    kName = 0,
    kOrigin = 1,
    kSize = 3,
    kType = 4,
    kWritten = 5,
    kCreated = 6,
    kAccessed = 7
};

// Memory the shell handed out, returned to the shell's allocator.
class ShellMemory {
public:
    ShellMemory(IMalloc* allocator, void* block) : allocator_(allocator), block_(block) {}
    ~ShellMemory() {
        if (block_) allocator_->Free(block_);
    }
    ShellMemory(const ShellMemory&) = delete;
    ShellMemory& operator=(const ShellMemory&) = delete;

private:
    IMalloc* allocator_;
    void* block_;
};

wchar_t UpperDriveLetter(wchar_t c) {
    return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

// Reads the columns in order until the shell refuses one; only wide-string
// answers are kept.
void ReadColumns(IShellFolder2* bin, IMalloc* allocator, PCUITEMID_CHILD item,
                 RecycledEntry* entry) {
    for (int column = 0; column < kColumnCount; ++column) {
        SHELLDETAILS details = {};
        if (FAILED(bin->GetDetailsOf(item, column, &details))) return;
        if (details.str.uType != STRRET_WSTR) continue;
        ShellMemory text(allocator, details.str.pOleStr);
        ufc::CopyTruncated(entry->columns[column], details.str.pOleStr);
    }
}

// Where the item came from, followed by its name.
std::wstring OriginalPath(const RecycledEntry& entry) {
    std::wstring path = entry.columns[kOrigin];
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    return path + entry.columns[kName];
}

void ReadDate(const wchar_t* text, SYSTEMTIME* date) {
    ufc::ParseDateText(text, &date->wYear, &date->wMonth, &date->wDay);
}

}  // namespace

std::uint32_t CSystemClean::ScanRecycleBin(ResultList* results, ScanTotals*, const wchar_t* drive,
                                           IScanProgress* callback) {
    ufc::WmiInit comScope;
    const bool filterByDrive = drive && drive[0];
    const wchar_t driveLetter = filterByDrive ? UpperDriveLetter(drive[0]) : 0;

    std::vector<RecycledEntry> collected;
    ufc::com_ptr<IMalloc> allocator;
    ufc::com_ptr<IShellFolder> desktop;
    ufc::com_ptr<IShellFolder2> bin;
    ufc::com_ptr<IEnumIDList> items;
    if (SUCCEEDED(SHGetMalloc(allocator.put())) && SUCCEEDED(SHGetDesktopFolder(desktop.put()))) {
        PIDLIST_ABSOLUTE binIds = nullptr;
        if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_BITBUCKET, &binIds)) && binIds) {
            ShellMemory binMemory(allocator.get(), binIds);
            if (SUCCEEDED(
                    desktop->BindToObject(binIds, nullptr, IID_IShellFolder2, bin.put_void())) &&
                bin->EnumObjects(nullptr,
                                 SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN,
                                 items.put()) == S_OK &&
                items) {
                PITEMID_CHILD item = nullptr;
                while (items->Next(1, &item, nullptr) == S_OK) {
                    RecycledEntry entry = {};
                    {
                        ShellMemory itemMemory(allocator.get(), item);
                        ReadColumns(bin.get(), allocator.get(), item, &entry);
                    }
                    item = nullptr;
                    if (filterByDrive && UpperDriveLetter(entry.columns[kOrigin][0]) != driveLetter)
                        continue;
                    const std::uint64_t taken = collected.size() + 1;
                    ufc::ReportProgress(callback, kCategoryRecycleBin, OriginalPath(entry).c_str(),
                                        ufc::WalkPercent(taken, ExpectedCount),
                                        static_cast<std::uint32_t>(taken));
                    collected.push_back(entry);
                }
            }
        }
    }
    // The host sees every report before any recycle-bin item is listed.
    if (results)
        for (const auto& entry : collected) {
            FoundItem item;
            FillRecycledItem(entry, &item);
            results->push_back(item);
        }
    return 1;
}

int CSystemClean::FillRecycledItem(const RecycledEntry& entry, FoundItem* item) {
    if (!item) return 1;
    item->selected = 1;
    item->category = kCategoryRecycleBin;
    item->icon = GetTypeIcon(entry.columns[kName], 1);
    ufc::CopyTruncated(item->name, entry.columns[kName]);
    ufc::CopyTruncated(item->folder, entry.columns[kOrigin]);
    ufc::CopyTruncated(item->typeText, entry.columns[kType]);
    ReadDate(entry.columns[kWritten], &item->written);
    ReadDate(entry.columns[kAccessed], &item->accessed);
    ReadDate(entry.columns[kCreated], &item->created);
    ufc::ParseSizeText(entry.columns[kSize], &item->size);
    return 1;
}
