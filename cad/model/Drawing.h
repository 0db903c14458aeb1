// The drawing model shared by the DXF reader, the DWG reader and the renderer.
// Plain C++, no Qt. All strings are UTF-8. Angles are in radians (DXF files give
// degrees; the reader converts). Points of planar entities (ARC, CIRCLE, TEXT,
// LWPOLYLINE, 2D POLYLINE, SOLID, HATCH, INSERT...) are in the entity's object
// coordinate system given by `extrusion`; use ocsToWcs() to bring them to world
// coordinates. LINE, POINT, 3DFACE, 3D POLYLINE, SPLINE, ELLIPSE, XLINE, RAY,
// LEADER and MTEXT's insertion point are already world coordinates.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace cad {

struct Vec2 {
  double x = 0, y = 0;
};

struct Vec3 {
  double x = 0, y = 0, z = 0;
};

struct Box3 {
  Vec3 min{1e300, 1e300, 1e300};
  Vec3 max{-1e300, -1e300, -1e300};
  bool valid() const { return min.x <= max.x && min.y <= max.y; }
  void add(const Vec3& p);
  void merge(const Box3& b);
};

// Colour index values.
inline constexpr int kColorByBlock = 0;
inline constexpr int kColorByLayer = 256;
// Lineweight values (otherwise hundredths of a millimetre, 0..211).
inline constexpr int kLineweightByLayer = -1;
inline constexpr int kLineweightByBlock = -2;
inline constexpr int kLineweightDefault = -3;

// Arbitrary-axis algorithm: object coordinates to world coordinates.
Vec3 ocsToWcs(const Vec3& p, const Vec3& normal);

// The entity types the readers keep. Names as DXF spells them: entityTypeName().
enum class EntityType : std::uint8_t {
  Line, XLine, Ray, Point, Circle, Arc, Ellipse, LwPolyline, Polyline, Spline,
  Text, Attrib, AttDef, MText, Insert, Dimension, Leader, Solid, Trace, Face3D,
  Hatch, Wipeout, Image,
  Count_
};
std::string_view entityTypeName(EntityType t);

struct Entity {
  explicit Entity(EntityType t) : type(t) {}
  virtual ~Entity() = default;
  Entity(const Entity&) = default;
  Entity& operator=(const Entity&) = default;

  EntityType type;
  bool paperSpace = false;      // code 67 = 1
  bool invisible = false;       // code 60 = 1
  std::int16_t lineweight = kLineweightByLayer;  // code 370
  int color = kColorByLayer;    // ACI: 0 BYBLOCK, 256 BYLAYER, 1..255
  std::int32_t trueColor = -1;  // 0xRRGGBB when set (code 420), else -1
  std::int32_t transparency = -1;  // code 440 raw value, -1 = BYLAYER
  double ltScale = 1.0;         // code 48
  double thickness = 0.0;       // code 39
  Vec3 extrusion{0, 0, 1};      // code 210
  std::uint64_t handle = 0;     // code 5
  std::string layer = "0";
  std::string linetype = "BYLAYER";

  std::string_view typeName() const { return entityTypeName(type); }

  // Checked down-cast: as<Text>() also accepts ATTRIB and ATTDEF, and so on.
  template <class T> const T* as() const {
    return T::accepts(type) ? static_cast<const T*>(this) : nullptr;
  }
  template <class T> T* as() {
    return T::accepts(type) ? static_cast<T*>(this) : nullptr;
  }
};

using EntityPtr = std::unique_ptr<Entity>;
using EntityList = std::vector<EntityPtr>;

#define CAD_ACCEPTS1(A) \
  static bool accepts(EntityType t) { return t == EntityType::A; }

struct Line : Entity {
  Line() : Entity(EntityType::Line) {}
  CAD_ACCEPTS1(Line)
  Vec3 start, end;
};

// XLINE (infinite both ways) and RAY (infinite from base).
struct XLine : Entity {
  explicit XLine(EntityType t = EntityType::XLine) : Entity(t) {}
  static bool accepts(EntityType t) { return t == EntityType::XLine || t == EntityType::Ray; }
  Vec3 base;
  Vec3 direction{1, 0, 0};
};

struct Point : Entity {
  Point() : Entity(EntityType::Point) {}
  CAD_ACCEPTS1(Point)
  Vec3 position;
  double angle = 0;  // x-axis angle for PDMODE symbols
};

