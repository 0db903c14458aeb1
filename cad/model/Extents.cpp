// Model-space extents: a conservative box, inserts expanded through their blocks.
#include <cmath>
#include <unordered_map>

#include "cad/model/Drawing.h"

namespace cad {

namespace {

constexpr int kMaxDepth = 16;

struct Affine {
  // Row-major 3x4: world = M * local.
  double m[3][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}};
  Vec3 apply(const Vec3& p) const {
    return {m[0][0] * p.x + m[0][1] * p.y + m[0][2] * p.z + m[0][3],
            m[1][0] * p.x + m[1][1] * p.y + m[1][2] * p.z + m[1][3],
            m[2][0] * p.x + m[2][1] * p.y + m[2][2] * p.z + m[2][3]};
  }
};

void addBoxCorners(Box3& out, const Box3& b, const Affine& a) {
  if (!b.valid()) return;
  for (int i = 0; i < 8; ++i) {
    Vec3 p{(i & 1) ? b.max.x : b.min.x, (i & 2) ? b.max.y : b.min.y, (i & 4) ? b.max.z : b.min.z};
    out.add(a.apply(p));
  }
}

bool isWorldZ(const Vec3& n) { return n.x == 0 && n.y == 0 && n.z > 0; }

// Adds a box given in the entity's OCS.
void addOcsBox(Box3& out, const Box3& ocs, const Vec3& normal) {
  if (!ocs.valid()) return;
  if (isWorldZ(normal)) {
    out.merge(ocs);
    return;
  }
  for (int i = 0; i < 8; ++i) {
    Vec3 p{(i & 1) ? ocs.max.x : ocs.min.x, (i & 2) ? ocs.max.y : ocs.min.y,
           (i & 4) ? ocs.max.z : ocs.min.z};
    out.add(ocsToWcs(p, normal));
  }
}

void addCircle(Box3& b, const Vec3& c, double r) {
  r = std::fabs(r);
  b.add({c.x - r, c.y - r, c.z});
  b.add({c.x + r, c.y + r, c.z});
}

class ExtentsBuilder {
 public:
  explicit ExtentsBuilder(const Drawing& d) : d_(d) {}

  Box3 list(const EntityList& l, int depth) {
    Box3 b;
    for (const auto& e : l) b.merge(entity(*e, depth));
    return b;
  }

  Box3 blockBox(const std::string& name, int depth) {
    const Block* blk = d_.findBlock(name);
    if (!blk || depth > kMaxDepth) return {};
    auto it = memo_.find(blk);
    if (it != memo_.end()) return it->second;
    memo_[blk] = Box3{};  // a block that inserts itself contributes nothing more
    Box3 b = list(blk->entities, depth + 1);
    memo_[blk] = b;
    return b;
  }

