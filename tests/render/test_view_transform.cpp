// Zoom and pan maths of the view, without a window.
#include <gtest/gtest.h>

#include "cad/render/Palette.h"
#include "cad/render/ViewTransform.h"

using cad::render::Box2;
using cad::render::Vec2;
using cad::render::ViewTransform;

namespace {

void expectNear(Vec2 a, Vec2 b, double tol = 1e-9) {
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
}

ViewTransform view800x600() {
    ViewTransform v(800, 600);
    v.setCentre({100, 50});
    v.setScale(2);
    return v;
}

}  // namespace

TEST(ViewTransform, WorldAndScreenAreInverseAndYFlips) {
    const ViewTransform v = view800x600();
    expectNear(v.worldToScreen({100, 50}), {400, 300});
    // One unit up in the drawing is two pixels up on screen.
    expectNear(v.worldToScreen({101, 51}), {402, 298});
    for (Vec2 p : {Vec2{0, 0}, Vec2{-3.5, 1e6}, Vec2{123.25, -77}})
        expectNear(v.screenToWorld(v.worldToScreen(p)), p, 1e-6);
    const Box2 vis = v.visibleWorld();
    EXPECT_DOUBLE_EQ(vis.minX, -100);
    EXPECT_DOUBLE_EQ(vis.maxX, 300);
    EXPECT_DOUBLE_EQ(vis.minY, -100);
    EXPECT_DOUBLE_EQ(vis.maxY, 200);
}

TEST(ViewTransform, ZoomAtKeepsThePointUnderTheCursor) {
    for (double factor : {2.0, 0.5, 1.25, 1000.0}) {
        ViewTransform v = view800x600();
        const Vec2 cursor{37, 512};
        const Vec2 before = v.screenToWorld(cursor);
        v.zoomAt(cursor, factor);
        EXPECT_DOUBLE_EQ(v.scale(), 2 * factor);
        expectNear(v.screenToWorld(cursor), before, 1e-9);
    }
    // Plain zoom keeps the centre.
    ViewTransform v = view800x600();
    v.zoom(2);
    expectNear(v.centre(), {100, 50});
    EXPECT_DOUBLE_EQ(v.scale(), 4);
}

TEST(ViewTransform, InvalidOrExtremeZoomIsRefusedOrClamped) {
    ViewTransform v = view800x600();
    const ViewTransform before = v;
    for (double bad : {0.0, -2.0, std::nan(""), double(INFINITY)}) {
        v.zoom(bad);
        EXPECT_EQ(v, before) << bad;
    }
    for (int i = 0; i < 200; ++i) v.zoom(10);
    EXPECT_DOUBLE_EQ(v.scale(), ViewTransform::kMaxScale);
    EXPECT_TRUE(cad::render::finite(v.centre()));
    for (int i = 0; i < 400; ++i) v.zoom(0.1);
    EXPECT_DOUBLE_EQ(v.scale(), ViewTransform::kMinScale);
}

TEST(ViewTransform, PanMovesTheDrawingWithTheMouse) {
    ViewTransform v = view800x600();
    const Vec2 grabbed = v.screenToWorld({200, 200});
    v.panPixels(30, -10);
    expectNear(v.worldToScreen(grabbed), {230, 190});
}

TEST(ViewTransform, FitShowsTheBoxWithMarginCentred) {
    struct Case {
        Box2 box;
        double margin;
        double expectScale;
    };
    const Case cases[] = {
        {Box2::of({0, 0}, {100, 100}), 0.0, 6.0},    // height limits: 600/100
        {Box2::of({0, 0}, {400, 10}), 0.0, 2.0},     // width limits: 800/400
        {Box2::of({0, 0}, {100, 100}), 0.05, 5.4},   // 600*0.9/100
        {Box2::of({-5, 3}, {-5, 13}), 0.0, 60.0},    // vertical line: height only
        {Box2::of({0, 7}, {200, 7}), 0.0, 4.0},      // horizontal line: width only
    };
    for (const Case& c : cases) {
        ViewTransform v(800, 600);
        v.fit(c.box, c.margin);
        EXPECT_NEAR(v.scale(), c.expectScale, 1e-9);
        expectNear(v.centre(), c.box.centre());
        // The whole box is on screen.
        const Vec2 a = v.worldToScreen({c.box.minX, c.box.minY});
        const Vec2 b = v.worldToScreen({c.box.maxX, c.box.maxY});
        EXPECT_GE(a.x, -1e-9);
        EXPECT_LE(b.x, 800 + 1e-9);
        EXPECT_GE(b.y, -1e-9);
        EXPECT_LE(a.y, 600 + 1e-9);
    }
}

