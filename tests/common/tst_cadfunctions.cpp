#include "CADFunctions.h"

#include <QtTest>

class TestCadFunctions : public QObject {
    Q_OBJECT
private slots:
    void drawingExtensions_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("dwg");
        QTest::addColumn<bool>("dxf");
        QTest::addColumn<bool>("dwf");
        QTest::newRow("upper DWG") << "/d/PLAN.DWG" << true << false << false;
        QTest::newRow("mixed Dxf") << "/d/part.Dxf" << false << true << false;
        QTest::newRow("dwf") << "/d/sheet.dwf" << false << false << true;
        QTest::newRow("backup") << "/d/plan.dwg.bak" << false << false << false;
        QTest::newRow("folder named .dwg") << "/d/plans.dwg/sheet" << false << false << false;
        QTest::newRow("no extension") << "/d/README" << false << false << false;
        QTest::newRow("dot only") << "/d/x." << false << false << false;
        QTest::newRow("colon is ordinary") << "/d/a:b.dwg" << true << false << false;
    }
    void drawingExtensions()
    {
        QFETCH(QString, path);
        QFETCH(bool, dwg);
        QFETCH(bool, dxf);
        QFETCH(bool, dwf);
        QCOMPARE(IsDwgFile(path), dwg);
        QCOMPARE(IsDxfFile(path), dxf);
        QCOMPARE(IsDwfFile(path), dwf);
    }

    void backgroundColours()
    {
        const QList<QColor> expected = {QColor(0, 0, 0), QColor(255, 0, 0), QColor(255, 255, 0),
                                        QColor(0, 128, 0), QColor(0, 255, 255), QColor(0, 0, 255),
                                        QColor(255, 0, 255), QColor(255, 255, 255), QColor(128, 128, 128),
                                        QColor(192, 192, 192)};
        for (int i = 0; i < expected.size(); ++i)
            QCOMPARE(BackgroundColorOf(i), expected.at(i));
        for (int bad : {-1, 10, 255, -100000})
            QCOMPARE(BackgroundColorOf(bad), QColor(0, 0, 0));
    }

    void colourReferences()
    {
        QCOMPARE(ColorRefToQColor(0x0000FF), QColor(255, 0, 0));
        QCOMPARE(ColorRefToQColor(0xFF0000), QColor(0, 0, 255));
        QCOMPARE(QColorToColorRef(QColor(1, 2, 3)), 0x030201);
        QVERIFY(ColorRefToQColor(qint32(0x8000000F)).isValid()); // button face, from the palette
        QCOMPARE(SystemColorCount(), 25);
    }

    void trailingSeparators()
    {
        QCOMPARE(AddTrailingSeparator(QString()), QString());
        QCOMPARE(AddTrailingSeparator("/a"), QString("/a/"));
        QCOMPARE(AddTrailingSeparator("/a/"), QString("/a/"));
        QCOMPARE(DropTrailingSeparator("/a//"), QString("/a"));
        QCOMPARE(DropTrailingSeparator("/"), QString("/"));
    }

    void openWithShellFallsBackOnlyForHtm()
    {
        QStringList opened, chosen;
        const DesktopOpener previous = SetDesktopOpener([&](const QString& a) {
            opened << a;
            return false; // nothing associated
        });
        SetOpenWithChooser([&](const QString& p) { chosen << p; });
        OpenWithShell("   ");
        QVERIFY(opened.isEmpty());
        OpenWithShell("/x/guide.HTM");
        OpenWithShell("/x/file.unknown");
        QCOMPARE(opened, QStringList({"/x/guide.HTM", "/x/file.unknown"}));
        QCOMPARE(chosen, QStringList({"/x/guide.HTM"}));
        SetDesktopOpener(previous);
        SetOpenWithChooser({});
    }
};

QTEST_MAIN(TestCadFunctions)
#include "tst_cadfunctions.moc"
