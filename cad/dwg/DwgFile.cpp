#include "cad/dwg/DwgFile.h"

#include <algorithm>
#include <cstring>

#include "cad/dwg/DwgText.h"

namespace cad::dwg {

namespace {
constexpr std::uint8_t kHeaderSentinel[16] = {0xCF, 0x7B, 0x1F, 0x23, 0xFD, 0xDE, 0x38, 0xA9,
                                              0x5F, 0x7C, 0x68, 0xB8, 0x4E, 0x6D, 0x33, 0x5F};
constexpr std::uint8_t kClassSentinel[16] = {0x8D, 0xA1, 0xC4, 0xB8, 0xC4, 0xA9, 0xF8, 0xC5,
                                             0xC0, 0xDC, 0xF4, 0x5F, 0xE7, 0xCF, 0xB6, 0x8A};

std::uint32_t le32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8)
        | (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// A section framed by a 16-byte sentinel and a 4-byte size; returns its body.
std::vector<std::uint8_t> framedSection(const std::uint8_t* data, std::size_t size,
                                        std::uint64_t at, std::uint64_t length,
                                        const std::uint8_t (&sentinel)[16], const char* what,
                                        DwgFile& f)
{
    requireRange(at, 20, size, what);
    if (std::memcmp(data + at, sentinel, 16) != 0)
        ++f.problems[std::string(what) + " sentinel"];
    const std::uint32_t bodySize = le32(data + at + 16);
    // The body may not run past the locator's length or the file.
    const std::uint64_t limit = std::min<std::uint64_t>(size - at - 20, length > 20 ? length - 20 : 0);
    if (bodySize > limit)
        throw DwgError(std::string(what) + " size is impossible");
    return std::vector<std::uint8_t>(data + at + 20, data + at + 20 + bodySize);
}
} // namespace

bool versionFromCode(const std::string& code, Ver& out)
{
    static const std::pair<const char*, Ver> kCodes[] = {
        {"AC1012", Ver::R13},   {"AC1014", Ver::R14},   {"AC1015", Ver::R2000},
        {"AC1018", Ver::R2004}, {"AC1021", Ver::R2007}, {"AC1024", Ver::R2010},
        {"AC1027", Ver::R2013}, {"AC1032", Ver::R2018}};
    for (const auto& [c, v] : kCodes)
        if (code == c) {
            out = v;
            return true;
        }
    return false;
}

const DwgClass* DwgFile::classFor(unsigned type) const
{
    if (type < 500)
        return nullptr;
    const std::size_t i = type - 500;
    if (i < classes.size() && classes[i].number == static_cast<int>(type))
        return &classes[i];
    for (const auto& c : classes)
        if (c.number == static_cast<int>(type))
            return &c;
    return nullptr;
}

void readR13Structure(const std::uint8_t* data, std::size_t size, DwgFile& f)
{
    if (size < 0x19)
        throw DwgError("file header truncated");
    f.codePage = data[0x13] | (data[0x14] << 8);
    f.maintenance = data[0x0B];
    const std::uint32_t count = le32(data + 0x15);
    if (count < 3 || count > 16)
        throw DwgError("section locator count is impossible");
    requireRange(0x19, checkedMul(count, 9), size, "section locators");
    std::uint64_t seeker[3] = {0, 0, 0}, length[3] = {0, 0, 0};
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint8_t* p = data + 0x19 + i * 9;
        const unsigned rec = p[0];
        if (rec < 3) {
            seeker[rec] = le32(p + 1);
            length[rec] = le32(p + 5);
        }
    }
    // The CRC over the file header is informative only: a mismatch is noted.
    {
        const std::size_t crcAt = 0x19 + count * 9;
        if (crcAt + 2 <= size) {
            static const std::uint16_t kXor[] = {0, 0, 0, 0xA598, 0x8101, 0x3CC4, 0x8461};
            std::uint16_t crc = crc16(0, data, crcAt);
            if (count < 7)
                crc ^= kXor[count];
            const std::uint16_t stored = static_cast<std::uint16_t>(data[crcAt] | (data[crcAt + 1] << 8));
            if (crc != stored)
                ++f.problems["file header checksum"];
        }
    }

    f.objects = data;
    f.objectsSize = size;

