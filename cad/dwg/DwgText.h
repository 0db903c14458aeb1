#pragma once
// Text of pre-2007 drawings is stored in the drawing's code page (the number
// at byte 0x13 of the file); this turns it into UTF-8.

#include <string>

namespace cad::dwg {

class CodePage {
public:
    explicit CodePage(int dwgCodePage);
    ~CodePage();
    CodePage(const CodePage&) = delete;
    CodePage& operator=(const CodePage&) = delete;

    // Name as DXF spells it ("ANSI_936"), "" for an unknown number.
    const std::string& name() const { return name_; }
    std::string toUtf8(const std::string& raw) const;

private:
    std::string name_;
    mutable bool tried_ = false;
    mutable void* lazy_ = nullptr;
    std::string iconvName_;
};

// DXF name of a DWG code page number ("ANSI_1252" for 30), "" if unknown.
std::string codePageName(int dwgCodePage);

// Replaces \U+XXXX escapes (written for characters outside the code page) by
// the characters themselves.
std::string decodeUnicodeEscapes(const std::string& utf8);

} // namespace cad::dwg
