// DXF reader on small inline fixtures: geometry, structure, text decoding and
// hostile input.
#include <gtest/gtest.h>

#include <cmath>

#include "DxfFixture.h"

using namespace cadtest;
using cad::EntityType;

namespace {

constexpr double kPi = 3.14159265358979323846;

const cad::Drawing& okDrawing(const cad::LoadResult& r) {
  EXPECT_EQ(r.status, cad::LoadStatus::Ok) << r.message;
  EXPECT_TRUE(r.message.empty());
  static cad::Drawing empty;
  return r.drawing ? *r.drawing : empty;
}

}  // namespace

TEST(DxfReader, BasicGeometryInRadiansAndCommonProperties) {
  std::string ents = tags({{0, "LINE"}, {5, "2F"}, {8, "Walls"}, {6, "DASHED"}, {62, "1"}, {370, "35"},
                           {48, "2.5"}, {10, "1"}, {20, "2"}, {30, "3"}, {11, "4"}, {21, "5"}, {31, "6"},
                           {0, "ARC"}, {8, "0"}, {420, "16711680"}, {10, "0"}, {20, "0"}, {40, "5"},
                           {50, "90"}, {51, "180"}, {210, "0"}, {220, "0"}, {230, "-1"},
                           {0, "CIRCLE"}, {60, "1"}, {10, "1.5e1"}, {20, "-2"}, {40, "3"},
                           {0, "ELLIPSE"}, {10, "0"}, {20, "0"}, {11, "10"}, {21, "0"}, {40, "0.5"},
                           {41, "0"}, {42, "3.14159"}});
  auto r = readString(dxfFile("", ents));
  const auto& d = okDrawing(r);
  ASSERT_EQ(d.entities.size(), 4u);

  auto* line = d.entities[0]->as<cad::Line>();
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->handle, 0x2Fu);
  EXPECT_EQ(line->layer, "Walls");
  EXPECT_EQ(line->linetype, "DASHED");
  EXPECT_EQ(line->color, 1);
  EXPECT_EQ(line->lineweight, 35);
  EXPECT_DOUBLE_EQ(line->ltScale, 2.5);
  EXPECT_DOUBLE_EQ(line->start.z, 3);
  EXPECT_DOUBLE_EQ(line->end.y, 5);

  auto* arc = d.entities[1]->as<cad::Arc>();
  ASSERT_NE(arc, nullptr);
  EXPECT_NEAR(arc->startAngle, kPi / 2, 1e-12);
  EXPECT_NEAR(arc->endAngle, kPi, 1e-12);
  EXPECT_EQ(arc->trueColor, 0xFF0000);
  EXPECT_EQ(arc->color, cad::kColorByLayer);
  EXPECT_DOUBLE_EQ(arc->extrusion.z, -1);

  auto* circle = d.entities[2]->as<cad::Circle>();
  ASSERT_NE(circle, nullptr);
  EXPECT_TRUE(circle->invisible);
  EXPECT_DOUBLE_EQ(circle->center.x, 15);

  auto* el = d.entities[3]->as<cad::Ellipse>();
  ASSERT_NE(el, nullptr);
  EXPECT_DOUBLE_EQ(el->ratio, 0.5);
  EXPECT_DOUBLE_EQ(el->endParam, 3.14159);
  EXPECT_EQ(d.entities[0]->as<cad::Arc>(), nullptr);
}

