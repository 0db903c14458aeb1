#include "cad/render/Resolve.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "cad/render/HatchFill.h"
#include "cad/render/Linetype.h"
#include "cad/render/Tessellate.h"
#include "cad/render/TextLayout.h"

namespace cad::render {

namespace {

// 2D affine map: x' = a x + c y + tx, y' = b x + d y + ty.
struct Affine {
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
    Vec2 apply(Vec2 p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }
    Vec2 applyVec(Vec2 v) const { return {a * v.x + c * v.y, b * v.x + d * v.y}; }
    Affine operator*(const Affine& o) const {  // this after o
        return {a * o.a + c * o.b, b * o.a + d * o.b, a * o.c + c * o.d, b * o.c + d * o.d,
                a * o.tx + c * o.ty + tx, b * o.tx + d * o.ty + ty};
    }
    double det() const { return a * d - b * c; }
    bool identity() const { return a == 1 && b == 0 && c == 0 && d == 1 && tx == 0 && ty == 0; }
    static Affine translate(double x, double y) { return {1, 0, 0, 1, x, y}; }
    static Affine scale(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
    static Affine rotate(double r) {
        const double cs = std::cos(r), sn = std::sin(r);
        return {cs, sn, -sn, cs, 0, 0};
    }
};

bool defaultExtrusion(const cad::Vec3& n) { return n.x == 0 && n.y == 0 && n.z > 0; }

// Object coordinates of a plane with normal `n` to world, as a 2D map of the
// top view.
Affine ocsAffine(const cad::Vec3& n) {
    if (defaultExtrusion(n)) return {};
    const cad::Vec3 o = cad::ocsToWcs({0, 0, 0}, n);
    const cad::Vec3 ax = cad::ocsToWcs({1, 0, 0}, n);
    const cad::Vec3 ay = cad::ocsToWcs({0, 1, 0}, n);
    return {ax.x - o.x, ax.y - o.y, ay.x - o.x, ay.y - o.y, o.x, o.y};
}

struct Colour {
    Rgb rgb = 0xFFFFFFFF;
    bool contrast = true;  // index 7
};

Colour fromTrue(std::int32_t tc) {
    return {rgb((tc >> 16) & 0xFF, (tc >> 8) & 0xFF, tc & 0xFF), false};
}

Colour fromIndex(int aci) {
    aci = std::abs(aci);
    return {indexColour(aci), aci == 7 || aci < 1 || aci > 255};
}

// What an insert hands down to the entities of its block.
struct Context {
    Affine m;
    int layer = -1;  // layer of the insert, for entities on layer "0"
    Colour byBlock;  // BYBLOCK colour
    const cad::Linetype* byBlockLinetype = nullptr;
    double ltScale = 1;  // accumulated scale of the pattern
    double tol = 1;      // chord tolerance in the entity's own units
    int depth = 0;
};

class Resolver {
public:
    Resolver(const cad::Drawing& d, const ResolveOptions& o, ResolvedDrawing& out)
        : d_(d), opt_(o), out_(out) {}

    void run() {
        for (const cad::Layer& l : d_.layers) addLayer(l);
        out_.prims.reserve(d_.entities.size());
        out_.points.reserve(std::min<std::size_t>(d_.entities.size() * 4, opt_.maxPoints));
        cad::Box3 ext = d_.computeExtents();
        double diag = 1;
        if (ext.valid()) diag = std::hypot(ext.max.x - ext.min.x, ext.max.y - ext.min.y);
        if (!(diag > 0) || !std::isfinite(diag)) diag = 1;
        diag_ = diag;
        Context top;
        top.layer = -1;
        top.tol = diag * opt_.relativeTolerance;
        top.ltScale = d_.header.ltScale > 0 ? d_.header.ltScale : 1;
        for (const auto& e : d_.entities) {
            if (out_.truncated) break;
            if (e && !e->paperSpace) entity(*e, top);
        }
        // Extents of the resolved geometry; infinite lines are left out.
        for (const Prim& p : out_.prims)
            if (!(p.flags & kInfinite)) out_.extents.add(p.box);
        for (const auto& [pi, xl] : infinite_) finishInfinite(pi, xl);
        out_.grid.build(out_.prims, out_.extents);
    }

private:
    static constexpr std::uint8_t kInfinite = 0x80;  // resolve-internal flag

    const cad::Drawing& d_;
    const ResolveOptions& opt_;
    ResolvedDrawing& out_;
    double diag_ = 1;
    std::unordered_map<std::string, int> layerByName_;  // upper-case name
    std::vector<const cad::Block*> stack_;
    std::vector<std::pair<std::size_t, const cad::XLine*>> infinite_;
    std::vector<Vec2> scratch_;
    std::string lastLayerName_;
    int lastLayerIndex_ = -1;
    std::vector<std::pair<bool, const cad::Linetype*>> layerLinetype_;
    std::unordered_map<std::string, const cad::Linetype*> linetypeByName_;

