#include "cad/dxf/DxfEntityParser.h"

#include <algorithm>
#include <cmath>

namespace cad::dxf {

namespace {

constexpr double kDeg = 3.14159265358979323846 / 180.0;

// Limits on counts a hostile file could blow up; real drawings stay far below.
constexpr std::size_t kMaxVertices = 5'000'000;
constexpr std::size_t kMaxAttribs = 100'000;
constexpr int kMaxArray = 10'000;

// Sets x, y or z of p when code is base, base+10 or base+20.
bool coord(Vec3& p, const Tag& t, int base) {
  if (t.code == base) p.x = t.asDouble();
  else if (t.code == base + 10) p.y = t.asDouble();
  else if (t.code == base + 20) p.z = t.asDouble();
  else return false;
  return true;
}

bool coord2(Vec2& p, const Tag& t, int base) {
  if (t.code == base) p.x = t.asDouble();
  else if (t.code == base + 10) p.y = t.asDouble();
  else return false;
  return true;
}

// Degrees to radians. Huge values are folded into one turn so that nothing
// downstream iterates over millions of turns.
double angle(const Tag& t) {
  double v = t.asDouble();
  if (std::fabs(v) > 720) v = std::fmod(v, 360.0);
  return v * kDeg;
}

int clampInt(long long v, int lo, int hi) {
  return v < lo ? lo : v > hi ? hi : static_cast<int>(v);
}

bool eq(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (x != y) return false;
  }
  return true;
}

bool isTerminator(std::string_view type) {
  return eq(type, "ENDSEC") || eq(type, "ENDBLK") || eq(type, "EOF") || eq(type, "SECTION") ||
         eq(type, "BLOCK") || eq(type, "ENDTAB") || eq(type, "TABLE");
}

// Cursor over an entity's tags for the entities whose codes repeat by structure.
struct Cursor {
  const std::vector<Tag>& tags;
  std::size_t i = 0;
  bool done() const { return i >= tags.size(); }
  int code() const { return done() ? -1 : tags[i].code; }
  const Tag& take() { return tags[i++]; }
};

}  // namespace

