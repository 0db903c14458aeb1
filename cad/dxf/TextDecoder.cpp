#include "cad/dxf/TextDecoder.h"

#include <iconv.h>

#include <cerrno>
#include <charconv>

namespace cad::dxf {

namespace {

struct CodepageName {
  std::string_view dxf;
  const char* iconv;
};

constexpr CodepageName kCodepages[] = {
    {"ANSI_874", "CP874"},   {"ANSI_932", "CP932"},   {"ANSI_936", "GBK"},
    {"ANSI_949", "CP949"},   {"ANSI_950", "CP950"},   {"ANSI_1250", "CP1250"},
    {"ANSI_1251", "CP1251"}, {"ANSI_1252", "CP1252"}, {"ANSI_1253", "CP1253"},
    {"ANSI_1254", "CP1254"}, {"ANSI_1255", "CP1255"}, {"ANSI_1256", "CP1256"},
    {"ANSI_1257", "CP1257"}, {"ANSI_1258", "CP1258"}, {"ANSI_1361", "JOHAB"},
    {"DOS437", "CP437"},     {"DOS850", "CP850"},     {"DOS852", "CP852"},
    {"DOS855", "CP855"},     {"DOS857", "CP857"},     {"DOS860", "CP860"},
    {"DOS861", "CP861"},     {"DOS863", "CP863"},     {"DOS864", "CP864"},
    {"DOS865", "CP865"},     {"DOS869", "CP869"},     {"DOS932", "CP932"},
    {"DOS866", "CP866"},     {"GB2312", "GBK"},       {"BIG5", "CP950"},
    {"KSC5601", "CP949"},    {"JOHAB", "JOHAB"},      {"ISO8859-1", "ISO-8859-1"},
    {"ISO8859-2", "ISO-8859-2"}, {"ISO8859-3", "ISO-8859-3"}, {"ISO8859-4", "ISO-8859-4"},
    {"ISO8859-5", "ISO-8859-5"}, {"ISO8859-6", "ISO-8859-6"}, {"ISO8859-7", "ISO-8859-7"},
    {"ISO8859-8", "ISO-8859-8"}, {"ISO8859-9", "ISO-8859-9"}, {"MACINTOSH", "MACINTOSH"},
    {"UTF8", "UTF-8"},       {"UTF-8", "UTF-8"},
};

// \M+n prefixes: n selects the double-byte code page of the character.
const char* mifCodepage(char n) {
  switch (n) {
    case '1': return "CP932";
    case '2': return "CP950";
    case '3': return "CP949";
    case '4': return "JOHAB";
    case '5': return "GBK";
    default: return nullptr;
  }
}

bool hexValue(std::string_view s, unsigned& v) {
  auto r = std::from_chars(s.data(), s.data() + s.size(), v, 16);
  return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool isHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Copies valid UTF-8, replacing malformed bytes with U+FFFD.
void appendValidUtf8(std::string& out, std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    int n = (c >= 0xC2 && c <= 0xDF) ? 1 : (c >= 0xE0 && c <= 0xEF) ? 2 : (c >= 0xF0 && c <= 0xF4) ? 3 : 0;
    bool ok = n > 0 && i + n < s.size();
    for (int k = 1; ok && k <= n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) ok = false;
    if (ok) {
      out.append(s.substr(i, n + 1));
      i += n + 1;
    } else {
      appendUtf8(out, 0xFFFD);
      ++i;
    }
  }
}

bool isValidUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    int n = (c >= 0xC2 && c <= 0xDF) ? 1 : (c >= 0xE0 && c <= 0xEF) ? 2 : (c >= 0xF0 && c <= 0xF4) ? 3 : 0;
    if (n == 0 || i + n >= s.size()) return false;
    for (int k = 1; k <= n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += n + 1;
  }
  return true;
}

}  // namespace

void appendUtf8(std::string& out, char32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::string iconvNameForCodepage(std::string_view cp) {
  std::string up;
  for (char c : cp) {
    if (c == ' ' || c == '\t' || c == '\r') continue;
    up.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c);
  }
  for (const auto& e : kCodepages)
    if (e.dxf == up) return e.iconv;
  return {};
}

TextDecoder::TextDecoder() = default;

TextDecoder::~TextDecoder() {
  for (auto& [name, h] : handles_)
    if (h != reinterpret_cast<void*>(-1)) iconv_close(static_cast<iconv_t>(h));
}

