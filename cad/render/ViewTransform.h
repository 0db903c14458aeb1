#pragma once
// The view onto a drawing: which world point sits at the centre of the
// viewport and how many pixels one drawing unit takes. Screen y grows
// downwards, world y upwards. A plain value so the zoom and pan maths can be
// tested without a window.

#include "cad/render/Geometry.h"

namespace cad::render {

class ViewTransform {
public:
    // Zoom factors beyond these lose all precision in doubles; commands that
    // would cross them are clamped.
    static constexpr double kMinScale = 1e-12;
    static constexpr double kMaxScale = 1e12;

    ViewTransform() = default;
    ViewTransform(int widthPx, int heightPx) { setViewportSize(widthPx, heightPx); }

    int width() const { return width_; }
    int height() const { return height_; }
    double scale() const { return scale_; }  // pixels per drawing unit
    Vec2 centre() const { return centre_; }

    // Keeps the world centre, so resizing the window does not move the drawing.
    void setViewportSize(int widthPx, int heightPx);
    void setScale(double pixelsPerUnit);
    void setCentre(Vec2 world);

    Vec2 worldToScreen(Vec2 w) const {
        return {width_ / 2.0 + (w.x - centre_.x) * scale_, height_ / 2.0 - (w.y - centre_.y) * scale_};
    }
    Vec2 screenToWorld(Vec2 s) const {
        return {centre_.x + (s.x - width_ / 2.0) / scale_, centre_.y - (s.y - height_ / 2.0) / scale_};
    }
    // The part of the drawing the viewport shows.
    Box2 visibleWorld() const;

    // factor > 1 magnifies. zoomAt keeps the world point under `screen` fixed.
    void zoom(double factor);
    void zoomAt(Vec2 screen, double factor);
    // Moves the drawing with the mouse: a drag of (dx, dy) pixels.
    void panPixels(double dx, double dy);

    // Shows `world` as large as possible, centred, with `margin` (fraction of
    // the viewport, per side) left free. An empty box leaves the view as is;
    // a box of zero width or height (a single line or point) is still centred.
    void fit(const Box2& world, double margin = 0.03);
    // Zoom window: the rectangle the user dragged between two screen corners.
    // Too small a rectangle (a click) only recentres on it.
    void zoomToScreenRect(Vec2 corner1, Vec2 corner2, double minSidePx = 3);

    bool operator==(const ViewTransform&) const = default;

private:
    int width_ = 1, height_ = 1;
    double scale_ = 1;
    Vec2 centre_;
};

}  // namespace cad::render
