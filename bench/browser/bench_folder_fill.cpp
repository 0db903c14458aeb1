// Times the folder list's fill and refresh on generated folders:
// 10,000 and 100,000 files, half of them drawings.
//   bench_folder_fill [scratch-folder]
#include "FolderModel.h"
#include "RzShellList.h"
#include "ShellNamespace.h"

#include <QApplication>

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

void makeFolder(const QString& dir, int count)
{
    QDir().mkpath(dir);
    const char* exts[] = {".dwg", ".dxf", ".pdf", ".txt"};
    for (int i = 0; i < count; ++i) {
        const QByteArray name = (dir + QStringLiteral("/file%1").arg(i, 6, 10, QLatin1Char('0'))).toUtf8()
            + exts[i % 4];
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0)
            ::close(fd);
    }
    for (int i = 0; i < count / 100; ++i)
        QDir(dir).mkdir(QStringLiteral("folder%1").arg(i));
}

// Median of `runs` timings in milliseconds.
template <typename F>
double medianMs(int runs, F&& f)
{
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        f();
        t.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

void report(const char* what, double ms, int rows)
{
    std::printf("%-48s %9.1f ms  (%d rows)\n", what, ms, rows);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir tmp;
    const QString base = argc > 1 ? QString::fromLocal8Bit(argv[1]) : tmp.path();
    for (int count : {10000, 100000}) {
        const QString dir = base + QStringLiteral("/f%1").arg(count);
        makeFolder(dir, count);
        const ShellId id = shellns::IdFromPath(dir);
        const int runs = count > 10000 ? 3 : 9;
        FolderModel m;
        double ms = medianMs(runs, [&] { m.setFilterText(QString()); m.setFolder(id); });
        report(qPrintable(QStringLiteral("fill %1 files, no filter").arg(count)), ms, m.rowCount());
        ms = medianMs(runs, [&] { m.setFilterText(QStringLiteral("*.dwg;*.dxf;*.dwf")); m.setFolder(id); });
        report(qPrintable(QStringLiteral("fill %1 files, drawing filter").arg(count)), ms, m.rowCount());
        ms = medianMs(runs, [&] { m.reload(); });
        report(qPrintable(QStringLiteral("refresh %1 files, unchanged").arg(count)), ms, m.rowCount());
        ms = medianMs(runs, [&] { m.sort(2, Qt::AscendingOrder); m.sort(0, Qt::AscendingOrder); });
        report(qPrintable(QStringLiteral("sort by type, then name, %1 files").arg(count)), ms, m.rowCount());

        // The whole list as the user gets it: folder change, report view painted.
        TRzShellList list;
        list.resize(400, 600);
        list.show();
        list.SetFileFilter(QStringLiteral("*.dwg;*.dxf;*.dwf"));
        ms = medianMs(runs, [&] {
            list.SetFolderPath(dir);
            list.repaint();
        });
        report(qPrintable(QStringLiteral("list widget: enter %1 files, filter, painted").arg(count)), ms, list.RowCount());
        ms = medianMs(runs, [&] {
            list.ReloadFolder();
            list.repaint();
        });
        report(qPrintable(QStringLiteral("list widget: refresh %1 files, painted").arg(count)), ms, list.RowCount());
    }
    return 0;
}
