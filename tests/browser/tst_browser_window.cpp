// The browser inside the main window: start folder and view, view switching
// with its thumbnail rules, Up/Refresh, the open request, the context menu
// and its commands.
#include "../app/TestSupport.h"
#include "BrowserTestUtil.h"
#include "PathBytes.h"
#include "RzShellCombo.h"
#include "RzShellList.h"
#include "ShellNamespace.h"
#include "ThumbGrid.h"
#include "UnitRename.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QPushButton>
#include "Buttons.h"
#include "DWGVIEWXLib_TLB.h"

#include <QDir>
#include <QFile>
#include <QMenu>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

namespace {

const QString kSample = QStringLiteral(PLENDOR_SAMPLES_DIR "/dxf/ezdxf/examples_dxf/Minimal_DXF_AC1021.dxf");

void touch(const QString& path) { QVERIFY(makeRawFile(EncodePath(path))); }

QByteArray iniWith(const QString& path, int viewType)
{
    return "[NORMAL]\nPath=" + EncodePath(path) + "\nViewType=" + QByteArray::number(viewType) + "\n";
}

int rowNamed(TRzShellList* l, const QString& name)
{
    for (int r = 0; r < l->RowCount(); ++r)
        if (l->ItemDataOf(r)->displayName == name)
            return r;
    return -1;
}

// Marks the thumbnail entries so a rebuild (which starts every entry afresh)
// can be told from no rebuild.
void markThumbs(TFrmCAD& w)
{
    for (int i = 0; i < w.ShellThumbFiles->ImageCount(); ++i)
        w.ShellThumbFiles->SetImageTag(i, 77);
}
bool thumbsMarked(TFrmCAD& w)
{
    return w.ShellThumbFiles->ImageCount() > 0 && w.ShellThumbFiles->ImageTag(0) == 77;
}

void rightPress(TRzShellList* l, int row)
{
    QWidget* vp = l->ActiveView()->viewport();
    QTest::mousePress(vp, Qt::RightButton, {}, vp->mapFrom(l, l->RowRect(row).center()));
}

struct ArgGuard {
    explicit ArgGuard(const QString& arg) { TFrmCAD::SetStartArgumentOverride(&arg); }
    ~ArgGuard() { TFrmCAD::SetStartArgumentOverride(nullptr); }
};

} // namespace

class TestBrowserWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void startArguments_data();
    void startArguments();
    void startViewTypes_data();
    void startViewTypes();
    void viewSwitchesAndThumbnailRules();
    void filterAndHiddenRebuildOnlyOnCountChange();
    void upAtRootAndRefresh();
    void openRequestGoesToOpenDrawing();
    void contextMenuStates();
    void deleteRenameAndSelectedPaths();
    void thumbnailContextMenu();

private:
    QTemporaryDir home_;
};

void TestBrowserWindow::initTestCase()
{
    InstallSongSubstitutes();
    qputenv("HOME", home_.path().toUtf8());
    qputenv("XDG_DATA_HOME", home_.filePath(QStringLiteral("data")).toUtf8());
    QVERIFY2(QFile::exists(kSample), qPrintable(kSample));
}

void TestBrowserWindow::startArguments_data()
{
    QTest::addColumn<QString>("arg");
    QTest::addColumn<QString>("folder");  // expected current folder; "<saved>" for NORMAL/Path
    QTest::addColumn<QString>("opened");  // drawing handed to the viewer, "" for none
    const QString sampleDir = QFileInfo(kSample).path();
    QTest::newRow("drawing by full path") << kSample << sampleDir << kSample;
    QTest::newRow("bare file name") << "<bare>" << "<saved>" << "bare.dxf";
    QTest::newRow("folder") << sampleDir << sampleDir << "";
    QTest::newRow("folder with trailing /") << sampleDir + "/" << sampleDir << "";
    QTest::newRow("names nothing") << "/nonexistent/plendor/x.dwg" << "<saved>" << "";
    QTest::newRow("no argument") << "" << "<saved>" << "";
}

