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
// chooses it. A key that cannot be used is dropped with its reason and the
// section keeps its other keys; a section is skipped, with its reason, when
// none of its FileKeys is left, or when dropping a key would widen it.
#include "rules/ini_reader.h"

#include <windows.h>

#include <unordered_map>
#include <unordered_set>

#include "fs/fold.h"
#include "rules/ini_detect.h"
#include "rules/ini_parts.h"
#include "rules/places.h"
#include "rules/refusal.h"
#include "rules/section_names.h"
#include "text/decode.h"
#include "rules/ini_report.h"
#include "rules/model.h"

namespace host {

namespace {

using ini::Split;
using ini::Trim;

bool StartsWithName(const std::wstring& key, const wchar_t* name) {
    const size_t length = wcslen(name);
    return key.size() >= length && ufc::SameFolded(std::wstring_view(key).substr(0, length), name);
}

// "FileKey12" is a FileKey; "FileKeyX" is not.
bool IsNumbered(const std::wstring& key, const wchar_t* name) {
    if (!StartsWithName(key, name)) return false;
    const std::wstring rest = key.substr(wcslen(name));
    return rest.find_first_not_of(L"0123456789") == std::wstring::npos;
}

// Calls take(line) for each line of the text that is not blank, trimmed.
// One buffer serves every line: a file of thousands of sections makes no
// string per line.
template <typename Take>
void ForEachLine(const std::wstring& text, Take take) {
    std::wstring line;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        const size_t first = text.find_first_not_of(L" \t\r", start);
        if (first < end) {
            const size_t last = text.find_last_not_of(L" \t\r", end - 1);
            line.assign(text, first, last - first + 1);
            take(line);
        }
        start = end + 1;
    }
}

// "ini.discord-cache", unique among ids. A name met again takes the next
// number after the one it took last: every number below is taken already,
// so the ids are those of trying -2, -3, ... in turn, and a name repeated
// 20,000 times costs 20,000 tries, not 200 million.
class IdMaker {
public:
    explicit IdMaker(const std::vector<CleaningRule>& rules) {
        for (const CleaningRule& rule : rules) ids_.insert(rule.id);
    }

    std::wstring Make(const std::wstring& title) {
        std::wstring slug;
        for (wchar_t c : title) {
            const wchar_t lower =
                c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
            const bool keep = (lower >= L'a' && lower <= L'z') || (lower >= L'0' && lower <= L'9');
            if (keep)
                slug += lower;
            else if (!slug.empty() && slug.back() != L'-')
                slug += L'-';
        }
        while (!slug.empty() && slug.back() == L'-') slug.pop_back();
        if (slug.empty()) slug = L"section";
        const std::wstring base = L"ini." + slug;
        int& next = next_[base];
        if (next == 0) {
            next = 2;
            if (ids_.insert(base).second) return base;
        }
        for (;; ++next) {
            std::wstring id = base + L"-" + std::to_wstring(next);
            if (ids_.insert(id).second) {
                ++next;
                return id;
            }
        }
    }

private:
    std::unordered_set<std::wstring> ids_;
    std::unordered_map<std::wstring, int> next_;  // by base id: the next number to try
};

// A section's "key=value" lines, trimmed. The strings are kept from section
// to section: thousands of sections make no string per line.
struct Lines {
    std::vector<std::pair<std::wstring, std::wstring>> slots;
    size_t used = 0;

    void Add(const std::wstring& line, size_t equals) {
        if (used == slots.size()) slots.emplace_back();
        auto& [key, value] = slots[used++];
        Assign(line, 0, equals, &key);
        Assign(line, equals + 1, line.size(), &value);
    }

    // The value of the section's key of that name; empty when it has none.
    std::wstring Value(const wchar_t* name) const {
        for (size_t i = 0; i < used; ++i)
            if (ufc::SameFolded(slots[i].first, name)) return slots[i].second;
        return {};
    }

