// libFuzzer entry: DXF bytes through the reader and the model's consumers.
#include <cstddef>
#include <cstdint>

#include "cad/dxf/DxfReader.h"
#include "cad/io/DrawingLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  cad::LoadResult r = cad::dxf::readDxf(data, size);
  if (r.drawing) {
    cad::Box3 b = r.drawing->computeExtents();
    (void)b;
    (void)cad::drawingStatsJson("fuzz", r);
  }
  // The sniffer sees the same bytes when a file is opened.
  (void)cad::sniffDrawing(data, size);
  return 0;
}
