#pragma once
// Reader for the bit-packed values of R13+ DWG data. Bits run from the most
// significant bit of each byte; multi-byte raw values are little-endian.
// Every read is bounds-checked against an end bit and throws DwgError past it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "cad/dwg/DwgLimits.h"

namespace cad::dwg {

enum class Ver : int { R13 = 0, R14, R2000, R2004, R2007, R2010, R2013, R2018 };

struct Handle {
    std::uint8_t code = 0;
    std::uint64_t value = 0;
    // Absolute handle: offset codes 6, 8, 0xA, 0xC are applied to `ref`.
    std::uint64_t resolve(std::uint64_t ref) const
    {
        switch (code) {
        case 0x6: return ref + 1;
        case 0x8: return ref - 1;
        case 0xA: return ref + value;
        case 0xC: return ref - value;
        default: return value;
        }
    }
};

struct Point2 { double x = 0, y = 0; };
struct Point3 { double x = 0, y = 0, z = 0; };

// Colour as stored: index (0 BYBLOCK, 256 BYLAYER), optional true colour.
struct CmColor {
    int index = 256;
    bool hasRgb = false;
    std::uint32_t rgb = 0;
    bool hasBookHandle = false; // ENC colour with a DBCOLOR handle in the handle stream
};

// Converts 8-bit text of the drawing's code page to UTF-8.
class CodePage;
std::string codePageToUtf8(const CodePage* cp, const std::string& raw);

class BitReader {
public:
    BitReader() = default;
    BitReader(const std::uint8_t* data, std::size_t sizeBytes, Ver v)
        : data_(data), bytes_(sizeBytes), endBit_(static_cast<std::uint64_t>(sizeBytes) * 8), ver_(v) {}

    Ver version() const { return ver_; }
    bool atLeast(Ver v) const { return ver_ >= v; }

    std::uint64_t bitPos() const { return pos_; }
    std::uint64_t endBit() const { return endBit_; }
    std::uint64_t bitsLeft() const { return endBit_ - pos_; }
    void seekBit(std::uint64_t bit)
    {
        if (bit > endBit_)
            throw DwgError("seek past the end of the data");
        pos_ = bit;
    }
    // Narrow the readable range (the end only ever shrinks).
    void setEndBit(std::uint64_t bit)
    {
        if (bit < endBit_)
            endBit_ = bit;
        if (pos_ > endBit_)
            pos_ = endBit_;
    }
    void alignByte() { seekBit((pos_ + 7) & ~std::uint64_t(7)); }

    std::uint64_t bits(unsigned n); // n <= 64
    bool B() { return bits(1) != 0; }
    unsigned BB() { return static_cast<unsigned>(bits(2)); }
    unsigned B3();
    std::int16_t BS();
    std::int32_t BL();
    std::uint64_t BLL();
    double BD();
    double DD(double def);
    double BT();
    Point3 BE();
    std::uint8_t RC() { return static_cast<std::uint8_t>(bits(8)); }
    std::uint16_t RS();
    std::uint32_t RL();
    double RD();
    std::int64_t MC();           // signed modular char
    std::uint64_t MCU();         // unsigned modular char
    std::uint32_t MS();
    Handle H();
    unsigned OT();
    Point2 RD2() { Point2 p; p.x = RD(); p.y = RD(); return p; }
    Point2 BD2() { Point2 p; p.x = BD(); p.y = BD(); return p; }
    Point3 BD3() { Point3 p; p.x = BD(); p.y = BD(); p.z = BD(); return p; }
    Point3 RD3() { Point3 p; p.x = RD(); p.y = RD(); p.z = RD(); return p; }
    Point3 DD3(const Point3& d) { Point3 p; p.x = DD(d.x); p.y = DD(d.y); p.z = DD(d.z); return p; }
    // 8-bit text: BS length then raw bytes (code page applied by the caller).
    std::string T8();
    // UTF-16 text: BS character count then 2 bytes per character, returned as UTF-8.
    std::string TU();
    // Text field as the version stores it: 8-bit in the code page up to 2004,
    // UTF-16 in the object's string stream from 2007 on. Always UTF-8 out.
    std::string TV();
    void setStringStream(BitReader* s) { str_ = s; }
    void setCodePage(const CodePage* cp) { cp_ = cp; }
    CmColor CMC();      // table colours
    CmColor ENC();      // entity colours (2004+ flags and transparency)
    void skipBits(std::uint64_t n)
    {
        if (n > bitsLeft())
            throw DwgError("skip past the end of the data");
        pos_ += n;
    }
    void readBytes(std::uint8_t* out, std::size_t n);

private:
    const std::uint8_t* data_ = nullptr;
    std::size_t bytes_ = 0;
    std::uint64_t endBit_ = 0;
    std::uint64_t pos_ = 0;
    Ver ver_ = Ver::R2000;
    BitReader* str_ = nullptr;
    const CodePage* cp_ = nullptr;
};

// 2007+ data ending at `endBit` keep their strings in a stream just before
// it, announced by the last bit. Points `str` at that stream and ends `dat`
// where it starts. Throws DwgError when the sizes do not fit.
void attachStringStream(BitReader& dat, BitReader& str, std::uint64_t endBit);

// CRC-16 (polynomial 0xA001, reflected) used throughout DWG files.
std::uint16_t crc16(std::uint16_t seed, const std::uint8_t* data, std::size_t n);

// Appends one code point to UTF-8 (invalid ones become U+FFFD).
void appendUtf8(std::string& out, std::uint32_t cp);

} // namespace cad::dwg