void TestBrowserWindow::startArguments()
{
    QFETCH(QString, arg);
    QFETCH(QString, folder);
    QFETCH(QString, opened);
    QTemporaryDir saved;
    // A bare name is opened from the current directory.
    QTemporaryDir cwd;
    const QString oldCwd = QDir::currentPath();
    auto restoreCwd = qScopeGuard([&] { QDir::setCurrent(oldCwd); });
    if (arg == u"<bare>") {
        QVERIFY(QFile::copy(kSample, cwd.filePath(QStringLiteral("bare.dxf"))));
        QVERIFY(QDir::setCurrent(cwd.path()));
        arg = QStringLiteral("bare.dxf");
    }
    WindowFixture f(iniWith(saved.path(), 1));
    TFrmCAD& w = *f.window;
    ArgGuard guard(arg);
    MessageBoxCatcher box;
    box.arm();
    w.RestoreStartFolder();
    QCOMPARE(w.ShellListFiles->CurrentFolderPath(), QDir::cleanPath(folder == u"<saved>" ? saved.path() : folder));
    QCOMPARE(w.ShellComboFolder->SelectedFolderPath(), w.ShellListFiles->CurrentFolderPath());
    QVERIFY(w.PM_List->isChecked()); // the saved view, in every case
    QCOMPARE(w.ShellListFiles->ViewStyle(), int(vsList));
    QCOMPARE(QDir::cleanPath(w.DwgViewX1->drawingFile()), QDir::cleanPath(opened));
    if (!opened.isEmpty())
        QVERIFY2(w.DrawingOpen, qPrintable(box.text));
}

void TestBrowserWindow::startViewTypes_data()
{
    QTest::addColumn<int>("viewType");
    QTest::addColumn<QAction*>("dummy");
    QTest::addColumn<int>("browserView");
    QTest::newRow("0 report") << 0 << static_cast<QAction*>(nullptr) << 0;
    QTest::newRow("1 list") << 1 << static_cast<QAction*>(nullptr) << 1;
    QTest::newRow("2 thumbnails") << 2 << static_cast<QAction*>(nullptr) << 2;
    QTest::newRow("7 report") << 7 << static_cast<QAction*>(nullptr) << 0;
    QTest::newRow("-1 report") << -1 << static_cast<QAction*>(nullptr) << 0;
}

void TestBrowserWindow::startViewTypes()
{
    QFETCH(int, viewType);
    QFETCH(int, browserView);
    QTemporaryDir dir;
    touch(dir.filePath(QStringLiteral("a.dwg")));
    touch(dir.filePath(QStringLiteral("b.dxf")));
    WindowFixture f(iniWith(dir.path(), viewType));
    TFrmCAD& w = *f.window;
    ArgGuard guard{QString()};
    w.RestoreStartFolder();
    QCOMPARE(w.BrowserView(), browserView);
    QAction* checked = browserView == 2 ? w.PM_Thumbnail : browserView == 1 ? w.PM_List : w.PM_Report;
    QVERIFY(checked->isChecked());
    if (browserView == 2) // built for the start folder
        QCOMPARE(w.ShellThumbFiles->ImageCount(), 2);
    else
        QCOMPARE(w.ShellThumbFiles->ImageCount(), 0);
}

void TestBrowserWindow::viewSwitchesAndThumbnailRules()
{
    QTemporaryDir dir;
    touch(dir.filePath(QStringLiteral("a.dwg")));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    WindowFixture f;
    TFrmCAD& w = *f.window;
    w.ShellListFiles->SetFolderPath(dir.path());

    w.PM_List->trigger();
    QCOMPARE(w.ShellListFiles->ViewStyle(), int(vsList));
    QCOMPARE(w.BrowserView(), 1);
    w.PM_Report->trigger();
    QCOMPARE(w.BrowserView(), 0);
    QCOMPARE(w.ShellThumbFiles->ImageCount(), 0); // never touched

    w.PM_Thumbnail->trigger();
    QCOMPARE(w.ThumbMode, 1);
    QCOMPARE(w.ShellThumbFiles->ImageCount(), 2);
    markThumbs(w);
    w.PM_Thumbnail->trigger(); // a second time: no rebuild
    QVERIFY(thumbsMarked(w));

    // The folder changes while thumbnails are shown: rebuilt for the new folder.
    w.ShellListFiles->SetFolderPath(dir.filePath(QStringLiteral("sub")));
    QCOMPARE(w.ShellThumbFiles->ImageCount(), 0);
    w.ShellListFiles->FolderUp(1);
    QCOMPARE(w.ShellThumbFiles->ImageCount(), 2);

    w.PM_List->trigger();
    QCOMPARE(w.ThumbMode, 0);
    QCOMPARE(w.ShellThumbFiles->ImageCount(), 0);
    QCOMPARE(w.BrowserView(), 1);
    w.PM_Thumbnail->trigger();
    w.PM_Report->trigger(); // report although the list already had that style before
    QCOMPARE(w.ShellListFiles->ViewStyle(), int(vsReport));
    QCOMPARE(w.ShellThumbFiles->ImageCount(), 0);
}

