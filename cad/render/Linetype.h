#pragma once
// Dash patterns along point chains.

#include <functional>
#include <vector>

#include "cad/render/Geometry.h"

namespace cad::render {

// Pattern lengths in drawing units: > 0 dash, < 0 gap, 0 dot.
// Calls `emit` with each dash (two or more points) and each dot (one point).
// A pattern too fine to see (more than kMaxDashes pieces) or without any gap
// emits the chain unbroken, as CAD programs do.
using DashSink = std::function<void(const Vec2* pts, std::size_t n)>;
inline constexpr double kMaxDashes = 20000;
void applyDashes(const Vec2* pts, std::size_t n, bool closed, const std::vector<double>& pattern,
                 const DashSink& emit);

}  // namespace cad::render
