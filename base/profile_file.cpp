#include "base/profile_file.h"

#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

namespace profile {
namespace {

constexpr const char* kBlanks = " \t";

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(kBlanks);
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(kBlanks);
    return s.substr(first, last - first + 1);
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

struct Lines {
    std::vector<std::string> text; // without their line ends
    std::string eol = "\n";
    bool endsWithEol = true;
};

std::optional<Lines> Load(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream buf;
    buf << in.rdbuf();
    const std::string all = buf.str();
    Lines lines;
    if (all.find("\r\n") != std::string::npos) lines.eol = "\r\n";
    std::size_t pos = 0;
    while (pos < all.size()) {
        std::size_t end = all.find('\n', pos);
        if (end == std::string::npos) {
            lines.text.push_back(all.substr(pos));
            lines.endsWithEol = false;
            break;
        }
        std::string line = all.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.text.push_back(std::move(line));
        pos = end + 1;
    }
    return lines;
}

// Section name of a "[name]" line, or nullopt for any other line.
std::optional<std::string> SectionOf(const std::string& line) {
    const std::string t = Trim(line);
    if (t.empty() || t.front() != '[') return std::nullopt;
    const auto close = t.find(']');
    return Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
}

bool IsComment(const std::string& line) {
    const std::string t = Trim(line);
    return !t.empty() && (t.front() == ';' || t.front() == '#');
}

// Key and raw value of a "key=value" line.
std::optional<std::pair<std::string, std::string>> KeyOf(const std::string& line) {
    if (IsComment(line)) return std::nullopt;
    const auto eq = line.find('=');
    if (eq == std::string::npos) return std::nullopt;
    return std::make_pair(Trim(line.substr(0, eq)), line.substr(eq + 1));
}

struct Position {
    std::optional<std::size_t> sectionLine; // the "[section]" line
    std::optional<std::size_t> keyLine;
    std::size_t lastContent = 0; // last non-blank line of the section
};

Position Find(const Lines& lines, const std::string& section, const std::string& key) {
    Position pos;
    bool inside = false;
    for (std::size_t i = 0; i < lines.text.size(); ++i) {
        const std::string& line = lines.text[i];
        if (auto name = SectionOf(line)) {
            if (inside) break; // first matching section only
            inside = SameName(*name, section);
            if (inside) pos.sectionLine = pos.lastContent = i;
            continue;
        }
        if (!inside) continue;
        if (!Trim(line).empty()) pos.lastContent = i;
        if (auto kv = KeyOf(line); kv && SameName(kv->first, key)) {
            pos.keyLine = i;
            return pos;
        }
    }
    return pos;
}

std::optional<std::string> RawValue(const std::string& file, const std::string& section,
                                    const std::string& key) {
    const auto lines = Load(file);
    if (!lines) return std::nullopt;
    const Position pos = Find(*lines, section, key);
    if (!pos.keyLine) return std::nullopt;
    return Trim(KeyOf(lines->text[*pos.keyLine])->second);
}

} // namespace

std::string GetString(const std::string& file, const std::string& section, const std::string& key,
                      const std::string& def, std::size_t maxChars) {
    std::string value = RawValue(file, section, key).value_or(def);
    if (value.size() > maxChars) value.resize(maxChars);
    return Trim(value);
}

int32_t GetInt(const std::string& file, const std::string& section, const std::string& key, int32_t def) {
    const auto raw = RawValue(file, section, key);
    if (!raw || raw->empty()) return def;
    const std::string& s = *raw;
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    unsigned base = 10;
    if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    uint32_t value = 0; // wraps modulo 2^32 as the classic call does
    for (; i < s.size(); ++i) {
        const char c = s[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            break;
        value = value * base + digit;
    }
    if (negative) value = 0u - value;
    return static_cast<int32_t>(value);
}

bool WriteString(const std::string& file, const std::string& section, const std::string& key,
                 const std::string& value) {
    Lines lines = Load(file).value_or(Lines{});
    const std::string entry = key + "=" + value;
    const Position pos = Find(lines, section, key);
    if (pos.keyLine) {
        lines.text[*pos.keyLine] = entry;
    } else if (pos.sectionLine) {
        lines.text.insert(lines.text.begin() + static_cast<std::ptrdiff_t>(pos.lastContent + 1), entry);
    } else {
        if (!lines.text.empty() && !Trim(lines.text.back()).empty()) lines.text.emplace_back();
        lines.text.push_back("[" + section + "]");
        lines.text.push_back(entry);
        lines.endsWithEol = true;
    }

    const std::string temp = file + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        for (std::size_t i = 0; i < lines.text.size(); ++i) {
            out << lines.text[i];
            if (i + 1 < lines.text.size() || lines.endsWithEol) out << lines.eol;
        }
        out.flush();
        if (!out) {
            std::remove(temp.c_str());
            return false;
        }
    }
    if (std::rename(temp.c_str(), file.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

} // namespace profile
