// Resolve step: model to primitives, on small drawings built in code.
#include <gtest/gtest.h>

#include <cmath>

#include "cad/model/Drawing.h"
#include "cad/render/HatchFill.h"
#include "cad/render/Linetype.h"
#include "cad/render/Resolve.h"
#include "cad/render/Tessellate.h"

using namespace cad::render;

namespace {

cad::Layer layer(const std::string& name, int colour, bool on = true, bool frozen = false,
                 const std::string& lt = "CONTINUOUS") {
    cad::Layer l;
    l.name = name;
    l.color = colour;
    l.on = on;
    l.frozen = frozen;
    l.linetype = lt;
    return l;
}

std::unique_ptr<cad::Line> line(double x0, double y0, double x1, double y1, const std::string& lay = "0",
                                int colour = cad::kColorByLayer) {
    auto l = std::make_unique<cad::Line>();
    l->start = {x0, y0, 0};
    l->end = {x1, y1, 0};
    l->layer = lay;
    l->color = colour;
    return l;
}

std::unique_ptr<cad::Insert> insert(const std::string& block, double x, double y, int colour = cad::kColorByLayer,
                                    const std::string& lay = "0") {
    auto i = std::make_unique<cad::Insert>();
    i->blockName = block;
    i->insertion = {x, y, 0};
    i->color = colour;
    i->layer = lay;
    return i;
}

cad::Block& addBlock(cad::Drawing& d, const std::string& name) {
    d.blocks.emplace_back();
    d.blocks.back().name = name;
    return d.blocks.back();
}

std::vector<const Prim*> primsOf(const ResolvedDrawing& r, PrimKind k) {
    std::vector<const Prim*> out;
    for (const Prim& p : r.prims)
        if (p.kind == k) out.push_back(&p);
    return out;
}

Vec2 firstPoint(const ResolvedDrawing& r, const Prim& p) { return r.points[p.first]; }

}  // namespace

TEST(Resolve, ColoursByLayerByBlockAndIndexSeven) {
    cad::Drawing d;
    d.layers = {layer("0", 7), layer("RED", 1), layer("BLUE", 5)};
    // Block: one line BYBLOCK, one BYLAYER on layer 0, one on its own layer,
    // one nested insert whose line is BYBLOCK again.
    cad::Block& inner = addBlock(d, "INNER");
    inner.entities.push_back(line(0, 0, 1, 0, "0", cad::kColorByBlock));
    cad::Block& outer = addBlock(d, "OUTER");
    outer.entities.push_back(line(0, 0, 1, 0, "0", cad::kColorByBlock));
    outer.entities.push_back(line(0, 1, 1, 1, "0", cad::kColorByLayer));
    outer.entities.push_back(line(0, 2, 1, 2, "BLUE", cad::kColorByLayer));
    outer.entities.push_back(insert("INNER", 0, 3, cad::kColorByBlock));
    d.buildIndex();
    d.entities.push_back(insert("OUTER", 0, 0, 3 /*green*/, "RED"));
    d.entities.push_back(line(0, 10, 1, 10, "0", cad::kColorByLayer));  // layer 0 is 7
    d.entities.push_back(line(0, 11, 1, 11, "RED", cad::kColorByBlock));  // BYBLOCK at top level
    auto tc = line(0, 12, 1, 12, "RED", 1);
    tc->trueColor = 0x123456;
    d.entities.push_back(std::move(tc));

    const auto r = resolveDrawing(d);
    const auto lines = primsOf(*r, PrimKind::Polyline);
    ASSERT_EQ(lines.size(), 7u);
    struct Expect {
        double y;
        Rgb colour;
        bool contrast;
        const char* layer;
    } expect[] = {
        {0, rgb(0, 255, 0), false, "RED"},    // BYBLOCK: the insert's green
        {1, rgb(255, 0, 0), false, "RED"},    // BYLAYER on 0 inside: insert's layer
        {2, rgb(0, 0, 255), false, "BLUE"},   // own layer
        {3, rgb(0, 255, 0), false, "RED"},    // BYBLOCK through BYBLOCK insert
        {10, rgb(255, 255, 255), true, "0"},  // colour 7 flips on light backgrounds
        {11, rgb(255, 255, 255), true, "RED"},
        {12, rgb(0x12, 0x34, 0x56), false, "RED"},
    };
    for (const Expect& e : expect) {
        const Prim* found = nullptr;
        for (const Prim* p : lines)
            if (std::abs(firstPoint(*r, *p).y - e.y) < 1e-9) found = p;
        ASSERT_NE(found, nullptr) << e.y;
        EXPECT_EQ(found->colour, e.colour) << e.y;
        EXPECT_EQ(bool(found->flags & kContrastColour), e.contrast) << e.y;
        EXPECT_EQ(r->layers[found->layer].name, e.layer) << e.y;
    }
}

