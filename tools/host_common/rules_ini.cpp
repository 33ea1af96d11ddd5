// The community rule format (winapp2.ini): one section per application and
// what to clean there.
//
//   [Discord Cache *]
//   Detect=HKCU\Software\Discord            DetectFile=%AppData%\discord
//   FileKey1=%AppData%\Discord*\*Cache|*.*|RECURSE
//   FileKey2=%LocalAppData%\Discord\Temp|*.*|REMOVESELF
//   ExcludeKey1=FILE|%AppData%\discord\|settings.json
//   RegKey1=HKCU\Software\Discord\Foo       (not supported: counted)
//
// Every section that can be read becomes one rule, off until the user
// chooses it. A section is skipped, with its reason, when one of its keys
// cannot be read or would take a protected folder as a whole.
#include <windows.h>

#include <set>

#include "rules.h"
#include "text_format.h"

namespace host {

namespace {

std::wstring Trim(const std::wstring& text) {
    const size_t first = text.find_first_not_of(L" \t\r\n");
    if (first == std::wstring::npos) return {};
    return text.substr(first, text.find_last_not_of(L" \t\r\n") - first + 1);
}

std::vector<std::wstring> Split(const std::wstring& text, wchar_t separator) {
    std::vector<std::wstring> fields;
    size_t start = 0;
    while (true) {
        const size_t end = text.find(separator, start);
        fields.push_back(Trim(text.substr(start, end - start)));
        if (end == std::wstring::npos) return fields;
        start = end + 1;
    }
}

bool StartsWithName(const std::wstring& key, const wchar_t* name) {
    const size_t length = wcslen(name);
    return key.size() >= length &&
           CompareStringOrdinal(key.c_str(), static_cast<int>(length), name,
                                static_cast<int>(length), TRUE) == CSTR_EQUAL;
}

// "FileKey12" is a FileKey; "FileKeyX" is not.
bool IsNumbered(const std::wstring& key, const wchar_t* name) {
    if (!StartsWithName(key, name)) return false;
    const std::wstring rest = key.substr(wcslen(name));
    return rest.find_first_not_of(L"0123456789") == std::wstring::npos;
}

// Calls take(line) for each line of the text (UTF-16 with its byte order
// mark, else UTF-8), trimmed. One buffer serves every line: a file of
// thousands of sections makes no string per line.
template <typename Take>
void ForEachLine(const std::string& bytes, Take take) {
    std::wstring line;
    auto give = [&] {
        const size_t first = line.find_first_not_of(L" \t\r");
        if (first == std::wstring::npos) return;
        line.erase(line.find_last_not_of(L" \t\r") + 1);
        line.erase(0, first);
        take(line);
    };
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            const wchar_t c = static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                                   static_cast<unsigned char>(bytes[i + 1]) << 8);
            if (c != L'\n') {
                line += c;
                continue;
            }
            give();
            line.clear();
        }
        give();
        return;
    }
    size_t start = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        const int length = static_cast<int>(end - start);
        line.resize(static_cast<size_t>(length));
        const int made =
            length ? MultiByteToWideChar(CP_UTF8, 0, bytes.data() + start, length, &line[0], length)
                   : 0;
        line.resize(static_cast<size_t>(made));
        give();
        start = end + 1;
    }
}

struct WindowsVersion {
    unsigned major = 0, minor = 0;
    bool operator<(const WindowsVersion& other) const {
        return major != other.major ? major < other.major : minor < other.minor;
    }
};

