#include "FileTransfer.h"

#include "PathBytes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <vector>

namespace {

QByteArray B(const QString& p) { return EncodePath(p); }

QString withError(const QString& what, int err)
{
    return what + QStringLiteral("：") + FileTransfer::ErrorText(err);
}

bool copyFileData(int in, int out)
{
    // copy_file_range lets the kernel (or a reflinking file system) do the work.
    for (;;) {
        const ssize_t n = copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
        if (n == 0)
            return true;
        if (n > 0)
            continue;
        if (errno == EINTR)
            continue;
        if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP)
            return false;
        break;
    }
    char buf[1 << 16];
    for (;;) {
        const ssize_t n = read(in, buf, sizeof buf);
        if (n == 0)
            return true;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = write(out, buf + done, size_t(n - done));
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                return false;
            }
            done += w;
        }
    }
}

bool copyTree(const QByteArray& from, const QByteArray& to, const QString& shownFrom, QString* error, int depth)
{
    if (depth > 256) {
        *error = withError(shownFrom, ELOOP);
        return false;
    }
    struct stat st {};
    if (lstat(from.constData(), &st) != 0) {
        *error = withError(shownFrom, errno);
        return false;
    }
    if (S_ISLNK(st.st_mode)) {
        std::vector<char> target(size_t(st.st_size > 0 ? st.st_size : 4096) + 1);
        const ssize_t n = readlink(from.constData(), target.data(), target.size() - 1);
        if (n < 0) {
            *error = withError(shownFrom, errno);
            return false;
        }
        target[size_t(n)] = 0;
        if (symlink(target.data(), to.constData()) != 0) {
            *error = withError(shownFrom, errno);
            return false;
        }
        return true;
    }
    if (S_ISDIR(st.st_mode)) {
        if (mkdir(to.constData(), 0700) != 0) {
            *error = withError(shownFrom, errno);
            return false;
        }
        DIR* dir = opendir(from.constData());
        if (!dir) {
            *error = withError(shownFrom, errno);
            return false;
        }
        bool ok = true;
        while (dirent* e = readdir(dir)) {
            const char* n = e->d_name;
            if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
                continue;
            const QByteArray name(n);
            if (!copyTree(from + '/' + name, to + '/' + name, DecodePath(from + '/' + name), error, depth + 1)) {
                ok = false;
                break;
            }
        }
        closedir(dir);
        chmod(to.constData(), st.st_mode & 07777);
        return ok;
    }
    if (!S_ISREG(st.st_mode)) {
        *error = shownFrom + QStringLiteral("：不是普通文件，无法复制");
        return false;
    }
    const int in = open(from.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (in < 0) {
        *error = withError(shownFrom, errno);
        return false;
    }
    const int out = open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777);
    if (out < 0) {
        *error = withError(shownFrom, errno);
        close(in);
        return false;
    }
    bool ok = copyFileData(in, out);
    int err = errno;
    if (ok) {
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        futimens(out, times);
    }
    if (close(out) != 0 && ok) {
        ok = false;
        err = errno;
    }
    close(in);
    if (!ok)
        *error = withError(shownFrom, err);
    return ok;
}

bool removeTree(const QByteArray& path, QString* error, int depth)
{
    struct stat st {};
    if (lstat(path.constData(), &st) != 0) {
        if (errno == ENOENT)
            return true;
        *error = withError(DecodePath(path), errno);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        if (depth > 256) {
            *error = withError(DecodePath(path), ELOOP);
            return false;
        }
        DIR* dir = opendir(path.constData());
        if (!dir) {
            *error = withError(DecodePath(path), errno);
            return false;
        }
        std::vector<QByteArray> names;
        while (dirent* e = readdir(dir)) {
            const char* n = e->d_name;
            if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
                continue;
            names.emplace_back(n);
        }
        closedir(dir);
        bool ok = true;
        for (const QByteArray& n : names)
            ok = removeTree(path + '/' + n, error, depth + 1) && ok;
        if (!ok)
            return false;
        if (rmdir(path.constData()) != 0) {
            *error = withError(DecodePath(path), errno);
            return false;
        }
        return true;
    }
    if (unlink(path.constData()) != 0) {
        *error = withError(DecodePath(path), errno);
        return false;
    }
    return true;
}

QString parentOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

QString tempNameBeside(const QString& path, const char* tag)
{
    const QString dir = parentOf(path);
    for (int i = 0; i < 1000; ++i) {
        const QString candidate = dir + QStringLiteral("/.plendor-%1-%2-%3").arg(QLatin1String(tag)).arg(getpid()).arg(i);
        if (!FileTransfer::Exists(candidate))
            return candidate;
    }
    return {};
}

} // namespace

