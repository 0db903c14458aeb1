#pragma once
// A small INI file reader/writer with the behaviour of the classic profile
// functions: names matched without regard to ASCII case, every write reaching
// the disk at once, unknown sections and keys left alone.
//
// Format choices (see docs/settings.md):
// - UTF-8 text; a leading byte-order mark and CRLF line ends are kept on rewrite.
// - Lines whose first non-blank character is ';' or '#' are comments: kept,
//   never read as keys.
// - A key or section that appears twice: the first one is read and written;
//   later copies are kept untouched.
// - Names and values are trimmed of blanks around them.
// - Each write re-reads the file, changes one line and replaces the file
//   atomically (temporary file in the same folder, then rename).

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace settings {

// Raised when a write cannot reach the file; what() is "Unable to write to <path>".
class IniWriteError : public std::runtime_error {
public:
    explicit IniWriteError(const std::string& path);
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

class IniFile {
public:
    explicit IniFile(std::string path);

    const std::string& fileName() const { return path_; }

    // Text up to kMaxTextChars characters (code points); def when the key is missing.
    std::string ReadString(std::string_view section, std::string_view key, const std::string& def) const;
    // def when missing, empty or not a valid 32-bit integer.
    std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t def) const;
    // An integer whose default is 1 / 0; any non-zero value is true.
    bool ReadBool(std::string_view section, std::string_view key, bool def) const;
    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;

    // Each write throws IniWriteError when the file cannot be written.
    // Names with line breaks, a section name with ']' and a key with '=' or a
    // leading '[', ';' or '#' cannot be stored and throw std::invalid_argument,
    // as does a value with a line break.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
    void WriteBool(std::string_view section, std::string_view key, bool value);

    static constexpr std::size_t kMaxTextChars = 2047;

private:
    std::string path_;
};

// Integer text as the profile functions read it: "0x"/"0X" (text longer than
// two characters) or "$" prefix for hexadecimal, otherwise decimal with an
// optional sign. Hexadecimal covers 32 bits (0xFFFFFFFF is -1). False when the
// text is not a valid 32-bit integer.
bool ParseIniInteger(std::string_view text, std::int32_t& out);

// The settings file: programDir + "Korvane.ini" when that folder is writable,
// else $XDG_CONFIG_HOME/plendor/Korvane.ini (~/.config when the variable is
// unset or not absolute); that folder is created when missing.
std::string SettingsFilePath(const std::string& programDir);

} // namespace settings
