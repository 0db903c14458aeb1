#include "DwfPackage.h"

#include <QFile>

#include <zlib.h>

#include <cstring>

namespace dwf {

namespace {

constexpr qint64 kMaxPackage = 512ll << 20;

quint32 u32(const QByteArray& d, qint64 at) {
    if (at < 0 || at + 4 > d.size()) return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(d.constData() + at);
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}
quint16 u16(const QByteArray& d, qint64 at) {
    if (at < 0 || at + 2 > d.size()) return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(d.constData() + at);
    return quint16(p[0] | p[1] << 8);
}

struct Member {
    QString name;
    quint16 method = 0;
    quint32 compressed = 0, size = 0;
    qint64 localHeader = 0;
};

// Central directory, found through the end record near the end of the file.
QList<Member> directory(const QByteArray& d) {
    QList<Member> out;
    if (d.size() < 22 || d.size() > kMaxPackage) return out;
    qint64 eocd = -1;
    for (qint64 i = d.size() - 22; i >= 0 && i >= d.size() - 22 - 65535; --i)
        if (u32(d, i) == 0x06054b50) {
            eocd = i;
            break;
        }
    if (eocd < 0) return out;
    const quint16 count = u16(d, eocd + 10);
    // Data in front of the zip (DWF 6's prefix) shifts every offset; the
    // directory ends where the end record starts.
    const qint64 base = eocd - qint64(u32(d, eocd + 12)) - qint64(u32(d, eocd + 16));
    if (base < 0) return out;
    qint64 at = base + qint64(u32(d, eocd + 16));
    for (int i = 0; i < count; ++i) {
        if (at < 0 || at + 46 > d.size() || u32(d, at) != 0x02014b50) break;
        Member m;
        m.method = u16(d, at + 10);
        m.compressed = u32(d, at + 20);
        m.size = u32(d, at + 24);
        const quint16 nameLen = u16(d, at + 28), extraLen = u16(d, at + 30), commentLen = u16(d, at + 32);
        m.localHeader = base + qint64(u32(d, at + 42));
        if (at + 46 + nameLen > d.size()) break;
        m.name = QString::fromUtf8(d.constData() + at + 46, nameLen);
        out.push_back(m);
        at += 46 + qint64(nameLen) + extraLen + commentLen;
    }
    return out;
}

QByteArray extract(const QByteArray& d, const Member& m, qint64 maxSize) {
    if (qint64(m.size) > maxSize || m.localHeader < 0 || m.localHeader + 30 > d.size() ||
        u32(d, m.localHeader) != 0x04034b50)
        return {};
    const qint64 dataAt = m.localHeader + 30 + u16(d, m.localHeader + 26) + u16(d, m.localHeader + 28);
    if (dataAt + qint64(m.compressed) > d.size()) return {};
    if (m.method == 0) {
        if (m.compressed != m.size) return {};
        return d.mid(dataAt, m.size);
    }
    if (m.method != 8) return {};
    QByteArray out(qsizetype(m.size), Qt::Uninitialized);
    z_stream zs;
    std::memset(&zs, 0, sizeof zs);
    if (inflateInit2(&zs, -MAX_WBITS) != Z_OK) return {};
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(d.constData() + dataAt));
    zs.avail_in = m.compressed;
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = m.size;
    const int rc = inflate(&zs, Z_FINISH);
    const bool ok = rc == Z_STREAM_END && zs.total_out == m.size;
    inflateEnd(&zs);
    return ok ? out : QByteArray();
}

}  // namespace

QStringList packageMembers(const QByteArray& data) {
    QStringList names;
    for (const Member& m : directory(data)) names << m.name;
    return names;
}

QByteArray packageMember(const QByteArray& data, const QString& name, qint64 maxSize) {
    for (const Member& m : directory(data))
        if (m.name == name) return extract(data, m, maxSize);
    return {};
}

QImage packageThumbnail(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() > kMaxPackage) return {};
    const QByteArray data = f.readAll();
    for (const Member& m : directory(data)) {
        const QString lower = m.name.toLower();
        if (!lower.endsWith(".png") && !lower.endsWith(".jpg") && !lower.endsWith(".jpeg")) continue;
        const QByteArray bytes = extract(data, m, 32 << 20);
        QImage img;
        if (!bytes.isEmpty() && img.loadFromData(bytes) && !img.isNull()) return img;
    }
    return {};
}

}  // namespace dwf
