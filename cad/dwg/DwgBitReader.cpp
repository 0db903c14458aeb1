#include "cad/dwg/DwgBitReader.h"

#include <cstring>

namespace cad::dwg {

std::uint64_t BitReader::bits(unsigned n)
{
    if (n > endBit_ - pos_)
        throw DwgError("read past the end of the data");
    const std::uint64_t byte0 = pos_ >> 3;
    // Fast path: one 64-bit load covers the whole read.
    if (n != 0 && n <= 56 && byte0 + 8 <= bytes_) {
        std::uint64_t w;
        std::memcpy(&w, data_ + byte0, 8);
        w = __builtin_bswap64(w); // bits run from the most significant end
        const std::uint64_t v = (w << (pos_ & 7)) >> (64 - n);
        pos_ += n;
        return v;
    }
    std::uint64_t v = 0;
    while (n > 0) {
        const std::uint64_t byte = pos_ >> 3;
        const unsigned off = static_cast<unsigned>(pos_ & 7);
        const unsigned avail = 8 - off;
        const unsigned take = avail < n ? avail : n;
        const unsigned b = data_[byte];
        v = (v << take) | ((b >> (avail - take)) & ((1u << take) - 1));
        pos_ += take;
        n -= take;
    }
    return v;
}

unsigned BitReader::B3()
{
    unsigned v = 0;
    for (int i = 0; i < 3; ++i) {
        const unsigned b = static_cast<unsigned>(bits(1));
        v = (v << 1) | b;
        if (!b)
            break;
    }
    return v;
}

std::uint16_t BitReader::RS()
{
    return __builtin_bswap16(static_cast<std::uint16_t>(bits(16)));
}

std::uint32_t BitReader::RL()
{
    return __builtin_bswap32(static_cast<std::uint32_t>(bits(32)));
}

double BitReader::RD()
{
    const std::uint64_t lo = RL();
    const std::uint64_t hi = RL();
    const std::uint64_t v = lo | (hi << 32);
    double d;
    std::memcpy(&d, &v, 8);
    return d;
}

std::int16_t BitReader::BS()
{
    switch (BB()) {
    case 0: return static_cast<std::int16_t>(RS());
    case 1: return static_cast<std::int16_t>(RC());
    case 2: return 0;
    default: return 256;
    }
}

std::int32_t BitReader::BL()
{
    switch (BB()) {
    case 0: return static_cast<std::int32_t>(RL());
    case 1: return static_cast<std::int32_t>(RC());
    case 2: return 0;
    default: throw DwgError("invalid bit long");
    }
}

std::uint64_t BitReader::BLL()
{
    // The byte count is three plain bits in the files met (graphics sizes),
    // not the 1-3 bit triplet code.
    const unsigned len = static_cast<unsigned>(bits(3));
    std::uint64_t v = 0;
    for (unsigned i = 0; i < len; ++i)
        v |= static_cast<std::uint64_t>(RC()) << (8 * i);
    return v;
}

double BitReader::BD()
{
    switch (BB()) {
    case 0: return RD();
    case 1: return 1.0;
    case 2: return 0.0;
    default: throw DwgError("invalid bit double");
    }
}

double BitReader::DD(double def)
{
    std::uint8_t b[8];
    std::memcpy(b, &def, 8);
    switch (BB()) {
    case 0: return def;
    case 1:
        for (int i = 0; i < 4; ++i)
            b[i] = RC();
        break;
    case 2:
        b[4] = RC();
        b[5] = RC();
        for (int i = 0; i < 4; ++i)
            b[i] = RC();
        break;
    default: return RD();
    }
    double d;
    std::memcpy(&d, b, 8);
    return d;
}

double BitReader::BT()
{
    if (ver_ >= Ver::R2000 && B())
        return 0.0;
    return BD();
}

Point3 BitReader::BE()
{
    if (ver_ >= Ver::R2000 && B())
        return Point3{0, 0, 1};
    return BD3();
}

std::int64_t BitReader::MC()
{
    std::uint64_t v = 0;
    unsigned shift = 0;
    for (int i = 0; i < 9; ++i) {
        const unsigned b = RC();
        if (b & 0x80) {
            v |= static_cast<std::uint64_t>(b & 0x7f) << shift;
            shift += 7;
            continue;
        }
        v |= static_cast<std::uint64_t>(b & 0x3f) << shift;
        const auto s = static_cast<std::int64_t>(v);
        return (b & 0x40) ? -s : s;
    }
    throw DwgError("modular char too long");
}

std::uint64_t BitReader::MCU()
{
    std::uint64_t v = 0;
    unsigned shift = 0;
    for (int i = 0; i < 9; ++i) {
        const unsigned b = RC();
        v |= static_cast<std::uint64_t>(b & 0x7f) << shift;
        if (!(b & 0x80))
            return v;
        shift += 7;
    }
    throw DwgError("modular char too long");
}

std::uint32_t BitReader::MS()
{
    std::uint64_t v = 0;
    unsigned shift = 0;
    for (int i = 0; i < 3; ++i) {
        const unsigned w = RS();
        v |= static_cast<std::uint64_t>(w & 0x7fff) << shift;
        if (!(w & 0x8000)) {
            if (v > 0xffffffffu)
                break;
            return static_cast<std::uint32_t>(v);
        }
        shift += 15;
    }
    throw DwgError("modular short too long");
}

Handle BitReader::H()
{
    Handle h;
    const unsigned b = RC();
    h.code = static_cast<std::uint8_t>(b >> 4);
    const unsigned n = b & 0x0f;
    if (n > 8)
        throw DwgError("handle too long");
    for (unsigned i = 0; i < n; ++i)
        h.value = (h.value << 8) | RC();
    return h;
}

unsigned BitReader::OT()
{
    if (ver_ < Ver::R2010)
        return static_cast<std::uint16_t>(BS());
    switch (BB()) {
    case 0: return RC();
    case 1: return RC() + 0x1f0u;
    default: return RS();
    }
}

std::string BitReader::T8()
{
    const auto len = static_cast<std::uint16_t>(BS());
    if (static_cast<std::uint64_t>(len) * 8 > bitsLeft())
        throw DwgError("text runs past the end of the data");
    std::string s(len, '\0');
    for (std::size_t i = 0; i < len; ++i)
        s[i] = static_cast<char>(RC());
    // Writers sometimes include the terminating zero in the length.
    while (!s.empty() && s.back() == '\0')
        s.pop_back();
    return s;
}

void appendUtf8(std::string& out, std::uint32_t cp)
{
    if (cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff))
        cp = 0xfffd;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xc0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3f));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xe0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (cp & 0x3f));
    } else {
        out += static_cast<char>(0xf0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3f));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (cp & 0x3f));
    }
}

