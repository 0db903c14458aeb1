#include "PathBytes.h"

#include <iconv.h>

#include <cerrno>
#include <string>

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// Length of the valid UTF-8 sequence at p (end exclusive), 0 when invalid.
// Overlong forms and encoded surrogates count as invalid, so an escaped byte
// can never be confused with a real character.
int validSequenceLength(const unsigned char* p, const unsigned char* end)
{
    const unsigned char c = p[0];
    if (c < 0x80)
        return 1;
    auto cont = [&](int i) { return p + i < end && (p[i] & 0xC0) == 0x80; };
    if (c >= 0xC2 && c <= 0xDF)
        return cont(1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        if (!cont(1) || !cont(2))
            return 0;
        if (c == 0xE0 && p[1] < 0xA0)
            return 0; // overlong
        if (c == 0xED && p[1] >= 0xA0)
            return 0; // surrogate
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (!cont(1) || !cont(2) || !cont(3))
            return 0;
        if (c == 0xF0 && p[1] < 0x90)
            return 0;
        if (c == 0xF4 && p[1] >= 0x90)
            return 0;
        return 4;
    }
    return 0;
}

} // namespace

QString DecodePath(const QByteArray& bytes)
{
    if (QByteArrayView(bytes).isValidUtf8())
        return QString::fromUtf8(bytes);
    QString out;
    out.reserve(bytes.size());
    auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    auto* end = p + bytes.size();
    while (p < end) {
        const int n = validSequenceLength(p, end);
        if (n == 0) {
            out.append(QChar(char16_t(kEscapeBase + *p)));
            ++p;
        } else {
            out.append(QString::fromUtf8(reinterpret_cast<const char*>(p), n));
            p += n;
        }
    }
    return out;
}

bool PathHasRawBytes(const QString& path)
{
    for (QChar ch : path) {
        const char16_t u = ch.unicode();
        if (u >= kEscapeBase + 0x80 && u <= kEscapeBase + 0xFF)
            return true;
    }
    return false;
}

QByteArray EncodePath(const QString& path)
{
    if (!PathHasRawBytes(path))
        return path.toUtf8();
    QByteArray out;
    out.reserve(path.size() * 3);
    const qsizetype n = path.size();
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = path[i].unicode();
        const bool escaped = u >= kEscapeBase + 0x80 && u <= kEscapeBase + 0xFF
            && !(i > 0 && path[i - 1].isHighSurrogate());
        if (!escaped)
            continue;
        out.append(path.mid(runStart, i - runStart).toUtf8());
        out.append(char(u - kEscapeBase));
        runStart = i + 1;
    }
    out.append(path.mid(runStart).toUtf8());
    return out;
}

QString DisplayNameOfBytes(const QByteArray& bytes)
{
    if (QByteArrayView(bytes).isValidUtf8())
        return QString::fromUtf8(bytes);
    iconv_t cd = iconv_open("UTF-8", "GBK");
    if (cd != iconv_t(-1)) {
        std::string in(bytes.constData(), size_t(bytes.size()));
        std::string out(in.size() * 4 + 4, '\0');
        char* ip = in.data();
        size_t il = in.size();
        char* op = out.data();
        size_t ol = out.size();
        const size_t r = iconv(cd, &ip, &il, &op, &ol);
        iconv_close(cd);
        if (r != size_t(-1) && il == 0)
            return QString::fromUtf8(out.data(), qsizetype(out.size() - ol));
    }
    return QString::fromUtf8(bytes); // bad bytes become U+FFFD
}
