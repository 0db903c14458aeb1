#pragma once
// The preview picture that a DWG file (R13 and later) carries in its image data
// area, at the address stored at offset 13.

#include <QByteArray>
#include <QImage>
#include <QString>

#include <optional>
#include <stdexcept>

class QBuffer;
class QIODevice;

// Raised when the drawing cannot be opened or its preview cannot be decoded.
class DwgPreviewError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};
class DwgPreviewOpenError : public DwgPreviewError {
public:
  using DwgPreviewError::DwgPreviewError;
};
class DwgPreviewDecodeError : public DwgPreviewError {
public:
  using DwgPreviewError::DwgPreviewError;
};

// Directory codes of the image data area.
constexpr quint8 kDwgImageBmp = 2;
constexpr quint8 kDwgImagePng = 6;

// An entry larger than this is no preview; reading stops there. The largest
// preview met in the wild is about 1.3 MB (a 648 x 512 x 32 bit bitmap).
constexpr qint64 kMaxDwgImageEntry = 64ll * 1024 * 1024;

// Writes the bitmap entry of the file's image directory into `output` as a
// complete BMP file image: 14-byte file header, the entry's 40-byte header and
// 256-entry palette (entry 0 set to black, entry 225 to white), then the
// pixels. `output` is emptied and rewritten only when a bitmap entry has been
// read completely, so with several bitmap entries the last complete one wins
// and on false `output` is untouched. Returns true when one was written.
// Throws DwgPreviewOpenError when the file cannot be opened.
bool ReadDwgPreview(QBuffer& output, const QString& path);
// The same on an open, readable, seekable device (fuzzing, tests).
bool ReadDwgPreview(QBuffer& output, QIODevice& file);

// Decodes the preview into `bitmap`. Takes the bitmap entry; a file without a
// usable bitmap entry (R2013 and later often carry only a PNG, directory code 6)
// gives its last complete PNG entry instead. On false `bitmap` is untouched.
// Throws DwgPreviewOpenError when the file cannot be opened and
// DwgPreviewDecodeError when an entry was found that no decoder accepts.
bool LoadDwgPreviewBitmap(QImage& bitmap, const QString& path);
bool LoadDwgPreviewBitmap(QImage& bitmap, QIODevice& file);

// The preview or a null image; never throws.
QImage LoadDwgPreviewImage(const QString& path);

// The raw data of the last complete entry with `code`, or nothing.
std::optional<QByteArray> ReadDwgImageEntry(QIODevice& file, quint8 code);
