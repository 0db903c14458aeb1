// Load speed (MB/s) and heap per entity of the DWG reader, with the DXF
// reader on the same drawing for comparison. Best of several runs; the
// files are read into memory first so only parsing is timed.
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cad/dwg/DwgReader.h"
#include "cad/io/DrawingLoader.h"

namespace {

std::vector<std::uint8_t> readFile(const std::string& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), {});
}

std::size_t entityCount(const cad::Drawing& d)
{
    std::size_t n = d.entities.size() + d.paperSpaceEntities.size();
    for (const auto& b : d.blocks)
        n += b.entities.size();
    return n;
}

void measure(const std::string& path)
{
    const auto bytes = readFile(path);
    if (bytes.empty()) {
        std::printf("%s: cannot read\n", path.c_str());
        return;
    }
    const double mb = static_cast<double>(bytes.size()) / (1024.0 * 1024.0);
    double best = 1e300;
    std::size_t ents = 0;
    int runs = 0;
    const auto tEnd = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    do {
        const auto t0 = std::chrono::steady_clock::now();
        const auto r = cad::loadDrawingBytes(bytes.data(), bytes.size());
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (r.status != cad::LoadStatus::Ok) {
            std::printf("%s: %s\n", path.c_str(), r.message.c_str());
            return;
        }
        ents = entityCount(*r.drawing);
        best = std::min(best, s);
        ++runs;
    } while (std::chrono::steady_clock::now() < tEnd || runs < 3);

    // Heap held by one loaded drawing.
    const auto before = mallinfo2().uordblks;
    auto held = cad::loadDrawingBytes(bytes.data(), bytes.size());
    const auto after = mallinfo2().uordblks;
    const double perEntity = ents ? static_cast<double>(after - before) / static_cast<double>(ents) : 0;
    std::printf("%-70s %7.3f MB %8.2f ms %8.1f MB/s %8zu entities %7.0f bytes/entity (%s)\n",
                path.c_str(), mb, best * 1000, mb / best, ents, perEntity, held.format.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i)
        files.emplace_back(argv[i]);
    if (files.empty()) {
        const std::string s = PLENDOR_SAMPLES_DIR;
        files = {
            s + "/dwg/AC1015/libopencad/tests/data/r2000/256_lwpolylines_7vertexes.dwg",
            s + "/dwg/AC1014/nextgis/shir/spline2d_R14.dwg",
            s + "/dwg/AC1015/aspose-java/DWGDrawings/sample_file.dwg",
            s + "/dwg/AC1015/libredwg/2000/TS1.dwg",
            s + "/dxf/libredwg/2000/TS1.dxf",
            s + "/dwg/AC1015/acadsharp/sample_2000.dwg",
            s + "/dxf/acadsharp/sample_2000_ascii.dxf",
            s + "/dxf/acadsharp/sample_2000_binary.dxf",
        };
    }
    for (const auto& f : files)
        measure(f);
    return 0;
}