TEST(DxfReader, PolylinesWithVerticesBulgesAndMeshes) {
  std::string ents = tags({{0, "LWPOLYLINE"}, {90, "3"}, {70, "1"}, {43, "0.5"},
                           {10, "0"}, {20, "0"}, {42, "1"}, {10, "10"}, {20, "0"},
                           {10, "10"}, {20, "10"}, {40, "1"}, {41, "2"},
                           {0, "POLYLINE"}, {66, "1"}, {10, "0"}, {20, "0"}, {30, "7"}, {70, "0"},
                           {0, "VERTEX"}, {10, "1"}, {20, "1"}, {42, "-0.5"},
                           {0, "VERTEX"}, {10, "2"}, {20, "2"},
                           {0, "SEQEND"},
                           {0, "POLYLINE"}, {66, "1"}, {70, "64"}, {71, "3"}, {72, "1"},
                           {0, "VERTEX"}, {10, "0"}, {20, "0"}, {30, "0"}, {70, "192"},
                           {0, "VERTEX"}, {10, "1"}, {20, "0"}, {30, "0"}, {70, "192"},
                           {0, "VERTEX"}, {10, "0"}, {20, "1"}, {30, "0"}, {70, "192"},
                           {0, "VERTEX"}, {10, "0"}, {20, "0"}, {30, "0"}, {70, "128"},
                           {71, "1"}, {72, "2"}, {73, "-3"},
                           {0, "SEQEND"},
                           // No SEQEND before the next entity: the polyline still ends there.
                           {0, "POLYLINE"}, {70, "8"},
                           {0, "VERTEX"}, {10, "5"}, {20, "6"}, {30, "7"}, {70, "32"},
                           {0, "LINE"}});
  auto r = readString(dxfFile("", ents));
  const auto& d = okDrawing(r);
  ASSERT_EQ(d.entities.size(), 5u);

  auto* lw = d.entities[0]->as<cad::LwPolyline>();
  ASSERT_NE(lw, nullptr);
  ASSERT_EQ(lw->vertices.size(), 3u);
  EXPECT_TRUE(lw->closed);
  EXPECT_DOUBLE_EQ(lw->vertices[0].bulge, 1);
  EXPECT_DOUBLE_EQ(lw->vertices[0].startWidth, 0.5);  // constant width applies
  EXPECT_DOUBLE_EQ(lw->vertices[2].endWidth, 2);
  EXPECT_DOUBLE_EQ(lw->vertices[2].pt.y, 10);

  auto* p2 = d.entities[1]->as<cad::Polyline>();
  ASSERT_NE(p2, nullptr);
  EXPECT_EQ(p2->kind, cad::Polyline::Kind::Polyline2D);
  EXPECT_DOUBLE_EQ(p2->elevation, 7);
  ASSERT_EQ(p2->vertices.size(), 2u);
  EXPECT_DOUBLE_EQ(p2->vertices[0].bulge, -0.5);

  auto* pf = d.entities[2]->as<cad::Polyline>();
  ASSERT_NE(pf, nullptr);
  EXPECT_EQ(pf->kind, cad::Polyline::Kind::PolyfaceMesh);
  ASSERT_EQ(pf->vertices.size(), 4u);
  EXPECT_EQ(pf->vertices[3].face[2], -3);

  auto* p3 = d.entities[3]->as<cad::Polyline>();
  ASSERT_NE(p3, nullptr);
  EXPECT_EQ(p3->kind, cad::Polyline::Kind::Polyline3D);
  ASSERT_EQ(p3->vertices.size(), 1u);
  EXPECT_DOUBLE_EQ(p3->vertices[0].pt.z, 7);
  EXPECT_EQ(d.entities[4]->type, EntityType::Line);
}