    static bool equalsNoCase(const std::string& a, const char* b) {
        std::size_t i = 0;
        for (; i < a.size() && b[i]; ++i) {
            char c = a[i];
            if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
            if (c != b[i]) return false;
        }
        return i == a.size() && !b[i];
    }

    const cad::Linetype* linetypeNamed(const std::string& name) {
        auto it = linetypeByName_.find(name);
        if (it != linetypeByName_.end()) return it->second;
        const cad::Linetype* lt = d_.findLinetype(name);
        linetypeByName_.emplace(name, lt);
        return lt;
    }

    int addLayer(const cad::Layer& l) {
        const std::string key = cad::upperAscii(l.name);
        if (auto it = layerByName_.find(key); it != layerByName_.end()) return it->second;
        if (out_.layers.size() >= 0xFFFF) return 0;
        LayerInfo info;
        info.name = l.name;
        const Colour c = l.trueColor >= 0 ? fromTrue(l.trueColor) : fromIndex(l.color);
        info.colour = c.rgb;
        info.contrast = c.contrast;
        info.on = l.on;
        info.frozen = l.frozen;
        out_.layers.push_back(std::move(info));
        const int idx = int(out_.layers.size() - 1);
        layerByName_.emplace(key, idx);
        return idx;
    }

    int layerOf(const std::string& name) {
        // Entities mostly come in runs on one layer: remember the last name.
        if (lastLayerIndex_ >= 0 && name == lastLayerName_) return lastLayerIndex_;
        const std::string key = cad::upperAscii(name.empty() ? std::string("0") : name);
        int idx;
        if (auto it = layerByName_.find(key); it != layerByName_.end()) {
            idx = it->second;
        } else {
            cad::Layer l;  // entity on a layer the table lacks: white, on
            l.name = name.empty() ? "0" : name;
            idx = addLayer(l);
        }
        lastLayerName_ = name;
        lastLayerIndex_ = idx;
        return idx;
    }

    // Layer that governs an entity's visibility and BYLAYER look: layer "0"
    // inside a block takes the insert's layer.
    int effectiveLayer(const cad::Entity& e, const Context& ctx) {
        const int own = layerOf(e.layer);
        if (ctx.layer >= 0 && out_.layers[std::size_t(own)].name == "0") return ctx.layer;
        return own;
    }

    Colour colourOf(const cad::Entity& e, const Context& ctx, int layer) const {
        if (e.trueColor >= 0 && e.color != cad::kColorByBlock && e.color != cad::kColorByLayer)
            return fromTrue(e.trueColor);
        if (e.color == cad::kColorByBlock) return ctx.byBlock;
        if (e.color == cad::kColorByLayer || e.color > 256 || e.color < -255) {
            if (e.trueColor >= 0 && e.color != cad::kColorByLayer) return fromTrue(e.trueColor);
            const LayerInfo& l = out_.layers[std::size_t(layer)];
            return {l.colour, l.contrast};
        }
        if (e.trueColor >= 0) return fromTrue(e.trueColor);
        return fromIndex(e.color);
    }

    const cad::Linetype* linetypeOf(const cad::Entity& e, const Context& ctx, int layer) {
        if (equalsNoCase(e.linetype, "BYBLOCK")) return ctx.byBlockLinetype;
        if (e.linetype.empty() || equalsNoCase(e.linetype, "BYLAYER")) {
            if (layerLinetype_.size() <= std::size_t(layer)) layerLinetype_.resize(out_.layers.size());
            auto& slot = layerLinetype_[std::size_t(layer)];
            if (!slot.first) {
                const cad::Layer* l = d_.findLayer(out_.layers[std::size_t(layer)].name);
                slot = {true, l ? linetypeNamed(l->linetype) : nullptr};
            }
            return slot.second;
        }
        return linetypeNamed(e.linetype);
    }

    bool room(std::size_t morePoints) {
        if (out_.points.size() + morePoints > opt_.maxPoints || out_.prims.size() >= 0xFFFFFFF0u) {
            out_.truncated = true;
            return false;
        }
        return true;
    }

    struct Style {
        Colour colour;
        int layer = 0;
        std::vector<double> pattern;  // scaled, world units; empty = continuous
    };

