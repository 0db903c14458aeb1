// The namespace and the folder model without widgets: listing, filter,
// hidden items, raw-byte names, links, refresh.
#include "BrowserTestUtil.h"
#include "FileMasks.h"
#include "FolderModel.h"
#include "PathBytes.h"
#include "ShellNamespace.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QScopeGuard>

#include <sys/stat.h>

namespace {

void touch(const QString& path) { QVERIFY(makeRawFile(EncodePath(path))); }

QStringList names(const FolderModel& m)
{
    QStringList out;
    for (int r = 0; r < m.rowCount(); ++r)
        out.append(m.item(r)->displayName);
    return out;
}

} // namespace

class TestFolderModel : public QObject {
    Q_OBJECT
private slots:
    void rawByteNamesKeepTheirBytes();
    void masks_data();
    void masks();
    void filterListsFoldersAndMatchingFilesOnly();
    void hiddenFilesFollowTheOption();
    void foldersComeFirstAndSortByColumn();
    void reloadKeepsRowsAndPicksUpChanges();
    void linksAndLoopsNeverHang();
    void unreadableOrVanishedFolderListsNothing();
    void namespaceRootAndTrash();
    void pathsResolveOrFallBackToRoot();
    void detailTexts();
};

void TestFolderModel::rawByteNamesKeepTheirBytes()
{
    QTemporaryDir dir;
    const QByteArray base = EncodePath(dir.path());
    const QByteArray gbk = "\xd6\xd0\xce\xc4\xcd\xbc.dwg"; // 中文图.dwg in GBK
    QVERIFY(makeRawFile(base + "/" + gbk, "abc"));

    const QString path = DecodePath(base + "/" + gbk);
    QCOMPARE(EncodePath(path), base + "/" + gbk);
    QVERIFY(PathHasRawBytes(path));
    QCOMPARE(DisplayNameOfBytes(gbk), QStringLiteral("中文图.dwg"));
    // Valid UTF-8, including characters outside the BMP, passes unchanged.
    const QString utf = QStringLiteral("图纸😀.dxf");
    QCOMPARE(DecodePath(utf.toUtf8()), utf);
    QCOMPARE(EncodePath(utf), utf.toUtf8());
    // An encoded surrogate (invalid UTF-8) is kept as bytes, not decoded.
    const QByteArray sur = "\xed\xb3\x80";
    QCOMPARE(EncodePath(DecodePath(sur)), sur);

    FolderModel m;
    m.setFilterText(QStringLiteral("*.dwg"));
    m.setFolder(shellns::IdFromPath(dir.path()));
    QCOMPARE(m.rowCount(), 1);
    const TRzShellListData* d = m.item(0);
    QCOMPARE(d->displayName, QStringLiteral("中文图.dwg"));
    QCOMPARE(EncodePath(ItemPath(d)), base + "/" + gbk);
    QCOMPARE(EncodePath(ItemFileName(d)), gbk);
    d->ensureStat();
    QCOMPARE(d->size, 3);
    // Qt's own directory removal cannot reach this name.
    QCOMPARE(::unlink(EncodePath(ItemPath(d)).constData()), 0);
}

void TestFolderModel::masks_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("listed");
    const QString dm = QStringLiteral("*.dwg;*.dxf;*.dwf");
    QTest::newRow("upper-case DWG") << dm << "PLAN.DWG" << true;
    QTest::newRow("mixed-case dxf") << dm << "a.DxF" << true;
    QTest::newRow("other type") << dm << "a.pdf" << false;
    QTest::newRow("suffix only inside") << dm << "a.dwg.bak" << false;
    QTest::newRow("no name before dot") << dm << ".dwg" << true;
    QTest::newRow("empty filter") << "" << "a.pdf" << true;
    QTest::newRow("star") << "*" << "a.pdf" << true;
    QTest::newRow("star dot star") << "*.*" << "noext" << true;
    QTest::newRow("empty parts dropped") << ";;*.dwg;" << "x.dwg" << true;
    QTest::newRow("question mark") << "plan?.dwg" << "plan7.dwg" << true;
    QTest::newRow("question mark needs one") << "plan?.dwg" << "plan.dwg" << false;
    QTest::newRow("inner star") << "a*b*c" << "aXXbYYc" << true;
    QTest::newRow("inner star miss") << "a*b*c" << "aXXcYYb" << false;
    QTest::newRow("chinese name") << dm << "总平面图.dwg" << true;
}

