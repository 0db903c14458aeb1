// libFuzzer entry point for the DWG reader (built with -DPLENDOR_FUZZ=ON).
#include <cstddef>
#include <cstdint>

#include "cad/dwg/DwgReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const cad::LoadResult r = cad::dwg::readDwg(data, size);
    // A failure must always explain itself; a success must carry a drawing.
    if ((r.status == cad::LoadStatus::Ok) != (r.drawing != nullptr))
        __builtin_trap();
    if (r.status != cad::LoadStatus::Ok && r.message.empty())
        __builtin_trap();
    return 0;
}
