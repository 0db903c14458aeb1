#pragma once
// Curves to point chains. `tol` is the largest allowed distance between the
// curve and its chords, in drawing units.

#include <vector>

#include "cad/render/Geometry.h"

namespace cad::render {

inline constexpr double kPi = 3.14159265358979323846;
inline constexpr double kTwoPi = 2 * kPi;

// Chords needed for `sweep` radians of a circle of `radius`; 1..kMaxArcSegments.
int arcSegments(double radius, double sweep, double tol);
inline constexpr int kMaxArcSegments = 2048;

// Appends the points of a counter-clockwise arc from a0 to a1 (a1 is taken
// modulo a full turn past a0; equal angles give a full circle when `full`).
void appendArc(std::vector<Vec2>& out, Vec2 centre, double radius, double a0, double a1,
               double tol, bool skipFirst = false);

// Ellipse by centre, major axis end (relative) and minor/major ratio, from
// parameter t0 to t1 counter-clockwise.
void appendEllipse(std::vector<Vec2>& out, Vec2 centre, Vec2 major, double ratio, double t0,
                   double t1, double tol, bool skipFirst = false);

// The arc of a polyline segment with bulge b = tan(sweep/4) from p0 to p1;
// appends the points after p0, ending with p1.
void appendBulge(std::vector<Vec2>& out, Vec2 p0, Vec2 p1, double bulge, double tol);

// NURBS curve; weights may be empty (all 1). Bad knot vectors are replaced by
// a clamped uniform one. Returns false when nothing can be drawn.
bool appendNurbs(std::vector<Vec2>& out, int degree, const std::vector<double>& knots,
                 const std::vector<Vec2>& control, const std::vector<double>& weights,
                 double tol);

// A smooth curve through the given points (centripetal Catmull-Rom), for
// splines stored only by their fit points.
void appendThroughPoints(std::vector<Vec2>& out, const std::vector<Vec2>& pts, bool closed,
                         double tol);

}  // namespace cad::render