void TestFolderModel::masks()
{
    QFETCH(QString, filter);
    QFETCH(QString, name);
    QFETCH(bool, listed);
    QCOMPARE(FileMaskList(filter).matches(name), listed);
}

void TestFolderModel::filterListsFoldersAndMatchingFilesOnly()
{
    QTemporaryDir dir;
    for (const char* n : {"a.dwg", "B.DWG", "c.dxf", "d.txt", "e.dwf.txt"})
        touch(dir.filePath(QLatin1String(n)));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub.txt")));
    FolderModel m;
    m.setFilterText(QStringLiteral("*.dwg;*.dxf;*.dwf"));
    m.setFolder(shellns::IdFromPath(dir.path()));
    QCOMPARE(names(m), (QStringList{"sub.txt", "a.dwg", "B.DWG", "c.dxf"}));
    m.setFilterText(QString());
    m.refill();
    QCOMPARE(m.rowCount(), 6);
}

void TestFolderModel::hiddenFilesFollowTheOption()
{
    QTemporaryDir dir;
    touch(dir.filePath(QStringLiteral(".hidden.dwg")));
    touch(dir.filePath(QStringLiteral("shown.dwg")));
    FolderModel m;
    m.setFolder(shellns::IdFromPath(dir.path()));
    QCOMPARE(m.rowCount(), 2);
    m.setShowHidden(false);
    m.reload();
    QCOMPARE(names(m), QStringList{"shown.dwg"});
    m.setShowHidden(true);
    m.reload();
    QCOMPARE(m.rowCount(), 2);
}

void TestFolderModel::foldersComeFirstAndSortByColumn()
{
    QTemporaryDir dir;
    QVERIFY(makeRawFile(EncodePath(dir.filePath(QStringLiteral("b10.dwg"))), "1234567"));
    QVERIFY(makeRawFile(EncodePath(dir.filePath(QStringLiteral("b9.dwg"))), "1"));
    QVERIFY(makeRawFile(EncodePath(dir.filePath(QStringLiteral("A.dwg"))), "12"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("zeta")));
    FolderModel m;
    m.setFolder(shellns::IdFromPath(dir.path()));
    QCOMPARE(names(m), (QStringList{"zeta", "A.dwg", "b9.dwg", "b10.dwg"}));
    m.sort(1, Qt::DescendingOrder);
    QCOMPARE(names(m), (QStringList{"zeta", "b10.dwg", "A.dwg", "b9.dwg"}));
    m.sort(0, Qt::DescendingOrder);
    QCOMPARE(names(m), (QStringList{"zeta", "b10.dwg", "b9.dwg", "A.dwg"}));
}

void TestFolderModel::reloadKeepsRowsAndPicksUpChanges()
{
    QTemporaryDir dir;
    touch(dir.filePath(QStringLiteral("keep.dwg")));
    touch(dir.filePath(QStringLiteral("gone.dwg")));
    FolderModel m;
    m.setFilterText(QStringLiteral("*.dwg"));
    m.setFolder(shellns::IdFromPath(dir.path()));
    const QPersistentModelIndex keep = m.index(1, 0);
    QCOMPARE(keep.data().toString(), QStringLiteral("keep.dwg"));

    QVERIFY(QFile::remove(dir.filePath(QStringLiteral("gone.dwg"))));
    touch(dir.filePath(QStringLiteral("a-new.dwg")));
    touch(dir.filePath(QStringLiteral("new.txt"))); // new, but filtered out
    QCOMPARE(m.rowCount(), 2); // nothing shows before a refresh
    QSignalSpy reset(&m, &QAbstractItemModel::modelReset);
    m.reload();
    QCOMPARE(reset.count(), 0); // incremental, not a refill
    QCOMPARE(names(m), (QStringList{"a-new.dwg", "keep.dwg"}));
    QVERIFY(keep.isValid());
    QCOMPARE(keep.data().toString(), QStringLiteral("keep.dwg"));

    // A refresh of an empty list is a full fill.
    FolderModel empty;
    empty.setFolder(shellns::IdFromPath(dir.path() + QStringLiteral("/nothing")));
    QCOMPARE(empty.rowCount(), 0);
}

