#include "import_report.h"

#include "platform/console.h"
#include "text/json_writer.h"
#include "run_record.h"
#include "rules/ini_report.h"
#include "rules/model.h"

namespace ufclean {

namespace {

// The plain output names this many kinds of reason; --reasons shows all.
constexpr std::size_t kKindsShown = 8;

std::wstring Where(const host::ImportFault& fault) {
    return L"[" + fault.section + L"]" + (fault.key.empty() ? L"" : L" " + fault.key);
}

std::wstring Counted(std::size_t count, const wchar_t* what) {
    return std::to_wstring(count) + L" " + what + (count == 1 ? L"" : L"s");
}

void WriteFault(host::JsonWriter* json, const host::ImportFault& fault) {
    json->BeginObject();
    json->Key("section");
    json->String(fault.section);
    json->Key("at");
    json->Number(fault.at);
    if (!fault.key.empty()) {
        json->Key("key");
        json->String(fault.key);
    }
    json->Key("reason");
    json->String(fault.reason);
    json->EndObject();
}

void WriteFaults(host::JsonWriter* json, const char* name,
                 const std::vector<host::ImportFault>& faults) {
    json->Key(name);
    json->BeginArray();
    for (const host::ImportFault& fault : faults) WriteFault(json, fault);
    json->EndArray();
}

void WriteCount(host::JsonWriter* json, const char* name, std::uint64_t count) {
    json->Key(name);
    json->Number(count);
}

}  // namespace

void PrintImportReport(const std::wstring& file, const host::ImportReport& report, bool every) {
    host::Out(file + L": " + std::to_wstring(report.sections) + L" section(s), " +
              std::to_wstring(report.rulesMade) + L" rule(s) made, " +
              std::to_wstring(report.droppedKeys.size()) + L" key(s) dropped, " +
              std::to_wstring(report.skipped.size()) + L" section(s) skipped\n");
    if (report.registryKeys)
        host::Out(L"registry keys (RegKey, REG|) are not supported: " +
                  std::to_wstring(report.registryKeys) + L" left out\n");
    const std::vector<host::ReasonGroup> groups = host::GroupReasons(report);
    if (groups.empty()) return;
    host::Out(std::wstring(L"why, by kind") +
              (every ? L":\n" : L" (every reason: --reasons, or --json FILE):\n"));
    for (std::size_t i = 0; i < groups.size() && (every || i < kKindsShown); ++i) {
        const host::ReasonGroup& group = groups[i];
        host::Out(L"  " + group.kind + L": " +
                  (group.skipped ? Counted(group.sections, L"section") + L" skipped"
                                 : Counted(group.keys, L"key") + L" in " +
                                       Counted(group.sections, L"section")) +
                  L", first " + Where(*group.example) + L"\n");
    }
    if (!every && groups.size() > kKindsShown)
        host::Out(L"  ... and " + std::to_wstring(groups.size() - kKindsShown) +
                  L" more kind(s)\n");
    if (!every) return;
    for (const host::ImportFault& fault : report.droppedKeys)
        host::Out(L"dropped " + Where(fault) + L": " + fault.reason + L"\n");
    for (const host::ImportFault& fault : report.skipped)
        host::Out(L"skipped " + Where(fault) + L": " + fault.reason + L"\n");
}

bool WriteImportJson(const std::wstring& path, const std::wstring& file,
                     const std::vector<host::CleaningRule>& rules,
                     const host::ImportReport& report) {
    host::JsonWriter json;
    json.BeginObject();
    json.Key("file");
    json.String(file);
    WriteCount(&json, "sections", report.sections);
    WriteCount(&json, "rulesMade", report.rulesMade);
    WriteCount(&json, "keysDropped", report.droppedKeys.size());
    WriteCount(&json, "sectionsSkipped", report.skipped.size());
    WriteCount(&json, "registryKeys", report.registryKeys);
    json.Key("rules");
    json.BeginArray();
    for (const host::CleaningRule& rule : rules)
        if (rule.source == host::RuleSource::Imported) json.String(rule.id);
    json.EndArray();
    WriteFaults(&json, "droppedKeys", report.droppedKeys);
    WriteFaults(&json, "skippedSections", report.skipped);
    json.Key("reasons");
    json.BeginArray();
    for (const host::ReasonGroup& group : host::GroupReasons(report)) {
        json.BeginObject();
        json.Key("kind");
        json.String(group.kind);
        json.Key("skipped");
        json.Bool(group.skipped);
        WriteCount(&json, "keys", group.keys);
        WriteCount(&json, "sections", group.sections);
        json.Key("first");
        WriteFault(&json, *group.example);
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    return WriteReportText(path, json.Text() + "\n");
}

}  // namespace ufclean
