// Turns DXF string values into UTF-8: legacy code pages through iconv, and the
// \U+XXXX / \M+nXXXX escapes that writers use for characters outside them.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace cad::dxf {

// iconv name for a $DWGCODEPAGE value ("ANSI_936" -> "GBK"); "" when unknown.
std::string iconvNameForCodepage(std::string_view dwgCodepage);

class TextDecoder {
 public:
  TextDecoder();
  ~TextDecoder();
  TextDecoder(const TextDecoder&) = delete;
  TextDecoder& operator=(const TextDecoder&) = delete;

  // Source encoding of the strings: a $DWGCODEPAGE value, or "" for UTF-8
  // (files from 2007 on).
  void setCodepage(std::string_view dwgCodepage);

  std::string decode(std::string_view raw);

 private:
  void convert(std::string_view in, const std::string& iconvName, std::string& out);
  void appendEscapes(std::string_view utf8, std::string& out);
  void* handleFor(const std::string& iconvName);

  std::string sourceName_;  // "" = UTF-8
  bool singleByte_ = false;
  std::map<std::string, void*> handles_;
};

// Appends the UTF-8 form of a code point (invalid ones become U+FFFD).
void appendUtf8(std::string& out, char32_t cp);

}  // namespace cad::dxf
