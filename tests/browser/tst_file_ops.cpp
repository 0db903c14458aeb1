// File work without widgets: the freedesktop trash, copy/move/delete that
// never lose a file, rename that never replaces, files on the clipboard.
#include "BrowserTestUtil.h"
#include "FileClipboard.h"
#include "FileTransfer.h"
#include "FreedesktopTrash.h"
#include "PathBytes.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void write(const QString& path, const QByteArray& content) { QVERIFY(makeRawFile(EncodePath(path), content)); }

} // namespace

class TestFileOps : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void trashOnFreshAccount();
    void trashNameClashesAndFolders();
    void trashOnOtherFileSystem();
    void renameNeverReplaces();
    void copyAndMoveKeepSources();
    void failedCopyLeavesNothingBehind();
    void replaceKeepsOldUntilNewIsIn();
    void permanentDeleteDoesNotFollowLinks();
    void clipboardRoundTrip();

private:
    QTemporaryDir* home_ = nullptr;
    QTemporaryDir* work_ = nullptr;
    QByteArray oldHome_;
};

void TestFileOps::init()
{
    home_ = new QTemporaryDir;
    work_ = new QTemporaryDir;
    oldHome_ = qgetenv("HOME");
    qputenv("HOME", home_->path().toUtf8());
    qunsetenv("XDG_DATA_HOME");
}

void TestFileOps::cleanup()
{
    qputenv("HOME", oldHome_);
    delete work_;
    delete home_;
}

void TestFileOps::trashOnFreshAccount()
{
    // A fresh account: ~/.local/share does not exist yet.
    QVERIFY(!QFile::exists(home_->filePath(QStringLiteral(".local"))));
    const QString file = work_->filePath(QStringLiteral("总图 v1.dwg"));
    write(file, "drawing");
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    const FreedesktopTrash::Result r = FreedesktopTrash::MoveToTrash(file);
    QVERIFY2(r.ok, qPrintable(r.error));
    const QString trash = home_->filePath(QStringLiteral(".local/share/Trash"));
    QCOMPARE(r.trashedAs, trash + QStringLiteral("/files/总图 v1.dwg"));
    QVERIFY(!QFile::exists(file));
    QCOMPARE(readAll(r.trashedAs), QByteArray("drawing"));

    const QByteArray info = readAll(trash + QStringLiteral("/info/总图 v1.dwg.trashinfo"));
    const QList<QByteArray> lines = info.split('\n');
    QVERIFY2(lines.size() >= 3, info.constData());
    QCOMPARE(lines[0], QByteArray("[Trash Info]"));
    QCOMPARE(lines[1], "Path=" + EncodePath(file).toPercentEncoding("/"));
    QVERIFY(lines[1].contains("%E6%80%BB%E5%9B%BE%20v1.dwg"));
    QVERIFY(lines[2].startsWith("DeletionDate="));
    const QDateTime when = QDateTime::fromString(QString::fromLatin1(lines[2].mid(13)), Qt::ISODate);
    QVERIFY(when.isValid());
    QVERIFY(when >= before && when <= QDateTime::currentDateTime().addSecs(1));
    QCOMPARE(QFileInfo(trash + QStringLiteral("/files")).permissions() & QFile::ReadOther, QFile::Permissions());
}

void TestFileOps::trashNameClashesAndFolders()
{
    const QString a1 = work_->filePath(QStringLiteral("a.dwg"));
    write(a1, "1");
    QVERIFY(FreedesktopTrash::MoveToTrash(a1).ok);
    write(a1, "2");
    const FreedesktopTrash::Result second = FreedesktopTrash::MoveToTrash(a1);
    QVERIFY(second.ok);
    QVERIFY(second.trashedAs.endsWith(QStringLiteral("/files/a.2.dwg")));
    QVERIFY(second.infoFile.endsWith(QStringLiteral("/info/a.2.dwg.trashinfo")));
    QCOMPARE(readAll(second.trashedAs), QByteArray("2"));

    const QString folder = work_->filePath(QStringLiteral("plans"));
    QVERIFY(QDir().mkpath(folder + QStringLiteral("/inner")));
    write(folder + QStringLiteral("/inner/x.dxf"), "x");
    const FreedesktopTrash::Result r = FreedesktopTrash::MoveToTrash(folder + QStringLiteral("/"));
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(readAll(r.trashedAs + QStringLiteral("/inner/x.dxf")), QByteArray("x"));

    const FreedesktopTrash::Result missing = FreedesktopTrash::MoveToTrash(work_->filePath(QStringLiteral("nope")));
    QVERIFY(!missing.ok);
    QVERIFY(!missing.error.isEmpty());
}

