// Text control codes of TEXT (%%-codes) and MTEXT (backslash codes).
#include <charconv>
#include <cmath>

#include "cad/model/Drawing.h"

namespace cad {

namespace {

void appendCp(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

double parseNumber(std::string_view s, bool* relative = nullptr) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  if (relative) *relative = !s.empty() && (s.back() == 'x' || s.back() == 'X');
  if (!s.empty() && (s.back() == 'x' || s.back() == 'X')) s.remove_suffix(1);
  double v = 0;
  auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  if (r.ec != std::errc() || !std::isfinite(v)) return 0;
  return v;
}

}  // namespace

std::string decodeTextSpecials(std::string_view s, bool* hasUnderline, bool* hasOverline) {
  if (hasUnderline) *hasUnderline = false;
  if (hasOverline) *hasOverline = false;
  if (s.find("%%") == std::string_view::npos) return std::string(s);
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '%' || i + 2 >= s.size() || s[i + 1] != '%') {
      out.push_back(s[i]);
      continue;
    }
    char c = s[i + 2];
    switch (c) {
      case 'c': case 'C': appendCp(out, 0x00D8); i += 2; break;
      case 'd': case 'D': appendCp(out, 0x00B0); i += 2; break;
      case 'p': case 'P': appendCp(out, 0x00B1); i += 2; break;
      case '%': out.push_back('%'); i += 2; break;
      case 'u': case 'U': if (hasUnderline) *hasUnderline = true; i += 2; break;
      case 'o': case 'O': if (hasOverline) *hasOverline = true; i += 2; break;
      default:
        if (c >= '0' && c <= '9') {
          // %%nnn: character by its three-digit code.
          std::size_t j = i + 2;
          unsigned v = 0;
          int digits = 0;
          while (j < s.size() && digits < 3 && s[j] >= '0' && s[j] <= '9') {
            v = v * 10 + static_cast<unsigned>(s[j] - '0');
            ++j;
            ++digits;
          }
          if (v >= 32) appendCp(out, v);
          i = j - 1;
        } else {
          out.push_back('%');
        }
        break;
    }
  }
  return out;
}