    Style styleOf(const cad::Entity& e, const Context& ctx, int layer) {
        Style s;
        s.layer = layer;
        s.colour = colourOf(e, ctx, layer);
        if (const cad::Linetype* lt = linetypeOf(e, ctx, layer); lt && !lt->pattern.empty()) {
            const double scale = ctx.ltScale * (e.ltScale > 0 ? e.ltScale : 1) *
                                 std::sqrt(std::abs(ctx.m.det()));
            for (double l : lt->pattern) s.pattern.push_back(l * scale);
        }
        return s;
    }

    Prim& newPrim(PrimKind kind, const Style& s) {
        Prim p;
        p.kind = kind;
        p.colour = s.colour.rgb;
        p.flags = s.colour.contrast ? kContrastColour : 0;
        p.layer = std::uint16_t(s.layer);
        out_.prims.push_back(p);
        return out_.prims.back();
    }

    void addPolylinePrim(const Vec2* pts, std::size_t n, bool closed, const Style& s) {
        if (n == 0 || !room(n)) return;
        Prim& p = newPrim(n == 1 ? PrimKind::Point : PrimKind::Polyline, s);
        p.first = std::uint32_t(out_.points.size());
        p.count = std::uint32_t(n);
        if (closed && n > 2) p.flags |= kClosed;
        for (std::size_t i = 0; i < n; ++i) {
            out_.points.push_back(pts[i]);
            p.box.add(pts[i]);
        }
    }

    // A chain of world points, with the linetype applied.
    void chain(const std::vector<Vec2>& pts, bool closed, const Style& s) {
        if (pts.empty()) return;
        for (const Vec2& p : pts)
            if (!finite(p)) return;
        if (s.pattern.empty()) {
            addPolylinePrim(pts.data(), pts.size(), closed, s);
            return;
        }
        applyDashes(pts.data(), pts.size(), closed, s.pattern,
                    [&](const Vec2* p, std::size_t n) { addPolylinePrim(p, n, false, s); });
    }

    void polygon(const std::vector<std::vector<Vec2>>& rings, const Style& s, std::uint8_t extra = 0) {
        std::size_t total = 0;
        for (const auto& r : rings) total += r.size();
        if (total < 3 || !room(total)) return;
        Prim& p = newPrim(PrimKind::Polygon, s);
        p.flags |= extra;
        p.first = std::uint32_t(out_.rings.size());
        for (const auto& r : rings) {
            if (r.size() < 3) continue;
            bool ok = true;
            for (const Vec2& v : r) ok = ok && finite(v);
            if (!ok) continue;
            out_.rings.push_back({std::uint32_t(out_.points.size()), std::uint32_t(r.size())});
            for (const Vec2& v : r) {
                out_.points.push_back(v);
                p.box.add(v);
            }
            ++p.count;
        }
        if (p.count == 0) out_.prims.pop_back();
    }

    void text(TextRun run, const Style& s, const Affine& m) {
        if (run.text.empty() || !(run.height > 0) || !std::isfinite(run.height)) return;
        // Carry the run through the map: position, direction, size, mirroring.
        const Vec2 dir = m.applyVec({std::cos(run.rotation), std::sin(run.rotation)});
        const double dirLen = dir.length();
        const double det = m.det();
        if (!(dirLen > 0) || det == 0 || !std::isfinite(det)) return;
        const double hScale = std::abs(det) / dirLen;
        run.anchor = m.apply(run.anchor);
        run.rotation = std::atan2(dir.y, dir.x);
        run.height *= hScale;
        run.widthFactor *= dirLen / hScale;
        run.fitWidth *= dirLen;
        run.estimatedWidth *= dirLen;
        if (det < 0) run.mirrorY = !run.mirrorY;
        if (!finite(run.anchor) || !room(4)) return;

        Style ts = s;
        if (run.trueColour >= 0) ts.colour = fromTrue(run.trueColour);
        else if (run.aci >= 1 && run.aci <= 255) ts.colour = fromIndex(run.aci);
        Prim& p = newPrim(PrimKind::Text, ts);
        p.first = std::uint32_t(out_.texts.size());
        p.count = 1;
        // Bounds from the estimated width, with slack for the real font's
        // metrics, placed as the alignment puts the text.
        const double w = (run.fitWidth > 0 ? run.fitWidth : run.estimatedWidth * 1.3) + run.height * 0.2;
        const double x0 = run.fitWidth > 0 || run.hAlign == HAlign::Left ? -run.height * 0.1
                          : run.hAlign == HAlign::Centre                 ? -w / 2
                                                                         : -w;
        const double h = run.height;
        const double y0 = run.vAlign == VAlign::Baseline ? -0.4 * h
                          : run.vAlign == VAlign::Bottom ? -0.1 * h
                          : run.vAlign == VAlign::Middle ? -0.9 * h
                                                         : -1.6 * h;
        const double cs = std::cos(run.rotation), sn = std::sin(run.rotation);
        for (double lx : {x0, x0 + w})
            for (double ly : {y0, y0 + 1.7 * h}) {
                // Mirrored text extends the other way from its anchor.
                const double mx = run.mirrorX ? -lx : lx, my = run.mirrorY ? -ly : ly;
                p.box.add(Vec2{run.anchor.x + mx * cs - my * sn, run.anchor.y + mx * sn + my * cs});
            }
        out_.texts.push_back(std::move(run));
    }

