// Thumbnail benchmarks, run by hand: bench_thumbs [--files N]
//  1. previews per second through LoadDwgPreviewBitmap + scaling to the
//     thumbnail size, over the sample DWGs, warm file cache (BMP and PNG apart);
//  2. the longest single loader step on the GUI thread over the samples;
//  3. resident memory after scrolling end to end through a generated folder
//     of N (default 20,000) DWG files with the real loader thread.
#include "DwgPreview.h"
#include "ImageLoadThread.h"
#include "ThumbGrid.h"
#include "ThumbInfo.h"
#include "ThumbPaint.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QScrollBar>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <time.h>
#include <vector>

namespace {

struct Sample {
  QString path;
  bool png;
};

std::vector<Sample> samplesWithPreview() {
  std::vector<Sample> out;
  const QString root = QStringLiteral(PLENDOR_SAMPLES_DIR);
  QFile f(root + "/index.tsv");
  if (!f.open(QIODevice::ReadOnly)) return out;
  f.readLine();
  while (!f.atEnd()) {
    const QStringList c = QString::fromUtf8(f.readLine()).split('\t');
    if (c.size() < 6 || c[1] != "dwg") continue;
    if (c[5].contains("2:BMP")) out.push_back({root + "/" + c[0], false});
    else if (c[5].contains("6:PNG")) out.push_back({root + "/" + c[0], true});
  }
  return out;
}

long kbField(const char* name) {
  QFile f("/proc/self/status");
  if (!f.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith(name)) return line.mid(qstrlen(name)).trimmed().split(' ').first().toLong();
  return -1;
}

QImage thumbnailOf(const QString& path) {
  QImage img;
  if (!LoadDwgPreviewBitmap(img, path)) return {};
  // As the loader step does: fit the 80 x 100 cell, then 24 bits per pixel.
  if (img.width() > 80 || img.height() > 100)
    img = img.scaled(80, 100, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  return img.convertToFormat(QImage::Format_RGB888);
}

void previewsPerSecond(const std::vector<Sample>& samples) {
  for (bool png : {false, true}) {
    std::vector<QString> files;
    for (const Sample& s : samples)
      if (s.png == png) files.push_back(s.path);
    if (files.empty()) continue;
    for (const QString& p : files) thumbnailOf(p);  // warm the file cache
    int done = 0, failed = 0;
    QElapsedTimer t;
    t.start();
    const std::clock_t cpu0 = std::clock();
    while (t.elapsed() < 3000) {
      for (const QString& p : files) {
        if (thumbnailOf(p).isNull()) ++failed;
        ++done;
      }
    }
    // Per second of wall time, and per second of this process's processor
    // time (the fairer figure on a shared, busy machine).
    const double cpuSeconds = double(std::clock() - cpu0) / CLOCKS_PER_SEC;
    std::printf("previews/s (%s, %zu files): %.0f wall, %.0f per CPU second  [%d previews, %d without picture]\n",
                png ? "PNG" : "BMP", files.size(), done * 1000.0 / double(t.elapsed()), done / cpuSeconds, done,
                failed);
  }
}

void longestStep(const std::vector<Sample>& samples) {
  TThumbGrid grid;
  grid.resize(4000, 4000);
  grid.show();
  QCoreApplication::processEvents();  // lays the viewport out
  TLoadQueue* queue = new TLoadQueue;
  auto* loader = new TImageLoadThread(&grid, queue, true);
  for (const Sample& s : samples) {
    const int i = grid.AppendImage();
    grid.SetImageTopText(i, "2");
    grid.SetImageInfoText(i, MakeThumbInfo(s.path, "", "", ""));
  }
  std::vector<double> ms, wallMs;
  QString worst;
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < grid.ImageCount(); ++i) {
      grid.SetImageTag(i, 1);
      QueueThumbIndex(queue, i);
    }
    for (int i = 0; i < grid.ImageCount(); ++i) {
      timespec c0, c1;
      clock_gettime(CLOCK_THREAD_CPUTIME_ID, &c0);
      QElapsedTimer t;
      t.start();
      try {
        loader->LoadNextPreview();
      } catch (...) {
      }
      const double wall = t.nsecsElapsed() / 1e6;
      clock_gettime(CLOCK_THREAD_CPUTIME_ID, &c1);
      const double d = (c1.tv_sec - c0.tv_sec) * 1e3 + (c1.tv_nsec - c0.tv_nsec) / 1e6;
      if (round > 0) wallMs.push_back(wall);
      if (round > 0) {  // the first round fills the file cache
        if (ms.empty() || d > *std::max_element(ms.begin(), ms.end())) worst = samples[size_t(i)].path;
        ms.push_back(d);
      }
    }
  }
  int loaded = 0;
  for (int i = 0; i < grid.ImageCount(); ++i) loaded += grid.ImageTag(i) == 2 && grid.HasImage(i);
  std::printf("steps that set a preview: %d of %d entries\n", loaded, grid.ImageCount());
  std::sort(ms.begin(), ms.end());
  std::sort(wallMs.begin(), wallMs.end());
  std::printf("loader step on the GUI thread over %zu samples: CPU median %.2f ms, max %.2f ms (%s); "
              "wall max %.2f ms\n",
              samples.size(), ms[ms.size() / 2], ms.back(), qPrintable(QFileInfo(worst).fileName()), wallMs.back());
  delete loader;
  FreeLoadQueue(queue);
}

