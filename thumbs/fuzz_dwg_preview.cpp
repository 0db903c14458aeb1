// libFuzzer target: arbitrary bytes as a DWG file for the preview reader.
#include "DwgPreview.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
  QBuffer in(&bytes);
  in.open(QIODevice::ReadOnly);
  QBuffer out;
  ReadDwgPreview(out, in);
  QImage img;
  try {
    LoadDwgPreviewBitmap(img, in);
  } catch (const DwgPreviewError&) {
  }
  return 0;
}
