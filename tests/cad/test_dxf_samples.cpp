// Every public sample DXF, read where it lies: loads cleanly, entity counts
// agree with an independent scan, binary and ASCII twins agree, and cut-off
// copies never crash.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "cad/dxf/DxfReader.h"
#include "cad/io/DrawingLoader.h"

namespace fs = std::filesystem;

namespace {

const fs::path kDxfDir = fs::path(PLENDOR_SAMPLES_DIR) / "dxf";

std::vector<fs::path> sampleFiles() {
  std::vector<fs::path> v;
  if (!fs::exists(kDxfDir)) return v;
  for (const auto& e : fs::recursive_directory_iterator(kDxfDir))
    if (e.is_regular_file()) v.push_back(e.path());
  std::sort(v.begin(), v.end());
  return v;
}

std::string readAll(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

std::string rel(const fs::path& p) { return fs::relative(p, kDxfDir).generic_string(); }

bool isBinaryDxf(const std::string& s) { return s.rfind("AutoCAD Binary DXF", 0) == 0; }

// Deliberately simple line scan, independent of the reader: counts the
// model-space entities of the ENTITIES section by type.
std::map<std::string, int> scanEntityCounts(const std::string& s) {
  static const std::set<std::string> kept = {
      "LINE", "XLINE", "RAY", "POINT", "CIRCLE", "ARC", "ELLIPSE", "LWPOLYLINE", "POLYLINE", "SPLINE",
      "TEXT", "ATTDEF", "MTEXT", "INSERT", "DIMENSION", "LEADER", "SOLID", "TRACE", "3DFACE",
      "HATCH", "WIPEOUT", "IMAGE"};
  std::vector<std::string> lines;
  std::string cur;
  for (char c : s) {
    if (c == '\n') {
      if (!cur.empty() && cur.back() == '\r') cur.pop_back();
      lines.push_back(cur);
      cur.clear();
    } else {
      cur.push_back(c);
    }
  }
  auto trim = [](std::string x) {
    x.erase(0, x.find_first_not_of(" \t"));
    x.erase(x.find_last_not_of(" \t") + 1);
    return x;
  };
  std::map<std::string, int> counts;
  bool inEntities = false, paper = false, inXdata = false;
  std::string type;
  auto finish = [&]() {
    if (inEntities && !paper && kept.count(type)) ++counts[type];
    type.clear();
  };
  for (std::size_t i = 0; i + 1 < lines.size(); i += 2) {
    std::string code = trim(lines[i]), value = trim(lines[i + 1]);
    if (code == "0") {
      finish();
      paper = inXdata = false;
      if (value == "EOF") break;
      if (value == "SECTION" && i + 3 < lines.size()) {
        inEntities = trim(lines[i + 3]) == "ENTITIES";
        i += 2;
        continue;
      }
      if (value == "ENDSEC") {
        inEntities = false;
        continue;
      }
      type = value == "3DLINE" ? "LINE" : value;
    } else if (code == "1001") {
      inXdata = true;
    } else if (code == "67" && !inXdata && value == "1") {
      paper = true;
    }
  }
  return counts;
}

}  // namespace

TEST(DxfSamples, EveryFileLoadsOrIsReportedAsNotADrawing) {
  auto files = sampleFiles();
  ASSERT_GT(files.size(), 100u) << "samples missing at " << kDxfDir;
  std::set<std::string> notDrawings;
  for (const auto& f : files) {
    SCOPED_TRACE(rel(f));
    cad::LoadResult r = cad::loadDrawingFile(f.string());
    if (r.status == cad::LoadStatus::NotADrawing) {
      EXPECT_FALSE(r.message.empty());
      notDrawings.insert(rel(f));
      continue;
    }
    EXPECT_EQ(r.status, cad::LoadStatus::Ok) << r.message;
    EXPECT_TRUE(r.message.empty()) << r.message;
    EXPECT_EQ(r.format, "DXF");
    ASSERT_TRUE(r.drawing);
    EXPECT_EQ(r.skipped.count("TRUNCATED"), 0u);
    EXPECT_NE(r.drawing->findLayer("0"), nullptr);
  }
  // The two "r1.4" files are text dumps of an early drawing database, not
  // DXF: no file of that kind has a single SECTION.
  EXPECT_EQ(notDrawings, (std::set<std::string>{"libredwg/r1.4/entities.dxf", "libredwg/r1_4/entities.dxf"}));
  for (const auto& n : notDrawings) EXPECT_EQ(readAll(kDxfDir / n).find("SECTION"), std::string::npos) << n;
}

TEST(DxfSamples, EntityCountsMatchAnIndependentScan) {
  int compared = 0;
  for (const auto& f : sampleFiles()) {
    std::string data = readAll(f);
    if (isBinaryDxf(data) || data.find("SECTION") == std::string::npos) continue;
    SCOPED_TRACE(rel(f));
    auto expected = scanEntityCounts(data);
    if (expected.empty()) continue;  // model space kept in a block, or empty
    cad::LoadResult r = cad::loadDrawingFile(f.string());
    ASSERT_TRUE(r.drawing);
    EXPECT_EQ(r.drawing->entityCounts(), expected);
    ++compared;
  }
  EXPECT_GT(compared, 150);
}

// Known numbers, counted with grep on the files.
TEST(DxfSamples, KnownCountsOfSelectedFiles) {
  struct Case {
    const char* file;
    std::map<std::string, int> counts;
    const char* version;
  } cases[] = {
      {"nextgis/line_R12.dxf", {{"LINE", 1}}, "AC1009"},
      {"acadsharp/sample_2018_ascii.dxf",
       {{"3DFACE", 1}, {"ARC", 1}, {"CIRCLE", 3}, {"DIMENSION", 8}, {"ELLIPSE", 1}, {"HATCH", 4},
        {"INSERT", 1}, {"LEADER", 1}, {"LINE", 24}, {"LWPOLYLINE", 9}, {"MTEXT", 4}, {"POINT", 6},
        {"POLYLINE", 2}, {"RAY", 1}, {"SOLID", 1}, {"SPLINE", 2}, {"TEXT", 4}, {"WIPEOUT", 1}, {"XLINE", 1}},
       "AC1032"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    cad::LoadResult r = cad::loadDrawingFile((kDxfDir / c.file).string());
    ASSERT_TRUE(r.drawing) << r.message;
    EXPECT_EQ(r.drawing->entityCounts(), c.counts);
    EXPECT_EQ(r.drawing->header.version, c.version);
  }
}

TEST(DxfSamples, BinaryAndAsciiTwinsAgree) {
  int pairs = 0;
  for (const auto& f : sampleFiles()) {
    std::string name = f.filename().string();
    auto pos = name.find("_binary.dxf");
    if (pos == std::string::npos) continue;
    fs::path twin = f.parent_path() / (name.substr(0, pos) + "_ascii.dxf");
    if (!fs::exists(twin)) continue;
    SCOPED_TRACE(rel(f));
    ASSERT_TRUE(isBinaryDxf(readAll(f)));
    cad::LoadResult b = cad::loadDrawingFile(f.string());
    cad::LoadResult a = cad::loadDrawingFile(twin.string());
    ASSERT_TRUE(a.drawing && b.drawing) << a.message << b.message;
    EXPECT_EQ(b.drawing->entityCounts(), a.drawing->entityCounts());
    EXPECT_EQ(b.drawing->header.version, a.drawing->header.version);
    EXPECT_EQ(b.drawing->layers.size(), a.drawing->layers.size());
    EXPECT_EQ(b.drawing->blocks.size(), a.drawing->blocks.size());
    EXPECT_EQ(b.skipped, a.skipped);
    cad::Box3 eb = b.drawing->computeExtents(), ea = a.drawing->computeExtents();
    EXPECT_NEAR(eb.min.x, ea.min.x, 1e-6);
    EXPECT_NEAR(eb.max.y, ea.max.y, 1e-6);
    ++pairs;
  }
  EXPECT_GE(pairs, 13);
}

TEST(DxfSamples, CutOffCopiesNeverCrash) {
  for (const auto& f : sampleFiles()) {
    std::string data = readAll(f);
    SCOPED_TRACE(rel(f));
    const std::size_t n = data.size();
    for (std::size_t len : {std::size_t{1}, std::size_t{23}, std::size_t{200}, n / 7, n / 3, n / 2,
                            n - n / 10, n > 0 ? n - 1 : 0}) {
      if (len > n) continue;
      // A copy of exactly len bytes, so that reading past the end is caught.
      std::vector<std::uint8_t> cut(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(len));
      cad::LoadResult r = cad::loadDrawingBytes(cut.data(), cut.size());
      EXPECT_EQ(r.message.empty(), r.status == cad::LoadStatus::Ok) << len;
      EXPECT_NE(r.status, cad::LoadStatus::UnsupportedVersion);
      if (r.drawing) (void)r.drawing->computeExtents();
    }
  }
}