void scrollThroughFolder(const std::vector<Sample>& samples, int count) {
  QTemporaryDir dir;
  std::vector<QString> bmp;
  for (const Sample& s : samples)
    if (!s.png) bmp.push_back(s.path);
  // Links to the samples: real previews without copying megabytes of drawings.
  for (int i = 0; i < count; ++i)
    QFile::link(bmp[size_t(i) % bmp.size()], dir.filePath(QStringLiteral("d%1.dwg").arg(i, 5, 10, QChar('0'))));
  const long before = kbField("VmRSS:");

  TThumbGrid grid;
  grid.resize(1000, 700);
  grid.show();
  TLoadQueue* queue = new TLoadQueue;
  auto* loader = new TImageLoadThread(&grid, queue, true);
  TThumbIconCache icons;
  QPixmap iconPixmap(32, 32);
  iconPixmap.fill(Qt::darkCyan);
  const QIcon icon(iconPixmap);
  grid.SetBeforeImageDrawEx([&](TThumbGrid*, int idx, int left, int top, TCanvas& dest, TThumbRect& r) {
    TThumbStyle style;
    style.BorderType = tbShadow;
    PaintThumbDecoration(dest, left, top, r, grid.ImageTopText(idx), grid.ImageInfoText(idx),
                         grid.ImageBottomText(idx), grid.IsSelected(idx), false, style);
    RequestThumbPicture(&grid, idx, icons.Picture(icon, Qt::white, 32), queue, loader);
  });
  const QStringList names = QDir(dir.path()).entryList({"*.dwg"}, QDir::Files, QDir::Name);
  grid.LockPaint();
  for (const QString& n : names) {
    const int i = grid.AppendImage();
    grid.SetImageTopText(i, "2");
    grid.SetImageInfoText(i, MakeThumbInfo(dir.filePath(n), "大小: 17 KB", "类型: DWG 图纸", "修改日期: 2024-01-01"));
    grid.SetImageBottomText(i, n);
  }
  grid.UnlockPaint();

  QElapsedTimer t;
  t.start();
  int pages = 0;
  for (qint64 y = 0;; y += grid.viewport()->height()) {
    grid.SetViewY(int(y));
    grid.RenderToImage();  // one paint pass, as the screen would get
    // Let the loader fill in the page, as a user who stops to look would.
    while (!(loader->Parked() && queue->Count() == 0)) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    ++pages;
    if (grid.ViewY() >= grid.verticalScrollBar()->maximum()) break;
  }
  int previews = 0;
  for (int i = 0; i < grid.ImageCount(); ++i) previews += grid.ImageTag(i) == 2 && grid.Image(i).width() > 32;
  std::printf("scrolled %d entries in %d pages in %.1f s: %d previews; resident %ld MB (before the grid %ld MB), "
              "peak %ld MB\n",
              grid.ImageCount(), pages, t.elapsed() / 1000.0, previews, kbField("VmRSS:") / 1024, before / 1024,
              kbField("VmHWM:") / 1024);
  delete loader;
  FreeLoadQueue(queue);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  int files = 20000;
  const QStringList args = app.arguments();
  if (const int at = int(args.indexOf("--files")); at >= 0 && at + 1 < args.size()) files = args[at + 1].toInt();
  const std::vector<Sample> samples = samplesWithPreview();
  if (samples.empty()) {
    std::fprintf(stderr, "no samples under %s\n", PLENDOR_SAMPLES_DIR);
    return 1;
  }
  previewsPerSecond(samples);
  longestStep(samples);
  scrollThroughFolder(samples, std::max(1, files));
  return 0;
}