    void mapAll(std::vector<Vec2>& pts, const Affine& m) {
        if (m.identity()) return;
        for (Vec2& p : pts) p = m.apply(p);
    }

    void entity(const cad::Entity& e, const Context& ctx) {
        if (e.invisible) return;
        const int layer = effectiveLayer(e, ctx);
        if (out_.layers[std::size_t(layer)].frozen) return;
        using T = cad::EntityType;
        switch (e.type) {
        case T::Line: {
            const auto& l = static_cast<const cad::Line&>(e);
            const Style s = styleOf(e, ctx, layer);
            chain({ctx.m.apply({l.start.x, l.start.y}), ctx.m.apply({l.end.x, l.end.y})}, false, s);
            break;
        }
        case T::XLine:
        case T::Ray: {
            const auto& x = static_cast<const cad::XLine&>(e);
            const Style s = styleOf(e, ctx, layer);
            const Vec2 b = ctx.m.apply({x.base.x, x.base.y});
            Vec2 dir = ctx.m.applyVec({x.direction.x, x.direction.y});
            if (!(dir.length() > 0) || !finite(b)) break;
            addPolylinePrim(std::vector<Vec2>{b, b + dir * (1 / dir.length())}.data(), 2, false, s);
            if (!out_.prims.empty() && out_.prims.back().kind == PrimKind::Polyline) {
                out_.prims.back().flags |= kInfinite;
                infinite_.push_back({out_.prims.size() - 1, &x});
            }
            break;
        }
        case T::Point: {
            const auto& p = static_cast<const cad::Point&>(e);
            const Vec2 w = ctx.m.apply({p.position.x, p.position.y});
            if (finite(w)) addPolylinePrim(&w, 1, false, styleOf(e, ctx, layer));
            break;
        }
        case T::Circle:
        case T::Arc: {
            const Style s = styleOf(e, ctx, layer);
            scratch_.clear();
            const Affine m = ctx.m * ocsAffine(e.extrusion);
            if (e.type == T::Circle) {
                const auto& c = static_cast<const cad::Circle&>(e);
                if (!(c.radius > 0) || !std::isfinite(c.radius)) break;
                appendArc(scratch_, {c.center.x, c.center.y}, c.radius, 0, kTwoPi, ctx.tol);
                scratch_.pop_back();  // closed below
                mapAll(scratch_, m);
                chain(scratch_, true, s);
            } else {
                const auto& a = static_cast<const cad::Arc&>(e);
                if (!(a.radius > 0) || !std::isfinite(a.radius)) break;
                appendArc(scratch_, {a.center.x, a.center.y}, a.radius, a.startAngle, a.endAngle, ctx.tol);
                mapAll(scratch_, m);
                chain(scratch_, false, s);
            }
            break;
        }
        case T::Ellipse: {
            const auto& el = static_cast<const cad::Ellipse&>(e);
            const Style s = styleOf(e, ctx, layer);
            scratch_.clear();
            Vec2 major{el.majorAxis.x, el.majorAxis.y};
            double t0 = el.startParam, t1 = el.endParam;
            // A normal pointing down mirrors the curve in the top view.
            if (el.extrusion.z < 0) {
                t0 = -el.endParam;
                t1 = -el.startParam;
            }
            const double ratio = el.extrusion.z < 0 ? -el.ratio : el.ratio;
            const bool full = std::abs(std::fmod(t1 - t0, kTwoPi)) < 1e-9;
            appendEllipse(scratch_, {el.center.x, el.center.y}, major, ratio, t0, t1, ctx.tol);
            if (full && !scratch_.empty()) scratch_.pop_back();
            mapAll(scratch_, ctx.m);
            chain(scratch_, full, s);
            break;
        }
        case T::LwPolyline: {
            const auto& p = static_cast<const cad::LwPolyline&>(e);
            std::vector<VertexW> v;
            v.reserve(p.vertices.size());
            for (const cad::LwVertex& x : p.vertices) {
                const double sw = p.constantWidth > 0 ? p.constantWidth : x.startWidth;
                const double ew = p.constantWidth > 0 ? p.constantWidth : x.endWidth;
                v.push_back({{x.pt.x, x.pt.y}, sw, ew, x.bulge});
            }
            polyline2d(e, v, p.closed, ctx, layer);
            break;
        }
        case T::Polyline:
            oldPolyline(static_cast<const cad::Polyline&>(e), ctx, layer);
            break;
        case T::Spline:
            spline(static_cast<const cad::Spline&>(e), ctx, layer);
            break;
        case T::Text:
        case T::AttDef:
        case T::Attrib: {
            // Definitions show their tag only outside blocks; inside, the
            // insert's attributes stand for them.
            if (e.type == T::AttDef && ctx.depth > 0) break;
            const auto& t = static_cast<const cad::Text&>(e);
            if (e.type != T::Text && static_cast<const cad::Attrib&>(e).hidden()) break;
            TextRun run = layoutText(t, d_.findTextStyle(t.style), d_.header.textSize);
            if (e.type == T::AttDef) {
                run.text = static_cast<const cad::AttDef&>(e).tag;
                run.estimatedWidth = estimateTextWidth(run.text, run.height, run.widthFactor);
            }
            text(std::move(run), styleOf(e, ctx, layer), ctx.m * ocsAffine(e.extrusion));
            break;
        }
        case T::MText: {
            const auto& m = static_cast<const cad::MText&>(e);
            const Style s = styleOf(e, ctx, layer);
            for (TextRun& r : layoutMText(m, d_.findTextStyle(m.style), d_.header.textSize))
                text(std::move(r), s, ctx.m);
            break;
        }
        case T::Insert:
            insert(static_cast<const cad::Insert&>(e), ctx, layer);
            break;
        case T::Dimension: {
            const auto& dim = static_cast<const cad::Dimension&>(e);
            const cad::Block* b = d_.findBlock(dim.blockName);
            if (!b) {
                ++out_.notDrawn["DIMENSION"];
                break;
            }
            Context child = childContext(e, ctx, layer, ctx.m * Affine::translate(dim.insertion.x, dim.insertion.y));
            block(*b, child);
            break;
        }
        case T::Leader:
            leader(static_cast<const cad::Leader&>(e), ctx, layer);
            break;
        case T::Solid:
        case T::Trace: {
            const auto& so = static_cast<const cad::Solid&>(e);
            const Affine m = ctx.m * ocsAffine(e.extrusion);
            // Corners 1 2 4 3 make the outline; a triangle repeats 3 as 4.
            std::vector<Vec2> r;
            for (int i : {0, 1, 3, 2}) r.push_back(m.apply({so.corners[i].x, so.corners[i].y}));
            if (r[2] == r[3]) r.pop_back();
            const Style s = styleOf(e, ctx, layer);
            if (d_.header.fillMode)
                polygon({r}, s);
            else
                chain(r, true, s);
            break;
        }
        case T::Face3D: {
            const auto& f = static_cast<const cad::Face3D&>(e);
            const Style s = styleOf(e, ctx, layer);
            for (int i = 0; i < 4; ++i) {
                if (f.invisibleEdges & (1 << i)) continue;
                const cad::Vec3& a = f.corners[i];
                const cad::Vec3& b = f.corners[(i + 1) % 4];
                if (a.x == b.x && a.y == b.y) continue;
                chain({ctx.m.apply({a.x, a.y}), ctx.m.apply({b.x, b.y})}, false, s);
            }
            break;
        }
        case T::Hatch:
            hatch(static_cast<const cad::Hatch&>(e), ctx, layer);
            break;
        case T::Wipeout:
        case T::Image: {
            const auto& im = static_cast<const cad::RasterImage&>(e);
            // Pixel space to world: corners of the image (or its clip polygon).
            auto px = [&](double u, double v) {
                return ctx.m.apply({im.insertion.x + im.uVector.x * u + im.vVector.x * v,
                                    im.insertion.y + im.uVector.y * u + im.vVector.y * v});
            };
            std::vector<Vec2> r;
            if (im.clipping && im.clipBoundary.size() >= 3) {
                for (const cad::Vec2& c : im.clipBoundary) r.push_back(px(c.x + 0.5, c.y + 0.5));
            } else if (im.clipping && im.clipBoundary.size() == 2) {
                const cad::Vec2 a = im.clipBoundary[0], b = im.clipBoundary[1];
                r = {px(a.x + 0.5, a.y + 0.5), px(b.x + 0.5, a.y + 0.5), px(b.x + 0.5, b.y + 0.5),
                     px(a.x + 0.5, b.y + 0.5)};
            } else {
                const double w = im.imageSize.x, h = im.imageSize.y;
                r = {px(0, 0), px(w, 0), px(w, h), px(0, h)};
            }
            const Style s = styleOf(e, ctx, layer);
            if (e.type == T::Wipeout) {
                polygon({r}, s, kBackgroundFill);
            } else {
                // Raster content is not loaded; its frame shows where it lies.
                chain(r, true, s);
                ++out_.notDrawn["IMAGE"];
            }
            break;
        }
        default:
            ++out_.notDrawn[std::string(e.typeName())];
            break;
        }
    }

