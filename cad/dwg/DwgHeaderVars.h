#pragma once
// The few header variables the viewer uses, read from AcDb:Header.

#include <cstdint>

#include "cad/dwg/DwgBitReader.h"

namespace cad::dwg {

struct HeaderVars {
    double ltScale = 1.0;
    double celtScale = 1.0;
    double textSize = 2.5;
    double pdSize = 0;
    int pdMode = 0;
    int insUnits = 0;
    int lwDisplay = 0;
    bool fillMode = true;
    bool psLtScale = true;
    Point3 extMin, extMax;
    Point2 limMin, limMax;
    std::uint64_t textStyle = 0;
    std::uint64_t blockControl = 0, layerControl = 0, styleControl = 0, linetypeControl = 0;
    std::uint64_t modelSpace = 0, paperSpace = 0;
    bool complete = false; // every variable up to the model space handle was read
};

// Throws DwgError on malformed data; fields read so far stay filled.
void readHeaderVars(BitReader& data, BitReader& handles, HeaderVars& out);

} // namespace cad::dwg
