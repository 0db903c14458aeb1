// DXF reader: ASCII and binary DXF, R12 to 2018, into the drawing model.
#pragma once

#include <cstddef>
#include <cstdint>

#include "cad/io/LoadResult.h"

namespace cad::dxf {

// Never throws. format is "DXF"; a file that ends early keeps what was read
// when that is a drawing, and says so in `skipped` under "TRUNCATED".
LoadResult readDxf(const std::uint8_t* data, std::size_t size);

}  // namespace cad::dxf