TEST(DxfReader, InsertWithAttributesArraysAndBlocks) {
  std::string blocks = "0\nSECTION\n2\nBLOCKS\n" +
                       tags({{0, "BLOCK"}, {8, "0"}, {2, "Door"}, {70, "2"}, {10, "1"}, {20, "2"}, {30, "0"},
                             {3, "Door"}, {0, "CIRCLE"}, {10, "0"}, {20, "0"}, {40, "1"},
                             {0, "ATTDEF"}, {10, "0"}, {20, "0"}, {40, "1"}, {1, "?"}, {3, "Number?"},
                             {2, "NUM"}, {70, "0"}, {0, "ENDBLK"},
                             {0, "BLOCK"}, {2, "*Paper_Space"}, {0, "LINE"}, {0, "ENDBLK"}}) +
                       "0\nENDSEC\n";
  std::string ents = tags({{0, "INSERT"}, {66, "1"}, {2, "door"}, {10, "100"}, {20, "200"}, {41, "2"},
                           {42, "3"}, {50, "45"}, {70, "4"}, {71, "999999"}, {44, "10"}, {45, "20"},
                           {0, "ATTRIB"}, {10, "1"}, {20, "1"}, {40, "2.5"}, {1, "D-01"}, {2, "NUM"},
                           {70, "1"}, {72, "1"}, {74, "2"}, {11, "5"}, {21, "5"},
                           {0, "SEQEND"}, {0, "TEXT"}, {67, "1"}, {1, "paper"}});
  auto r = readString(dxfFile("", ents, blocks));
  const auto& d = okDrawing(r);
  ASSERT_EQ(d.entities.size(), 1u);
  ASSERT_EQ(d.paperSpaceEntities.size(), 1u);  // ENTITIES wins over *Paper_Space
  auto* ins = d.entities[0]->as<cad::Insert>();
  ASSERT_NE(ins, nullptr);
  EXPECT_EQ(ins->blockName, "door");
  EXPECT_NEAR(ins->rotation, kPi / 4, 1e-12);
  EXPECT_DOUBLE_EQ(ins->scale.y, 3);
  EXPECT_EQ(ins->columnCount, 4);
  EXPECT_LE(ins->rowCount, 10000);  // hostile array size is capped
  EXPECT_DOUBLE_EQ(ins->rowSpacing, 20);
  ASSERT_EQ(ins->attributes.size(), 1u);
  const auto& a = ins->attributes[0];
  EXPECT_EQ(a.tag, "NUM");
  EXPECT_EQ(a.text, "D-01");
  EXPECT_TRUE(a.hidden());
  EXPECT_EQ(a.hAlign, 1);
  EXPECT_EQ(a.vAlign, 2);  // ATTRIB keeps its vertical alignment in 74
  EXPECT_TRUE(a.hasAlignPoint);

  const cad::Block* b = d.findBlock("DOOR");  // names are case-insensitive
  ASSERT_NE(b, nullptr);
  EXPECT_DOUBLE_EQ(b->basePoint.y, 2);
  ASSERT_EQ(b->entities.size(), 2u);
  auto* def = b->entities[1]->as<cad::AttDef>();
  ASSERT_NE(def, nullptr);
  EXPECT_EQ(def->prompt, "Number?");
  EXPECT_EQ(d.findBlock("*Paper_Space"), nullptr);
}

