// The thumbnail catalogue in the real main window: kinds, info texts, hints,
// double clicks, previews on a sample folder, and the four frame styles.
#include "../app/TestSupport.h"

#include "DwgFixture.h"
#include "DWGVIEWXLib_TLB.h"
#include "ImageLoadThread.h"
#include "RzShellList.h"
#include "ThumbGrid.h"
#include "ThumbInfo.h"

#include <QDir>
#include <QtTest>

using namespace dwgfixture;

namespace {

int entryNamed(const TThumbGrid* g, const QString& name)
{
    for (int i = 0; i < g->ImageCount(); ++i)
        if (g->ImageBottomText(i) == name)
            return i;
    return -1;
}

struct Folder {
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
    Folder()
    {
        QDir(dir.path()).mkdir("sub");
        writeFile(path("A.DWG"), makeDwg({{2, dib8(40, 20, 7)}}));
        writeFile(path("b.dxf"), "0\nEOF\n");
        writeFile(path("c.dwf"), "(DWF V06.00)");
        writeFile(path("n|x.dwg"), makeDwg({{2, dib8(30, 30, 7)}}));
    }
};

// Answers every message box while it lives, remembering the last one.
struct BoxWatch {
    QTimer timer;
    QString title, text;
    int seen = 0;
    BoxWatch()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (auto* b = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                title = b->windowTitle();
                text = b->text();
                ++seen;
                b->accept();
            }
        });
        timer.start(20);
    }
};

// Starts the window the way a user does: saved folder and thumbnail view.
std::unique_ptr<WindowFixture> startInThumbnails(const QString& folder)
{
    QByteArray ini = "[NORMAL]\r\nPath=" + folder.toUtf8() + "\r\nViewType=2\r\n";
    auto f = std::make_unique<WindowFixture>(ini);
    f->window->show();
    return f;
}

} // namespace

