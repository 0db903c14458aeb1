// The DWG preview reader on small drawings built here byte by byte, and on the
// public sample drawings where they lie.
#include "DwgFixture.h"
#include "DwgPreview.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace dwgfixture;

namespace {

struct Result {
  bool ok = false;
  QByteArray out;
};
Result readPreview(const QByteArray& file, const QByteArray& before = {}) {
  QByteArray bytes = file;
  QBuffer in(&bytes);
  in.open(QIODevice::ReadOnly);
  QBuffer out;
  out.open(QIODevice::ReadWrite);
  out.write(before);
  Result r;
  r.ok = ReadDwgPreview(out, in);
  r.out = out.data();
  return r;
}

QImage loadImage(const QByteArray& file, bool* ok = nullptr) {
  QByteArray bytes = file;
  QBuffer in(&bytes);
  in.open(QIODevice::ReadOnly);
  QImage img;
  const bool r = LoadDwgPreviewBitmap(img, in);
  if (ok) *ok = r;
  return img;
}

QString samplesDir() { return QStringLiteral(PLENDOR_SAMPLES_DIR); }

struct SampleRow {
  QString file;
  QString preview;
};
QList<SampleRow> dwgSamples() {
  QList<SampleRow> rows;
  QFile f(samplesDir() + "/index.tsv");
  if (!f.open(QIODevice::ReadOnly)) return rows;
  f.readLine();
  while (!f.atEnd()) {
    const QStringList cols = QString::fromUtf8(f.readLine()).split('\t');
    if (cols.size() > 5 && cols[1] == "dwg") rows.append({cols[0], cols[5]});
  }
  return rows;
}

}  // namespace

class TestDwgPreview : public QObject {
  Q_OBJECT
private slots:
  void bitmapEntryBecomesBmpFileImage() {
    const QByteArray bmp = dib8(5, 3, 7);
    const QByteArray file = makeDwg({{1, QByteArray(80, 'h')}, {2, bmp}, {3, QByteArray(30, 'w')}});
    const Result r = readPreview(file);
    QVERIFY(r.ok);
    QCOMPARE(r.out.size(), bmp.size() + 14);
    QCOMPARE(r.out.left(2), QByteArray("BM"));
    QCOMPARE(qFromLittleEndian<quint32>(r.out.constData() + 2), quint32(bmp.size() + 14));
    QCOMPARE(qFromLittleEndian<quint32>(r.out.constData() + 6), 0u);
    QCOMPARE(qFromLittleEndian<quint32>(r.out.constData() + 10), 1078u);
    // Palette entry 0 black, 225 (not 255) white, reserved bytes and all else as read.
    QByteArray expected = bmp;
    expected[40] = expected[41] = expected[42] = 0;
    expected[940] = expected[941] = expected[942] = char(0xff);
    QCOMPARE(r.out.mid(14), expected);
    QCOMPARE(r.out.at(14 + 43), char(0x77));
    QCOMPARE(r.out.mid(14 + 40 + 255 * 4, 4), bmp.mid(40 + 255 * 4, 4));

    bool ok = false;
    const QImage img = loadImage(file, &ok);
    QVERIFY(ok);
    QCOMPARE(img.size(), QSize(5, 3));
    // Pixel value 7 maps through the file's palette entry 7.
    QCOMPARE(img.pixel(2, 1), qRgb(7 ^ 0x5a, 255 - 7, 7));
  }

