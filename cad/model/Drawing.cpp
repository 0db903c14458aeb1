#include "cad/model/Drawing.h"

#include <algorithm>
#include <cmath>

namespace cad {

void Box3::add(const Vec3& p) {
  if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return;
  min.x = std::min(min.x, p.x);
  min.y = std::min(min.y, p.y);
  min.z = std::min(min.z, p.z);
  max.x = std::max(max.x, p.x);
  max.y = std::max(max.y, p.y);
  max.z = std::max(max.z, p.z);
}

void Box3::merge(const Box3& b) {
  if (!b.valid()) return;
  add(b.min);
  add(b.max);
}

namespace {

Vec3 cross(const Vec3& a, const Vec3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vec3 normalized(const Vec3& v) {
  double l = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  if (!(l > 0)) return {0, 0, 1};
  return {v.x / l, v.y / l, v.z / l};
}

}  // namespace

Vec3 ocsToWcs(const Vec3& p, const Vec3& normal) {
  if (normal.x == 0 && normal.y == 0 && normal.z == 1) return p;
  Vec3 n = normalized(normal);
  if (n.x == 0 && n.y == 0 && n.z > 0) return p;
  // Arbitrary axis algorithm: the x axis comes from world Y or Z depending on
  // how close the normal is to the world Z axis.
  const double limit = 1.0 / 64.0;
  Vec3 ax = (std::fabs(n.x) < limit && std::fabs(n.y) < limit) ? cross({0, 1, 0}, n)
                                                                 : cross({0, 0, 1}, n);
  ax = normalized(ax);
  Vec3 ay = normalized(cross(n, ax));
  return {p.x * ax.x + p.y * ay.x + p.z * n.x, p.x * ax.y + p.y * ay.y + p.z * n.y,
          p.x * ax.z + p.y * ay.z + p.z * n.z};
}

std::string_view entityTypeName(EntityType t) {
  static constexpr std::string_view names[] = {
      "LINE",   "XLINE",  "RAY",    "POINT",     "CIRCLE", "ARC",     "ELLIPSE", "LWPOLYLINE",
      "POLYLINE", "SPLINE", "TEXT", "ATTRIB",    "ATTDEF", "MTEXT",   "INSERT",  "DIMENSION",
      "LEADER", "SOLID",  "TRACE",  "3DFACE",    "HATCH",  "WIPEOUT", "IMAGE"};
  static_assert(sizeof(names) / sizeof(names[0]) == static_cast<std::size_t>(EntityType::Count_));
  auto i = static_cast<std::size_t>(t);
  return i < std::size(names) ? names[i] : std::string_view("?");
}

double MText::rotation() const { return std::atan2(xAxis.y, xAxis.x); }

std::string upperAscii(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return r;
}

namespace {

template <class T>
const T* findIn(const std::vector<T>& v, const std::map<std::string, std::size_t, std::less<>>& idx,
                bool indexed, std::string_view name) {
  std::string key = upperAscii(name);
  if (indexed) {
    auto it = idx.find(key);
    if (it != idx.end() && it->second < v.size()) return &v[it->second];
    return nullptr;
  }
  for (const T& x : v)
    if (upperAscii(x.name) == key) return &x;
  return nullptr;
}

template <class T>
void indexOf(const std::vector<T>& v, std::map<std::string, std::size_t, std::less<>>& idx) {
  idx.clear();
  // The first definition wins when a hostile file repeats a name.
  for (std::size_t i = 0; i < v.size(); ++i) idx.emplace(upperAscii(v[i].name), i);
}

}  // namespace

const Layer* Drawing::findLayer(std::string_view name) const {
  return findIn(layers, layerIndex_, indexed_, name);
}
const Linetype* Drawing::findLinetype(std::string_view name) const {
  return findIn(linetypes, linetypeIndex_, indexed_, name);
}
const TextStyle* Drawing::findTextStyle(std::string_view name) const {
  return findIn(textStyles, styleIndex_, indexed_, name);
}
const Block* Drawing::findBlock(std::string_view name) const {
  return findIn(blocks, blockIndex_, indexed_, name);
}

void Drawing::buildIndex() {
  indexOf(layers, layerIndex_);
  indexOf(linetypes, linetypeIndex_);
  indexOf(textStyles, styleIndex_);
  indexOf(blocks, blockIndex_);
  indexed_ = true;
}

std::map<std::string, int> Drawing::entityCounts() const {
  std::map<std::string, int> counts;
  for (const auto& e : entities) ++counts[std::string(e->typeName())];
  return counts;
}

}  // namespace cad
