// The folder list and the folder combo driven as a user would: views,
// filter, hidden items, Up, Enter, refreshes, keyboard file commands.
#include "BrowserTestUtil.h"
#include "FolderModel.h"
#include "PathBytes.h"
#include "RzShellCombo.h"
#include "RzShellList.h"
#include "ShellNamespace.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QListView>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

namespace {

void touch(const QString& path, const QByteArray& content = "x") { QVERIFY(makeRawFile(EncodePath(path), content)); }

int rowNamed(const TRzShellList& l, const QString& name)
{
    for (int r = 0; r < l.RowCount(); ++r)
        if (l.ItemDataOf(r)->displayName == name)
            return r;
    return -1;
}

} // namespace

class TestShellList : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void reportAndListViews();
    void drawingFilterOnFolderOfDrawingsKeepsCount();
    void noFilteringWithoutPath();
    void upAtRootChangesNothing();
    void upAndComboFollowTheFolder();
    void enterOpensBySelection();
    void externalChangesShowOnlyAfterRefresh();
    void hiddenFilesFollowOptions();
    void deleteAsksWithCountAndUsesTrash();
    void copyCutPasteThroughClipboard();
    void rawByteNameListsAndDeletes();
    void headerClickSorts();
    void rightPressSelectsRowAndReports();

private:
    QTemporaryDir* home_ = nullptr;
    QTemporaryDir* dir_ = nullptr;
    TRzShellList* list_ = nullptr;
    TRzShellCombo* combo_ = nullptr;
};

void TestShellList::initTestCase()
{
    // The trash of these tests lives in a temporary home.
    home_ = new QTemporaryDir;
    qputenv("HOME", home_->path().toUtf8());
    qputenv("XDG_DATA_HOME", home_->filePath(QStringLiteral("data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", home_->filePath(QStringLiteral("config")).toUtf8());
}

void TestShellList::init()
{
    dir_ = new QTemporaryDir;
    list_ = new TRzShellList;
    combo_ = new TRzShellCombo;
    combo_->SetShellList(list_);
    list_->resize(400, 300);
    list_->show();
    QVERIFY(QTest::qWaitForWindowExposed(list_));
}

void TestShellList::cleanup()
{
    delete combo_;
    delete list_;
    delete dir_;
}

void TestShellList::reportAndListViews()
{
    touch(dir_->filePath(QStringLiteral("a.dwg")));
    list_->SetFolderPath(dir_->path());
    QCOMPARE(list_->ViewStyle(), int(vsReport));
    QVERIFY(qobject_cast<QTreeView*>(list_->ActiveView()));
    QVERIFY(list_->ActiveView()->isVisible());
    list_->SelectRow(0);
    list_->SetViewStyle(vsList);
    QVERIFY(qobject_cast<QListView*>(list_->ActiveView()));
    QVERIFY(list_->ActiveView()->isVisible());
    QCOMPARE(list_->SelCount(), 1); // both views share the selection
    list_->SetViewStyle(7);        // not a style of the list: ignored
    QCOMPARE(list_->ViewStyle(), int(vsList));
    list_->SetViewStyle(vsReport);
    QVERIFY(qobject_cast<QTreeView*>(list_->ActiveView()));
    QVERIFY(!list_->ActiveView()->model()->flags(list_->Model()->index(0, 0)).testFlag(Qt::ItemIsEditable));
}

void TestShellList::drawingFilterOnFolderOfDrawingsKeepsCount()
{
    for (const char* n : {"a.dwg", "b.DXF", "c.dwf"})
        touch(dir_->filePath(QLatin1String(n)));
    QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("sub")));
    list_->SetFolderPath(dir_->path());
    QCOMPARE(list_->RowCount(), 4);
    QSignalSpy reset(list_->Model(), &QAbstractItemModel::modelReset);
    list_->SetFileFilter(DrawingMask);
    QCOMPARE(reset.count(), 1); // refilled
    QCOMPARE(list_->RowCount(), 4);
    list_->SetFileFilter(DrawingMask); // same text: nothing happens
    QCOMPARE(reset.count(), 1);
    touch(dir_->filePath(QStringLiteral("d.txt")));
    list_->SetFileFilter(QString());
    QCOMPARE(list_->RowCount(), 5);
}