class TestFrmCadThumbs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InstallSongSubstitutes(); }

    void entriesMirrorTheListRows()
    {
        Folder folder;
        WindowFixture f;
        TFrmCAD& w = *f.window;
        w.ShellListFiles->SetFolderPath(folder.dir.path());
        QTRY_COMPARE(w.ShellListFiles->RowCount(), 5);
        w.RebuildThumbs();
        TThumbGrid* g = w.ShellThumbFiles;
        QCOMPARE(g->ImageCount(), w.ShellListFiles->RowCount());
        QVERIFY(g->SelectedIndexes().empty()); // appending selected each in turn
        QCOMPARE(g->ViewX(), 0);
        QCOMPARE(g->ViewY(), 0);

        struct Expect {
            QString name, kind, path;
        };
        const QList<Expect> expect = {
            {"sub", "1", folder.path("sub") + "/"},
            {"A.DWG", "2", folder.path("A.DWG")},
            {"b.dxf", "3", folder.path("b.dxf")},
            {"c.dwf", "3", folder.path("c.dwf")},
            {"n|x.dwg", "2", folder.path("n|x.dwg")},
        };
        for (const Expect& e : expect) {
            const int i = entryNamed(g, e.name);
            QVERIFY2(i >= 0, qPrintable(e.name));
            QCOMPARE(g->ImageTopText(i), e.kind);
            QCOMPARE(g->ImageTag(i), 0);
            QVERIFY(!g->HasImage(i));
            const QString info = g->ImageInfoText(i);
            QCOMPARE(ThumbInfoPath(info), e.path);
            QString path, c1, c2, c3;
            SplitThumbInfo(info, path, c1, c2, c3);
            const TRzShellListData* d = w.ShellListFiles->ItemDataOf(i);
            QCOMPARE(ItemDisplayName(d), e.name); // entry i mirrors row i
            for (int col = 1; col <= 3; ++col) {
                QString text;
                w.ColumnText(d, col, text);
                const QString detail = ItemDetailText(d, col);
                QCOMPARE(text, detail.isEmpty() ? QString() : w.ShellListFiles->ColumnCaption(col) + ": " + detail);
                QCOMPARE((QStringList{c1, c2, c3}).at(col - 1), detail.isEmpty() ? QString() : " " + detail);
            }
        }
        // A folder has no size: two separators side by side after its path.
        QVERIFY(g->ImageInfoText(entryNamed(g, "sub")).contains("/||"));

        // The namespace root: items outside the file system are kind 0.
        w.ShellListFiles->SetFolderPath(QString());
        QTRY_VERIFY(w.ShellListFiles->RowCount() > 0);
        w.RebuildThumbs();
        bool sawOutside = false;
        for (int i = 0; i < g->ImageCount(); ++i) {
            const TRzShellListData* d = w.ShellListFiles->ItemDataOf(i);
            if (ItemIsFileSystem(d))
                continue;
            sawOutside = true;
            QCOMPARE(g->ImageTopText(i), QStringLiteral("0"));
            if (ItemPath(d).isEmpty())
                QVERIFY(g->ImageInfoText(i).startsWith('|'));
        }
        QVERIFY(sawOutside);

        // An empty folder: an empty view at its origin.
        w.ShellListFiles->SetFolderPath(folder.path("sub"));
        QTRY_COMPARE(w.ShellListFiles->CurrentFolderPath().isEmpty(), false);
        w.RebuildThumbs();
        QCOMPARE(g->ImageCount(), 0);
        QCOMPARE(g->ViewY(), 0);
        QCOMPARE(g->PaintLockCount(), 0);
    }

    void hintFollowsTheMouse()
    {
        Folder folder;
        WindowFixture f;
        TFrmCAD& w = *f.window;
        w.ShellListFiles->SetFolderPath(folder.dir.path());
        QTRY_COMPARE(w.ShellListFiles->RowCount(), 5);
        w.RebuildThumbs();
        TThumbGrid* g = w.ShellThumbFiles;
        g->resize(400, 400);
        const int dwg = entryNamed(g, "A.DWG");
        const QPoint centre = g->CellRect(dwg).center();
        w.ShellThumbFilesMouseMove({}, centre.x(), centre.y());
        QVERIFY(g->ShowHint());
        QString expected = "A.DWG";
        const TRzShellListData* d = w.ShellListFiles->ItemDataOf(dwg);
        for (int col = 1; col <= 3; ++col) {
            if (!ItemDetailText(d, col).isEmpty())
                expected += "\r\n" + w.ShellListFiles->ColumnCaption(col) + ": " + ItemDetailText(d, col);
        }
        QCOMPARE(g->Hint(), expected);
        QVERIFY(g->Hint().count("\r\n") >= 2);
        w.ShellThumbFilesMouseMove({}, 2, 2); // the gap at the corner
        QVERIFY(!g->ShowHint());
        // All three details empty: the display name alone.
        g->SetImageInfoText(dwg, "/x|||");
        w.ShellThumbFilesMouseMove({}, centre.x(), centre.y());
        QCOMPARE(g->Hint(), QStringLiteral("A.DWG"));
    }

    void doubleClickByKind()
    {
        Folder folder;
        WindowFixture f;
        TFrmCAD& w = *f.window;
        w.ShellListFiles->SetFolderPath(folder.dir.path());
        QTRY_COMPARE(w.ShellListFiles->RowCount(), 5);
        w.RebuildThumbs();
        TThumbGrid* g = w.ShellThumbFiles;
        const QString here = w.ShellListFiles->CurrentFolderPath();

        // Beside the entries: nothing.
        {
            BoxWatch watch;
            w.HitIndex = -1;
            w.ShellThumbFilesDblClick();
            QCOMPARE(watch.seen, 0);
            QCOMPARE(w.ShellListFiles->CurrentFolderPath(), here);
        }

        // A folder removed meanwhile: the warning, and the folder stays.
        {
            const int sub = entryNamed(g, "sub");
            QVERIFY(QDir(folder.path("sub")).removeRecursively());
            BoxWatch watch;
            w.HitIndex = sub;
            w.ShellThumbFilesDblClick();
            QCOMPARE(watch.seen, 1);
            QCOMPARE(watch.title, QStringLiteral("警告"));
            QCOMPARE(watch.text, "\"" + folder.path("sub") + "/\"\r\n路径不存在！");
            QCOMPARE(w.ShellListFiles->CurrentFolderPath(), here);
        }

        // A drawing whose name holds "|" reaches the viewer by its full path.
        {
            BoxWatch watch;
            w.HitIndex = entryNamed(g, "n|x.dwg");
            w.ShellThumbFilesDblClick();
            QCOMPARE(w.DwgViewX1->drawingFile(), folder.path("n|x.dwg"));
        }

        // A folder that exists is entered.
        QDir(folder.dir.path()).mkdir("other");
        w.ShellListFiles->ReloadFolder();
        w.RebuildThumbs();
        w.HitIndex = entryNamed(g, "other");
        QVERIFY(w.HitIndex >= 0);
        w.ShellThumbFilesDblClick();
        QTRY_COMPARE(QDir(w.ShellListFiles->CurrentFolderPath()).canonicalPath(),
                     QDir(folder.path("other")).canonicalPath());

        // An index past the entries: swallowed.
        w.HitIndex = 10000;
        w.ShellThumbFilesDblClick();
    }

    void itemOutsideFileSystemIsEnteredByCaption()
    {
        WindowFixture f;
        TFrmCAD& w = *f.window;
        w.ShellListFiles->SetFolderPath(QString());
        QTRY_VERIFY(w.ShellListFiles->RowCount() > 0);
        w.RebuildThumbs();
        TThumbGrid* g = w.ShellThumbFiles;
        int outside = -1;
        for (int i = 0; i < g->ImageCount() && outside < 0; ++i)
            if (g->ImageTopText(i) == "0" && ItemIsFolder(w.ShellListFiles->ItemDataOf(i)))
                outside = i;
        if (outside < 0)
            QSKIP("the namespace root lists no virtual folder here");
        const ShellId target = ItemShellId(w.ShellListFiles->ItemDataOf(outside));
        w.HitIndex = outside;
        w.ShellThumbFilesDblClick();
        QTRY_COMPARE(w.ShellListFiles->CurrentFolderId(), target);
    }

    // Start in thumbnail view on a folder of real drawings: previews fill in,
    // and each frame style is grabbed to a PNG to be looked at.
    void previewsAndFrameStylesOnSamples()
    {
        const QString samples = QStringLiteral(PLENDOR_SAMPLES_DIR "/dwg/AC1015/libredwg/2000");
        if (!QFileInfo(samples).isDir())
            QSKIP("sample folder missing");
        auto f = startInThumbnails(samples);
        TFrmCAD& w = *f->window;
        TThumbGrid* g = w.ShellThumbFiles;
        QTRY_VERIFY_WITH_TIMEOUT(w.ThumbMode == 1 && g->ImageCount() >= 14 && g->isVisible(), 20000);
        w.resize(1000, 700);
        QTRY_VERIFY_WITH_TIMEOUT(w.Loader->Parked() && w.LoadQueue->Count() == 0 && g->ImageTag(0) != 0, 20000);
        int previews = 0;
        for (int i = 0; i < g->ImageCount(); ++i) {
            if (!g->IsVisible(i))
                continue;
            QCOMPARE(g->ImageTag(i), 2);
            const QString name = g->ImageBottomText(i);
            if (g->Image(i).width() > 32)
                ++previews;
            else
                QCOMPARE(name, QStringLiteral("PolyLine2D.dwg")); // the one without a preview
        }
        QVERIFY(previews >= 6);

        const QString outDir = QDir::current().filePath("thumbs-shots");
        QDir().mkpath(outDir);
        const char* names[] = {"none", "normal", "shadow", "rounded"};
        for (int type = 0; type <= 3; ++type) {
            w.ApplyThumbBorderType(std::uint8_t(type));
            const QImage shot = g->viewport()->grab().toImage();
            QVERIFY(shot.save(QStringLiteral("%1/thumbs-%2-%3.png").arg(outDir).arg(type).arg(names[type])));
            // The shadow's first ring is grey 191 below the first frame.
            const QRect cell = g->CellRect(1);
            const QPoint below(cell.left() + 20, cell.top() + g->ThumbHeight() - 17);
            const bool grey = QColor(shot.pixel(below)) == QColor(191, 191, 191);
            QCOMPARE(grey, type == 2);
        }
    }
};

QTEST_MAIN(TestFrmCadThumbs)
#include "tst_frmcad_thumbs.moc"