TEST(ViewTransform, FitOfEmptyBoxOrPointKeepsZoom) {
    ViewTransform v = view800x600();
    v.fit(Box2{});
    EXPECT_EQ(v, view800x600());
    v.fit(Box2::of({7, 8}, {7, 8}));
    EXPECT_DOUBLE_EQ(v.scale(), 2);
    expectNear(v.centre(), {7, 8});
}

TEST(ViewTransform, ZoomWindowFillsTheViewWithTheDraggedRectangle) {
    ViewTransform v = view800x600();
    // Drag from bottom-right to top-left: corners may come in any order.
    const Vec2 c1{300, 250}, c2{100, 100};
    const Vec2 w1 = v.screenToWorld(c1), w2 = v.screenToWorld(c2);
    v.zoomToScreenRect(c1, c2);
    EXPECT_NEAR(v.scale(), 2 * std::min(800.0 / 200, 600.0 / 150), 1e-9);
    expectNear(v.centre(), (w1 + w2) * 0.5);

    // A click (tiny rectangle) only recentres.
    ViewTransform click = view800x600();
    const Vec2 at = click.screenToWorld({10, 20});
    click.zoomToScreenRect({10, 20}, {11, 21});
    EXPECT_DOUBLE_EQ(click.scale(), 2);
    expectNear(click.centre(), at, 1);
}

TEST(ViewTransform, ResizeKeepsTheCentre) {
    ViewTransform v = view800x600();
    v.setViewportSize(0, -5);  // a collapsed widget
    EXPECT_EQ(v.width(), 1);
    EXPECT_EQ(v.height(), 1);
    expectNear(v.centre(), {100, 50});
}

TEST(Palette, IndexAndBackgroundColours) {
    using namespace cad::render;
    EXPECT_EQ(indexColour(1), rgb(255, 0, 0));
    EXPECT_EQ(indexColour(5), rgb(0, 0, 255));
    EXPECT_EQ(indexColour(7), rgb(255, 255, 255));
    EXPECT_EQ(indexColour(10), rgb(255, 0, 0));
    EXPECT_EQ(indexColour(11), rgb(255, 127, 127));
    EXPECT_EQ(indexColour(30), rgb(255, 127, 0));   // orange
    EXPECT_EQ(indexColour(90), rgb(0, 255, 0));     // 120 degrees
    EXPECT_EQ(indexColour(170), rgb(0, 0, 255));    // 240 degrees
    EXPECT_EQ(indexColour(250), rgb(51, 51, 51));
    EXPECT_EQ(indexColour(0), indexColour(7));
    EXPECT_EQ(indexColour(256), indexColour(7));

    const struct { int index; Rgb colour; bool light; } bg[] = {
        {0, rgb(0, 0, 0), false},       {1, rgb(255, 0, 0), false},
        {2, rgb(255, 255, 0), true},    {3, rgb(0, 128, 0), false},
        {4, rgb(0, 255, 255), true},    {5, rgb(0, 0, 255), false},
        {6, rgb(255, 0, 255), false},   {7, rgb(255, 255, 255), true},
        {8, rgb(128, 128, 128), false}, {9, rgb(192, 192, 192), true},
        {10, rgb(0, 0, 0), false},      {-1, rgb(0, 0, 0), false},
    };
    for (const auto& c : bg) {
        EXPECT_EQ(backgroundColour(c.index), c.colour) << c.index;
        EXPECT_EQ(isLightBackground(c.colour), c.light) << c.index;
    }
}
