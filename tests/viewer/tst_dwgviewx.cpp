// The viewer control driven as a user would: load, zoom, pan, zoom window,
// layers, printing, and the error texts.

#include <QApplication>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QPrinter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

#include <functional>

#include "DWGVIEWXLib_TLB.h"
#include "DwfPackage.h"
#include "LayerDialog.h"
#include "cad/render/Primitives.h"

using cad::render::Vec2;

namespace {

QString sample(const char* rel) { return QStringLiteral(PLENDOR_SAMPLES_DIR "/") + QString::fromUtf8(rel); }

// A drawing with many layers, colours, blocks and text.
const char* kSampleDxf = "dxf/acadsharp/sample_2000_ascii.dxf";

QStringList commands(const QSignalSpy& spy) {
    QStringList out;
    for (const auto& call : spy) out << call.at(0).toString();
    return out;
}

// Runs `act` on the next modal dialog once it is up.
void whenModalShows(std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            act(w);
        }
    });
    timer->start();
}

struct Viewer {
    TDwgViewX view;
    Viewer() {
        view.resize(640, 480);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
    }
};

void expectNear(Vec2 a, Vec2 b, double tol) {
    QVERIFY2(std::abs(a.x - b.x) <= tol && std::abs(a.y - b.y) <= tol,
             qPrintable(QString("(%1,%2) vs (%3,%4)").arg(a.x).arg(a.y).arg(b.x).arg(b.y)));
}

}  // namespace

class TestDwgViewX : public QObject {
    Q_OBJECT
private slots:
    void loadsADrawingAndZoomCommandsChangeTheView() {
        Viewer v;
        QSignalSpy spy(&v.view, &TDwgViewX::commandRun);
        v.view.setDrawingFile(sample(kSampleDxf));
        QCOMPARE(v.view.OpenErrorText(), QString());
        QVERIFY(v.view.hasDrawing());
        QVERIFY(!v.view.showingPreview());
        QVERIFY(v.view.resolvedDrawing()->prims.size() > 50);

        const auto fitted = v.view.viewTransform();
        v.view.ZoomIn();
        QCOMPARE(v.view.viewTransform().scale(), fitted.scale() * 2);
        QCOMPARE(v.view.viewTransform().centre(), fitted.centre());
        v.view.ZoomOut();
        v.view.ZoomOut();
        QCOMPARE(v.view.viewTransform().scale(), fitted.scale() / 2);
        v.view.ZoomAll();
        QCOMPARE(v.view.viewTransform(), fitted);
        // Zoom all leaves a margin: the extents lie inside the widget.
        const auto& ext = v.view.resolvedDrawing()->extents;
        const Vec2 lo = fitted.worldToScreen({ext.minX, ext.minY}), hi = fitted.worldToScreen({ext.maxX, ext.maxY});
        QVERIFY(lo.x > 1 && hi.x < 639 && hi.y >= 0 && lo.y <= 480);
        QCOMPARE(commands(spy), QStringList({"OpenErrorText", "ZoomIn", "ZoomOut", "ZoomOut", "ZoomAll"}));
    }

    void wheelZoomsAtTheCursor() {
        Viewer v;
        v.view.setDrawingFile(sample(kSampleDxf));
        const QPointF at(123, 321);
        const Vec2 under = v.view.viewTransform().screenToWorld({at.x(), at.y()});
        const double before = v.view.viewTransform().scale();
        QWheelEvent wheel(at, v.view.mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&v.view, &wheel);
        QVERIFY(v.view.viewTransform().scale() > before * 1.1);
        expectNear(v.view.viewTransform().screenToWorld({at.x(), at.y()}), under, 1e-6 / before);
    }

    void middleButtonAlwaysPansLeftOnlyInPanMode() {
        Viewer v;
        v.view.setDrawingFile(sample(kSampleDxf));
        auto grabbedMovesWithMouse = [&](Qt::MouseButton button) {
            const Vec2 grabbed = v.view.viewTransform().screenToWorld({100, 100});
            QTest::mousePress(&v.view, button, Qt::NoModifier, QPoint(100, 100));
            QTest::mouseMove(&v.view, QPoint(130, 120));
            QTest::mouseRelease(&v.view, button, Qt::NoModifier, QPoint(130, 120));
            const Vec2 now = v.view.viewTransform().worldToScreen(grabbed);
            return std::abs(now.x - 130) < 1e-6 && std::abs(now.y - 120) < 1e-6;
        };
        QVERIFY(grabbedMovesWithMouse(Qt::MiddleButton));
        const auto before = v.view.viewTransform();
        QVERIFY(!grabbedMovesWithMouse(Qt::LeftButton));
        QCOMPARE(v.view.viewTransform(), before);

        v.view.Pan();
        QCOMPARE(v.view.mode(), TDwgViewX::Mode::Pan);
        QVERIFY(grabbedMovesWithMouse(Qt::LeftButton));
        QCOMPARE(v.view.mode(), TDwgViewX::Mode::Pan);  // stays until another mode
        QTest::keyClick(&v.view, Qt::Key_Escape);
        QCOMPARE(v.view.mode(), TDwgViewX::Mode::Normal);
    }

