#pragma once
// The resolved form of a drawing: flat lists of world-space primitives with
// their final colours, ready to be drawn by any backend. Built once per
// drawing (resolve step); every frame only reads it.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "cad/render/Geometry.h"
#include "cad/render/Palette.h"

namespace cad::render {

enum class PrimKind : std::uint8_t {
    Polyline,  // open or closed chain of points
    Polygon,   // filled area, one or more rings, even-odd rule
    Text,      // one line of text
    Point,     // a single dot
};

enum PrimFlags : std::uint8_t {
    kClosed = 1,          // polyline: last point joins the first
    kContrastColour = 2,  // colour index 7: black on light backgrounds
    kBackgroundFill = 4,  // wipeout: filled with the view's background
};

struct Prim {
    Box2 box;                  // world bounds, for culling and level of detail
    Rgb colour = 0xFFFFFFFF;
    std::uint32_t first = 0;   // Polyline/Point: index into points; Polygon: into rings; Text: into texts
    std::uint32_t count = 0;   // points (Polyline/Point) or rings (Polygon)
    std::uint16_t layer = 0;   // index into ResolvedDrawing::layers: visibility at draw time
    PrimKind kind = PrimKind::Polyline;
    std::uint8_t flags = 0;
};

struct Ring {
    std::uint32_t first = 0, count = 0;  // into points
};

enum class HAlign : std::uint8_t { Left, Centre, Right };
enum class VAlign : std::uint8_t { Baseline, Bottom, Middle, Top };

struct TextRun {
    std::string text;        // UTF-8, one line
    std::string family;      // font family to ask the system for
    Vec2 anchor;             // world point the alignment refers to
    double height = 1;       // cap height in drawing units
    double rotation = 0;     // radians, counter-clockwise
    double widthFactor = 1;
    double oblique = 0;      // radians, slant to the right
    double fitWidth = 0;     // > 0: stretch the run to exactly this width (fit / aligned)
    HAlign hAlign = HAlign::Left;
    VAlign vAlign = VAlign::Baseline;
    bool bold = false, italic = false, underline = false, overline = false, strike = false;
    bool mirrorX = false, mirrorY = false;
    double estimatedWidth = 0;  // from the resolve step's metrics, for bounds
    // Colour of an MTEXT run's own (\C, \c); -1 = the entity's.
    int aci = -1;
    std::int32_t trueColour = -1;
};

struct LayerInfo {
    std::string name;
    Rgb colour = 0xFFFFFFFF;
    bool contrast = false;  // layer colour is index 7
    bool on = true;
    bool frozen = false;
};

// Uniform grid over the extents. Each primitive is listed in the cell holding
// its box centre; each cell's bounds grow to cover its members, so a query
// only needs the cells whose grown bounds meet the view.
struct SpatialGrid {
    Box2 area;
    int cols = 0, rows = 0;
    std::vector<Box2> cellBounds;
    std::vector<std::uint32_t> cellStart;  // cols*rows+1 offsets into items
    std::vector<std::uint32_t> items;      // primitive indices, ascending per cell

    void build(const std::vector<Prim>& prims, const Box2& extents);
    // Indices, ascending (drawing order), of the primitives whose cell may
    // meet `view`. `mask` is scratch space kept by the caller.
    void query(const Box2& view, std::size_t primCount, std::vector<std::uint32_t>& out,
               std::vector<std::uint8_t>& mask) const;
};

struct ResolvedDrawing {
    std::vector<Prim> prims;
    std::vector<Vec2> points;
    std::vector<Ring> rings;
    std::vector<TextRun> texts;
    std::vector<LayerInfo> layers;
    Box2 extents;  // of everything resolved, infinite lines excluded
    SpatialGrid grid;
    // Entity types met but not drawn (or only partly), with counts.
    std::map<std::string, int> notDrawn;
    bool truncated = false;  // stopped at the primitive limit

    int layerIndex(const std::string& name) const;  // -1 when unknown
    bool setLayerOn(const std::string& name, bool on);
    bool layerVisible(std::uint16_t index) const {
        return index < layers.size() && layers[index].on && !layers[index].frozen;
    }
};

}  // namespace cad::render