  // Rows of distinct values, a width that needs row padding, bottom-up and
  // top-down: the picture equals the platform BMP reader's decoding of the
  // BMP file image.
  void decodingMatchesTheBmpReader() {
    for (const int h : {5, -5}) {
      QByteArray dib = dib8(7, 5, 0);
      put32(dib, 8, h);
      for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) dib[1064 + y * 8 + x] = char(y * 40 + x * 3 + 1);
      const QByteArray file = makeDwg({{2, dib}});
      QImage reference;
      QVERIFY(reference.loadFromData(readPreview(file).out, "BMP"));
      const QImage img = loadImage(file);
      QCOMPARE(img.size(), QSize(7, 5));
      QCOMPARE(img.convertToFormat(QImage::Format_RGB32), reference.convertToFormat(QImage::Format_RGB32));
      // Bottom-up: the last row of the file is the top of the picture.
      QCOMPARE(img.pixelIndex(0, 0), h > 0 ? 4 * 40 + 1 : 1);
    }
  }

  void lastCompleteBitmapEntryWins() {
    // A second bitmap replaces the first; a broken third leaves the second.
    const QByteArray file = makeDwg({{2, dib8(4, 4, 1)}, {6, QByteArray(10, 'p')}, {2, dib8(9, 2, 3)},
                                     {2, dib8(6, 6, 1), 0, 5000000}});
    const Result r = readPreview(file);
    QVERIFY(r.ok);
    QCOMPARE(r.out.size(), dib8(9, 2, 3).size() + 14);
    QCOMPARE(loadImage(file).size(), QSize(9, 2));
  }

  void failuresLeaveOutputUntouched_data() {
    QTest::addColumn<QByteArray>("file");
    const QByteArray bmp = dib8(4, 4, 1);
    QTest::newRow("count 0") << makeDwg({{2, bmp}}, 0);
    QTest::newRow("count 0x80") << makeDwg({{2, bmp}}, 0x80);
    QTest::newRow("count 0xff") << makeDwg({{2, bmp}}, 0xff);
    QTest::newRow("no bitmap entry") << makeDwg({{1, QByteArray(80, 'h')}, {3, QByteArray(9, 'w')}});
    QTest::newRow("size below 1064") << makeDwg({{2, bmp, 0, 1063}});
    QTest::newRow("negative size") << makeDwg({{2, bmp, 0, -5}});
    QTest::newRow("data past end") << makeDwg({{2, bmp, 0, qint32(bmp.size() + 1)}});
    QTest::newRow("start past end") << makeDwg({{2, bmp, 1 << 30}});
    QTest::newRow("negative start") << makeDwg({{2, bmp, -100}});
    QTest::newRow("huge size") << makeDwg({{2, bmp, 0, 0x7fffffff}});
    QTest::newRow("directory cut") << makeDwg({{1, {}}, {2, bmp}}).left(0x40 + 21 + 12);
    QTest::newRow("count cut") << makeDwg({{2, bmp}}).left(0x40 + 20);
    QTest::newRow("sentinel cut") << makeDwg({{2, bmp}}).left(0x40 + 7);
    QByteArray farAddress = makeDwg({{2, bmp}});
    put32(farAddress, 13, farAddress.size());
    QTest::newRow("address at end") << farAddress;
    put32(farAddress, 13, -1);
    QTest::newRow("negative address") << farAddress;
    QTest::newRow("16 bytes") << makeDwg({{2, bmp}}).left(16);
    QTest::newRow("5 bytes") << QByteArray("AC101");
    QTest::newRow("empty") << QByteArray();
  }
  void failuresLeaveOutputUntouched() {
    QFETCH(QByteArray, file);
    const Result r = readPreview(file, "keep");
    QVERIFY(!r.ok);
    QCOMPARE(r.out, QByteArray("keep"));
    bool ok = true;
    QImage img(1, 1, QImage::Format_RGB32);
    QByteArray bytes = file;
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    ok = LoadDwgPreviewBitmap(img, in);
    QVERIFY(!ok);
    QCOMPARE(img.size(), QSize(1, 1));
  }

  void headerOnlyBitmapGivesBareImage() {
    const QByteArray file = makeDwg({{2, dib8(4, 4, 1).left(1064)}});
    const Result r = readPreview(file);
    QVERIFY(r.ok);
    QCOMPARE(r.out.size(), 1078);
    // The decoder rejects it: an error, not a silent false.
    QVERIFY_THROWS_EXCEPTION(DwgPreviewDecodeError, loadImage(file));
  }

  void pngEntryWhenNoUsableBitmap() {
    // Only a PNG (R2013 and later).
    const QByteArray onlyPng = makeDwg({{1, QByteArray(80, 'h')}, {6, pngBytes(7, 5, Qt::red)}});
    QVERIFY(!readPreview(onlyPng).ok);
    bool ok = false;
    QImage img = loadImage(onlyPng, &ok);
    QVERIFY(ok);
    QCOMPARE(img.size(), QSize(7, 5));
    QCOMPARE(img.pixel(3, 3), qRgb(255, 0, 0));
    // A bitmap the decoder rejects falls back to the PNG.
    img = loadImage(makeDwg({{2, dib8(4, 4, 1).left(1064)}, {6, pngBytes(3, 2, Qt::blue)}}));
    QCOMPARE(img.size(), QSize(3, 2));
    // A good bitmap is preferred to the PNG.
    img = loadImage(makeDwg({{6, pngBytes(3, 2, Qt::blue)}, {2, dib8(4, 4, 1)}}));
    QCOMPARE(img.size(), QSize(4, 4));
    // Garbage under code 6 with nothing else is a decode error.
    QVERIFY_THROWS_EXCEPTION(DwgPreviewDecodeError, loadImage(makeDwg({{6, QByteArray(50, 'x')}})));
  }

  void trueColourBitmapKeepsItsPixels() {
    const QImage img = loadImage(makeDwg({{2, dib32(40, 30, qRgb(10, 200, 30))}}));
    QCOMPARE(img.size(), QSize(40, 30));
    QCOMPARE(img.pixel(0, 0) & 0xffffff, qRgb(10, 200, 30) & 0xffffff);
    QCOMPARE(img.pixel(39, 29) & 0xffffff, qRgb(10, 200, 30) & 0xffffff);
    // Row order and padding against the platform's reader, 24 and 32 bits.
    for (const int bpp : {24, 32}) {
      const int w = 5, h = 3, stride = (w * bpp / 8 + 3) & ~3;
      QByteArray dib = dib32(1, 1, 0).left(40);
      put32(dib, 4, w);
      put32(dib, 8, h);
      dib[14] = char(bpp);
      for (int y = 0; y < h; ++y) {
        QByteArray row(stride, '\0');
        for (int x = 0; x < w; ++x)
          for (int c = 0; c < 3; ++c) row[x * bpp / 8 + c] = char(y * 70 + x * 11 + c * 3);
        dib += row;
      }
      QByteArray file(14, '\0');
      file[0] = 'B';
      file[1] = 'M';
      put32(file, 2, 14 + dib.size());
      put32(file, 10, 54);
      QImage reference;
      QVERIFY(reference.loadFromData(file + dib, "BMP"));
      const QImage got = loadImage(makeDwg({{2, dib + QByteArray(1100, '\0')}}));
      QCOMPARE(got.convertToFormat(QImage::Format_RGB32), reference.convertToFormat(QImage::Format_RGB32));
    }
  }

  void filesByPath() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("a|b 图纸.dwg"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(makeDwg({{2, dib8(6, 2, 1)}}));
    f.close();
    QBuffer out;
    QVERIFY(ReadDwgPreview(out, path));
    QCOMPARE(LoadDwgPreviewImage(path).size(), QSize(6, 2));

    const QString missing = dir.filePath("missing.dwg");
    QVERIFY_THROWS_EXCEPTION(DwgPreviewOpenError, ReadDwgPreview(out, missing));
    QImage img;
    QVERIFY_THROWS_EXCEPTION(DwgPreviewOpenError, LoadDwgPreviewBitmap(img, missing));
    QVERIFY(LoadDwgPreviewImage(missing).isNull());
    QVERIFY(LoadDwgPreviewImage(dir.path()).isNull());  // a folder
  }

  void samplesWithPreviewGivePictures() {
    const QList<SampleRow> rows = dwgSamples();
    QVERIFY2(!rows.isEmpty(), "sample index not found");
    const QRegularExpression bmpDims(QStringLiteral("2:BMP/\\d+\\((\\d+)x(\\d+)x"));
    int withPicture = 0;
    for (const SampleRow& row : rows) {
      const QString path = samplesDir() + "/" + row.file;
      const bool hasBmp = row.preview.contains("2:BMP");
      const bool hasPng = row.preview.contains("6:PNG");
      const QImage img = LoadDwgPreviewImage(path);
      if (hasBmp || hasPng) {
        QVERIFY2(!img.isNull(), qPrintable(row.file));
        ++withPicture;
        const auto m = bmpDims.match(row.preview);
        if (m.hasMatch())
          QCOMPARE(img.size(), QSize(m.captured(1).toInt(), m.captured(2).toInt()));
      } else {
        QVERIFY2(img.isNull(), qPrintable(row.file));
      }
    }
    QVERIFY(withPicture > 0);
  }

  // Every cut of a sample either still holds the whole chosen entry, and then
  // gives the same picture, or gives none; none of them may crash.
  void truncatedSamplesNeverCrash() {
    for (const SampleRow& row : dwgSamples()) {
      if (!row.preview.contains(":BMP") && !row.preview.contains(":PNG")) continue;
      QFile f(samplesDir() + "/" + row.file);
      QVERIFY(f.open(QIODevice::ReadOnly));
      const QByteArray whole = f.read(4 << 20);  // the image area lies near the start
      const QImage full = loadImage(whole);
      QVERIFY(!full.isNull());
      QList<qsizetype> cuts;
      for (int i = 0; i < 24; ++i) cuts.append(whole.size() * i / 24);
      const qint32 address = qFromLittleEndian<qint32>(whole.constData() + 13);
      for (int d = -2; d <= 40; ++d) cuts.append(address + d);
      for (const qsizetype cut : cuts) {
        if (cut < 0 || cut > whole.size()) continue;
        QImage img;
        try {
          img = loadImage(whole.left(cut));
        } catch (const DwgPreviewDecodeError&) {
        }
        if (!img.isNull()) QCOMPARE(img.size(), full.size());
      }
    }
  }
};

QTEST_GUILESS_MAIN(TestDwgPreview)
#include "tst_dwgpreview.moc"