    struct VertexW {
        Vec2 p;
        double sw = 0, ew = 0, bulge = 0;
    };

    // 2D polyline in its OCS: bulges become arcs; segments with width become
    // filled quads.
    void polyline2d(const cad::Entity& e, const std::vector<VertexW>& v, bool closed,
                    const Context& ctx, int layer) {
        if (v.empty()) return;
        const Affine m = ctx.m * ocsAffine(e.extrusion);
        const Style s = styleOf(e, ctx, layer);
        bool wide = false;
        for (const VertexW& x : v) wide = wide || x.sw > 0 || x.ew > 0;
        const std::size_t segs = closed ? v.size() : v.size() - 1;
        if (!wide) {
            scratch_.clear();
            scratch_.push_back(v[0].p);
            for (std::size_t i = 0; i < segs; ++i)
                appendBulge(scratch_, v[i].p, v[(i + 1) % v.size()].p, v[i].bulge, ctx.tol);
            if (closed && scratch_.size() > 2) scratch_.pop_back();
            mapAll(scratch_, m);
            chain(scratch_, closed && scratch_.size() > 2, s);
            return;
        }
        for (std::size_t i = 0; i < segs; ++i) {
            const VertexW& a = v[i];
            const VertexW& b = v[(i + 1) % v.size()];
            std::vector<Vec2> centre{a.p};
            appendBulge(centre, a.p, b.p, a.bulge, ctx.tol);
            if (centre.size() < 2) continue;
            // Offset both sides along the chain, width varying linearly.
            std::vector<Vec2> left, right;
            for (std::size_t k = 0; k < centre.size(); ++k) {
                const Vec2 prev = centre[k == 0 ? 0 : k - 1];
                const Vec2 next = centre[k + 1 < centre.size() ? k + 1 : k];
                Vec2 t = next - prev;
                const double len = t.length();
                if (len == 0) continue;
                t = t * (1 / len);
                const double w = a.sw + (a.ew - a.sw) * double(k) / double(centre.size() - 1);
                const Vec2 n{-t.y * w / 2, t.x * w / 2};
                left.push_back(centre[k] + n);
                right.push_back(centre[k] - n);
            }
            if (left.size() < 2) continue;
            std::vector<Vec2> ring(left);
            ring.insert(ring.end(), right.rbegin(), right.rend());
            mapAll(ring, m);
            if (a.sw == 0 && a.ew == 0) {
                std::vector<Vec2> c(centre);
                mapAll(c, m);
                chain(c, false, s);
            } else {
                polygon({ring}, s);
            }
        }
    }