std::vector<MTextParagraph> parseMText(std::string_view raw, double baseHeight) {
  std::vector<MTextParagraph> paras(1);
  std::vector<MTextRun> stack;  // formatting saved at each '{'
  std::vector<char> alignStack;
  MTextRun cur;
  char align = 0;

  auto flush = [&]() {
    if (!cur.text.empty() || cur.stacked) {
      cur.text = decodeTextSpecials(cur.text);
      paras.back().runs.push_back(cur);
    }
    cur.text.clear();
    cur.stacked = false;
    cur.stackTop.clear();
    cur.stackBottom.clear();
  };
  auto newParagraph = [&]() {
    flush();
    if (paras.size() < 100000) paras.emplace_back();
    paras.back().align = align;
  };
  // Argument up to ';' (or end of text).
  auto argument = [&](std::size_t& i) {
    std::size_t end = raw.find(';', i);
    if (end == std::string_view::npos) end = raw.size();
    std::string_view a = raw.substr(i, end - i);
    i = end;  // at ';' (the loop's ++i steps over it)
    return a;
  };

  for (std::size_t i = 0; i < raw.size(); ++i) {
    char c = raw[i];
    if (c == '{') {
      flush();
      if (stack.size() < 64) {
        stack.push_back(cur);
        alignStack.push_back(align);
      }
      continue;
    }
    if (c == '}') {
      flush();
      if (!stack.empty()) {
        cur = stack.back();
        stack.pop_back();
        align = alignStack.back();
        alignStack.pop_back();
        cur.text.clear();
      }
      continue;
    }
    if (c == '^' && i + 1 < raw.size()) {
      // Caret encoding of control characters.
      char n = raw[++i];
      if (n == 'J') newParagraph();
      else if (n == 'I') cur.text.push_back('\t');
      else if (n == ' ') cur.text.push_back('^');
      continue;
    }
    if (c == '\n') {
      newParagraph();
      continue;
    }
    if (c != '\\' || i + 1 >= raw.size()) {
      cur.text.push_back(c);
      continue;
    }
    char code = raw[++i];
    switch (code) {
      case 'P': case 'N': case 'X': newParagraph(); break;
      case '~': appendCp(cur.text, 0x00A0); break;
      case '\\': case '{': case '}': cur.text.push_back(code); break;
      case 'L': flush(); cur.underline = true; break;
      case 'l': flush(); cur.underline = false; break;
      case 'O': flush(); cur.overline = true; break;
      case 'o': flush(); cur.overline = false; break;
      case 'K': flush(); cur.strike = true; break;
      case 'k': flush(); cur.strike = false; break;
      case 'f': case 'F': {
        ++i;
        std::string_view a = argument(i);
        flush();
        std::size_t bar = a.find('|');
        cur.font = std::string(a.substr(0, bar));
        cur.bold = cur.italic = false;
        while (bar != std::string_view::npos) {
          std::size_t next = a.find('|', bar + 1);
          std::string_view opt = a.substr(bar + 1, next == std::string_view::npos ? std::string_view::npos : next - bar - 1);
          if (opt == "b1") cur.bold = true;
          if (opt == "i1") cur.italic = true;
          bar = next;
        }
        break;
      }
      case 'H': {
        ++i;
        bool rel = false;
        double v = parseNumber(argument(i), &rel);
        flush();
        if (v > 0) {
          double base = cur.height > 0 ? cur.height : baseHeight;
          cur.height = rel ? (base > 0 ? base * v : 0) : v;
        }
        break;
      }
      case 'W': {
        ++i;
        bool rel = false;
        double v = parseNumber(argument(i), &rel);
        flush();
        if (v > 0) cur.widthFactor = rel && cur.widthFactor > 0 ? cur.widthFactor * v : v;
        break;
      }
      case 'Q': {
        ++i;
        double v = parseNumber(argument(i));
        flush();
        cur.oblique = v * 3.14159265358979323846 / 180.0;
        break;
      }
      case 'T': {
        ++i;
        bool rel = false;
        double v = parseNumber(argument(i), &rel);
        flush();
        if (v > 0) cur.tracking = v;
        break;
      }
      case 'A': {
        ++i;
        double v = parseNumber(argument(i));
        flush();
        cur.valign = (v >= 0 && v <= 2) ? static_cast<int>(v) : -1;
        break;
      }
      case 'C': {
        ++i;
        double v = parseNumber(argument(i));
        flush();
        cur.color = (v >= 0 && v <= 256) ? static_cast<int>(v) : -1;
        cur.trueColor = -1;
        break;
      }
      case 'c': {
        ++i;
        double v = parseNumber(argument(i));
        flush();
        if (v >= 0 && v <= 0xFFFFFF) cur.trueColor = static_cast<std::int32_t>(v);
        break;
      }
      case 'S': {
        ++i;
        std::string_view a = argument(i);
        flush();
        // top^bottom, top/bottom or top#bottom; "\^" etc. are literal.
        std::string top, bottom;
        char type = 0;
        for (std::size_t k = 0; k < a.size(); ++k) {
          char ch = a[k];
          if (ch == '\\' && k + 1 < a.size()) {
            (type ? bottom : top).push_back(a[++k]);
            continue;
          }
          if (!type && (ch == '^' || ch == '/' || ch == '#')) {
            type = ch;
            continue;
          }
          (type ? bottom : top).push_back(ch);
        }
        MTextRun s = cur;
        s.text.clear();
        s.stacked = true;
        s.stackType = type ? type : '/';
        s.stackTop = decodeTextSpecials(top);
        s.stackBottom = decodeTextSpecials(bottom);
        paras.back().runs.push_back(std::move(s));
        break;
      }
      case 'p': {
        ++i;
        // Paragraph properties: only the alignment (q?) is kept, not indents or tabs.
        std::string_view a = argument(i);
        for (std::size_t k = 0; k + 1 < a.size(); ++k) {
          if (a[k] == 'q' && (k == 0 || a[k - 1] == 'x' || a[k - 1] == ',')) {
            char q = a[k + 1];
            if (q == 'l' || q == 'r' || q == 'c' || q == 'j' || q == 'd') {
              align = q;
              paras.back().align = q;
            }
          }
        }
        break;
      }
      default:
        // Unknown code: keep it visible rather than lose characters.
        cur.text.push_back('\\');
        cur.text.push_back(code);
        break;
    }
  }
  flush();
  return paras;
}

}  // namespace cad