void TestShellList::noFilteringWithoutPath()
{
    list_->SetFolderId(shellns::RootId());
    QVERIFY(list_->CurrentFolderPath().isEmpty());
    const int n = list_->RowCount();
    QVERIFY(n >= 3);
    list_->SetFileFilter(DrawingMask);
    QCOMPARE(list_->RowCount(), n);

    // The root lists the home folder: Del and Ctrl+X never reach it.
    const int home = rowNamed(*list_, QStringLiteral("主文件夹"));
    QVERIFY(home >= 0);
    list_->SelectRow(home);
    list_->ActiveView()->setFocus();
    MessageBoxAnswerer yes(QMessageBox::Yes);
    QTest::keyClick(list_->ActiveView(), Qt::Key_Delete);
    QTest::keyClick(list_->ActiveView(), Qt::Key_Delete, Qt::ShiftModifier);
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(list_->ActiveView(), Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(yes.shown(), 0);
    QVERIFY(QFileInfo(home_->path()).isDir());
    const QMimeData* md = QGuiApplication::clipboard()->mimeData();
    QVERIFY(!md || !md->hasFormat(QStringLiteral("text/uri-list")));
}

void TestShellList::upAtRootChangesNothing()
{
    list_->SetFolderPath(QString()); // not parseable: the root
    QCOMPARE(list_->CurrentFolderId(), shellns::RootId());
    QSignalSpy changed(list_, &TRzShellList::OnFolderChanged);
    list_->FolderUp(1);
    list_->ActiveView()->setFocus();
    QTest::keyClick(list_->ActiveView(), Qt::Key_Backspace);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(list_->CurrentFolderId(), shellns::RootId());
}

void TestShellList::upAndComboFollowTheFolder()
{
    const QString sub = dir_->filePath(QStringLiteral("sub"));
    QVERIFY(QDir().mkdir(sub));
    QSignalSpy changed(list_, &TRzShellList::OnFolderChanged);
    list_->SetFolderPath(sub + QStringLiteral("/")); // trailing separator
    QCOMPARE(list_->CurrentFolderPath(), sub);
    QCOMPARE(combo_->SelectedFolderPath(), sub);
    QCOMPARE(combo_->currentText(), QStringLiteral("sub"));
    // The current folder sits one level below its parent in the combo.
    QCOMPARE(combo_->EntryLevel(combo_->currentIndex()),
             combo_->EntryLevel(combo_->currentIndex() - 1) + 1);
    QCOMPARE(combo_->EntryId(combo_->currentIndex() - 1), shellns::IdFromPath(dir_->path()));
    list_->FolderUp(1);
    QCOMPARE(list_->CurrentFolderPath(), dir_->path());
    QCOMPARE(combo_->SelectedFolderPath(), dir_->path());
    QCOMPARE(changed.count(), 2);
    // Choosing the root entry of the combo goes there.
    combo_->activated(0);
    QCOMPARE(list_->CurrentFolderId(), shellns::RootId());
    QCOMPARE(combo_->SelectedFolderPath(), QString());
    // A folder that vanished: the root.
    list_->SetFolderPath(sub);
    QVERIFY(QDir(sub).removeRecursively());
    list_->SetFolderPath(sub);
    QCOMPARE(list_->CurrentFolderId(), shellns::RootId());
}

void TestShellList::enterOpensBySelection()
{
    touch(dir_->filePath(QStringLiteral("a.dwg")));
    touch(dir_->filePath(QStringLiteral("b.dwg")));
    QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("folder")));
    list_->SetFolderPath(dir_->path());
    QSignalSpy open(list_, &TRzShellList::OnDblClickOpen);
    QString opened;
    connect(list_, &TRzShellList::OnDblClickOpen, this, [&](bool* handled) {
        *handled = true;
        opened = ItemPath(list_->FirstSelectedData());
    });
    list_->ActiveView()->setFocus();

    // two files: one open request, the first selected row in row order
    list_->SelectRow(rowNamed(*list_, QStringLiteral("b.dwg")));
    list_->SelectRow(rowNamed(*list_, QStringLiteral("a.dwg")), true);
    QTest::keyClick(list_->ActiveView(), Qt::Key_Return);
    QCOMPARE(open.count(), 1);
    QCOMPARE(opened, dir_->filePath(QStringLiteral("a.dwg")));

    // a folder and a file, folder first: the folder goes to the open request
    list_->SelectRow(rowNamed(*list_, QStringLiteral("folder")));
    list_->SelectRow(rowNamed(*list_, QStringLiteral("b.dwg")), true);
    QTest::keyClick(list_->ActiveView(), Qt::Key_Enter);
    QCOMPARE(open.count(), 2);
    QCOMPARE(opened, dir_->filePath(QStringLiteral("folder")));

    // one folder: entered, no open request
    QSignalSpy changed(list_, &TRzShellList::OnFolderChanged);
    list_->SelectRow(rowNamed(*list_, QStringLiteral("folder")));
    QTest::keyClick(list_->ActiveView(), Qt::Key_Return);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(open.count(), 2);
    QCOMPARE(list_->CurrentFolderPath(), dir_->filePath(QStringLiteral("folder")));

    // nothing selected: nothing happens
    list_->FolderUp(1);
    list_->ClearSelection();
    QTest::keyClick(list_->ActiveView(), Qt::Key_Return);
    QCOMPARE(open.count(), 2);

    // a double click on a file row opens too
    const int row = rowNamed(*list_, QStringLiteral("a.dwg"));
    list_->SelectRow(row);
    const QPoint p = list_->RowRect(row).center();
    QWidget* vp = list_->ActiveView()->viewport();
    QTest::mouseDClick(vp, Qt::LeftButton, {}, vp->mapFrom(list_, p));
    QCOMPARE(open.count(), 3);
}

