#pragma once
// Hatch boundaries and pattern lines.

#include <functional>
#include <vector>

#include "cad/model/Drawing.h"
#include "cad/render/Geometry.h"

namespace cad::render {

// One boundary loop as a closed ring of points (OCS).
std::vector<Vec2> hatchLoopPoints(const cad::HatchLoop& loop, double tol);

// Clips every pattern line family to the rings (even-odd) and emits dashes as
// segments; a dot is emitted with a == b. Returns false (emitting nothing)
// when the pattern is so dense that drawing it would flood the view.
inline constexpr std::size_t kMaxHatchLines = 20000;
bool hatchPatternSegments(const std::vector<std::vector<Vec2>>& rings,
                          const std::vector<cad::HatchPatternLine>& lines,
                          const std::function<void(Vec2, Vec2)>& emit);

}  // namespace cad::render
