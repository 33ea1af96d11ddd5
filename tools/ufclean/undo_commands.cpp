// history and undo: the cleans held in the undo stores, listed, taken back
// or let go at once.
#include <windows.h>

#include <algorithm>

#include "app.h"
#include "platform/console.h"
#include "platform/system_error.h"
#include "run_record.h"
#include "text/format.h"
#include "text/glob.h"
#include "text/json_writer.h"
#include "undo/restore.h"

namespace ufclean {

namespace {

struct Listed {
    const undo::Store* store;
    undo::RunSummary run;
};

// The runs of every store there is, oldest first; false, said, when the
// user's store cannot be read.
bool ListAll(const Options& options, const host::OpenStores& open, std::vector<Listed>* all) {
    if (!open.why.empty()) {
        FailRun(options, kExitNotUndone, open.why);
        return false;
    }
    for (const undo::Store& store : open.stores) {
        std::vector<undo::RunSummary> runs;
        undo::ListRuns(store, options.keepDays, &runs);
        for (undo::RunSummary& run : runs) all->push_back({&store, std::move(run)});
    }
    std::stable_sort(all->begin(), all->end(), [](const Listed& a, const Listed& b) {
        return a.run.started < b.run.started;
    });
    return true;
}

// The run named by the command's word, else the latest: in each store that
// has it (a clean that held files of the user's and of system places made
// a run of one id in each). None, said, when there is none.
std::vector<const Listed*> FindRuns(const Options& options, const std::vector<Listed>& all) {
    std::vector<const Listed*> found;
    if (all.empty() && options.arguments.empty()) {
        FailRun(options, kExitNoRun, L"no clean is held for undo");
        return found;
    }
    const std::wstring& id = options.arguments.empty() ? all.back().run.id : options.arguments[0];
    for (const Listed& listed : all)
        if (listed.run.id == id) found.push_back(&listed);
    if (found.empty())
        FailRun(options, kExitNoRun, L"no held clean " + id + L" (see ufclean history)");
    return found;
}

void WriteHistoryJson(const Options& options, const std::vector<Listed>& all) {
    host::JsonWriter json;
    json.BeginObject();
    json.Key("runs");
    json.BeginArray();
    for (const Listed& listed : all) {
        const undo::RunSummary& run = listed.run;
        json.BeginObject();
        json.Key("id");
        json.String(run.id);
        json.Key("started");
        json.String(host::FormatTicks(run.started));
        json.Key("what");
        json.String(run.what);
        json.Key("files");
        json.Number(run.files);
        json.Key("bytes");
        json.Number(run.bytes);
        json.Key("until");
        json.String(host::FormatTicks(run.until));
        json.Key("store");
        json.String(listed.store->Kind() == undo::StoreKind::Machine ? L"machine" : L"user");
        json.Key("finished");
        json.Bool(run.finished);
        if (!run.damage.empty()) {
            json.Key("damage");
            json.String(run.damage);
        }
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    WriteReportText(options.jsonPath, json.Text() + "\n");
}

int Purge(const Options& options, const std::vector<Listed>& all) {
    std::vector<const Listed*> going;
    if (options.arguments.empty())
        for (const Listed& listed : all) going.push_back(&listed);
    else if ((going = FindRuns(options, all)).empty())
        return kExitNoRun;
    int status = kExitOk;
    for (const Listed* listed : going) {
        const DWORD error = undo::PurgeRun(*listed->store, listed->run.id);
        if (error == ERROR_SUCCESS) {
            host::Out(L"let go " + listed->run.id + L": " + host::HumanSize(listed->run.bytes) +
                      L" freed\n");
        } else {
            host::Err(L"ufclean: " + listed->run.id + L" stays: " + host::SystemErrorText(error) +
                      L"\n");
            status = kExitNotUndone;
        }
    }
    if (going.empty()) host::Out(L"no clean is held for undo\n");
    return status;
}

}  // namespace

int RunHistory(const Options& options) {
    host::OpenStores open;
    host::OpenUndoStores(&open);
    std::vector<Listed> all;
    if (!ListAll(options, open, &all)) return kExitNotUndone;
    if (options.purge) return Purge(options, all);
    if (options.haveJson) {
        WriteHistoryJson(options, all);
        if (options.jsonPath == L"-") return kExitOk;
    }
    if (all.empty()) host::Out(L"no clean is held for undo\n");
    for (const Listed& listed : all) {
        const undo::RunSummary& run = listed.run;
        std::wstring line = run.id + L"  " + host::FormatTicks(run.started) + L"  " + run.what +
                            L": " + std::to_wstring(run.files) + L" file(s), " +
                            host::HumanSize(run.bytes) + L" held until " +
                            host::FormatTicks(run.until);
        if (listed.store->Kind() == undo::StoreKind::Machine) line += L" (the machine's store)";
        if (!run.damage.empty())
            line += L" (" + run.damage + L")";
        else if (!run.finished)
            line += L" (cut short: undo completes it, then takes it back)";
        host::Out(line + L"\n");
    }
    return kExitOk;
}

int RunUndo(const Options& options) {
    if (options.arguments.size() > 1) return UsageError(L"undo takes one run at most");
    host::OpenStores open;
    host::OpenUndoStores(&open);
    std::vector<Listed> all;
    if (!ListAll(options, open, &all)) return kExitNotUndone;
    const std::vector<const Listed*> runs = FindRuns(options, all);
    if (runs.empty()) return kExitNoRun;
    undo::PathFilter only;
    if (!options.only.empty())
        only = [&options](const std::wstring& path) { return host::GlobMatch(options.only, path); };
    // Every run is read before any is taken back.
    for (const Listed* listed : runs)
        if (!listed->run.damage.empty())
            return FailRun(options, kExitNotUndone, listed->run.damage);
    undo::RestoreResult result;
    for (const Listed* listed : runs) {
        std::wstring why;
        DWORD error = ERROR_SUCCESS;
        // A clean cut short is completed first, so that it is taken back whole.
        undo::CompleteResult completed;
        if (!listed->run.finished)
            error = undo::Complete(*listed->store, listed->run.id, &completed, &why);
        if (error == ERROR_SUCCESS)
            error = undo::Restore(*listed->store, listed->run.id, only, &result, &why);
        if (error != ERROR_SUCCESS)
            return FailRun(options, kExitNotUndone,
                           why.empty() ? host::SystemErrorText(error) : why);
    }
    host::Out(L"undo " + runs.front()->run.id + L": restored " + std::to_wstring(result.restored) +
              L" file(s), " + host::HumanSize(result.bytes) + L"\n");
    for (const auto& [path, as] : result.beside)
        host::Out(L"restored beside: " + path + L" -> " + as + L" (its name was taken)\n");
    for (const auto& [path, error] : result.failed)
        host::Err(L"ufclean: not restored: " + path + L": " + host::SystemErrorText(error) + L"\n");
    return result.failed.empty() ? kExitOk : kExitNotUndone;
}

}  // namespace ufclean
