#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "cad/dwg/DwgObjects.h"

namespace cad::dwg {

namespace {

constexpr unsigned kAttribType = 2;
constexpr unsigned kSeqendType = 6;

std::string nameOr(const std::unordered_map<std::uint64_t, std::string>& m, std::uint64_t h,
                   const std::string& fallback)
{
    const auto it = m.find(h);
    return it == m.end() || it->second.empty() ? fallback : it->second;
}

// Orders the members of one container: first along the stored order (owned
// list or first/next chain), then whatever the order missed, by handle.
std::vector<std::size_t> orderMembers(const std::vector<std::size_t>& members,
                                      const std::vector<std::uint64_t>& ownedList,
                                      std::uint64_t first, std::uint64_t last,
                                      const std::vector<RawEntity>& ents,
                                      const std::unordered_map<std::uint64_t, std::size_t>& byHandle)
{
    std::vector<std::size_t> out;
    out.reserve(members.size());
    std::unordered_set<std::size_t> memberSet(members.begin(), members.end());
    std::unordered_set<std::size_t> taken;
    auto take = [&](std::uint64_t h) -> const RawEntity* {
        const auto it = byHandle.find(h);
        if (it == byHandle.end() || !memberSet.count(it->second) || taken.count(it->second))
            return nullptr;
        taken.insert(it->second);
        out.push_back(it->second);
        return &ents[it->second];
    };
    if (!ownedList.empty()) {
        for (std::uint64_t h : ownedList)
            take(h);
    } else if (first != 0) {
        std::uint64_t h = first;
        for (std::size_t guard = 0; guard <= members.size(); ++guard) {
            const RawEntity* e = take(h);
            if (!e || h == last || !e->hasLinks)
                break;
            h = e->next;
        }
    }
    if (out.size() < members.size()) {
        std::vector<std::size_t> rest;
        for (std::size_t i : members)
            if (!taken.count(i))
                rest.push_back(i);
        std::sort(rest.begin(), rest.end(),
                  [&](std::size_t a, std::size_t b) { return ents[a].handle < ents[b].handle; });
        out.insert(out.end(), rest.begin(), rest.end());
    }
    return out;
}

} // namespace

void assembleDrawing(const DwgFile& f, const HeaderVars& hv, std::vector<RawEntity>& ents,
                     RawTables& t, Drawing& d, std::map<std::string, int>& skipped)
{
    (void)f;
    std::unordered_map<std::uint64_t, std::string> layerNames, ltNames, styleNames, dimNames,
        blockNames;
    for (const auto& [h, l] : t.layers)
        layerNames[h] = l.name;
    for (const auto& [h, lt] : t.linetypes)
        ltNames[h] = lt.name;
    for (const auto& [h, s] : t.styles)
        styleNames[h] = s.name;
    for (const auto& [h, s] : t.dimstyles)
        dimNames[h] = s;
    for (const auto& b : t.blockHeaders)
        blockNames[b.handle] = b.name;

    for (auto& [h, l] : t.layers) {
        const auto it = t.layerLinetype.find(h);
        if (it != t.layerLinetype.end())
            l.linetype = nameOr(ltNames, it->second, "CONTINUOUS");
        d.layers.push_back(l);
    }
    for (auto& [h, lt] : t.linetypes)
        d.linetypes.push_back(std::move(lt));
    for (auto& [h, s] : t.styles)
        d.textStyles.push_back(std::move(s));

    std::unordered_map<std::uint64_t, std::size_t> byHandle;
    byHandle.reserve(ents.size());
    for (std::size_t i = 0; i < ents.size(); ++i)
        byHandle.emplace(ents[i].handle, i);

    // Common properties by name.
    for (RawEntity& e : ents) {
        if (!e.ent)
            continue;
        Entity& x = *e.ent;
        x.handle = e.handle;
        x.layer = nameOr(layerNames, e.layer, "0");
        switch (e.ltFlags) {
        case 1: x.linetype = "BYBLOCK"; break;
        case 2: x.linetype = "CONTINUOUS"; break;
        case 3: x.linetype = nameOr(ltNames, e.ltype, "BYLAYER"); break;
        default: x.linetype = "BYLAYER"; break;
        }
        if (auto* tx = x.as<Text>())
            tx->style = nameOr(styleNames, e.ref1, "STANDARD");
        else if (auto* mt = x.as<MText>())
            mt->style = nameOr(styleNames, e.ref1, "STANDARD");
        else if (auto* ins = x.as<Insert>())
            ins->blockName = nameOr(blockNames, e.ref1, "");
        else if (auto* dim = x.as<Dimension>()) {
            dim->style = nameOr(dimNames, e.ref1, "STANDARD");
            dim->blockName = nameOr(blockNames, e.ref2, "");
        } else if (auto* ld = x.as<Leader>())
            ld->style = nameOr(dimNames, e.ref1, "STANDARD");
        else if (auto* im = x.as<RasterImage>()) {
            const auto it = t.imageDefs.find(e.ref1);
            if (it != t.imageDefs.end())
                im->filePath = it->second;
        }
    }

    // Children of polylines and inserts.
    std::unordered_map<std::uint64_t, std::vector<std::size_t>> children;
    for (std::size_t i = 0; i < ents.size(); ++i) {
        const RawEntity& e = ents[i];
        if (e.entMode == 0 && (e.hasVertex || e.type == kAttribType || e.type == kSeqendType))
            children[e.owner].push_back(i);
    }
    std::vector<bool> consumed(ents.size(), false);
    for (std::size_t i = 0; i < ents.size(); ++i) {
        RawEntity& e = ents[i];
        if (!e.ent)
            continue;
        auto* pl = e.ent->as<Polyline>();
        auto* ins = e.ent->as<Insert>();
        if (!pl && !ins)
            continue;
        const auto it = children.find(e.handle);
        if (it == children.end())
            continue;
        const auto order = orderMembers(it->second, e.owned, e.ref2, e.ref3, ents, byHandle);
        for (std::size_t k : order) {
            RawEntity& c = ents[k];
            consumed[k] = true;
            if (pl && c.hasVertex) {
                pl->vertices.push_back(c.vertex);
            } else if (ins && c.ent) {
                if (auto* a = c.ent->as<Attrib>())
                    ins->attributes.push_back(std::move(*a));
                c.ent.reset();
            }
        }
        if (pl) {
            pl->closed = pl->flags & 1;
            pl->nClosed = pl->flags & 32;
            pl->plinegen = pl->flags & 128;
            if (pl->kind == Polyline::Kind::Polyline2D)
                for (auto& v : pl->vertices)
                    v.pt.z = pl->elevation;
        }
    }

    // Containers: model space, paper space, and every block.
    const RawBlockHeader* model = nullptr;
    const RawBlockHeader* paper = nullptr;
    for (const auto& b : t.blockHeaders) {
        const std::string up = upperAscii(b.name);
        if ((hv.complete && b.handle == hv.modelSpace) || (!model && up == "*MODEL_SPACE"))
            model = &b;
        else if ((hv.complete && b.handle == hv.paperSpace) || (!paper && up == "*PAPER_SPACE"))
            paper = &b;
    }
    std::vector<std::size_t> modelMembers, paperMembers;
    std::unordered_map<std::uint64_t, std::vector<std::size_t>> blockMembers;
    for (std::size_t i = 0; i < ents.size(); ++i) {
        const RawEntity& e = ents[i];
        if (!e.ent || consumed[i])
            continue;
        if (e.entMode == 2 || (model && e.entMode == 0 && e.owner == model->handle))
            modelMembers.push_back(i);
        else if (e.entMode == 1 || (paper && e.entMode == 0 && e.owner == paper->handle))
            paperMembers.push_back(i);
        else if (e.entMode == 0)
            blockMembers[e.owner].push_back(i);
    }
    static const std::vector<std::uint64_t> kNone;
    auto moveInto = [&](const std::vector<std::size_t>& order, EntityList& out) {
        out.reserve(out.size() + order.size());
        for (std::size_t k : order)
            out.push_back(std::move(ents[k].ent));
    };
    moveInto(orderMembers(modelMembers, model ? model->owned : kNone,
                          model ? model->firstEntity : 0, model ? model->lastEntity : 0, ents,
                          byHandle),
             d.entities);
    moveInto(orderMembers(paperMembers, paper ? paper->owned : kNone,
                          paper ? paper->firstEntity : 0, paper ? paper->lastEntity : 0, ents,
                          byHandle),
             d.paperSpaceEntities);
    for (const auto& b : t.blockHeaders) {
        if (&b == model)
            continue;
        Block blk;
        blk.name = b.name;
        blk.basePoint = b.base;
        blk.flags = b.flags;
        blk.xrefPath = b.xrefPath;
        blk.description = b.description;
        if (&b != paper) {
            const auto it = blockMembers.find(b.handle);
            if (it != blockMembers.end())
                moveInto(orderMembers(it->second, b.owned, b.firstEntity, b.lastEntity, ents,
                                      byHandle),
                         blk.entities);
        }
        d.blocks.push_back(std::move(blk));
    }
    // Entities whose owner is missing are lost with it; say so.
    for (const auto& e : ents)
        if (e.ent)
            ++skipped["无主实体"];

    Header& h = d.header;
    h.insUnits = hv.insUnits;
    h.ltScale = hv.ltScale;
    h.celtScale = hv.celtScale;
    h.psLtScale = hv.psLtScale;
    h.extMin = Vec3{hv.extMin.x, hv.extMin.y, hv.extMin.z};
    h.extMax = Vec3{hv.extMax.x, hv.extMax.y, hv.extMax.z};
    h.hasExtents = hv.complete && hv.extMin.x <= hv.extMax.x && hv.extMin.y <= hv.extMax.y;
    h.limMin = Vec2{hv.limMin.x, hv.limMin.y};
    h.limMax = Vec2{hv.limMax.x, hv.limMax.y};
    h.pdMode = hv.pdMode;
    h.pdSize = hv.pdSize;
    h.textSize = hv.textSize;
    h.textStyle = nameOr(styleNames, hv.textStyle, "STANDARD");
    h.fillMode = hv.fillMode;
    h.lwDisplay = hv.lwDisplay;
    d.buildIndex();
}

} // namespace cad::dwg