void TestFileOps::trashOnOtherFileSystem()
{
    struct stat shm {}, home {};
    if (::stat("/dev/shm", &shm) != 0 || ::stat(EncodePath(home_->path()).constData(), &home) != 0
        || shm.st_dev == home.st_dev || ::access("/dev/shm", W_OK) != 0)
        QSKIP("needs a writable /dev/shm on another file system");
    QTemporaryDir there(QStringLiteral("/dev/shm/plendor-trash-XXXXXX"));
    const QString file = there.filePath(QStringLiteral("far.dwg"));
    write(file, "far");
    QString top;
    const QString trashDir = FreedesktopTrash::TrashDirFor(file, &top);
    QCOMPARE(top, QStringLiteral("/dev/shm"));
    const FreedesktopTrash::Result r = FreedesktopTrash::MoveToTrash(file);
    QVERIFY2(r.ok, qPrintable(r.error));
    auto cleanupTrash = qScopeGuard([&] {
        QFile::remove(r.trashedAs);
        QFile::remove(r.infoFile);
    });
    QCOMPARE(trashDir, QStringLiteral("/dev/shm/.Trash-%1").arg(::getuid()));
    QVERIFY(r.trashedAs.startsWith(trashDir + QStringLiteral("/files/")));
    // The volume's trash records the path relative to the volume.
    const QByteArray info = readAll(r.infoFile);
    QVERIFY2(info.contains("\nPath=" + EncodePath(file.mid(9)).toPercentEncoding("/") + "\n"), info.constData());
}

void TestFileOps::renameNeverReplaces()
{
    const QString a = work_->filePath(QStringLiteral("a.dwg"));
    const QString b = work_->filePath(QStringLiteral("b.dwg"));
    write(a, "a");
    write(b, "b");
    QCOMPARE(FileTransfer::RenameNoReplace(a, b), EEXIST);
    QCOMPARE(readAll(a), QByteArray("a"));
    QCOMPARE(readAll(b), QByteArray("b"));
    QCOMPARE(FileTransfer::RenameNoReplace(a, work_->filePath(QStringLiteral("c.dwg"))), 0);
    QCOMPARE(FileTransfer::RenameNoReplace(a, work_->filePath(QStringLiteral("d.dwg"))), ENOENT);
}

void TestFileOps::copyAndMoveKeepSources()
{
    const QString src = work_->filePath(QStringLiteral("src"));
    QVERIFY(QDir().mkpath(src + QStringLiteral("/deep")));
    write(src + QStringLiteral("/deep/a.dwg"), "a");
    QVERIFY(::symlink("deep/a.dwg", EncodePath(src + QStringLiteral("/link")).constData()) == 0);
    const QString dst = work_->filePath(QStringLiteral("dst"));
    QString err;
    QVERIFY2(FileTransfer::Copy(src, dst, &err), qPrintable(err));
    QCOMPARE(readAll(dst + QStringLiteral("/deep/a.dwg")), QByteArray("a"));
    QCOMPARE(QFileInfo(dst + QStringLiteral("/link")).symLinkTarget(), dst + QStringLiteral("/deep/a.dwg"));
    QVERIFY(QFile::exists(src + QStringLiteral("/deep/a.dwg")));
    QVERIFY(!FileTransfer::Copy(src, dst, &err)); // never onto an existing item
    QVERIFY(!FileTransfer::Copy(src, src + QStringLiteral("/deep/inside"), &err)); // not into itself
    QVERIFY(!QFile::exists(src + QStringLiteral("/deep/inside")));

    const QString moved = work_->filePath(QStringLiteral("moved"));
    QVERIFY2(FileTransfer::Move(dst, moved, &err), qPrintable(err));
    QVERIFY(!QFile::exists(dst));
    QCOMPARE(readAll(moved + QStringLiteral("/deep/a.dwg")), QByteArray("a"));

    struct stat shm {};
    if (::stat("/dev/shm", &shm) == 0 && ::access("/dev/shm", W_OK) == 0) {
        // Across file systems a move is a copy followed by removing the source.
        QTemporaryDir there(QStringLiteral("/dev/shm/plendor-move-XXXXXX"));
        const QString far = there.filePath(QStringLiteral("far"));
        QVERIFY2(FileTransfer::Move(moved, far, &err), qPrintable(err));
        QCOMPARE(readAll(far + QStringLiteral("/deep/a.dwg")), QByteArray("a"));
        QVERIFY(!QFile::exists(moved));
    }
}