QString FileTransfer::ErrorText(int err)
{
    switch (err) {
    case EEXIST: case ENOTEMPTY: return QStringLiteral("目标已存在");
    case ENOENT: return QStringLiteral("文件不存在");
    case EACCES: case EPERM: return QStringLiteral("没有权限");
    case ENOSPC: return QStringLiteral("磁盘空间不足");
    case EROFS: return QStringLiteral("只读文件系统");
    case EINVAL: return QStringLiteral("无效的名称");
    case ENAMETOOLONG: return QStringLiteral("名称太长");
    case EBUSY: return QStringLiteral("文件正在使用");
    case ELOOP: return QStringLiteral("链接层次太深");
    default: return QString::fromLocal8Bit(strerror(err));
    }
}

int FileTransfer::RenameNoReplace(const QString& from, const QString& to)
{
    if (renameat2(AT_FDCWD, B(from).constData(), AT_FDCWD, B(to).constData(), RENAME_NOREPLACE) == 0)
        return 0;
    const int err = errno;
    if (err != EINVAL && err != ENOSYS)
        return err;
    // File systems without RENAME_NOREPLACE: link+unlink for files is atomic
    // against replacement; folders get the plain check first.
    if (!Exists(from))
        return ENOENT;
    if (!IsDirectory(from)) {
        if (link(B(from).constData(), B(to).constData()) == 0) {
            unlink(B(from).constData());
            return 0;
        }
        if (errno != EPERM && errno != EXDEV)
            return errno;
    }
    if (Exists(to))
        return EEXIST;
    return rename(B(from).constData(), B(to).constData()) == 0 ? 0 : errno;
}

bool FileTransfer::Exists(const QString& path)
{
    struct stat st {};
    return !path.isEmpty() && lstat(B(path).constData(), &st) == 0;
}

bool FileTransfer::IsDirectory(const QString& path)
{
    struct stat st {};
    return !path.isEmpty() && lstat(B(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileTransfer::IsInside(const QString& path, const QString& folder)
{
    if (path == folder)
        return true;
    const QString f = folder.endsWith(u'/') ? folder : folder + u'/';
    return path.startsWith(f);
}

QString FileTransfer::FreeCopyName(const QString& folder, const QString& name)
{
    qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= 0)
        dot = name.size();
    const QString stem = name.left(dot);
    const QString ext = name.mid(dot);
    const QString base = folder.endsWith(u'/') ? folder : folder + u'/';
    for (int i = 1; i < 10000; ++i) {
        const QString candidate = stem + QStringLiteral(" - 副本") + (i > 1 ? QStringLiteral(" (%1)").arg(i) : QString()) + ext;
        if (!Exists(base + candidate))
            return candidate;
    }
    return {};
}

bool FileTransfer::Copy(const QString& from, const QString& to, QString* error)
{
    QString dummy;
    QString& err = error ? *error : dummy;
    if (IsDirectory(from) && IsInside(to, from)) {
        err = from + QStringLiteral("：不能把文件夹复制到它自己里面");
        return false;
    }
    if (Exists(to)) {
        err = withError(to, EEXIST);
        return false;
    }
    if (copyTree(B(from), B(to), from, &err, 0))
        return true;
    QString ignored;
    removeTree(B(to), &ignored, 0); // only what this copy created: `to` did not exist
    return false;
}

bool FileTransfer::Move(const QString& from, const QString& to, QString* error)
{
    QString dummy;
    QString& err = error ? *error : dummy;
    if (IsDirectory(from) && IsInside(to, from)) {
        err = from + QStringLiteral("：不能把文件夹移动到它自己里面");
        return false;
    }
    const int r = RenameNoReplace(from, to);
    if (r == 0)
        return true;
    if (r != EXDEV) {
        err = withError(from, r);
        return false;
    }
    if (!Copy(from, to, &err))
        return false;
    // The copy is complete; only now does the source go.
    return DeletePermanently(from, &err);
}

bool FileTransfer::DeletePermanently(const QString& path, QString* error)
{
    QString dummy;
    if (!Exists(path)) {
        (error ? *error : dummy) = withError(path, ENOENT);
        return false;
    }
    return removeTree(B(path), error ? error : &dummy, 0);
}

bool FileTransfer::Replace(const QString& from, const QString& to, bool move, QString* error)
{
    QString dummy;
    QString& err = error ? *error : dummy;
    if (from == to)
        return true;
    const QString fresh = tempNameBeside(to, "new");
    const QString old = tempNameBeside(to, "old");
    if (fresh.isEmpty() || old.isEmpty()) {
        err = withError(to, EEXIST);
        return false;
    }
    // 1. the new item beside the old one, complete
    if (!(move ? Move(from, fresh, &err) : Copy(from, fresh, &err)))
        return false;
    // 2. the old one aside, 3. the new one in place, 4. the old one gone
    if (const int r = RenameNoReplace(to, old); r != 0) {
        err = withError(to, r);
        QString ignored;
        if (move) {
            if (RenameNoReplace(fresh, from) != 0)
                Move(fresh, from, &ignored);
        } else
            DeletePermanently(fresh, &ignored);
        return false;
    }
    if (const int r = RenameNoReplace(fresh, to); r != 0) {
        err = withError(to, r);
        RenameNoReplace(old, to);
        return false;
    }
    QString ignored;
    DeletePermanently(old, &ignored);
    return true;
}