struct Circle : Entity {
  Circle() : Entity(EntityType::Circle) {}
  CAD_ACCEPTS1(Circle)
  Vec3 center;  // OCS
  double radius = 0;
};

struct Arc : Entity {
  Arc() : Entity(EntityType::Arc) {}
  CAD_ACCEPTS1(Arc)
  Vec3 center;  // OCS
  double radius = 0;
  double startAngle = 0, endAngle = 0;  // radians, counter-clockwise in the OCS
};

struct Ellipse : Entity {
  Ellipse() : Entity(EntityType::Ellipse) {}
  CAD_ACCEPTS1(Ellipse)
  Vec3 center;                 // WCS
  Vec3 majorAxis{1, 0, 0};     // end of major axis relative to center, WCS
  double ratio = 1;            // minor / major
  double startParam = 0, endParam = 6.283185307179586;  // radians
};

struct LwVertex {
  Vec2 pt;
  double startWidth = 0, endWidth = 0;
  double bulge = 0;  // tan(angle/4) of the arc to the next vertex
};

struct LwPolyline : Entity {
  LwPolyline() : Entity(EntityType::LwPolyline) {}
  CAD_ACCEPTS1(LwPolyline)
  std::vector<LwVertex> vertices;  // OCS
  bool closed = false;
  bool plinegen = false;           // linetype pattern runs over the whole polyline
  double constantWidth = 0;
  double elevation = 0;
};

struct PolyVertex {
  Vec3 pt;
  double startWidth = 0, endWidth = 0;
  double bulge = 0;
  int flags = 0;         // 8 curve-fit extra, 16 spline frame control point, 128 polyface face...
  int face[4] = {0, 0, 0, 0};  // polyface face record: 1-based vertex indices, negative = invisible edge
};

struct Polyline : Entity {
  enum class Kind : std::uint8_t { Polyline2D, Polyline3D, PolyfaceMesh, PolygonMesh };
  Polyline() : Entity(EntityType::Polyline) {}
  CAD_ACCEPTS1(Polyline)
  Kind kind = Kind::Polyline2D;
  int flags = 0;              // code 70 as read
  bool closed = false;        // flag 1 (M direction closed for meshes)
  bool nClosed = false;       // flag 32, polygon mesh N direction
  bool plinegen = false;      // flag 128
  int curveType = 0;          // code 75: 0 none, 5 quadratic B-spline, 6 cubic B-spline, 8 Bezier
  int mCount = 0, nCount = 0; // polygon mesh size (71/72); polyface: vertex and face counts
  double defaultStartWidth = 0, defaultEndWidth = 0;
  double elevation = 0;       // 2D polylines: z of the OCS plane
  // Vertices in file order. For a polyface mesh, the position vertices come
  // first (flag 64|128) and the face records after (flag 128 only, face[]).
  // For a spline-fit 2D/3D polyline, frame control points carry flag 16 and
  // are not drawn; the fitted vertices carry flag 8.
  std::vector<PolyVertex> vertices;
};

struct Spline : Entity {
  Spline() : Entity(EntityType::Spline) {}
  CAD_ACCEPTS1(Spline)
  int degree = 3;
  int flags = 0;  // 1 closed, 2 periodic, 4 rational, 8 planar, 16 linear
  bool closed() const { return flags & 1; }
  std::vector<double> knots;
  std::vector<Vec3> controlPoints;  // WCS
  std::vector<double> weights;      // empty = all 1
  std::vector<Vec3> fitPoints;      // used when there are no control points
  Vec3 startTangent, endTangent;    // zero when not given
  Vec3 normal{0, 0, 1};
  double fitTolerance = 0;
};

// TEXT; base of ATTRIB and ATTDEF.
struct Text : Entity {
  explicit Text(EntityType t = EntityType::Text) : Entity(t) {}
  static bool accepts(EntityType t) {
    return t == EntityType::Text || t == EntityType::Attrib || t == EntityType::AttDef;
  }
  Vec3 insertion;         // code 10, OCS
  Vec3 alignPoint;        // code 11, OCS; used unless hAlign == 0 && vAlign == 0
  bool hasAlignPoint = false;
  double height = 0;      // 0 = style height
  double rotation = 0;    // radians
  double widthFactor = 1; // code 41
  double oblique = 0;     // radians
  int hAlign = 0;         // 72: 0 left 1 center 2 right 3 aligned 4 middle 5 fit
  int vAlign = 0;         // 73 (74 for ATTRIB/ATTDEF): 0 baseline 1 bottom 2 middle 3 top
  int generation = 0;     // 71: 2 mirrored in X (backwards), 4 mirrored in Y (upside down)
  std::string style = "STANDARD";
  // Text as stored (decoded to UTF-8, \U+XXXX and \M+nXXXX resolved). The
  // %%c %%d %%p %%u %%o codes are left in; decodeTextSpecials() resolves them.
  std::string text;
};