    try {
        f.headerData = framedSection(data, size, seeker[0], length[0], kHeaderSentinel,
                                     "header", f);
    } catch (const DwgError&) {
        ++f.problems["header variables"];
    }
    try {
        f.classData = framedSection(data, size, seeker[1], length[1], kClassSentinel,
                                    "classes", f);
    } catch (const DwgError&) {
        ++f.problems["classes"];
    }
    requireRange(seeker[2], length[2], size, "object map");
    parseObjectMap(data + seeker[2], static_cast<std::size_t>(length[2]), f);
}

void parseClasses(DwgFile& f, const CodePage* cp)
{
    if (f.classData.empty())
        return;
    BitReader r(f.classData.data(), f.classData.size(), f.ver);
    r.setCodePage(cp);
    BitReader strStream;
    if (f.ver >= Ver::R2004) {
        (void)r.BS(); // highest class number
        (void)r.RC();
        (void)r.RC();
        (void)r.B();
    }
    if (f.ver >= Ver::R2007) {
        // The strings sit in a stream at the end of the class data; its
        // position is found from the end bit like in objects.
        const std::uint64_t endBit = r.endBit();
        if (endBit < 1)
            return;
        BitReader probe = r;
        probe.seekBit(endBit - 1);
        if (probe.B()) {
            std::uint64_t strEnd = endBit - 1;
            if (strEnd < 16)
                throw DwgError("class string stream");
            probe.seekBit(strEnd - 16);
            std::uint64_t strSize = probe.RS();
            strEnd -= 16;
            if (strSize & 0x8000) {
                if (strEnd < 16)
                    throw DwgError("class string stream");
                probe.seekBit(strEnd - 16);
                const std::uint64_t hi = probe.RS();
                strEnd -= 16;
                strSize = (strSize & 0x7fff) | (hi << 15);
            }
            if (strSize > strEnd)
                throw DwgError("class string stream");
            strStream = BitReader(f.classData.data(), f.classData.size(), f.ver);
            strStream.seekBit(strEnd - strSize);
            strStream.setEndBit(strEnd);
            r.setEndBit(strEnd - strSize);
            r.setStringStream(&strStream);
        }
    }
    while (r.bitsLeft() > 8 && f.classes.size() < limits::kMaxClasses) {
        DwgClass c;
        try {
            c.number = r.BS();
            (void)r.BS(); // proxy flags
            (void)r.TV(); // application
            c.cppName = r.TV();
            c.dxfName = r.TV();
            (void)r.B(); // was a zombie
            const int itemClass = r.BS();
            c.isEntity = itemClass == 0x1F2;
            if (f.ver >= Ver::R2004) {
                (void)r.BL();
                (void)r.BS();
                (void)r.BS();
                (void)r.BL();
                (void)r.BL();
            }
        } catch (const DwgError&) {
            break; // end of the data or garbage padding
        }
        if (c.number < 500 || c.dxfName.empty())
            break;
        f.classes.push_back(std::move(c));
    }
    // Keep them findable by number - 500.
    std::sort(f.classes.begin(), f.classes.end(),
              [](const DwgClass& a, const DwgClass& b) { return a.number < b.number; });
}

void parseObjectMap(const std::uint8_t* data, std::size_t size, DwgFile& f)
{
    std::size_t pos = 0;
    std::uint64_t lastHandle = 0;
    std::int64_t lastLoc = 0;
    while (pos + 2 <= size) {
        const std::size_t secSize = (static_cast<std::size_t>(data[pos]) << 8) | data[pos + 1];
        if (secSize <= 2)
            break;
        if (secSize > size - pos)
            throw DwgError("object map section runs past its end");
        // Handles and locations restart from zero in every section.
        lastHandle = 0;
        lastLoc = 0;
        BitReader r(data + pos + 2, secSize - 2, f.ver);
        while (r.bitsLeft() >= 16) {
            const std::uint64_t dh = r.MCU();
            const std::int64_t dl = r.MC();
            lastHandle += dh;
            lastLoc += dl;
            if (lastLoc < 0)
                throw DwgError("object map points before the data");
            if (f.objectMap.size() >= limits::kMaxObjects)
                throw DwgError("too many objects");
            f.objectMap.push_back(ObjectLoc{lastHandle, static_cast<std::uint64_t>(lastLoc)});
        }
        pos += secSize + 2; // section plus its CRC
    }
}

} // namespace cad::dwg

namespace cad::dwg {
void readR2004Structure(const std::uint8_t*, std::size_t, DwgFile&)
{
    throw DwgError("2004+ container not read yet");
}
} // namespace cad::dwg