TEST(DxfReader, HatchBoundariesAndPattern) {
  std::string ents = tags({
      {0, "HATCH"}, {100, "AcDbEntity"}, {8, "H"}, {100, "AcDbHatch"}, {10, "0"}, {20, "0"}, {30, "2"},
      {210, "0"}, {220, "0"}, {230, "1"}, {2, "ANSI31"}, {70, "0"}, {71, "1"}, {91, "2"},
      // polyline loop with bulges
      {92, "3"}, {72, "1"}, {73, "1"}, {93, "3"}, {10, "0"}, {20, "0"}, {42, "0"}, {10, "10"}, {20, "0"},
      {42, "1"}, {10, "10"}, {20, "10"}, {42, "0"}, {97, "1"}, {330, "1A"},
      // edge loop: line, arc, ellipse, spline
      {92, "1"}, {93, "4"},
      {72, "1"}, {10, "0"}, {20, "0"}, {11, "5"}, {21, "0"},
      {72, "2"}, {10, "5"}, {20, "5"}, {40, "5"}, {50, "270"}, {51, "360"}, {73, "0"},
      {72, "3"}, {10, "0"}, {20, "5"}, {11, "5"}, {21, "0"}, {40, "0.5"}, {50, "0"}, {51, "90"}, {73, "1"},
      {72, "4"}, {94, "3"}, {73, "0"}, {74, "0"}, {95, "8"}, {96, "4"},
      {40, "0"}, {40, "0"}, {40, "0"}, {40, "0"}, {40, "1"}, {40, "1"}, {40, "1"}, {40, "1"},
      {10, "0"}, {20, "0"}, {10, "1"}, {20, "1"}, {10, "2"}, {20, "1"}, {10, "3"}, {20, "0"},
      // fit data of the spline (2010+), then the loop's own source count
      {97, "2"}, {11, "0"}, {21, "0"}, {11, "3"}, {21, "0"}, {12, "1"}, {22, "0"}, {13, "1"}, {23, "0"},
      {97, "1"}, {330, "2B"},
      {75, "1"}, {76, "1"}, {52, "45"}, {41, "2"}, {77, "0"}, {78, "1"},
      {53, "45"}, {43, "0"}, {44, "0"}, {45, "-2.2"}, {46, "2.2"}, {79, "2"}, {49, "3"}, {49, "-1"},
      {98, "1"}, {10, "5"}, {20, "5"}});
  auto r = readString(dxfFile("", ents));
  const auto& d = okDrawing(r);
  ASSERT_EQ(d.entities.size(), 1u);
  auto* h = d.entities[0]->as<cad::Hatch>();
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(h->layer, "H");
  EXPECT_EQ(h->patternName, "ANSI31");
  EXPECT_FALSE(h->solidFill);
  EXPECT_DOUBLE_EQ(h->elevation, 2);
  ASSERT_EQ(h->loops.size(), 2u);
  ASSERT_TRUE(h->loops[0].isPolyline);
  ASSERT_EQ(h->loops[0].polyline.size(), 3u);
  EXPECT_DOUBLE_EQ(h->loops[0].polyline[1].bulge, 1);
  const auto& edges = h->loops[1].edges;
  ASSERT_EQ(edges.size(), 4u);
  EXPECT_EQ(edges[0].kind, cad::HatchEdge::Kind::Line);
  EXPECT_DOUBLE_EQ(edges[0].end.x, 5);
  EXPECT_EQ(edges[1].kind, cad::HatchEdge::Kind::Arc);
  EXPECT_NEAR(edges[1].startAngle, 1.5 * kPi, 1e-12);
  EXPECT_FALSE(edges[1].ccw);
  EXPECT_EQ(edges[2].kind, cad::HatchEdge::Kind::Ellipse);
  EXPECT_DOUBLE_EQ(edges[2].ratio, 0.5);
  EXPECT_EQ(edges[3].kind, cad::HatchEdge::Kind::Spline);
  EXPECT_EQ(edges[3].knots.size(), 8u);
  EXPECT_EQ(edges[3].controlPoints.size(), 4u);
  EXPECT_DOUBLE_EQ(edges[3].controlPoints[2].x, 2);
  ASSERT_EQ(edges[3].fitPoints.size(), 2u);
  EXPECT_DOUBLE_EQ(edges[3].fitPoints[1].x, 3);
  EXPECT_NEAR(h->patternAngle, kPi / 4, 1e-12);
  EXPECT_DOUBLE_EQ(h->patternScale, 2);
  ASSERT_EQ(h->patternLines.size(), 1u);
  EXPECT_DOUBLE_EQ(h->patternLines[0].offset.y, 2.2);
  EXPECT_EQ(h->patternLines[0].dashes, (std::vector<double>{3, -1}));
}