  Box3 entity(const Entity& e, int depth) {
    Box3 ocs;  // for planar entities
    Box3 w;    // world
    switch (e.type) {
      case EntityType::Line: {
        auto& l = static_cast<const Line&>(e);
        w.add(l.start);
        w.add(l.end);
        return w;
      }
      case EntityType::XLine:
      case EntityType::Ray: return w;
      case EntityType::Point: w.add(static_cast<const Point&>(e).position); return w;
      case EntityType::Circle: {
        auto& c = static_cast<const Circle&>(e);
        addCircle(ocs, c.center, c.radius);
        break;
      }
      case EntityType::Arc: {
        auto& a = static_cast<const Arc&>(e);
        // fmod, not a loop: a hostile angle of 1e300 must not spin for ever.
        double span = std::fmod(a.endAngle - a.startAngle, 2 * M_PI);
        if (!std::isfinite(span)) break;
        if (span <= 0) span += 2 * M_PI;
        for (int i = 0; i <= 64; ++i) {
          double t = a.startAngle + span * i / 64;
          ocs.add({a.center.x + a.radius * std::cos(t), a.center.y + a.radius * std::sin(t), a.center.z});
        }
        break;
      }
      case EntityType::Ellipse: {
        auto& el = static_cast<const Ellipse&>(e);
        double r = std::sqrt(el.majorAxis.x * el.majorAxis.x + el.majorAxis.y * el.majorAxis.y +
                             el.majorAxis.z * el.majorAxis.z);
        addCircle(w, el.center, r);
        return w;
      }
      case EntityType::LwPolyline: {
        auto& p = static_cast<const LwPolyline&>(e);
        for (const auto& v : p.vertices) ocs.add({v.pt.x, v.pt.y, p.elevation});
        break;
      }
      case EntityType::Polyline: {
        auto& p = static_cast<const Polyline&>(e);
        bool planar = p.kind == Polyline::Kind::Polyline2D;
        for (const auto& v : p.vertices) {
          if (p.kind == Polyline::Kind::PolyfaceMesh && !(v.flags & 64)) continue;
          (planar ? ocs : w).add(planar ? Vec3{v.pt.x, v.pt.y, p.elevation} : v.pt);
        }
        if (!planar) return w;
        break;
      }
      case EntityType::Spline: {
        auto& s = static_cast<const Spline&>(e);
        for (const auto& p : s.controlPoints.empty() ? s.fitPoints : s.controlPoints) w.add(p);
        return w;
      }
      case EntityType::Text:
      case EntityType::Attrib:
      case EntityType::AttDef: {
        auto& t = static_cast<const Text&>(e);
        if (e.type == EntityType::AttDef) return w;  // not drawn in model space
        const Vec3& p = t.hasAlignPoint && (t.hAlign || t.vAlign) ? t.alignPoint : t.insertion;
        double h = t.height > 0 ? t.height : d_.header.textSize;
        double len = h * t.widthFactor * 0.8 * static_cast<double>(t.text.size());
        double c = std::cos(t.rotation), s = std::sin(t.rotation);
        ocs.add(p);
        ocs.add({p.x + len * c, p.y + len * s, p.z});
        ocs.add({p.x - h * s, p.y + h * c, p.z});
        break;
      }
      case EntityType::MText: {
        auto& m = static_cast<const MText&>(e);
        double h = m.height > 0 ? m.height : d_.header.textSize;
        double wdt = m.refWidth > 0 ? m.refWidth : h * 10;
        double hgt = h * 1.7 * static_cast<double>(m.paragraphs.size());
        w.add({m.insertion.x - wdt, m.insertion.y - hgt, m.insertion.z});
        w.add({m.insertion.x + wdt, m.insertion.y + hgt, m.insertion.z});
        return w;
      }
      case EntityType::Insert: {
        auto& ins = static_cast<const Insert&>(e);
        const Block* blk = d_.findBlock(ins.blockName);
        Box3 bb = blockBox(ins.blockName, depth);
        if (!blk || !bb.valid()) break;
        double c = std::cos(ins.rotation), s = std::sin(ins.rotation);
        for (int cr : {0, 1}) {
          for (int rr : {0, 1}) {
            double ox = cr ? (ins.columnCount - 1) * ins.columnSpacing : 0;
            double oy = rr ? (ins.rowCount - 1) * ins.rowSpacing : 0;
            Affine a;
            a.m[0][0] = c * ins.scale.x; a.m[0][1] = -s * ins.scale.y;
            a.m[1][0] = s * ins.scale.x; a.m[1][1] = c * ins.scale.y;
            a.m[2][2] = ins.scale.z;
            Vec3 base = blk->basePoint;
            // translation: R*S*(p - base) + R*(offset) + insertion
            a.m[0][3] = ins.insertion.x + c * ox - s * oy - (a.m[0][0] * base.x + a.m[0][1] * base.y);
            a.m[1][3] = ins.insertion.y + s * ox + c * oy - (a.m[1][0] * base.x + a.m[1][1] * base.y);
            a.m[2][3] = ins.insertion.z - ins.scale.z * base.z;
            addBoxCorners(ocs, bb, a);
          }
        }
        for (const auto& at : ins.attributes) w.merge(entity(at, depth));
        break;
      }
      case EntityType::Dimension: {
        auto& dm = static_cast<const Dimension&>(e);
        Box3 bb = blockBox(dm.blockName, depth);
        if (bb.valid()) {
          Affine a;
          a.m[0][3] = dm.insertion.x;
          a.m[1][3] = dm.insertion.y;
          a.m[2][3] = dm.insertion.z;
          addBoxCorners(w, bb, a);
        } else {
          w.add(dm.defPoint);
          w.add(dm.textMid);
        }
        return w;
      }
      case EntityType::Leader:
        for (const auto& v : static_cast<const Leader&>(e).vertices) w.add(v);
        return w;
      case EntityType::Solid:
      case EntityType::Trace:
        for (const auto& p : static_cast<const Solid&>(e).corners) ocs.add(p);
        break;
      case EntityType::Face3D:
        for (const auto& p : static_cast<const Face3D&>(e).corners) w.add(p);
        return w;
      case EntityType::Hatch: {
        auto& h = static_cast<const Hatch&>(e);
        for (const auto& loop : h.loops) {
          for (const auto& v : loop.polyline) ocs.add({v.pt.x, v.pt.y, h.elevation});
          for (const auto& ed : loop.edges) {
            switch (ed.kind) {
              case HatchEdge::Kind::Line:
                ocs.add({ed.start.x, ed.start.y, h.elevation});
                ocs.add({ed.end.x, ed.end.y, h.elevation});
                break;
              case HatchEdge::Kind::Arc:
                addCircle(ocs, {ed.center.x, ed.center.y, h.elevation}, ed.radius);
                break;
              case HatchEdge::Kind::Ellipse:
                addCircle(ocs, {ed.center.x, ed.center.y, h.elevation},
                          std::hypot(ed.majorAxis.x, ed.majorAxis.y));
                break;
              case HatchEdge::Kind::Spline:
                for (const auto& p : ed.controlPoints) ocs.add({p.x, p.y, h.elevation});
                for (const auto& p : ed.fitPoints) ocs.add({p.x, p.y, h.elevation});
                break;
            }
          }
        }
        break;
      }
      case EntityType::Wipeout:
      case EntityType::Image: {
        auto& im = static_cast<const RasterImage&>(e);
        Vec3 u{im.uVector.x * im.imageSize.x, im.uVector.y * im.imageSize.x, im.uVector.z * im.imageSize.x};
        Vec3 v{im.vVector.x * im.imageSize.y, im.vVector.y * im.imageSize.y, im.vVector.z * im.imageSize.y};
        const Vec3& p = im.insertion;
        w.add(p);
        w.add({p.x + u.x, p.y + u.y, p.z + u.z});
        w.add({p.x + v.x, p.y + v.y, p.z + v.z});
        w.add({p.x + u.x + v.x, p.y + u.y + v.y, p.z + u.z + v.z});
        return w;
      }
      case EntityType::Count_: break;
    }
    addOcsBox(w, ocs, e.extrusion);
    return w;
  }

 private:
  const Drawing& d_;
  std::unordered_map<const Block*, Box3> memo_;
};

}  // namespace

Box3 Drawing::computeExtents() const {
  ExtentsBuilder b(*this);
  return b.list(entities, 0);
}

}  // namespace cad