TEST(Resolve, LayerOffIsKeptButHiddenFrozenIsDropped) {
    cad::Drawing d;
    d.layers = {layer("0", 7), layer("OFF", 2, false), layer("FROZEN", 3, true, true), layer("HOST", 4, true, true)};
    cad::Block& b = addBlock(d, "B");
    b.entities.push_back(line(0, 0, 1, 0, "0"));
    d.buildIndex();
    d.entities.push_back(line(0, 0, 1, 0, "OFF"));
    d.entities.push_back(line(0, 1, 1, 1, "FROZEN"));
    d.entities.push_back(insert("B", 0, 5, cad::kColorByLayer, "HOST"));  // frozen host hides its block
    const auto r = resolveDrawing(d);
    ASSERT_EQ(r->prims.size(), 1u);
    const std::uint16_t off = r->prims[0].layer;
    EXPECT_FALSE(r->layerVisible(off));
    EXPECT_TRUE(r->setLayerOn("off", true));  // names are case-insensitive
    EXPECT_TRUE(r->layerVisible(off));
    EXPECT_FALSE(r->setLayerOn("NO SUCH LAYER", true));
}

TEST(Resolve, LinetypeDashesScaleWithLtscaleAndEntityScale) {
    cad::Drawing d;
    d.header.ltScale = 2;
    d.layers = {layer("0", 7, true, false, "DASHED")};
    cad::Linetype lt;
    lt.name = "DASHED";
    lt.pattern = {1.0, -0.5};  // scaled: dash 1, gap 0.5 (2 * 0.5)
    lt.totalLength = 1.5;
    d.linetypes.push_back(lt);
    d.buildIndex();
    auto l = line(0, 0, 10, 0);
    l->ltScale = 0.5;
    d.entities.push_back(std::move(l));
    d.entities.push_back(line(0, 5, 10, 5, "0"));
    d.entities.back()->linetype = "Continuous";

    const auto r = resolveDrawing(d);
    std::vector<std::pair<double, double>> dashes;
    int continuous = 0;
    for (const Prim& p : r->prims) {
        const Vec2 a = r->points[p.first], b = r->points[p.first + p.count - 1];
        if (a.y == 5) {
            ++continuous;
            EXPECT_DOUBLE_EQ(b.x - a.x, 10);
        } else {
            dashes.push_back({a.x, b.x});
        }
    }
    EXPECT_EQ(continuous, 1);
    // 0-1, 1.5-2.5, 3-4, ... 9-10: seven dashes of length 1.
    ASSERT_EQ(dashes.size(), 7u);
    for (std::size_t i = 0; i < dashes.size(); ++i) {
        EXPECT_NEAR(dashes[i].first, 1.5 * double(i), 1e-9);
        EXPECT_NEAR(dashes[i].second, std::min(10.0, 1.5 * double(i) + 1), 1e-9);
    }
}

TEST(Resolve, DashesRunOnAcrossVerticesAndDotsComeOut) {
    const Vec2 chain[] = {{0, 0}, {3, 0}, {3, 3}};
    std::vector<std::vector<Vec2>> pieces;
    applyDashes(chain, 3, false, {2, -1, 0, -1}, [&](const Vec2* p, std::size_t n) {
        pieces.emplace_back(p, p + n);
    });
    // dash 0..2, dot at 3 (the corner), dash from (3,1) to (3,3).
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(pieces[0].size(), 2u);
    EXPECT_EQ(pieces[1].size(), 1u);
    EXPECT_NEAR(pieces[1][0].x, 3, 1e-9);
    EXPECT_NEAR(pieces[1][0].y, 0, 1e-9);
    EXPECT_NEAR(pieces[2].front().y, 1, 1e-9);
    EXPECT_NEAR(pieces[2].back().y, 3, 1e-9);

    // A pattern that would give more pieces than anyone can see is drawn solid.
    const Vec2 longLine[] = {{0, 0}, {1e9, 0}};
    int n = 0;
    applyDashes(longLine, 2, false, {1, -1}, [&](const Vec2*, std::size_t) { ++n; });
    EXPECT_EQ(n, 1);
}

