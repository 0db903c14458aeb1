#include "cad/dwg/DwgText.h"

#include <iconv.h>

#include <array>
#include <cerrno>

#include "cad/dwg/DwgBitReader.h"

namespace cad::dwg {

namespace {
struct CpEntry {
    const char* dxf;
    const char* iconv;
};
// Index = code page number stored in the file.
constexpr std::array<CpEntry, 45> kCodePages{{
    {"", ""},                          // 0: none
    {"ASCII", "ASCII"},                // 1
    {"ISO8859-1", "ISO-8859-1"},       // 2
    {"ISO8859-2", "ISO-8859-2"},       // 3
    {"ISO8859-3", "ISO-8859-3"},       // 4
    {"ISO8859-4", "ISO-8859-4"},       // 5
    {"ISO8859-5", "ISO-8859-5"},       // 6
    {"ISO8859-6", "ISO-8859-6"},       // 7
    {"ISO8859-7", "ISO-8859-7"},       // 8
    {"ISO8859-8", "ISO-8859-8"},       // 9
    {"ISO8859-9", "ISO-8859-9"},       // 10
    {"DOS437", "CP437"},               // 11
    {"DOS850", "CP850"},               // 12
    {"DOS852", "CP852"},               // 13
    {"DOS855", "CP855"},               // 14
    {"DOS857", "CP857"},               // 15
    {"DOS860", "CP860"},               // 16
    {"DOS861", "CP861"},               // 17
    {"DOS863", "CP863"},               // 18
    {"DOS864", "CP864"},               // 19
    {"DOS865", "CP865"},               // 20
    {"DOS869", "CP869"},               // 21
    {"DOS932", "CP932"},               // 22
    {"MACINTOSH", "MACINTOSH"},        // 23
    {"BIG5", "BIG5"},                  // 24
    {"KSC5601", "CP949"},              // 25
    {"JOHAB", "JOHAB"},                // 26
    {"DOS866", "CP866"},               // 27
    {"ANSI_1250", "CP1250"},           // 28
    {"ANSI_1251", "CP1251"},           // 29
    {"ANSI_1252", "CP1252"},           // 30
    {"GB2312", "GBK"},                 // 31
    {"ANSI_1253", "CP1253"},           // 32
    {"ANSI_1254", "CP1254"},           // 33
    {"ANSI_1255", "CP1255"},           // 34
    {"ANSI_1256", "CP1256"},           // 35
    {"ANSI_1257", "CP1257"},           // 36
    {"ANSI_874", "CP874"},             // 37
    {"ANSI_932", "CP932"},             // 38
    {"ANSI_936", "GBK"},               // 39
    {"ANSI_949", "CP949"},             // 40
    {"ANSI_950", "BIG5"},              // 41
    {"ANSI_1361", "JOHAB"},            // 42
    {"ANSI_1200", "UTF-16LE"},         // 43
    {"ANSI_1258", "CP1258"},           // 44
}};

bool isAscii(const std::string& s)
{
    for (unsigned char c : s)
        if (c >= 0x80)
            return false;
    return true;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
} // namespace

std::string codePageName(int n)
{
    if (n < 0 || n >= static_cast<int>(kCodePages.size()))
        return {};
    return kCodePages[static_cast<std::size_t>(n)].dxf;
}

CodePage::CodePage(int n)
{
    if (n >= 0 && n < static_cast<int>(kCodePages.size())) {
        name_ = kCodePages[static_cast<std::size_t>(n)].dxf;
        iconvName_ = kCodePages[static_cast<std::size_t>(n)].iconv;
    }
    // Unknown or unset: Western text is by far the most common.
    if (iconvName_.empty())
        iconvName_ = "CP1252";
}

CodePage::~CodePage()
{
    if (lazy_ && lazy_ != reinterpret_cast<void*>(-1))
        iconv_close(static_cast<iconv_t>(lazy_));
}

std::string CodePage::toUtf8(const std::string& raw) const
{
    if (isAscii(raw))
        return decodeUnicodeEscapes(raw);
    if (!tried_) {
        tried_ = true;
        iconv_t cd = iconv_open("UTF-8", iconvName_.c_str());
        lazy_ = (cd == reinterpret_cast<iconv_t>(-1)) ? reinterpret_cast<void*>(-1)
                                                      : static_cast<void*>(cd);
    }
    std::string out;
    if (lazy_ == reinterpret_cast<void*>(-1)) {
        for (unsigned char c : raw)
            appendUtf8(out, c); // Latin-1 as a last resort
        return decodeUnicodeEscapes(out);
    }
    auto cd = static_cast<iconv_t>(lazy_);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    out.resize(raw.size() * 4 + 8);
    char* in = const_cast<char*>(raw.data());
    std::size_t inLeft = raw.size();
    char* o = out.data();
    std::size_t outLeft = out.size();
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &o, &outLeft) != static_cast<std::size_t>(-1))
            break;
        if (errno == E2BIG)
            break; // cannot happen with 4x room, but never loop on it
        // Invalid or truncated sequence: emit U+FFFD and skip one byte.
        if (outLeft < 3)
            break;
        *o++ = static_cast<char>(0xef);
        *o++ = static_cast<char>(0xbf);
        *o++ = static_cast<char>(0xbd);
        outLeft -= 3;
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(out.size() - outLeft);
    return decodeUnicodeEscapes(out);
}

std::string decodeUnicodeEscapes(const std::string& s)
{
    if (s.find("\\U+") == std::string::npos && s.find("\\u+") == std::string::npos)
        return s;
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 6 < s.size() + 0 && (s[i + 1] == 'U' || s[i + 1] == 'u')
            && s[i + 2] == '+' && i + 7 <= s.size()) {
            int v = 0;
            bool ok = true;
            for (int k = 0; k < 4; ++k) {
                const int h = hexValue(s[i + 3 + static_cast<std::size_t>(k)]);
                if (h < 0) { ok = false; break; }
                v = v * 16 + h;
            }
            if (ok) {
                appendUtf8(out, static_cast<std::uint32_t>(v));
                i += 6;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

std::string codePageToUtf8(const CodePage* cp, const std::string& raw)
{
    if (!cp)
        return decodeUnicodeEscapes(raw);
    return cp->toUtf8(raw);
}

} // namespace cad::dwg
