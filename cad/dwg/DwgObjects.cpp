#include "cad/dwg/DwgObjects.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

namespace cad::dwg {

namespace {

enum T : unsigned {
    kText = 1, kAttrib = 2, kAttdef = 3, kBlock = 4, kEndblk = 5, kSeqend = 6, kInsert = 7,
    kMinsert = 8, kVertex2d = 10, kVertex3d = 11, kVertexMesh = 12, kVertexPface = 13,
    kVertexPfaceFace = 14, kPolyline2d = 15, kPolyline3d = 16, kArc = 17, kCircle = 18,
    kLine = 19, kDimOrdinate = 20, kDimLinear = 21, kDimAligned = 22, kDimAng3 = 23,
    kDimAng2 = 24, kDimRadius = 25, kDimDiameter = 26, kPoint = 27, k3dFace = 28,
    kPolylinePface = 29, kPolylineMesh = 30, kSolid = 31, kTrace = 32, kShape = 33,
    kViewport = 34, kEllipse = 35, kSpline = 36, kRegion = 37, k3dSolid = 38, kBody = 39,
    kRay = 40, kXline = 41, kDictionary = 42, kOleFrame = 43, kMtext = 44, kLeader = 45,
    kTolerance = 46, kMline = 47, kBlockControl = 48, kBlockHeader = 49, kLayerControl = 50,
    kLayer = 51, kStyleControl = 52, kStyle = 53, kLtypeControl = 56, kLtype = 57,
    kViewControl = 60, kView = 61, kUcsControl = 62, kUcs = 63, kVportControl = 64,
    kVport = 65, kAppidControl = 66, kAppid = 67, kDimstyleControl = 68, kDimstyle = 69,
    kVpEntHdrControl = 70, kVpEntHdr = 71, kGroup = 72, kMlineStyle = 73, kOle2Frame = 74,
    kLwpolyline = 77, kHatch = 78, kXrecord = 79, kPlaceholder = 80, kVbaProject = 81,
    kLayout = 82, kProxyEntity = 0x1f2, kProxyObject = 0x1f3,
};

const char* fixedTypeName(unsigned t)
{
    switch (t) {
    case kText: return "TEXT";
    case kAttrib: return "ATTRIB";
    case kAttdef: return "ATTDEF";
    case kBlock: return "BLOCK";
    case kEndblk: return "ENDBLK";
    case kSeqend: return "SEQEND";
    case kInsert: case kMinsert: return "INSERT";
    case kVertex2d: case kVertex3d: case kVertexMesh: case kVertexPface:
    case kVertexPfaceFace: return "VERTEX";
    case kPolyline2d: case kPolyline3d: case kPolylinePface: case kPolylineMesh: return "POLYLINE";
    case kArc: return "ARC";
    case kCircle: return "CIRCLE";
    case kLine: return "LINE";
    case kDimOrdinate: case kDimLinear: case kDimAligned: case kDimAng3: case kDimAng2:
    case kDimRadius: case kDimDiameter: return "DIMENSION";
    case kPoint: return "POINT";
    case k3dFace: return "3DFACE";
    case kSolid: return "SOLID";
    case kTrace: return "TRACE";
    case kShape: return "SHAPE";
    case kViewport: return "VIEWPORT";
    case kEllipse: return "ELLIPSE";
    case kSpline: return "SPLINE";
    case kRegion: return "REGION";
    case k3dSolid: return "3DSOLID";
    case kBody: return "BODY";
    case kRay: return "RAY";
    case kXline: return "XLINE";
    case kDictionary: return "DICTIONARY";
    case kOleFrame: return "OLEFRAME";
    case kMtext: return "MTEXT";
    case kLeader: return "LEADER";
    case kTolerance: return "TOLERANCE";
    case kMline: return "MLINE";
    case kBlockHeader: return "BLOCK_RECORD";
    case kLayer: return "LAYER";
    case kStyle: return "STYLE";
    case kLtype: return "LTYPE";
    case kView: return "VIEW";
    case kUcs: return "UCS";
    case kVport: return "VPORT";
    case kAppid: return "APPID";
    case kDimstyle: return "DIMSTYLE";
    case kVpEntHdr: return "VP_ENT_HDR";
    case kGroup: return "GROUP";
    case kMlineStyle: return "MLINESTYLE";
    case kOle2Frame: return "OLE2FRAME";
    case kLwpolyline: return "LWPOLYLINE";
    case kHatch: return "HATCH";
    case kXrecord: return "XRECORD";
    case kPlaceholder: return "ACDBPLACEHOLDER";
    case kVbaProject: return "VBA_PROJECT";
    case kLayout: return "LAYOUT";
    case kProxyEntity: return "ACAD_PROXY_ENTITY";
    case kProxyObject: return "ACAD_PROXY_OBJECT";
    default: return nullptr;
    }
}

bool fixedIsEntity(unsigned t)
{
    return (t >= 1 && t <= 47 && t != kDictionary && t != 9) || t == kOle2Frame
        || t == kLwpolyline || t == kHatch || t == kProxyEntity;
}

Vec3 v3(const Point3& p) { return Vec3{p.x, p.y, p.z}; }
Vec2 v2(const Point2& p) { return Vec2{p.x, p.y}; }

int lineweightFromIndex(unsigned i)
{
    static const int kTable[] = {0, 5, 9, 13, 15, 18, 20, 25, 30, 35, 40, 50,
                                 53, 60, 70, 80, 90, 100, 106, 120, 140, 158, 200, 211};
    if (i < sizeof(kTable) / sizeof(kTable[0]))
        return kTable[i];
    if (i == 29) return kLineweightByLayer;
    if (i == 30) return kLineweightByBlock;
    return kLineweightDefault;
}

// The streams of one object record.
struct Obj {
    BitReader dat, hdl, str;
    unsigned type = 0;
    std::uint64_t handle = 0;
    std::uint64_t handleStart = 0; // bit where the handle stream begins
    std::uint32_t size = 0;
    const std::uint8_t* bytes = nullptr;
};

void skipEed(BitReader& r)
{
    for (int guard = 0; guard < 100000; ++guard) {
        const auto size = static_cast<std::uint16_t>(r.BS());
        if (size == 0)
            return;
        (void)r.H();
        r.skipBits(static_cast<std::uint64_t>(size) * 8);
    }
    throw DwgError("endless extended data");
}

// Locates the handle stream (and for 2007+ the string stream) once the end
// of the data stream is known.
void setupStreams(Obj& o, std::uint64_t handleStart)
{
    const std::uint64_t total = static_cast<std::uint64_t>(o.size) * 8;
    if (handleStart > total)
        throw DwgError("handle stream starts past the object");
    o.handleStart = handleStart;
    o.hdl = BitReader(o.bytes, o.size, o.dat.version());
    o.hdl.seekBit(handleStart);
    if (o.dat.version() >= Ver::R2007)
        attachStringStream(o.dat, o.str, handleStart);
    else
        o.dat.setEndBit(handleStart);
}

struct EntCommon {
    int entMode = 0;
    std::uint32_t numReactors = 0;
    bool xdicMissing = false;
    bool byLayerLt = true; // R13-R14
    bool noLinks = true;
    CmColor color;
    double ltScale = 1;
    int ltFlags = 0;
    int psFlags = 0;
    int matFlags = 0;
    bool vs[3] = {false, false, false};
    bool invisible = false;
    int lineweight = kLineweightByLayer;
};

EntCommon readEntityCommon(Obj& o)
{
    BitReader& r = o.dat;
    const Ver v = r.version();
    EntCommon c;
    skipEed(r);
    if (r.B()) { // proxy graphics
        const std::uint64_t n = v >= Ver::R2010 ? r.BLL() : r.RL();
        r.skipBits(checkedMul(n, 8));
    }
    if (v <= Ver::R14)
        setupStreams(o, r.RL());
    c.entMode = static_cast<int>(r.BB());
    c.numReactors = static_cast<std::uint32_t>(r.BL());
    if (v >= Ver::R2004)
        c.xdicMissing = r.B();
    if (v >= Ver::R2013)
        (void)r.B();
    if (v <= Ver::R14)
        c.byLayerLt = r.B();
    if (v <= Ver::R2000)
        c.noLinks = r.B();
    c.color = r.ENC();
    c.ltScale = r.BD();
    if (v >= Ver::R2000) {
        c.ltFlags = static_cast<int>(r.BB());
        c.psFlags = static_cast<int>(r.BB());
    }
    if (v >= Ver::R2007) {
        c.matFlags = static_cast<int>(r.BB());
        (void)r.RC();
    }
    if (v >= Ver::R2010) {
        c.vs[0] = r.B();
        c.vs[1] = r.B();
        c.vs[2] = r.B();
    }
    c.invisible = (r.BS() & 1) != 0;
    if (v >= Ver::R2000)
        c.lineweight = lineweightFromIndex(r.RC());
    return c;
}

void readEntityHandles(Obj& o, const EntCommon& c, RawEntity& e)
{
    BitReader& h = o.hdl;
    const Ver v = h.version();
    if (c.entMode == 0)
        e.owner = h.H().resolve(o.handle);
    if (c.numReactors > 100000)
        throw DwgError("impossible reactor count");
    for (std::uint32_t i = 0; i < c.numReactors; ++i)
        (void)h.H();
    if (!c.xdicMissing)
        (void)h.H();
    if (v <= Ver::R14) {
        e.layer = h.H().resolve(o.handle);
        if (!c.byLayerLt) {
            e.ltype = h.H().resolve(o.handle);
            e.ltFlags = 3;
        }
    }
    if (v <= Ver::R2000 && !c.noLinks) {
        e.prev = h.H().resolve(o.handle);
        e.next = h.H().resolve(o.handle);
        e.hasLinks = true;
    } else if (v <= Ver::R2000) {
        e.prev = o.handle - 1;
        e.next = o.handle + 1;
        e.hasLinks = true;
    }
    if (v >= Ver::R2004 && c.color.hasBookHandle)
        (void)h.H();
    if (v >= Ver::R2000) {
        e.layer = h.H().resolve(o.handle);
        e.ltFlags = c.ltFlags;
        if (c.ltFlags == 3)
            e.ltype = h.H().resolve(o.handle);
    }
    if (v >= Ver::R2007 && c.matFlags == 3)
        (void)h.H();
    if (v >= Ver::R2000 && c.psFlags == 3)
        (void)h.H();
    if (v >= Ver::R2010)
        for (bool b : c.vs)
            if (b)
                (void)h.H();
}

void applyCommon(Entity& ent, const EntCommon& c)
{
    ent.color = c.color.index;
    if (c.color.hasRgb)
        ent.trueColor = static_cast<std::int32_t>(c.color.rgb);
    ent.ltScale = c.ltScale;
    ent.invisible = c.invisible;
    ent.lineweight = static_cast<std::int16_t>(c.lineweight);
    ent.paperSpace = c.entMode == 1;
}

// Object (non-entity) preamble: after it the type-specific data follows.
struct ObjCommon {
    std::uint32_t numReactors = 0;
    bool xdicMissing = false;
};

ObjCommon readObjectCommon(Obj& o)
{
    BitReader& r = o.dat;
    const Ver v = r.version();
    ObjCommon c;
    skipEed(r);
    if (v <= Ver::R14)
        setupStreams(o, r.RL());
    c.numReactors = static_cast<std::uint32_t>(r.BL());
    if (v >= Ver::R2004)
        c.xdicMissing = r.B();
    if (v >= Ver::R2013)
        (void)r.B();
    return c;
}

void readObjectHandles(Obj& o, const ObjCommon& c)
{
    (void)o.hdl.H(); // owner
    if (c.numReactors > 100000)
        throw DwgError("impossible reactor count");
    for (std::uint32_t i = 0; i < c.numReactors; ++i)
        (void)o.hdl.H();
    if (!c.xdicMissing)
        (void)o.hdl.H();
}

// Table entry name and flags common to all table records.
struct TableEntry {
    std::string name;
    int flags = 0;
};

TableEntry readTableEntry(BitReader& r)
{
    TableEntry t;
    t.name = r.TV();
    if (r.B())
        t.flags |= 64;
    // 2007+ records carry no xref index.
    if (r.version() < Ver::R2007)
        (void)r.BS(); // xref index + 1
    if (r.B())
        t.flags |= 16;
    return t;
}

void readTextCommon(BitReader& r, Text& t)
{
    const Ver v = r.version();
    if (v <= Ver::R14) {
        const double elevation = r.BD();
        const Point2 ins = r.RD2();
        const Point2 al = r.RD2();
        t.insertion = Vec3{ins.x, ins.y, elevation};
        t.alignPoint = Vec3{al.x, al.y, elevation};
        t.hasAlignPoint = true;
        t.extrusion = v3(r.BD3());
        t.thickness = r.BD();
        t.oblique = r.BD();
        t.rotation = r.BD();
        t.height = r.BD();
        t.widthFactor = r.BD();
        t.text = r.TV();
        t.generation = r.BS();
        t.hAlign = r.BS();
        t.vAlign = r.BS();
        return;
    }
    const unsigned df = r.RC();
    double elevation = 0;
    if (!(df & 0x01))
        elevation = r.RD();
    const Point2 ins = r.RD2();
    t.insertion = Vec3{ins.x, ins.y, elevation};
    if (!(df & 0x02)) {
        const double ax = r.DD(ins.x);
        const double ay = r.DD(ins.y);
        t.alignPoint = Vec3{ax, ay, elevation};
        t.hasAlignPoint = true;
    }
    t.extrusion = v3(r.BE());
    t.thickness = r.BT();
    if (!(df & 0x04))
        t.oblique = r.RD();
    if (!(df & 0x08))
        t.rotation = r.RD();
    t.height = r.RD();
    if (!(df & 0x10))
        t.widthFactor = r.RD();
    t.text = r.TV();
    if (!(df & 0x20))
        t.generation = r.BS();
    if (!(df & 0x40))
        t.hAlign = r.BS();
    if (!(df & 0x80))
        t.vAlign = r.BS();
}

void readAttribTail(BitReader& r, Attrib& a)
{
    const Ver v = r.version();
    if (v >= Ver::R2010)
        (void)r.RC();
    if (v >= Ver::R2018) {
        const unsigned kind = r.RC();
        if (kind > 1)
            return; // multi-line: the embedded MTEXT is not decoded, the text above stays
    }
    a.tag = r.TV();
    (void)r.BS();
    a.attFlags = r.RC();
    if (v >= Ver::R2007)
        (void)r.B();
}

void readInsertScale(BitReader& r, Insert& ins)
{
    if (r.version() <= Ver::R14) {
        ins.scale = v3(r.BD3());
        return;
    }
    switch (r.BB()) {
    case 3: ins.scale = Vec3{1, 1, 1}; break;
    case 1: {
        const double y = r.DD(1.0);
        const double z = r.DD(1.0);
        ins.scale = Vec3{1, y, z};
        break;
    }
    case 2: {
        const double x = r.RD();
        ins.scale = Vec3{x, x, x};
        break;
    }
    default: {
        const double x = r.RD();
        const double y = r.DD(x);
        const double z = r.DD(x);
        ins.scale = Vec3{x, y, z};
        break;
    }
    }
}

void readOwnedList(BitReader& h, std::uint32_t count, std::vector<std::uint64_t>& out,
                   std::uint64_t self)
{
    requireCount(count, 8, h.bitsLeft(), "owned object");
    out.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i)
        out.push_back(h.H().resolve(self));
}

void readDimensionCommon(BitReader& r, Dimension& d)
{
    const Ver v = r.version();
    if (v >= Ver::R2010)
        (void)r.RC();
    d.extrusion = v3(r.BD3());
    const Point2 mid = r.RD2();
    const double elevation = r.BD();
    d.textMid = Vec3{mid.x, mid.y, elevation};
    const unsigned flags1 = r.RC();
    d.dimType = (flags1 & 1) ? 0 : 128;
    if (flags1 & 2)
        d.dimType |= 32;
    d.text = r.TV();
    d.textRotation = r.BD();
    (void)r.BD(); // horizontal direction
    (void)r.BD3(); // insert scale
    (void)r.BD(); // insert rotation
    if (v >= Ver::R2000) {
        (void)r.BS();
        (void)r.BS();
        (void)r.BD();
        d.measurement = r.BD();
    }
    if (v >= Ver::R2007) {
        (void)r.B();
        (void)r.B();
        (void)r.B();
    }
    const Point2 p12 = r.RD2();
    d.insertion = Vec3{p12.x, p12.y, elevation};
}

void readHatch(BitReader& r, Hatch& h, std::uint64_t& boundaryHandles)
{
    const Ver v = r.version();
    if (v >= Ver::R2004) {
        h.gradient = r.BL() != 0;
        (void)r.BL();
        (void)r.BD();
        (void)r.BD();
        (void)r.BL();
        (void)r.BD();
        const std::uint32_t n = static_cast<std::uint32_t>(r.BL());
        requireCount(n, 20, r.bitsLeft(), "gradient colour");
        for (std::uint32_t i = 0; i < n; ++i) {
            (void)r.BD();
            (void)r.BS();
            const std::uint32_t rgb = static_cast<std::uint32_t>(r.BL());
            (void)r.RC();
            h.gradientColors.push_back(static_cast<std::int32_t>(rgb & 0xffffff));
        }
        (void)r.TV();
    }
    h.elevation = r.BD();
    h.extrusion = v3(r.BD3());
    h.patternName = r.TV();
    h.solidFill = r.B();
    h.associative = r.B();
    const std::uint32_t numPaths = static_cast<std::uint32_t>(r.BL());
    requireCount(numPaths, 4, r.bitsLeft(), "hatch path");
    bool anyPixel = false;
    boundaryHandles = 0;
    for (std::uint32_t p = 0; p < numPaths; ++p) {
        HatchLoop loop;
        loop.flags = r.BL();
        if (loop.flags & 4)
            anyPixel = true;
        if (!(loop.flags & 2)) {
            const std::uint32_t segs = static_cast<std::uint32_t>(r.BL());
            requireCount(segs, 8, r.bitsLeft(), "hatch edge");
            for (std::uint32_t s = 0; s < segs; ++s) {
                HatchEdge e;
                const unsigned kind = r.RC();
                if (kind == 1) {
                    e.kind = HatchEdge::Kind::Line;
                    e.start = v2(r.RD2());
                    e.end = v2(r.RD2());
                } else if (kind == 2) {
                    e.kind = HatchEdge::Kind::Arc;
                    e.center = v2(r.RD2());
                    e.radius = r.BD();
                    e.startAngle = r.BD();
                    e.endAngle = r.BD();
                    e.ccw = r.B();
                } else if (kind == 3) {
                    e.kind = HatchEdge::Kind::Ellipse;
                    e.center = v2(r.RD2());
                    e.majorAxis = v2(r.RD2());
                    e.ratio = r.BD();
                    e.startAngle = r.BD();
                    e.endAngle = r.BD();
                    e.ccw = r.B();
                } else if (kind == 4) {
                    e.kind = HatchEdge::Kind::Spline;
                    e.degree = r.BL();
                    e.rational = r.B();
                    e.periodic = r.B();
                    const std::uint32_t nk = static_cast<std::uint32_t>(r.BL());
                    const std::uint32_t nc = static_cast<std::uint32_t>(r.BL());
                    requireCount(nk, 2, r.bitsLeft(), "knot");
                    requireCount(nc, 128, r.bitsLeft(), "control point");
                    for (std::uint32_t i = 0; i < nk; ++i)
                        e.knots.push_back(r.BD());
                    for (std::uint32_t i = 0; i < nc; ++i) {
                        e.controlPoints.push_back(v2(r.RD2()));
                        if (e.rational)
                            e.weights.push_back(r.BD());
                    }
                    if (v >= Ver::R2010) {
                        const std::uint32_t nf = static_cast<std::uint32_t>(r.BL());
                        requireCount(nf, 128, r.bitsLeft(), "fit point");
                        for (std::uint32_t i = 0; i < nf; ++i)
                            e.fitPoints.push_back(v2(r.RD2()));
                        if (nf > 0) {
                            (void)r.RD2();
                            (void)r.RD2();
                        }
                    }
                } else {
                    throw DwgError("unknown hatch edge");
                }
                loop.edges.push_back(std::move(e));
            }
        } else {
            loop.isPolyline = true;
            const bool bulges = r.B();
            loop.closed = r.B();
            const std::uint32_t n = static_cast<std::uint32_t>(r.BL());
            requireCount(n, 128, r.bitsLeft(), "hatch vertex");
            loop.polyline.reserve(n);
            for (std::uint32_t i = 0; i < n; ++i) {
                LwVertex lv;
                lv.pt = v2(r.RD2());
                if (bulges)
                    lv.bulge = r.BD();
                loop.polyline.push_back(lv);
            }
        }
        const std::uint32_t nb = static_cast<std::uint32_t>(r.BL());
        boundaryHandles = checkedAdd(boundaryHandles, nb);
        h.loops.push_back(std::move(loop));
    }
    h.hatchStyle = r.BS();
    h.patternType = r.BS();
    if (!h.solidFill) {
        h.patternAngle = r.BD();
        h.patternScale = r.BD();
        h.doubled = r.B();
        const int nLines = static_cast<std::uint16_t>(r.BS());
        requireCount(static_cast<std::uint64_t>(nLines), 10, r.bitsLeft(), "pattern line");
        for (int i = 0; i < nLines; ++i) {
            HatchPatternLine pl;
            pl.angle = r.BD();
            pl.base = v2(r.BD2());
            pl.offset = v2(r.BD2());
            const int nd = static_cast<std::uint16_t>(r.BS());
            requireCount(static_cast<std::uint64_t>(nd), 2, r.bitsLeft(), "dash");
            for (int k = 0; k < nd; ++k)
                pl.dashes.push_back(r.BD());
            h.patternLines.push_back(std::move(pl));
        }
    }
    if (anyPixel)
        (void)r.BD();
    const std::uint32_t seeds = static_cast<std::uint32_t>(r.BL());
    requireCount(seeds, 128, r.bitsLeft(), "seed point");
    for (std::uint32_t i = 0; i < seeds; ++i)
        (void)r.RD2();
}

void readImage(BitReader& r, RasterImage& im)
{
    (void)r.BL();
    im.insertion = v3(r.BD3());
    im.uVector = v3(r.BD3());
    im.vVector = v3(r.BD3());
    im.imageSize = v2(r.RD2());
    im.displayFlags = r.BS();
    im.clipping = r.B();
    im.brightness = r.RC();
    im.contrast = r.RC();
    im.fade = r.RC();
    im.clipType = r.BS();
    if (im.clipType == 1) {
        im.clipBoundary.push_back(v2(r.RD2()));
        im.clipBoundary.push_back(v2(r.RD2()));
    } else {
        const std::uint32_t n = static_cast<std::uint32_t>(r.BL());
        requireCount(n, 128, r.bitsLeft(), "clip vertex");
        for (std::uint32_t i = 0; i < n; ++i)
            im.clipBoundary.push_back(v2(r.RD2()));
    }
    // 2010+: clip inside or outside, after the boundary as in DXF.
    if (r.version() >= Ver::R2010)
        (void)r.B();
}

void readSpline(BitReader& r, Spline& s)
{
    const Ver v = r.version();
    int scenario = r.BL();
    if (v >= Ver::R2013) {
        const int flags1 = r.BL();
        const int knotParam = r.BL();
        scenario = (flags1 & 1) ? 2 : 1;
        if (knotParam == 15)
            scenario = 1;
    }
    s.degree = r.BL();
    std::uint32_t nKnots = 0, nCtrl = 0, nFit = 0;
    bool weighted = false;
    if (scenario == 2) {
        s.fitTolerance = r.BD();
        s.startTangent = v3(r.BD3());
        s.endTangent = v3(r.BD3());
        nFit = static_cast<std::uint32_t>(r.BL());
    } else if (scenario == 1) {
        if (r.B())
            s.flags |= 4;
        if (r.B())
            s.flags |= 1;
        if (r.B())
            s.flags |= 2;
        (void)r.BD();
        (void)r.BD();
        nKnots = static_cast<std::uint32_t>(r.BL());
        nCtrl = static_cast<std::uint32_t>(r.BL());
        weighted = r.B();
    } else {
        throw DwgError("unknown spline scenario");
    }
    requireCount(nKnots, 2, r.bitsLeft(), "knot");
    requireCount(nCtrl, 6, r.bitsLeft(), "control point");
    requireCount(nFit, 6, r.bitsLeft(), "fit point");
    s.knots.reserve(nKnots);
    for (std::uint32_t i = 0; i < nKnots; ++i)
        s.knots.push_back(r.BD());
    s.controlPoints.reserve(nCtrl);
    for (std::uint32_t i = 0; i < nCtrl; ++i) {
        s.controlPoints.push_back(v3(r.BD3()));
        if (weighted)
            s.weights.push_back(r.BD());
    }
    for (std::uint32_t i = 0; i < nFit; ++i)
        s.fitPoints.push_back(v3(r.BD3()));
}

bool decodedEntity(unsigned t, const std::string& clsName)
{
    switch (t) {
    case kShape: case kViewport: case kRegion: case k3dSolid: case kBody: case kOleFrame:
    case kTolerance: case kMline: case kOle2Frame: case kProxyEntity:
        return false;
    default:
        break;
    }
    if (t < 500)
        return fixedIsEntity(t);
    return clsName == "LWPOLYLINE" || clsName == "HATCH" || clsName == "IMAGE"
        || clsName == "WIPEOUT";
}

} // namespace