void TestBrowserWindow::filterAndHiddenRebuildOnlyOnCountChange()
{
    QTemporaryDir dir;
    touch(dir.filePath(QStringLiteral("a.dwg")));
    touch(dir.filePath(QStringLiteral("B.DWG")));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    WindowFixture f;
    TFrmCAD& w = *f.window;
    w.ApplyFileFilter(false);
    w.ShellListFiles->SetFolderPath(dir.path());
    w.PM_Thumbnail->trigger();
    markThumbs(w);
    // Only drawings and folders here: the filter leaves the count, no rebuild.
    w.ApplyFileFilter(true);
    QCOMPARE(w.LoadAllFile, false);
    QCOMPARE(w.ShellListFiles->RowCount(), 3);
    QVERIFY(thumbsMarked(w));
    // A hidden file: switching hidden items changes the count, so a rebuild.
    touch(dir.filePath(QStringLiteral(".h.dwg")));
    w.ApplyShowHidden(false);
    QVERIFY(thumbsMarked(w)); // not listed yet, count unchanged
    w.ApplyShowHidden(true);
    QCOMPARE(w.ShowHidden, true);
    QCOMPARE(w.ShellListFiles->RowCount(), 4);
    QVERIFY(!thumbsMarked(w));
    QCOMPARE(w.ShellThumbFiles->ImageCount(), 4);

    // No path (the namespace root): the filter changes nothing.
    w.ShellListFiles->SetFolderId(shellns::RootId());
    markThumbs(w);
    w.ApplyFileFilter(false);
    QVERIFY(thumbsMarked(w));
}

void TestBrowserWindow::upAtRootAndRefresh()
{
    WindowFixture f;
    TFrmCAD& w = *f.window;
    QCOMPARE(w.ShellListFiles->CurrentFolderId(), shellns::RootId()); // the initial folder
    w.PM_Thumbnail->trigger();
    markThumbs(w);
    QSignalSpy changed(w.ShellListFiles, &TRzShellList::OnFolderChanged);
    w.BtnUp->click();
    QCOMPARE(changed.count(), 0);
    QVERIFY(thumbsMarked(w));
    // Refresh in thumbnail mode always rebuilds.
    w.BtnRefresh->click();
    QVERIFY(!thumbsMarked(w));

    QTemporaryDir dir;
    w.ShellListFiles->SetFolderPath(dir.path());
    touch(dir.filePath(QStringLiteral("late.dwg")));
    QCOMPARE(w.ShellThumbFiles->ImageCount(), 0);
    w.BtnRefresh->click();
    QCOMPARE(w.ShellThumbFiles->ImageCount(), 1);
    w.BtnUp->click();
    QCOMPARE(w.ShellListFiles->CurrentFolderPath(), QFileInfo(dir.path()).path());
}

void TestBrowserWindow::openRequestGoesToOpenDrawing()
{
    QTemporaryDir dir;
    QVERIFY(QFile::copy(kSample, dir.filePath(QStringLiteral("a.dxf"))));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    WindowFixture f;
    TFrmCAD& w = *f.window;
    w.ShellListFiles->SetFolderPath(dir.path());
    TRzShellList* l = w.ShellListFiles;
    l->ActiveView()->setFocus();
    l->SelectRow(rowNamed(l, QStringLiteral("a.dxf")));
    QTest::keyClick(l->ActiveView(), Qt::Key_Return);
    QCOMPARE(w.DwgViewX1->drawingFile(), dir.filePath(QStringLiteral("a.dxf")));
    QVERIFY(w.DrawingOpen);

    // A folder and a file, folder first: the folder's path goes to the viewer,
    // which reports that it cannot open it.
    l->SelectRow(rowNamed(l, QStringLiteral("folder")));
    l->SelectRow(rowNamed(l, QStringLiteral("a.dxf")), true);
    MessageBoxCatcher box;
    box.arm();
    QTest::keyClick(l->ActiveView(), Qt::Key_Return);
    QTRY_VERIFY(box.seen);
    QVERIFY(!w.DrawingOpen);
    QCOMPARE(l->CurrentFolderPath(), dir.path());
}

