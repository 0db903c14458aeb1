#include "SkinFrame.h"

#include <QImage>
#include <QPainter>
#include <QtTest>

namespace {

// A skin whose every pixel names its own place: red = column, green = row,
// blue = 200. Any pixel of the painted frame then tells where it came from.
QImage coordinateSkin(int w, int h)
{
    QImage skin(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            skin.setPixel(x, y, qRgb(x, y, 200));
    return skin;
}

constexpr QRgb kUnpainted = 0xFF000000; // blue 0: never produced by the skins here

// Paints into a canvas with a 5-pixel margin on the right and bottom, to catch
// painting outside the client area.
QImage paintFrame(const QImage& skin, int w, int h)
{
    QImage canvas(w + 5, h + 5, QImage::Format_RGB32);
    canvas.fill(kUnpainted);
    QPainter p(&canvas);
    PaintSkinFrame(p, skin, h, w);
    p.end();
    return canvas;
}

struct Src {
    int x, y;
};
Src src(const QImage& img, int x, int y)
{
    const QRgb c = img.pixel(x, y);
    return {qRed(c), qGreen(c)};
}

} // namespace

class TestSkinFrame : public QObject {
    Q_OBJECT

private slots:
    void framePiecesComeFromTheirSkinRegions_data();
    void framePiecesComeFromTheirSkinRegions();
    void designSizeWithShippedSkin();
    void smallWindowsArePaintedWithoutGaps_data();
    void smallWindowsArePaintedWithoutGaps();
    void skinTooSmallFillsBodyGrey();
    void hitTestTable_data();
    void hitTestTable();
    void zoneEdgesAndCursors();
    void manualResizeKeepsOppositeEdges();
};

void TestSkinFrame::framePiecesComeFromTheirSkinRegions_data()
{
    QTest::addColumn<int>("sw");
    QTest::addColumn<int>("sh");
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::newRow("design size") << 100 << 50 << 712 << 486;
    QTest::newRow("other size") << 100 << 50 << 1003 << 97;
    QTest::newRow("narrow and low") << 100 << 50 << 160 << 60;
    // A taller, wider skin: its centre region is brought to 12 rows first.
    QTest::newRow("larger skin") << 120 << 60 << 500 << 300;
}

void TestSkinFrame::framePiecesComeFromTheirSkinRegions()
{
    QFETCH(int, sw);
    QFETCH(int, sh);
    QFETCH(int, w);
    QFETCH(int, h);
    const QImage img = paintFrame(coordinateSkin(sw, sh), w, h);

    for (int y = 0; y < h + 5; ++y) {
        for (int x = 0; x < w + 5; ++x) {
            const bool inside = x < w && y < h;
            if (!inside) {
                QVERIFY2(img.pixel(x, y) == kUnpainted, qPrintable(QString("outside at %1,%2").arg(x).arg(y)));
                continue;
            }
            QVERIFY2(qBlue(img.pixel(x, y)) == 200, qPrintable(QString("unpainted at %1,%2").arg(x).arg(y)));
            const Src s = src(img, x, y);
            const QString where = QString("%1,%2 from %3,%4").arg(x).arg(y).arg(s.x).arg(s.y);
            if (y < 28) {
                if (x < 20) {                           // 1: top-left corner, copied
                    QVERIFY2(s.x == x && s.y == y, qPrintable(where));
                } else if (x >= w - 20) {               // 2: top-right corner, copied
                    QVERIFY2(s.x == sw - 20 + (x - (w - 20)) && s.y == y, qPrintable(where));
                } else {                                // 3: top edge, columns 21..80
                    QVERIFY2(s.y == y && s.x >= 21 && s.x <= 80, qPrintable(where));
                }
            } else if (y >= h - 10) {
                const int sy = sh - 10 + (y - (h - 10));
                if (x < 10)                             // 4
                    QVERIFY2(s.x == x && s.y == sy, qPrintable(where));
                else if (x >= w - 10)                   // 5
                    QVERIFY2(s.x == sw - 10 + (x - (w - 10)) && s.y == sy, qPrintable(where));
                else                                    // 8: bottom edge
                    QVERIFY2(s.y == sy && s.x >= 10 && s.x < sw - 10, qPrintable(where));
            } else if (x < 10) {                        // 6: left edge, rows 28..39
                QVERIFY2(s.x == x && s.y >= 28 && s.y <= 39, qPrintable(where));
            } else if (x >= w - 10) {                   // 7: right edge
                QVERIFY2(s.x == sw - 10 + (x - (w - 10)) && s.y >= 28 && s.y <= 39, qPrintable(where));
            } else {                                    // 9: centre
                QVERIFY2(s.x >= 10 && s.x < sw - 10 && s.y >= 28 && s.y < sh - 10, qPrintable(where));
            }
        }
    }

    // Stretched pieces run through their whole source, in order.
    QCOMPARE(src(img, 20, 5).x, 21);
    QCOMPARE(src(img, w - 21, 5).x, 80);
    QCOMPARE(src(img, 3, 28).y, 28);
    QCOMPARE(src(img, 3, h - 11).y, 39);
    QCOMPARE(src(img, 10, h - 1).x, 10);
    QCOMPARE(src(img, w - 11, h - 1).x, sw - 11);
    for (int x = 21; x < w - 20; ++x)
        QVERIFY(src(img, x, 0).x >= src(img, x - 1, 0).x);
    for (int y = 29; y < h - 10; ++y)
        QVERIFY(src(img, w - 1, y).y >= src(img, w - 1, y - 1).y);
    // The centre's top and bottom rows reach the first and last rows of the
    // skin's inner region.
    QCOMPARE(src(img, w / 2, 28).y, 28);
    QCOMPARE(src(img, w / 2, h - 11).y, sh - 11);
}

void TestSkinFrame::designSizeWithShippedSkin()
{
    const QImage skin(":/art/skin.bmp");
    QCOMPARE(skin.size(), QSize(100, 50));
    QCOMPARE(skin.depth(), 32);   // loaded from a 24-bit BMP
    const QImage img = paintFrame(skin, 712, 486);
    auto grey = [&](int x, int y) {
        const QRgb c = img.pixel(x, y);
        return (qRed(c) == qGreen(c) && qGreen(c) == qBlue(c)) ? qRed(c) : -1;
    };
    // Title band between the corners: uniform along each row, with the light
    // line in row 1, mid-grey above row 12, darkening to the body below it.
    for (int y = 0; y < 28; ++y) {
        const int level = grey(20, y);
        for (int x = 20; x < 692; ++x)
            QCOMPARE(grey(x, y), level);
        if (y == 1)
            QVERIFY(level >= 131 && level <= 136);
        else if (y < 12)
            QVERIFY(level >= 54 && level <= 64);
        else
            QVERIFY(level <= 18 && level >= 6);
    }
    QVERIFY(grey(0, 0) < 10);             // rounded corner outside
    QVERIFY(grey(711, 0) < 10);
    QCOMPARE(grey(356, 243), 6);          // body
    // 10-pixel borders: almost black outer column, grey 41 outline inside.
    for (int y : {28, 200, 475}) {
        QVERIFY(grey(0, y) < 10);
        QCOMPARE(grey(1, y), 41);
        QCOMPARE(grey(2, y), 6);
        QVERIFY(grey(711, y) < 10);
        QCOMPARE(grey(710, y), 41);
    }
    for (int x : {0, 10, 356, 701, 711})
        QVERIFY(grey(x, 485) < 10);
    for (int x : {1, 10, 356, 701, 710})
        QCOMPARE(grey(x, 484), 41);
}

void TestSkinFrame::smallWindowsArePaintedWithoutGaps_data()
{
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::newRow("1x1") << 1 << 1;
    QTest::newRow("15x5") << 15 << 5;
    QTest::newRow("30x20") << 30 << 20;
    QTest::newRow("39x37") << 39 << 37;
    QTest::newRow("40x38") << 40 << 38;
    QTest::newRow("39x300") << 39 << 300;
    QTest::newRow("600x12") << 600 << 12;
}

void TestSkinFrame::smallWindowsArePaintedWithoutGaps()
{
    QFETCH(int, w);
    QFETCH(int, h);
    const QImage img = paintFrame(coordinateSkin(100, 50), w, h);
    for (int y = 0; y < h + 5; ++y)
        for (int x = 0; x < w + 5; ++x)
            QCOMPARE(qBlue(img.pixel(x, y)) == 200, x < w && y < h);
}

void TestSkinFrame::skinTooSmallFillsBodyGrey()
{
    for (const QImage& skin : {coordinateSkin(80, 50), coordinateSkin(100, 39), QImage()}) {
        const QImage img = paintFrame(skin, 50, 50);
        QCOMPARE(img.pixel(0, 0), qRgb(6, 6, 6));
        QCOMPARE(img.pixel(49, 49), qRgb(6, 6, 6));
        QCOMPARE(img.pixel(50, 50), kUnpainted);
    }
}

void TestSkinFrame::hitTestTable_data()
{
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::addColumn<QPoint>("p");
    QTest::addColumn<int>("code");
    const int W = 712, H = 486;
    QTest::newRow("outermost top-left") << W << H << QPoint(0, 0) << 13;
    QTest::newRow("top-left inner") << W << H << QPoint(9, 9) << 13;
    QTest::newRow("top beside corner") << W << H << QPoint(10, 0) << 12;
    QTest::newRow("left below corner") << W << H << QPoint(9, 10) << 10;
    QTest::newRow("top-right") << W << H << QPoint(711, 0) << 14;
    QTest::newRow("top-right inner") << W << H << QPoint(702, 9) << 14;
    QTest::newRow("top before top-right") << W << H << QPoint(701, 9) << 12;
    QTest::newRow("right below corner") << W << H << QPoint(711, 10) << 11;
    QTest::newRow("right margin") << W << H << QPoint(709, 300) << 11;
    QTest::newRow("bottom-right") << W << H << QPoint(711, 485) << 17;
    QTest::newRow("bottom-right inner") << W << H << QPoint(702, 476) << 17;
    QTest::newRow("right above corner") << W << H << QPoint(702, 475) << 11;
    QTest::newRow("bottom before corner") << W << H << QPoint(701, 476) << 15;
    QTest::newRow("bottom-left") << W << H << QPoint(0, 485) << 16;
    QTest::newRow("bottom-left inner") << W << H << QPoint(9, 476) << 16;
    QTest::newRow("bottom") << W << H << QPoint(356, 480) << 15;
    QTest::newRow("left") << W << H << QPoint(5, 200) << 10;
    QTest::newRow("just inside") << W << H << QPoint(10, 10) << 1;
    QTest::newRow("centre") << W << H << QPoint(356, 243) << 1;
    QTest::newRow("right exclusive") << W << H << QPoint(712, 5) << 1;
    QTest::newRow("bottom exclusive") << W << H << QPoint(5, 486) << 1;
    QTest::newRow("negative") << W << H << QPoint(-1, 5) << 1;
    // Overlapping zones in a tiny window: corners win, in table order.
    QTest::newRow("tiny: both top-left and bottom-right") << 15 << 15 << QPoint(7, 7) << 13;
    QTest::newRow("tiny: bottom-right over bottom-left") << 15 << 15 << QPoint(7, 12) << 17;
    QTest::newRow("tiny: top-right") << 15 << 15 << QPoint(12, 2) << 14;
    QTest::newRow("tiny: bottom-left") << 15 << 15 << QPoint(3, 12) << 16;
}

void TestSkinFrame::hitTestTable()
{
    QFETCH(int, w);
    QFETCH(int, h);
    QFETCH(QPoint, p);
    QFETCH(int, code);
    QCOMPARE(FrameHitTest(p, w, h, HTCLIENT), code);
}

void TestSkinFrame::zoneEdgesAndCursors()
{
    struct Row {
        int code;
        Qt::Edges edges;
        Qt::CursorShape cursor;
    };
    const Row rows[] = {
        {HTLEFT, Qt::LeftEdge, Qt::SizeHorCursor},
        {HTRIGHT, Qt::RightEdge, Qt::SizeHorCursor},
        {HTTOP, Qt::TopEdge, Qt::SizeVerCursor},
        {HTBOTTOM, Qt::BottomEdge, Qt::SizeVerCursor},
        {HTTOPLEFT, Qt::TopEdge | Qt::LeftEdge, Qt::SizeFDiagCursor},
        {HTBOTTOMRIGHT, Qt::BottomEdge | Qt::RightEdge, Qt::SizeFDiagCursor},
        {HTTOPRIGHT, Qt::TopEdge | Qt::RightEdge, Qt::SizeBDiagCursor},
        {HTBOTTOMLEFT, Qt::BottomEdge | Qt::LeftEdge, Qt::SizeBDiagCursor},
        {HTCLIENT, {}, Qt::ArrowCursor},
        {HTCAPTION, {}, Qt::ArrowCursor},
    };
    for (const Row& r : rows) {
        QCOMPARE(FrameHitEdges(r.code), r.edges);
        QCOMPARE(FrameHitCursor(r.code), r.cursor);
    }
}

void TestSkinFrame::manualResizeKeepsOppositeEdges()
{
    const QRect start(100, 50, 400, 300);
    QCOMPARE(ResizedGeometry(start, Qt::RightEdge | Qt::BottomEdge, {30, -20}), QRect(100, 50, 430, 280));
    QCOMPARE(ResizedGeometry(start, Qt::LeftEdge, {30, 99}), QRect(130, 50, 370, 300));
    QCOMPARE(ResizedGeometry(start, Qt::TopEdge | Qt::LeftEdge, {-10, -5}), QRect(90, 45, 410, 305));
    // Dragged past the opposite edge: the window keeps its minimum, pinned there.
    QCOMPARE(ResizedGeometry(start, Qt::TopEdge | Qt::LeftEdge, {1000, 1000}), QRect(499, 349, 1, 1));
    QCOMPARE(ResizedGeometry(start, Qt::RightEdge, {-1000, 0}, QSize(40, 38)), QRect(100, 50, 40, 300));
}

QTEST_MAIN(TestSkinFrame)
#include "tst_skinframe.moc"