std::string objectTypeName(const DwgFile& f, unsigned type)
{
    if (const char* n = fixedTypeName(type))
        return n;
    if (const DwgClass* c = f.classFor(type))
        return c->dxfName;
    return "TYPE " + std::to_string(type);
}

void ObjectDecoder::decodeAll(std::map<std::string, int>& skipped)
{
    entities_.reserve(std::min<std::size_t>(f_.objectMap.size(), 1u << 16));
    for (const ObjectLoc& loc : f_.objectMap) {
        try {
            decodeOne(loc, skipped);
        } catch (const DwgError&) {
            ++skipped["损坏的对象"];
        } catch (const std::bad_alloc&) {
            ++skipped["损坏的对象"];
        } catch (const std::length_error&) {
            ++skipped["损坏的对象"];
        }
    }
}

void ObjectDecoder::decodeOne(const ObjectLoc& loc, std::map<std::string, int>& skipped)
{
    const Ver ver = f_.ver;
    if (loc.offset >= f_.objectsSize)
        throw DwgError("object outside the data");
    BitReader pre(f_.objects + loc.offset, f_.objectsSize - loc.offset, ver);
    Obj o;
    o.size = pre.MS();
    if (o.size == 0 || o.size > limits::kMaxObjectBytes)
        throw DwgError("object size");
    std::uint64_t hsize = 0;
    const std::uint64_t msBytes = pre.bitPos() / 8;
    if (ver >= Ver::R2010)
        hsize = pre.MCU();
    const std::uint64_t start = loc.offset + pre.bitPos() / 8;
    requireRange(start, static_cast<std::uint64_t>(o.size) + 2, f_.objectsSize, "object");
    (void)msBytes;
    o.bytes = f_.objects + start;
    o.dat = BitReader(o.bytes, o.size, ver);
    o.dat.setCodePage(&cp_);
    o.type = o.dat.OT();
    if (ver >= Ver::R2000 && ver <= Ver::R2007) {
        const std::uint64_t hs = static_cast<std::uint32_t>(o.dat.RL());
        o.handle = o.dat.H().value;
        setupStreams(o, hs);
    } else if (ver >= Ver::R2010) {
        const std::uint64_t total = static_cast<std::uint64_t>(o.size) * 8;
        if (hsize > total)
            throw DwgError("handle stream size");
        o.handle = o.dat.H().value;
        setupStreams(o, total - hsize);
    } else {
        o.handle = o.dat.H().value;
    }

    const unsigned t = o.type;
    const DwgClass* cls = f_.classFor(t);
    const std::string clsName = cls ? cls->dxfName : std::string();
    const bool isEntity = cls ? cls->isEntity : fixedIsEntity(t);

    if (isEntity && !decodedEntity(t, clsName)) {
        // Entities this viewer does not draw: counted, not decoded.
        ++skipped[objectTypeName(f_, t)];
        return;
    }
    if (!isEntity && t != kLayer && t != kLtype && t != kStyle && t != kDimstyle
        && t != kBlockHeader && clsName != "IMAGEDEF")
        return; // objects the drawing does not need
    // Only records that are decoded pay for their checksum.
    {
        // The CRC covers the size field and the data.
        const std::uint64_t crcLen = start - loc.offset + o.size;
        const std::uint8_t* p = f_.objects + loc.offset;
        const std::uint16_t crc = crc16(0xC0C1, p, static_cast<std::size_t>(crcLen));
        const std::uint16_t stored = static_cast<std::uint16_t>(p[crcLen] | (p[crcLen + 1] << 8));
        if (crc != stored)
            throw DwgError("object checksum");
    }

    if (isEntity) {
        EntCommon c = readEntityCommon(o);
        RawEntity e;
        e.handle = o.handle;
        e.type = t;
        e.entMode = c.entMode;
        BitReader& r = o.dat;
        BitReader& h = o.hdl;
        auto handleRef = [&]() { return h.H().resolve(o.handle); };
        bool known = true;
        // Data first, handles after the common handle block.
        switch (t) {
        case kText: {
            auto x = std::make_unique<Text>();
            readTextCommon(r, *x);
            e.ent = std::move(x);
            break;
        }
        case kAttrib: {
            auto x = std::make_unique<Attrib>();
            readTextCommon(r, *x);
            readAttribTail(r, *x);
            e.ent = std::move(x);
            break;
        }
        case kAttdef: {
            auto x = std::make_unique<AttDef>();
            readTextCommon(r, *x);
            readAttribTail(r, *x);
            if (ver >= Ver::R2010)
                (void)r.RC();
            x->prompt = r.TV();
            e.ent = std::move(x);
            break;
        }
        case kBlock:
            (void)r.TV();
            break;
        case kEndblk:
        case kSeqend:
            break;
        case kInsert:
        case kMinsert: {
            auto x = std::make_unique<Insert>();
            x->insertion = v3(r.BD3());
            readInsertScale(r, *x);
            x->rotation = r.BD();
            x->extrusion = v3(r.BD3());
            const bool hasAttribs = r.B();
            std::uint32_t owned = 0;
            if (ver >= Ver::R2004 && hasAttribs)
                owned = static_cast<std::uint32_t>(r.BL());
            if (t == kMinsert) {
                x->columnCount = r.BS();
                x->rowCount = r.BS();
                x->columnSpacing = r.BD();
                x->rowSpacing = r.BD();
            }
            e.ref2 = hasAttribs ? 1 : 0;
            e.ref3 = owned;
            e.ent = std::move(x);
            break;
        }
        case kVertex2d: {
            e.hasVertex = true;
            e.vertex.flags = r.RC();
            e.vertex.pt = v3(r.BD3());
            double sw = r.BD();
            double ew;
            if (sw < 0) {
                sw = -sw;
                ew = sw;
            } else {
                ew = r.BD();
            }
            e.vertex.startWidth = sw;
            e.vertex.endWidth = ew;
            e.vertex.bulge = r.BD();
            if (ver >= Ver::R2010)
                (void)r.BL();
            (void)r.BD();
            break;
        }
        case kVertex3d:
        case kVertexMesh:
        case kVertexPface:
            e.hasVertex = true;
            e.vertex.flags = r.RC();
            e.vertex.pt = v3(r.BD3());
            break;
        case kVertexPfaceFace:
            e.hasVertex = true;
            e.vertex.flags = 128;
            for (int& fi : e.vertex.face)
                fi = r.BS();
            break;
        case kPolyline2d: {
            auto x = std::make_unique<Polyline>();
            x->kind = Polyline::Kind::Polyline2D;
            x->flags = r.BS();
            x->curveType = r.BS();
            x->defaultStartWidth = r.BD();
            x->defaultEndWidth = r.BD();
            x->thickness = r.BT();
            x->elevation = r.BD();
            x->extrusion = v3(r.BE());
            if (ver >= Ver::R2004)
                e.ref3 = static_cast<std::uint32_t>(r.BL());
            e.ent = std::move(x);
            break;
        }
        case kPolyline3d: {
            auto x = std::make_unique<Polyline>();
            x->kind = Polyline::Kind::Polyline3D;
            const unsigned sf = r.RC();
            const unsigned cf = r.RC();
            x->flags = 8;
            if (sf & 1) { x->curveType = 5; x->flags |= 4; }
            if (sf & 2) { x->curveType = 6; x->flags |= 4; }
            if (cf & 1) x->flags |= 1;
            if (ver >= Ver::R2004)
                e.ref3 = static_cast<std::uint32_t>(r.BL());
            e.ent = std::move(x);
            break;
        }
        case kPolylinePface: {
            auto x = std::make_unique<Polyline>();
            x->kind = Polyline::Kind::PolyfaceMesh;
            x->flags = 64;
            x->mCount = r.BS();
            x->nCount = r.BS();
            if (ver >= Ver::R2004)
                e.ref3 = static_cast<std::uint32_t>(r.BL());
            e.ent = std::move(x);
            break;
        }
        case kPolylineMesh: {
            auto x = std::make_unique<Polyline>();
            x->kind = Polyline::Kind::PolygonMesh;
            x->flags = r.BS() | 16;
            x->curveType = r.BS();
            x->mCount = r.BS();
            x->nCount = r.BS();
            (void)r.BS();
            (void)r.BS();
            if (ver >= Ver::R2004)
                e.ref3 = static_cast<std::uint32_t>(r.BL());
            e.ent = std::move(x);
            break;
        }
        case kArc: {
            auto x = std::make_unique<Arc>();
            x->center = v3(r.BD3());
            x->radius = r.BD();
            x->thickness = r.BT();
            x->extrusion = v3(r.BE());
            x->startAngle = r.BD();
            x->endAngle = r.BD();
            e.ent = std::move(x);
            break;
        }
        case kCircle: {
            auto x = std::make_unique<Circle>();
            x->center = v3(r.BD3());
            x->radius = r.BD();
            x->thickness = r.BT();
            x->extrusion = v3(r.BE());
            e.ent = std::move(x);
            break;
        }
        case kLine: {
            auto x = std::make_unique<Line>();
            if (ver <= Ver::R14) {
                x->start = v3(r.BD3());
                x->end = v3(r.BD3());
            } else {
                const bool zZero = r.B();
                x->start.x = r.RD();
                x->end.x = r.DD(x->start.x);
                x->start.y = r.RD();
                x->end.y = r.DD(x->start.y);
                if (!zZero) {
                    x->start.z = r.RD();
                    x->end.z = r.DD(x->start.z);
                }
            }
            x->thickness = r.BT();
            x->extrusion = v3(r.BE());
            e.ent = std::move(x);
            break;
        }
        case kDimOrdinate: case kDimLinear: case kDimAligned: case kDimAng3:
        case kDimAng2: case kDimRadius: case kDimDiameter: {
            auto x = std::make_unique<Dimension>();
            readDimensionCommon(r, *x);
            int kind = 0;
            switch (t) {
            case kDimOrdinate:
                x->defPoint = v3(r.BD3());
                x->defPoint2 = v3(r.BD3());
                x->defPoint3 = v3(r.BD3());
                if (r.RC() & 1)
                    x->dimType |= 64;
                kind = 6;
                break;
            case kDimLinear:
                x->defPoint2 = v3(r.BD3());
                x->defPoint3 = v3(r.BD3());
                x->defPoint = v3(r.BD3());
                (void)r.BD();
                x->angle = r.BD();
                kind = 0;
                break;
            case kDimAligned:
                x->defPoint2 = v3(r.BD3());
                x->defPoint3 = v3(r.BD3());
                x->defPoint = v3(r.BD3());
                (void)r.BD();
                kind = 1;
                break;
            case kDimAng3:
                x->defPoint = v3(r.BD3());
                x->defPoint2 = v3(r.BD3());
                x->defPoint3 = v3(r.BD3());
                x->defPoint4 = v3(r.BD3());
                kind = 5;
                break;
            case kDimAng2: {
                const Point2 p16 = r.RD2();
                x->defPoint5 = Vec3{p16.x, p16.y, x->textMid.z};
                x->defPoint2 = v3(r.BD3());
                x->defPoint3 = v3(r.BD3());
                x->defPoint4 = v3(r.BD3());
                x->defPoint = v3(r.BD3());
                kind = 2;
                break;
            }
            case kDimRadius:
                x->defPoint = v3(r.BD3());
                x->defPoint4 = v3(r.BD3());
                (void)r.BD();
                kind = 4;
                break;
            default:
                x->defPoint4 = v3(r.BD3());
                x->defPoint = v3(r.BD3());
                (void)r.BD();
                kind = 3;
                break;
            }
            x->dimType |= kind;
            e.ent = std::move(x);
            break;
        }
        case kPoint: {
            auto x = std::make_unique<Point>();
            x->position = v3(r.BD3());
            x->thickness = r.BT();
            x->extrusion = v3(r.BE());
            x->angle = r.BD();
            e.ent = std::move(x);
            break;
        }
        case k3dFace: {
            auto x = std::make_unique<Face3D>();
            if (ver <= Ver::R14) {
                for (auto& c4 : x->corners)
                    c4 = v3(r.BD3());
                x->invisibleEdges = r.BS();
            } else {
                const bool noFlags = r.B();
                const bool zZero = r.B();
                Point3 p;
                p.x = r.RD();
                p.y = r.RD();
                if (!zZero)
                    p.z = r.RD();
                x->corners[0] = v3(p);
                Point3 prev = p;
                for (int i = 1; i < 4; ++i) {
                    prev = r.DD3(prev);
                    x->corners[i] = v3(prev);
                }
                if (!noFlags)
                    x->invisibleEdges = r.BS();
            }
            e.ent = std::move(x);
            break;
        }
        case kSolid:
        case kTrace: {
            auto x = std::make_unique<Solid>(t == kSolid ? EntityType::Solid : EntityType::Trace);
            x->thickness = r.BT();
            const double elevation = r.BD();
            for (auto& c4 : x->corners) {
                const Point2 p = r.RD2();
                c4 = Vec3{p.x, p.y, elevation};
            }
            x->extrusion = v3(r.BE());
            e.ent = std::move(x);
            break;
        }
        case kEllipse: {
            auto x = std::make_unique<Ellipse>();
            x->center = v3(r.BD3());
            x->majorAxis = v3(r.BD3());
            x->extrusion = v3(r.BD3());
            x->ratio = r.BD();
            x->startParam = r.BD();
            x->endParam = r.BD();
            e.ent = std::move(x);
            break;
        }
        case kSpline: {
            auto x = std::make_unique<Spline>();
            readSpline(r, *x);
            e.ent = std::move(x);
            break;
        }
        case kRay:
        case kXline: {
            auto x = std::make_unique<XLine>(t == kRay ? EntityType::Ray : EntityType::XLine);
            x->base = v3(r.BD3());
            x->direction = v3(r.BD3());
            e.ent = std::move(x);
            break;
        }
        case kMtext: {
            auto x = std::make_unique<MText>();
            x->insertion = v3(r.BD3());
            x->extrusion = v3(r.BD3());
            x->xAxis = v3(r.BD3());
            x->refWidth = r.BD();
            if (ver >= Ver::R2007)
                (void)r.BD();
            x->height = r.BD();
            x->attachment = r.BS();
            x->drawingDirection = r.BS();
            (void)r.BD();
            (void)r.BD();
            x->rawText = r.TV();
            if (ver >= Ver::R2000) {
                x->lineSpacingStyle = r.BS();
                x->lineSpacingFactor = r.BD();
                (void)r.B();
            }
            // Later fields (background, columns) carry nothing the viewer draws.
            x->paragraphs = parseMText(x->rawText, x->height);
            e.ent = std::move(x);
            break;
        }
        case kLeader: {
            auto x = std::make_unique<Leader>();
            (void)r.B();
            (void)r.BS(); // annotation type
            x->pathType = r.BS();
            const std::uint32_t n = static_cast<std::uint32_t>(r.BL());
            requireCount(n, 6, r.bitsLeft(), "leader vertex");
            for (std::uint32_t i = 0; i < n; ++i)
                x->vertices.push_back(v3(r.BD3()));
            (void)r.BD3(); // origin
            x->normal = v3(r.BD3());
            x->extrusion = x->normal;
            x->horizontalDir = v3(r.BD3());
            (void)r.BD3();
            if (ver >= Ver::R14)
                (void)r.BD3();
            if (ver <= Ver::R14)
                (void)r.BD();
            x->textHeight = r.BD();
            x->textWidth = r.BD();
            x->hookline = r.B();
            x->arrowHead = r.B();
            e.ent = std::move(x);
            break;
        }
        default:
            if (t == kLwpolyline || clsName == "LWPOLYLINE") {
                auto x = std::make_unique<LwPolyline>();
                const int flag = static_cast<std::uint16_t>(r.BS());
                if (flag & 4)
                    x->constantWidth = r.BD();
                if (flag & 8)
                    x->elevation = r.BD();
                if (flag & 2)
                    x->thickness = r.BD();
                if (flag & 1)
                    x->extrusion = v3(r.BD3());
                const std::uint32_t n = static_cast<std::uint32_t>(r.BL());
                std::uint32_t nb = 0, nw = 0, nid = 0;
                if (flag & 16)
                    nb = static_cast<std::uint32_t>(r.BL());
                if (ver >= Ver::R2010 && (flag & 1024))
                    nid = static_cast<std::uint32_t>(r.BL());
                if (flag & 32)
                    nw = static_cast<std::uint32_t>(r.BL());
                x->closed = (flag & 512) != 0;
                x->plinegen = (flag & 256) != 0;
                requireCount(n, 4, r.bitsLeft(), "vertex");
                requireCount(nb, 2, r.bitsLeft(), "bulge");
                requireCount(nw, 4, r.bitsLeft(), "width");
                requireCount(nid, 2, r.bitsLeft(), "vertex id");
                x->vertices.resize(n);
                for (std::uint32_t i = 0; i < n; ++i) {
                    if (ver <= Ver::R14 || i == 0) {
                        x->vertices[i].pt = v2(r.RD2());
                    } else {
                        const Vec2 p = x->vertices[i - 1].pt;
                        x->vertices[i].pt.x = r.DD(p.x);
                        x->vertices[i].pt.y = r.DD(p.y);
                    }
                }
                for (std::uint32_t i = 0; i < nb; ++i) {
                    const double b = r.BD();
                    if (i < n)
                        x->vertices[i].bulge = b;
                }
                for (std::uint32_t i = 0; i < nid; ++i)
                    (void)r.BL();
                for (std::uint32_t i = 0; i < nw; ++i) {
                    const double sw = r.BD();
                    const double ew = r.BD();
                    if (i < n) {
                        x->vertices[i].startWidth = sw;
                        x->vertices[i].endWidth = ew;
                    }
                }
                if (x->constantWidth != 0 && nw == 0)
                    for (auto& lv : x->vertices)
                        lv.startWidth = lv.endWidth = x->constantWidth;
                e.ent = std::move(x);
            } else if (t == kHatch || clsName == "HATCH") {
                auto x = std::make_unique<Hatch>();
                std::uint64_t nb = 0;
                readHatch(r, *x, nb);
                e.ref3 = nb;
                e.ent = std::move(x);
            } else if (clsName == "IMAGE" || clsName == "WIPEOUT") {
                auto x = std::make_unique<RasterImage>(clsName == "IMAGE" ? EntityType::Image
                                                                          : EntityType::Wipeout);
                readImage(r, *x);
                e.ent = std::move(x);
            } else {
                known = false;
            }
        }
        if (!known) {
            // Entities this viewer does not draw: counted, not kept.
            ++skipped[objectTypeName(f_, t)];
            return;
        }
        readEntityHandles(o, c, e);
        if (e.ent)
            applyCommon(*e.ent, c);
        switch (t) {
        case kText:
        case kAttrib:
        case kAttdef:
        case kMtext:
            e.ref1 = handleRef(); // style
            break;
        case kInsert:
        case kMinsert: {
            e.ref1 = handleRef(); // block header
            const bool hasAttribs = e.ref2 != 0;
            const auto owned = static_cast<std::uint32_t>(e.ref3);
            e.ref2 = e.ref3 = 0;
            if (hasAttribs) {
                if (ver <= Ver::R2000) {
                    e.ref2 = handleRef();
                    e.ref3 = handleRef();
                } else {
                    readOwnedList(h, owned, e.owned, o.handle);
                }
                e.seqEnd = handleRef();
            }
            break;
        }
        case kPolyline2d:
        case kPolyline3d:
        case kPolylinePface:
        case kPolylineMesh: {
            const auto owned = static_cast<std::uint32_t>(e.ref3);
            e.ref3 = 0;
            if (ver <= Ver::R2000) {
                e.ref2 = handleRef();
                e.ref3 = handleRef();
            } else {
                readOwnedList(h, owned, e.owned, o.handle);
            }
            e.seqEnd = handleRef();
            break;
        }
        case kDimOrdinate: case kDimLinear: case kDimAligned: case kDimAng3:
        case kDimAng2: case kDimRadius: case kDimDiameter:
            e.ref1 = handleRef(); // dimstyle
            e.ref2 = handleRef(); // block
            break;
        case kLeader:
            (void)handleRef();    // annotation
            e.ref1 = handleRef(); // dimstyle
            break;
        default:
            if (e.ent && e.ent->type == EntityType::Image)
                e.ref1 = handleRef();
            break;
        }
        entities_.push_back(std::move(e));
        return;
    }

    // Objects: only the tables and block records are needed.
    switch (t) {
    case kLayer: {
        ObjCommon c = readObjectCommon(o);
        BitReader& r = o.dat;
        Layer l;
        const TableEntry te = readTableEntry(r);
        l.name = te.name;
        CmColor color;
        if (ver <= Ver::R14) {
            l.frozen = r.B();
            // Set on layers that are off in every R14 file we met, though the
            // format description names it "on"; read that way, all layers of
            // those files would be hidden.
            l.on = !r.B();
            (void)r.B();
            l.locked = r.B();
            color = r.CMC();
        } else {
            const int v = r.BS();
            l.frozen = v & 1;
            l.on = !(v & 2);
            l.locked = v & 8;
            l.plot = v & 16;
            l.lineweight = lineweightFromIndex(static_cast<unsigned>((v & 0x3e0) >> 5));
            color = r.CMC();
        }
        if (color.index < 0) {
            l.on = false;
            color.index = -color.index;
        }
        l.color = color.index;
        if (color.hasRgb)
            l.trueColor = static_cast<std::int32_t>(color.rgb);
        readObjectHandles(o, c);
        BitReader& h = o.hdl;
        (void)h.H(); // xref block
        if (ver >= Ver::R2000)
            (void)h.H(); // plot style
        if (ver >= Ver::R2007)
            (void)h.H(); // material
        tables_.layerLinetype[o.handle] = h.H().resolve(o.handle);
        tables_.layers.emplace_back(o.handle, std::move(l));
        break;
    }
    case kLtype: {
        (void)readObjectCommon(o);
        BitReader& r = o.dat;
        Linetype lt;
        lt.name = readTableEntry(r).name;
        lt.description = r.TV();
        lt.totalLength = r.BD();
        (void)r.RC();
        const unsigned n = r.RC();
        for (unsigned i = 0; i < n; ++i) {
            LinetypeElement el;
            el.length = r.BD();
            el.shapeNumber = r.BS();
            el.offset.x = r.RD();
            el.offset.y = r.RD();
            el.scale = r.BD();
            el.rotation = r.BD();
            const int sf = r.BS();
            el.isText = sf & 2;
            el.isShape = sf & 4;
            lt.pattern.push_back(el.length);
            lt.elements.push_back(el);
        }
        tables_.linetypes.emplace_back(o.handle, std::move(lt));
        break;
    }
    case kStyle: {
        (void)readObjectCommon(o);
        BitReader& r = o.dat;
        TextStyle s;
        s.name = readTableEntry(r).name;
        if (r.B())
            s.flags |= 4;
        if (r.B())
            s.flags |= 1;
        s.height = r.BD();
        s.widthFactor = r.BD();
        s.oblique = r.BD();
        s.generation = r.RC();
        (void)r.BD();
        s.fontFile = r.TV();
        s.bigFontFile = r.TV();
        tables_.styles.emplace_back(o.handle, std::move(s));
        break;
    }
    case kDimstyle: {
        (void)readObjectCommon(o);
        tables_.dimstyles.emplace_back(o.handle, readTableEntry(o.dat).name);
        break;
    }
    case kBlockHeader: {
        ObjCommon c = readObjectCommon(o);
        BitReader& r = o.dat;
        RawBlockHeader b;
        b.handle = o.handle;
        const TableEntry te = readTableEntry(r);
        b.name = te.name;
        b.flags = te.flags & 16;
        if (r.B()) b.flags |= 1;
        if (r.B()) b.flags |= 2;
        const bool isXref = r.B();
        const bool overlaid = r.B();
        if (isXref) b.flags |= 4;
        if (overlaid) b.flags |= 8;
        if (ver >= Ver::R2000)
            (void)r.B();
        std::uint32_t owned = 0;
        if (ver >= Ver::R2004)
            owned = static_cast<std::uint32_t>(r.BL());
        b.base = v3(r.BD3());
        b.xrefPath = r.TV();
        std::uint32_t inserts = 0;
        if (ver >= Ver::R2000) {
            while (r.RC() != 0)
                ++inserts;
            b.description = r.TV();
            const std::uint32_t preview = static_cast<std::uint32_t>(r.BL());
            r.skipBits(checkedMul(preview, 8));
        }
        readObjectHandles(o, c);
        BitReader& h = o.hdl;
        if (ver <= Ver::R2000)
            (void)h.H(); // NULL
        (void)h.H();     // BLOCK entity
        if (ver <= Ver::R2000) {
            if (!isXref && !overlaid) {
                b.firstEntity = h.H().resolve(o.handle);
                b.lastEntity = h.H().resolve(o.handle);
            }
        } else {
            readOwnedList(h, owned, b.owned, o.handle);
        }
        (void)inserts;
        tables_.blockHeaders.push_back(std::move(b));
        break;
    }
    default:
        if (clsName == "IMAGEDEF") {
            (void)readObjectCommon(o);
            (void)o.dat.BL();
            (void)o.dat.RD2();
            tables_.imageDefs[o.handle] = o.dat.TV();
        }
        break;
    }
}

} // namespace cad::dwg
