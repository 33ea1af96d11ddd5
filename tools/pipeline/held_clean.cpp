#include "pipeline/held_clean.h"

#include "fs/fold.h"
#include "platform/elevation.h"
#include "platform/system_error.h"
#include "rules/places.h"

namespace host {

namespace {

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

HeldClean::HeldClean(const UndoOptions& options)
    : options_(options),
      elevated_(HostIsElevated()),
      profile_(ufc::Folded(KnownFolderPath(KnownFolder::Profile)) + L"\\"),
      started_(undo::NowTicks()) {
    slots_[0].kind = undo::StoreKind::User;
    slots_[1].kind = undo::StoreKind::Machine;
    summary_.until = started_ + options.keepDays * undo::kTicksPerDay;
}

void HeldClean::Trouble(const std::wstring& why) {
    if (summary_.trouble.empty()) summary_.trouble = why;
}

undo::HeldRun* HeldClean::RunFor(Slot& slot) {
    if (slot.tried) return slot.run.get();
    slot.tried = true;
    std::wstring why;
    const std::wstring path = undo::Store::DefaultPath(slot.kind);
    DWORD error = path.empty() ? ERROR_PATH_NOT_FOUND : slot.store.Open(path, slot.kind, &why);
    if (error == ERROR_SUCCESS)
        error = undo::HeldRun::Begin(slot.store, {options_.what, KnownRuleRoots(), started_},
                                     &slot.run, &why);
    if (error != ERROR_SUCCESS) {
        Trouble(L"the undo store " + path + L" cannot be used: " +
                (why.empty() ? SystemErrorText(error) : why));
        return nullptr;
    }
    summary_.runs.push_back(slot.run->Id());
    return slot.run.get();
}

HeldClean::Slot& HeldClean::SlotFor(const std::wstring& path) {
    // An elevated clean holds what lies outside the user's profile in the
    // machine's store, which the user cannot reach.
    return elevated_ && !ufc::StartsFolded(path, profile_) ? slots_[1] : slots_[0];
}

void HeldClean::Announce(const ItemStore& store, const std::vector<std::uint32_t>& items) {
    batch_.clear();
    std::array<std::vector<undo::PlannedFile>, 2> files;
    std::array<std::vector<std::uint32_t>, 2> of;
    for (std::uint32_t item : items) {
        undo::PlannedFile file{store.Path(item), ListedIdentity(store, item)};
        const std::size_t slot = &SlotFor(file.path) == &slots_[0] ? 0 : 1;
        files[slot].push_back(std::move(file));
        of[slot].push_back(item);
    }
    for (std::size_t s = 0; s < slots_.size(); ++s) {
        undo::HeldRun* run = files[s].empty() ? nullptr : RunFor(slots_[s]);
        if (!run) continue;
        std::uint32_t first = 0;
        if (const DWORD error = run->Plan(files[s], &first)) {
            Trouble(L"the undo journal cannot be written: " + SystemErrorText(error));
            continue;
        }
        for (std::uint32_t k = 0; k < of[s].size(); ++k) batch_[of[s][k]] = {s, first + k};
    }
}

DWORD HeldClean::Take(ufc::RootedDeleter& deleter, const ItemStore& store, std::uint32_t item,
                      bool* held) {
    *held = false;
    const auto planned = batch_.find(item);
    if (planned == batch_.end()) {
        // No run to hold it in: deleted as a plain clean deletes it.
        const DWORD error =
            deleter.DeleteFile(store.Path(item).c_str(), ListedIdentity(store, item));
        if (error == ERROR_SUCCESS) ++summary_.notUndoable;
        return error;
    }
    const ufc::HoldOutcome outcome =
        slots_[planned->second.first].run->Hold(planned->second.second, deleter);
    if (outcome.error != ERROR_SUCCESS) return outcome.error;
    *held = outcome.held;
    if (outcome.held) {
        ++summary_.files;
        summary_.bytes += store.Bytes(item);
    } else {
        ++summary_.notUndoable;
        Trouble(L"a file could not be moved into the undo store: " +
                SystemErrorText(outcome.moveError));
    }
    return ERROR_SUCCESS;
}

bool HeldClean::HoldCopies(const std::vector<std::wstring>& files, std::uint64_t* held,
                           std::wstring* why) {
    if (files.empty()) return true;
    undo::HeldRun* run = RunFor(SlotFor(files.front()));
    if (!run) {
        *why = summary_.trouble;
        return false;
    }
    std::vector<undo::PlannedFile> planned;
    for (const std::wstring& file : files) planned.push_back({file, {}, true});
    std::uint32_t first = 0;
    DWORD error = run->Plan(planned, &first);
    ufc::RootedDeleter deleter(KnownRuleRoots());
    std::uint64_t bytes = 0;
    for (std::uint32_t k = 0; k < files.size() && error == ERROR_SUCCESS; ++k) {
        const ufc::HoldOutcome copy = run->Copy(first + k, deleter);
        error = copy.error;
        bytes += copy.seen.size;
    }
    // The marks are on the disk before the edit changes a byte.
    if (const DWORD committed = run->Commit()) error = error ? error : committed;
    if (error != ERROR_SUCCESS) {
        *why = SystemErrorText(error);
        return false;
    }
    summary_.files += files.size();
    summary_.bytes += bytes;
    *held = bytes;
    return true;
}

void HeldClean::Settle() {
    for (Slot& slot : slots_)
        if (slot.run) slot.run->Commit();
}

void HeldClean::Finish() {
    for (Slot& slot : slots_)
        if (slot.run) slot.run->Finish();
}

void OpenUndoStores(OpenStores* open) {
    for (undo::StoreKind kind : {undo::StoreKind::User, undo::StoreKind::Machine}) {
        const std::wstring path = undo::Store::DefaultPath(kind);
        // A store is never made to be read; the machine's is read by an
        // elevated host alone.
        if (path.empty() || !Exists(path) ||
            (kind == undo::StoreKind::Machine && !HostIsElevated()))
            continue;
        undo::Store store;
        std::wstring why;
        const DWORD error = store.Open(path, kind, &why);
        if (error == ERROR_SUCCESS)
            open->stores.push_back(std::move(store));
        else if (kind == undo::StoreKind::User)
            open->why = L"the undo store " + path + L" cannot be used: " +
                        (why.empty() ? SystemErrorText(error) : why);
    }
}

std::uint64_t PurgeUndoStores(std::uint32_t keepDays, std::uint32_t minFreePercent) {
    OpenStores open;
    OpenUndoStores(&open);
    std::uint64_t bytes = 0;
    for (const undo::Store& store : open.stores) {
        undo::VolumeSpace space;
        if (undo::MeasureSpace(store, &space) != ERROR_SUCCESS) space = {};
        undo::PurgeResult result;
        undo::Purge(store, {undo::NowTicks(), keepDays, minFreePercent}, space, &result);
        bytes += result.bytes;
    }
    return bytes;
}

}  // namespace host