void TestShellList::externalChangesShowOnlyAfterRefresh()
{
    touch(dir_->filePath(QStringLiteral("a.dwg")));
    list_->SetFolderPath(dir_->path());
    QCOMPARE(list_->RowCount(), 1);
    touch(dir_->filePath(QStringLiteral("b.dwg"))); // "another program"
    QCOMPARE(list_->RowCount(), 1);
    list_->ReloadFolder();
    QCOMPARE(list_->RowCount(), 2);
    touch(dir_->filePath(QStringLiteral("c.dwg")));
    QVERIFY(QFile::remove(dir_->filePath(QStringLiteral("a.dwg"))));
    QCOMPARE(list_->RowCount(), 2);
    list_->ActiveView()->setFocus();
    QTest::keyClick(list_->ActiveView(), Qt::Key_F5);
    QCOMPARE(list_->RowCount(), 2);
    QVERIFY(rowNamed(*list_, QStringLiteral("c.dwg")) >= 0);
    QCOMPARE(rowNamed(*list_, QStringLiteral("a.dwg")), -1);
}

void TestShellList::hiddenFilesFollowOptions()
{
    touch(dir_->filePath(QStringLiteral(".h.dwg")));
    touch(dir_->filePath(QStringLiteral("v.dwg")));
    QCOMPARE(list_->Options(), kListOptionsWithHidden);
    list_->SetFolderPath(dir_->path());
    QCOMPARE(list_->RowCount(), 2);
    list_->SetOptions(kListOptionsWithoutHidden);
    QCOMPARE(list_->RowCount(), 1);
    list_->SetOptions(kListOptionsWithHidden);
    QCOMPARE(list_->RowCount(), 2);
}