TEST(Resolve, NestedInsertsScaleRotateArrayAndStopOnCycles) {
    cad::Drawing d;
    d.layers = {layer("0", 7)};
    cad::Block& leaf = addBlock(d, "LEAF");
    leaf.basePoint = {1, 0, 0};
    leaf.entities.push_back(line(1, 0, 2, 0));  // from the base point, one unit along x
    cad::Block& mid = addBlock(d, "MID");
    auto in = insert("LEAF", 10, 0);
    in->rotation = kPi / 2;
    in->scale = {3, 3, 1};
    mid.entities.push_back(std::move(in));
    cad::Block& loop = addBlock(d, "LOOP");
    loop.entities.push_back(insert("LOOP", 1, 1));  // refers to itself
    loop.entities.push_back(line(0, 0, 0, 1));
    d.buildIndex();
    auto top = insert("MID", 100, 200);
    top->scale = {2, 2, 1};
    d.entities.push_back(std::move(top));
    auto arr = insert("LEAF", 0, 0);
    arr->columnCount = 3;
    arr->rowCount = 2;
    arr->columnSpacing = 10;
    arr->rowSpacing = 20;
    d.entities.push_back(std::move(arr));
    d.entities.push_back(insert("LOOP", 0, 0));

    const auto r = resolveDrawing(d);
    // MID at (100,200) x2: LEAF at (10,0) rotated 90 and x3 -> from (120,200) up 6.
    bool sawNested = false;
    int arrayCopies = 0;
    for (const Prim& p : r->prims) {
        const Vec2 a = r->points[p.first], b = r->points[p.first + 1];
        if (std::abs(a.x - 120) < 1e-9 && std::abs(a.y - 200) < 1e-9) {
            sawNested = true;
            EXPECT_NEAR(b.x, 120, 1e-9);
            EXPECT_NEAR(b.y, 206, 1e-9);
        }
        if (std::abs(b.x - a.x - 1) < 1e-9 && a.y >= 0 && a.y < 50 && a.x < 50) ++arrayCopies;
    }
    EXPECT_TRUE(sawNested);
    EXPECT_EQ(arrayCopies, 6);
    // The self-insert is cut off, not followed for ever.
    EXPECT_GE(r->notDrawn["INSERT (recursive)"], 1);
    EXPECT_FALSE(r->truncated);
}

TEST(Resolve, BulgeArcsAndRationalSplineStayOnTheirCircles) {
    // Bulge 1 is a half circle; points must lie on the circle through both ends.
    std::vector<Vec2> pts{{0, 0}};
    appendBulge(pts, {0, 0}, {2, 0}, 1, 1e-4);
    ASSERT_GT(pts.size(), 8u);
    for (const Vec2& p : pts) EXPECT_NEAR((p - Vec2{1, 0}).length(), 1, 1e-9);
    // Positive bulge turns counter-clockwise: from (0,0) to (2,0) it passes below.
    EXPECT_LT(pts[pts.size() / 2].y, -0.99);

    // Quarter circle as a rational quadratic NURBS.
    std::vector<Vec2> q;
    ASSERT_TRUE(appendNurbs(q, 2, {0, 0, 0, 1, 1, 1}, {{1, 0}, {1, 1}, {0, 1}}, {1, std::sqrt(0.5), 1}, 1e-4));
    ASSERT_GT(q.size(), 4u);
    for (const Vec2& p : q) EXPECT_NEAR(p.length(), 1, 1e-9);
    EXPECT_NEAR(q.front().x, 1, 1e-12);
    EXPECT_NEAR(q.back().y, 1, 1e-12);
    // A broken knot vector falls back to a uniform one instead of failing.
    std::vector<Vec2> bad;
    EXPECT_TRUE(appendNurbs(bad, 3, {5, 4, 3}, {{0, 0}, {1, 1}, {2, 0}, {3, 1}}, {}, 1e-3));
    for (const Vec2& p : bad) EXPECT_TRUE(finite(p));
}