TEST(DxfReader, TextMTextSplineLeaderImageAndSubclassCodes) {
  std::string ents = tags({
      {0, "TEXT"}, {10, "1"}, {20, "2"}, {40, "2.5"}, {1, "%%c50"}, {50, "30"}, {41, "0.8"}, {51, "15"},
      {7, "Romans"}, {72, "2"}, {11, "9"}, {21, "9"}, {100, "AcDbText"}, {73, "3"},
      // MTEXT: chunk 3 first; 50 after column codes is a column height, not a rotation.
      {0, "MTEXT"}, {100, "AcDbEntity"}, {48, "3"}, {100, "AcDbMText"}, {10, "0"}, {20, "0"},
      {40, "2"}, {41, "30"}, {71, "5"}, {3, "First\\Pse"}, {1, "cond"}, {50, "90"}, {75, "2"},
      {50, "12"},
      {101, "Embedded Object"}, {10, "999"},
      {0, "SPLINE"}, {70, "8"}, {71, "3"}, {72, "8"}, {73, "4"}, {40, "0"}, {40, "0"}, {40, "0"},
      {40, "0"}, {40, "1"}, {40, "1"}, {40, "1"}, {40, "1"}, {10, "0"}, {20, "0"}, {30, "0"},
      {10, "1"}, {20, "2"}, {30, "0"}, {10, "2"}, {20, "2"}, {30, "0"}, {10, "3"}, {20, "0"}, {30, "0"},
      {0, "LEADER"}, {3, "Standard"}, {71, "1"}, {72, "0"}, {76, "2"}, {10, "0"}, {20, "0"}, {30, "0"},
      {10, "5"}, {20, "5"}, {30, "0"},
      {0, "IMAGE"}, {10, "0"}, {20, "0"}, {11, "0.01"}, {21, "0"}, {12, "0"}, {22, "0.01"}, {13, "640"},
      {23, "480"}, {340, "3F"}, {280, "1"}, {71, "2"}, {91, "3"}, {14, "0"}, {24, "0"}, {14, "640"},
      {24, "0"}, {14, "0"}, {24, "480"},
      {0, "SOLID"}, {10, "0"}, {20, "0"}, {11, "1"}, {21, "0"}, {12, "0"}, {22, "1"}});
  std::string objects = "0\nSECTION\n2\nOBJECTS\n" +
                        tags({{0, "IMAGEDEF"}, {5, "3F"}, {1, "photos/site.png"}, {10, "640"}}) +
                        "0\nENDSEC\n";
  std::string file = "0\nSECTION\n2\nENTITIES\n" + ents + "0\nENDSEC\n" + objects + "0\nEOF\n";
  auto r2 = readString(file);
  const auto& d = okDrawing(r2);
  ASSERT_EQ(d.entities.size(), 6u);

  auto* t = d.entities[0]->as<cad::Text>();
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->text, "%%c50");
  EXPECT_EQ(cad::decodeTextSpecials(t->text), "\u00D850");
  EXPECT_NEAR(t->rotation, kPi / 6, 1e-12);
  EXPECT_NEAR(t->oblique, kPi / 12, 1e-12);
  EXPECT_EQ(t->hAlign, 2);
  EXPECT_EQ(t->vAlign, 3);
  EXPECT_EQ(t->style, "Romans");

  auto* m = d.entities[1]->as<cad::MText>();
  ASSERT_NE(m, nullptr);
  EXPECT_DOUBLE_EQ(m->ltScale, 3);
  EXPECT_EQ(m->rawText, "First\\Psecond");
  EXPECT_NEAR(m->rotation(), kPi / 2, 1e-12);
  EXPECT_DOUBLE_EQ(m->insertion.x, 0);  // the embedded object's codes are not ours
  EXPECT_EQ(m->attachment, 5);
  ASSERT_EQ(m->paragraphs.size(), 2u);
  EXPECT_EQ(m->paragraphs[1].runs.at(0).text, "second");

  auto* s = d.entities[2]->as<cad::Spline>();
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->knots.size(), 8u);
  ASSERT_EQ(s->controlPoints.size(), 4u);
  EXPECT_DOUBLE_EQ(s->controlPoints[1].y, 2);

  auto* l = d.entities[3]->as<cad::Leader>();
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(l->vertices.size(), 2u);

  auto* img = d.entities[4]->as<cad::RasterImage>();
  ASSERT_NE(img, nullptr);
  EXPECT_EQ(img->filePath, "photos/site.png");
  EXPECT_EQ(img->clipBoundary.size(), 3u);
  EXPECT_TRUE(img->clipping);

  auto* sol = d.entities[5]->as<cad::Solid>();
  ASSERT_NE(sol, nullptr);
  EXPECT_DOUBLE_EQ(sol->corners[3].y, 1);  // missing fourth corner repeats the third
}