    void zoomWindowDragsARectangleThenReturnsToNormal() {
        Viewer v;
        v.view.setDrawingFile(sample(kSampleDxf));
        const auto before = v.view.viewTransform();
        const Vec2 centreOfBox = before.screenToWorld({200, 175});
        v.view.ZoomWindow();
        QCOMPARE(v.view.mode(), TDwgViewX::Mode::ZoomWindow);
        QTest::mousePress(&v.view, Qt::LeftButton, Qt::NoModifier, QPoint(300, 250));
        QTest::mouseMove(&v.view, QPoint(200, 200));
        QTest::mouseMove(&v.view, QPoint(100, 100));
        QTest::mouseRelease(&v.view, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
        // 200 x 150 pixels fill 640 x 480: 3.2 times closer.
        QCOMPARE(v.view.viewTransform().scale(), before.scale() * 3.2);
        expectNear(v.view.viewTransform().centre(), centreOfBox, 1e-9 / before.scale());
        QCOMPARE(v.view.mode(), TDwgViewX::Mode::Normal);
        // A further left drag does nothing.
        const auto after = v.view.viewTransform();
        QTest::mousePress(&v.view, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
        QTest::mouseRelease(&v.view, Qt::LeftButton, Qt::NoModifier, QPoint(200, 200));
        QCOMPARE(v.view.viewTransform(), after);
    }

    void errorTextsForWhatCannotBeShown_data() {
        QTest::addColumn<QString>("content");  // empty: no file at all
        QTest::newRow("missing file") << QString();
        QTest::newRow("text file") << QStringLiteral("just some notes\n");
        QTest::newRow("truncated DWG header") << QStringLiteral("AC1015");
    }
    void errorTextsForWhatCannotBeShown() {
        QFETCH(QString, content);
        QTemporaryDir dir;
        const QString path = dir.filePath("plan.dxf");
        if (!content.isEmpty()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content.toUtf8());
        }
        Viewer v;
        v.view.setDrawingFile(sample(kSampleDxf));
        v.view.setDrawingFile(path);  // a failure replaces the earlier drawing
        QCOMPARE(v.view.drawingFile(), path);
        QVERIFY(!v.view.OpenErrorText().isEmpty());
        QVERIFY(!v.view.hasDrawing());
        v.view.ZoomIn();  // commands on an empty view are harmless
        v.view.ZoomAll();
    }

    void dwgItCannotReadShowsItsPreview() {
        // A real drawing relabelled with a version code no reader knows: the
        // objects cannot be read, the preview picture still can.
        QTemporaryDir dir;
        QFile src(sample("dwg/AC1015/acadsharp/sample_2000.dwg"));
        QVERIFY(src.open(QIODevice::ReadOnly));
        QByteArray bytes = src.readAll();
        bytes.replace(0, 6, "AC1040");
        const QString future = dir.filePath("future.dwg");
        QFile out(future);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        out.close();

        Viewer v;
        v.view.setShowToobar(false);
        v.view.setDrawingFile(future);
        QCOMPARE(v.view.OpenErrorText(), QString());
        QVERIFY(v.view.showingPreview());
        const auto fitted = v.view.viewTransform();
        v.view.ZoomIn();
        QCOMPARE(v.view.viewTransform().scale(), fitted.scale() * 2);
        v.view.ZoomAll();
        // The picture fills the view's middle, not just the background.
        const QImage shot = v.view.grab().toImage();
        QSet<QRgb> colours;
        for (int x = 0; x < shot.width(); x += 2) colours.insert(shot.pixel(x, shot.height() / 2));
        QVERIFY(colours.size() > 1);

        // Without a preview the same failure is told in words.
        QFile cut(dir.filePath("cut.dwg"));
        QVERIFY(cut.open(QIODevice::WriteOnly));
        cut.write(bytes.left(40));
        cut.close();
        v.view.setDrawingFile(cut.fileName());
        QVERIFY(!v.view.OpenErrorText().isEmpty());
        QVERIFY(!v.view.showingPreview());
    }

    void dwfShowsItsPackageThumbnail() {
        const QString path = sample("dwf/aspose-java/DWFDrawings/for_layers_test.dwf");
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        const QStringList members = dwf::packageMembers(bytes);
        QVERIFY(members.size() > 3);
        QVERIFY(!dwf::packageThumbnail(path).isNull());
        QVERIFY(dwf::packageMember(bytes, "no such member").isNull());
        QVERIFY(dwf::packageMembers(bytes.left(bytes.size() / 2)).isEmpty());  // end record cut off

        Viewer v;
        v.view.setDrawingFile(path);
        QCOMPARE(v.view.OpenErrorText(), QString());
        QVERIFY(v.view.showingPreview());
    }

    void layersDialogSwitchesLayersAndRedrawsAtOnce() {
        Viewer v;
        v.view.setShowToobar(false);
        v.view.setDrawingFile(sample(kSampleDxf));
        QSignalSpy spy(&v.view, &TDwgViewX::commandRun);
        const QImage before = v.view.grab().toImage();
        bool sawDialog = false;
        QImage whileOff;
        whenModalShows([&](QWidget* w) {
            auto* dialog = qobject_cast<LayerDialog*>(w);
            if (dialog) {
                sawDialog = true;
                QListWidget* list = dialog->list();
                QCOMPARE(list->count(), int(v.view.resolvedDrawing()->layers.size()));
                // Switch every layer off one by one: the view empties.
                for (int i = 0; i < list->count(); ++i)
                    if (list->item(i)->flags() & Qt::ItemIsEnabled) list->item(i)->setCheckState(Qt::Unchecked);
                whileOff = v.view.grab().toImage();
            }
            w->close();
        });
        v.view.ShowLayers();
        QVERIFY(sawDialog);
        QCOMPARE(commands(spy), QStringList({"ShowLayers"}));
        QVERIFY(whileOff != before);
        // Nothing left but background.
        const QRgb bg = whileOff.pixel(0, 0);
        for (int y = 0; y < whileOff.height(); y += 3)
            for (int x = 0; x < whileOff.width(); x += 3)
                if (whileOff.pixel(x, y) != bg) QFAIL(qPrintable(QString("pixel at %1,%2").arg(x).arg(y)));
    }

    void backgroundIndexPaintsTheViewAndFlipsColourSeven() {
        Viewer v;
        v.view.setShowToobar(false);
        v.view.setDrawingFile(sample("dxf/nextgis/line_2000.dxf"));
        auto inkColours = [&] {
            const QImage img = v.view.grab().toImage();
            QSet<QRgb> seen;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x) seen.insert(img.pixel(x, y) & 0xFFFFFF);
            return std::pair{img.pixel(0, 0) & 0xFFFFFF, seen};
        };
        v.view.setBackground(7);
        auto [white, onWhite] = inkColours();
        QCOMPARE(white, 0xFFFFFFu);
        v.view.setBackground(0);
        auto [black, onBlack] = inkColours();
        QCOMPARE(black, 0u);
        // The same lines: black ink on white, white ink on black.
        QVERIFY(onWhite.contains(0x000000));
        QVERIFY(onBlack.contains(0xFFFFFF));
        v.view.setBackground(3);
        QCOMPARE(inkColours().first, 0x008000u);
        v.view.setBackground(-1);
        QCOMPARE(inkColours().first, 0u);
    }