TEST(Resolve, HatchSolidFillAndPatternLinesClippedToTheBoundary) {
    cad::Drawing d;
    d.layers = {layer("0", 3)};
    d.buildIndex();
    auto square = [] {
        cad::HatchLoop loop;
        loop.isPolyline = true;
        for (auto [x, y] : {std::pair{0.0, 0.0}, {10.0, 0.0}, {10.0, 10.0}, {0.0, 10.0}}) {
            cad::LwVertex v;
            v.pt = {x, y};
            loop.polyline.push_back(v);
        }
        return loop;
    };
    auto solid = std::make_unique<cad::Hatch>();
    solid->solidFill = true;
    solid->loops = {square()};
    d.entities.push_back(std::move(solid));
    auto pattern = std::make_unique<cad::Hatch>();
    pattern->loops = {square()};
    cad::HatchPatternLine pl;  // horizontal lines 1 apart
    pl.angle = 0;
    pl.offset = {0, 1};
    pattern->patternLines = {pl};
    d.entities.push_back(std::move(pattern));

    const auto r = resolveDrawing(d);
    ASSERT_EQ(primsOf(*r, PrimKind::Polygon).size(), 1u);
    const auto lines = primsOf(*r, PrimKind::Polyline);
    // y = 1..9 cross the square (0 and 10 touch its edges).
    EXPECT_GE(lines.size(), 9u);
    EXPECT_LE(lines.size(), 11u);
    for (const Prim* p : lines) {
        EXPECT_GE(p->box.minX, -1e-9);
        EXPECT_LE(p->box.maxX, 10 + 1e-9);
    }

    // A pattern scale that would give millions of lines is refused, not drawn.
    std::vector<cad::HatchPatternLine> dense(1);
    dense[0].offset = {0, 1e-6};
    int emitted = 0;
    EXPECT_FALSE(hatchPatternSegments({{{0, 0}, {10, 0}, {10, 10}}}, dense, [&](Vec2, Vec2) { ++emitted; }));
    EXPECT_EQ(emitted, 0);
}

TEST(Resolve, TextAlignmentAndMTextWrapping) {
    cad::Drawing d;
    d.layers = {layer("0", 7)};
    cad::TextStyle shx;
    shx.name = "STANDARD";
    shx.fontFile = "txt.shx";
    cad::TextStyle ttf;
    ttf.name = "TT";
    ttf.fontFile = "arial.ttf";
    d.textStyles = {shx, ttf};
    d.buildIndex();
    auto t = std::make_unique<cad::Text>();
    t->text = "%%c50";
    t->height = 2.5;
    t->hAlign = 1;  // centre on the alignment point
    t->insertion = {0, 0, 0};
    t->alignPoint = {100, 50, 0};
    t->hasAlignPoint = true;
    d.entities.push_back(std::move(t));
    auto m = std::make_unique<cad::MText>();
    m->insertion = {0, 100, 0};
    m->height = 1;
    m->refWidth = 6;
    m->style = "TT";
    m->rawText = "one two three four five six";
    d.entities.push_back(std::move(m));

    const auto r = resolveDrawing(d);
    ASSERT_GE(r->texts.size(), 3u);
    const TextRun& centred = r->texts[0];
    EXPECT_EQ(centred.anchor, (Vec2{100, 50}));
    EXPECT_EQ(centred.hAlign, HAlign::Centre);
    EXPECT_EQ(centred.text.find("%%"), std::string::npos);  // diameter sign decoded
    EXPECT_TRUE(centred.text.ends_with("50"));
    EXPECT_EQ(centred.family, "宋体");
    // The paragraph wraps into several lines going down from the insertion point.
    double lastY = 101;
    for (std::size_t i = 1; i < r->texts.size(); ++i) {
        EXPECT_EQ(r->texts[i].family, "Arial");
        EXPECT_LT(r->texts[i].anchor.y, lastY);
        lastY = r->texts[i].anchor.y;
        EXPECT_LE(r->texts[i].estimatedWidth, 6.0 + 1e-9);
    }
}

TEST(Resolve, HostileNumbersDoNotEscapeIntoPrimitives) {
    cad::Drawing d;
    d.layers = {layer("0", 7)};
    d.buildIndex();
    auto c = std::make_unique<cad::Circle>();
    c->radius = std::nan("");
    d.entities.push_back(std::move(c));
    auto a = std::make_unique<cad::Arc>();
    a->radius = 1e308;
    a->startAngle = 0;
    a->endAngle = INFINITY;
    d.entities.push_back(std::move(a));
    d.entities.push_back(line(0, 0, INFINITY, 1));
    auto s = std::make_unique<cad::Spline>();
    s->controlPoints = {{0, 0, 0}, {1, 1, 0}};
    s->degree = 1000;
    d.entities.push_back(std::move(s));
    const auto r = resolveDrawing(d);
    for (const Vec2& p : r->points) EXPECT_TRUE(finite(p));
}