TEST(DxfReader, TablesAndHeader) {
  std::string header = tags({{9, "$ACADVER"}, {1, "AC1015"}, {9, "$DWGCODEPAGE"}, {3, "ANSI_1252"},
                             {9, "$INSUNITS"}, {70, "4"}, {9, "$LTSCALE"}, {40, "2.5"},
                             {9, "$EXTMIN"}, {10, "-1"}, {20, "-2"}, {30, "0"},
                             {9, "$EXTMAX"}, {10, "10"}, {20, "20"}, {30, "0"}});
  std::string tables = "0\nSECTION\n2\nTABLES\n" +
                       tags({{0, "TABLE"}, {2, "LTYPE"}, {70, "1"},
                             {0, "LTYPE"}, {2, "DASHDOT"}, {70, "0"}, {3, "_ . _"}, {72, "65"}, {73, "4"},
                             {40, "2"}, {49, "1"}, {74, "0"}, {49, "-0.5"}, {74, "0"}, {49, "0"}, {74, "0"},
                             {49, "-0.5"}, {74, "0"}, {0, "ENDTAB"},
                             {0, "TABLE"}, {2, "LAYER"}, {70, "2"},
                             {0, "LAYER"}, {2, "0"}, {70, "0"}, {62, "7"}, {6, "CONTINUOUS"},
                             {0, "LAYER"}, {2, "Hidden"}, {70, "5"}, {62, "-3"}, {6, "DASHDOT"}, {370, "50"},
                             {290, "0"}, {0, "ENDTAB"},
                             {0, "TABLE"}, {2, "STYLE"},
                             {0, "STYLE"}, {2, "Chinese"}, {70, "0"}, {40, "0"}, {41, "0.7"}, {50, "10"},
                             {3, "txt.shx"}, {4, "gbcbig.shx"}, {1001, "ACAD"}, {1000, "SimSun"},
                             {0, "ENDTAB"}}) +
                       "0\nENDSEC\n";
  auto r = readString(dxfFile(header, tags({{0, "POINT"}}), tables));
  const auto& d = okDrawing(r);
  EXPECT_EQ(d.header.version, "AC1015");
  EXPECT_EQ(d.header.codepage, "ANSI_1252");
  EXPECT_EQ(d.header.insUnits, 4);
  EXPECT_DOUBLE_EQ(d.header.ltScale, 2.5);
  EXPECT_TRUE(d.header.hasExtents);
  EXPECT_DOUBLE_EQ(d.header.extMax.y, 20);

  const cad::Layer* hidden = d.findLayer("HIDDEN");
  ASSERT_NE(hidden, nullptr);
  EXPECT_FALSE(hidden->on);
  EXPECT_EQ(hidden->color, 3);
  EXPECT_TRUE(hidden->frozen);
  EXPECT_TRUE(hidden->locked);
  EXPECT_FALSE(hidden->plot);
  EXPECT_EQ(hidden->lineweight, 50);
  EXPECT_EQ(hidden->linetype, "DASHDOT");

  const cad::Linetype* lt = d.findLinetype("dashdot");
  ASSERT_NE(lt, nullptr);
  EXPECT_EQ(lt->pattern, (std::vector<double>{1, -0.5, 0, -0.5}));
  EXPECT_DOUBLE_EQ(lt->totalLength, 2);

  const cad::TextStyle* st = d.findTextStyle("Chinese");
  ASSERT_NE(st, nullptr);
  EXPECT_EQ(st->bigFontFile, "gbcbig.shx");
  EXPECT_EQ(st->fontFamily, "SimSun");
  EXPECT_DOUBLE_EQ(st->widthFactor, 0.7);
}

