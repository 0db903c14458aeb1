#include "cad/render/Tessellate.h"

#include <algorithm>
#include <cmath>

namespace cad::render {

int arcSegments(double radius, double sweep, double tol) {
    sweep = std::abs(sweep);
    if (!(radius > 0) || !std::isfinite(radius) || !std::isfinite(sweep)) return 1;
    tol = std::max(tol, radius * 1e-6);
    double step;  // angle whose chord stays within tol of the arc
    if (tol >= radius)
        step = kPi / 2;
    else
        step = 2 * std::acos(1 - tol / radius);
    const double n = std::ceil(sweep / std::max(step, 1e-9));
    // At least a few chords so small circles still look round when zoomed.
    const int minimum = std::max(1, int(std::ceil(sweep / kTwoPi * 16)));
    return std::clamp(int(std::min(n, double(kMaxArcSegments))), minimum, kMaxArcSegments);
}

static double sweepOf(double a0, double a1) {
    double s = std::fmod(a1 - a0, kTwoPi);
    if (s < 0) s += kTwoPi;
    if (s < 1e-12) s = kTwoPi;
    return s;
}

void appendArc(std::vector<Vec2>& out, Vec2 c, double r, double a0, double a1, double tol,
               bool skipFirst) {
    if (!std::isfinite(a0) || !std::isfinite(a1)) return;
    const double sweep = sweepOf(a0, a1);
    const int n = arcSegments(r, sweep, tol);
    for (int i = skipFirst ? 1 : 0; i <= n; ++i) {
        const double a = a0 + sweep * i / n;
        out.push_back({c.x + r * std::cos(a), c.y + r * std::sin(a)});
    }
}

void appendEllipse(std::vector<Vec2>& out, Vec2 c, Vec2 major, double ratio, double t0,
                   double t1, double tol, bool skipFirst) {
    if (!std::isfinite(t0) || !std::isfinite(t1) || !std::isfinite(ratio)) return;
    const double sweep = sweepOf(t0, t1);
    const Vec2 minor{-major.y * ratio, major.x * ratio};
    const int n = arcSegments(major.length(), sweep, tol);
    for (int i = skipFirst ? 1 : 0; i <= n; ++i) {
        const double t = t0 + sweep * i / n;
        const double ct = std::cos(t), st = std::sin(t);
        out.push_back({c.x + major.x * ct + minor.x * st, c.y + major.y * ct + minor.y * st});
    }
}

void appendBulge(std::vector<Vec2>& out, Vec2 p0, Vec2 p1, double bulge, double tol) {
    const Vec2 d = p1 - p0;
    const double chord = d.length();
    if (!std::isfinite(bulge) || std::abs(bulge) < 1e-9 || chord < 1e-12) {
        out.push_back(p1);
        return;
    }
    const double sweep = 4 * std::atan(bulge);  // signed, > 0 counter-clockwise
    const double r = chord / (2 * std::sin(std::abs(sweep) / 2));
    // Centre lies on the chord's perpendicular bisector.
    const double h = r * std::cos(sweep / 2);  // signed distance from chord middle
    const Vec2 mid = (p0 + p1) * 0.5;
    const Vec2 nrm{-d.y / chord, d.x / chord};
    const Vec2 c = mid + nrm * (bulge > 0 ? h : -h);
    const double a0 = std::atan2(p0.y - c.y, p0.x - c.x);
    const int n = arcSegments(r, sweep, tol);
    for (int i = 1; i < n; ++i) {
        const double a = a0 + sweep * i / n;
        out.push_back({c.x + r * std::cos(a), c.y + r * std::sin(a)});
    }
    out.push_back(p1);
}

namespace {

bool knotsUsable(const std::vector<double>& k, std::size_t need) {
    if (k.size() != need) return false;
    for (std::size_t i = 1; i < k.size(); ++i)
        if (!std::isfinite(k[i]) || k[i] < k[i - 1]) return false;
    return k.back() > k.front();
}

}  // namespace

bool appendNurbs(std::vector<Vec2>& out, int degree, const std::vector<double>& knotsIn,
                 const std::vector<Vec2>& ctrl, const std::vector<double>& weightsIn, double tol) {
    const int n = int(ctrl.size());
    if (n < 2) return false;
    const int p = std::clamp(degree, 1, std::min(n - 1, 25));
    std::vector<double> knots = knotsIn;
    if (!knotsUsable(knots, std::size_t(n + p + 1))) {
        knots.assign(std::size_t(n + p + 1), 0.0);
        for (int i = 0; i <= n + p; ++i)
            knots[std::size_t(i)] = std::clamp(double(i - p), 0.0, double(n - p));
    }
    const bool rational = weightsIn.size() == ctrl.size();
    // Sample count from the control polygon's length: chords of about tol*8.
    double polyLen = 0;
    for (int i = 1; i < n; ++i) polyLen += (ctrl[std::size_t(i)] - ctrl[std::size_t(i - 1)]).length();
    const int samples =
        std::clamp(int(polyLen / std::max(tol * 8, 1e-12)), 8 * (n - 1), 4096);

    const double u0 = knots[std::size_t(p)], u1 = knots[std::size_t(n)];
    std::vector<double> dx(std::size_t(p + 1)), dy(std::size_t(p + 1)), dw(std::size_t(p + 1));
    for (int s = 0; s <= samples; ++s) {
        double u = u0 + (u1 - u0) * s / samples;
        // Knot span k with knots[k] <= u < knots[k+1], clamped into [p, n-1].
        int k = int(std::upper_bound(knots.begin() + p, knots.begin() + n, u) - knots.begin()) - 1;
        k = std::clamp(k, p, n - 1);
        // de Boor in homogeneous coordinates.
        for (int j = 0; j <= p; ++j) {
            const std::size_t i = std::size_t(k - p + j);
            const double w = rational ? std::max(weightsIn[i], 1e-12) : 1.0;
            dx[std::size_t(j)] = ctrl[i].x * w;
            dy[std::size_t(j)] = ctrl[i].y * w;
            dw[std::size_t(j)] = w;
        }
        for (int r = 1; r <= p; ++r)
            for (int j = p; j >= r; --j) {
                const std::size_t i = std::size_t(k - p + j);
                const double den = knots[i + std::size_t(p - r + 1)] - knots[i];
                const double a = den > 0 ? (u - knots[i]) / den : 0;
                const std::size_t J = std::size_t(j);
                dx[J] = (1 - a) * dx[J - 1] + a * dx[J];
                dy[J] = (1 - a) * dy[J - 1] + a * dy[J];
                dw[J] = (1 - a) * dw[J - 1] + a * dw[J];
            }
        const double w = dw[std::size_t(p)];
        if (w != 0) out.push_back({dx[std::size_t(p)] / w, dy[std::size_t(p)] / w});
    }
    return true;
}

void appendThroughPoints(std::vector<Vec2>& out, const std::vector<Vec2>& pts, bool closed,
                         double tol) {
    const std::size_t n = pts.size();
    if (n == 0) return;
    if (n < 3) {
        out.insert(out.end(), pts.begin(), pts.end());
        return;
    }
    auto at = [&](long i) -> Vec2 {
        if (closed) return pts[std::size_t((i % long(n) + long(n)) % long(n))];
        return pts[std::size_t(std::clamp(i, 0L, long(n) - 1))];
    };
    const long segs = closed ? long(n) : long(n) - 1;
    out.push_back(pts[0]);
    for (long i = 0; i < segs; ++i) {
        const Vec2 p0 = at(i - 1), p1 = at(i), p2 = at(i + 1), p3 = at(i + 2);
        const double len = (p2 - p1).length();
        const int steps = std::clamp(int(len / std::max(tol * 8, 1e-12)), 4, 64);
        // Centripetal parameterisation avoids cusps and loops.
        auto dt = [](Vec2 a, Vec2 b) { return std::max(std::sqrt((b - a).length()), 1e-9); };
        const double t01 = dt(p0, p1), t12 = dt(p1, p2), t23 = dt(p2, p3);
        const Vec2 m1 = ((p1 - p0) * (1 / t01) - (p2 - p0) * (1 / (t01 + t12)) + (p2 - p1) * (1 / t12)) * t12;
        const Vec2 m2 = ((p2 - p1) * (1 / t12) - (p3 - p1) * (1 / (t12 + t23)) + (p3 - p2) * (1 / t23)) * t12;
        for (int s = 1; s <= steps; ++s) {
            const double t = double(s) / steps, t2 = t * t, t3 = t2 * t;
            const double h00 = 2 * t3 - 3 * t2 + 1, h10 = t3 - 2 * t2 + t, h01 = -2 * t3 + 3 * t2,
                         h11 = t3 - t2;
            out.push_back(p1 * h00 + m1 * h10 + p2 * h01 + m2 * h11);
        }
    }
}

}  // namespace cad::render
