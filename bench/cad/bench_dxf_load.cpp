// DXF load throughput (MB/s) on the largest sample and on a generated large
// drawing, and heap bytes held per entity once loaded.
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cad/io/DrawingLoader.h"

namespace fs = std::filesystem;

namespace {

std::size_t heapInUse() {
  struct mallinfo2 mi = mallinfo2();
  return mi.uordblks + mi.hblkhd;
}

double cpuMs() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

long rssKb() {
  std::ifstream f("/proc/self/status");
  std::string line;
  while (std::getline(f, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return 0;
}

// Best and median of several loads of the same bytes (file already in the
// page cache, so this is parse speed, not disk speed).
void measure(const std::string& label, const std::string& path, int runs) {
  std::uintmax_t bytes = fs::file_size(path);
  std::vector<double> ms, cpu;
  std::size_t entities = 0;
  for (int i = 0; i < runs; ++i) {
    double c0 = cpuMs();
    auto t0 = std::chrono::steady_clock::now();
    cad::LoadResult r = cad::loadDrawingFile(path);
    auto t1 = std::chrono::steady_clock::now();
    cpu.push_back(cpuMs() - c0);
    if (r.status != cad::LoadStatus::Ok) {
      std::printf("%s: load failed: %s\n", label.c_str(), r.message.c_str());
      return;
    }
    entities = r.drawing->entities.size();
    for (const auto& b : r.drawing->blocks) entities += b.entities.size();
    ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
  }
  std::sort(ms.begin(), ms.end());
  std::sort(cpu.begin(), cpu.end());
  double mb = static_cast<double>(bytes) / 1e6;
  std::printf("%-26s %7.2f MB %7zu entities  wall best %7.1f ms (%6.1f MB/s) median %7.1f ms (%6.1f MB/s)"
              "  cpu best %7.1f ms (%6.1f MB/s)\n",
              label.c_str(), mb, entities, ms.front(), mb / (ms.front() / 1e3), ms[ms.size() / 2],
              mb / (ms[ms.size() / 2] / 1e3), cpu.front(), mb / (cpu.front() / 1e3));
}

// A drawing in the mix of a typical plan: lines, polylines, arcs, circles, text.
std::string generate(const fs::path& path, int groups) {
  std::ofstream f(path, std::ios::binary);
  f << "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1015\n9\n$DWGCODEPAGE\n3\nANSI_936\n0\nENDSEC\n";
  f << "0\nSECTION\n2\nENTITIES\n";
  char buf[512];
  for (int i = 0; i < groups; ++i) {
    double x = (i % 1000) * 10.0, y = (i / 1000) * 10.0;
    std::snprintf(buf, sizeof buf,
                  "0\nLINE\n5\n%X\n100\nAcDbEntity\n8\nWALLS\n100\nAcDbLine\n10\n%.6f\n20\n%.6f\n30\n0.0\n11\n%.6f\n21\n%.6f\n31\n0.0\n",
                  i * 5 + 1, x, y, x + 7.5, y + 2.25);
    f << buf;
    std::snprintf(buf, sizeof buf,
                  "0\nLWPOLYLINE\n5\n%X\n100\nAcDbEntity\n8\nFURNITURE\n100\nAcDbPolyline\n90\n4\n70\n1\n"
                  "10\n%.6f\n20\n%.6f\n10\n%.6f\n20\n%.6f\n42\n0.414214\n10\n%.6f\n20\n%.6f\n10\n%.6f\n20\n%.6f\n",
                  i * 5 + 2, x, y, x + 5, y, x + 5, y + 5, x, y + 5);
    f << buf;
    std::snprintf(buf, sizeof buf,
                  "0\nCIRCLE\n5\n%X\n100\nAcDbEntity\n8\nCOLUMNS\n62\n1\n100\nAcDbCircle\n10\n%.6f\n20\n%.6f\n30\n0.0\n40\n1.25\n",
                  i * 5 + 3, x + 2, y + 2);
    f << buf;
    std::snprintf(buf, sizeof buf,
                  "0\nARC\n5\n%X\n100\nAcDbEntity\n8\nDOORS\n100\nAcDbCircle\n10\n%.6f\n20\n%.6f\n30\n0.0\n40\n0.9\n100\nAcDbArc\n50\n0.0\n51\n90.0\n",
                  i * 5 + 4, x, y);
    f << buf;
    std::snprintf(buf, sizeof buf,
                  "0\nTEXT\n5\n%X\n100\nAcDbEntity\n8\nTEXT\n100\nAcDbText\n10\n%.6f\n20\n%.6f\n30\n0.0\n40\n2.5\n1\nROOM %d \xB7\xBF\xBC\xE4\n100\nAcDbText\n",
                  i * 5 + 5, x + 1, y + 1, i);
    f << buf;
  }
  f << "0\nENDSEC\n0\nEOF\n";
  return path.string();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) files.emplace_back(argv[i]);
  if (files.empty()) {
    // The largest sample DXF.
    fs::path best;
    std::uintmax_t bestSize = 0;
    fs::path dir = fs::path(PLENDOR_SAMPLES_DIR) / "dxf";
    if (fs::exists(dir))
      for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file() && e.file_size() > bestSize) {
          bestSize = e.file_size();
          best = e.path();
        }
    if (!best.empty()) files.push_back(best.string());
  }
  for (const auto& f : files) measure(fs::path(f).filename().string(), f, 15);

  fs::path tmp = fs::temp_directory_path() / ("plendor_bench_" + std::to_string(::getpid()) + ".dxf");
  const int groups = 100000;  // five entities each
  std::string big = generate(tmp, groups);
  measure("generated (500k entities)", big, 5);

  // Heap held by a loaded drawing, per entity.
  malloc_trim(0);
  std::size_t heap0 = heapInUse();
  long rss0 = rssKb();
  {
    cad::LoadResult r = cad::loadDrawingFile(big);
    malloc_trim(0);
    std::size_t heap1 = heapInUse();
    long rss1 = rssKb();
    double n = static_cast<double>(r.drawing ? r.drawing->entities.size() : 1);
    std::printf("memory: %.0f heap bytes/entity, %.0f RSS bytes/entity over %.0f entities\n",
                (static_cast<double>(heap1) - static_cast<double>(heap0)) / n,
                (static_cast<double>(rss1 - rss0) * 1024.0) / n, n);
  }
  fs::remove(tmp);
  return 0;
}
