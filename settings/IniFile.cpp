#include "IniFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <random>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace settings {

namespace {

// A settings file is a few hundred bytes; anything far larger is not ours to
// load into memory.
constexpr off_t kMaxFileBytes = 16 * 1024 * 1024;

enum class LoadState { Ok, Missing, Unreadable };

struct Document {
    std::vector<std::string> lines;  // without line ends
    bool bom = false;
    bool crlf = false;
};

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (isBlank(s.front()) || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (isBlank(s.back()) || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z')
            x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

bool isComment(std::string_view line)
{
    const std::string_view t = trim(line);
    return !t.empty() && (t.front() == ';' || t.front() == '#');
}

// "[NAME]" -> NAME; false for any other line.
bool sectionName(std::string_view line, std::string_view& name)
{
    const std::string_view t = trim(line);
    if (t.empty() || t.front() != '[')
        return false;
    const std::size_t close = t.find(']');
    if (close == std::string_view::npos)
        return false;
    name = trim(t.substr(1, close - 1));
    return true;
}

// "key = value" -> key and value; false for blank, comment and section lines.
bool keyValue(std::string_view line, std::string_view& key, std::string_view& value)
{
    if (isComment(line))
        return false;
    std::string_view dummy;
    if (sectionName(line, dummy))
        return false;
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return false;
    key = trim(line.substr(0, eq));
    value = trim(line.substr(eq + 1));
    return !key.empty();
}

LoadState load(const std::string& path, Document& doc)
{
    doc = {};
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? LoadState::Missing : LoadState::Unreadable;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxFileBytes) {
        ::close(fd);
        return LoadState::Unreadable;
    }
    std::string data;
    char buf[8192];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return LoadState::Unreadable;
        }
        if (n == 0)
            break;
        data.append(buf, static_cast<std::size_t>(n));
        if (data.size() > static_cast<std::size_t>(kMaxFileBytes)) {
            ::close(fd);
            return LoadState::Unreadable;
        }
    }
    ::close(fd);

    std::string_view rest(data);
    if (rest.substr(0, 3) == "\xEF\xBB\xBF") {
        doc.bom = true;
        rest.remove_prefix(3);
    }
    const std::size_t firstNl = rest.find('\n');
    doc.crlf = firstNl != std::string_view::npos && firstNl > 0 && rest[firstNl - 1] == '\r';
    while (!rest.empty()) {
        const std::size_t nl = rest.find('\n');
        std::string_view line = rest.substr(0, nl);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        doc.lines.emplace_back(line);
        if (nl == std::string_view::npos)
            break;
        rest.remove_prefix(nl + 1);
    }
    return LoadState::Ok;
}

// Index of the first header of that section, or -1.
long findSection(const Document& doc, std::string_view section)
{
    for (std::size_t i = 0; i < doc.lines.size(); ++i) {
        std::string_view name;
        if (sectionName(doc.lines[i], name) && equalsNoCase(name, section))
            return static_cast<long>(i);
    }
    return -1;
}

// One past the last line of the section starting at header.
std::size_t sectionEnd(const Document& doc, std::size_t header)
{
    std::size_t i = header + 1;
    std::string_view name;
    while (i < doc.lines.size() && !sectionName(doc.lines[i], name))
        ++i;
    return i;
}

long findKey(const Document& doc, std::size_t header, std::string_view key, std::string_view* value = nullptr)
{
    const std::size_t end = sectionEnd(doc, header);
    for (std::size_t i = header + 1; i < end; ++i) {
        std::string_view k, v;
        if (keyValue(doc.lines[i], k, v) && equalsNoCase(k, key)) {
            if (value)
                *value = v;
            return static_cast<long>(i);
        }
    }
    return -1;
}

bool lookup(const std::string& path, std::string_view section, std::string_view key, std::string& out)
{
    Document doc;
    if (load(path, doc) != LoadState::Ok)
        return false;
    const long header = findSection(doc, section);
    if (header < 0)
        return false;
    std::string_view value;
    if (findKey(doc, static_cast<std::size_t>(header), key, &value) < 0)
        return false;
    out.assign(value);
    return true;
}

// Cut to at most max code points, never inside a UTF-8 sequence.
std::string truncateChars(const std::string& s, std::size_t max)
{
    std::size_t chars = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if ((c & 0xC0) != 0x80) {
            if (chars == max)
                return s.substr(0, i);
            ++chars;
        }
    }
    return s;
}

bool hasLineBreak(std::string_view s)
{
    return s.find_first_of("\r\n") != std::string_view::npos;
}

bool writeAll(int fd, const std::string& data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Writes doc to a temporary file beside target and renames it over target.
// False on any failure; no temporary file is left behind.
bool replaceFile(const std::string& target, const Document& doc)
{
    std::string out;
    if (doc.bom)
        out += "\xEF\xBB\xBF";
    const char* eol = doc.crlf ? "\r\n" : "\n";
    for (const std::string& line : doc.lines) {
        out += line;
        out += eol;
    }

    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists) {
        // A file marked read-only stays read-only even for root, as a
        // read-only attribute would.
        if (!S_ISREG(st.st_mode) || ::access(target.c_str(), W_OK) != 0 || (st.st_mode & 0222) == 0)
            return false;
    }

    const std::size_t slash = target.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string(".") : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);

    std::random_device rd;
    std::string tmp;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        tmp = dir + (dir.back() == '/' ? "" : "/") + "." + base + "." + std::to_string(rd() % 1000000000u) + ".tmp";
        fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;
    if (exists) {
        // Keep the replaced file's mode and, where allowed, its owner.
        (void)::fchmod(fd, st.st_mode & 07777);
        (void)!::fchown(fd, st.st_uid, st.st_gid);
    }
    bool ok = writeAll(fd, out) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok)
        ok = ::rename(tmp.c_str(), target.c_str()) == 0;
    if (!ok)
        ::unlink(tmp.c_str());
    return ok;
}

