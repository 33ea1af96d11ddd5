#include "mini_json.h"

#include <cstdlib>

namespace hostjson {

namespace {

struct Reader {
    const std::string& s;
    size_t at = 0;

    void Space() {
        while (at < s.size() && (s[at] == ' ' || s[at] == '\n' || s[at] == '\r' || s[at] == '\t'))
            ++at;
    }
    bool Literal(const char* word) {
        const std::string w(word);
        if (s.compare(at, w.size(), w) != 0) return false;
        at += w.size();
        return true;
    }
    void Utf8(unsigned code, std::string* out) {
        if (code < 0x80) {
            out->push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out->push_back(static_cast<char>(0xC0 | (code >> 6)));
            out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out->push_back(static_cast<char>(0xE0 | (code >> 12)));
            out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    bool Str(std::string* out) {
        if (at >= s.size() || s[at] != '"') return false;
        ++at;
        while (at < s.size() && s[at] != '"') {
            const unsigned char c = static_cast<unsigned char>(s[at]);
            if (c < 0x20) return false;  // raw control characters are invalid
            if (c != '\\') {
                out->push_back(static_cast<char>(c));
                ++at;
                continue;
            }
            if (++at >= s.size()) return false;
            const char e = s[at++];
            switch (e) {
                case '"':
                    out->push_back('"');
                    break;
                case '\\':
                    out->push_back('\\');
                    break;
                case '/':
                    out->push_back('/');
                    break;
                case 'n':
                    out->push_back('\n');
                    break;
                case 'r':
                    out->push_back('\r');
                    break;
                case 't':
                    out->push_back('\t');
                    break;
                case 'b':
                    out->push_back('\b');
                    break;
                case 'f':
                    out->push_back('\f');
                    break;
                case 'u': {
                    if (at + 4 > s.size()) return false;
                    Utf8(static_cast<unsigned>(std::strtoul(s.substr(at, 4).c_str(), nullptr, 16)),
                         out);
                    at += 4;
                    break;
                }
                default:
                    return false;
            }
        }
        if (at >= s.size()) return false;
        ++at;
        return true;
    }
    bool Val(Value* v) {
        Space();
        if (at >= s.size()) return false;
        const char c = s[at];
        if (c == '{') {
            v->kind = Value::Object;
            ++at;
            Space();
            if (at < s.size() && s[at] == '}') return ++at, true;
            for (;;) {
                Space();
                std::string key;
                if (!Str(&key)) return false;
                Space();
                if (at >= s.size() || s[at++] != ':') return false;
                if (!Val(&v->members[key])) return false;
                Space();
                if (at < s.size() && s[at] == ',') {
                    ++at;
                    continue;
                }
                return at < s.size() && s[at++] == '}';
            }
        }
        if (c == '[') {
            v->kind = Value::Array;
            ++at;
            Space();
            if (at < s.size() && s[at] == ']') return ++at, true;
            for (;;) {
                v->items.emplace_back();
                if (!Val(&v->items.back())) return false;
                Space();
                if (at < s.size() && s[at] == ',') {
                    ++at;
                    continue;
                }
                return at < s.size() && s[at++] == ']';
            }
        }
        if (c == '"') {
            v->kind = Value::String;
            return Str(&v->text);
        }
        if (Literal("true")) return v->kind = Value::Bool, v->boolean = true, true;
        if (Literal("false")) return v->kind = Value::Bool, true;
        if (Literal("null")) return true;
        char* end = nullptr;
        v->number = std::strtod(s.c_str() + at, &end);
        if (end == s.c_str() + at) return false;
        v->kind = Value::Number;
        at = static_cast<size_t>(end - s.c_str());
        return true;
    }
};

}  // namespace

const Value& Value::operator[](const std::string& key) const {
    static const Value none;
    auto found = members.find(key);
    return found == members.end() ? none : found->second;
}

bool Parse(const std::string& text, Value* out, size_t* errorOffset) {
    Reader reader{text};
    const bool ok = reader.Val(out);
    reader.Space();
    *errorOffset = reader.at;
    return ok && reader.at == text.size();
}

}  // namespace hostjson
