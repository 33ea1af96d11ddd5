// Held cleans and their undo, on real files of the test prefix: what a held
// clean takes comes back byte for byte with its dates and attributes, a run
// cut short is completed or taken back from its journal, runs expire and
// give way to free space oldest first, and a restore never writes through a
// link put in a file's way.
#include <gtest/gtest.h>

#include <map>
#include <tuple>

#include "fixtures/fixtures.h"
#include "fixtures/held_clean.h"
#include "undo/held_run.h"
#include "undo/restore.h"
#include "undo/runs.h"

namespace {

constexpr std::uint64_t kHour = 36000000000ull;

// A file's or folder's dates (created, last access, last write) and attributes.
using Dated = std::tuple<std::uint64_t, std::uint64_t, std::uint64_t, DWORD>;

std::wstring Long(const std::wstring& path) {
    return L"\\\\?\\" + path;  // names ending in a dot stay as they are
}

Dated DatesOf(const std::wstring& path) {
    ufc::unique_hfile file(CreateFileW(Long(path).c_str(), FILE_READ_ATTRIBUTES, 7, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ufc::FileState state;
    if (!file || !ufc::ReadFileState(file.get(), &state)) return {};
    return {state.created, state.accessed, state.written, state.attributes};
}

// Dates the file or folder at path `hours` back (created, written and read
// an hour apart each) and sets its attributes; returns what it shows.
Dated Date(const std::wstring& path, std::uint64_t hours, DWORD attributes) {
    const std::uint64_t now = undo::NowTicks();
    FILE_BASIC_INFO basic = {};
    basic.CreationTime.QuadPart = static_cast<LONGLONG>(now - (hours + 2) * kHour);
    basic.LastWriteTime.QuadPart = static_cast<LONGLONG>(now - (hours + 1) * kHour);
    basic.LastAccessTime.QuadPart = static_cast<LONGLONG>(now - hours * kHour);
    basic.FileAttributes = attributes;
    ufc::unique_hfile file(CreateFileW(Long(path).c_str(), FILE_WRITE_ATTRIBUTES, 7, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    EXPECT_TRUE(file &&
                SetFileInformationByHandle(file.get(), FileBasicInfo, &basic, sizeof basic));
    return DatesOf(path);
}

undo::Store OpenedStore(const std::wstring& name) {
    undo::Store store;
    std::wstring why;
    EXPECT_EQ(store.Open(fx::Scratch(L"undo\\" + name) + L"\\undo", undo::StoreKind::User, &why),
              0u)
        << fx::Narrow(why);
    return store;
}

TEST(Undo, AHeldCleanAndItsUndoRestoreEveryByteDateAndAttribute) {
    const undo::Store store = OpenedStore(L"whole");
    const std::wstring root = fx::Scratch(L"undo\\whole-files");
    struct Row {
        const wchar_t* path;  // below root
        DWORD attributes;
        int taken;     // files that took its name (and its first beside name) after the clean
        bool inUse;    // held open without delete sharing: stays
        bool blocked;  // its place in the store is taken: deleted, not undoable
        const wchar_t* restoredAs;
        bool copy;  // a copy is held, the file stays and is rewritten after
    } rows[] = {
        {L"plain.txt", FILE_ATTRIBUTE_ARCHIVE, 0, false, false, L"plain.txt", false},
        {L"read-only.log", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE,
         0, false, false, L"read-only.log", false},
        {L"trailing dot.", FILE_ATTRIBUTE_ARCHIVE, 0, false, false, L"trailing dot.", false},
        {L"a\\b\\c\\deep.tmp", FILE_ATTRIBUTE_ARCHIVE, 0, false, false, L"deep.tmp", false},
        {L"taken.txt", FILE_ATTRIBUTE_ARCHIVE, 1, false, false, L"taken (restored).txt", false},
        {L"twice.txt", FILE_ATTRIBUTE_ARCHIVE, 2, false, false, L"twice (restored 2).txt", false},
        {L"in use.txt", FILE_ATTRIBUTE_ARCHIVE, 0, true, false, L"in use.txt", false},
        {L"not undoable.txt", FILE_ATTRIBUTE_ARCHIVE, 0, false, true, nullptr, false},
        {L"edited.sqlite", FILE_ATTRIBUTE_ARCHIVE, 0, false, false, L"edited.sqlite", true},
    };
    std::vector<std::wstring> paths;
    std::vector<Dated> before;
    std::vector<ufc::unique_hfile> users;
    std::vector<bool> copies;
    for (const Row& row : rows) {
        copies.push_back(row.copy);
        paths.push_back(root + L"\\" + row.path);
        fx::MakeFileWithText(Long(paths.back()), "bytes of " + fx::Narrow(row.path));
        before.push_back(Date(paths.back(), 50 + paths.size(), row.attributes));
        if (row.inUse) users.push_back(fx::HoldOpen(paths.back(), FILE_SHARE_READ));
    }
    const Dated deepFolder = Date(root + L"\\a\\b\\c", 90, 0);
    std::vector<ufc::HoldOutcome> outcomes;
    const std::wstring id = fx::HeldClean(
        store, {L"test clean", {root}}, paths, &outcomes,
        [&](const std::wstring& run) {
            for (std::uint32_t i = 0; i < std::size(rows); ++i)
                if (rows[i].blocked)
                    fx::MakeFile(run + L"\\" + undo::HeldFolderName(i) + L"\\" + undo::HeldName(i));
        },
        copies);
    // As a rule's clean does, the folders it emptied go.
    ufc::RootedDeleter deleter({root});
    for (const wchar_t* folder : {L"\\a\\b\\c", L"\\a\\b", L"\\a"})
        EXPECT_EQ(deleter.RemoveFolder((root + folder).c_str()), 0u);
    for (std::size_t i = 0; i < paths.size(); ++i) {
        EXPECT_EQ(outcomes[i].held, !rows[i].inUse && !rows[i].blocked) << fx::Narrow(paths[i]);
        EXPECT_EQ(outcomes[i].moveError, rows[i].blocked ? DWORD{ERROR_ALREADY_EXISTS} : 0u);
        EXPECT_EQ(fx::Exists(Long(paths[i])), rows[i].inUse || rows[i].copy)
            << fx::Narrow(paths[i]);
        // The edit the copy was held for.
        if (rows[i].copy) fx::MakeFileWithText(Long(paths[i]), "edited in place");
        for (int t = 0; t < rows[i].taken; ++t) {
            const std::wstring name = t ? undo::BesideName(rows[i].path, t) : rows[i].path;
            fx::MakeFileWithText(root + L"\\" + name, "a newcomer");
        }
    }
    users.clear();
    std::vector<undo::RunSummary> runs;
    ASSERT_EQ(undo::ListRuns(store, 7, &runs), 0u);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].files, paths.size() - 2);
    EXPECT_TRUE(runs[0].finished);

    // A part first: only the read-only file; the run keeps the rest.
    undo::RestoreResult part, rest;
    std::wstring why;
    ASSERT_EQ(undo::Restore(
                  store, id,
                  [](const std::wstring& path) { return path.find(L"read-only") != path.npos; },
                  &part, &why),
              0u);
    EXPECT_EQ(part.restored, 1u);
    EXPECT_FALSE(part.runRemoved);
    ASSERT_EQ(undo::Restore(store, id, nullptr, &rest, &why), 0u);
    EXPECT_EQ(rest.restored, 4u);
    EXPECT_EQ(rest.beside.size(), 2u);
    EXPECT_TRUE(rest.failed.empty());
    EXPECT_TRUE(rest.runRemoved);
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (!rows[i].restoredAs) {
            EXPECT_FALSE(fx::Exists(paths[i]));
            continue;
        }
        const std::wstring at = paths[i].substr(0, paths[i].rfind(L'\\') + 1) + rows[i].restoredAs;
        // Dates first: reading a file may date its last access.
        EXPECT_EQ(DatesOf(at), before[i]) << fx::Narrow(at);
        EXPECT_EQ(fx::ReadFileText(Long(at)), "bytes of " + fx::Narrow(rows[i].path));
        if (rows[i].taken) {
            EXPECT_EQ(fx::ReadFileText(paths[i]), "a newcomer");
        }
    }
    EXPECT_EQ(std::get<2>(DatesOf(root + L"\\a\\b\\c")), std::get<2>(deepFolder));
    ASSERT_EQ(undo::ListRuns(store, 7, &runs), 0u);
    EXPECT_TRUE(runs.empty());
}

// A crash after half the moves: the journal as it was flushed ahead of
// them, the marks never written. 520 files fill three held folders.
TEST(Undo, ARunCutShortIsCompletedOrTakenBackFromItsJournal) {
    enum What { kComplete, kTakeBack, kDamaged, kDamagedLength };
    for (What what : {kComplete, kTakeBack, kDamaged, kDamagedLength}) {
        SCOPED_TRACE(what);
        const bool damaged = what == kDamaged || what == kDamagedLength;
        const undo::Store store = OpenedStore(L"crash");
        const std::wstring root = fx::Scratch(L"undo\\crash-files");
        std::vector<std::wstring> paths;
        for (int i = 0; i < 520; ++i) {
            paths.push_back(root + L"\\f" + std::to_wstring(i) + L".tmp");
            fx::MakeFile(paths.back(), i);
        }
        std::unique_ptr<undo::HeldRun> run;
        std::wstring why;
        ASSERT_EQ(undo::HeldRun::Begin(store, {L"cut short", {root}, 0}, &run, &why), 0u);
        std::vector<undo::PlannedFile> planned;
        for (const std::wstring& path : paths) planned.push_back(fx::Listed(path));
        // The last is a copy held before an edit, as a clean plans it: its
        // copy was cut short, so the file it copies was never changed.
        planned.back() = {paths.back(), {}, true};
        std::uint32_t first = 0;
        // A path no file can have is refused before anything is written.
        EXPECT_EQ(run->Plan({{root + L"\\" + std::wstring(32767, L'a'), {}}}, &first),
                  DWORD{ERROR_FILENAME_EXCED_RANGE});
        ASSERT_EQ(run->Plan(planned, &first), 0u);
        const std::wstring journal = store.Path() + L"\\" + run->Id() + L"\\journal";
        std::string flushed = fx::ReadFileText(journal);
        ufc::RootedDeleter deleter({root});
        for (std::uint32_t i = 0; i < 260; ++i) EXPECT_TRUE(run->Hold(first + i, deleter).held);
        const std::wstring id = run->Id();
        const std::wstring partCopy = store.Path() + L"\\" + id + L"\\" +
                                      undo::HeldFolderName(519) + L"\\" + undo::HeldName(519);
        fx::MakeFile(partCopy, 7);
        run.reset();
        // The last whole record: a flipped bit high in its length makes it
        // run past the end like a torn one, yet no crash leaves that.
        auto bodyAt = [&flushed](std::size_t at) {
            return static_cast<std::uint8_t>(flushed[at]) |
                   static_cast<std::uint8_t>(flushed[at + 1]) << 8;
        };
        std::size_t last = 8;
        for (std::size_t at = 8; at < flushed.size(); at += 9 + bodyAt(at)) last = at;
        if (what == kDamagedLength) flushed[last + 3] ^= 0x10;
        // Damage only the checksum sees: a name's letter in another case.
        const wchar_t name[] = L"f260";
        if (what == kDamaged)
            flushed[flushed.find(std::string(reinterpret_cast<const char*>(name), 8))] ^= 0x20;
        // A record a crash cut short ends the journal.
        flushed += std::string("\x40\x00\x00\x00\x04", 5);
        fx::MakeFileWithText(journal, flushed);

        std::vector<undo::RunSummary> runs;
        ASSERT_EQ(undo::ListRuns(store, 7, &runs), 0u);
        ASSERT_EQ(runs.size(), 1u);
        EXPECT_FALSE(runs[0].finished);
        EXPECT_EQ(runs[0].files, damaged ? 0u : 260u);
        EXPECT_EQ(runs[0].damage.empty(), !damaged);
        undo::CompleteResult completed;
        undo::RestoreResult restored;
        if (what == kComplete) {
            ASSERT_EQ(undo::Complete(store, id, &completed, &why), 0u);
            EXPECT_EQ(completed.held, 519u);
            EXPECT_EQ(completed.left, 1u);
            for (const std::wstring& path : paths)
                EXPECT_EQ(fx::Exists(path), path == paths.back()) << fx::Narrow(path);
            // Completed, the run is whole: all of it comes back.
            ASSERT_EQ(undo::Restore(store, id, nullptr, &restored, &why), 0u) << fx::Narrow(why);
            EXPECT_EQ(restored.restored, 519u);
            EXPECT_EQ(fx::ReadFileText(paths.back()).size(), 519u);
            EXPECT_TRUE(restored.runRemoved);
        } else {
            EXPECT_EQ(undo::Restore(store, id, nullptr, &restored, &why),
                      damaged ? DWORD{ERROR_FILE_CORRUPT} : 0u);
            EXPECT_EQ(restored.restored, damaged ? 0u : 260u);
            EXPECT_EQ(why.find(L"damaged") != why.npos, damaged) << fx::Narrow(why);
            for (std::size_t i = 0; i < paths.size(); ++i)
                EXPECT_EQ(fx::Exists(paths[i]), !damaged || i >= 260) << i;
        }
    }
}

TEST(Undo, ExpiryAndLowSpaceLetTheOldestRunsGoFirst) {
    const std::uint64_t now = undo::NowTicks();
    struct Row {
        std::uint32_t keepDays;
        std::uint64_t free;  // of a volume of 100,000 bytes, 10% wanted free
        std::vector<std::wstring> expired, forSpace;
    } rows[] = {
        {7, 50000, {L"r10", L"r8"}, {}},
        {7, 5000, {L"r10", L"r8"}, {L"r3"}},
        {30, 0, {}, {L"r10", L"r8", L"r3", L"r1"}},
    };
    for (const Row& row : rows) {
        const undo::Store store = OpenedStore(L"purge");
        const std::wstring root = fx::Scratch(L"undo\\purge-files");
        std::map<std::wstring, std::wstring> names;  // run id -> its name by age
        for (int days : {3, 10, 1, 8}) {
            const std::wstring file = root + L"\\d" + std::to_wstring(days);
            fx::MakeFile(file, 1000u * (days == 10 ? 1 : days == 8 ? 2 : days == 3 ? 3 : 4));
            names[fx::HeldClean(store, {L"test clean", {root}, now - days * undo::kTicksPerDay},
                                {file})] = L"r" + std::to_wstring(days);
        }
        undo::PurgeResult purged;
        undo::Purge(store, {now, row.keepDays, 10}, {row.free, 100000}, &purged);
        auto named = [&](const std::vector<std::wstring>& ids) {
            std::vector<std::wstring> out;
            for (const std::wstring& id : ids) out.push_back(names[id]);
            return out;
        };
        EXPECT_EQ(named(purged.expired), row.expired);
        EXPECT_EQ(named(purged.forSpace), row.forSpace);
        std::vector<undo::RunSummary> runs;
        ASSERT_EQ(undo::ListRuns(store, row.keepDays, &runs), 0u);
        EXPECT_EQ(runs.size(), 4 - row.expired.size() - row.forSpace.size());
        for (const std::wstring& id : purged.expired)
            EXPECT_FALSE(fx::Exists(store.Path() + L"\\" + id));
    }
}

TEST(Undo, ALinkPutInAFilesWayLeavesWhatIsBehindItUntouched) {
    const undo::Store store = OpenedStore(L"link");
    const std::wstring root = fx::Scratch(L"undo\\link-files"),
                       victim = fx::Scratch(L"undo\\victim");
    const std::vector<std::wstring> names = {L"a.txt", L"b.txt"};
    std::vector<std::wstring> paths;
    for (const std::wstring& name : names) {
        paths.push_back(root + L"\\place\\" + name);
        fx::MakeFile(paths.back(), 10);
    }
    const std::wstring id = fx::HeldClean(store, {L"test clean", {root}}, paths);
    // The victim holds files of the same names; the folder becomes a link to it.
    fx::MakeVictims(victim, names);
    fx::RemoveTree(root + L"\\place");
    ASSERT_TRUE(fx::MakeFolderLink(victim, root + L"\\place"));
    undo::RestoreResult result;
    std::wstring why;
    ASSERT_EQ(undo::Restore(store, id, nullptr, &result, &why), 0u);
    EXPECT_EQ(result.failed.size(), names.size());
    EXPECT_EQ(fx::Intact(victim, names), names.size());
    for (const std::wstring& name : names)
        EXPECT_FALSE(fx::Exists(victim + L"\\" + undo::BesideName(name, 1)));
    // With the link gone the files come back: they stayed held. A held file
    // replaced in the store since is not the one moved: it stays.
    fx::RemoveTree(root + L"\\place");
    const std::wstring second = store.Path() + L"\\" + id + L"\\0\\1";
    ASSERT_TRUE(MoveFileW(second.c_str(), (second + L"-aside").c_str()));
    fx::MakeFile(second, 10);  // the same size: its id tells it apart
    undo::RestoreResult again;
    ASSERT_EQ(undo::Restore(store, id, nullptr, &again, &why), 0u);
    EXPECT_EQ(again.restored, 1u);
    ASSERT_EQ(again.failed.size(), 1u);
    EXPECT_EQ(again.failed[0].second, ufc::kChangedSinceScan);
    EXPECT_FALSE(fx::Exists(paths[1]));
}

// A store is used only as it was made: a folder of its own, open to those
// it serves alone.
TEST(Undo, AStoreThatIsNotWhatWasMadeIsRefused) {
    const std::wstring base = fx::Scratch(L"undo\\stores");
    fx::MakeDirs(base + L"\\plain\\undo");
    fx::MakeFile(base + L"\\file\\undo");
    struct Row {
        const wchar_t* path;
        undo::StoreKind kind;
        DWORD error;
    } rows[] = {
        {L"\\user\\undo", undo::StoreKind::User, 0},
        {L"\\machine\\undo", undo::StoreKind::Machine, 0},
        {L"\\plain\\undo", undo::StoreKind::User, ERROR_ACCESS_DENIED},  // open to everyone
        {L"\\file\\undo", undo::StoreKind::User, ERROR_ACCESS_DENIED},
    };
    for (const Row& row : rows) {
        undo::Store store;
        std::wstring why;
        EXPECT_EQ(store.Open(base + row.path, row.kind, &why), row.error)
            << fx::Narrow(row.path) << fx::Narrow(why);
        // Opened again, as the next run does.
        if (!row.error) {
            EXPECT_EQ(store.Open(base + row.path, row.kind, &why), 0u);
        }
    }
}

}  // namespace