std::string_view trimView(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::string EntityParser::name(const Tag& t) { return dec_.decode(trimView(t.str)); }

const std::vector<Tag>& EntityParser::readBody(Tokenizer& tz) {
  tags_.clear();
  Tag t;
  while (tz.next(t)) {
    if (t.code == 0) {
      tz.pushBack(t);
      break;
    }
    tags_.push_back(t);
  }
  return tags_;
}

bool EntityParser::common(Entity& e, const Tag& t, int sub) {
  switch (t.code) {
    case 5: e.handle = t.asHandle(); return true;
    case 8: e.layer = name(t); return true;
    case 6: e.linetype = name(t); return true;
    case 60: e.invisible = t.asInt() != 0; return true;
    case 67: e.paperSpace = t.asInt() == 1; return true;
    case 39: e.thickness = t.asDouble(); return true;
    case 210: e.extrusion.x = t.asDouble(); return true;
    case 220: e.extrusion.y = t.asDouble(); return true;
    case 230: e.extrusion.z = t.asDouble(); return true;
    default: break;
  }
  // These codes mean other things inside some entities' own subclasses.
  if (sub > 1) return false;
  switch (t.code) {
    case 62: e.color = clampInt(t.asInt(), -256, 257); if (e.color < 0) { e.color = -e.color; } return true;
    case 420: e.trueColor = static_cast<std::int32_t>(t.asInt() & 0xFFFFFF); return true;
    case 370: e.lineweight = static_cast<std::int16_t>(clampInt(t.asInt(), -3, 211)); return true;
    case 48: e.ltScale = t.asDouble(); return true;
    case 440: e.transparency = static_cast<std::int32_t>(t.asInt()); return true;
    default: return false;
  }
}

// Runs fn(tag) for every tag that is not a common property, up to the
// extended data or an embedded object.
#define FOR_OWN_TAGS(E, BODY)                         \
  {                                                   \
    int sub_ = 0;                                     \
    for (const Tag& t : tags_) {                      \
      if (t.code == 100) { ++sub_; continue; }        \
      if (t.code == 101 || t.code >= 1000) break;     \
      if (t.code == 102) continue;                    \
      if (common(E, t, sub_)) continue;               \
      BODY                                            \
    }                                                 \
  }

void EntityParser::parseText(Text& e, int vAlignCode) {
  Attrib* a = e.as<Attrib>();
  AttDef* d = e.as<AttDef>();
  FOR_OWN_TAGS(e, {
    if (coord(e.insertion, t, 10)) continue;
    if (coord(e.alignPoint, t, 11)) { e.hasAlignPoint = true; continue; }
    switch (t.code) {
      case 1: e.text = text(t); break;
      case 7: e.style = name(t); break;
      case 40: e.height = t.asDouble(); break;
      case 41: e.widthFactor = t.asDouble(); break;
      case 50: e.rotation = angle(t); break;
      case 51: e.oblique = angle(t); break;
      case 71: e.generation = clampInt(t.asInt(), 0, 6); break;
      case 72: e.hAlign = clampInt(t.asInt(), 0, 5); break;
      case 2: if (a) a->tag = name(t); break;
      case 3: if (d) d->prompt = text(t); break;
      case 70: if (a) a->attFlags = clampInt(t.asInt(), 0, 255); break;
      default:
        if (t.code == vAlignCode) e.vAlign = clampInt(t.asInt(), 0, 3);
        break;
    }
  })
  if (e.widthFactor <= 0) e.widthFactor = 1;
}

void EntityParser::parseVertex(PolyVertex& v) {
  Entity dummy(EntityType::Point);
  FOR_OWN_TAGS(dummy, {
    if (coord(v.pt, t, 10)) continue;
    switch (t.code) {
      case 40: v.startWidth = t.asDouble(); break;
      case 41: v.endWidth = t.asDouble(); break;
      case 42: v.bulge = t.asDouble(); break;
      case 70: v.flags = clampInt(t.asInt(), 0, 255); break;
      case 71: case 72: case 73: case 74:
        v.face[t.code - 71] = clampInt(t.asInt(), -32768, 32767);
        break;
      default: break;
    }
  })
}

void EntityParser::readVertices(Tokenizer& tz, Polyline& pl) {
  Tag t;
  while (tz.next(t)) {
    if (t.code != 0) continue;
    std::string_view type = trimView(t.str);
    if (eq(type, "VERTEX")) {
      readBody(tz);
      PolyVertex v;
      parseVertex(v);
      if (pl.vertices.size() < kMaxVertices) pl.vertices.push_back(v);
      continue;
    }
    if (eq(type, "SEQEND")) {
      readBody(tz);
      return;
    }
    // A missing SEQEND: the next entity starts here.
    tz.pushBack(t);
    return;
  }
}

void EntityParser::readAttribs(Tokenizer& tz, Insert& ins) {
  Tag t;
  while (tz.next(t)) {
    if (t.code != 0) continue;
    std::string_view type = trimView(t.str);
    if (eq(type, "ATTRIB")) {
      readBody(tz);
      Attrib a;
      parseText(a, 74);
      if (ins.attributes.size() < kMaxAttribs) ins.attributes.push_back(std::move(a));
      continue;
    }
    if (eq(type, "SEQEND")) {
      readBody(tz);
      return;
    }
    tz.pushBack(t);
    return;
  }
}

void EntityParser::parseHatch(Hatch& h) {
  // The header part: everything up to the boundary data (code 91).
  Cursor c{tags_};
  int sub = 0;
  auto commonOrSkip = [&](const Tag& t) {
    if (t.code == 100) { ++sub; return true; }
    if (t.code == 102) return true;
    return common(h, t, sub);
  };
  Vec3 elev;
  while (!c.done() && c.code() != 91) {
    const Tag& t = c.take();
    if (t.code >= 1000) return;
    if (commonOrSkip(t)) continue;
    if (coord(elev, t, 10)) continue;
    switch (t.code) {
      case 2: h.patternName = name(t); break;
      case 70: h.solidFill = t.asInt() & 1; break;
      case 71: h.associative = t.asInt() != 0; break;
      default: break;
    }
  }
  h.elevation = elev.z;
  if (c.done()) return;
  long long loopCount = c.take().asInt();
  for (long long li = 0; li < loopCount && c.code() == 92; ++li) {
    HatchLoop loop;
    loop.flags = clampInt(c.take().asInt(), 0, 1 << 20);
    loop.isPolyline = loop.flags & 2;
    if (loop.isPolyline) {
      bool hasBulge = false;
      long long n = 0;
      while (c.code() == 72 || c.code() == 73 || c.code() == 93) {
        const Tag& t = c.take();
        if (t.code == 72) hasBulge = t.asInt() != 0;
        else if (t.code == 73) loop.closed = t.asInt() != 0;
        else n = t.asInt();
      }
      for (long long k = 0; k < n && c.code() == 10; ++k) {
        LwVertex v;
        v.pt.x = c.take().asDouble();
        if (c.code() == 20) v.pt.y = c.take().asDouble();
        if (c.code() == 42) {
          double b = c.take().asDouble();
          if (hasBulge) v.bulge = b;
        }
        if (loop.polyline.size() < kMaxVertices) loop.polyline.push_back(v);
      }
    } else {
      long long n = c.code() == 93 ? c.take().asInt() : 0;
      for (long long k = 0; k < n && c.code() == 72; ++k) {
        HatchEdge e;
        int kind = clampInt(c.take().asInt(), 0, 9);
        if (kind < 1 || kind > 4) break;
        e.kind = static_cast<HatchEdge::Kind>(kind);
        // Codes that belong to this edge; the next edge starts with 72, the
        // end of the loop with 97 (source objects) or 92/75.
        while (!c.done()) {
          int code = c.code();
          if (kind == 4 && code == 97) {
            // Since 2010 a spline edge carries its fit-point count in 97, the
            // same code as the loop's source-object count that follows: it is
            // the fit count when fit points or another 97 come next.
            int next = c.i + 1 < c.tags.size() ? c.tags[c.i + 1].code : -1;
            if (next == 11 || next == 97) {
              c.take();
              continue;
            }
          }
          if (code == 72 || code == 92 || code == 97 || code == 75 || code == 76 || code == 0)
            break;
          if (kind == 4 && code == 73) { e.rational = c.take().asInt() != 0; continue; }
          if (kind == 4 && code == 74) { e.periodic = c.take().asInt() != 0; continue; }
          const Tag& t = c.take();
          switch (kind) {
            case 1:
              if (!coord2(e.start, t, 10)) coord2(e.end, t, 11);
              break;
            case 2:
              if (coord2(e.center, t, 10)) break;
              if (t.code == 40) e.radius = t.asDouble();
              else if (t.code == 50) e.startAngle = angle(t);
              else if (t.code == 51) e.endAngle = angle(t);
              else if (t.code == 73) e.ccw = t.asInt() != 0;
              break;
            case 3:
              if (coord2(e.center, t, 10) || coord2(e.majorAxis, t, 11)) break;
              if (t.code == 40) e.ratio = t.asDouble();
              else if (t.code == 50) e.startAngle = angle(t);
              else if (t.code == 51) e.endAngle = angle(t);
              else if (t.code == 73) e.ccw = t.asInt() != 0;
              break;
            case 4:
              if (t.code == 94) e.degree = clampInt(t.asInt(), 1, 30);
              else if (t.code == 40 && e.knots.size() < kMaxVertices) e.knots.push_back(t.asDouble());
              else if (t.code == 42 && e.weights.size() < kMaxVertices) e.weights.push_back(t.asDouble());
              else if (t.code == 10 && e.controlPoints.size() < kMaxVertices) e.controlPoints.push_back({t.asDouble(), 0});
              else if (t.code == 20 && !e.controlPoints.empty()) e.controlPoints.back().y = t.asDouble();
              else if (t.code == 11 && e.fitPoints.size() < kMaxVertices) e.fitPoints.push_back({t.asDouble(), 0});
              else if (t.code == 21 && !e.fitPoints.empty()) e.fitPoints.back().y = t.asDouble();
              else if (t.code == 12 || t.code == 22 || t.code == 13 || t.code == 23) {}  // end tangents
              break;
            default: break;
          }
        }
        loop.edges.push_back(std::move(e));
      }
    }
    if (c.code() == 97) {
      long long nsrc = c.take().asInt();
      for (long long k = 0; k < nsrc && c.code() == 330; ++k) c.take();
    }
    if (h.loops.size() < kMaxVertices) h.loops.push_back(std::move(loop));
  }
  // Pattern and fill data after the boundaries.
  HatchPatternLine* line = nullptr;
  while (!c.done()) {
    const Tag& t = c.take();
    if (t.code >= 1000) break;
    if (commonOrSkip(t)) continue;
    switch (t.code) {
      case 75: h.hatchStyle = clampInt(t.asInt(), 0, 2); break;
      case 76: h.patternType = clampInt(t.asInt(), 0, 2); break;
      case 52: h.patternAngle = angle(t); break;
      case 41: h.patternScale = t.asDouble(); break;
      case 77: h.doubled = t.asInt() != 0; break;
      case 53:
        if (h.patternLines.size() < 10'000) {
          h.patternLines.emplace_back();
          line = &h.patternLines.back();
          line->angle = angle(t);
        } else {
          line = nullptr;
        }
        break;
      case 43: if (line) line->base.x = t.asDouble(); break;
      case 44: if (line) line->base.y = t.asDouble(); break;
      case 45: if (line) line->offset.x = t.asDouble(); break;
      case 46: if (line) line->offset.y = t.asDouble(); break;
      case 49: if (line && line->dashes.size() < 1000) line->dashes.push_back(t.asDouble()); break;
      case 450: h.gradient = t.asInt() != 0; break;
      case 421: if (h.gradientColors.size() < 16) h.gradientColors.push_back(static_cast<std::int32_t>(t.asInt() & 0xFFFFFF)); break;
      default: break;
    }
  }
}

EntityPtr EntityParser::build(std::string_view type) {
  auto is = [&](std::string_view n) { return eq(type, n); };
  // 3DLINE is the pre-R10 name of a LINE with z coordinates.
  if (is("LINE") || is("3DLINE")) {
    auto e = std::make_unique<Line>();
    FOR_OWN_TAGS(*e, { coord(e->start, t, 10) || coord(e->end, t, 11); })
    return e;
  }
  if (is("XLINE") || is("RAY")) {
    auto e = std::make_unique<XLine>(is("RAY") ? EntityType::Ray : EntityType::XLine);
    FOR_OWN_TAGS(*e, { coord(e->base, t, 10) || coord(e->direction, t, 11); })
    return e;
  }
  if (is("POINT")) {
    auto e = std::make_unique<Point>();
    FOR_OWN_TAGS(*e, {
      if (!coord(e->position, t, 10) && t.code == 50) e->angle = angle(t);
    })
    return e;
  }
  if (is("CIRCLE")) {
    auto e = std::make_unique<Circle>();
    FOR_OWN_TAGS(*e, {
      if (!coord(e->center, t, 10) && t.code == 40) e->radius = t.asDouble();
    })
    return e;
  }
  if (is("ARC")) {
    auto e = std::make_unique<Arc>();
    FOR_OWN_TAGS(*e, {
      if (coord(e->center, t, 10)) continue;
      if (t.code == 40) e->radius = t.asDouble();
      else if (t.code == 50) e->startAngle = angle(t);
      else if (t.code == 51) e->endAngle = angle(t);
    })
    return e;
  }
  if (is("ELLIPSE")) {
    auto e = std::make_unique<Ellipse>();
    FOR_OWN_TAGS(*e, {
      if (coord(e->center, t, 10) || coord(e->majorAxis, t, 11)) continue;
      if (t.code == 40) e->ratio = t.asDouble();
      else if (t.code == 41) e->startParam = t.asDouble();
      else if (t.code == 42) e->endParam = t.asDouble();
    })
    return e;
  }
  if (is("LWPOLYLINE")) {
    auto e = std::make_unique<LwPolyline>();
    FOR_OWN_TAGS(*e, {
      switch (t.code) {
        case 10:
          if (e->vertices.size() < kMaxVertices) {
            e->vertices.emplace_back();
            e->vertices.back().pt.x = t.asDouble();
            e->vertices.back().startWidth = e->vertices.back().endWidth = e->constantWidth;
          }
          break;
        case 20: if (!e->vertices.empty()) e->vertices.back().pt.y = t.asDouble(); break;
        case 40: if (!e->vertices.empty()) e->vertices.back().startWidth = t.asDouble(); break;
        case 41: if (!e->vertices.empty()) e->vertices.back().endWidth = t.asDouble(); break;
        case 42: if (!e->vertices.empty()) e->vertices.back().bulge = t.asDouble(); break;
        case 90: {
          // Trust the count only as far as the tags present can fill it.
          long long n = t.asInt();
          if (n > 0) e->vertices.reserve(std::min<std::size_t>(static_cast<std::size_t>(n), tags_.size() / 2));
          break;
        }
        case 43: e->constantWidth = t.asDouble(); break;
        case 38: e->elevation = t.asDouble(); break;
        case 70: {
          long long f = t.asInt();
          e->closed = f & 1;
          e->plinegen = f & 128;
          break;
        }
        default: break;
      }
    })
    return e;
  }
  if (is("POLYLINE")) {
    auto e = std::make_unique<Polyline>();
    Vec3 elev;
    FOR_OWN_TAGS(*e, {
      if (coord(elev, t, 10)) continue;
      switch (t.code) {
        case 70: e->flags = clampInt(t.asInt(), 0, 0xFFFF); break;
        case 40: e->defaultStartWidth = t.asDouble(); break;
        case 41: e->defaultEndWidth = t.asDouble(); break;
        case 71: e->mCount = clampInt(t.asInt(), 0, 1 << 24); break;
        case 72: e->nCount = clampInt(t.asInt(), 0, 1 << 24); break;
        case 75: e->curveType = clampInt(t.asInt(), 0, 8); break;
        default: break;
      }
    })
    e->elevation = elev.z;
    e->closed = e->flags & 1;
    e->nClosed = e->flags & 32;
    e->plinegen = e->flags & 128;
    if (e->flags & 64) e->kind = Polyline::Kind::PolyfaceMesh;
    else if (e->flags & 16) e->kind = Polyline::Kind::PolygonMesh;
    else if (e->flags & 8) e->kind = Polyline::Kind::Polyline3D;
    return e;
  }
  if (is("SPLINE")) {
    auto e = std::make_unique<Spline>();
    FOR_OWN_TAGS(*e, {
      if (coord(e->startTangent, t, 12) || coord(e->endTangent, t, 13)) continue;
      switch (t.code) {
        case 70: e->flags = clampInt(t.asInt(), 0, 0xFFFF); break;
        case 71: e->degree = clampInt(t.asInt(), 1, 30); break;
        case 44: e->fitTolerance = t.asDouble(); break;
        case 40: if (e->knots.size() < kMaxVertices) e->knots.push_back(t.asDouble()); break;
        case 41: if (e->weights.size() < kMaxVertices) e->weights.push_back(t.asDouble()); break;
        case 10: if (e->controlPoints.size() < kMaxVertices) e->controlPoints.push_back({t.asDouble(), 0, 0}); break;
        case 20: if (!e->controlPoints.empty()) e->controlPoints.back().y = t.asDouble(); break;
        case 30: if (!e->controlPoints.empty()) e->controlPoints.back().z = t.asDouble(); break;
        case 11: if (e->fitPoints.size() < kMaxVertices) e->fitPoints.push_back({t.asDouble(), 0, 0}); break;
        case 21: if (!e->fitPoints.empty()) e->fitPoints.back().y = t.asDouble(); break;
        case 31: if (!e->fitPoints.empty()) e->fitPoints.back().z = t.asDouble(); break;
        default: break;
      }
    })
    e->normal = e->extrusion;
    return e;
  }
  if (is("TEXT")) {
    auto e = std::make_unique<Text>();
    parseText(*e, 73);
    return e;
  }
  if (is("ATTDEF")) {
    auto e = std::make_unique<AttDef>();
    parseText(*e, 74);
    return e;
  }
  if (is("MTEXT")) {
    auto e = std::make_unique<MText>();
    std::string raw;
    std::string_view last;
    bool haveDir = false, columns = false;
    double rot = 0;
    bool haveRot = false;
    FOR_OWN_TAGS(*e, {
      if (coord(e->insertion, t, 10)) continue;
      if (coord(e->xAxis, t, 11)) { haveDir = true; continue; }
      switch (t.code) {
        case 1: last = t.str; break;
        case 3: if (raw.size() < (64u << 20)) raw.append(t.str); break;
        case 7: e->style = name(t); break;
        case 40: e->height = t.asDouble(); break;
        case 41: e->refWidth = t.asDouble(); break;
        case 44: e->lineSpacingFactor = t.asDouble(); break;
        case 50: if (!columns) { rot = angle(t); haveRot = true; } break;
        case 71: e->attachment = clampInt(t.asInt(), 1, 9); break;
        case 72: e->drawingDirection = clampInt(t.asInt(), 1, 5); break;
        case 73: e->lineSpacingStyle = clampInt(t.asInt(), 1, 2); break;
        case 75: columns = true; break;
        default: break;
      }
    })
    raw.append(last);
    // Code 3 chunks come first, code 1 holds the last piece; decoding the
    // joined bytes keeps a double-byte character split across chunks intact.
    e->rawText = dec_.decode(raw);
    if (!haveDir && haveRot) e->xAxis = {std::cos(rot), std::sin(rot), 0};
    if (!haveDir && !haveRot) e->xAxis = {1, 0, 0};
    e->paragraphs = parseMText(e->rawText, e->height);
    return e;
  }
  if (is("INSERT")) {
    auto e = std::make_unique<Insert>();
    FOR_OWN_TAGS(*e, {
      if (coord(e->insertion, t, 10)) continue;
      switch (t.code) {
        case 2: e->blockName = name(t); break;
        case 41: e->scale.x = t.asDouble(); break;
        case 42: e->scale.y = t.asDouble(); break;
        case 43: e->scale.z = t.asDouble(); break;
        case 50: e->rotation = angle(t); break;
        case 70: e->columnCount = clampInt(t.asInt(), 1, kMaxArray); break;
        case 71: e->rowCount = clampInt(t.asInt(), 1, kMaxArray); break;
        case 44: e->columnSpacing = t.asDouble(); break;
        case 45: e->rowSpacing = t.asDouble(); break;
        default: break;
      }
    })
    return e;
  }
  if (is("DIMENSION")) {
    auto e = std::make_unique<Dimension>();
    FOR_OWN_TAGS(*e, {
      if (coord(e->defPoint, t, 10) || coord(e->textMid, t, 11) || coord(e->insertion, t, 12) ||
          coord(e->defPoint2, t, 13) || coord(e->defPoint3, t, 14) || coord(e->defPoint4, t, 15) ||
          coord(e->defPoint5, t, 16))
        continue;
      switch (t.code) {
        case 1: e->text = text(t); break;
        case 2: e->blockName = name(t); break;
        case 3: e->style = name(t); break;
        case 70: e->dimType = clampInt(t.asInt(), 0, 255); break;
        case 42: e->measurement = t.asDouble(); break;
        case 50: e->angle = angle(t); break;
        case 53: e->textRotation = angle(t); break;
        default: break;
      }
    })
    return e;
  }
  if (is("LEADER")) {
    auto e = std::make_unique<Leader>();
    FOR_OWN_TAGS(*e, {
      switch (t.code) {
        case 3: e->style = name(t); break;
        case 71: e->arrowHead = t.asInt() != 0; break;
        case 72: e->pathType = clampInt(t.asInt(), 0, 1); break;
        case 75: e->hookline = t.asInt() != 0; break;
        case 40: e->textHeight = t.asDouble(); break;
        case 41: e->textWidth = t.asDouble(); break;
        case 10: if (e->vertices.size() < kMaxVertices) e->vertices.push_back({t.asDouble(), 0, 0}); break;
        case 20: if (!e->vertices.empty()) e->vertices.back().y = t.asDouble(); break;
        case 30: if (!e->vertices.empty()) e->vertices.back().z = t.asDouble(); break;
        case 211: e->horizontalDir.x = t.asDouble(); break;
        case 221: e->horizontalDir.y = t.asDouble(); break;
        case 231: e->horizontalDir.z = t.asDouble(); break;
        default: break;
      }
    })
    e->normal = e->extrusion;
    return e;
  }
  if (is("SOLID") || is("TRACE")) {
    auto e = std::make_unique<Solid>(is("TRACE") ? EntityType::Trace : EntityType::Solid);
    bool have4 = false;
    FOR_OWN_TAGS(*e, {
      for (int k = 0; k < 4; ++k)
        if (coord(e->corners[k], t, 10 + k)) { if (k == 3) have4 = true; break; }
    })
    // Three-cornered solids leave the fourth corner out: it equals the third.
    if (!have4) e->corners[3] = e->corners[2];
    return e;
  }
  if (is("3DFACE")) {
    auto e = std::make_unique<Face3D>();
    bool have4 = false;
    FOR_OWN_TAGS(*e, {
      bool hit = false;
      for (int k = 0; k < 4 && !hit; ++k)
        if (coord(e->corners[k], t, 10 + k)) { hit = true; if (k == 3) have4 = true; }
      if (!hit && t.code == 70) e->invisibleEdges = clampInt(t.asInt(), 0, 15);
    })
    if (!have4) e->corners[3] = e->corners[2];
    return e;
  }
  if (is("HATCH")) {
    auto e = std::make_unique<Hatch>();
    parseHatch(*e);
    return e;
  }
  if (is("IMAGE") || is("WIPEOUT")) {
    auto e = std::make_unique<RasterImage>(is("WIPEOUT") ? EntityType::Wipeout : EntityType::Image);
    FOR_OWN_TAGS(*e, {
      if (coord(e->insertion, t, 10) || coord(e->uVector, t, 11) || coord(e->vVector, t, 12)) continue;
      switch (t.code) {
        case 13: e->imageSize.x = t.asDouble(); break;
        case 23: e->imageSize.y = t.asDouble(); break;
        case 14: if (e->clipBoundary.size() < kMaxVertices) e->clipBoundary.push_back({t.asDouble(), 0}); break;
        case 24: if (!e->clipBoundary.empty()) e->clipBoundary.back().y = t.asDouble(); break;
        case 70: e->displayFlags = clampInt(t.asInt(), 0, 0xFFFF); break;
        case 71: e->clipType = clampInt(t.asInt(), 1, 2); break;
        case 280: e->clipping = t.asInt() != 0; break;
        case 281: e->brightness = clampInt(t.asInt(), 0, 100); break;
        case 282: e->contrast = clampInt(t.asInt(), 0, 100); break;
        case 283: e->fade = clampInt(t.asInt(), 0, 100); break;
        case 340: e->imageDefHandle = t.asHandle(); break;
        default: break;
      }
    })
    return e;
  }
  return nullptr;
}

std::size_t EntityParser::readEntities(Tokenizer& tz, EntityList& out, EntityList* paper) {
  std::size_t stored = 0;
  Tag t;
  while (tz.next(t)) {
    if (t.code != 0) continue;  // stray tag outside any entity
    std::string_view type = trimView(t.str);
    if (isTerminator(type)) {
      tz.pushBack(t);
      break;
    }
    readBody(tz);
    // An entity cut short by a damaged tag is not trusted.
    if (tz.error() != Tokenizer::Error::None) break;
    if (eq(type, "SEQEND")) continue;
    EntityPtr e = build(type);
    if (!e) {
      ++skipped_[std::string(type.substr(0, 64))];
      continue;
    }
    if (auto* pl = e->as<Polyline>()) readVertices(tz, *pl);
    if (auto* ins = e->as<Insert>()) readAttribs(tz, *ins);
    if (total_ >= kMaxEntities) {
      ++skipped_["LIMIT"];
      continue;
    }
    ++total_;
    ++stored;
    if (paper && e->paperSpace) paper->push_back(std::move(e));
    else out.push_back(std::move(e));
  }
  return stored;
}

}  // namespace cad::dxf