void TestFileOps::failedCopyLeavesNothingBehind()
{
    const QString src = work_->filePath(QStringLiteral("src"));
    QVERIFY(QDir().mkpath(src));
    write(src + QStringLiteral("/a.dwg"), "a");
    QVERIFY(::mkfifo(EncodePath(src + QStringLiteral("/pipe")).constData(), 0600) == 0);
    const QString dst = work_->filePath(QStringLiteral("dst"));
    QString err;
    QVERIFY(!FileTransfer::Copy(src, dst, &err));
    QVERIFY(!err.isEmpty());
    QVERIFY(!QFile::exists(dst));
    QCOMPARE(readAll(src + QStringLiteral("/a.dwg")), QByteArray("a"));
    // A failed move leaves the source where it was.
    QVERIFY(!FileTransfer::Move(src, src + QStringLiteral("/sub"), &err));
    QVERIFY(QFile::exists(src + QStringLiteral("/a.dwg")));
}

void TestFileOps::replaceKeepsOldUntilNewIsIn()
{
    const QString from = work_->filePath(QStringLiteral("new.dwg"));
    const QString to = work_->filePath(QStringLiteral("old.dwg"));
    write(from, "new");
    write(to, "old");
    QString err;
    QVERIFY2(FileTransfer::Replace(from, to, false, &err), qPrintable(err));
    QCOMPARE(readAll(to), QByteArray("new"));
    QCOMPARE(readAll(from), QByteArray("new"));
    // A replace whose new item cannot be made leaves the old one.
    QVERIFY(::mkfifo(EncodePath(work_->filePath(QStringLiteral("pipe"))).constData(), 0600) == 0);
    QVERIFY(!FileTransfer::Replace(work_->filePath(QStringLiteral("pipe")), to, false, &err));
    QCOMPARE(readAll(to), QByteArray("new"));
    QCOMPARE(QDir(work_->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).size(), 3);
}

void TestFileOps::permanentDeleteDoesNotFollowLinks()
{
    const QString outside = work_->filePath(QStringLiteral("outside"));
    QVERIFY(QDir().mkpath(outside));
    write(outside + QStringLiteral("/keep.dwg"), "k");
    const QString tree = work_->filePath(QStringLiteral("tree"));
    QVERIFY(QDir().mkpath(tree + QStringLiteral("/a/b")));
    QVERIFY(::symlink(EncodePath(outside).constData(), EncodePath(tree + QStringLiteral("/a/link")).constData()) == 0);
    QVERIFY(::symlink("..", EncodePath(tree + QStringLiteral("/a/b/up")).constData()) == 0);
    QString err;
    QVERIFY2(FileTransfer::DeletePermanently(tree, &err), qPrintable(err));
    QVERIFY(!QFile::exists(tree));
    QCOMPARE(readAll(outside + QStringLiteral("/keep.dwg")), QByteArray("k"));
}

void TestFileOps::clipboardRoundTrip()
{
    const QString raw = DecodePath("/tmp/\xb8\xc4 x/a%b.dwg");
    const QString plain = QStringLiteral("/tmp/图纸/a b.dxf");
    std::unique_ptr<QMimeData> md(FileClipboard::Encode({raw, plain}, true));
    QCOMPARE(md->data(QStringLiteral("text/uri-list")),
             QByteArray("file:///tmp/%B8%C4%20x/a%25b.dwg\r\nfile:///tmp/%E5%9B%BE%E7%BA%B8/a%20b.dxf\r\n"));
    QStringList paths;
    bool cut = false;
    QVERIFY(FileClipboard::Decode(md.get(), &paths, &cut));
    QVERIFY(cut);
    QCOMPARE(paths, (QStringList{raw, plain}));
    QCOMPARE(EncodePath(paths[0]), QByteArray("/tmp/\xb8\xc4 x/a%b.dwg"));

    // Another program's uri-list alone is a copy; remote and junk lines are skipped.
    QMimeData other;
    other.setData(QStringLiteral("text/uri-list"),
                  "# comment\r\nfile://localhost/tmp/x.dwg\r\nhttp://example.invalid/y\r\nfile://host/z\r\nfile:rel\r\n");
    QVERIFY(FileClipboard::Decode(&other, &paths, &cut));
    QVERIFY(!cut);
    QCOMPARE(paths, QStringList{QStringLiteral("/tmp/x.dwg")});
    QMimeData text;
    text.setText(QStringLiteral("/tmp/x.dwg"));
    QVERIFY(!FileClipboard::Decode(&text, &paths, &cut));
}

QTEST_GUILESS_MAIN(TestFileOps)
#include "tst_file_ops.moc"
