#pragma once
// Small DWG-like files built byte by byte: a version text, the image data
// address at offset 13, the image data area (sentinel, size, count, directory)
// and the entries' data. Only what the preview reader looks at is there.

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QList>
#include <QtEndian>

namespace dwgfixture {

inline void put32(QByteArray& a, qsizetype at, qint32 v) {
  qToLittleEndian<qint32>(v, a.data() + at);
}
inline QByteArray le32(qint32 v) {
  QByteArray a(4, '\0');
  put32(a, 0, v);
  return a;
}

// A 40-byte-header DIB with a 256-entry palette whose bytes are all distinct
// from the patch values, so the patch is visible.
inline QByteArray dib8(int w, int h, quint8 fill) {
  QByteArray d(40, '\0');
  put32(d, 0, 40);
  put32(d, 4, w);
  put32(d, 8, h);
  d[12] = 1;
  d[14] = 8;
  for (int i = 0; i < 256; ++i) {
    d.append(char(i));
    d.append(char(255 - i));
    d.append(char(i ^ 0x5a));
    d.append(char(0x77));
  }
  const int stride = (w + 3) & ~3;
  d.append(QByteArray(stride * h, char(fill)));
  return d;
}

inline QByteArray dib32(int w, int h, QRgb colour) {
  QByteArray d(40, '\0');
  put32(d, 0, 40);
  put32(d, 4, w);
  put32(d, 8, h);
  d[12] = 1;
  d[14] = 32;
  for (int i = 0; i < w * h; ++i) {
    d.append(char(qBlue(colour)));
    d.append(char(qGreen(colour)));
    d.append(char(qRed(colour)));
    d.append(char(0));
  }
  return d;
}

inline QByteArray pngBytes(int w, int h, QColor c) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(c);
  QByteArray out;
  QBuffer b(&out);
  b.open(QIODevice::WriteOnly);
  img.save(&b, "PNG");
  return out;
}

struct Entry {
  quint8 code;
  QByteArray data;
  qint32 start = 0;  // 0: where the data is placed
  qint32 size = -1;  // -1: the data's length
};

// Version text, image data address at 13, the image data area at 0x40 (sentinel,
// overall size, count, directory), then the entries' data one after the other.
inline QByteArray makeDwg(const QList<Entry>& entries, int countByte = -1) {
  QByteArray f("AC1015");
  f.append(QByteArray(0x40 - f.size(), '\0'));
  put32(f, 13, 0x40);
  f.append(QByteArray(16, '\x5a'));
  f.append(le32(0));
  f.append(char(countByte < 0 ? entries.size() : countByte));
  const qsizetype dir = f.size();
  f.append(QByteArray(9 * entries.size(), '\0'));
  for (int i = 0; i < entries.size(); ++i) {
    const Entry& e = entries[i];
    const qint32 start = e.start ? e.start : qint32(f.size());
    f.append(e.data);
    f[dir + 9 * i] = char(e.code);
    put32(f, dir + 9 * i + 1, start);
    put32(f, dir + 9 * i + 5, e.size == -1 ? qint32(e.data.size()) : e.size);
  }
  return f;
}

}  // namespace dwgfixture

namespace dwgfixture {
// Writes `bytes` to `path`; false when the file cannot be written.
inline bool writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}
}  // namespace dwgfixture