// GBK text in a file before 2007: the code page from the header applies to
// every string, before the \U+ and \M+ escapes are resolved.
TEST(DxfReader, DecodesGbkAndEscapes) {
  std::string header = tags({{9, "$ACADVER"}, {1, "AC1015"}, {9, "$DWGCODEPAGE"}, {3, "ANSI_936"}});
  std::string ents = tags({
      {0, "TEXT"}, {8, "\xCD\xBC\xB2\xE3"}, {1, "\xD6\xD0\xCE\xC4\xB2\xE2\xCA\xD4 ABC"},
      {0, "TEXT"}, {1, "\\U+4E2D\\M+5CEC4 x\\U+zz"},
      // 0x81 0x5C is one GBK character whose second byte is a backslash.
      {0, "MTEXT"}, {3, std::string("\xD6\xD0\xCE") + ""}, {1, "\xC4\\P\x81\x5CP"}});
  auto r = readString(dxfFile(header, ents));
  const auto& d = okDrawing(r);
  ASSERT_EQ(d.entities.size(), 3u);
  auto* t = d.entities[0]->as<cad::Text>();
  EXPECT_EQ(t->layer, "图层");
  EXPECT_EQ(t->text, "中文测试 ABC");
  EXPECT_EQ(d.entities[1]->as<cad::Text>()->text, "中文 x\\U+zz");
  auto* m = d.entities[2]->as<cad::MText>();
  // "文" was split across the 3 and 1 chunks; it must come out whole.
  EXPECT_EQ(m->rawText, "中文\\P乗P");
  ASSERT_EQ(m->paragraphs.size(), 2u);
  EXPECT_EQ(m->paragraphs[1].runs.at(0).text, "乗P");

  // From 2007 on strings are UTF-8 whatever the code page says.
  std::string header2007 = tags({{9, "$ACADVER"}, {1, "AC1021"}, {9, "$DWGCODEPAGE"}, {3, "ANSI_936"}});
  auto r2 = readString(dxfFile(header2007, tags({{0, "TEXT"}, {1, "中文"}})));
  EXPECT_EQ(okDrawing(r2).entities.at(0)->as<cad::Text>()->text, "中文");

  // UTF-8 in a file that claims a Western code page is taken as UTF-8.
  std::string header1252 = tags({{9, "$ACADVER"}, {1, "AC1015"}, {9, "$DWGCODEPAGE"}, {3, "ANSI_1252"}});
  auto r4 = readString(dxfFile(header1252, tags({{0, "TEXT"}, {1, "Größe"}, {0, "TEXT"}, {1, "Gr\xF6\xDF" "e"}})));
  EXPECT_EQ(okDrawing(r4).entities.at(0)->as<cad::Text>()->text, "Größe");
  EXPECT_EQ(okDrawing(r4).entities.at(1)->as<cad::Text>()->text, "Größe");

  // Bytes that are not GBK do not stop the text.
  auto r3 = readString(dxfFile(header, tags({{0, "TEXT"}, {1, "a\xFF" "b"}})));
  EXPECT_EQ(okDrawing(r3).entities.at(0)->as<cad::Text>()->text, "a\uFFFDb");
}

TEST(DxfReader, SkipsUnknownEntitiesAndCountsThem) {
  std::string ents = tags({{0, "MLINE"}, {8, "0"}, {0, "LINE"}, {0, "ACAD_PROXY_ENTITY"}, {0, "MLINE"},
                           {0, "VERTEX"}, {0, "SEQEND"}});
  auto r = readString(dxfFile("", ents));
  const auto& d = okDrawing(r);
  EXPECT_EQ(d.entities.size(), 1u);
  EXPECT_EQ(r.skipped.at("MLINE"), 2);
  EXPECT_EQ(r.skipped.at("ACAD_PROXY_ENTITY"), 1);
  EXPECT_EQ(r.skipped.at("VERTEX"), 1);  // a vertex without its polyline
}

