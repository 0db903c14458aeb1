#pragma once
// Small 2D value types shared by the resolve and draw steps.

#include <algorithm>
#include <cmath>
#include <limits>

namespace cad::render {

struct Vec2 {
    double x = 0, y = 0;
    constexpr Vec2() = default;
    constexpr Vec2(double ax, double ay) : x(ax), y(ay) {}
    constexpr Vec2 operator+(Vec2 o) const { return {x + o.x, y + o.y}; }
    constexpr Vec2 operator-(Vec2 o) const { return {x - o.x, y - o.y}; }
    constexpr Vec2 operator*(double s) const { return {x * s, y * s}; }
    constexpr bool operator==(const Vec2&) const = default;
    double length() const { return std::hypot(x, y); }
};

inline bool finite(Vec2 p) { return std::isfinite(p.x) && std::isfinite(p.y); }

// Axis-aligned box; empty until something is added.
struct Box2 {
    double minX = std::numeric_limits<double>::infinity();
    double minY = std::numeric_limits<double>::infinity();
    double maxX = -std::numeric_limits<double>::infinity();
    double maxY = -std::numeric_limits<double>::infinity();

    static Box2 of(Vec2 a, Vec2 b) {
        Box2 r;
        r.add(a);
        r.add(b);
        return r;
    }
    bool empty() const { return !(minX <= maxX && minY <= maxY); }
    void add(Vec2 p) {
        if (!finite(p)) return;
        minX = std::min(minX, p.x);
        minY = std::min(minY, p.y);
        maxX = std::max(maxX, p.x);
        maxY = std::max(maxY, p.y);
    }
    void add(const Box2& b) {
        if (b.empty()) return;
        add(Vec2{b.minX, b.minY});
        add(Vec2{b.maxX, b.maxY});
    }
    double width() const { return empty() ? 0 : maxX - minX; }
    double height() const { return empty() ? 0 : maxY - minY; }
    Vec2 centre() const { return {(minX + maxX) / 2, (minY + maxY) / 2}; }
    bool intersects(const Box2& b) const {
        return !empty() && !b.empty() && minX <= b.maxX && b.minX <= maxX && minY <= b.maxY &&
               b.minY <= maxY;
    }
    bool contains(Vec2 p) const { return p.x >= minX && p.x <= maxX && p.y >= minY && p.y <= maxY; }
};

}  // namespace cad::render