void TestShellList::deleteAsksWithCountAndUsesTrash()
{
    touch(dir_->filePath(QStringLiteral("a.dwg")));
    touch(dir_->filePath(QStringLiteral("b.dwg")));
    touch(dir_->filePath(QStringLiteral("c.dwg")));
    list_->SetFolderPath(dir_->path());
    list_->ActiveView()->setFocus();
    const QString trashFiles = home_->filePath(QStringLiteral("data/Trash/files"));

    list_->SelectRow(0);
    list_->SelectRow(1, true);
    {
        MessageBoxAnswerer no(QMessageBox::No);
        QTest::keyClick(list_->ActiveView(), Qt::Key_Delete);
        QCOMPARE(no.shown(), 1);
        QVERIFY2(no.texts[0].contains(QStringLiteral("2 项")), qPrintable(no.texts[0]));
    }
    QCOMPARE(list_->RowCount(), 3); // cancelled: nothing changed
    QVERIFY(QFile::exists(dir_->filePath(QStringLiteral("a.dwg"))));

    {
        MessageBoxAnswerer yes(QMessageBox::Yes);
        QTest::keyClick(list_->ActiveView(), Qt::Key_Delete);
        QCOMPARE(yes.shown(), 1);
        QVERIFY(yes.texts[0].contains(QStringLiteral("回收站")));
    }
    QCOMPARE(list_->RowCount(), 1);
    QVERIFY(QFile::exists(trashFiles + QStringLiteral("/a.dwg")));
    QVERIFY(QFile::exists(trashFiles + QStringLiteral("/b.dwg")));

    list_->SelectRow(0);
    {
        MessageBoxAnswerer yes(QMessageBox::Yes);
        QTest::keyClick(list_->ActiveView(), Qt::Key_Delete, Qt::ShiftModifier);
        QCOMPARE(yes.shown(), 1);
        QVERIFY(yes.texts[0].contains(QStringLiteral("永久删除这 1 项")));
    }
    QCOMPARE(list_->RowCount(), 0);
    QVERIFY(!QFile::exists(dir_->filePath(QStringLiteral("c.dwg"))));
    QVERIFY(!QFile::exists(trashFiles + QStringLiteral("/c.dwg")));
}

