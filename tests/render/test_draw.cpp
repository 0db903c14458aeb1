// Draw step: culling, level of detail and clipping on small resolved drawings.
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QtTest>

#include "cad/model/Drawing.h"
#include "cad/render/Draw.h"
#include "cad/render/Resolve.h"

using namespace cad::render;

namespace {

std::shared_ptr<ResolvedDrawing> resolveEntities(std::vector<cad::EntityPtr> entities) {
    cad::Drawing d;
    cad::Layer l0;
    l0.name.push_back('0'); // not = "0": GCC 12 gives a false -Wrestrict there under the sanitizers
    l0.color = 1;
    d.layers = {l0};
    d.buildIndex();
    d.entities = std::move(entities);
    return resolveDrawing(d);
}

cad::EntityPtr line(double x0, double y0, double x1, double y1) {
    auto l = std::make_unique<cad::Line>();
    l->start = {x0, y0, 0};
    l->end = {x1, y1, 0};
    return l;
}

cad::EntityPtr circle(double x, double y, double r) {
    auto c = std::make_unique<cad::Circle>();
    c->center = {x, y, 0};
    c->radius = r;
    return c;
}

int inkPixels(const QImage& img) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) n += (img.pixel(x, y) & 0xFFFFFF) != 0;
    return n;
}

DrawStats draw(const ResolvedDrawing& r, const ViewTransform& v, QImage& img) {
    img = QImage(v.width(), v.height(), QImage::Format_RGB32);
    QPainter p(&img);
    return drawResolved(p, r, v, {});
}

}  // namespace

class TestDraw : public QObject {
    Q_OBJECT
private slots:
    void onlyWhatMeetsTheViewIsLookedAt() {
        std::vector<cad::EntityPtr> es;
        for (int i = 0; i < 2000; ++i) es.push_back(line(i * 10, 0, i * 10 + 5, 5));
        const auto r = resolveEntities(std::move(es));
        ViewTransform v(200, 100);
        v.setScale(10);
        v.setCentre({55, 2.5});  // shows x 45..65: two or three lines
        QImage img;
        const DrawStats s = draw(*r, v, img);
        QVERIFY(s.candidates >= 2 && s.candidates <= 4);
        QVERIFY(inkPixels(img) > 50);
        v.setCentre({-1000, -1000});  // nothing there
        QCOMPARE(draw(*r, v, img).candidates, std::size_t(0));
        QCOMPARE(inkPixels(img), 0);
    }

    void subPixelThingsBecomeOneDot() {
        const auto r = resolveEntities([] {
            std::vector<cad::EntityPtr> es;
            es.push_back(circle(0, 0, 0.001));
            es.push_back(circle(0.0001, 0, 0.001));  // same pixel: drawn once
            es.push_back(line(-100, -100, -100, -100.0001));
            es.push_back(line(100, 100, 100, 100));
            return es;
        }());
        ViewTransform v(100, 100);
        v.fit(r->extents, 0.1);
        QImage img;
        const DrawStats s = draw(*r, v, img);
        QCOMPARE(s.drawn, std::size_t(0));
        QCOMPARE(inkPixels(img), 3);
        // The circles' dot sits at the centre (within rounding), in layer red.
        int red = 0;
        for (int y = 49; y <= 50; ++y)
            for (int x = 49; x <= 50; ++x) red += (img.pixel(x, y) & 0xFFFFFF) == 0xFF0000u;
        QCOMPARE(red, 1);
    }

    void extremeZoomStillDrawsTheLineAcrossTheView() {
        const auto r = resolveEntities([] {
            std::vector<cad::EntityPtr> es;
            es.push_back(line(-1e6, 0, 1e6, 0));
            return es;
        }());
        ViewTransform v(300, 200);
        v.setCentre({12345.678, 0});
        v.setScale(1e7);  // the ends are 1e13 pixels away
        QImage img;
        draw(*r, v, img);
        for (int x = 0; x < 300; x += 7) QCOMPARE(img.pixel(x, 100) & 0xFFFFFF, 0xFF0000u);
        QCOMPARE(inkPixels(img), 300);
    }

    void switchedOffLayersAreNotDrawn() {
        auto r = resolveEntities([] {
            std::vector<cad::EntityPtr> es;
            es.push_back(circle(0, 0, 10));
            return es;
        }());
        ViewTransform v(100, 100);
        v.fit(r->extents);
        QImage img;
        draw(*r, v, img);
        QVERIFY(inkPixels(img) > 100);
        r->setLayerOn("0", false);
        draw(*r, v, img);
        QCOMPARE(inkPixels(img), 0);
    }

    void fastPixelPathMatchesPainterPath() {
        // RGB32 without transform takes the direct path; a translated painter
        // takes QPainter's. Both must put the same line in the same place.
        const auto r = resolveEntities([] {
            std::vector<cad::EntityPtr> es;
            es.push_back(line(0, 0, 100, 40));
            return es;
        }());
        ViewTransform v(120, 60);
        v.fit(r->extents, 0.05);
        QImage direct;
        draw(*r, v, direct);
        QImage viaPainter(120, 60, QImage::Format_RGB32);
        {
            QPainter p(&viaPainter);
            p.translate(0.0001, 0);  // not the identity: no direct access
            drawResolved(p, *r, v, {});
        }
        const int a = inkPixels(direct), b = inkPixels(viaPainter);
        QVERIFY(a > 90);
        QVERIFY(std::abs(a - b) <= a / 10);
        QCOMPARE(direct.pixel(60, 30) & 0xFFFFFF, viaPainter.pixel(60, 30) & 0xFFFFFF);
    }

    void songSubstituteHasChineseGlyphs() {
        registerCadFontSubstitutes();
        const QFont song(QString::fromUtf8("宋体"));
        const QString family = QFontInfo(song).family();
        QVERIFY2(family.contains("UMing") || family.contains("CJK") || family.contains("Sung"), qPrintable(family));
        QVERIFY(QFontMetrics(song).inFont(QChar(0x4E2D)));  // 中
    }
};

QTEST_MAIN(TestDraw)
#include "test_draw.moc"