std::string BitReader::TU()
{
    const auto len = static_cast<std::uint16_t>(BS());
    if (static_cast<std::uint64_t>(len) * 16 > bitsLeft())
        throw DwgError("text runs past the end of the data");
    std::string out;
    out.reserve(len);
    for (std::size_t i = 0; i < len; ++i) {
        std::uint32_t c = RS();
        if (c >= 0xd800 && c <= 0xdbff && i + 1 < len) {
            const std::uint32_t lo = RS();
            ++i;
            if (lo >= 0xdc00 && lo <= 0xdfff)
                c = 0x10000 + ((c - 0xd800) << 10) + (lo - 0xdc00);
            else
                c = 0xfffd;
        }
        if (c == 0)
            continue;
        appendUtf8(out, c);
    }
    return out;
}

std::string BitReader::TV()
{
    if (ver_ >= Ver::R2007)
        return str_ ? str_->TU() : TU();
    return codePageToUtf8(cp_, T8());
}

CmColor BitReader::CMC()
{
    CmColor c;
    c.index = BS();
    if (ver_ >= Ver::R2004) {
        const std::uint32_t rgb = static_cast<std::uint32_t>(BL());
        const unsigned flags = RC();
        // 0xC2 in the top byte marks a real RGB value.
        if ((rgb >> 24) == 0xc2) {
            c.hasRgb = true;
            c.rgb = rgb & 0xffffff;
        } else if ((rgb >> 24) == 0xc3) {
            c.index = static_cast<int>(rgb & 0xff);
        } else if ((rgb >> 24) == 0xc0) {
            c.index = 256;
        } else if ((rgb >> 24) == 0xc1) {
            c.index = 0;
        }
        if (flags & 1)
            (void)TV();
        if (flags & 2)
            (void)TV();
    }
    return c;
}

