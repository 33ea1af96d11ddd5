// The demo profile through both hosts: ufclean.exe and ufclean-gui.exe,
// each on a fresh copy, scan and clean it, and their reports must agree with
// each other and with what went from the disk.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <windows.h>

#include <map>
#include <regex>
#include <set>

#include "fixtures/categories.h"
#include "fixtures/demo_profile.h"
#include "fixtures/fixtures.h"
#include "fixtures/run_program.h"
#include "fs/fold.h"
#include "remote_window.h"
#include "text/format.h"

namespace {

using namespace gui;

std::string FoldedUtf8(const std::string& path) {
    return host::Utf8(ufc::Folded(host::Widen(path)));
}

// The demo profile scanned and cleaned with the default set by the console
// and by the window, each on a fresh copy: a file is one item wherever found, the clean took what
// the scan said it would and left cookies and history, and both hosts give the same figures. The
// window lists a file two rows find once, and its tree counts those rows as the console's table
// does.
TEST(GuiDemo, BothHostsScanAndCleanTheDemoProfileAlike) {
    using nlohmann::json;
    const std::wstring folder = fx::Scratch(L"gui-demo");
    struct Host {
        const wchar_t* name;
        json scan, clean;
    } hosts[] = {{L"console", {}, {}}, {L"window", {}, {}}};
    // Rows that list a file an earlier row lists too, and their tree nodes.
    const std::map<std::string, std::vector<std::wstring>> repeating = {
        {"Cache index files", {L"Browsers", L"Internet Explorer", L"Cache index files"}},
        {"Firefox caches", {L"Browsers", L"Firefox", L"Firefox caches"}},
        {"Chrome: cache", {L"Browsers", L"Chrome", L"Cache"}},
    };
    for (Host& host : hosts) {
        const std::string name = fx::Narrow(host.name);
        fx::EmptyRecycleBin();
        const std::vector<fx::SeededFile> seeded = fx::SeedDemoProfile();
        const std::wstring report = folder + L"\\" + host.name;
        std::string shown;  // the host's own words for the scan's total
        if (host.name == std::wstring(L"console")) {
            const fx::RunResult scan = fx::RunUfclean(L"scan --json \"" + report + L"-scan.json\"");
            ASSERT_EQ(scan.exitCode, 0u) << scan.err;
            shown = scan.out;
            host.scan = json::parse(fx::ReadFileText(report + L"-scan.json"));
            const fx::RunResult clean =
                fx::RunUfclean(L"clean --yes --json \"" + report + L"-clean.json\"");
            ASSERT_EQ(clean.exitCode, 0u) << clean.out << clean.err;
            host.clean = json::parse(fx::ReadFileText(report + L"-clean.json"));
        } else {
            RemoteGui gui;
            ASSERT_TRUE(gui.Start(L"--scan all --report \"" + report + L".json\""));
            ASSERT_TRUE(gui.WaitForState(kStateScanned, 120000)) << fx::Narrow(gui.Text(kIdStatus));
            host.scan = json::parse(fx::ReadFileText(report + L".json"));
            shown = fx::Narrow(gui.Text(kIdTotals));
            EXPECT_EQ(gui.RowCount(kIdItems), host.scan["total"]["count"].get<int>());
            for (const json& row : host.scan["categories"]) {
                const auto node = repeating.find(row["name"]);
                if (node == repeating.end()) continue;
                const std::uint64_t found = row["found"], bytes = row["foundBytes"];
                EXPECT_PRED_FORMAT2(testing::IsSubstring,
                                    L" (" + std::to_wstring(found) +
                                        (found == 1 ? L" item, " : L" items, ") +
                                        host::HumanSize(bytes),
                                    gui.NodeText(gui.Node(node->second)));
            }
            gui.Click(kIdClean);
            gui.AnswerMessageBox(IDYES, 20000);
            ASSERT_TRUE(gui.WaitForState(kStateCleaned, 120000)) << fx::Narrow(gui.Text(kIdStatus));
            host.clean = json::parse(fx::ReadFileText(report + L".json"));
            gui.Close();
            EXPECT_EQ(gui.WaitForExit(20000), 0u);
        }
        const json& total = host.scan["total"];
        // The host says the total it reports.
        const std::string count = std::to_string(total["count"].get<std::uint64_t>());
        const std::string size = host::Utf8(host::HumanSize(total["bytes"].get<std::uint64_t>()));
        const std::string said = hosts[0].name == host.name
                                     ? "Total +" + count + " +" + size
                                     : "Found " + count + " item\\(s\\), " + size;
        EXPECT_TRUE(std::regex_search(shown, std::regex(said))) << name << shown;
        // A file is one item wherever found.
        std::set<std::string> taken, left, repeated;
        std::map<std::string, double> sizes;
        double bytes = 0;
        for (const json& row : host.scan["categories"]) {
            for (const json& item : row["items"]) {
                const std::string path = FoldedUtf8(item["path"]);
                if (sizes.emplace(path, item["size"].get<double>()).second)
                    bytes += sizes[path];
                else
                    repeated.insert(path);
                if (row.value("number", 0) == kCategoryRecycleBin || !fx::Exists(host::Widen(path)))
                    continue;  // files of the disk only
                (item["selected"].get<bool>() ? taken : left).insert(path);
            }
        }
        auto scanned = [&](const char* key) { return total[key].get<double>(); };
        auto done = [&](const char* key) { return host.clean["total"][key].get<double>(); };
        EXPECT_EQ(scanned("count"), sizes.size()) << name;
        EXPECT_EQ(scanned("bytes"), bytes) << name;
        EXPECT_EQ(scanned("repeatedFiles"), repeated.size()) << name;
        EXPECT_FALSE(repeated.empty()) << name;
        // The clean took what the scan said it would: each file once.
        EXPECT_EQ(done("removed") + done("failed") + done("inUse") + done("changedSinceScan"),
                  scanned("wouldRemove"))
            << name;
        // What it freed now, held for undo and left is what the question said.
        EXPECT_EQ(done("bytesFreed") + done("bytesHeld") + done("bytesLeft"), scanned("wouldFree"))
            << name;
        for (const std::string& path : taken) EXPECT_FALSE(fx::Exists(host::Widen(path))) << path;
        for (const std::string& path : left)  // a repeat goes with its first listing
            EXPECT_TRUE(taken.count(path) || fx::Exists(host::Widen(path))) << path;
        // Each seeded temporary file is listed with its size; the default
        // set leaves cookies and history.
        std::size_t privacy = 0;
        for (const fx::SeededFile& file : seeded) {
            const std::string path = FoldedUtf8(host::Utf8(file.path));
            const bool temp = path.find(FoldedUtf8("\\windows\\temp\\")) != std::string::npos;
            EXPECT_TRUE(!temp || sizes[path] == file.size) << path;
            for (const char* part : {"\\cookies", "\\history", "cookies.sqlite", "formhistory"})
                if (path.find(FoldedUtf8(part)) != std::string::npos) {
                    ++privacy;
                    EXPECT_TRUE(fx::Exists(file.path)) << name << path;
                    break;
                }
        }
        EXPECT_GT(privacy, 3u) << name;
    }
    // Both hosts give the same figures, of the scan and of the clean.
    for (const char* key : {"count", "bytes", "repeatedFiles", "kept", "keptForAge", "wouldRemove",
                            "wouldFree", "removed", "failed", "inUse", "changedSinceScan",
                            "bytesFreed", "held", "bytesHeld", "bytesLeft"}) {
        EXPECT_EQ(hosts[0].scan["total"][key], hosts[1].scan["total"][key]) << key;
        EXPECT_EQ(hosts[0].clean["total"][key], hosts[1].clean["total"][key]) << key;
    }
    EXPECT_GT(hosts[1].clean["total"]["removed"].get<int>(), 0);
}

}  // namespace
