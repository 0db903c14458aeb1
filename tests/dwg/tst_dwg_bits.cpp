// Known-answer tests of the bit codes, built from the worked examples of the
// public DWG format description, plus the decoding of text.
#include <gtest/gtest.h>

#include <bitset>
#include <cstring>
#include <string>
#include <vector>

#include "cad/dwg/DwgBitReader.h"
#include "cad/dwg/DwgReader.h"
#include "cad/dwg/DwgText.h"

using namespace cad::dwg;

namespace {
// "0101 1100..." -> bytes, padded with zero bits.
std::vector<std::uint8_t> bitsToBytes(const std::string& s)
{
    std::vector<std::uint8_t> out;
    int n = 0;
    std::uint8_t cur = 0;
    for (char c : s) {
        if (c != '0' && c != '1')
            continue;
        cur = static_cast<std::uint8_t>((cur << 1) | (c == '1'));
        if (++n == 8) {
            out.push_back(cur);
            n = 0;
            cur = 0;
        }
    }
    if (n)
        out.push_back(static_cast<std::uint8_t>(cur << (8 - n)));
    return out;
}
} // namespace

TEST(DwgBits, BitShortsAndLongsFollowTheirTwoBitCodes)
{
    auto b = bitsToBytes("00 00000001 00000001 10 11 01 00001111 10");
    BitReader r(b.data(), b.size(), Ver::R2000);
    EXPECT_EQ(r.BS(), 257);
    EXPECT_EQ(r.BS(), 0);
    EXPECT_EQ(r.BS(), 256);
    EXPECT_EQ(r.BS(), 15);
    EXPECT_EQ(r.BS(), 0);

    auto l = bitsToBytes("00 00000001 00000001 00000000 00000000 10 01 00001111 10");
    BitReader rl(l.data(), l.size(), Ver::R2000);
    EXPECT_EQ(rl.BL(), 257);
    EXPECT_EQ(rl.BL(), 0);
    EXPECT_EQ(rl.BL(), 15);
    EXPECT_EQ(rl.BL(), 0);
}

TEST(DwgBits, ModularCharsAndShorts)
{
    struct Case { std::vector<std::uint8_t> bytes; std::int64_t value; };
    const Case cases[] = {
        {{0x82, 0x24}, 4610},
        {{0xE9, 0x97, 0xE6, 0x35}, 112823273},
        {{0x85, 0x4B}, -1413},
    };
    for (const auto& c : cases) {
        BitReader r(c.bytes.data(), c.bytes.size(), Ver::R2000);
        EXPECT_EQ(r.MC(), c.value);
        EXPECT_EQ(r.bitsLeft(), 0u);
    }
    const std::vector<std::uint8_t> ms = {0x31, 0xF4, 0x8D, 0x00};
    BitReader r(ms.data(), ms.size(), Ver::R2000);
    EXPECT_EQ(r.MS(), 4650033u);
}

TEST(DwgBits, HandlesDoublesAndDefaults)
{
    // 5.2.05E7: the layer reference of the worked example.
    auto h = bitsToBytes("0101 0010 00000101 11100111");
    BitReader rh(h.data(), h.size(), Ver::R2000);
    const Handle hd = rh.H();
    EXPECT_EQ(hd.code, 5);
    EXPECT_EQ(hd.value, 0x5E7u);
    EXPECT_EQ((Handle{0x6, 0}.resolve(0x20)), 0x21u);
    EXPECT_EQ((Handle{0xC, 3}.resolve(0x20)), 0x1Du);

    // BD 1.0, BD 0.0, DD with default kept, BE default, BT zero.
    auto d = bitsToBytes("01 10 00 1 1");
    BitReader rd(d.data(), d.size(), Ver::R2000);
    EXPECT_EQ(rd.BD(), 1.0);
    EXPECT_EQ(rd.BD(), 0.0);
    EXPECT_EQ(rd.DD(12.5), 12.5);
    const Point3 e = rd.BE();
    EXPECT_EQ(e.z, 1.0);
    EXPECT_EQ(rd.BT(), 0.0);

    // DD 01: the low four bytes are replaced.
    double base = 1.0;
    std::uint8_t raw[8];
    std::memcpy(raw, &base, 8);
    std::string s = "01";
    const std::uint8_t patch[4] = {0x11, 0x22, 0x33, 0x44};
    for (std::uint8_t p : patch)
        s += std::bitset<8>(p).to_string();
    auto dd = bitsToBytes(s);
    BitReader rdd(dd.data(), dd.size(), Ver::R2000);
    const double got = rdd.DD(base);
    std::memcpy(raw, patch, 4);
    double want;
    std::memcpy(&want, raw, 8);
    EXPECT_EQ(got, want);
}