// The real version: GetVersionExW answers what the program's manifest asks.
WindowsVersion RunningVersion() {
    static const WindowsVersion version = [] {
        WindowsVersion found;
        using GetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
        HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        auto get = ntdll ? reinterpret_cast<GetVersionFn>(
                               reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                         : nullptr;
        OSVERSIONINFOW info = {};
        info.dwOSVersionInfoSize = sizeof info;
        if (get && get(&info) == 0) found = {info.dwMajorVersion, info.dwMinorVersion};
        return found;
    }();
    return version;
}

bool ParseVersion(const std::wstring& text, WindowsVersion* version) {
    const std::vector<std::wstring> parts = Split(text, L'.');
    if (parts.empty() || parts.size() > 2) return false;
    unsigned numbers[2] = {0, 0};
    for (size_t i = 0; i < parts.size(); ++i) {
        if (parts[i].empty() || parts[i].size() > 3 ||
            parts[i].find_first_not_of(L"0123456789") != std::wstring::npos)
            return false;
        numbers[i] = static_cast<unsigned>(std::stoul(parts[i]));
    }
    *version = {numbers[0], numbers[1]};
    return true;
}

// "6.2|" (from 8 on), "|6.1" (up to 7), "6.1|6.3".
bool FitsWindows(const std::wstring& range, std::wstring* reason) {
    const std::vector<std::wstring> bounds = Split(range, L'|');
    WindowsVersion low, high{~0u, ~0u};
    if (bounds.size() != 2 || (!bounds[0].empty() && !ParseVersion(bounds[0], &low)) ||
        (!bounds[1].empty() && !ParseVersion(bounds[1], &high))) {
        *reason = L"DetectOS \"" + range + L"\" cannot be read";
        return false;
    }
    const WindowsVersion running = RunningVersion();
    if (running < low || high < running) {
        *reason = L"is for another Windows version (" + range + L")";
        return false;
    }
    return true;
}

struct SpecialDetection {
    const wchar_t* name;
    const wchar_t* path;
};

const SpecialDetection kSpecialDetections[] = {
    {L"DET_CHROME", L"%LocalAppData%\\Google\\Chrome\\User Data"},
    {L"DET_MOZILLA", L"%AppData%\\Mozilla\\Firefox"},
    {L"DET_THUNDERBIRD", L"%AppData%\\Thunderbird"},
    {L"DET_OPERA", L"%AppData%\\Opera Software"},
    {L"DET_EDGECHROMIUM", L"%LocalAppData%\\Microsoft\\Edge\\User Data"},
};

// "ini.discord-cache", unique among ids.
std::wstring MakeId(const std::wstring& title, std::set<std::wstring>* ids) {
    std::wstring slug;
    for (wchar_t c : title) {
        const wchar_t lower = c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
        const bool keep = (lower >= L'a' && lower <= L'z') || (lower >= L'0' && lower <= L'9');
        if (keep)
            slug += lower;
        else if (!slug.empty() && slug.back() != L'-')
            slug += L'-';
    }
    while (!slug.empty() && slug.back() == L'-') slug.pop_back();
    if (slug.empty()) slug = L"section";
    std::wstring id = L"ini." + slug;
    for (int n = 2; !ids->insert(id).second; ++n) id = L"ini." + slug + L"-" + std::to_wstring(n);
    return id;
}

class SectionReader {
public:
    explicit SectionReader(ImportReport* report) : report_(report) {}

    // Fills rule from the section's lines; false with reason to skip it.
    bool Read(const std::vector<std::pair<std::wstring, std::wstring>>& lines, CleaningRule* rule,
              std::wstring* reason) {
        std::size_t registryKeys = 0;
        for (const auto& [key, value] : lines) {
            bool ok = true;
            if (IsNumbered(key, L"FileKey")) {
                ok = FileKey(value, rule, reason);
            } else if (IsNumbered(key, L"ExcludeKey")) {
                ok = ExcludeKey(value, rule, &registryKeys, reason);
            } else if (IsNumbered(key, L"RegKey")) {
                ++registryKeys;
            } else if (IsNumbered(key, L"DetectFile")) {
                ok = ParsePlace(value, &rule->detectPaths, reason);
                if (!ok) *reason = key + L" " + *reason;
            } else if (IsNumbered(key, L"Detect")) {
                rule->detectKeys.push_back(value);
            } else if (SameText(key, L"DetectOS")) {
                ok = FitsWindows(value, reason);
            } else if (SameText(key, L"SpecialDetect")) {
                ok = Special(value, rule, reason);
            } else if (SameText(key, L"Warning")) {
                rule->warning = value;
            }
            // Default, Section, LangSecRef and other keys change nothing:
            // an imported rule is off until chosen.
            if (!ok) return false;
        }
        report_->registryKeys += registryKeys;
        if (rule->keys.empty()) {
            *reason = registryKeys ? L"has only registry keys, which are not supported"
                                   : L"has no FileKey";
            return false;
        }
        *reason = RuleRefusal(*rule);
        return reason->empty();
    }

private:
    // path|pattern;pattern|RECURSE or REMOVESELF
    bool FileKey(const std::wstring& value, CleaningRule* rule, std::wstring* reason) {
        const std::vector<std::wstring> fields = Split(value, L'|');
        std::vector<RulePlace> places;
        if (fields.size() > 3) {
            *reason = L"the key \"" + value + L"\" has more than three fields";
            return false;
        }
        if (!ParsePlace(fields[0], &places, reason)) {
            *reason = L"the path \"" + fields[0] + L"\" " + *reason;
            return false;
        }
        RuleKey key;
        bool everyFile = fields.size() < 2 || fields[1].empty();
        if (!everyFile)
            for (const std::wstring& pattern : Split(fields[1], L';')) {
                if (pattern.empty()) continue;
                if (pattern.find_first_of(L"\\/:") != std::wstring::npos) {
                    *reason = L"the pattern \"" + pattern + L"\" is not a file name";
                    return false;
                }
                everyFile = everyFile || pattern == L"*" || pattern == L"*.*";
                key.patterns.push_back(pattern);
            }
        // No patterns: every file, without a name test per file.
        if (everyFile) key.patterns.clear();
        if (fields.size() > 2) {
            key.recurse = SameText(fields[2], L"RECURSE") || SameText(fields[2], L"REMOVESELF");
            key.removeSelf = SameText(fields[2], L"REMOVESELF");
            if (!key.recurse) {
                *reason = L"the flag \"" + fields[2] + L"\" is unknown (RECURSE or REMOVESELF)";
                return false;
            }
        }
        for (const RulePlace& place : places) {
            key.root = place.root;
            key.path = place.path;
            rule->keys.push_back(key);
        }
        return true;
    }

    // FILE|path\|names, PATH|path\ or PATH|path\|pattern; REG|... is counted.
    bool ExcludeKey(const std::wstring& value, CleaningRule* rule, std::size_t* registryKeys,
                    std::wstring* reason) {
        const std::vector<std::wstring> fields = Split(value, L'|');
        if (SameText(fields[0], L"REG")) {
            ++*registryKeys;
            return true;
        }
        const bool file = SameText(fields[0], L"FILE");
        std::vector<RulePlace> places;
        if ((!file && !SameText(fields[0], L"PATH")) || fields.size() < 2 || fields.size() > 3 ||
            !ParsePlace(fields[1], &places, reason)) {
            *reason = L"the exclusion \"" + value + L"\" cannot be read" +
                      (reason->empty() ? L"" : L": the path " + *reason);
            return false;
        }
        std::vector<std::wstring> names = {L"*"};
        if (fields.size() == 3 && !fields[2].empty()) names = Split(fields[2], L';');
        for (const RulePlace& place : places)
            for (const std::wstring& name : names)
                rule->excludes.push_back(JoinPlace(KnownFolderPath(place.root), place.path) +
                                         L"\\" + name);
        return true;
    }

    bool Special(const std::wstring& value, CleaningRule* rule, std::wstring* reason) {
        for (const SpecialDetection& special : kSpecialDetections)
            if (SameText(value, special.name))
                return ParsePlace(special.path, &rule->detectPaths, reason);
        *reason = L"SpecialDetect \"" + value + L"\" is unknown";
        return false;
    }

    ImportReport* report_;
};

void Skip(const std::wstring& section, const std::wstring& reason, ImportReport* report) {
    ++report->skipped;
    if (report->firstReasons.size() < ImportReport::kReasonsKept)
        report->firstReasons.push_back(L"[" + section + L"]: " + reason);
}

}  // namespace