    void printsFittedToAPdfPage() {
        Viewer v;
        QTemporaryDir dir;
        const QString pdf = dir.filePath("out.pdf");
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        QVERIFY(!v.view.printTo(printer));  // nothing open: nothing printed
        v.view.setDrawingFile(sample(kSampleDxf));
        QVERIFY(v.view.printTo(printer));
        QFile f(pdf);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QVERIFY(bytes.startsWith("%PDF"));
        QVERIFY(bytes.size() > 2000);
    }

    void toolbarAndContextMenuAreTheControlsOwn() {
        Viewer v;
        QVERIFY(v.view.toolbar()->isVisible());
        v.view.setShowToobar(false);
        QVERIFY(!v.view.showToobar());
        QVERIFY(!v.view.toolbar()->isVisible());
        v.view.setShowToobar(true);
        QVERIFY(v.view.toolbar()->isVisible());
        // The toolbar's buttons run the same commands.
        v.view.setDrawingFile(sample(kSampleDxf));
        QSignalSpy spy(&v.view, &TDwgViewX::commandRun);
        v.view.toolbar()->actions().at(3)->trigger();  // 放大
        QCOMPARE(commands(spy), QStringList({"ZoomIn"}));

        v.view.setEnableContextMenu(false);
        QContextMenuEvent off(QContextMenuEvent::Mouse, QPoint(50, 50), v.view.mapToGlobal(QPoint(50, 50)));
        QApplication::sendEvent(&v.view, &off);
        QVERIFY(!v.view.findChild<QMenu*>("DwgViewContextMenu"));
        v.view.setEnableContextMenu(true);
        QContextMenuEvent on(QContextMenuEvent::Mouse, QPoint(50, 50), v.view.mapToGlobal(QPoint(50, 50)));
        QApplication::sendEvent(&v.view, &on);
        QMenu* menu = v.view.findChild<QMenu*>("DwgViewContextMenu");
        QVERIFY(menu);
        QCOMPARE(menu->actions().size(), 7);
        menu->close();
    }
};

QTEST_MAIN(TestDwgViewX)
#include "tst_dwgviewx.moc"
