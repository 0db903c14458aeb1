// The thumbnail grid and the cell painting, on real widgets (offscreen).
#include "ThumbGrid.h"
#include "ThumbPaint.h"

#include <QApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

#include <climits>

namespace {

struct Grid {
  TThumbGrid g;
  explicit Grid(int count, QSize size = {400, 300}) {
    g.setFrameShape(QFrame::NoFrame);
    g.resize(size);
    g.show();
    for (int i = 0; i < count; ++i) g.AppendImage();
  }
};

struct HookCall {
  int idx, left, top;
  TThumbRect rect;
};

// Columns L..R-1 of row y whose colour is `c`.
int countInRow(const QImage& img, int y, int x0, int x1, QRgb c) {
  int n = 0;
  for (int x = x0; x <= x1; ++x) n += (img.pixel(x, y) & 0xffffff) == (c & 0xffffff);
  return n;
}

bool anyInk(const QImage& img, const QRect& r, QRgb background = 0xffffff) {
  for (int y = std::max(0, r.top()); y <= std::min(img.height() - 1, r.bottom()); ++y)
    for (int x = std::max(0, r.left()); x <= std::min(img.width() - 1, r.right()); ++x)
      if ((img.pixel(x, y) & 0xffffff) != background) return true;
  return false;
}

QImage white(int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(Qt::white);
  return img;
}

}  // namespace

