#include "run_record.h"

#include <windows.h>

#include "app.h"
#include "platform/console.h"
#include "text/format.h"
#include "platform/user_files.h"

namespace ufclean {

namespace {

struct RunRecord {
    SYSTEMTIME started = {};
    std::wstring profile, schedule;
};

RunRecord& Record() {
    static RunRecord record = [] {
        RunRecord first;
        GetSystemTime(&first.started);
        return first;
    }();
    return record;
}

std::wstring Digits(unsigned value, size_t width) {
    std::wstring text = std::to_wstring(value);
    return std::wstring(width > text.size() ? width - text.size() : 0, L'0') + text;
}

std::wstring ComputerName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    return GetComputerNameW(name, &size) ? std::wstring(name, size) : std::wstring(L"unknown");
}

void Replace(std::wstring* text, const std::wstring& from, const std::wstring& to) {
    for (size_t at = text->find(from); at != std::wstring::npos;
         at = text->find(from, at + to.size()))
        text->replace(at, from.size(), to);
}

std::string FailureReportText(const std::wstring& command, int exitCode,
                              const std::wstring& reason) {
    host::JsonWriter json;
    json.BeginObject();
    json.Key("command");
    json.String(command);
    WriteRunFields(&json, exitCode);
    json.Key("error");
    json.String(reason);
    json.Key("categories");
    json.BeginArray();
    json.EndArray();
    json.EndObject();
    return json.Text() + "\n";
}

}  // namespace

std::wstring ExpandReportPath(const std::wstring& path, const std::wstring& profile,
                              const std::wstring& schedule) {
    Record().profile = profile;
    Record().schedule = schedule;
    if (path == L"-") return path;
    SYSTEMTIME local = {};
    SystemTimeToTzSpecificLocalTime(nullptr, &Record().started, &local);
    std::wstring expanded = path;
    Replace(&expanded, L"{time}",
            Digits(local.wYear, 4) + Digits(local.wMonth, 2) + Digits(local.wDay, 2) + L"-" +
                Digits(local.wHour, 2) + Digits(local.wMinute, 2) + Digits(local.wSecond, 2));
    Replace(&expanded, L"{computer}", ComputerName());
    const size_t slash = expanded.find_last_of(L"\\/");
    std::wstring error;
    wchar_t full[MAX_PATH] = {};
    // A report folder that went missing is made again; a failure shows when
    // the report is written.
    if (slash != std::wstring::npos && slash > 0 &&
        GetFullPathNameW(expanded.substr(0, slash).c_str(), MAX_PATH, full, nullptr) > 0)
        host::MakeFolder(full, &error);
    return expanded;
}

int ClaimReport(const std::wstring& path, const std::wstring& command, bool scheduled) {
    if (path == L"-") return kExitOk;
    std::wstring error;
    if (host::WriteTextFile(path,
                            FailureReportText(command, kExitStopped,
                                              L"the run did not finish: it was ended before it "
                                              L"wrote its report (a time limit, a shutdown)"),
                            &error))
        return kExitOk;
    const std::wstring reason = L"the report cannot be written, so nothing runs: " + error;
    host::Err(L"ufclean: " + reason + L"\n");
    if (!scheduled) return kExitUsage;
    const std::wstring folder = host::DefaultReportFolder();
    const size_t slash = path.find_last_of(L"\\/");
    const std::wstring fallback =
        folder + L"\\" + path.substr(slash == std::wstring::npos ? 0 : slash + 1);
    if (host::MakeFolder(folder, &error) &&
        WriteFailureReport(fallback, command, kExitUsage,
                           reason + L" (this report went to the default folder instead)"))
        host::Err(L"ufclean: the report of this failure: " + fallback + L"\n");
    return kExitUsage;
}

void WriteRunFields(host::JsonWriter* json, int exitCode) {
    const SYSTEMTIME& t = Record().started;
    json->Key("computer");
    json->String(ComputerName());
    if (!Record().profile.empty()) {
        json->Key("profile");
        json->String(Record().profile);
    }
    if (!Record().schedule.empty()) {
        json->Key("schedule");
        json->String(Record().schedule);
    }
    json->Key("started");
    json->String(Digits(t.wYear, 4) + L"-" + Digits(t.wMonth, 2) + L"-" + Digits(t.wDay, 2) + L"T" +
                 Digits(t.wHour, 2) + L":" + Digits(t.wMinute, 2) + L":" + Digits(t.wSecond, 2) +
                 L"Z");
    json->Key("exitCode");
    json->Number(static_cast<std::uint64_t>(exitCode));
}

bool WriteFailureReport(const std::wstring& path, const std::wstring& command, int exitCode,
                        const std::wstring& reason) {
    return WriteReportText(path, FailureReportText(command, exitCode, reason));
}

bool WriteReportText(const std::wstring& path, const std::string& text) {
    if (path == L"-") {
        host::Out(host::Widen(text));
        return true;
    }
    std::wstring error;
    if (host::WriteTextFile(path, text, &error)) return true;
    host::Err(L"ufclean: " + error + L"\n");
    return false;
}

}  // namespace ufclean
