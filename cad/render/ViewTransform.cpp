#include "cad/render/ViewTransform.h"

#include <algorithm>
#include <cmath>

namespace cad::render {

void ViewTransform::setViewportSize(int widthPx, int heightPx) {
    width_ = std::max(1, widthPx);
    height_ = std::max(1, heightPx);
}

void ViewTransform::setScale(double pixelsPerUnit) {
    if (!std::isfinite(pixelsPerUnit) || pixelsPerUnit <= 0) return;
    scale_ = std::clamp(pixelsPerUnit, kMinScale, kMaxScale);
}

void ViewTransform::setCentre(Vec2 world) {
    if (finite(world)) centre_ = world;
}

Box2 ViewTransform::visibleWorld() const {
    return Box2::of(screenToWorld({0, 0}), screenToWorld({double(width_), double(height_)}));
}

void ViewTransform::zoom(double factor) {
    zoomAt({width_ / 2.0, height_ / 2.0}, factor);
}

void ViewTransform::zoomAt(Vec2 screen, double factor) {
    if (!std::isfinite(factor) || factor <= 0 || !finite(screen)) return;
    const Vec2 anchor = screenToWorld(screen);
    const double old = scale_;
    setScale(scale_ * factor);
    if (scale_ == old) return;
    // Put the anchor back under the same pixel.
    centre_ = {anchor.x - (screen.x - width_ / 2.0) / scale_,
               anchor.y + (screen.y - height_ / 2.0) / scale_};
}

void ViewTransform::panPixels(double dx, double dy) {
    if (!std::isfinite(dx) || !std::isfinite(dy)) return;
    setCentre({centre_.x - dx / scale_, centre_.y + dy / scale_});
}

void ViewTransform::fit(const Box2& world, double margin) {
    if (world.empty()) return;
    margin = std::clamp(std::isfinite(margin) ? margin : 0.0, 0.0, 0.45);
    const double usableW = width_ * (1 - 2 * margin);
    const double usableH = height_ * (1 - 2 * margin);
    const double w = world.width(), h = world.height();
    double s;
    if (w <= 0 && h <= 0)
        s = scale_;  // a single point: keep the zoom, just centre it
    else if (w <= 0)
        s = usableH / h;
    else if (h <= 0)
        s = usableW / w;
    else
        s = std::min(usableW / w, usableH / h);
    setScale(s);
    setCentre(world.centre());
}

void ViewTransform::zoomToScreenRect(Vec2 c1, Vec2 c2, double minSidePx) {
    if (!finite(c1) || !finite(c2)) return;
    const double w = std::abs(c2.x - c1.x), h = std::abs(c2.y - c1.y);
    if (w < minSidePx && h < minSidePx) {
        setCentre(screenToWorld((c1 + c2) * 0.5));
        return;
    }
    fit(Box2::of(screenToWorld(c1), screenToWorld(c2)), 0);
}

}  // namespace cad::render