// Writes go to the file a symbolic link points at, not over the link.
std::string resolveTarget(const std::string& path)
{
    std::error_code ec;
    if (std::filesystem::is_symlink(path, ec)) {
        const auto target = std::filesystem::weakly_canonical(path, ec);
        if (!ec)
            return target.string();
    }
    return path;
}

} // namespace

IniWriteError::IniWriteError(const std::string& path)
    : std::runtime_error("Unable to write to " + path), path_(path)
{
}

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

std::string IniFile::ReadString(std::string_view section, std::string_view key, const std::string& def) const
{
    std::string value;
    if (!lookup(path_, section, key, value))
        value = def;
    return truncateChars(value, kMaxTextChars);
}

std::int32_t IniFile::ReadInteger(std::string_view section, std::string_view key, std::int32_t def) const
{
    std::string text;
    std::int32_t v = 0;
    if (lookup(path_, section, key, text) && ParseIniInteger(text, v))
        return v;
    return def;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool IniFile::SectionExists(std::string_view section) const
{
    Document doc;
    return load(path_, doc) == LoadState::Ok && findSection(doc, section) >= 0;
}

bool IniFile::ValueExists(std::string_view section, std::string_view key) const
{
    std::string v;
    return lookup(path_, section, key, v);
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    const std::string_view s = trim(section), k = trim(key);
    if (s.empty() || hasLineBreak(s) || s.find(']') != std::string_view::npos)
        throw std::invalid_argument("INI section name cannot be stored");
    if (k.empty() || hasLineBreak(k) || k.find('=') != std::string_view::npos || k.front() == '['
        || k.front() == ';' || k.front() == '#')
        throw std::invalid_argument("INI key name cannot be stored");
    if (hasLineBreak(value))
        throw std::invalid_argument("INI value cannot hold a line break");

    const std::string target = resolveTarget(path_);
    Document doc;
    // A file we cannot read would lose its other keys if rewritten.
    if (load(target, doc) == LoadState::Unreadable)
        throw IniWriteError(path_);

    const std::string line = std::string(k) + "=" + std::string(value);
    const long header = findSection(doc, s);
    if (header < 0) {
        if (!doc.lines.empty() && !trim(doc.lines.back()).empty())
            doc.lines.emplace_back();
        doc.lines.push_back("[" + std::string(s) + "]");
        doc.lines.push_back(line);
    } else {
        const auto h = static_cast<std::size_t>(header);
        const long at = findKey(doc, h, k);
        if (at >= 0) {
            // Keep the key's spelling as the file has it.
            std::string_view oldKey, oldValue;
            keyValue(doc.lines[static_cast<std::size_t>(at)], oldKey, oldValue);
            doc.lines[static_cast<std::size_t>(at)] = std::string(oldKey) + "=" + std::string(value);
        } else {
            // After the section's last non-blank line, so the blank line
            // before the next section stays where it is.
            std::size_t pos = sectionEnd(doc, h);
            while (pos > h + 1 && trim(doc.lines[pos - 1]).empty())
                --pos;
            doc.lines.insert(doc.lines.begin() + static_cast<long>(pos), line);
        }
    }
    if (!replaceFile(target, doc))
        throw IniWriteError(path_);
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value)
{
    WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value)
{
    WriteString(section, key, value ? "1" : "0");
}

bool ParseIniInteger(std::string_view text, std::int32_t& out)
{
    text = trim(text);
    bool hex = false;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        hex = true;
        text.remove_prefix(2);
    } else if (!text.empty() && text[0] == '$') {
        hex = true;
        text.remove_prefix(1);
    }
    if (hex) {
        if (text.empty())
            return false;
        std::uint64_t v = 0;
        for (const char c : text) {
            int d;
            if (c >= '0' && c <= '9')
                d = c - '0';
            else if (c >= 'a' && c <= 'f')
                d = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                d = c - 'A' + 10;
            else
                return false;
            v = v * 16 + static_cast<std::uint64_t>(d);
            if (v > 0xFFFFFFFFu)
                return false;
        }
        out = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
        return true;
    }
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return false;
    std::int64_t v = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
        if (v > std::int64_t(INT32_MAX) + 1)
            return false;
    }
    if (negative)
        v = -v;
    if (v < INT32_MIN || v > INT32_MAX)
        return false;
    out = static_cast<std::int32_t>(v);
    return true;
}

std::string SettingsFilePath(const std::string& programDir)
{
    std::string dir = programDir;
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    if (!dir.empty() && ::access(dir.c_str(), W_OK) == 0)
        return dir + "Korvane.ini";

    std::string config;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') {
        config = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || home[0] != '/') {
            const passwd* pw = ::getpwuid(::getuid());
            home = pw ? pw->pw_dir : "/tmp";
        }
        config = std::string(home) + "/.config";
    }
    while (config.size() > 1 && config.back() == '/')
        config.pop_back();
    const std::string folder = config + "/plendor";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);  // a failure shows at the first write
    return folder + "/Korvane.ini";
}

} // namespace settings