struct Attrib : Text {
  explicit Attrib(EntityType t = EntityType::Attrib) : Text(t) {}
  static bool accepts(EntityType t) { return t == EntityType::Attrib || t == EntityType::AttDef; }
  std::string tag;
  int attFlags = 0;  // code 70: 1 invisible, 2 constant, 4 verify, 8 preset
  bool hidden() const { return attFlags & 1; }
};

struct AttDef : Attrib {
  AttDef() : Attrib(EntityType::AttDef) {}
  CAD_ACCEPTS1(AttDef)
  std::string prompt;
};

// One run of MTEXT with uniform formatting.
struct MTextRun {
  std::string text;        // UTF-8, all codes resolved
  std::string font;        // \f family or \F file; empty = the style's font
  double height = 0;       // absolute height; 0 = the entity's height
  double widthFactor = 0;  // 0 = the style's
  double oblique = 0;      // radians
  double tracking = 1;
  int color = -1;          // ACI from \C; -1 = the entity's colour
  std::int32_t trueColor = -1;  // from \c
  int valign = -1;         // \A: 0 bottom 1 middle 2 top; -1 = baseline
  bool bold = false, italic = false;
  bool underline = false, overline = false, strike = false;
  bool stacked = false;    // \S top^bottom; etc.
  char stackType = '/';    // '/' horizontal bar, '#' diagonal, '^' tolerance (no bar)
  std::string stackTop, stackBottom;
};

struct MTextParagraph {
  std::vector<MTextRun> runs;
  char align = 0;  // from \pxq?; : 'l' 'r' 'c' 'j' 'd'; 0 = by attachment
};

struct MText : Entity {
  MText() : Entity(EntityType::MText) {}
  CAD_ACCEPTS1(MText)
  Vec3 insertion;           // WCS
  Vec3 xAxis{1, 0, 0};      // text direction, WCS (code 11, or from rotation)
  double height = 0;        // nominal character height (40)
  double refWidth = 0;      // wrap width (41); 0 = no wrapping
  int attachment = 1;       // 71: 1 TL 2 TC 3 TR 4 ML 5 MC 6 MR 7 BL 8 BC 9 BR
  int drawingDirection = 1; // 72: 1 left to right, 3 top to bottom, 5 by style
  int lineSpacingStyle = 1; // 73: 1 at least, 2 exact
  double lineSpacingFactor = 1;  // 44
  std::string style = "STANDARD";
  std::string rawText;      // as in the file, codes kept (UTF-8)
  std::vector<MTextParagraph> paragraphs;  // parsed form of rawText
  double rotation() const;  // angle of xAxis in its plane, radians
};

struct Insert : Entity {
  Insert() : Entity(EntityType::Insert) {}
  CAD_ACCEPTS1(Insert)
  std::string blockName;
  Vec3 insertion;  // OCS
  Vec3 scale{1, 1, 1};
  double rotation = 0;
  int columnCount = 1, rowCount = 1;
  double columnSpacing = 0, rowSpacing = 0;
  std::vector<Attrib> attributes;  // in file order, WCS/OCS as read
};

struct Dimension : Entity {
  Dimension() : Entity(EntityType::Dimension) {}
  CAD_ACCEPTS1(Dimension)
  std::string blockName;   // code 2: the anonymous block holding its graphics
  std::string style = "STANDARD";  // code 3
  int dimType = 0;         // code 70 (low bits: 0 rotated/linear, 1 aligned, 2 angular, 3 diameter, 4 radius, 5 3-point angular, 6 ordinate)
  Vec3 defPoint;           // 10
  Vec3 textMid;            // 11
  Vec3 insertion;          // 12, block offset (normally zero)
  Vec3 defPoint2, defPoint3, defPoint4, defPoint5;  // 13, 14, 15, 16
  double angle = 0;        // 50
  double measurement = 0;  // 42
  double textRotation = 0; // 53
  std::string text;        // code 1: "" = measured value, "<>" = measured value inserted
};

