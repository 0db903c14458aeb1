#include <algorithm>
#include <cmath>

#include "cad/render/Primitives.h"

namespace cad::render {

void SpatialGrid::build(const std::vector<Prim>& prims, const Box2& extents) {
    area = extents;
    cellBounds.clear();
    cellStart.clear();
    items.clear();
    for (const Prim& p : prims) area.add(p.box);
    if (area.empty() || prims.empty()) {
        cols = rows = 0;
        return;
    }
    // About sixteen primitives per cell, cells roughly square.
    const double cells = std::clamp(double(prims.size()) / 16, 1.0, double(1 << 20));
    const double w = std::max(area.width(), 1e-9), h = std::max(area.height(), 1e-9);
    cols = std::clamp(int(std::sqrt(cells * w / h)), 1, 4096);
    rows = std::clamp(int(cells / cols), 1, 4096);
    const std::size_t n = std::size_t(cols) * std::size_t(rows);

    auto cellOf = [&](const Box2& b) {
        const Vec2 c = b.centre();
        const int cx = std::clamp(int((c.x - area.minX) / w * cols), 0, cols - 1);
        const int cy = std::clamp(int((c.y - area.minY) / h * rows), 0, rows - 1);
        return std::size_t(cy) * std::size_t(cols) + std::size_t(cx);
    };
    std::vector<std::uint32_t> cellOfPrim(prims.size());
    cellStart.assign(n + 1, 0);
    cellBounds.assign(n, Box2{});
    for (std::size_t i = 0; i < prims.size(); ++i) {
        if (prims[i].box.empty()) {
            cellOfPrim[i] = std::uint32_t(n);  // not indexed: nothing to draw
            continue;
        }
        const std::size_t c = cellOf(prims[i].box);
        cellOfPrim[i] = std::uint32_t(c);
        ++cellStart[c + 1];
        cellBounds[c].add(prims[i].box);
    }
    for (std::size_t c = 0; c < n; ++c) cellStart[c + 1] += cellStart[c];
    items.resize(cellStart[n]);
    std::vector<std::uint32_t> fill(cellStart.begin(), cellStart.end() - 1);
    for (std::size_t i = 0; i < prims.size(); ++i)
        if (cellOfPrim[i] < n) items[fill[cellOfPrim[i]]++] = std::uint32_t(i);
}

void SpatialGrid::query(const Box2& view, std::size_t primCount, std::vector<std::uint32_t>& out,
                        std::vector<std::uint8_t>& mask) const {
    out.clear();
    const std::size_t n = cellBounds.size();
    std::size_t total = 0;
    for (std::size_t c = 0; c < n; ++c)
        if (cellBounds[c].intersects(view)) total += cellStart[c + 1] - cellStart[c];
    if (total == 0) return;
    out.reserve(total);
    if (total * 16 < primCount) {
        // Few: gather and sort.
        for (std::size_t c = 0; c < n; ++c)
            if (cellBounds[c].intersects(view)) out.insert(out.end(), items.begin() + cellStart[c], items.begin() + cellStart[c + 1]);
        std::sort(out.begin(), out.end());
        return;
    }
    // Many: mark, then read the marks in order.
    mask.assign(primCount, 0);
    for (std::size_t c = 0; c < n; ++c)
        if (cellBounds[c].intersects(view))
            for (std::uint32_t k = cellStart[c]; k < cellStart[c + 1]; ++k) mask[items[k]] = 1;
    for (std::size_t i = 0; i < primCount; ++i)
        if (mask[i]) out.push_back(std::uint32_t(i));
}

}  // namespace cad::render