void TestFolderModel::linksAndLoopsNeverHang()
{
    QTemporaryDir dir;
    const QByteArray base = EncodePath(dir.path());
    QVERIFY(::symlink("self", (base + "/self").constData()) == 0);       // loop
    QVERIFY(::symlink("nowhere", (base + "/dangling").constData()) == 0);
    QVERIFY(::symlink(".", (base + "/here").constData()) == 0);         // folder link to itself
    FolderModel m;
    m.setFolder(shellns::IdFromPath(dir.path()));
    QCOMPARE(m.rowCount(), 3);
    for (int r = 0; r < m.rowCount(); ++r) {
        const TRzShellListData* d = m.item(r);
        if (d->displayName == u"here") {
            QVERIFY(ItemIsFolder(d));
        } else {
            QVERIFY2(!ItemIsFolder(d) && d->has(TRzShellListData::Broken), qPrintable(d->displayName));
            QVERIFY(!ItemDetailText(d, 2).isEmpty());
        }
    }
    // Entering the folder link repeatedly only deepens the path; going up
    // walks back lexically.
    ShellId id = shellns::IdFromPath(dir.path() + QStringLiteral("/here/here/here"));
    QVERIFY(shellns::IsBrowsableFolder(id));
    QCOMPARE(shellns::PathOfId(shellns::ParentId(id)), dir.path() + QStringLiteral("/here/here"));
    QCOMPARE(shellns::FolderIdForPath(dir.path() + QStringLiteral("/self")), shellns::RootId());
}

void TestFolderModel::unreadableOrVanishedFolderListsNothing()
{
    QTemporaryDir dir;
    const QString sub = dir.filePath(QStringLiteral("sub"));
    QVERIFY(QDir().mkdir(sub));
    touch(sub + QStringLiteral("/a.dwg"));
    FolderModel m;
    m.setFolder(shellns::IdFromPath(sub));
    QCOMPARE(m.rowCount(), 1);
    QVERIFY(QDir(sub).removeRecursively());
    m.reload();
    QCOMPARE(m.rowCount(), 0);
    if (::geteuid() != 0) {
        QVERIFY(QDir().mkdir(sub));
        touch(sub + QStringLiteral("/a.dwg"));
        QVERIFY(::chmod(EncodePath(sub).constData(), 0) == 0);
        m.refill();
        QCOMPARE(m.rowCount(), 0);
        ::chmod(EncodePath(sub).constData(), 0700);
    }
}

