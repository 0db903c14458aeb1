// The preview loader against a plain grid: queue, steps, parking, shutdown.
#include "DwgFixture.h"
#include "ImageLoadThread.h"
#include "ThumbGrid.h"
#include "ThumbInfo.h"
#include "ThumbPaint.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

using namespace dwgfixture;

namespace {

// Aborts the test program when one iteration of a shutdown loop hangs.
class Watchdog {
public:
  explicit Watchdog(int seconds) : limit_(seconds) {
    thread_ = std::thread([this] {
      int idle = 0;
      while (!stop_) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (beat_.exchange(false)) idle = 0;
        else if (++idle > limit_ * 10) {
          std::fprintf(stderr, "watchdog: no progress for %d s, aborting\n", limit_);
          std::abort();
        }
      }
    });
  }
  ~Watchdog() {
    stop_ = true;
    thread_.join();
  }
  void beat() { beat_ = true; }

private:
  int limit_;
  std::atomic<bool> beat_{false}, stop_{false};
  std::thread thread_;
};

constexpr QRgb kIconColour = 0xff00c000;

// A grid with the painting hook of the main window, minus the main window:
// decoration, then icon + queue + wake for entries painted the first time.
struct Rig {
  QTemporaryDir dir;
  TThumbGrid grid;
  TLoadQueue* queue = new TLoadQueue;
  TImageLoadThread* loader = nullptr;
  QPixmap icon{16, 16};

  explicit Rig(QSize size = {400, 300}) {
    icon.fill(QColor(kIconColour));
    grid.setFrameShape(QFrame::NoFrame);
    grid.resize(size);
    grid.SetBeforeImageDrawEx([this](TThumbGrid*, int idx, int left, int top, TCanvas& dest, TThumbRect& r) {
      PaintThumbDecoration(dest, left, top, r, grid.ImageTopText(idx), grid.ImageInfoText(idx),
                           grid.ImageBottomText(idx), grid.IsSelected(idx), grid.ViewHasFocus(), TThumbStyle{});
      RequestThumbPicture(&grid, idx, icon, Qt::white, queue, loader);
    });
    grid.show();
    loader = new TImageLoadThread(&grid, queue, true);
  }
  ~Rig() {
    delete loader;
    FreeLoadQueue(queue);
  }
  int add(const QString& kind, const QString& path) {
    const int i = grid.AppendImage();
    grid.SetImageTopText(i, kind);
    grid.SetImageInfoText(i, MakeThumbInfo(path, "大小: 1 KB", "类型: t", ""));
    grid.SetImageBottomText(i, QFileInfo(path).fileName());
    return i;
  }
  int addDwg(const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    if (!writeFile(path, bytes)) return -1;
    return add("2", path);
  }
  bool isIcon(int i) const {
    const QImage pic = grid.Image(i);
    return pic.size() == QSize(16, 16) && pic.pixel(8, 8) == kIconColour;
  }
};

// A preview of w x h in palette colour 7 of the fixture palette.
QByteArray dwgWithPreview(int w, int h) { return makeDwg({{1, QByteArray(80, 'h')}, {2, dib8(w, h, 7)}}); }
const QRgb kPreviewColour = qRgb(7 ^ 0x5a, 255 - 7, 7);

}  // namespace

class TestImageLoader : public QObject {
  Q_OBJECT
private slots:
  void queueOperations() {
    TLoadQueue* q = new TLoadQueue;
    for (int i : {3, 1, 3, -7}) QueueThumbIndex(q, i);
    QList<int>& list = q->LockList();
    QCOMPARE(list, (QList<int>{3, 1, 3, -7}));  // order and duplicates kept
    DropQueueEntry(list, 0);
    DropQueueEntry(list, 9);  // no such position: nothing
    QCOMPARE(list, (QList<int>{1, 3, -7}));
    q->UnlockList();
    QCOMPARE(q->Count(), 3);
    FreeLoadQueue(q);
    QCOMPARE(q, nullptr);
    FreeLoadQueue(q);
    QueueThumbIndex(nullptr, 1);
  }

