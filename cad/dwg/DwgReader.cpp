#include "cad/dwg/DwgReader.h"

#include <chrono>
#include <new>

#include "cad/dwg/DwgFile.h"
#include "cad/dwg/DwgHeaderVars.h"
#include "cad/dwg/DwgObjects.h"
#include "cad/dwg/DwgText.h"

namespace cad::dwg {

std::string dwgVersionCode(const std::uint8_t* data, std::size_t size)
{
    if (!data || size < 6 || data[0] != 'A' || data[1] != 'C')
        return {};
    std::string code(reinterpret_cast<const char*>(data), 6);
    for (char c : code.substr(2))
        if (!(c >= '0' && c <= '9') && c != '.')
            return {};
    return code;
}

namespace {

LoadResult fail(LoadStatus s, std::string message)
{
    LoadResult r;
    r.status = s;
    r.format = "DWG";
    r.message = std::move(message);
    return r;
}

LoadResult readSupported(const std::uint8_t* data, std::size_t size, Ver ver,
                         const std::string& code)
{
    DwgFile f;
    f.ver = ver;
    f.versionCode = code;
    try {
        if (ver <= Ver::R2000)
            readR13Structure(data, size, f);
        else
            readR2004Structure(data, size, f);
    } catch (const DwgError&) {
        return fail(LoadStatus::Damaged, "图形文件已损坏：无法读取文件结构（对象表）。");
    } catch (const std::bad_alloc&) {
        return fail(LoadStatus::Damaged, "图形文件已损坏：无法读取文件结构（对象表）。");
    }
    if (f.objectMap.empty())
        return fail(LoadStatus::Damaged, "图形文件已损坏：对象表为空。");

    LoadResult r;
    r.format = "DWG";
    auto drawing = std::make_shared<Drawing>();
    CodePage cp(f.codePage);
    drawing->header.version = code;
    drawing->header.codepage = cp.name();

    HeaderVars hv;
    if (!f.headerData.empty()) {
        BitReader hr(f.headerData.data(), f.headerData.size(), ver);
        hr.setCodePage(&cp);
        BitReader str, handles;
        try {
            if (ver >= Ver::R2007) {
                // Data, then strings, then from the size in bits on the handles.
                const std::uint64_t endBit = hr.RL();
                handles = hr;
                handles.seekBit(endBit);
                attachStringStream(hr, str, endBit);
                readHeaderVars(hr, handles, hv);
            } else {
                readHeaderVars(hr, hr, hv);
            }
        } catch (const DwgError&) {
            hv = HeaderVars{};
            ++r.skipped["头变量"];
        }
    }
    try {
        parseClasses(f, &cp);
    } catch (const DwgError&) {
        ++r.skipped["类定义"];
    }
    for (const auto& [k, v] : f.problems)
        r.skipped[k] += v;

    ObjectDecoder dec(f, cp);
    dec.decodeAll(r.skipped);
    assembleDrawing(f, hv, dec.entities(), dec.tables(), *drawing, r.skipped);

    const auto damaged = r.skipped.find("损坏的对象");
    if (drawing->layers.empty() && drawing->entities.empty() && damaged != r.skipped.end()
        && damaged->second >= static_cast<int>(f.objectMap.size()))
        return fail(LoadStatus::Damaged, "图形文件已损坏：没有可读取的对象。");
    r.drawing = std::move(drawing);
    return r;
}

} // namespace

LoadResult readDwg(const std::uint8_t* data, std::size_t size)
{
    const auto t0 = std::chrono::steady_clock::now();
    LoadResult r;
    const std::string v = dwgVersionCode(data, size);
    if (v.empty()) {
        r = fail(LoadStatus::NotADrawing, "文件不是有效的 DWG 图纸。");
    } else if (size > limits::kMaxFileBytes) {
        r = fail(LoadStatus::Damaged, "图形文件过大，无法读取。");
    } else {
        Ver ver;
        if (!versionFromCode(v, ver)) {
            if (v < "AC1012" || v[2] == '.')
                r = fail(LoadStatus::UnsupportedVersion,
                         "不支持 R12 及更早版本的 DWG 图纸（" + v + "）。");
            else
                r = fail(LoadStatus::UnsupportedVersion, "未知的 DWG 版本（" + v + "）。");
        } else if (ver == Ver::R2007) {
            r = fail(LoadStatus::UnsupportedVersion,
                     "暂不支持显示 2007 格式的 DWG 图纸（" + v + "），仅显示预览图。");
        } else {
            try {
                r = readSupported(data, size, ver, v);
            } catch (const std::exception&) {
                r = fail(LoadStatus::Damaged, "图形文件已损坏，无法读取。");
            }
        }
    }
    r.loadMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                   .count();
    return r;
}

} // namespace cad::dwg