void TestFolderModel::namespaceRootAndTrash()
{
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    auto restore = qScopeGuard([&] { qputenv("HOME", oldHome); });
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_DATA_HOME", QByteArray());
    qputenv("XDG_CONFIG_HOME", QByteArray());
    QVERIFY(QDir().mkpath(home.filePath(QStringLiteral("Desktop"))));
    const QString trash = home.filePath(QStringLiteral(".local/share/Trash"));
    QVERIFY(QDir().mkpath(trash + QStringLiteral("/files")));
    QVERIFY(QDir().mkpath(trash + QStringLiteral("/info")));
    touch(trash + QStringLiteral("/files/plan.2.dwg"));
    QFile info(trash + QStringLiteral("/info/plan.2.dwg.trashinfo"));
    QVERIFY(info.open(QIODevice::WriteOnly));
    info.write("[Trash Info]\nPath=/x/%E5%9B%BE/plan.dwg\nDeletionDate=2024-01-02T03:04:05\n");
    info.close();

    FolderModel m;
    m.setFilterText(QStringLiteral("*.dwg"));
    m.setFolder(shellns::RootId());
    QStringList shown = names(m);
    QVERIFY2(shown.contains(QStringLiteral("主文件夹")) && shown.contains(QStringLiteral("桌面"))
                 && shown.contains(QStringLiteral("文件系统")) && shown.contains(QStringLiteral("回收站")),
             qPrintable(shown.join(u',')));
    for (int r = 0; r < m.rowCount(); ++r) {
        const TRzShellListData* d = m.item(r);
        QVERIFY(ItemIsFolder(d));
        if (d->displayName == u"回收站") {
            QVERIFY(!ItemIsFileSystem(d));
            QVERIFY(ItemPath(d).isEmpty());
            QVERIFY(shellns::IsBrowsableFolder(ItemShellId(d)));
        } else {
            QVERIFY(ItemIsFileSystem(d));
            QVERIFY(!ItemPath(d).isEmpty());
        }
    }
    QVERIFY(shellns::PathOfId(shellns::RootId()).isEmpty());
    QVERIFY(shellns::ParentId(shellns::RootId()).isEmpty());

    m.setFolder(shellns::TrashId());
    QCOMPARE(m.rowCount(), 1);
    const TRzShellListData* item = m.item(0);
    QCOMPARE(item->displayName, QStringLiteral("plan.dwg")); // original name from the info file
    QVERIFY(!ItemIsFileSystem(item));
    QVERIFY(ItemPath(item).isEmpty());
    QVERIFY(!shellns::IsBrowsableFolder(ItemShellId(item)));
    QCOMPARE(shellns::ParentId(shellns::TrashId()), shellns::RootId());
}

void TestFolderModel::pathsResolveOrFallBackToRoot()
{
    QTemporaryDir dir;
    QCOMPARE(shellns::FolderIdForPath(dir.path() + QStringLiteral("/")), shellns::IdFromPath(dir.path()));
    QCOMPARE(shellns::FolderIdForPath(dir.path() + QStringLiteral("/./x/..")), shellns::IdFromPath(dir.path()));
    QCOMPARE(shellns::FolderIdForPath(dir.path() + QStringLiteral("/missing")), shellns::RootId());
    QCOMPARE(shellns::FolderIdForPath(QString()), shellns::RootId());
    touch(dir.filePath(QStringLiteral("f.dwg")));
    QCOMPARE(shellns::FolderIdForPath(dir.filePath(QStringLiteral("f.dwg"))), shellns::RootId());
    const auto chain = shellns::AncestorChain(shellns::IdFromPath(QStringLiteral("/usr/share")));
    QCOMPARE(int(chain.size()), 4);
    QCOMPARE(chain[0], shellns::RootId());
    QCOMPARE(shellns::PathOfId(chain[1]), QStringLiteral("/"));
    QCOMPARE(shellns::PathOfId(chain[3]), QStringLiteral("/usr/share"));
}

void TestFolderModel::detailTexts()
{
    QTemporaryDir dir;
    QVERIFY(makeRawFile(EncodePath(dir.filePath(QStringLiteral("a.dwg"))), QByteArray(1025, 'x')));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("f")));
    FolderModel m;
    m.setFolder(shellns::IdFromPath(dir.path()));
    const TRzShellListData* folder = m.item(0);
    const TRzShellListData* file = m.item(1);
    QCOMPARE(ItemDetailText(folder, 1), QString());
    QCOMPARE(ItemDetailText(folder, 2), QStringLiteral("文件夹"));
    QCOMPARE(ItemDetailText(file, 1), QStringLiteral("2 KB"));
    QVERIFY(!ItemDetailText(file, 2).isEmpty());
    QVERIFY(ItemDetailText(file, 3).contains(u'/'));
    QCOMPARE(FormatSizeKb(0), QStringLiteral("0 KB"));
    QCOMPARE(FormatSizeKb(1234567890), QStringLiteral("1,205,633 KB"));
    QCOMPARE(ItemDetailText(nullptr, 1), QString());
    QCOMPARE(ColumnCaption(3), QStringLiteral("修改日期"));
}

QTEST_GUILESS_MAIN(TestFolderModel)
#include "tst_folder_model.moc"