TEST(DwgBits, ReadingPastTheEndThrowsAndNeverOverruns)
{
    const std::vector<std::uint8_t> one = {0x00};
    BitReader r(one.data(), one.size(), Ver::R2000);
    EXPECT_THROW((void)r.BS(), DwgError); // 00 announces a raw short that is not there
    BitReader t(one.data(), one.size(), Ver::R2000);
    (void)t.bits(6);
    EXPECT_THROW((void)t.bits(3), DwgError);
    // A text length far beyond the data.
    auto big = bitsToBytes("00 11111111 01111111");
    BitReader tx(big.data(), big.size(), Ver::R2000);
    EXPECT_THROW((void)tx.T8(), DwgError);
    // A modular char that never ends.
    const std::vector<std::uint8_t> endless(20, 0xFF);
    BitReader mc(endless.data(), endless.size(), Ver::R2000);
    EXPECT_THROW((void)mc.MC(), DwgError);
}

TEST(DwgText, CodePagesAndUnicodeEscapes)
{
    EXPECT_EQ(codePageName(30), "ANSI_1252");
    EXPECT_EQ(codePageName(39), "ANSI_936");
    EXPECT_EQ(codePageName(1000), "");
    CodePage gbk(39);
    EXPECT_EQ(gbk.toUtf8("\xD6\xD0\xCE\xC4 abc"), "中文 abc");
    CodePage latin(30);
    EXPECT_EQ(latin.toUtf8("\xB0"), "°");
    // Characters outside the code page are written as \U+XXXX.
    EXPECT_EQ(latin.toUtf8("A\\U+4E2DB"), "A中B");
    // An invalid double-byte sequence becomes U+FFFD instead of stopping.
    EXPECT_EQ(gbk.toUtf8("\xD6"), "\xEF\xBF\xBD");
}

TEST(DwgReader, VersionsAndNonDrawings)
{
    struct Case { std::string bytes; cad::LoadStatus status; };
    const Case cases[] = {
        {"AC1009" + std::string(100, '\0'), cad::LoadStatus::UnsupportedVersion},
        {"AC2.10" + std::string(100, '\0'), cad::LoadStatus::UnsupportedVersion},
        {"AC1021" + std::string(100, '\0'), cad::LoadStatus::UnsupportedVersion},
        {"AC1099" + std::string(100, '\0'), cad::LoadStatus::UnsupportedVersion},
        {"0\nSECTION\n", cad::LoadStatus::NotADrawing},
        {"AC", cad::LoadStatus::NotADrawing},
        {"AC1015", cad::LoadStatus::Damaged},
        {"AC1015" + std::string(200, '\0'), cad::LoadStatus::Damaged},
        {"AC1018" + std::string(200, '\0'), cad::LoadStatus::Damaged},
    };
    for (const auto& c : cases) {
        const auto r = readDwg(reinterpret_cast<const std::uint8_t*>(c.bytes.data()),
                               c.bytes.size());
        EXPECT_EQ(r.status, c.status) << c.bytes.substr(0, 6);
        EXPECT_FALSE(r.message.empty()) << c.bytes.substr(0, 6);
        EXPECT_FALSE(r.drawing);
        EXPECT_EQ(r.format, "DWG");
    }
    EXPECT_EQ(readDwg(nullptr, 0).status, cad::LoadStatus::NotADrawing);
}
