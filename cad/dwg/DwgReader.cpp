#include "cad/dwg/DwgReader.h"

#include <cstring>

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

LoadResult readDwg(const std::uint8_t* data, std::size_t size)
{
    LoadResult r;
    r.format = "DWG";
    const std::string v = dwgVersionCode(data, size);
    if (v.empty()) {
        r.status = LoadStatus::NotADrawing;
        r.message = "文件不是有效的 DWG 图纸";
        return r;
    }
    r.status = LoadStatus::UnsupportedVersion;
    if (v == "AC1012" || v == "AC1014" || v == "AC1015" || v == "AC1018" || v == "AC1021"
        || v == "AC1024" || v == "AC1027" || v == "AC1032")
        r.message = "暂不支持显示此版本的 DWG 图纸（" + v + "），仅显示预览图";
    else if (v.size() == 6 && (v < "AC1012" || v[2] == '.'))
        r.message = "不支持 R12 及更早版本的 DWG 图纸（" + v + "）";
    else
        r.message = "未知的 DWG 版本（" + v + "）";
    return r;
}

} // namespace cad::dwg