  // Each step on its own, on the GUI thread, with the loader parked. A step's
  // error (an open error, say) leaves the step, as in the loader's loop.
  void stepsByCase() {
    const auto step = [](TImageLoadThread* l) {
      try {
        l->LoadNextPreview();
      } catch (const std::exception&) {
      }
    };
    Rig rig;
    QVERIFY(rig.dir.isValid());
    rig.grid.SetThumbWidth(40);
    rig.grid.SetThumbHeight(60);
    const int good = rig.addDwg("good.dwg", dwgWithPreview(30, 12));
    const int folder = rig.add("1", rig.dir.path() + "/");
    const int dxf = rig.add("3", rig.dir.filePath("x.dxf"));
    const int missing = rig.add("2", rig.dir.filePath("missing.dwg"));
    const int empty = rig.addDwg("empty.dwg", {});
    const int notDwg = rig.addDwg("text.dwg", QByteArray(5000, 'x'));
    const int noPreview = rig.addDwg("nopreview.dwg", makeDwg({{1, QByteArray(80, 'h')}}));
    const int pipe = rig.addDwg("a|b.dwg", dwgWithPreview(20, 10));
    const int png = rig.addDwg("r2018.dwg", makeDwg({{6, pngBytes(25, 15, Qt::red)}}));
    while (rig.grid.ImageCount() < 200) rig.add("2", rig.dir.filePath("far.dwg"));
    const int offScreen = 199;
    QVERIFY(!rig.grid.IsVisible(offScreen));

    // First paint: every visible entry gets its icon and tag 1 and is queued.
    rig.grid.RenderToImage();
    const int visible = rig.queue->Count();
    QVERIFY(visible > pipe);
    for (int i = 0; i < visible; ++i) {
      QCOMPARE(rig.grid.ImageTag(i), 1);
      QVERIFY(rig.isIcon(i));
    }
    rig.grid.RenderToImage();
    QCOMPARE(rig.queue->Count(), visible);  // repaints queue nothing new
    QueueThumbIndex(rig.queue, offScreen);
    rig.grid.SetImageTag(offScreen, 1);
    QueueThumbIndex(rig.queue, 5000);  // names no entry
    QueueThumbIndex(rig.queue, -2);

    const int steps = rig.queue->Count();
    for (int s = 0; s < steps; ++s) step(rig.loader);
    QCOMPARE(rig.queue->Count(), 0);
    QVERIFY(!rig.loader->Parked());
    step(rig.loader);  // the step that finds the queue empty parks
    QVERIFY(rig.loader->Parked());

    struct Expect {
      int idx, tag;
      QSize preview;  // empty: the icon stays
    };
    const QList<Expect> expect = {
        {good, 2, {30, 12}}, {folder, 1, {}}, {dxf, 1, {}}, {missing, 2, {}}, {empty, 2, {}},
        {notDwg, 2, {}},     {noPreview, 2, {}}, {pipe, 2, {20, 10}}, {png, 2, {25, 15}},
    };
    for (const Expect& e : expect) {
      QCOMPARE(rig.grid.ImageTag(e.idx), e.tag);
      if (e.preview.isEmpty()) {
        QVERIFY2(rig.isIcon(e.idx), qPrintable(rig.grid.ImageBottomText(e.idx)));
      } else {
        QCOMPARE(rig.grid.Image(e.idx).size(), e.preview);
        QCOMPARE(rig.grid.Image(e.idx).format(), QImage::Format_RGB888);
      }
    }
    QCOMPARE(rig.grid.Image(good).pixel(3, 3), kPreviewColour);
    QCOMPARE(rig.grid.Image(png).pixel(3, 3), qRgb(255, 0, 0));
    QCOMPARE(rig.grid.ImageTag(offScreen), 0);  // back to 0, queued again when painted
    QCOMPARE(rig.grid.ImageCount(), 200);

    // A rebuild with indices still queued: old indices apply to the new entries.
    QueueThumbIndex(rig.queue, 0);
    QueueThumbIndex(rig.queue, 1);
    rig.grid.Clear();
    const int fresh = rig.addDwg("fresh.dwg", dwgWithPreview(11, 11));
    step(rig.loader);
    step(rig.loader);
    QCOMPARE(rig.grid.ImageTag(fresh), 2);
    QCOMPARE(rig.grid.Image(fresh).size(), QSize(11, 11));
    QCOMPARE(rig.grid.ImageCount(), 1);
  }