struct Leader : Entity {
  Leader() : Entity(EntityType::Leader) {}
  CAD_ACCEPTS1(Leader)
  std::string style = "STANDARD";
  bool arrowHead = true;   // 71
  int pathType = 0;        // 72: 0 straight, 1 spline
  bool hookline = false;   // 75
  double textHeight = 0, textWidth = 0;  // 40, 41
  std::vector<Vec3> vertices;  // WCS
  Vec3 normal{0, 0, 1};
  Vec3 horizontalDir{1, 0, 0};
};

// SOLID and TRACE: four corners, drawn filled in the order 1 2 4 3.
struct Solid : Entity {
  explicit Solid(EntityType t = EntityType::Solid) : Entity(t) {}
  static bool accepts(EntityType t) { return t == EntityType::Solid || t == EntityType::Trace; }
  Vec3 corners[4];  // OCS
};

struct Face3D : Entity {
  Face3D() : Entity(EntityType::Face3D) {}
  CAD_ACCEPTS1(Face3D)
  Vec3 corners[4];     // WCS, drawn 1 2 3 4
  int invisibleEdges = 0;  // code 70 bits 1,2,4,8
};

struct HatchEdge {
  enum class Kind : std::uint8_t { Line = 1, Arc = 2, Ellipse = 3, Spline = 4 };
  Kind kind = Kind::Line;
  Vec2 start, end;              // line
  Vec2 center;                  // arc, ellipse
  double radius = 0;            // arc
  Vec2 majorAxis;               // ellipse, relative to center
  double ratio = 1;             // ellipse
  double startAngle = 0, endAngle = 0;  // radians (arc angles, ellipse parameters)
  bool ccw = true;
  // spline
  int degree = 3;
  bool rational = false, periodic = false;
  std::vector<double> knots;
  std::vector<Vec2> controlPoints;
  std::vector<double> weights;
  std::vector<Vec2> fitPoints;
};

struct HatchLoop {
  int flags = 0;           // 1 external, 2 polyline, 4 derived, 16 outermost
  bool isPolyline = false;
  bool closed = true;
  std::vector<LwVertex> polyline;  // when isPolyline (widths unused)
  std::vector<HatchEdge> edges;    // otherwise
};

struct HatchPatternLine {
  double angle = 0;        // radians
  Vec2 base;
  Vec2 offset;
  std::vector<double> dashes;  // + dash, - gap, 0 dot
};

struct Hatch : Entity {
  Hatch() : Entity(EntityType::Hatch) {}
  CAD_ACCEPTS1(Hatch)
  std::string patternName;
  bool solidFill = false;
  bool associative = false;
  int hatchStyle = 0;      // 75: 0 odd parity, 1 outermost, 2 entire area
  int patternType = 1;     // 76: 0 user, 1 predefined, 2 custom
  double patternAngle = 0; // radians
  double patternScale = 1;
  bool doubled = false;
  double elevation = 0;
  bool gradient = false;   // 450; drawn as solid fill with gradientColors
  std::vector<std::int32_t> gradientColors;  // 0xRRGGBB
  std::vector<HatchLoop> loops;        // OCS
  std::vector<HatchPatternLine> patternLines;
};

// IMAGE and WIPEOUT: a parallelogram frame with an optional clip boundary.
struct RasterImage : Entity {
  explicit RasterImage(EntityType t = EntityType::Image) : Entity(t) {}
  static bool accepts(EntityType t) { return t == EntityType::Image || t == EntityType::Wipeout; }
  Vec3 insertion;           // 10: lower-left corner of the lower-left pixel
  Vec3 uVector{1, 0, 0};    // 11: one pixel along the image's x
  Vec3 vVector{0, 1, 0};    // 12: one pixel along the image's y
  Vec2 imageSize{1, 1};     // 13: pixels
  int displayFlags = 0;     // 70
  bool clipping = false;    // 280
  int clipType = 1;         // 71: 1 rectangle, 2 polygon
  std::vector<Vec2> clipBoundary;  // 14, pixel coordinates
  int brightness = 50, contrast = 50, fade = 0;
  std::uint64_t imageDefHandle = 0;  // 340
  std::string filePath;     // from the IMAGEDEF object; empty for WIPEOUT
};

#undef CAD_ACCEPTS1

struct Layer {
  std::string name;
  int color = 7;              // 1..255 (the file's negative value means off; kept positive here)
  std::int32_t trueColor = -1;
  std::string linetype = "CONTINUOUS";
  int lineweight = kLineweightDefault;
  bool on = true;
  bool frozen = false;
  bool locked = false;
  bool plot = true;
  std::int32_t transparency = -1;
};