CmColor BitReader::ENC()
{
    if (ver_ < Ver::R2004)
        return CMC();
    CmColor c;
    const unsigned raw = static_cast<std::uint16_t>(BS());
    c.index = static_cast<int>(raw & 0x1ff);
    if ((raw & 0x8000) && !(raw & 0x4000)) {
        const std::uint32_t rgb = static_cast<std::uint32_t>(BL());
        if ((rgb >> 24) == 0xc2) {
            c.hasRgb = true;
            c.rgb = rgb & 0xffffff;
        } else if ((rgb >> 24) == 0xc3) {
            c.index = static_cast<int>(rgb & 0xff);
        } else if ((rgb >> 24) == 0xc0) {
            c.index = 256;
        } else if ((rgb >> 24) == 0xc1) {
            c.index = 0;
        }
    }
    if (raw & 0x4000)
        c.hasBookHandle = true;
    if (raw & 0x2000)
        (void)BL(); // transparency
    return c;
}

void BitReader::readBytes(std::uint8_t* out, std::size_t n)
{
    if (static_cast<std::uint64_t>(n) * 8 > bitsLeft())
        throw DwgError("read past the end of the data");
    if ((pos_ & 7) == 0) {
        std::memcpy(out, data_ + (pos_ >> 3), n);
        pos_ += static_cast<std::uint64_t>(n) * 8;
        return;
    }
    for (std::size_t i = 0; i < n; ++i)
        out[i] = RC();
}

void attachStringStream(BitReader& dat, BitReader& str, std::uint64_t endBit)
{
    if (endBit < 1 || endBit > dat.endBit() + 0)
        throw DwgError("string stream");
    str = dat;
    str.seekBit(endBit - 1);
    if (!str.B()) {
        dat.setEndBit(endBit - 1);
        str.setEndBit(0);
        return;
    }
    std::uint64_t end = endBit - 1;
    if (end < 16)
        throw DwgError("string stream");
    str.seekBit(end - 16);
    std::uint64_t size = str.RS();
    end -= 16;
    if (size & 0x8000) {
        if (end < 16)
            throw DwgError("string stream");
        str.seekBit(end - 16);
        const std::uint64_t hi = str.RS();
        end -= 16;
        size = (size & 0x7fff) | (hi << 15);
    }
    if (size > end || end - size < dat.bitPos())
        throw DwgError("string stream");
    str.seekBit(end - size);
    str.setEndBit(end);
    dat.setEndBit(end - size);
    dat.setStringStream(&str);
}

namespace {
// Four tables so that four bytes are folded in per step.
struct CrcTable {
    std::array<std::array<std::uint16_t, 256>, 4> t{};
    CrcTable()
    {
        for (unsigned i = 0; i < 256; ++i) {
            unsigned c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? (c >> 1) ^ 0xA001 : (c >> 1);
            t[0][i] = static_cast<std::uint16_t>(c);
        }
        for (unsigned k = 1; k < 4; ++k)
            for (unsigned i = 0; i < 256; ++i)
                t[k][i] = static_cast<std::uint16_t>((t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xff]);
    }
};
const CrcTable kCrc;
} // namespace

std::uint16_t crc16(std::uint16_t seed, const std::uint8_t* data, std::size_t n)
{
    std::uint32_t crc = seed;
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        crc ^= static_cast<std::uint32_t>(data[i]) | (static_cast<std::uint32_t>(data[i + 1]) << 8);
        crc = kCrc.t[3][crc & 0xff] ^ kCrc.t[2][(crc >> 8) & 0xff] ^ kCrc.t[1][data[i + 2]]
            ^ kCrc.t[0][data[i + 3]];
    }
    for (; i < n; ++i)
        crc = (crc >> 8) ^ kCrc.t[0][(crc ^ data[i]) & 0xff];
    return static_cast<std::uint16_t>(crc);
}

} // namespace cad::dwg
