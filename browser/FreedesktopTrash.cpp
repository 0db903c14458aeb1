#include "FreedesktopTrash.h"

#include "FileTransfer.h"
#include "PathBytes.h"
#include "ShellNamespace.h"

#include <QDateTime>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool makeDirs(const QByteArray& path, mode_t mode)
{
    struct stat st {};
    if (stat(path.constData(), &st) == 0)
        return S_ISDIR(st.st_mode);
    const qsizetype slash = path.lastIndexOf('/');
    if (slash > 0 && !makeDirs(path.left(slash), 0700))
        return false;
    return mkdir(path.constData(), mode) == 0 || errno == EEXIST;
}

// A trash folder we may use: a real directory (not a link) of ours.
bool usableTrash(const QByteArray& dir)
{
    struct stat st {};
    if (lstat(dir.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid())
        return false;
    return makeDirs(dir + "/files", 0700) && makeDirs(dir + "/info", 0700);
}

QString parentOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

// The mount point holding `path`: the highest ancestor on the same device.
QString topDirOf(const QString& path, dev_t dev)
{
    QString cur = parentOf(path);
    for (int guard = 0; guard < 4096 && cur != u"/"; ++guard) {
        const QString up = parentOf(cur);
        struct stat st {};
        if (stat(EncodePath(up).constData(), &st) != 0 || st.st_dev != dev)
            return cur;
        cur = up;
    }
    return QStringLiteral("/");
}

} // namespace

QString FreedesktopTrash::TrashDirFor(const QString& path, QString* topDir)
{
    if (topDir)
        topDir->clear();
    struct stat item {};
    // The item's own device; for a link, that of the folder holding it.
    if (lstat(EncodePath(path).constData(), &item) != 0)
        return {};
    const QString home = shellns::HomeTrashDir();
    const QByteArray homeBytes = EncodePath(home);
    // The fresh-account case: ~/.local/share may not exist yet.
    if (makeDirs(homeBytes + "/files", 0700) && makeDirs(homeBytes + "/info", 0700)) {
        struct stat trash {};
        if (stat(homeBytes.constData(), &trash) == 0 && trash.st_dev == item.st_dev)
            return home;
    }
    const QString top = topDirOf(path, item.st_dev);
    const QByteArray topBytes = EncodePath(top == u"/" ? QString() : top);
    const QByteArray uid = QByteArray::number(getuid());
    // $topdir/.Trash, shared, must be a sticky directory and not a link.
    struct stat shared {};
    if (lstat((topBytes + "/.Trash").constData(), &shared) == 0 && S_ISDIR(shared.st_mode)
        && (shared.st_mode & S_ISVTX)) {
        const QByteArray mine = topBytes + "/.Trash/" + uid;
        mkdir(mine.constData(), 0700); // EEXIST is fine
        if (usableTrash(mine)) {
            if (topDir)
                *topDir = top;
            return DecodePath(mine);
        }
    }
    const QByteArray own = topBytes + "/.Trash-" + uid;
    mkdir(own.constData(), 0700);
    if (usableTrash(own)) {
        if (topDir)
            *topDir = top;
        return DecodePath(own);
    }
    return {};
}

FreedesktopTrash::Result FreedesktopTrash::MoveToTrash(const QString& rawPath)
{
    Result res;
    const QString path = shellns::NormalizePath(rawPath);
    if (!FileTransfer::Exists(path)) {
        res.error = path + QStringLiteral("：") + FileTransfer::ErrorText(ENOENT);
        return res;
    }
    QString top;
    const QString trash = TrashDirFor(path, &top);
    if (trash.isEmpty()) {
        res.error = path + QStringLiteral("：找不到可用的回收站");
        return res;
    }
    // The home trash records absolute paths; a volume's trash records them
    // relative to the volume's top folder.
    QString recorded = path;
    if (!top.isEmpty())
        recorded = path.mid(top.size() + 1);
    QByteArray info = "[Trash Info]\nPath=";
    info += EncodePath(recorded).toPercentEncoding("/");
    info += "\nDeletionDate=";
    info += QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1();
    info += "\n";

    const QString name = path.mid(path.lastIndexOf(u'/') + 1);
    qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= 0)
        dot = name.size();
    for (int n = 1; n < 100000; ++n) {
        const QString candidate = n == 1 ? name : name.left(dot) + QStringLiteral(".%1").arg(n) + name.mid(dot);
        const QString infoPath = trash + QStringLiteral("/info/") + candidate + QStringLiteral(".trashinfo");
        // The info file is created first and exclusively: it reserves the name.
        const int fd = open(EncodePath(infoPath).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            res.error = path + QStringLiteral("：") + FileTransfer::ErrorText(errno);
            return res;
        }
        const bool written = write(fd, info.constData(), size_t(info.size())) == info.size();
        const bool closed = close(fd) == 0;
        if (!written || !closed) {
            unlink(EncodePath(infoPath).constData());
            res.error = path + QStringLiteral("：无法写入回收站信息");
            return res;
        }
        const QString target = trash + QStringLiteral("/files/") + candidate;
        const int r = FileTransfer::RenameNoReplace(path, target);
        if (r == EEXIST) {
            unlink(EncodePath(infoPath).constData());
            continue;
        }
        if (r != 0) {
            unlink(EncodePath(infoPath).constData());
            res.error = path + QStringLiteral("：") + FileTransfer::ErrorText(r);
            return res;
        }
        res.ok = true;
        res.trashedAs = target;
        res.infoFile = infoPath;
        return res;
    }
    res.error = path + QStringLiteral("：回收站中同名项目过多");
    return res;
}