    void oldPolyline(const cad::Polyline& p, const Context& ctx, int layer) {
        using K = cad::Polyline::Kind;
        const Style s = styleOf(p, ctx, layer);
        if (p.kind == K::PolyfaceMesh) {
            std::vector<Vec2> pos;
            for (const cad::PolyVertex& v : p.vertices)
                if (v.flags & 64) pos.push_back(ctx.m.apply({v.pt.x, v.pt.y}));
            for (const cad::PolyVertex& v : p.vertices) {
                if ((v.flags & 128) == 0 || (v.flags & 64)) continue;
                int n = 0;
                while (n < 4 && v.face[n] != 0) ++n;
                for (int i = 0; i < n; ++i) {
                    const int a = v.face[i], b = v.face[(i + 1) % n];
                    if (a < 0) continue;  // invisible edge
                    const std::size_t ia = std::size_t(std::abs(a) - 1), ib = std::size_t(std::abs(b) - 1);
                    if (ia < pos.size() && ib < pos.size()) chain({pos[ia], pos[ib]}, false, s);
                }
            }
            return;
        }
        if (p.kind == K::PolygonMesh) {
            const int M = p.mCount, N = p.nCount;
            if (M <= 0 || N <= 0 || std::size_t(M) * std::size_t(N) > p.vertices.size()) return;
            auto at = [&](int i, int j) {
                const cad::Vec3& q = p.vertices[std::size_t(i) * std::size_t(N) + std::size_t(j)].pt;
                return ctx.m.apply({q.x, q.y});
            };
            for (int i = 0; i < M; ++i) {
                std::vector<Vec2> row;
                for (int j = 0; j < N; ++j) row.push_back(at(i, j));
                chain(row, p.nClosed, s);
            }
            for (int j = 0; j < N; ++j) {
                std::vector<Vec2> col;
                for (int i = 0; i < M; ++i) col.push_back(at(i, j));
                chain(col, p.closed, s);
            }
            return;
        }
        // Spline frames carry control points (flag 16) that are not drawn.
        if (p.kind == K::Polyline3D) {
            std::vector<Vec2> pts;
            for (const cad::PolyVertex& v : p.vertices)
                if (!(v.flags & 16)) pts.push_back(ctx.m.apply({v.pt.x, v.pt.y}));
            chain(pts, p.closed && pts.size() > 2, s);
            return;
        }
        std::vector<VertexW> v;
        for (const cad::PolyVertex& x : p.vertices) {
            if (x.flags & 16) continue;
            v.push_back({{x.pt.x, x.pt.y}, x.startWidth > 0 ? x.startWidth : p.defaultStartWidth,
                         x.endWidth > 0 ? x.endWidth : p.defaultEndWidth, x.bulge});
        }
        polyline2d(p, v, p.closed, ctx, layer);
    }

