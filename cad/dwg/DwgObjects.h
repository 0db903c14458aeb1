#pragma once
// Objects of a DWG file: each record is decoded into a model entity or a
// table entry plus the handles that tie it to others; assemble() then
// resolves the handles into the drawing model.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "cad/dwg/DwgFile.h"
#include "cad/dwg/DwgHeaderVars.h"
#include "cad/dwg/DwgText.h"
#include "cad/model/Drawing.h"

namespace cad::dwg {

// One decoded entity with the links still unresolved.
struct RawEntity {
    std::uint64_t handle = 0;
    unsigned type = 0;
    int entMode = 0;              // 0 owned (owner handle), 1 paper space, 2 model space
    std::uint64_t owner = 0;
    std::uint64_t layer = 0;
    std::uint64_t ltype = 0;
    int ltFlags = 0;              // 0 BYLAYER 1 BYBLOCK 2 CONTINUOUS 3 handle
    std::uint64_t prev = 0, next = 0;
    bool hasLinks = false;
    // Type-specific links: block header / style / dimstyle / image definition...
    std::uint64_t ref1 = 0, ref2 = 0, ref3 = 0, seqEnd = 0;
    std::vector<std::uint64_t> owned; // 2004+: vertices / attributes in order
    EntityPtr ent;                // null for BLOCK, ENDBLK, SEQEND, VERTEX
    PolyVertex vertex;            // VERTEX payload
    bool hasVertex = false;
};

struct RawBlockHeader {
    std::uint64_t handle = 0;
    std::string name;
    int flags = 0;
    Vec3 base;
    std::string xrefPath;
    std::string description;
    std::uint64_t firstEntity = 0, lastEntity = 0;
    std::vector<std::uint64_t> owned;
};

struct RawTables {
    std::vector<std::pair<std::uint64_t, Layer>> layers;
    std::unordered_map<std::uint64_t, std::uint64_t> layerLinetype;
    std::vector<std::pair<std::uint64_t, Linetype>> linetypes;
    std::vector<std::pair<std::uint64_t, TextStyle>> styles;
    std::vector<std::pair<std::uint64_t, std::string>> dimstyles;
    std::vector<RawBlockHeader> blockHeaders;
    std::unordered_map<std::uint64_t, std::string> imageDefs;
};

class ObjectDecoder {
public:
    ObjectDecoder(const DwgFile& f, const CodePage& cp) : f_(f), cp_(cp) {}

    // Decodes every object of the map; damaged ones are counted in `skipped`.
    void decodeAll(std::map<std::string, int>& skipped);

    std::vector<RawEntity>& entities() { return entities_; }
    RawTables& tables() { return tables_; }

private:
    void decodeOne(const ObjectLoc& loc, std::map<std::string, int>& skipped);

    const DwgFile& f_;
    const CodePage& cp_;
    std::vector<RawEntity> entities_;
    RawTables tables_;
};

// Name of an object type for counting ("LINE", "3DSOLID", class names...).
std::string objectTypeName(const DwgFile& f, unsigned type);

// Resolves handles and fills the drawing.
void assembleDrawing(const DwgFile& f, const HeaderVars& hv, std::vector<RawEntity>& ents,
                     RawTables& tables, Drawing& d, std::map<std::string, int>& skipped);

} // namespace cad::dwg
