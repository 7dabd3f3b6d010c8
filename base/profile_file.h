// An INI reader and writer with the semantics of the classic private-profile calls: section and
// key names match case-insensitively, blanks around names and values are trimmed, a missing
// file or key gives the default, and a write replaces only that key's line, keeping every other
// line, comment and section. CR LF and LF line ends are both read; a write keeps the file's own.
#pragma once

#include <cstdint>
#include <string>

namespace profile {

// The value of key in section (trimmed, at most maxChars characters), or def when absent.
std::string GetString(const std::string& file, const std::string& section, const std::string& key,
                      const std::string& def, std::size_t maxChars);

// Leading optional sign and digits of the value (wrapping like the classic call on overflow,
// "0x" for hexadecimal); def when the key is absent or its value empty; 0 for text without digits.
int32_t GetInt(const std::string& file, const std::string& section, const std::string& key, int32_t def);

// Sets key=value in section, creating the file, section or key as needed. Replaces the file
// atomically so a failed write leaves the old file whole. Returns false when it could not write.
bool WriteString(const std::string& file, const std::string& section, const std::string& key,
                 const std::string& value);

} // namespace profile
