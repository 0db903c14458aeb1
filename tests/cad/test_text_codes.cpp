// TEXT %%-codes and MTEXT formatting codes.
#include <gtest/gtest.h>

#include "cad/model/Drawing.h"

TEST(TextCodes, PercentCodes) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"%%c25", "\u00D825"}, {"90%%d", "90\u00B0"}, {"%%p0.1", "\u00B10.1"}, {"100%%%", "100%"},
      {"%%u under %%u", " under "}, {"%%065BC", "ABC"}, {"50%", "50%"}, {"%%", "%%"}, {"%%z", "%%z"},  // unknown codes stay as written
  };
  for (const auto& c : cases) EXPECT_EQ(cad::decodeTextSpecials(c.in), c.out) << c.in;
  bool u = false, o = false;
  cad::decodeTextSpecials("%%uA%%oB", &u, &o);
  EXPECT_TRUE(u);
  EXPECT_TRUE(o);
}

namespace {

std::string plain(const std::vector<cad::MTextParagraph>& ps) {
  std::string s;
  for (std::size_t i = 0; i < ps.size(); ++i) {
    if (i) s += "|";
    for (const auto& r : ps[i].runs) s += r.stacked ? "[" + r.stackTop + r.stackType + r.stackBottom + "]" : r.text;
  }
  return s;
}

}  // namespace

TEST(MTextParser, TextOfParagraphs) {
  struct Case {
    const char* raw;
    const char* text;  // paragraphs joined by '|', stacks as [top/bottom]
  } cases[] = {
      {"Line1\\PLine2", "Line1|Line2"},
      {"a\\~b", "a\u00A0b"},
      {"\\\\ \\{x\\}", "\\ {x}"},
      {"{\\fArial|b1|i0|c0|p34;Bold} normal", "Bold normal"},
      {"{\\H2.5;big}{\\H0.5x;small}", "bigsmall"},
      {"\\W0.8;\\Q15;\\T1.2;\\A1;\\C1;\\c255;x", "x"},
      {"\\L under\\l \\O over\\o \\K strike\\k", " under  over  strike"},
      {"1\\S1/2;\" and \\S+0.1^-0.2; \\S3#4;", "1[1/2]\" and [+0.1^-0.2] [3#4]"},
      {"\\pxqc,i2;centre", "centre"},
      {"a^Jb^Ic^ d", "a|b\tc^d"},
      {"%%c10\\N2nd column", "\u00D810|2nd column"},
      {"{unclosed \\H", "unclosed "},
      {"\\S1\\/2;", "[1/2/]"},  // an escaped slash is not the separator
  };
  for (const auto& c : cases) EXPECT_EQ(plain(cad::parseMText(c.raw, 2.0)), c.text) << c.raw;
}

TEST(MTextParser, FormattingScopesAndValues) {
  auto ps = cad::parseMText("{\\fSimSun|b1|i1;A\\H3x;B}C\\LD", 2.0);
  ASSERT_EQ(ps.size(), 1u);
  const auto& runs = ps[0].runs;
  ASSERT_EQ(runs.size(), 4u);
  EXPECT_EQ(runs[0].font, "SimSun");
  EXPECT_TRUE(runs[0].bold);
  EXPECT_TRUE(runs[0].italic);
  EXPECT_DOUBLE_EQ(runs[1].height, 6.0);  // 3x the entity's 2.0
  EXPECT_EQ(runs[1].font, "SimSun");
  // After '}' the formatting of the group is gone.
  EXPECT_EQ(runs[2].text, "C");
  EXPECT_TRUE(runs[2].font.empty());
  EXPECT_DOUBLE_EQ(runs[2].height, 0);
  EXPECT_TRUE(runs[3].underline);

  auto aligned = cad::parseMText("left\\P{\\pxqc;centre\\Palso centre}\\Pdefault", 1);
  ASSERT_EQ(aligned.size(), 4u);
  EXPECT_EQ(aligned[0].align, 0);
  EXPECT_EQ(aligned[1].align, 'c');
  EXPECT_EQ(aligned[2].align, 'c');
  EXPECT_EQ(aligned[3].align, 0);  // the group ended before this paragraph

  auto colored = cad::parseMText("\\C1;red\\c65280;green", 1);
  ASSERT_EQ(colored[0].runs.size(), 2u);
  EXPECT_EQ(colored[0].runs[0].color, 1);
  EXPECT_EQ(colored[0].runs[1].trueColor, 65280);
}
