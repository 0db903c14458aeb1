#include "DwgPreview.h"

#include <QBuffer>
#include <QFile>

#include "PathBytes.h"

#include <fcntl.h>
#include <unistd.h>
#include <QIODevice>

#include <cstring>

namespace {

constexpr qint64 kAddressOffset = 13;
constexpr qint64 kSentinelSize = 16;
constexpr qint64 kDirEntrySize = 9;
constexpr qint64 kHeaderAndPalette = 40 + 256 * 4;  // 1064
constexpr qint64 kBmpFileHeader = 14;
constexpr quint32 kPixelOffset = kBmpFileHeader + kHeaderAndPalette;  // 1078

quint32 le32(const char* p) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  return quint32(u[0]) | quint32(u[1]) << 8 | quint32(u[2]) << 16 | quint32(u[3]) << 24;
}
quint16 le16(const char* p) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  return quint16(u[0] | u[1] << 8);
}
void putLe32(char* p, quint32 v) {
  for (int i = 0; i < 4; ++i) p[i] = char((v >> (8 * i)) & 0xff);
}

// Every read is checked against the device's size first: nothing in the file
// is trusted, offsets and lengths included.
class Reader {
public:
  explicit Reader(QIODevice& d) : dev_(d), size_(d.size()) {}
  qint64 size() const { return size_; }
  bool readAt(qint64 pos, char* dst, qint64 n) {
    if (pos < 0 || n < 0 || pos > size_ || n > size_ - pos) return false;
    if (!dev_.seek(pos)) return false;
    return dev_.read(dst, n) == n;
  }
  bool readAt(qint64 pos, QByteArray& dst, qint64 n) {
    if (pos < 0 || n < 0 || pos > size_ || n > size_ - pos) return false;
    dst.resize(n);
    return readAt(pos, dst.data(), n);
  }

private:
  QIODevice& dev_;
  qint64 size_;
};

struct DirEntry {
  quint8 code;
  qint32 start;
  qint32 size;
};

// Walks the image directory in order and hands each entry to `visit`, which
// returns false to stop. Stops silently at the first structural failure.
template <class Visit>
void walkImageDirectory(Reader& r, Visit&& visit) {
  char version[6];
  if (!r.readAt(0, version, sizeof version)) return;
  char buf[kDirEntrySize];
  if (!r.readAt(kAddressOffset, buf, 4)) return;
  const qint32 address = qint32(le32(buf));
  if (address < 0 || address >= r.size()) return;
  // Sentinel (skipped, not compared), overall size (unused), entry count.
  char head[kSentinelSize + 5];
  if (!r.readAt(address, head, sizeof head)) return;
  const qint8 count = qint8(head[kSentinelSize + 4]);
  for (qint64 i = 0; i < count; ++i) {
    if (!r.readAt(qint64(address) + 21 + kDirEntrySize * i, buf, kDirEntrySize)) return;
    DirEntry e{quint8(buf[0]), qint32(le32(buf + 1)), qint32(le32(buf + 5))};
    if (!visit(e)) return;
  }
}

// The entry's bytes when they lie wholly inside the file.
bool readEntryData(Reader& r, const DirEntry& e, QByteArray& out) {
  if (e.start < 0 || e.start >= r.size()) return false;
  if (e.size < 0 || e.size > kMaxDwgImageEntry) return false;
  return r.readAt(e.start, out, e.size);
}

bool isSeekable(QIODevice& d) {
  return d.isOpen() && d.isReadable() && !d.isSequential();
}