void TestShellList::copyCutPasteThroughClipboard()
{
    const QString a = dir_->filePath(QStringLiteral("A"));
    const QString b = dir_->filePath(QStringLiteral("B"));
    QVERIFY(QDir().mkdir(a) && QDir().mkdir(b));
    touch(a + QStringLiteral("/plan.dwg"), "new");
    touch(b + QStringLiteral("/plan.dwg"), "old");
    touch(a + QStringLiteral("/moved.dwg"));
    list_->SetFolderPath(a);
    list_->ActiveView()->setFocus();

    list_->SelectRow(rowNamed(*list_, QStringLiteral("plan.dwg")));
    QTest::keyClick(list_->ActiveView(), Qt::Key_C, Qt::ControlModifier);
    const QMimeData* md = QGuiApplication::clipboard()->mimeData();
    QVERIFY(md && md->hasFormat(QStringLiteral("text/uri-list")));
    QCOMPARE(md->data(QStringLiteral("x-special/gnome-copied-files")),
             "copy\nfile://" + EncodePath(a).toPercentEncoding("/") + "/plan.dwg");

    list_->SetFolderPath(b);
    list_->ActiveView()->setFocus();
    {
        MessageBoxAnswerer no(QMessageBox::No); // name clash: keep the old one
        QTest::keyClick(list_->ActiveView(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(no.shown(), 1);
    }
    QFile old(b + QStringLiteral("/plan.dwg"));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("old"));
    old.close();
    {
        MessageBoxAnswerer yes(QMessageBox::Yes);
        QTest::keyClick(list_->ActiveView(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(yes.shown(), 1);
    }
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("new"));
    QVERIFY(QFile::exists(a + QStringLiteral("/plan.dwg"))); // a copy leaves the source

    // Pasting a copy into its own folder makes a second name.
    list_->SetFolderPath(a);
    list_->ActiveView()->setFocus();
    QTest::keyClick(list_->ActiveView(), Qt::Key_V, Qt::ControlModifier);
    QVERIFY(QFile::exists(a + QStringLiteral("/plan - 副本.dwg")));
    QVERIFY(rowNamed(*list_, QStringLiteral("plan - 副本.dwg")) >= 0);

    // Cut and paste moves.
    list_->SelectRow(rowNamed(*list_, QStringLiteral("moved.dwg")));
    QTest::keyClick(list_->ActiveView(), Qt::Key_X, Qt::ControlModifier);
    list_->SetFolderPath(b);
    list_->ActiveView()->setFocus();
    QTest::keyClick(list_->ActiveView(), Qt::Key_V, Qt::ControlModifier);
    QVERIFY(QFile::exists(b + QStringLiteral("/moved.dwg")));
    QVERIFY(!QFile::exists(a + QStringLiteral("/moved.dwg")));
    QVERIFY(rowNamed(*list_, QStringLiteral("moved.dwg")) >= 0);

    // Ctrl+A selects every row.
    QTest::keyClick(list_->ActiveView(), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(list_->SelCount(), list_->RowCount());
}

void TestShellList::rawByteNameListsAndDeletes()
{
    const QByteArray gbk = "\xb8\xc4\xb6\xaf.dwg"; // 改动.dwg in GBK
    const QByteArray full = EncodePath(dir_->path()) + "/" + gbk;
    QVERIFY(makeRawFile(full));
    list_->SetFolderPath(dir_->path());
    const int row = rowNamed(*list_, QStringLiteral("改动.dwg"));
    QVERIFY(row >= 0);
    QCOMPARE(EncodePath(ItemPath(list_->ItemDataOf(row))), full);
    list_->SelectRow(row);
    list_->ActiveView()->setFocus();
    {
        MessageBoxAnswerer yes(QMessageBox::Yes);
        QTest::keyClick(list_->ActiveView(), Qt::Key_Delete);
    }
    QCOMPARE(list_->RowCount(), 0);
    QVERIFY(::access(full.constData(), F_OK) != 0);
    const QByteArray trashed = EncodePath(home_->filePath(QStringLiteral("data/Trash/files/"))) + gbk;
    QCOMPARE(::access(trashed.constData(), F_OK), 0);
    ::unlink(trashed.constData());
}

void TestShellList::headerClickSorts()
{
    touch(dir_->filePath(QStringLiteral("a.dwg")), QByteArray(5000, 'x'));
    touch(dir_->filePath(QStringLiteral("b.dwg")), QByteArray(10, 'x'));
    list_->SetFolderPath(dir_->path());
    auto* tree = qobject_cast<QTreeView*>(list_->ActiveView());
    QVERIFY(tree);
    QCOMPARE(list_->ItemDataOf(0)->displayName, QStringLiteral("a.dwg"));
    QHeaderView* h = tree->header();
    const QPoint sizeHeader(h->sectionViewportPosition(1) + h->sectionSize(1) / 2, h->height() / 2);
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, sizeHeader);
    QCOMPARE(list_->Model()->sortColumn(), 1);
    QCOMPARE(list_->ItemDataOf(0)->displayName, QStringLiteral("b.dwg"));
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, sizeHeader);
    QCOMPARE(list_->ItemDataOf(0)->displayName, QStringLiteral("a.dwg"));
}

void TestShellList::rightPressSelectsRowAndReports()
{
    touch(dir_->filePath(QStringLiteral("a.dwg")));
    touch(dir_->filePath(QStringLiteral("b.dwg")));
    list_->SetFolderPath(dir_->path());
    QSignalSpy down(list_, &TRzShellList::OnMouseDown);
    const QPoint p = list_->RowRect(1).center();
    QWidget* vp = list_->ActiveView()->viewport();
    QTest::mousePress(vp, Qt::RightButton, {}, vp->mapFrom(list_, p));
    QCOMPARE(down.count(), 1);
    QCOMPARE(down[0][0].value<Qt::MouseButton>(), Qt::RightButton);
    QCOMPARE(list_->RowAt(down[0][2].toPoint()), 1);
    QCOMPARE(list_->SelCount(), 1);
    QVERIFY(list_->IsRowSelected(1));
    // Beside the rows: no row.
    QCOMPARE(list_->RowAt(QPoint(5, list_->height() - 5)), -1);
}

QTEST_MAIN(TestShellList)
#include "tst_shell_list.moc"
