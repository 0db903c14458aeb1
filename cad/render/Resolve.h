#pragma once
// Resolve step: drawing model to primitives. Applies layer state, colours
// (index, true colour, BYLAYER, BYBLOCK through nested inserts), linetypes,
// block expansion and curve tessellation once, so frames only draw.

#include <cstddef>
#include <memory>

#include "cad/model/Drawing.h"
#include "cad/render/Primitives.h"

namespace cad::render {

struct ResolveOptions {
    // Chord tolerance as a fraction of the drawing's diagonal.
    double relativeTolerance = 1e-5;
    // Guards against drawings that expand without bound (huge arrays, deep
    // nesting): past these the result is marked truncated.
    std::size_t maxPoints = 60'000'000;
    int maxBlockDepth = 24;
};

std::shared_ptr<ResolvedDrawing> resolveDrawing(const cad::Drawing& drawing,
                                                const ResolveOptions& options = {});

}  // namespace cad::render