void openForReading(QFile& f) {
  // No sharing modes here: a plain read-only open stands in for the
  // exclusive one, and a held-open drawing reads like any other.
  // Unbuffered: a few scattered reads, each straight into its destination.
  // A name that is not valid UTF-8 keeps its bytes only through EncodePath;
  // Qt's own name conversion would look for another file.
  if (PathHasRawBytes(f.fileName())) {
    const int fd = ::open(EncodePath(f.fileName()).constData(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0 && f.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle))
      return;
    if (fd >= 0)
      ::close(fd);
    throw DwgPreviewOpenError(QStringLiteral("无法打开文件 %1").arg(f.fileName()).toStdString());
  }
  if (!f.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
    throw DwgPreviewOpenError(QStringLiteral("无法打开文件 %1: %2")
                                  .arg(f.fileName(), f.errorString())
                                  .toStdString());
}

// Uncompressed 24- and 32-bit pixels decoded directly; the large previews
// of some drawings are of this kind and the BMP reader is slow on them.
QImage decodeRgbDib(const QByteArray& dib, quint32 headerSize) {
  if (headerSize < 40) return {};
  const char* h = dib.constData();
  const qint32 w = qint32(le32(h + 4)), hRaw = qint32(le32(h + 8));
  const int bpp = le16(h + 14);
  if ((bpp != 24 && bpp != 32) || le32(h + 16) != 0 || w <= 0 || w > 16384 || hRaw == 0 || hRaw < -16384 ||
      hRaw > 16384)
    return {};
  const int height = hRaw < 0 ? -hRaw : hRaw;
  const qint64 stride = (qint64(w) * (bpp / 8) + 3) & ~qint64(3);
  const qint64 start = qint64(headerSize) + qint64(le32(h + 32)) * 4;  // after any colour table
  if (start < 0 || start > dib.size() || dib.size() - start < stride * height) return {};
  QImage img(w, height, QImage::Format_RGB32);
  if (img.isNull()) return {};
  const auto* pixels = reinterpret_cast<const uchar*>(h + start);
  for (int y = 0; y < height; ++y) {
    const uchar* src = pixels + stride * (hRaw > 0 ? height - 1 - y : y);
    auto* dst = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < w; ++x, src += bpp / 8) dst[x] = qRgb(src[2], src[1], src[0]);
  }
  return img;
}

// A bitmap entry whose header says more than 8 bits per pixel has no palette,
// so the fixed 1078-byte pixel offset would shift its pixels by 1 KB. Build
// the file header from the entry's own header fields instead.
QImage decodeTrueColourDib(const QByteArray& dib) {
  if (dib.size() < 16) return {};
  const quint32 headerSize = le32(dib.constData());
  if (headerSize < 12 || headerSize > quint32(dib.size())) return {};
  quint64 extra = 0;
  if (headerSize >= 40) {
    const quint16 bpp = le16(dib.constData() + 14);
    const quint32 compression = le32(dib.constData() + 16);
    const quint32 colours = headerSize >= 36 ? le32(dib.constData() + 32) : 0;
    if (bpp <= 8) extra = quint64(colours ? colours : (1u << bpp)) * 4;
    else extra = quint64(colours) * 4;
    if (headerSize == 40 && (compression == 3 || compression == 6)) extra += compression == 3 ? 12 : 16;
  }
  const quint64 offset = kBmpFileHeader + headerSize + extra;
  if (offset > quint64(kBmpFileHeader) + quint64(dib.size())) return {};
  if (QImage img = decodeRgbDib(dib, headerSize); !img.isNull()) return img;
  QByteArray file(kBmpFileHeader, '\0');
  file[0] = 'B';
  file[1] = 'M';
  putLe32(file.data() + 2, quint32(dib.size() + kBmpFileHeader));
  putLe32(file.data() + 10, quint32(offset));
  file += dib;
  QImage img;
  img.loadFromData(file, "BMP");
  return img;
}

// The last complete entry of each kind, in one walk over the directory. A
// failing entry ends the search for its kind (the entries after it are not
// looked at), as a failing directory ends the search for all kinds.
struct LastEntries {
  std::optional<QByteArray> bmp, png;
};
LastEntries lastCompleteEntries(QIODevice& file) {
  LastEntries found;
  if (!isSeekable(file)) return found;
  Reader r(file);
  bool bmpDone = false, pngDone = false;
  QByteArray data;
  walkImageDirectory(r, [&](const DirEntry& e) {
    if (e.code == kDwgImageBmp && !bmpDone) {
      if (e.size < kHeaderAndPalette || !readEntryData(r, e, data)) bmpDone = true;
      else found.bmp = data;
    } else if (e.code == kDwgImagePng && !pngDone) {
      if (!readEntryData(r, e, data)) pngDone = true;
      else found.png = data;
    }
    return !(bmpDone && pngDone);
  });
  return found;
}