class TestThumbGrid : public QObject {
  Q_OBJECT
private slots:
  void layoutAndHitTest_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("columns");
    QTest::newRow("several columns") << 400 << 30 << (400 - 12) / (12 + 80);
    QTest::newRow("exactly one column") << 12 + 80 + 12 << 5 << 1;
    QTest::newRow("too narrow: one row") << 60 << 7 << 7;
  }
  void layoutAndHitTest() {
    QFETCH(int, width);
    QFETCH(int, count);
    QFETCH(int, columns);
    Grid t(count);
    t.g.resize(width + t.g.width() - t.g.viewport()->width(), 300);
    QCOMPARE(t.g.viewport()->width(), width);
    QCOMPARE(t.g.ColumnCount(), columns);
    for (int i : {0, 1, count - 1}) {
      const int r = i / columns, c = i % columns;
      const QRect cell = t.g.CellRect(i);
      QCOMPARE(cell, QRect(12 + c * 92, 12 + r * 112, 80, 100));
      if (!t.g.IsVisible(i)) continue;
      QCOMPARE(t.g.ImageAtPos(cell.topLeft()), i);
      QCOMPARE(t.g.ImageAtPos(cell.bottomRight()), i);
      QCOMPARE(t.g.ImageAtPos(cell.topLeft() - QPoint(1, 0)), -1);  // gap on the left
      QCOMPARE(t.g.ImageAtPos(cell.bottomLeft() + QPoint(0, 1)), -1);  // gap below
    }
    QCOMPARE(t.g.ImageAtPos({5, 5}), -1);
    QCOMPARE(t.g.ImageAtPos({-50, -50}), -1);
  }

  void visibilityFollowsScrollOffsets() {
    Grid t(60);  // 4 columns, 15 rows of 112 px
    QVERIFY(t.g.IsVisible(0));
    QVERIFY(!t.g.IsVisible(59));
    t.g.SetViewY(t.g.verticalScrollBar()->maximum());
    QVERIFY(t.g.IsVisible(59));
    QVERIFY(!t.g.IsVisible(0));
    // A cell one pixel inside the bottom edge counts; one touching past it not.
    t.g.SetViewY(0);
    const int h = t.g.viewport()->height();
    int firstHidden = 0;
    while (t.g.CellRect(firstHidden).top() <= h - 1) ++firstHidden;
    QVERIFY(t.g.IsVisible(firstHidden - 1));
    QVERIFY(!t.g.IsVisible(firstHidden));
    t.g.SetViewY(t.g.CellRect(firstHidden).top() - h + 1);
    QVERIFY(t.g.IsVisible(firstHidden));
    QVERIFY(!t.g.IsVisible(-1));
    QVERIFY(!t.g.IsVisible(60));
  }

  // Every value a settings file may hold: nothing crashes, hangs or divides
  // by zero, and memory stays bounded.
  void hostileGeometry_data() {
    QTest::addColumn<int>("tw");
    QTest::addColumn<int>("th");
    QTest::addColumn<int>("hb");
    QTest::addColumn<int>("vb");
    QTest::newRow("zero") << 0 << 0 << 0 << 0;
    QTest::newRow("negative") << -80 << -60 << -12 << -12;
    QTest::newRow("min") << INT_MIN << INT_MIN << INT_MIN << INT_MIN;
    QTest::newRow("max") << INT_MAX << INT_MAX << INT_MAX << INT_MAX;
    QTest::newRow("gap cancels width") << 12 << 32 << -12 << 0;
    QTest::newRow("huge gaps") << 80 << 100 << 100000000 << 100000000;
  }
  void hostileGeometry() {
    QFETCH(int, tw);
    QFETCH(int, th);
    QFETCH(int, hb);
    QFETCH(int, vb);
    Grid t(2000);
    t.g.SetThumbWidth(tw);
    t.g.SetThumbHeight(th);
    t.g.SetHorizBorder(hb);
    t.g.SetVertBorder(vb);
    QCOMPARE(t.g.ThumbWidth(), tw);  // kept as set
    int hooked = 0;
    t.g.SetBeforeImageDrawEx([&](TThumbGrid*, int idx, int left, int top, TCanvas& dest, TThumbRect& r) {
      ++hooked;
      TThumbStyle style;
      style.BorderType = tbShadow;
      PaintThumbDecoration(dest, left, top, r, "2", "p|a|b|c", "caption", idx == 0, true, style);
    });
    t.g.SetImage(0, QImage(5000, 90, QImage::Format_RGB888));
    QVERIFY(t.g.Image(0).width() <= kMaxThumbCell && t.g.Image(0).height() <= kMaxThumbCell);
    t.g.EnsureVisible(0);
    const QImage shot = t.g.grab().toImage();
    QVERIFY(!shot.isNull());
    QVERIFY(hooked > 0);
    QVERIFY(hooked <= 2000);
    for (const QPoint p : {QPoint(0, 0), QPoint(399, 299), QPoint(200, 150)}) {
      const int i = t.g.ImageAtPos(p);
      QVERIFY(i >= -1 && i < 2000);
    }
    t.g.SetViewY(INT_MAX);
    t.g.SetViewX(INT_MAX);
    QTest::keyClick(&t.g, Qt::Key_End);
    QTest::keyClick(&t.g, Qt::Key_PageUp);
    QTest::keyClick(&t.g, Qt::Key_Down);
    QVERIFY(t.g.SelectedImage() >= 0);
    t.g.grab();
  }

  void hookSeesVisibleCellsInOrderAndPicturesAreCentred() {
    Grid t(40);
    std::vector<HookCall> calls;
    t.g.SetBeforeImageDrawEx([&](TThumbGrid* sender, int idx, int left, int top, TCanvas&, TThumbRect& r) {
      QCOMPARE(sender, &t.g);
      calls.push_back({idx, left, top, r});
      if (idx == 1) r.Bottom -= 38;  // the hook may shrink the picture area
    });
    QImage small(10, 10, QImage::Format_RGB888);
    small.fill(Qt::red);
    QImage wide(400, 100, QImage::Format_RGB888);
    wide.fill(Qt::blue);
    t.g.SetImage(0, small);
    t.g.SetImage(1, wide);
    QCOMPARE(t.g.Image(1).size(), QSize(80, 20));  // kept at cell size

    const QImage shot = t.g.RenderToImage();
    QVERIFY(!calls.empty());
    for (size_t k = 0; k < calls.size(); ++k) {
      QCOMPARE(calls[k].idx, int(k));
      QVERIFY(t.g.IsVisible(calls[k].idx));
      QCOMPARE(QPoint(calls[k].left, calls[k].top), t.g.CellRect(calls[k].idx).topLeft());
      QCOMPARE(calls[k].rect, (TThumbRect{0, 0, 80, 100}));
    }
    QCOMPARE(int(calls.size()), 12);  // 4 columns, 3 rows reach into 300 px
    // 10 x 10 red centred in the 80 x 100 cell at (12, 12), not enlarged.
    QCOMPARE(shot.pixel(12 + 35, 12 + 45) & 0xffffff, 0xff0000u);
    QCOMPARE(shot.pixel(12 + 44, 12 + 54) & 0xffffff, 0xff0000u);
    QCOMPARE(shot.pixel(12 + 34, 12 + 45) & 0xffffff, 0xffffffu);
    QCOMPARE(shot.pixel(12 + 45, 12 + 54) & 0xffffff, 0xffffffu);
    // 80 x 20 blue centred in the shrunken 80 x 62 area of cell 1 at (104, 12).
    QCOMPARE(shot.pixel(104, 12 + 21) & 0xffffff, 0x0000ffu);
    QCOMPARE(shot.pixel(104 + 79, 12 + 40) & 0xffffff, 0x0000ffu);
    QCOMPARE(shot.pixel(104, 12 + 20) & 0xffffff, 0xffffffu);
    QCOMPARE(shot.pixel(104, 12 + 41) & 0xffffff, 0xffffffu);

    calls.clear();
    t.g.SetViewY(t.g.CellRect(8).top() + 1);  // rows 0 and 1 gone
    t.g.RenderToImage();
    QCOMPARE(calls.front().idx, 8);
  }

  void mouseAndKeySelection() {
    Grid t(30);
    t.g.show();
    QVERIFY(QTest::qWaitForWindowExposed(&t.g));
    const auto centre = [&](int i) { return t.g.CellRect(i).center(); };
    QCOMPARE(t.g.SelectedIndexes(), std::vector<int>{29});  // appending selects the new entry
    QSignalSpy press(&t.g, &TThumbGrid::imageMousePress);
    QTest::mouseClick(t.g.viewport(), Qt::LeftButton, {}, centre(5));
    QCOMPARE(t.g.SelectedIndexes(), std::vector<int>{5});
    QCOMPARE(press.count(), 1);
    QTest::mouseClick(t.g.viewport(), Qt::LeftButton, Qt::ControlModifier, centre(7));
    QCOMPARE(t.g.SelectedIndexes(), (std::vector<int>{5, 7}));
    QTest::mouseClick(t.g.viewport(), Qt::LeftButton, Qt::ControlModifier, centre(5));
    QCOMPARE(t.g.SelectedIndexes(), std::vector<int>{7});
    // The anchor is the last Ctrl-clicked entry, even one just deselected.
    QTest::mouseClick(t.g.viewport(), Qt::LeftButton, Qt::ShiftModifier, centre(10));
    QCOMPARE(t.g.SelectedIndexes(), (std::vector<int>{5, 6, 7, 8, 9, 10}));
    QTest::mouseClick(t.g.viewport(), Qt::LeftButton, Qt::ShiftModifier, centre(8));
    QCOMPARE(t.g.SelectedIndexes(), (std::vector<int>{5, 6, 7, 8}));
    QTest::mouseClick(t.g.viewport(), Qt::LeftButton, {}, QPoint(4, 4));  // a gap
    QVERIFY(t.g.SelectedIndexes().empty());

    struct Key {
      Qt::Key key;
      Qt::KeyboardModifiers mods;
      std::vector<int> selected;
    };
    t.g.SelectOnly(5);  // row 1, column 1 of 4
    const int page = 4 * (t.g.viewport()->height() / 112);
    const std::vector<Key> keys = {
        {Qt::Key_Right, {}, {6}},
        {Qt::Key_Down, {}, {10}},
        {Qt::Key_Left, Qt::ShiftModifier, {9, 10}},
        {Qt::Key_Up, {}, {5}},
        {Qt::Key_Home, {}, {0}},
        {Qt::Key_Up, {}, {0}},
        {Qt::Key_Left, {}, {0}},
        {Qt::Key_End, {}, {29}},
        {Qt::Key_Right, {}, {29}},
        {Qt::Key_Down, {}, {29}},
        {Qt::Key_PageUp, {}, {29 - page}},
        {Qt::Key_PageDown, {}, {29}},
        {Qt::Key_Home, Qt::ShiftModifier, {}},
    };
    for (const Key& k : keys) {
      QTest::keyClick(&t.g, k.key, k.mods);
      if (k.selected.empty()) QCOMPARE(int(t.g.SelectedIndexes().size()), 30);
      else QCOMPARE(t.g.SelectedIndexes(), k.selected);
    }
    QVERIFY(t.g.IsVisible(0));
    QTest::keyClick(&t.g, Qt::Key_End);
    QVERIFY(t.g.IsVisible(29));  // the focused entry is scrolled into view
    t.g.DeselectNone();
    QTest::keyClick(&t.g, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(int(t.g.SelectedIndexes().size()), 30);
    QSignalSpy dbl(&t.g, &TThumbGrid::imageDoubleClick);
    QTest::mouseDClick(t.g.viewport(), Qt::LeftButton, {}, centre(1));
    QCOMPARE(dbl.count(), 1);
  }

  void nestedLockDefersLayoutUntilOutermost() {
    Grid t(0);
    t.g.LockPaint();
    t.g.LockPaint();
    for (int i = 0; i < 100; ++i) t.g.AppendImage();
    QCOMPARE(t.g.verticalScrollBar()->maximum(), 0);
    t.g.UnlockPaint();
    QCOMPARE(t.g.verticalScrollBar()->maximum(), 0);
    QVERIFY(!t.g.viewport()->updatesEnabled());
    t.g.UnlockPaint();
    QVERIFY(t.g.verticalScrollBar()->maximum() > 0);
    QVERIFY(t.g.viewport()->updatesEnabled());
    t.g.UnlockPaint();  // unbalanced: ignored
    QCOMPARE(t.g.PaintLockCount(), 0);
    t.g.Clear();
    QCOMPARE(t.g.ImageCount(), 0);
    QCOMPARE(t.g.verticalScrollBar()->maximum(), 0);
    QCOMPARE(t.g.SelectedImage(), -1);
  }

  void hintShowsOnlyWhenSwitchedOn() {
    Grid t(3);
    t.g.show();
    QVERIFY(QTest::qWaitForWindowExposed(&t.g));
    t.g.SetHint("a.dwg\r\n大小: 1 KB");
    t.g.SetShowHint(true);
    const QPoint p = t.g.CellRect(0).center();
    QHelpEvent ev(QEvent::ToolTip, p, t.g.viewport()->mapToGlobal(p));
    QApplication::sendEvent(t.g.viewport(), &ev);
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), QStringLiteral("a.dwg\n大小: 1 KB"));
    t.g.SetShowHint(false);
    QApplication::sendEvent(t.g.viewport(), &ev);
    QTRY_VERIFY(!QToolTip::isVisible());
  }

  void textsAndTagsAndBadIndex() {
    Grid t(2);
    t.g.SetImageTopText(1, "2");
    t.g.SetImageInfoText(1, "/a|b|c|d");
    t.g.SetImageBottomText(1, "a.dwg");
    t.g.SetImageTag(1, 2);
    QCOMPARE(t.g.ImageTopText(1), QStringLiteral("2"));
    QCOMPARE(t.g.ImageInfoText(1), QStringLiteral("/a|b|c|d"));
    QCOMPARE(t.g.ImageBottomText(1), QStringLiteral("a.dwg"));
    QCOMPARE(t.g.ImageTag(1), 2);
    QCOMPARE(t.g.ImageTag(0), 0);
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, t.g.ImageTag(2));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, t.g.SetImageTag(-1, 0));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, t.g.SetImage(5, QImage()));
  }

  // ---- cell painting ----

  void cellGeometry() {
    // Corner (x, y) = (50, 60), w = 80: the usual 80 x 100 cell.
    const TThumbRect cell{0, 0, 80, 100};
    const TThumbCellGeometry folder = ThumbCellGeometry(50, 60, cell, "1");
    QCOMPARE(folder.Frame, (TThumbRect{47, 57, 133, 143}));
    QCOMPARE(folder.Picture, (TThumbRect{50, 60, 130, 140}));  // w x w
    const TThumbCellGeometry dwg = ThumbCellGeometry(50, 60, cell, "2");
    QCOMPARE(dwg.Picture, (TThumbRect{50, 60, 130, 122}));      // w x (w - 18)
    QCOMPARE(dwg.TypeLine, (TThumbRect{47, 125, 133, 143}));    // y + w - 15 .. y + w + 3
    QCOMPARE(dwg.Caption, (TThumbRect{47, 147, 133, 165}));     // y + w + 7 .. y + w + 25
    QVERIFY(KindHasTypeLine("3"));
    QVERIFY(!KindHasTypeLine("0"));
  }

  void blendColor_data() {
    QTest::addColumn<int>("alpha");
    QTest::addColumn<int>("grey");
    QTest::newRow("128") << 128 << 191;
    QTest::newRow("96") << 96 << 207;
    QTest::newRow("64") << 64 << 223;
    QTest::newRow("32") << 32 << 239;
    QTest::newRow("0") << 0 << 255;
    QTest::newRow("255") << 255 << 128;
  }
  void blendColor() {
    QFETCH(int, alpha);
    QFETCH(int, grey);
    QCOMPARE(BlendColor(QColor(128, 128, 128), Qt::white, alpha), QColor(grey, grey, grey));
    const QColor mixed = BlendColor(QColor(255, 0, 100), QColor(0, 255, 100), alpha);
    QCOMPARE(mixed.red() + mixed.green(), 255);
    QCOMPARE(mixed.blue(), 100);
  }

  void shadowGreyLevels() {
    QImage img = white(200, 200);
    const TThumbRect f{20, 20, 120, 120};
    DrawShadow(img, f, 4, QColor(128, 128, 128));
    const int levels[] = {191, 207, 223, 239};
    for (int ring = 1; ring <= 4; ++ring) {
      const QRgb g = qRgb(levels[ring - 1], levels[ring - 1], levels[ring - 1]);
      const int y = f.Bottom + ring - 1;
      // The bottom run from 8 px right of the frame's left column on.
      QCOMPARE(countInRow(img, y, f.Left + 8, f.Right - 1, g), f.Right - 1 - (f.Left + 8) + 1);
      // The right run at column R + ring - 1.
      QCOMPARE(img.pixel(f.Right + ring - 1, 60), g);
    }
    QCOMPARE(img.pixel(f.Left + 3, f.Bottom), qRgb(255, 255, 255));   // left end of the shadow
    QCOMPARE(img.pixel(60, f.Bottom + 4), qRgb(255, 255, 255));        // below the fourth ring
    QCOMPARE(img.pixel(f.Right + 4, 60), qRgb(255, 255, 255));
    QCOMPARE(img.pixel(f.Right + 1, f.Top + 3), qRgb(255, 255, 255));  // the top end starts lower
    QCOMPARE(img.pixel(60, 60), qRgb(255, 255, 255));                   // inside untouched

    // Depth 0 draws nothing; a frame at and beyond the edges stays in bounds.
    QImage untouched = white(50, 50);
    DrawShadow(untouched, f, 0, Qt::black);
    QCOMPARE(untouched, white(50, 50));
    DrawShadow(untouched, TThumbRect{-100, -100, 48, 49}, 4, Qt::black);
    DrawShadow(untouched, TThumbRect{INT_MIN / 4, INT_MIN / 4, 10, 10}, 4, Qt::black);
  }

  void frameStylesAndSelection() {
    const TThumbRect f{10, 10, 90, 90};
    const QColor border(Qt::black), back(Qt::white);
    const auto draw = [&](int type, bool selected, bool focused, QColor backColor = Qt::white) {
      QImage img = white(120, 120);
      QPainter p(&img);
      DrawThumbFrame(p, f, type, selected, focused, border, backColor);
      return img;
    };
    const QRgb black = 0xff000000, blue = kSelectionFrameColor;
    // Normal: columns L..R-1, rows T..B-1.
    QImage img = draw(tbNormal, false, false);
    QCOMPARE(img.pixel(f.Left, 50), black);
    QCOMPARE(img.pixel(f.Right - 1, 50), black);
    QCOMPARE(img.pixel(f.Right, 50), 0xffffffffu);
    QCOMPARE(img.pixel(50, f.Bottom - 1), black);
    QCOMPARE(countInRow(img, 50, 0, 119, black), 2);
    QCOMPARE(img.pixel(f.Left, f.Top), black);
    // Rounded: the corner pixel is cut, the straight sides stay.
    img = draw(tbRounded, false, false);
    QCOMPARE(img.pixel(f.Left, f.Top), 0xffffffffu);
    QCOMPARE(img.pixel(f.Left, 50), black);
    // None: drawn in the background colour, invisible on white, visible otherwise.
    QVERIFY(!anyInk(draw(tbNone, false, false), QRect(0, 0, 120, 120)));
    QCOMPARE(draw(tbNone, false, false, Qt::red).pixel(f.Left, 50), 0xffff0000u);
    // Selected: 3 px with focus, 2 without, reaching one pixel further right
    // and down; the rounded style plays no part.
    for (int type : {tbNormal, tbRounded}) {
      img = draw(type, true, true);
      QCOMPARE(countInRow(img, 50, 0, f.Left + 5, blue), 3);
      QCOMPARE(countInRow(img, 50, f.Right - 5, 119, blue), 3);
      QCOMPARE(img.pixel(f.Right, 50), blue);
      QCOMPARE(img.pixel(f.Left, f.Top), blue);
      img = draw(type, true, false);
      QCOMPARE(countInRow(img, 50, 0, f.Left + 5, blue), 2);
      QCOMPARE(countInRow(img, 50, f.Right - 5, 119, blue), 2);
      QCOMPARE(img.pixel(f.Right, 50), blue);
    }
  }

  void decorationTextsAndPictureArea() {
    TThumbStyle style;
    style.Font = QFont(QStringLiteral("宋体"), 9);
    const auto paint = [&](const QString& kind, const QString& info, const QString& caption, TThumbRect& r) {
      QImage img = white(200, 200);
      QPainter p(&img);
      TCanvas c{&img, &p};
      PaintThumbDecoration(c, 50, 20, r, kind, info, caption, false, false, style);
      return img;
    };
    const TThumbCellGeometry g = ThumbCellGeometry(50, 20, {0, 0, 80, 100}, "2");
    const auto inside = [](const TThumbRect& t) {
      return QRect(t.Left + 1, t.Top, t.Right - t.Left - 2, t.Bottom - t.Top - 1);
    };
    TThumbRect r{0, 0, 80, 100};
    QImage img = paint("2", "/a.dwg|大小: 1|类型: DWG 图纸|d", "a.dwg", r);
    QCOMPARE(r, (TThumbRect{0, 0, 80, 62}));
    QVERIFY(anyInk(img, inside(g.TypeLine)));
    QVERIFY(anyInk(img, inside(g.Caption)));
    // Empty type text: an empty type line.
    r = {0, 0, 80, 100};
    img = paint("3", "/a.txt|||", "a.txt", r);
    QVERIFY(!anyInk(img, inside(g.TypeLine)));
    // A folder: no type line, square picture area.
    r = {0, 0, 80, 100};
    img = paint("1", "/f/|类型: 文件夹||", "f", r);
    QCOMPARE(r, (TThumbRect{0, 0, 80, 80}));
    QVERIFY(!anyInk(img, inside(g.TypeLine)));
    // A long caption is cut, not wrapped: its ink stays inside the frame's
    // width and on one line.
    r = {0, 0, 80, 100};
    const QString longName = QStringLiteral("一个非常非常长的图纸文件名称用来测试省略号.dwg");
    img = paint("1", "/f/|||", longName, r);
    QVERIFY(anyInk(img, inside(g.Caption)));
    QVERIFY(!anyInk(img, QRect(0, g.Caption.Top, g.Frame.Left, 40)));
    QVERIFY(!anyInk(img, QRect(g.Frame.Right, g.Caption.Top, 60, 40)));
    QVERIFY(!anyInk(img, QRect(0, g.Caption.Bottom, 200, 30)));
    const QFontMetrics fm(style.Font);
    QVERIFY(fm.horizontalAdvance(longName) > 86);
  }

  void iconToBitmapFillsBehindIcon() {
    QPixmap icon(16, 12);
    icon.fill(Qt::transparent);
    {
      QPainter p(&icon);
      p.fillRect(0, 0, 8, 12, Qt::red);
    }
    QImage bmp;
    IconToBitmap(icon, bmp, QColor(0, 0, 255));
    QCOMPARE(bmp.size(), QSize(16, 12));
    QCOMPARE(bmp.pixel(1, 1), qRgb(255, 0, 0));
    QCOMPARE(bmp.pixel(12, 6), qRgb(0, 0, 255));
  }

  void tcolorLayout() {
    QCOMPARE(ColorFromTColor(0x00ff8040), QColor(0x40, 0x80, 0xff));
    QCOMPARE(ColorFromTColor(16777215), QColor(Qt::white));
    QVERIFY(ColorFromTColor(INT_MIN).isValid());
  }
};

QTEST_MAIN(TestThumbGrid)
#include "tst_thumbgrid.moc"
