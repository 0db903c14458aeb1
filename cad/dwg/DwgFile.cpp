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
    // 2007+: the size in bits of data and strings comes first.
    const std::uint64_t endBit2007 = f.ver >= Ver::R2007 ? r.RL() : 0;
    if (f.ver >= Ver::R2004) {
        (void)r.BS(); // highest class number
        (void)r.RC();
        (void)r.RC();
        (void)r.B();
    }
    if (f.ver >= Ver::R2007)
        attachStringStream(r, strStream, endBit2007);
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

// ---- 2004+ container -------------------------------------------------------

namespace cad::dwg {

namespace {

std::uint64_t le64(const std::uint8_t* p)
{
    return static_cast<std::uint64_t>(le32(p)) | (static_cast<std::uint64_t>(le32(p + 4)) << 32);
}

// The page checksum of 2004+ files (two running sums modulo 0xFFF1).
std::uint32_t pageChecksum(std::uint32_t seed, const std::uint8_t* data, std::size_t size)
{
    std::uint32_t sum1 = seed & 0xffff;
    std::uint32_t sum2 = seed >> 16;
    while (size != 0) {
        const std::size_t chunk = std::min<std::size_t>(0x15b0, size);
        size -= chunk;
        for (std::size_t i = 0; i < chunk; ++i) {
            sum1 += *data++;
            sum2 += sum1;
        }
        sum1 %= 0xFFF1;
        sum2 %= 0xFFF1;
    }
    return (sum2 << 16) | (sum1 & 0xffff);
}

struct PageLoc {
    std::uint64_t address = 0;
    std::uint64_t size = 0;
};

struct SectionPage {
    std::uint32_t number = 0;
    std::uint32_t dataSize = 0;
    std::uint64_t startOffset = 0;
};

struct SectionInfo {
    std::string name;
    std::uint64_t size = 0;
    std::uint32_t maxPageSize = 0;
    std::uint32_t compressed = 2;
    std::uint32_t encrypted = 0;
    std::vector<SectionPage> pages;
};

class Decompressor {
public:
    Decompressor(const std::uint8_t* src, std::size_t n, std::uint8_t* dst, std::size_t cap)
        : src_(src), n_(n), dst_(dst), cap_(cap) {}

    // Returns the number of bytes written. Every read and write is checked;
    // each step consumes input, so a forged stream ends at its last byte.
    std::size_t run()
    {
        copyLiterals(literalLength());
        while (i_ < n_) {
            const unsigned op1 = byte();
            if (op1 == 0x11)
                break;
            std::size_t count = 0, offset = 0, lit = 0;
            if (op1 < 0x10) {
                throw DwgError("invalid compression opcode");
            } else if (op1 == 0x10 || op1 == 0x20 || (op1 >= 0x12 && op1 <= 0x1F)
                       || (op1 >= 0x21 && op1 <= 0x3F)) {
                if (op1 == 0x10)
                    count = longLength() + 9;
                else if (op1 == 0x20)
                    count = longLength() + 0x21;
                else if (op1 < 0x20)
                    count = (op1 & 0x0F) + 2;
                else
                    count = op1 - 0x1E;
                const unsigned b1 = byte();
                const unsigned b2 = byte();
                offset = (b1 >> 2) | (static_cast<std::size_t>(b2) << 6);
                lit = b1 & 3;
                if (op1 < 0x20)
                    offset += 0x3FFF;
                if (lit == 0)
                    lit = literalLength();
            } else {
                count = ((op1 & 0xF0) >> 4) - 1;
                const unsigned op2 = byte();
                offset = (static_cast<std::size_t>(op2) << 2) | ((op1 & 0x0C) >> 2);
                lit = op1 & 3;
                if (lit == 0)
                    lit = literalLength();
            }
            copyBack(count, offset + 1);
            copyLiterals(lit);
        }
        return o_;
    }

private:
    unsigned byte()
    {
        if (i_ >= n_)
            throw DwgError("compressed data ends early");
        return src_[i_++];
    }
    std::size_t literalLength()
    {
        if (i_ >= n_)
            return 0;
        const unsigned b = src_[i_];
        if (b & 0xF0)
            return 0; // the byte is the next opcode
        ++i_;
        if (b != 0)
            return b + 3;
        std::size_t total = 0x0F;
        for (;;) {
            const unsigned x = byte();
            if (x != 0)
                return total + x + 3;
            total += 0xFF;
        }
    }
    std::size_t longLength()
    {
        const unsigned b = byte();
        if (b != 0)
            return b;
        std::size_t total = 0xFF;
        for (;;) {
            const unsigned x = byte();
            if (x != 0)
                return total + x;
            total += 0xFF;
        }
    }
    void copyLiterals(std::size_t n)
    {
        if (n > n_ - i_ || n > cap_ - o_)
            throw DwgError("literal run past the end");
        std::memcpy(dst_ + o_, src_ + i_, n);
        i_ += n;
        o_ += n;
    }
    void copyBack(std::size_t n, std::size_t back)
    {
        if (back > o_ || n > cap_ - o_)
            throw DwgError("back reference outside the data");
        for (std::size_t k = 0; k < n; ++k, ++o_)
            dst_[o_] = dst_[o_ - back];
    }