void TestBrowserWindow::contextMenuStates()
{
    QTemporaryDir dir;
    touch(dir.filePath(QStringLiteral("a.dwg")));
    touch(dir.filePath(QStringLiteral("b.dwg")));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    WindowFixture f;
    TFrmCAD& w = *f.window;
    w.FirstActivate = false; // no start-up run in the middle of the test
    w.show();
    TRzShellList* l = w.ShellListFiles;
    l->SetFolderPath(dir.path());

    struct Expect {
        bool open, openEnabled, del, rename, renameEnabled, propsEnabled;
    };
    // Hidden actions always read as disabled in Qt; enabled states are
    // checked where the item shows.
    auto check = [&](const Expect& e) {
        QTRY_VERIFY(w.PopupMenuList->isVisible());
        auto hide = qScopeGuard([&] { w.PopupMenuList->hide(); });
        QCOMPARE(w.PM_OpenFile->isVisible(), e.open);
        QCOMPARE(w.PM_Shellopenfile->isVisible(), e.open);
        if (e.open) {
            QCOMPARE(w.PM_OpenFile->isEnabled(), e.openEnabled);
            QCOMPARE(w.PM_Shellopenfile->isEnabled(), e.openEnabled);
        }
        QCOMPARE(w.PM_Delete->isVisible(), e.del);
        if (e.del)
            QVERIFY(w.PM_Delete->isEnabled());
        QCOMPARE(w.PM_Rename->isVisible(), e.rename);
        if (e.rename)
            QCOMPARE(w.PM_Rename->isEnabled(), e.renameEnabled);
        QVERIFY(w.PM_Properties->isVisible());
        QCOMPARE(w.PM_Properties->isEnabled(), e.propsEnabled);
        QCOMPARE(w.PopupSource, static_cast<QObject*>(l));
    };
    rightPress(l, rowNamed(l, QStringLiteral("folder")));
    check({false, true, true, true, true, true});
    rightPress(l, rowNamed(l, QStringLiteral("a.dwg")));
    check({true, true, true, true, true, true});
    l->SelectRow(rowNamed(l, QStringLiteral("b.dwg")), true); // two selected
    rightPress(l, rowNamed(l, QStringLiteral("a.dwg")));
    check({true, false, true, true, false, false});

    // Empty space: no menu.
    QWidget* vp = l->ActiveView()->viewport();
    QTest::mousePress(vp, Qt::RightButton, {}, QPoint(5, vp->height() - 3));
    QVERIFY(!w.PopupMenuList->isVisible());

    // The namespace root: Delete and Rename hidden; the Trash: no menu at all.
    l->SetFolderId(shellns::RootId());
    rightPress(l, rowNamed(l, QStringLiteral("文件系统")));
    check({false, true, false, false, true, true});
    rightPress(l, rowNamed(l, QStringLiteral("回收站")));
    QVERIFY(!w.PopupMenuList->isVisible());
}

void TestBrowserWindow::deleteRenameAndSelectedPaths()
{
    QTemporaryDir dir;
    for (const char* n : {"a.dwg", "b.dwg", "c.dwg"})
        touch(dir.filePath(QLatin1String(n)));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("plans")));
    WindowFixture f;
    TFrmCAD& w = *f.window;
    w.FirstActivate = false; // no start-up run in the middle of the test
    w.show();
    TRzShellList* l = w.ShellListFiles;
    l->SetFolderPath(dir.path());
    l->SelectRow(rowNamed(l, QStringLiteral("a.dwg")));
    l->SelectRow(rowNamed(l, QStringLiteral("b.dwg")), true);
    l->SelectRow(rowNamed(l, QStringLiteral("c.dwg")), true);
    const QString p = dir.path() + u'/';
    const QChar nul(0);
    QCOMPARE(w.SelectedPaths(), p + "a.dwg" + nul + p + "b.dwg" + nul + p + "c.dwg" + nul + nul);
    l->ClearSelection();
    QCOMPARE(w.SelectedPaths(), QString());

    // Delete from the list: both selected files go to the trash.
    l->SelectRow(rowNamed(l, QStringLiteral("a.dwg")));
    l->SelectRow(rowNamed(l, QStringLiteral("b.dwg")), true);
    rightPress(l, rowNamed(l, QStringLiteral("a.dwg")));
    QTRY_VERIFY(w.PopupMenuList->isVisible());
    w.PopupMenuList->hide();
    {
        MessageBoxAnswerer yes(QMessageBox::Yes);
        w.PM_Delete->trigger();
        QCOMPARE(yes.shown(), 1);
        QVERIFY(yes.texts[0].contains(QStringLiteral("2 项")));
    }
    QCOMPARE(rowNamed(l, QStringLiteral("a.dwg")), -1);
    QCOMPARE(rowNamed(l, QStringLiteral("b.dwg")), -1);
    QVERIFY(QFile::exists(home_.filePath(QStringLiteral("data/Trash/files/a.dwg"))));

    // Rename a folder from the list: the list shows the new name.
    rightPress(l, rowNamed(l, QStringLiteral("plans")));
    QTRY_VERIFY(w.PopupMenuList->isVisible());
    w.PopupMenuList->hide();
    QTimer* t = WhenModalShows([](QWidget* m) {
        auto* dlg = qobject_cast<TFrmRename*>(m);
        QVERIFY(dlg);
        QCOMPARE(dlg->EditNewName->text(), QStringLiteral("plans"));
        dlg->EditNewName->setText(QStringLiteral("plans.old"));
        QMetaObject::invokeMethod(dlg->BtnOk, "click", Qt::QueuedConnection);
    });
    w.PM_RenameClick();
    Q_UNUSED(t);
    QVERIFY(rowNamed(l, QStringLiteral("plans.old")) >= 0);
    QCOMPARE(rowNamed(l, QStringLiteral("plans")), -1);

    QCOMPARE(TFrmCAD::LastPathSegment(QStringLiteral("/work/plans")), QStringLiteral("plans"));
    QCOMPARE(TFrmCAD::LastPathSegment(QStringLiteral("/work/plans/")), QString());
    QCOMPARE(TFrmCAD::LastPathSegment(QStringLiteral("plans")), QStringLiteral("plans"));
}

