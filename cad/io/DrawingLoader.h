// Opens a drawing file of any supported kind, chosen by its content.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "cad/io/LoadResult.h"

namespace cad {

enum class FileKind { Unknown, DxfAscii, DxfBinary, Dwg, Dwf, Dwfx };

// Looks at the first bytes only.
FileKind sniffDrawing(const std::uint8_t* data, std::size_t size);

// Reads and parses the file; never throws.
LoadResult loadDrawingFile(const std::string& path);

// Same on bytes already in memory (tests, fuzzing).
LoadResult loadDrawingBytes(const std::uint8_t* data, std::size_t size);

// One line of JSON: {"file","format","version","codepage","entities":{TYPE:n},
// "total","layers":[...],"extents":[xmin,ymin,xmax,ymax],"load_ms","error"}.
std::string drawingStatsJson(const std::string& path, const LoadResult& result);

}  // namespace cad
