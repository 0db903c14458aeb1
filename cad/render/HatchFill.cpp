#include "cad/render/HatchFill.h"

#include <algorithm>
#include <cmath>

#include "cad/render/Tessellate.h"

namespace cad::render {

namespace {

Vec2 v2(const cad::Vec2& p) { return {p.x, p.y}; }

void appendReversed(std::vector<Vec2>& out, std::vector<Vec2> pts) {
    out.insert(out.end(), pts.rbegin(), pts.rend());
}

}  // namespace

std::vector<Vec2> hatchLoopPoints(const cad::HatchLoop& loop, double tol) {
    std::vector<Vec2> out;
    if (loop.isPolyline) {
        const auto& v = loop.polyline;
        if (v.empty()) return out;
        out.push_back(v2(v[0].pt));
        const std::size_t segs = v.size();  // hatch polylines are always closed
        for (std::size_t i = 0; i < segs; ++i)
            appendBulge(out, v2(v[i].pt), v2(v[(i + 1) % v.size()].pt), v[i].bulge, tol);
        if (out.size() > 1) out.pop_back();
        return out;
    }
    for (const cad::HatchEdge& e : loop.edges) {
        std::vector<Vec2> pts;
        switch (e.kind) {
        case cad::HatchEdge::Kind::Line:
            pts = {v2(e.start), v2(e.end)};
            break;
        case cad::HatchEdge::Kind::Arc:
            if (e.ccw) {
                appendArc(pts, v2(e.center), e.radius, e.startAngle, e.endAngle, tol);
            } else {
                // Clockwise edges store mirrored angles.
                appendArc(pts, v2(e.center), e.radius, -e.endAngle, -e.startAngle, tol);
                std::reverse(pts.begin(), pts.end());
            }
            break;
        case cad::HatchEdge::Kind::Ellipse:
            if (e.ccw) {
                appendEllipse(pts, v2(e.center), v2(e.majorAxis), e.ratio, e.startAngle, e.endAngle, tol);
            } else {
                appendEllipse(pts, v2(e.center), v2(e.majorAxis), e.ratio, -e.endAngle, -e.startAngle, tol);
                std::reverse(pts.begin(), pts.end());
            }
            break;
        case cad::HatchEdge::Kind::Spline: {
            std::vector<Vec2> ctrl;
            for (const cad::Vec2& c : e.controlPoints) ctrl.push_back(v2(c));
            if (ctrl.size() >= 2) {
                appendNurbs(pts, e.degree, e.knots, ctrl, e.rational ? e.weights : std::vector<double>{}, tol);
            } else {
                std::vector<Vec2> fit;
                for (const cad::Vec2& c : e.fitPoints) fit.push_back(v2(c));
                appendThroughPoints(pts, fit, false, tol);
            }
            break;
        }
        }
        if (pts.empty()) continue;
        // Edges may come in either direction; join each at its nearer end.
        if (!out.empty() && (pts.back() - out.back()).length() < (pts.front() - out.back()).length()) {
            appendReversed(out, std::move(pts));
        } else {
            out.insert(out.end(), pts.begin(), pts.end());
        }
    }
    if (out.size() > 1 && out.front() == out.back()) out.pop_back();
    return out;
}

bool hatchPatternSegments(const std::vector<std::vector<Vec2>>& rings,
                          const std::vector<cad::HatchPatternLine>& lines,
                          const std::function<void(Vec2, Vec2)>& emit) {
    Box2 box;
    for (const auto& r : rings)
        for (const Vec2& p : r) box.add(p);
    if (box.empty()) return true;

    // First count the lines of all families so an absurd scale draws nothing.
    struct Family {
        Vec2 base, u, n, offset;
        double spacing = 0, kMin = 0, kMax = 0;
        const std::vector<double>* dashes;
    };
    std::vector<Family> fams;
    double count = 0;
    for (const cad::HatchPatternLine& pl : lines) {
        Family f;
        f.u = {std::cos(pl.angle), std::sin(pl.angle)};
        f.n = {-f.u.y, f.u.x};
        f.base = v2(pl.base);
        f.offset = v2(pl.offset);
        f.spacing = f.offset.x * f.n.x + f.offset.y * f.n.y;
        f.dashes = &pl.dashes;
        if (!std::isfinite(f.spacing) || std::abs(f.spacing) < 1e-12 || !finite(f.base)) continue;
        double smin = INFINITY, smax = -INFINITY;
        for (Vec2 c : {Vec2{box.minX, box.minY}, Vec2{box.maxX, box.minY}, Vec2{box.minX, box.maxY},
                       Vec2{box.maxX, box.maxY}}) {
            const double s = (c.x - f.base.x) * f.n.x + (c.y - f.base.y) * f.n.y;
            smin = std::min(smin, s);
            smax = std::max(smax, s);
        }
        double k0 = smin / f.spacing, k1 = smax / f.spacing;
        if (k0 > k1) std::swap(k0, k1);
        f.kMin = std::ceil(k0);
        f.kMax = std::floor(k1);
        count += std::max(0.0, f.kMax - f.kMin + 1);
        fams.push_back(f);
    }
    if (count > double(kMaxHatchLines)) return false;

    std::vector<double> ts;
    for (const Family& f : fams) {
        double period = 0;
        for (double d : *f.dashes) period += std::abs(d);
        const bool dashed = period > 0 && f.dashes->size() > 1;
        for (double k = f.kMin; k <= f.kMax; ++k) {
            const Vec2 o = f.base + f.offset * k;
            // Crossings of the line o + t u with every ring edge.
            ts.clear();
            for (const auto& r : rings) {
                for (std::size_t i = 0; i < r.size(); ++i) {
                    const Vec2 a = r[i], b = r[(i + 1) % r.size()];
                    const double sa = (a.x - o.x) * f.n.x + (a.y - o.y) * f.n.y;
                    const double sb = (b.x - o.x) * f.n.x + (b.y - o.y) * f.n.y;
                    if ((sa < 0) == (sb < 0)) continue;
                    const double w = sa / (sa - sb);
                    const Vec2 p = a + (b - a) * w;
                    ts.push_back((p.x - o.x) * f.u.x + (p.y - o.y) * f.u.y);
                }
            }
            std::sort(ts.begin(), ts.end());
            for (std::size_t i = 0; i + 1 < ts.size(); i += 2) {
                const double t0 = ts[i], t1 = ts[i + 1];
                if (!dashed) {
                    emit(o + f.u * t0, o + f.u * t1);
                    continue;
                }
                if ((t1 - t0) / period * double(f.dashes->size()) > 100000) {
                    emit(o + f.u * t0, o + f.u * t1);
                    continue;
                }
                // The pattern is anchored at the line's origin.
                double t = std::floor(t0 / period) * period;
                while (t < t1) {
                    for (double d : *f.dashes) {
                        const double len = std::abs(d);
                        const double s0 = std::max(t, t0), s1 = std::min(t + len, t1);
                        if (d > 0 && s1 > s0) emit(o + f.u * s0, o + f.u * s1);
                        if (d == 0 && t >= t0 && t <= t1) emit(o + f.u * t, o + f.u * t);
                        t += len;
                        if (t >= t1) break;
                    }
                }
            }
        }
    }
    return true;
}

}  // namespace cad::render