// Damaged and hostile files: a clear status, never a crash or a hang.
TEST(DxfReader, HostileInput) {
  struct Case {
    const char* name;
    std::string data;
    cad::LoadStatus status;
  };
  std::string bigHatch = tags({{0, "HATCH"}, {100, "AcDbHatch"}, {91, "2147483647"}, {92, "2"},
                               {93, "2147483647"}, {10, "1"}, {20, "1"}, {92, "0"}, {93, "-5"},
                               {72, "4"}, {95, "99999999"}, {40, "1"}});
  Case cases[] = {
      {"empty", "", cad::LoadStatus::NotADrawing},
      {"plain text", "hello\nworld\n", cad::LoadStatus::NotADrawing},
      {"bad group code", "0\nSECTION\n2\nENTITIES\n0\nLINE\nxx\n1\n0\nENDSEC\n0\nEOF\n", cad::LoadStatus::Damaged},
      {"ends inside a tag", "0\nSECTION\n2\nENTITIES\n0\nLINE\n10", cad::LoadStatus::Damaged},
      {"huge hatch counts", dxfFile("", bigHatch), cad::LoadStatus::Ok},
      {"binary sentinel only", std::string("AutoCAD Binary DXF\r\n\x1a\0", 22), cad::LoadStatus::NotADrawing},
      {"binary short read", std::string("AutoCAD Binary DXF\r\n\x1a\0\0\0SECTION\0\x02\0ENTITIES\0\0\0LINE\0\x0a\0\x01\x02", 52),
       cad::LoadStatus::Damaged},
      {"numbers out of range", dxfFile("", tags({{0, "CIRCLE"}, {10, "1e999"}, {40, "nan"}, {62, "99999"},
                                                {370, "-77"}, {0, "INSERT"}, {70, "-4"}, {71, "1e300"},
                                                {0, "ARC"}, {40, "1"}, {50, "-1e300"}, {51, "1e300"}})),
       cad::LoadStatus::Ok},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto r = readString(c.data);
    EXPECT_EQ(r.status, c.status) << r.message;
    EXPECT_EQ(r.message.empty(), c.status == cad::LoadStatus::Ok);
    EXPECT_EQ(r.drawing != nullptr, c.status == cad::LoadStatus::Ok);
    if (r.drawing) (void)r.drawing->computeExtents();
  }

  auto r = readString(dxfFile("", tags({{0, "CIRCLE"}, {10, "1e999"}, {40, "nan"}, {62, "99999"},
                                        {0, "INSERT"}, {70, "-4"}, {71, "1e300"}})));
  ASSERT_TRUE(r.drawing);
  auto* c = r.drawing->entities.at(0)->as<cad::Circle>();
  EXPECT_TRUE(std::isfinite(c->center.x));
  EXPECT_TRUE(std::isfinite(c->radius));
  auto* ins = r.drawing->entities.at(1)->as<cad::Insert>();
  EXPECT_EQ(ins->columnCount, 1);
  EXPECT_GE(ins->rowCount, 1);
}

TEST(DxfReader, TruncatedFileKeepsWhatWasRead) {
  std::string full = dxfFile("", tags({{0, "LINE"}, {10, "0"}, {11, "1"}, {0, "LINE"}, {10, "5"}}));
  std::string cut = full.substr(0, full.find("0\nENDSEC"));
  auto r = readString(cut);
  ASSERT_EQ(r.status, cad::LoadStatus::Ok);
  EXPECT_EQ(r.drawing->entities.size(), 2u);
  EXPECT_EQ(r.skipped.count("TRUNCATED"), 1u);
}

TEST(DxfReader, ExtentsExpandInsertsAndSurviveSelfReference) {
  std::string blocks = "0\nSECTION\n2\nBLOCKS\n" +
                       tags({{0, "BLOCK"}, {2, "B"}, {10, "0"}, {20, "0"},
                             {0, "LINE"}, {10, "0"}, {20, "0"}, {11, "1"}, {21, "1"},
                             {0, "INSERT"}, {2, "B"}, {10, "100"}, {20, "100"},  // inserts itself
                             {0, "ENDBLK"}}) +
                       "0\nENDSEC\n";
  std::string ents = tags({{0, "INSERT"}, {2, "B"}, {10, "10"}, {20, "10"}, {41, "2"}, {42, "2"},
                           {70, "3"}, {44, "5"}});
  auto r = readString(dxfFile("", ents, blocks));
  const auto& d = okDrawing(r);
  cad::Box3 b = d.computeExtents();
  ASSERT_TRUE(b.valid());
  EXPECT_DOUBLE_EQ(b.min.x, 10);
  EXPECT_DOUBLE_EQ(b.min.y, 10);
  // Columns 5 apart, block scaled by 2; the self-insert inside adds nothing.
  EXPECT_DOUBLE_EQ(b.max.x, 10 + 2 + 2 * 5);
  EXPECT_DOUBLE_EQ(b.max.y, 12);
}

// Found by fuzzing: an arc spanning 1e300 radians made the extents spin.
TEST(DrawingModel, ExtentsOfArcsWithHugeAngles) {
  cad::Drawing d;
  auto arc = std::make_unique<cad::Arc>();
  arc->radius = 2;
  arc->startAngle = -1e300;
  arc->endAngle = 1e300;
  d.entities.push_back(std::move(arc));
  cad::Box3 b = d.computeExtents();
  ASSERT_TRUE(b.valid());
  EXPECT_LE(b.max.x, 2.0);
  EXPECT_GE(b.min.x, -2.0);
}
