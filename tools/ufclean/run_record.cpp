#include "run_record.h"

#include <windows.h>

#include "console_output.h"
#include "profiles.h"
#include "text_format.h"

namespace ufclean {

namespace {

struct RunRecord {
    SYSTEMTIME started = {};
    std::wstring profile;
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

}  // namespace

std::wstring ExpandReportPath(const std::wstring& path, const std::wstring& profile) {
    Record().profile = profile;
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

void WriteRunFields(host::JsonWriter* json, int exitCode) {
    const SYSTEMTIME& t = Record().started;
    json->Key("computer");
    json->String(ComputerName());
    if (!Record().profile.empty()) {
        json->Key("profile");
        json->String(Record().profile);
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
    return WriteReportText(path, json.Text() + "\n");
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
