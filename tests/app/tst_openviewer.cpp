// Opening drawings from the main window, the failure box, and the view buttons.

#include "TestSupport.h"

#include "Buttons.h"
#include "DWGVIEWXLib_TLB.h"
#include "DwgPreview.h"
#include "PathBytes.h"

#include <QSignalSpy>
#include <QtTest>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString ourSample(const char* name)
{
    return QStringLiteral(PLENDOR_SOURCE_DIR "/samples/") + QLatin1String(name);
}

QStringList commandsOf(const QSignalSpy& spy)
{
    QStringList names;
    for (const QList<QVariant>& call : spy)
        names << call.at(0).toString();
    return names;
}

} // namespace

class TestOpenViewer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InstallSongSubstitutes(); }

    void extensionDecidesWhatReachesTheControl_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("reachesControl");
        QTest::newRow("upper DXF") << "PART.DXF" << true;
        QTest::newRow("mixed Dxf") << "part.Dxf" << true;
        QTest::newRow("backup") << "part.dxf.bak" << false;
        QTest::newRow("text file") << "notes.txt" << false;
    }
    void extensionDecidesWhatReachesTheControl()
    {
        QFETCH(QString, name);
        QFETCH(bool, reachesControl);
        WindowFixture f;
        TFrmCAD& w = *f.window;
        const QString path = f.dir.filePath(name);
        QVERIFY(QFile::copy(ourSample("flange.dxf"), path));

        MessageBoxCatcher box;
        box.arm();
        w.OpenDrawing(path);
        QCOMPARE(w.DrawingOpen, reachesControl);
        QCOMPARE(w.DwgViewX1->drawingFile().isEmpty(), !reachesControl);
        QVERIFY(w.PanelWaite->isHidden());
        if (reachesControl) {
            QVERIFY(!box.seen);
            QVERIFY(w.RzPanelDis->isHidden());
            QCOMPARE(w.RzPanelMsg->text(), " " + path);
        } else {
            QTRY_VERIFY(box.seen);
            QCOMPARE(box.title, QString("提示"));
            QCOMPARE(box.text, path + "\r\n文件无法打开。");
            QVERIFY(!w.RzPanelDis->isHidden());
            QCOMPARE(w.RzPanelMsg->text(), QString());
        }
    }

    void controlErrorIsShownAloneAndCoversTheView()
    {
        WindowFixture f;
        TFrmCAD& w = *f.window;
        w.OpenDrawing(ourSample("floor-plan.dxf"));
        QVERIFY(w.DrawingOpen);

        const QString bad = f.dir.filePath("broken.dxf");
        QFile file(bad);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("this is not a drawing at all\n");
        file.close();

        MessageBoxCatcher box;
        box.arm();
        w.OpenDrawing(bad);
        QTRY_VERIFY(box.seen);
        QVERIFY(!box.text.isEmpty());
        QVERIFY(!box.text.contains(bad));
        QCOMPARE(box.text, w.DwgViewX1->OpenErrorText());
        QVERIFY(!w.DrawingOpen);
        QVERIFY(!w.RzPanelDis->isHidden());
        QCOMPARE(w.RzPanelMsg->text(), QString());

        QSignalSpy spy(w.DwgViewX1, &TDwgViewX::commandRun);
        for (TBitmapButton* b : {w.BtnPan, w.BtnZoomWin, w.BtnZoomAll, w.BtnZoomIn, w.BtnZoomOut, w.BtnLayer,
                                 w.BtnPrint})
            QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(spy.count(), 0);
    }

    void secondOpenReplacesTheStatus()
    {
        WindowFixture f;
        TFrmCAD& w = *f.window;
        w.OpenDrawing(ourSample("flange.dxf"));
        QCOMPARE(w.RzPanelMsg->text(), " " + ourSample("flange.dxf"));
        w.OpenDrawing(ourSample("parking-blocks.dxf"));
        QVERIFY(w.DrawingOpen);
        QCOMPARE(w.RzPanelMsg->text(), " " + ourSample("parking-blocks.dxf"));
    }

    void viewButtonsDriveTheControlOnlyWithADrawing()
    {
        WindowFixture f;
        TFrmCAD& w = *f.window;
        QSignalSpy spy(w.DwgViewX1, &TDwgViewX::commandRun);
        const QList<TBitmapButton*> buttons = {w.BtnPan, w.BtnZoomWin, w.BtnZoomAll, w.BtnZoomIn, w.BtnZoomOut};
        for (TBitmapButton* b : buttons)
            QTest::mouseClick(b, Qt::LeftButton);
        QTest::mouseClick(w.BtnLayer, Qt::LeftButton);
        QTest::mouseClick(w.BtnPrint, Qt::LeftButton);
        QCOMPARE(spy.count(), 0);

        w.OpenDrawing(ourSample("flange.dxf"));
        QVERIFY(w.DrawingOpen);
        QCOMPARE(commandsOf(spy), QStringList({"OpenErrorText"}));
        spy.clear();
        for (TBitmapButton* b : buttons)
            QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(commandsOf(spy), QStringList({"Pan", "ZoomWindow", "ZoomAll", "ZoomIn", "ZoomOut"}));
    }

    void layersThenZoomAll()
    {
        WindowFixture f;
        TFrmCAD& w = *f.window;
        w.OpenDrawing(ourSample("flange.dxf"));
        QSignalSpy spy(w.DwgViewX1, &TDwgViewX::commandRun);
        WhenModalShows([](QWidget* dialog) { dialog->close(); });
        QTest::mouseClick(w.BtnLayer, Qt::LeftButton);
        QCOMPARE(commandsOf(spy), QStringList({"ShowLayers", "ZoomAll"}));
    }

    void backgroundIndexInTwoSteps()
    {
        WindowFixture f;
        TFrmCAD& w = *f.window;
        w.ApplyBkColor(3);
        QCOMPARE(w.BkColor, 3);
        QCOMPARE(w.DwgViewX1->background(), short(3));
        QCOMPARE(w.RzPanelBk->palette().color(QPalette::Window), QColor(0, 128, 0));
        for (int bad : {10, -1}) {
            w.ApplyBackground(bad);
            QCOMPARE(w.RzPanelBk->palette().color(QPalette::Window), QColor(0, 0, 0));
        }
    }

    void namesThatAreNotUtf8StillOpen()
    {
        // "中文" in GBK: bytes that are not valid UTF-8, as unpacked from an old archive.
        WindowFixture f;
        const QByteArray folder = QFile::encodeName(f.dir.path()) + '/';
        auto copyTo = [&](const QString& source, const QByteArray& name) {
            QFile in(source);
            if (!in.open(QIODevice::ReadOnly))
                return QString();
            const QByteArray data = in.readAll();
            const QByteArray bytes = folder + name;
            const int fd = ::open(bytes.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd < 0 || ::write(fd, data.constData(), size_t(data.size())) != data.size())
                return QString();
            ::close(fd);
            return DecodePath(bytes);
        };
        const QString dxf = copyTo(ourSample("flange.dxf"), QByteArray("\xd6\xd0\xce\xc4.dxf"));
        QVERIFY(PathHasRawBytes(dxf));
        f.window->OpenDrawing(dxf);
        QVERIFY(f.window->DrawingOpen);

        const QString dwg = copyTo(QStringLiteral(PLENDOR_SAMPLES_DIR "/dwg/AC1015/libredwg/2000/Arc.dwg"),
                                   QByteArray("\xd6\xd0\xce\xc4.dwg"));
        QVERIFY(!dwg.isEmpty());
        QVERIFY(!LoadDwgPreviewImage(dwg).isNull());
    }

    void waitPanelKeepsItsCentreFraction()
    {
        WindowFixture f;
        TFrmCAD& w = *f.window;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.Timer1->stop();
        w.RzPanelBk->resize(382, 368);
        QCoreApplication::processEvents();
        QCOMPARE(w.PanelWaite->geometry(), QRect(114, 44, 185, 41));
        w.RzPanelBk->resize(764, 500);
        QCoreApplication::processEvents();
        QCOMPARE(w.PanelWaite->width(), 185);
        QCOMPARE(w.PanelWaite->y(), 44);
        const double before = (114 + 185 / 2.0) / 382.0;
        const double after = (w.PanelWaite->x() + 185 / 2.0) / 764.0;
        QVERIFY(qAbs(before - after) < 0.01);
        QCOMPARE(w.RzPanelDis->size(), QSize(764, 500));
    }
};

QTEST_MAIN(TestOpenViewer)
#include "tst_openviewer.moc"