    void spline(const cad::Spline& sp, const Context& ctx, int layer) {
        const Style s = styleOf(sp, ctx, layer);
        scratch_.clear();
        if (sp.controlPoints.size() >= 2) {
            std::vector<Vec2> ctrl;
            for (const cad::Vec3& c : sp.controlPoints) ctrl.push_back({c.x, c.y});
            if (!appendNurbs(scratch_, sp.degree, sp.knots, ctrl, sp.weights, ctx.tol)) return;
        } else if (sp.fitPoints.size() >= 2) {
            std::vector<Vec2> fit;
            for (const cad::Vec3& c : sp.fitPoints) fit.push_back({c.x, c.y});
            appendThroughPoints(scratch_, fit, sp.closed(), ctx.tol);
        } else {
            return;
        }
        mapAll(scratch_, ctx.m);
        chain(scratch_, false, s);
    }

    void leader(const cad::Leader& l, const Context& ctx, int layer) {
        const Style s = styleOf(l, ctx, layer);
        std::vector<Vec2> pts;
        for (const cad::Vec3& v : l.vertices) pts.push_back(ctx.m.apply({v.x, v.y}));
        if (pts.size() < 2) return;
        if (l.pathType == 1 && pts.size() > 2) {
            std::vector<Vec2> smooth;
            appendThroughPoints(smooth, pts, false, ctx.tol);
            chain(smooth, false, s);
        } else {
            chain(pts, false, s);
        }
        if (l.arrowHead) {
            // Arrow at the first vertex, sized from the text height or the
            // first segment when no text height is known.
            const Vec2 tip = pts[0], from = pts[1];
            const Vec2 d = from - tip;
            const double len = d.length();
            if (len <= 0) return;
            double size = l.textHeight > 0 ? l.textHeight * std::sqrt(std::abs(ctx.m.det()))
                                           : len * 0.15;
            size = std::min(size, len * 0.5);
            const Vec2 u = d * (1 / len), n{-u.y, u.x};
            Style fill = s;
            fill.pattern.clear();
            polygon({{tip, tip + u * size + n * (size / 6), tip + u * size - n * (size / 6)}}, fill);
        }
    }

    Context childContext(const cad::Entity& e, const Context& ctx, int layer, const Affine& m) {
        Context child;
        child.m = m;
        child.layer = layer;
        child.byBlock = colourOf(e, ctx, layer);
        child.byBlockLinetype = linetypeOf(e, ctx, layer);
        child.ltScale = ctx.ltScale * (e.ltScale > 0 ? e.ltScale : 1);
        const double mag = std::sqrt(std::abs(m.det()));
        child.tol = mag > 0 ? diag_ * opt_.relativeTolerance / mag : ctx.tol;
        child.depth = ctx.depth + 1;
        return child;
    }

    void block(const cad::Block& b, const Context& ctx) {
        if (ctx.depth > opt_.maxBlockDepth ||
            std::find(stack_.begin(), stack_.end(), &b) != stack_.end()) {
            ++out_.notDrawn["INSERT (recursive)"];
            return;
        }
        if (b.isXref()) {
            ++out_.notDrawn["XREF"];
            return;
        }
        stack_.push_back(&b);
        for (const auto& e : b.entities) {
            if (out_.truncated) break;
            if (e) entity(*e, ctx);
        }
        stack_.pop_back();
    }