void TextDecoder::setCodepage(std::string_view dwgCodepage) {
  singleByte_ = false;
  if (dwgCodepage.empty()) {
    sourceName_.clear();
    return;
  }
  sourceName_ = iconvNameForCodepage(dwgCodepage);
  // An unknown code page name: Western European is the writers' default.
  if (sourceName_.empty()) sourceName_ = "CP1252";
  if (sourceName_ == "UTF-8") sourceName_.clear();
  singleByte_ = sourceName_.rfind("CP12", 0) == 0 || sourceName_ == "CP874" ||
                sourceName_.rfind("ISO-8859", 0) == 0;
}

void* TextDecoder::handleFor(const std::string& name) {
  auto it = handles_.find(name);
  if (it != handles_.end()) return it->second;
  iconv_t h = iconv_open("UTF-8", name.c_str());
  void* v = h == reinterpret_cast<iconv_t>(-1) ? reinterpret_cast<void*>(-1) : static_cast<void*>(h);
  handles_.emplace(name, v);
  return v;
}

void TextDecoder::convert(std::string_view in, const std::string& name, std::string& out) {
  void* hv = handleFor(name);
  if (hv == reinterpret_cast<void*>(-1)) {
    appendValidUtf8(out, in);
    return;
  }
  auto h = static_cast<iconv_t>(hv);
  iconv(h, nullptr, nullptr, nullptr, nullptr);
  char* src = const_cast<char*>(in.data());
  std::size_t srcLeft = in.size();
  char buf[1024];
  while (srcLeft > 0) {
    char* dst = buf;
    std::size_t dstLeft = sizeof buf;
    std::size_t r = iconv(h, &src, &srcLeft, &dst, &dstLeft);
    out.append(buf, dst - buf);
    if (r == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      // Invalid or incomplete sequence: one replacement character, skip a byte.
      appendUtf8(out, 0xFFFD);
      ++src;
      --srcLeft;
      iconv(h, nullptr, nullptr, nullptr, nullptr);
    }
  }
}

void TextDecoder::appendEscapes(std::string_view s, std::string& out) {
  std::size_t i = 0;
  while (i < s.size()) {
    char c = s[i];
    if (c == '\\' && i + 2 < s.size() && s[i + 2] == '+') {
      char k = s[i + 1];
      if ((k == 'U' || k == 'u') && i + 7 <= s.size()) {
        unsigned v;
        std::string_view hex = s.substr(i + 3, 4);
        if (isHex(hex[0]) && isHex(hex[1]) && isHex(hex[2]) && isHex(hex[3]) && hexValue(hex, v)) {
          appendUtf8(out, v);
          i += 7;
          continue;
        }
      }
      if ((k == 'M' || k == 'm') && i + 8 <= s.size()) {
        const char* cpName = mifCodepage(s[i + 3]);
        unsigned v;
        std::string_view hex = s.substr(i + 4, 4);
        if (cpName && isHex(hex[0]) && isHex(hex[1]) && isHex(hex[2]) && isHex(hex[3]) &&
            hexValue(hex, v)) {
          char bytes[2] = {static_cast<char>(v >> 8), static_cast<char>(v & 0xFF)};
          convert(std::string_view(bytes, 2), cpName, out);
          i += 8;
          continue;
        }
      }
    }
    out.push_back(c);
    ++i;
  }
}

std::string TextDecoder::decode(std::string_view raw) {
  bool ascii = true;
  bool escapes = false;
  for (char c : raw) {
    if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
    else if (c == '\\') escapes = true;
  }
  if (ascii && !escapes) return std::string(raw);
  std::string utf8;
  if (ascii) {
    utf8.assign(raw);
  } else if (sourceName_.empty() || (singleByte_ && isValidUtf8(raw))) {
    // Some writers put UTF-8 into files of single-byte code pages; a run of
    // Western text that is also valid UTF-8 does not occur in practice.
    appendValidUtf8(utf8, raw);
  } else {
    convert(raw, sourceName_, utf8);
  }
  if (!escapes && utf8.find('\\') == std::string::npos) return utf8;
  std::string out;
  out.reserve(utf8.size());
  appendEscapes(utf8, out);
  return out;
}

}  // namespace cad::dxf
