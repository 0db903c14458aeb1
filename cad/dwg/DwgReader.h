#pragma once
// DWG reader: turns the bytes of a .dwg file into the drawing model.

#include <cstddef>
#include <cstdint>
#include <string>

#include "cad/io/LoadResult.h"

namespace cad::dwg {

// Reads a whole DWG file held in memory. Never throws; a file it cannot draw
// gives a status other than Ok and a short Chinese message. Versions it does
// not read give UnsupportedVersion so the caller can fall back to the
// embedded preview.
LoadResult readDwg(const std::uint8_t* data, std::size_t size);

// The six-byte version code at the start ("AC1015", ...), or "" when the
// bytes do not start like a DWG file.
std::string dwgVersionCode(const std::uint8_t* data, std::size_t size);

} // namespace cad::dwg