    const std::uint8_t* src_;
    std::size_t n_;
    std::size_t i_ = 0;
    std::uint8_t* dst_;
    std::size_t cap_;
    std::size_t o_ = 0;
};

// A system page (section page map or section map): 0x14-byte header, then
// compressed data.
std::vector<std::uint8_t> readSystemPage(const std::uint8_t* data, std::size_t size,
                                         std::uint64_t at, std::uint32_t type, DwgFile& f)
{
    requireRange(at, 0x14, size, "system page");
    const std::uint8_t* h = data + at;
    if (le32(h) != type)
        throw DwgError("system page type");
    const std::uint32_t dsize = le32(h + 4);
    const std::uint32_t csize = le32(h + 8);
    const std::uint32_t ctype = le32(h + 12);
    // No real map expands its page more than a few times; a forged size
    // must not make a small file allocate gigabytes.
    if (dsize > limits::kMaxSectionBytes || dsize > checkedMul(csize, limits::kMaxExpansion) + 0x10000)
        throw DwgError("system page size");
    requireRange(at + 0x14, csize, size, "system page data");
    {
        std::uint8_t hdr[0x14];
        std::memcpy(hdr, h, 0x14);
        std::memset(hdr + 0x10, 0, 4);
        const std::uint32_t seed = pageChecksum(0, hdr, 0x14);
        if (pageChecksum(seed, h + 0x14, csize) != le32(h + 0x10))
            ++f.problems["页校验和"];
    }
    std::vector<std::uint8_t> out(dsize);
    if (ctype == 2) {
        Decompressor d(h + 0x14, csize, out.data(), out.size());
        out.resize(d.run());
    } else {
        if (csize > dsize)
            throw DwgError("system page size");
        std::memcpy(out.data(), h + 0x14, csize);
        out.resize(csize);
    }
    return out;
}

std::vector<std::uint8_t> readDataSection(const std::uint8_t* data, std::size_t size,
                                          const SectionInfo& s,
                                          const std::map<std::uint32_t, PageLoc>& pages,
                                          DwgFile& f)
{
    if (s.size > limits::kMaxSectionBytes
        || s.size > checkedMul(size, limits::kMaxExpansion) + (1u << 20))
        throw DwgError("section too large");
    std::vector<std::uint8_t> out(static_cast<std::size_t>(s.size), 0);
    std::vector<std::uint8_t> scratch;
    for (const SectionPage& p : s.pages) {
        const auto it = pages.find(p.number);
        if (it == pages.end()) {
            ++f.problems["缺少的数据页"];
            continue;
        }
        const std::uint64_t at = it->second.address;
        try {
            requireRange(at, 32, size, "data page");
            std::uint8_t hdr[32];
            std::memcpy(hdr, data + at, 32);
            const std::uint32_t mask = 0x4164536bu ^ static_cast<std::uint32_t>(at);
            for (int k = 0; k < 8; ++k) {
                const std::uint32_t v = le32(hdr + 4 * k) ^ mask;
                hdr[4 * k] = static_cast<std::uint8_t>(v);
                hdr[4 * k + 1] = static_cast<std::uint8_t>(v >> 8);
                hdr[4 * k + 2] = static_cast<std::uint8_t>(v >> 16);
                hdr[4 * k + 3] = static_cast<std::uint8_t>(v >> 24);
            }
            if (le32(hdr) != 0x4163043bu)
                throw DwgError("data page type");
            const std::uint32_t csize = le32(hdr + 8);
            const std::uint32_t psize = le32(hdr + 12);
            const std::uint64_t start = p.startOffset;
            requireRange(at + 32, csize, size, "data page");
            // The data checksum of these pages is not the documented sum of
            // the compressed bytes in the files met so far, so it is not
            // checked; the objects carry their own CRC.
            if (start >= out.size())
                throw DwgError("data page outside its section");
            // Pages decompress to their full page size; the tail of the last
            // page lies beyond the section and is dropped.
            const std::size_t pageCap = std::min<std::size_t>(
                std::max<std::size_t>({s.maxPageSize, psize, 0x7400}), 1u << 20);
            if (scratch.size() < pageCap)
                scratch.resize(pageCap);
            std::size_t got;
            if (s.compressed == 2) {
                Decompressor d(data + at + 32, csize, scratch.data(), pageCap);
                got = d.run();
            } else {
                got = std::min<std::size_t>(csize, pageCap);
                std::memcpy(scratch.data(), data + at + 32, got);
            }
            std::memcpy(out.data() + start, scratch.data(),
                        std::min<std::uint64_t>(got, out.size() - start));
        } catch (const DwgError&) {
            // A bad page leaves zeros; the objects on it fail their own checks.
            ++f.problems["损坏的数据页"];
        }
    }
    return out;
}

// Header and class sections: sentinel, size, [2010+ maint > 3: high size], body.
std::vector<std::uint8_t> sectionBody(const std::vector<std::uint8_t>& s, const DwgFile& f)
{
    std::size_t at = 20;
    if (s.size() < at)
        throw DwgError("section too short");
    const std::uint32_t bodySize = le32(s.data() + 16);
    if (f.ver >= Ver::R2018 || (f.ver >= Ver::R2010 && f.maintenance > 3))
        at += 4;
    if (bodySize > s.size() - std::min(at, s.size()))
        throw DwgError("section size");
    return std::vector<std::uint8_t>(s.begin() + static_cast<std::ptrdiff_t>(at),
                                     s.begin() + static_cast<std::ptrdiff_t>(at + bodySize));
}

} // namespace

void readR2004Structure(const std::uint8_t* data, std::size_t size, DwgFile& f)
{
    if (size < 0x100)
        throw DwgError("file header truncated");
    f.maintenance = data[0x0B];
    f.codePage = data[0x13] | (data[0x14] << 8);
    std::uint8_t fh[0x6c];
    std::uint32_t seed = 1;
    for (std::size_t i = 0; i < sizeof fh; ++i) {
        seed = seed * 0x343fd + 0x269ec3;
        fh[i] = data[0x80 + i] ^ static_cast<std::uint8_t>(seed >> 16);
    }
    if (std::memcmp(fh, "AcFssFcAJMB", 11) != 0)
        throw DwgError("file header data");
    const std::uint32_t pageMapId = le32(fh + 0x50);
    const std::uint64_t pageMapAddr = checkedAdd(le64(fh + 0x54), 0x100);
    const std::uint32_t sectionMapId = le32(fh + 0x5C);
    (void)pageMapId;

    // Section page map: page number -> file address.
    const auto pm = readSystemPage(data, size, pageMapAddr, 0x41630e3bu, f);
    std::map<std::uint32_t, PageLoc> pages;
    std::uint64_t addr = 0x100;
    for (std::size_t i = 0; i + 8 <= pm.size();) {
        const auto num = static_cast<std::int32_t>(le32(pm.data() + i));
        const std::uint32_t psize = le32(pm.data() + i + 4);
        i += 8;
        if (num >= 0)
            pages[static_cast<std::uint32_t>(num)] = PageLoc{addr, psize};
        else
            i += 16; // gap: parent, left, right, 0
        addr = checkedAdd(addr, psize);
        if (pages.size() > limits::kMaxPages)
            throw DwgError("too many pages");
    }
    const auto smIt = pages.find(sectionMapId);
    if (smIt == pages.end())
        throw DwgError("section map page missing");
    const auto sm = readSystemPage(data, size, smIt->second.address, 0x4163003bu, f);
    if (sm.size() < 20)
        throw DwgError("section map too short");
    const std::uint32_t numDesc = le32(sm.data());
    if (numDesc > limits::kMaxSections)
        throw DwgError("section count");
    std::vector<SectionInfo> sections;
    std::size_t p = 20;
    for (std::uint32_t d = 0; d < numDesc; ++d) {
        requireRange(p, 0x60, sm.size(), "section description");
        SectionInfo s;
        s.size = le64(sm.data() + p);
        const std::uint32_t pageCount = le32(sm.data() + p + 8);
        s.maxPageSize = le32(sm.data() + p + 12);
        s.compressed = le32(sm.data() + p + 20);
        s.encrypted = le32(sm.data() + p + 28);
        const char* name = reinterpret_cast<const char*>(sm.data() + p + 32);
        s.name.assign(name, strnlen(name, 64));
        p += 0x60;
        requireRange(p, checkedMul(pageCount, 16), sm.size(), "section pages");
        for (std::uint32_t k = 0; k < pageCount; ++k) {
            SectionPage pg;
            pg.number = le32(sm.data() + p);
            pg.dataSize = le32(sm.data() + p + 4);
            pg.startOffset = le64(sm.data() + p + 8);
            s.pages.push_back(pg);
            p += 16;
        }
        sections.push_back(std::move(s));
    }
    auto find = [&](const char* n) -> const SectionInfo* {
        for (const auto& s : sections)
            if (s.name == n)
                return &s;
        return nullptr;
    };
    const SectionInfo* objs = find("AcDb:AcDbObjects");
    const SectionInfo* handles = find("AcDb:Handles");
    if (!objs || !handles)
        throw DwgError("object sections missing");
    if (objs->encrypted == 1 || handles->encrypted == 1)
        throw DwgError("encrypted drawing");
    if (const SectionInfo* h = find("AcDb:Header")) {
        try {
            f.headerData = sectionBody(readDataSection(data, size, *h, pages, f), f);
        } catch (const DwgError&) {
            ++f.problems["header variables"];
        }
    }
    if (const SectionInfo* c = find("AcDb:Classes")) {
        try {
            f.classData = sectionBody(readDataSection(data, size, *c, pages, f), f);
        } catch (const DwgError&) {
            ++f.problems["classes"];
        }
    }
    f.objectsStore = readDataSection(data, size, *objs, pages, f);
    f.objects = f.objectsStore.data();
    f.objectsSize = f.objectsStore.size();
    const auto map = readDataSection(data, size, *handles, pages, f);
    parseObjectMap(map.data(), map.size(), f);
}

} // namespace cad::dwg
