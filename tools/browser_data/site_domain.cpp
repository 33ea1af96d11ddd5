// Registrable domains by the public suffix list. The list is the data file of
// the npm package psl (pinned and hash-checked at configure time, see
// CMakeLists.txt), compiled in as text: one rule a line, "*." for a wildcard,
// "!" for an exception, names in Unicode where the list has them. Hosts in
// cookie databases are ASCII (punycode), so Unicode rules are converted with
// the system's IdnToAscii once, when the rules are first used.
#include "browser_data/browser_data.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <unordered_set>
#include <vector>

namespace browser_data {
namespace {

const char kRules[] =
#include "public_suffix_rules.inc"
    ;

struct Rules {
    std::unordered_set<std::string> exact;
    std::unordered_set<std::string> wildcard;   // "*.ck" is kept as "ck"
    std::unordered_set<std::string> exception;  // "!www.ck" is kept as "www.ck"
};

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// A rule in ASCII; empty when the system cannot convert it.
std::string AsciiRule(const std::string& rule) {
    if (std::all_of(rule.begin(), rule.end(), [](unsigned char c) { return c < 0x80; })) {
        return Lower(rule);
    }
    wchar_t wide[256];
    int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, rule.data(),
                                    static_cast<int>(rule.size()), wide, 255);
    if (units <= 0) return {};
    wchar_t ascii[256];
    int length = IdnToAscii(0, wide, units, ascii, 255);
    if (length <= 0) return {};
    std::string out;
    for (int i = 0; i < length; ++i) out += static_cast<char>(ascii[i]);
    return Lower(out);
}

Rules Load() {
    Rules rules;
    std::string_view text(kRules);
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty()) continue;
        std::unordered_set<std::string>* set = &rules.exact;
        if (line.front() == '!') {
            set = &rules.exception;
            line.remove_prefix(1);
        } else if (line.substr(0, 2) == "*.") {
            set = &rules.wildcard;
            line.remove_prefix(2);
        }
        std::string rule = AsciiRule(std::string(line));
        if (!rule.empty()) set->insert(rule);
    }
    return rules;
}

const Rules& TheRules() {
    static const Rules rules = Load();
    return rules;
}

bool IsAddress(const std::string& host) {
    if (host.find(':') != std::string::npos) return true;  // IPv6
    return !host.empty() && std::all_of(host.begin(), host.end(), [](unsigned char c) {
        return c == '.' || (c >= '0' && c <= '9');
    });
}

}  // namespace

std::string RegistrableDomain(std::string_view host) {
    std::string name = Lower(host);
    while (!name.empty() && name.front() == '.') name.erase(0, 1);
    while (!name.empty() && name.back() == '.') name.pop_back();
    if (name.empty() || IsAddress(name) || name.find("..") != std::string::npos) return name;

    // Label starts, longest candidate suffix first.
    std::vector<size_t> starts = {0};
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '.') starts.push_back(i + 1);
    }
    const Rules& rules = TheRules();
    // Without a matching rule the last label is the suffix.
    size_t suffix = starts.size() - 1;
    for (size_t i = 0; i < starts.size(); ++i) {
        std::string candidate = name.substr(starts[i]);
        // An exception makes its own name registrable: its parent is the suffix.
        if (rules.exception.count(candidate)) return candidate;
        bool wild = i + 1 < starts.size() && rules.wildcard.count(name.substr(starts[i + 1]));
        if (rules.exact.count(candidate) || wild) {
            suffix = i;
            break;
        }
    }
    return suffix == 0 ? name : name.substr(starts[suffix - 1]);
}

}  // namespace browser_data