    static void Assign(const std::wstring& line, size_t from, size_t to, std::wstring* out) {
        auto blank = [](wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r'; };
        while (from < to && blank(line[from])) ++from;
        while (to > from && blank(line[to - 1])) --to;
        out->assign(line, from, to - from);
    }
};

// One section as a rule. A key that cannot be used is dropped into the
// report with its reason; the section is skipped when nothing usable is
// left, or when leaving a key out would widen what the rule takes or where
// it runs.
class SectionReader {
public:
    SectionReader(std::size_t at, const std::wstring& section, ImportReport* report)
        : report_(report) {
        skip_.at = at;
        skip_.section = section;
    }

    // Fills rule from the section's lines; false when it is skipped.
    bool Read(const Lines& lines, CleaningRule* rule) {
        std::size_t registryKeys = 0, fileKeysDropped = 0, detectionsDropped = 0;
        for (size_t i = 0; i < lines.used; ++i) {
            const auto& [key, value] = lines.slots[i];
            std::wstring reason;
            if (IsNumbered(key, L"FileKey")) {
                if (!FileKey(value, rule, &reason)) ++fileKeysDropped;
            } else if (IsNumbered(key, L"ExcludeKey")) {
                // Without one of its exclusions a rule takes more than its
                // author meant: a section with an exclusion that cannot be
                // read is skipped, never widened.
                if (!ExcludeKey(value, rule, &registryKeys, &reason)) Skip(key, value, reason);
                continue;
            } else if (IsNumbered(key, L"RegKey")) {
                ++registryKeys;
            } else if (IsNumbered(key, L"DetectFile")) {
                if (!ParsePlace(value, &rule->detectPaths, &reason)) ++detectionsDropped;
            } else if (IsNumbered(key, L"Detect")) {
                rule->detectKeys.push_back(value);
            } else if (ufc::SameFolded(key, L"DetectOS")) {
                if (!ini::FitsWindows(value, &reason)) Skip(key, value, reason);
                continue;
            } else if (ufc::SameFolded(key, L"SpecialDetect")) {
                if (!Special(value, rule, &reason)) ++detectionsDropped;
            } else if (ufc::SameFolded(key, L"Warning")) {
                rule->warning = value;
            }
            // Default, LangSecRef and other keys change nothing (Section only
            // names the group): an imported rule is off until chosen.
            if (!reason.empty())
                report_->droppedKeys.push_back(
                    {skip_.at, skip_.section, key + L"=" + value, reason});
        }
        report_->registryKeys += registryKeys;
        if (rule->keys.empty())
            Skip({}, {},
                 fileKeysDropped ? L"has no usable FileKey (each was dropped)"
                 : registryKeys  ? L"has only registry keys, which are not supported"
                                 : L"has no FileKey");
        // Dropping one of several detections narrows where the rule runs;
        // without any it would run wherever its folders are.
        if (detectionsDropped && rule->detectPaths.empty() && rule->detectKeys.empty())
            Skip({}, {}, L"has no detection that can be read");
        if (skip_.reason.empty()) return true;
        report_->skipped.push_back(skip_);
        return false;
    }

private:
    // The first reason to skip the section is the one reported.
    void Skip(const std::wstring& key, const std::wstring& value, const std::wstring& reason) {
        if (!skip_.reason.empty()) return;
        skip_.key = key.empty() ? key : key + L"=" + value;
        skip_.reason = reason;
    }