void TestBrowserWindow::thumbnailContextMenu()
{
    QTemporaryDir dir;
    touch(dir.filePath(QStringLiteral("a.dwg")));
    touch(dir.filePath(QStringLiteral("b.dxf")));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("plans")));
    WindowFixture f;
    TFrmCAD& w = *f.window;
    w.resize(900, 600);
    w.FirstActivate = false; // no start-up run in the middle of the test
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.ShellListFiles->SetFolderPath(dir.path());
    w.PM_Thumbnail->trigger();
    QCoreApplication::processEvents(); // the thumbnail presses are wired
    TThumbGrid* g = w.ShellThumbFiles;
    QCOMPARE(g->ImageCount(), 3);
    int folder = -1, file = -1;
    for (int i = 0; i < 3; ++i) {
        if (g->ImageTopText(i) == u"1")
            folder = i;
        else if (g->ImageBottomText(i) == u"a.dwg")
            file = i;
    }
    QVERIFY(folder >= 0 && file >= 0);

    // Right press on an unselected entry while others are selected: only it.
    g->SelectAll();
    g->SetSelected(folder, false);
    QTest::mousePress(g->viewport(), Qt::RightButton, {}, g->CellRect(folder).center());
    QCOMPARE(w.HitIndex, folder);
    QCOMPARE(g->SelectedIndexes(), std::vector<int>{folder});
    QTRY_VERIFY(w.PopupMenuList->isVisible());
    QVERIFY(!w.PM_OpenFile->isVisible());
    QVERIFY(w.PM_Delete->isVisible() && w.PM_Rename->isVisible() && w.PM_Rename->isEnabled());
    QCOMPARE(w.PopupSource, static_cast<QObject*>(g));
    w.PopupMenuList->hide();
    // A folder entry contributes its path without the trailing separator.
    QCOMPARE(w.SelectedPaths(), dir.filePath(QStringLiteral("plans")) + QChar(0) + QChar(0));

    // Renaming the folder entry offers its name and rebuilds the thumbnails.
    WhenModalShows([](QWidget* m) {
        auto* dlg = qobject_cast<TFrmRename*>(m);
        QVERIFY(dlg);
        QCOMPARE(dlg->OldName, QStringLiteral("plans"));
        QVERIFY(!dlg->IsFile);
        dlg->EditNewName->setText(QStringLiteral("plans2"));
        QMetaObject::invokeMethod(dlg->BtnOk, "click", Qt::QueuedConnection);
    });
    markThumbs(w);
    w.PM_RenameClick();
    QVERIFY(!thumbsMarked(w));
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("plans2"))).isDir());

    // A press beside the entries: HitIndex -1, no menu.
    QTest::mousePress(g->viewport(), Qt::LeftButton, {}, QPoint(g->viewport()->width() - 2, g->viewport()->height() - 2));
    QCOMPARE(w.HitIndex, -1);
    QVERIFY(!w.PopupMenuList->isVisible());
}

QTEST_MAIN(TestBrowserWindow)
#include "tst_browser_window.moc"