struct LinetypeElement {
  double length = 0;       // + dash, - gap, 0 dot
  // Embedded text or shape (code 74 != 0); drawn as a gap by simple renderers.
  bool isText = false, isShape = false;
  std::string text;
  int shapeNumber = 0;
  double scale = 1, rotation = 0;
  Vec2 offset;
  std::string style;
};

struct Linetype {
  std::string name;
  std::string description;
  std::vector<double> pattern;  // lengths: + dash, - gap, 0 dot; empty = continuous
  std::vector<LinetypeElement> elements;  // same lengths with complex details
  double totalLength = 0;
};

struct TextStyle {
  std::string name;
  std::string fontFile;      // code 3 (shx or ttf)
  std::string bigFontFile;   // code 4
  std::string fontFamily;    // TrueType family from extended data, if any
  double height = 0;         // 0 = not fixed
  double widthFactor = 1;
  double oblique = 0;        // radians
  int flags = 0;             // 70: 1 shape file, 4 vertical
  int generation = 0;        // 71: 2 backwards, 4 upside down
};

struct Block {
  std::string name;
  Vec3 basePoint;
  int flags = 0;            // 1 anonymous, 2 has attributes, 4 xref, 8 xref overlay, 16 external
  std::string xrefPath;     // code 1
  std::string description;
  EntityList entities;
  bool isXref() const { return flags & 4; }
};

struct Header {
  std::string version;          // $ACADVER, e.g. "AC1015"
  std::string codepage;         // $DWGCODEPAGE, e.g. "ANSI_936"
  int insUnits = 0;             // $INSUNITS
  double ltScale = 1.0;         // $LTSCALE
  double celtScale = 1.0;       // $CELTSCALE
  bool psLtScale = true;        // $PSLTSCALE
  int measurement = 1;          // $MEASUREMENT: 0 imperial, 1 metric
  Vec3 extMin, extMax;          // $EXTMIN / $EXTMAX as read
  bool hasExtents = false;      // both were present and extMin <= extMax
  Vec2 limMin, limMax;          // $LIMMIN / $LIMMAX
  int pdMode = 0;               // $PDMODE
  double pdSize = 0;            // $PDSIZE
  double textSize = 2.5;        // $TEXTSIZE
  std::string textStyle = "STANDARD";  // $TEXTSTYLE
  bool fillMode = true;         // $FILLMODE
  int lwDisplay = 0;            // $LWDISPLAY
};

class Drawing {
 public:
  Header header;
  std::vector<Layer> layers;
  std::vector<Linetype> linetypes;
  std::vector<TextStyle> textStyles;
  std::vector<Block> blocks;        // every block definition except *Model_Space
  EntityList entities;              // model space, in file order
  EntityList paperSpaceEntities;    // entities of the active layout (code 67 = 1)

  // Name look-ups are case-insensitive, as in the CAD formats. Readers call
  // buildIndex() once after filling the tables; without it the look-up scans.
  const Layer* findLayer(std::string_view name) const;
  const Linetype* findLinetype(std::string_view name) const;
  const TextStyle* findTextStyle(std::string_view name) const;
  const Block* findBlock(std::string_view name) const;
  void buildIndex();

  // Extents of the model-space geometry, inserts expanded (XLINE/RAY ignored,
  // curves bounded conservatively). Invalid box when nothing is drawable.
  Box3 computeExtents() const;

  // Counts of model-space entities by type name (inserts not expanded).
  std::map<std::string, int> entityCounts() const;

 private:
  std::map<std::string, std::size_t, std::less<>> layerIndex_, linetypeIndex_, styleIndex_, blockIndex_;
  bool indexed_ = false;
};

// Resolves the %%-codes of TEXT/ATTRIB strings: %%c -> diameter sign (U+00D8, which
// every text font has), %%d ->
// degree, %%p -> plus-minus, %%% -> %, %%nnn -> character nnn; %%u / %%o
// (underline / overline toggles) are dropped and reported through the flags.
std::string decodeTextSpecials(std::string_view s, bool* hasUnderline = nullptr,
                               bool* hasOverline = nullptr);

// Parses MTEXT formatting codes into paragraphs of runs. Relative heights
// (\H2x;) are taken against baseHeight; with 0 they stay 0 (= entity height).
std::vector<MTextParagraph> parseMText(std::string_view raw, double baseHeight = 0);

// Uppercase ASCII copy, for case-insensitive names.
std::string upperAscii(std::string_view s);

}  // namespace cad