    // path|pattern;pattern|RECURSE or REMOVESELF; false, with the reason,
    // for a key that cannot be used.
    bool FileKey(const std::wstring& value, CleaningRule* rule, std::wstring* reason) {
        const std::vector<std::wstring> fields = Split(value, L'|');
        std::vector<RulePlace> places;
        if (fields.size() > 3) {
            *reason = L"has more than three fields";
            return false;
        }
        if (!ParsePlace(fields[0], &places, reason)) return false;
        RuleKey key;
        bool everyFile = fields.size() < 2 || fields[1].empty();
        if (!everyFile)
            for (const std::wstring& pattern : Split(fields[1], L';')) {
                if (pattern.empty()) continue;
                if (pattern.find_first_of(L"\\/:") != std::wstring::npos) {
                    *reason = L"has the pattern \"" + pattern + L"\", which is not a file name";
                    return false;
                }
                everyFile = everyFile || pattern == L"*" || pattern == L"*.*";
                key.patterns.push_back(pattern);
            }
        // No patterns: every file, without a name test per file.
        if (everyFile) key.patterns.clear();
        if (fields.size() > 2) {
            key.recurse =
                ufc::SameFolded(fields[2], L"RECURSE") || ufc::SameFolded(fields[2], L"REMOVESELF");
            key.removeSelf = ufc::SameFolded(fields[2], L"REMOVESELF");
            if (!key.recurse) {
                *reason = L"has the flag \"" + fields[2] +
                          L"\", which is unknown (RECURSE or "
                          L"REMOVESELF)";
                return false;
            }
        }
        // %ProgramFiles% names two places: the key is refused as a whole
        // when one of them is.
        const size_t before = rule->keys.size();
        for (const RulePlace& place : places) {
            key.root = place.root;
            key.path = place.path;
            *reason = KeyRefusal(*rule, key);
            if (!reason->empty()) {
                rule->keys.resize(before);
                return false;
            }
            rule->keys.push_back(key);
        }
        return true;
    }

    // FILE|path\|names, PATH|path\ or PATH|path\|pattern; REG|... is counted.
    bool ExcludeKey(const std::wstring& value, CleaningRule* rule, std::size_t* registryKeys,
                    std::wstring* reason) {
        const std::vector<std::wstring> fields = Split(value, L'|');
        if (ufc::SameFolded(fields[0], L"REG")) {
            ++*registryKeys;
            return true;
        }
        const bool file = ufc::SameFolded(fields[0], L"FILE");
        std::vector<RulePlace> places;
        if ((!file && !ufc::SameFolded(fields[0], L"PATH")) || fields.size() < 2 ||
            fields.size() > 3) {
            *reason = L"the exclusion cannot be read (FILE|path|names or PATH|path)";
            return false;
        }
        if (!ParsePlace(fields[1], &places, reason)) {
            *reason = L"the exclusion's path " + *reason;
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
        if (const wchar_t* path = ini::SpecialDetectPath(value))
            return ParsePlace(path, &rule->detectPaths, reason);
        *reason = L"is an unknown SpecialDetect";
        return false;
    }

    ImportReport* report_;
    ImportFault skip_;
};

}  // namespace

bool ImportCommunityRules(const std::string& bytes, const std::wstring& fileName,
                          std::vector<CleaningRule>* rules, ImportReport* report,
                          std::wstring* error) {
    std::wstring text, reason;
    std::size_t badLine = 0;
    if (!DecodeText(bytes, &text, &badLine, &reason)) {
        *error = fileName + L" line " + std::to_wstring(badLine) + L": " + reason;
        return false;
    }
    IdMaker ids(*rules);
    std::wstring section;
    bool inSection = false;
    Lines lines;
    auto finish = [&] {
        if (!inSection) return;
        ++report->sections;
        CleaningRule rule;
        rule.source = RuleSource::Imported;
        if (!SectionReader(report->sections, section, report).Read(lines, &rule)) return;
        NameRule(section, lines.Value(L"Section"), &rule);
        rule.id = ids.Make(section);
        rule.onByDefault = false;
        rules->push_back(std::move(rule));
        ++report->rulesMade;
    };
    // Room for every section at once: a file of thousands of rules grows
    // the list once.
    size_t sections = 1;
    for (size_t at = text.find(L"\n["); at != std::wstring::npos; at = text.find(L"\n[", at + 1))
        ++sections;
    rules->reserve(rules->size() + sections);
    ForEachLine(text, [&](const std::wstring& line) {
        if (line[0] == L';') return;
        if (line[0] == L'[' && line.back() == L']') {
            finish();
            section = Trim(line.substr(1, line.size() - 2));
            inSection = true;
            lines.used = 0;
            return;
        }
        const size_t equals = line.find(L'=');
        if (equals == std::wstring::npos || !inSection) return;
        lines.Add(line, equals);
    });
    finish();
    return true;
}

}  // namespace host
