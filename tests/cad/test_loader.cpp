// Opening files by content, the user messages, and the stats line.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>

#include "cad/io/DrawingLoader.h"

namespace fs = std::filesystem;

namespace {

const fs::path kSamples = fs::path(PLENDOR_SAMPLES_DIR);

std::string writeFile(const QTemporaryDir& dir, const char* name, const std::string& bytes) {
  std::string p = dir.filePath(name).toStdString();
  std::ofstream(p, std::ios::binary) << bytes;
  return p;
}

}  // namespace

TEST(DrawingLoader, StatusAndMessageByContent) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  struct Case {
    const char* name;
    std::string path;
    cad::LoadStatus status;
    const char* format;
  } cases[] = {
      {"missing", dir.filePath("nope.dxf").toStdString(), cad::LoadStatus::FileUnreadable, ""},
      {"folder", dir.path().toStdString(), cad::LoadStatus::FileUnreadable, ""},
      {"empty", writeFile(dir, "empty.dxf", ""), cad::LoadStatus::Damaged, ""},
      {"zip that is not DWFx", writeFile(dir, "x.dwf", std::string("PK\x03\x04\x14\0\0\0\0\0readme.txt hello", 26)),
       cad::LoadStatus::NotADrawing, ""},
      {"text named .dwg", writeFile(dir, "notes.dwg", "meeting notes\n"), cad::LoadStatus::NotADrawing, ""},
      {"DWF", (kSamples / "dwf/aspose-java/DWFDrawings/for_layers_test.dwf").string(),
       cad::LoadStatus::UnsupportedVersion, "DWF"},
      {"DWFx", (kSamples / "dwf/aspose-java/DWFXDrawings/Tyrannosaurus.dwfx").string(),
       cad::LoadStatus::UnsupportedVersion, "DWF"},
      // Named .dwf, holds a DXF: the content decides.
      {"DXF named .dwf", (kSamples / "dwf/aspose-java/DWGDrawings/Line.dwf").string(), cad::LoadStatus::Ok, "DXF"},
      {"DXF with blank lines and comment first",
       writeFile(dir, "c.dxf", "\n999\nmade by hand\n  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n  0\nENDSEC\n  0\nEOF\n"),
       cad::LoadStatus::Ok, "DXF"},
      {"DXF with CR line ends", writeFile(dir, "mac.dxf", "0\rSECTION\r2\rENTITIES\r0\rLINE\r0\rENDSEC\r0\rEOF\r"),
       cad::LoadStatus::Ok, "DXF"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    cad::LoadResult r = cad::loadDrawingFile(c.path);
    EXPECT_EQ(r.status, c.status) << r.message;
    EXPECT_EQ(r.format, c.format);
    EXPECT_EQ(r.message.empty(), c.status == cad::LoadStatus::Ok) << r.message;
    EXPECT_EQ(r.drawing != nullptr, c.status == cad::LoadStatus::Ok);
  }
}

TEST(DrawingLoader, DwgGoesToTheDwgReader) {
  cad::LoadResult r = cad::loadDrawingFile((kSamples / "dwg/AC1015/nextgis/line_2000.dwg").string());
  EXPECT_EQ(r.format, "DWG");
  EXPECT_EQ(r.message.empty(), r.status == cad::LoadStatus::Ok);
  EXPECT_NE(r.status, cad::LoadStatus::NotADrawing);
}

TEST(DrawingLoader, StatsJson) {
  std::string path = (kSamples / "dxf/nextgis/circle_R12.dxf").string();
  cad::LoadResult r = cad::loadDrawingFile(path);
  ASSERT_EQ(r.status, cad::LoadStatus::Ok) << r.message;
  std::string j = cad::drawingStatsJson(path, r);
  EXPECT_EQ(j.find('\n'), std::string::npos);
  EXPECT_NE(j.find("\"file\":\"" + path + "\""), std::string::npos) << j;
  EXPECT_NE(j.find("\"format\":\"DXF\",\"version\":\"AC1009\""), std::string::npos) << j;
  EXPECT_NE(j.find("\"entities\":{\"CIRCLE\":1},\"total\":1,\"layers\":["), std::string::npos) << j;
  EXPECT_NE(j.find("\"extents\":["), std::string::npos) << j;
  EXPECT_NE(j.find("\"error\":\"\"}"), std::string::npos) << j;

  cad::LoadResult bad = cad::loadDrawingFile("/nonexistent/a \"quoted\" name.dxf");
  std::string jb = cad::drawingStatsJson("/nonexistent/a \"quoted\" name.dxf", bad);
  EXPECT_NE(jb.find("a \\\"quoted\\\" name"), std::string::npos) << jb;
  EXPECT_NE(jb.find("\"entities\":{},\"total\":0"), std::string::npos) << jb;
  EXPECT_NE(jb.find("\"extents\":null"), std::string::npos) << jb;
  EXPECT_NE(jb.find(std::string("\"error\":\"") + cad::kMsgFileUnreadable), std::string::npos) << jb;
}
