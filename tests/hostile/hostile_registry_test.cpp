// Registry data a cleaner must survive: values of the wrong type, text data
// without a terminator that fills a read buffer exactly, data longer than
// every buffer, 16,383-unit value names and thousands of values, under every
// key the module reads. (SharedDlls' names too long for their buffer and its
// data too short for a count are read in the privacy tests' StaleReferences.)
#include <gtest/gtest.h>

#include "core/system_clean.h"
#include "fixtures/fixtures.h"
#include "hostile.h"
#include "scan/file_helpers.h"

namespace {

// Text bytes without a terminator, stored as REG_SZ.
std::vector<BYTE> Unterminated(std::size_t units, wchar_t fill) {
    const std::wstring text(units, fill);
    const BYTE* bytes = reinterpret_cast<const BYTE*>(text.data());
    return std::vector<BYTE>(bytes, bytes + units * 2);
}

// The hostile values of one key; returns how many of them a reader with the
// given buffers can read (the others it must pass over).
std::size_t PlantHostileValues(HKEY root, const std::wstring& key, std::size_t dataBytes,
                               std::size_t manyValues) {
    fx::DeleteKey(root, key);
    fx::SetString(root, key, L"plain", L"http://plain.example/");
    fx::SetDword(root, key, L"dword", 5);
    // One unit short of the buffer, and exactly the buffer (which Wine's
    // RegEnumValueW refuses for a string without room for a terminator).
    fx::SetBinary(root, key, L"fills", Unterminated(dataBytes / 2 - 1, L'A'), REG_SZ);
    fx::SetBinary(root, key, L"exact", Unterminated(dataBytes / 2, L'X'), REG_SZ);
    fx::SetBinary(root, key, L"toolong", Unterminated(dataBytes * 4, L'B'), REG_SZ);
    fx::SetBinary(root, key, L"empty", {0, 0}, REG_MULTI_SZ);
    fx::SetString(root, key, std::wstring(16383, L'n'), L"long name");
    for (std::size_t i = 0; i < manyValues; ++i)
        fx::SetString(root, key, L"v" + std::to_wstring(i), L"value " + std::to_wstring(i));
    return 4 + manyValues;  // plain, dword, fills, empty and the many; maybe exact
}

TEST(HostileRegistry, TypedAddressesAndRunCommandsSurviveHostileValues) {
    const struct {
        int category;
        const wchar_t* key;
        std::size_t dataBytes;
    } lists[] = {
        {4, L"Software\\Microsoft\\Internet Explorer\\TypedURLs", 2048},
        {8, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU", 1024},
    };
    for (const auto& list : lists) {
        std::size_t readable =
            PlantHostileValues(HKEY_CURRENT_USER, list.key, list.dataBytes, 3000);
        hostile::Cleaner c;
        ResultList results;
        ScanTotals totals;
        fx::Recorder recorder;
        EXPECT_EQ(c->GetUnusedFile(list.category, &results, &totals, &recorder), 1u);
        bool exact = false;
        const FoundItem* fills = nullptr;
        for (const auto& item : results) {
            ASSERT_LT(wcsnlen(item.name, kTextUnits), kTextUnits);
            ASSERT_LT(wcsnlen(item.folder, kTextUnits), kTextUnits);
            const std::wstring folder = item.folder;
            exact = exact || folder.find(L"\\exact") != std::wstring::npos;
            if (folder.find(L"\\fills") != std::wstring::npos) fills = &item;
        }
        EXPECT_EQ(results.size(), readable + exact) << list.category;
        EXPECT_EQ(totals.count, results.size());
        // A text that fills the buffer without a terminator is cut to 259.
        ASSERT_NE(fills, nullptr);
        EXPECT_EQ(std::wstring(fills->name), std::wstring(259, L'A'));

        CleanTotals clean;
        EXPECT_EQ(c->CleanUnusedFile(list.category, results, &clean, nullptr), 1u);
        EXPECT_EQ(clean.removed, results.size());
        EXPECT_EQ(clean.failed, 0u);
        // What could not be read was not listed and so stays.
        EXPECT_TRUE(fx::ValueExists(HKEY_CURRENT_USER, list.key, L"toolong"));
        EXPECT_FALSE(fx::ValueExists(HKEY_CURRENT_USER, list.key, L"fills"));
        fx::DeleteKey(HKEY_CURRENT_USER, list.key);
        hostile::casesTried += 2;
    }
}

TEST(HostileRegistry, StaleReferenceScansAndFileTypeNamesStayInsideTheirBuffers) {
    CSystemClean cleaner;
    const std::wstring mui = L"Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache";
    PlantHostileValues(HKEY_CURRENT_USER, mui, 1024, 5000);
    NameMap names;
    EXPECT_EQ(cleaner.ScanMuiCache(&names), 1);
    EXPECT_GT(names.size(), 0u);
    EXPECT_LE(names.size(), 4097u);  // index 0 to 4096 at most
    for (const auto& [name, text] : names) {
        EXPECT_LT(name.size(), 1024u);
        EXPECT_LE(text.size(), 512u);
    }
    fx::DeleteKey(HKEY_CURRENT_USER, mui);

    const std::wstring appPaths = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
    const std::wstring fills = appPaths + L"\\hostile-fills.exe";
    fx::SetBinary(HKEY_LOCAL_MACHINE, fills, L"", Unterminated(1023, L'P'), REG_SZ);
    fx::SetDword(HKEY_LOCAL_MACHINE, appPaths + L"\\hostile-dword.exe", L"", 7);
    fx::SetBinary(HKEY_LOCAL_MACHINE, appPaths + L"\\hostile-long.exe", L"",
                  Unterminated(5000, L'L'), REG_SZ);
    names.clear();
    EXPECT_EQ(cleaner.ScanAppPaths(&names), 1);
    ASSERT_EQ(names.count(L"hostile-fills.exe"), 1u);
    EXPECT_LE(names[L"hostile-fills.exe"].size(), 1024u);
    EXPECT_EQ(names.count(L"hostile-long.exe"), 0u);  // larger than the buffer
    for (const auto* sub : {L"\\hostile-fills.exe", L"\\hostile-dword.exe", L"\\hostile-long.exe"})
        fx::DeleteKey(HKEY_LOCAL_MACHINE, appPaths + sub);
    hostile::casesTried += 2;

    fx::SetBinary(HKEY_CLASSES_ROOT, L".hostileext", L"", Unterminated(260, L'c'), REG_SZ);
    fx::SetString(HKEY_CLASSES_ROOT, L".hostilecls", L"", L"hostileclass");
    fx::SetBinary(HKEY_CLASSES_ROOT, L"hostileclass", L"", Unterminated(260, L'E'), REG_SZ);
    fx::SetDword(HKEY_CLASSES_ROOT, L".hostiledw", L"", 0x41414141);
    for (const auto* extension : {L".hostileext", L".hostilecls", L".hostiledw"}) {
        std::vector<wchar_t> out(300, L'#');
        DWORD result = ufc::GetFileTypeName(extension, 260, out.data());
        EXPECT_TRUE(result == 0 || result == ERROR_MORE_DATA);
        EXPECT_LT(wcsnlen(out.data(), 300), 260u) << fx::Narrow(extension);
        EXPECT_EQ(out[299], L'#');  // nothing written past the capacity
        ++hostile::casesTried;
    }
    for (const auto* key : {L".hostileext", L".hostilecls", L".hostiledw", L"hostileclass"})
        fx::DeleteKey(HKEY_CLASSES_ROOT, key);
}

}  // namespace