  // The loader thread end to end: visible entries fill in one by one in grid
  // order, entries scrolled past before their turn go back to 0, and the
  // loader parks after exactly one more step.
  void threadedFillInGridOrder() {
    Rig rig;
    for (int i = 0; i < 100; ++i) rig.addDwg(QStringLiteral("d%1.dwg").arg(i, 3, 10, QChar('0')), dwgWithPreview(60, 30));
    QSignalSpy steps(rig.loader, &TImageLoadThread::stepDone);
    bool inOrder = true;
    connect(rig.loader, &TImageLoadThread::stepDone, &rig.grid, [&] {
      // The entries with tag 2 are always a prefix of the painted ones.
      bool gap = false;
      for (int i = 0; i < rig.grid.ImageCount(); ++i) {
        const bool done = rig.grid.ImageTag(i) == 2;
        if (done && gap) inOrder = false;
        if (!done) gap = true;
      }
    });
    QVERIFY(QTest::qWaitForWindowExposed(&rig.grid));
    QTRY_VERIFY_WITH_TIMEOUT(rig.loader->Parked() && rig.queue->Count() == 0 && steps.count() > 0, 20000);
    QVERIFY(inOrder);
    int shown = 0;
    for (int i = 0; i < 100; ++i) {
      if (rig.grid.IsVisible(i)) {
        ++shown;
        QCOMPARE(rig.grid.ImageTag(i), 2);
        QCOMPARE(rig.grid.Image(i).pixel(5, 5), kPreviewColour);
      } else {
        QCOMPARE(rig.grid.ImageTag(i), 0);
        QVERIFY(!rig.grid.HasImage(i));
      }
    }
    QCOMPARE(steps.count(), shown + 1);  // one step per entry, one that parks
    QVERIFY(!steps.wait(200));           // and then nothing until woken

    // Paint the middle, then jump to the end before any step could run.
    rig.grid.SetViewY(rig.grid.CellRect(48).top() + rig.grid.ViewY());
    rig.grid.RenderToImage();
    QList<int> middle;
    for (int i = 0; i < 100; ++i)
      if (rig.grid.IsVisible(i) && rig.grid.ImageTag(i) == 1) middle.append(i);
    QVERIFY(!middle.isEmpty());
    rig.grid.SetViewY(INT_MAX);
    rig.grid.RenderToImage();
    QTRY_VERIFY_WITH_TIMEOUT(rig.loader->Parked() && rig.queue->Count() == 0, 20000);
    for (int i : middle)
      if (!rig.grid.IsVisible(i)) QCOMPARE(rig.grid.ImageTag(i), 0);
    QCOMPARE(rig.grid.ImageTag(99), 2);
  }

  // Closing never hangs: while parked, with a step requested but not yet
  // served, and mid-way through 1,000 entries.
  void shutdownNeverHangs() {
    Watchdog dog(30);
    Rig rig({1400, 1000});
    rig.grid.SetThumbWidth(30);
    rig.grid.SetThumbHeight(40);
    rig.grid.SetHorizBorder(2);
    rig.grid.SetVertBorder(2);
    const QString path = rig.dir.filePath("p.dwg");
    QVERIFY(writeFile(path, dwgWithPreview(40, 20)));
    for (int i = 0; i < 1000; ++i) rig.add("2", path);
    QVERIFY(rig.grid.IsVisible(600));
    delete rig.loader;
    rig.loader = nullptr;

    for (int round = 0; round < 200; ++round) {
      dog.beat();
      {  // parked
        TImageLoadThread loader(&rig.grid, rig.queue, true);
        QVERIFY(loader.Parked());
      }
      {  // woken, a step handed over and not yet served
        QueueThumbIndex(rig.queue, round % 1000);
        TImageLoadThread loader(&rig.grid, rig.queue, true);
        loader.Wake();
      }
      {  // never parked, empty queue
        TImageLoadThread loader(&rig.grid, rig.queue, false);
      }
      QCoreApplication::processEvents();  // hand-overs of loaders gone must be harmless
    }
    for (int round = 0; round < 30; ++round) {
      dog.beat();
      for (int i = 0; i < rig.grid.ImageCount(); ++i) rig.grid.SetImageTag(i, 1);
      QList<int>& list = rig.queue->LockList();
      list.clear();
      for (int i = 0; i < 1000; ++i) list.append(i);
      rig.queue->UnlockList();
      auto* loader = new TImageLoadThread(&rig.grid, rig.queue, true);
      QSignalSpy steps(loader, &TImageLoadThread::stepDone);
      loader->Wake();
      const int stopAfter = int(QRandomGenerator::global()->bounded(1, 40));
      QTRY_VERIFY_WITH_TIMEOUT(steps.count() >= stopAfter, 20000);
      loader->Terminate();
      delete loader;
      QCoreApplication::processEvents();
      const int left = rig.queue->Count();
      QVERIFY(left > 0 && left <= 1000 - stopAfter);
      QCOMPARE(rig.grid.ImageTag(0), 2);
    }
  }
};

QTEST_MAIN(TestImageLoader)
#include "tst_imageloader.moc"