    void insert(const cad::Insert& ins, const Context& ctx, int layer) {
        const cad::Block* b = d_.findBlock(ins.blockName);
        if (b) {
            const long cols = std::clamp(ins.columnCount, 1, 10000);
            const long rows = std::clamp(ins.rowCount, 1, 10000);
            const long cells = std::min(cols * rows, 100000L);
            const Affine place = ctx.m * ocsAffine(ins.extrusion) *
                                 Affine::translate(ins.insertion.x, ins.insertion.y) *
                                 Affine::rotate(ins.rotation);
            const double sx = std::isfinite(ins.scale.x) ? ins.scale.x : 1;
            const double sy = std::isfinite(ins.scale.y) ? ins.scale.y : 1;
            const Affine local = Affine::scale(sx, sy) * Affine::translate(-b->basePoint.x, -b->basePoint.y);
            long done = 0;
            for (long r = 0; r < rows && done < cells; ++r)
                for (long c = 0; c < cols && done < cells; ++c, ++done) {
                    const Affine m = place *
                                     Affine::translate(double(c) * ins.columnSpacing, double(r) * ins.rowSpacing) *
                                     local;
                    Context child = childContext(ins, ctx, layer, m);
                    block(*b, child);
                    if (out_.truncated) return;
                }
        } else {
            ++out_.notDrawn["INSERT (missing block)"];
        }
        // Attributes are stored in the insert's coordinates, outside the block.
        for (const cad::Attrib& a : ins.attributes) {
            if (a.hidden() || a.invisible) continue;
            const int al = effectiveLayer(a, ctx);
            if (out_.layers[std::size_t(al)].frozen) continue;
            Context actx = ctx;
            actx.byBlock = colourOf(ins, ctx, layer);
            TextRun run = layoutText(a, d_.findTextStyle(a.style), d_.header.textSize);
            text(std::move(run), styleOf(a, actx, al), ctx.m * ocsAffine(a.extrusion));
        }
    }

    void hatch(const cad::Hatch& h, const Context& ctx, int layer) {
        const Affine m = ctx.m * ocsAffine(h.extrusion);
        std::vector<std::vector<Vec2>> rings;
        for (const cad::HatchLoop& loop : h.loops) {
            std::vector<Vec2> r = hatchLoopPoints(loop, ctx.tol);
            if (r.size() >= 3) rings.push_back(std::move(r));
        }
        if (rings.empty()) return;
        Style s = styleOf(h, ctx, layer);
        s.pattern.clear();
        if (h.solidFill || h.gradient) {
            if (h.gradient && !h.gradientColors.empty() && h.color == cad::kColorByLayer &&
                h.trueColor < 0)
                s.colour = fromTrue(h.gradientColors.front());
            for (auto& r : rings) mapAll(r, m);
            polygon(rings, s);
            return;
        }
        if (h.patternLines.empty()) {
            ++out_.notDrawn["HATCH (no pattern data)"];
            return;
        }
        const bool ok = hatchPatternSegments(rings, h.patternLines, [&](Vec2 a, Vec2 b) {
            if (a == b) {
                const Vec2 p = m.apply(a);
                addPolylinePrim(&p, 1, false, s);
            } else {
                const Vec2 q[2] = {m.apply(a), m.apply(b)};
                addPolylinePrim(q, 2, false, s);
            }
        });
        if (!ok) ++out_.notDrawn["HATCH (pattern too dense)"];
    }

    // XLINE/RAY reach far past the drawing's extents in their direction(s).
    void finishInfinite(std::size_t pi, const cad::XLine* xl) {
        Prim& p = out_.prims[pi];
        Vec2* pts = &out_.points[p.first];
        const Vec2 base = pts[0], dir = pts[1] - pts[0];
        Box2 ext = out_.extents;
        ext.add(base);
        const double reach = std::max({ext.width(), ext.height(), 1.0}) * 100 +
                             (base - ext.centre()).length();
        pts[1] = base + dir * reach;
        if (xl->type == cad::EntityType::XLine) pts[0] = base - dir * reach;
        p.box = Box2::of(pts[0], pts[1]);
        p.flags &= std::uint8_t(~kInfinite);
    }
};

}  // namespace

int ResolvedDrawing::layerIndex(const std::string& name) const {
    const std::string key = cad::upperAscii(name);
    for (std::size_t i = 0; i < layers.size(); ++i)
        if (cad::upperAscii(layers[i].name) == key) return int(i);
    return -1;
}

bool ResolvedDrawing::setLayerOn(const std::string& name, bool on) {
    const int i = layerIndex(name);
    if (i < 0) return false;
    layers[std::size_t(i)].on = on;
    return true;
}

std::shared_ptr<ResolvedDrawing> resolveDrawing(const cad::Drawing& drawing,
                                                const ResolveOptions& options) {
    auto out = std::make_shared<ResolvedDrawing>();
    Resolver(drawing, options, *out).run();
    return out;
}

}  // namespace cad::render
