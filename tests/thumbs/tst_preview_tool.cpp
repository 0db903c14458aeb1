// plendor-render --preview: the thumbnail picture of a drawing at its own size.
#include "DwgFixture.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace dwgfixture;

class TestPreviewTool : public QObject {
  Q_OBJECT
private slots:
  void exitCodesAndPicture_data() {
    QTest::addColumn<QByteArray>("drawing");  // empty: no such file
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QSize>("size");
    QTest::newRow("bitmap") << makeDwg({{1, QByteArray(80, 'h')}, {2, dib8(37, 21, 7)}}) << 0 << QSize(37, 21);
    QTest::newRow("png only") << makeDwg({{6, pngBytes(12, 9, Qt::red)}}) << 0 << QSize(12, 9);
    QTest::newRow("no preview") << makeDwg({{1, QByteArray(80, 'h')}}) << 1 << QSize(0, 0);
    QTest::newRow("undecodable") << makeDwg({{6, QByteArray(40, 'x')}}) << 1 << QSize(0, 0);
    QTest::newRow("missing file") << QByteArray() << 2 << QSize(0, 0);
  }
  void exitCodesAndPicture() {
    QFETCH(QByteArray, drawing);
    QFETCH(int, exitCode);
    QFETCH(QSize, size);
    QTemporaryDir dir;
    const QString in = dir.filePath("in|put.dwg"), out = dir.filePath("out.png");
    if (!drawing.isEmpty()) QVERIFY(writeFile(in, drawing));
    QProcess p;
    p.start(QStringLiteral(PLENDOR_RENDER_TOOL), {"--preview", in, out});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), exitCode);
    const QImage img(out);
    QCOMPARE(img.size(), size);  // 0 x 0: nothing written
    QCOMPARE(QFile::exists(out), exitCode == 0);
    if (exitCode == 0 && size == QSize(37, 21)) QCOMPARE(img.pixel(5, 5), qRgb(7 ^ 0x5a, 255 - 7, 7));
  }
};

QTEST_GUILESS_MAIN(TestPreviewTool)
#include "tst_preview_tool.moc"