// The BMP file image of a bitmap entry: file header with the fixed 1078-byte
// pixel offset, the header and palette with entry 0 black and entry 225 white
// (reserved bytes kept), then the pixels unchanged.
QByteArray bmpFileImage(const QByteArray& dib) {
  QByteArray out(kBmpFileHeader, '\0');
  out[0] = 'B';
  out[1] = 'M';
  putLe32(out.data() + 2, quint32(dib.size()) + kBmpFileHeader);
  putLe32(out.data() + 10, kPixelOffset);
  out += dib;
  char* p = out.data() + kBmpFileHeader;
  std::memset(p + 40, 0, 3);
  std::memset(p + 40 + 225 * 4, 0xff, 3);
  return out;
}

// The common case decoded directly: an uncompressed 8-bit image after the
// fixed 1078-byte header. Anything else is left to the platform's BMP reader.
QImage decodeBmp8(const QByteArray& bmp) {
  if (bmp.size() < kPixelOffset) return {};
  const char* h = bmp.constData() + kBmpFileHeader;
  const qint32 w = qint32(le32(h + 4)), hRaw = qint32(le32(h + 8));
  if (le16(h + 14) != 8 || le32(h + 16) != 0 || w <= 0 || w > 16384 || hRaw == 0 || hRaw < -16384 ||
      hRaw > 16384)
    return {};
  const int height = hRaw < 0 ? -hRaw : hRaw;
  const qint64 stride = (qint64(w) + 3) & ~qint64(3);
  if (bmp.size() - qint64(kPixelOffset) < stride * height) return {};
  QImage img(w, height, QImage::Format_Indexed8);
  if (img.isNull()) return {};
  QList<QRgb> table(256);
  for (int i = 0; i < 256; ++i) {
    const auto* c = reinterpret_cast<const uchar*>(h + 40 + 4 * i);
    table[i] = qRgb(c[2], c[1], c[0]);
  }
  img.setColorTable(table);
  const char* pixels = bmp.constData() + kPixelOffset;
  for (int y = 0; y < height; ++y) {
    const int row = hRaw > 0 ? height - 1 - y : y;  // bottom-up unless the height is negative
    std::memcpy(img.scanLine(y), pixels + stride * row, size_t(w));
  }
  return img;
}

}  // namespace

bool ReadDwgPreview(QBuffer& output, QIODevice& file) {
  std::optional<QByteArray> dib = lastCompleteEntries(file).bmp;
  if (!dib) return false;
  const QByteArray image = bmpFileImage(*dib);
  if (!output.isOpen()) output.open(QIODevice::ReadWrite);
  output.buffer().clear();
  output.seek(0);
  output.write(image);
  return true;
}

bool ReadDwgPreview(QBuffer& output, const QString& path) {
  QFile f(path);
  openForReading(f);
  return ReadDwgPreview(output, f);
}

std::optional<QByteArray> ReadDwgImageEntry(QIODevice& file, quint8 code) {
  if (!isSeekable(file)) return std::nullopt;
  Reader r(file);
  std::optional<QByteArray> found;
  QByteArray data;
  walkImageDirectory(r, [&](const DirEntry& e) {
    if (e.code != code) return true;
    if (!readEntryData(r, e, data)) return false;
    found = data;
    return true;
  });
  return found;
}

bool LoadDwgPreviewBitmap(QImage& bitmap, QIODevice& file) {
  // One walk finds both kinds, so each file is read once.
  const LastEntries found = lastCompleteEntries(file);
  bool undecodable = false;
  if (found.bmp) {
    const QByteArray& dib = *found.bmp;
    QImage img;
    if (le16(dib.constData() + 14) > 8) img = decodeTrueColourDib(dib);
    else {
      const QByteArray bmp = bmpFileImage(dib);
      img = decodeBmp8(bmp);
      if (img.isNull()) img.loadFromData(bmp, "BMP");
    }
    if (!img.isNull()) {
      bitmap = img;
      return true;
    }
    undecodable = true;
  }
  if (found.png) {
    QImage img;
    if (img.loadFromData(*found.png, "PNG")) {
      bitmap = img;
      return true;
    }
    undecodable = true;
  }
  if (undecodable) throw DwgPreviewDecodeError("preview image cannot be decoded");
  return false;
}

bool LoadDwgPreviewBitmap(QImage& bitmap, const QString& path) {
  QFile f(path);
  openForReading(f);
  return LoadDwgPreviewBitmap(bitmap, f);
}

QImage LoadDwgPreviewImage(const QString& path) {
  QImage img;
  try {
    if (LoadDwgPreviewBitmap(img, path)) return img;
  } catch (const std::exception&) {
  }
  return {};
}