void ImportCommunityRules(const std::string& bytes, std::vector<CleaningRule>* rules,
                          ImportReport* report) {
    std::set<std::wstring> ids;
    for (const CleaningRule& rule : *rules) ids.insert(rule.id);
    std::wstring section;
    bool inSection = false;
    std::vector<std::pair<std::wstring, std::wstring>> lines;
    auto finish = [&] {
        if (!inSection) return;
        ++report->sections;
        CleaningRule rule;
        rule.source = RuleSource::Imported;
        std::wstring reason;
        if (!SectionReader(report).Read(lines, &rule, &reason)) {
            Skip(section, reason, report);
            return;
        }
        NameRule(section, lines, &rule);
        rule.id = MakeId(section, &ids);
        rule.onByDefault = false;
        rules->push_back(std::move(rule));
        ++report->rulesMade;
    };
    // Room for every section at once: a file of thousands of rules grows
    // the list once.
    size_t sections = 1;
    for (size_t at = bytes.find("\n["); at != std::string::npos; at = bytes.find("\n[", at + 1))
        ++sections;
    rules->reserve(rules->size() + sections);
    ForEachLine(bytes, [&](const std::wstring& line) {
        if (line[0] == L';') return;
        if (line[0] == L'[' && line.back() == L']') {
            finish();
            section = Trim(line.substr(1, line.size() - 2));
            inSection = true;
            lines.clear();
            return;
        }
        const size_t equals = line.find(L'=');
        if (equals == std::wstring::npos || !inSection) return;
        lines.emplace_back(Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)));
    });
    finish();
}

}  // namespace host
