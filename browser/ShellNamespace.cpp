#include "ShellNamespace.h"

#include "FileMasks.h"
#include "PathBytes.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QLocale>
#include <QMimeDatabase>
#include <QMutex>
#include <QTextStream>

#include <deque>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace {

const QByteArray kRootId = "root:";
const QByteArray kTrashPrefix = "trash:";
const QByteArray kFilePrefix = "file:";

qint64 mtimeMsOf(const struct stat& st)
{
    return qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
}

void fillFromStat(TRzShellListData& d, const struct stat& st)
{
    if (S_ISDIR(st.st_mode)) {
        d.flags |= TRzShellListData::Folder;
        d.size = -1;
    } else {
        d.size = st.st_size;
    }
    d.mtimeMs = mtimeMsOf(st);
}

// Builds the item for one directory entry; false when it vanished meanwhile.
// With a known type other than a link the entry is not stat'ed here: size and
// time follow on first use (ensureStat).
bool makeFileItem(int dirFd, const QByteArray& dirBytes, const QString& dirPath,
                  const char* name, unsigned char dtype, TRzShellListData& d)
{
    const size_t nameLen = strlen(name);
    const QByteArrayView nameView(name, qsizetype(nameLen));
    d.flags |= TRzShellListData::FileSystem;
    if (name[0] == '.')
        d.flags |= TRzShellListData::Hidden;
    if (dtype == DT_REG || dtype == DT_DIR || dtype == DT_FIFO || dtype == DT_SOCK
        || dtype == DT_CHR || dtype == DT_BLK) {
        if (dtype == DT_DIR)
            d.flags |= TRzShellListData::Folder;
        d.flags |= TRzShellListData::Unstated;
    } else {
        struct stat st {};
        const bool ok = fstatat(dirFd, name, &st, 0) == 0;
        struct stat lst {};
        if (fstatat(dirFd, name, &lst, AT_SYMLINK_NOFOLLOW) != 0)
            return false;
        if (S_ISLNK(lst.st_mode)) {
            d.flags |= TRzShellListData::SymLink;
            if (!ok) {
                // A dangling link or a loop: listed as a plain file that
                // cannot be entered.
                d.flags |= TRzShellListData::Broken;
                st = lst;
                st.st_size = 0;
            }
        } else if (!ok) {
            st = lst;
        }
        fillFromStat(d, st);
    }
    const bool root = dirBytes.size() == 1 && dirBytes[0] == '/';
    QByteArray id;
    id.reserve(kFilePrefix.size() + dirBytes.size() + 1 + qsizetype(nameLen));
    id.append(kFilePrefix).append(dirBytes);
    if (!root)
        id.append('/');
    id.append(nameView);
    d.id = std::move(id);
    if (nameView.isValidUtf8()) {
        d.displayName = QString::fromUtf8(nameView);
        d.path = root ? u'/' + d.displayName : dirPath + u'/' + d.displayName;
    } else {
        const QByteArray nameBytes(name, qsizetype(nameLen));
        d.path = (root ? QStringLiteral("/") : dirPath + u'/') + DecodePath(nameBytes);
        d.displayName = DisplayNameOfBytes(nameBytes);
    }
    return true;
}

QString lastComponent(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? path : path.mid(slash + 1);
}

// Reads "Path=" of a .trashinfo file: percent-encoded bytes of the original path.
QString trashInfoOriginal(const QString& infoFile)
{
    QFile f(infoFile);
    if (!f.open(QIODevice::ReadOnly) || f.size() > 64 * 1024)
        return {};
    const QByteArray all = f.readAll();
    for (const QByteArray& line : all.split('\n')) {
        if (line.startsWith("Path="))
            return DecodePath(QByteArray::fromPercentEncoding(line.mid(5).trimmed()));
    }
    return {};
}

std::vector<TRzShellListData> listRoot()
{
    std::vector<TRzShellListData> out;
    auto addPath = [&](const QString& path, const QString& caption) {
        TRzShellListData d;
        if (!shellns::ItemForPath(path, d) || !d.has(TRzShellListData::Folder))
            return;
        for (const auto& e : out)
            if (e.id == d.id)
                return;
        d.displayName = caption;
        d.flags |= TRzShellListData::Volume;
        d.flags &= ~TRzShellListData::Hidden;
        out.push_back(std::move(d));
    };
    addPath(shellns::HomeDir(), QStringLiteral("主文件夹"));
    addPath(shellns::DesktopDir(), QStringLiteral("桌面"));
    addPath(QStringLiteral("/"), QStringLiteral("文件系统"));
    for (const QString& m : shellns::MountedVolumes())
        addPath(m, DisplayNameOfBytes(EncodePath(lastComponent(m))));
    TRzShellListData trash;
    trash.id = shellns::TrashId();
    trash.displayName = QStringLiteral("回收站");
    trash.flags = TRzShellListData::Folder | TRzShellListData::Volume;
    out.push_back(std::move(trash));
    return out;
}

std::vector<TRzShellListData> listTrash(const shellns::ListOptions& o)
{
    std::vector<TRzShellListData> out;
    const QString trash = shellns::HomeTrashDir();
    const QByteArray filesBytes = EncodePath(trash + QStringLiteral("/files"));
    DIR* dir = opendir(filesBytes.constData());
    if (!dir)
        return out;
    const int fd = dirfd(dir);
    while (dirent* e = readdir(dir)) {
        const char* name = e->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        const QByteArray nameBytes(name);
        const ShellId id = kTrashPrefix + nameBytes;
        if (o.seenIds)
            o.seenIds->push_back(id);
        if (o.known && o.known->contains(id))
            continue;
        struct stat st {};
        if (fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        TRzShellListData d;
        d.id = id;
        // Items in the Trash are outside the file system: no path, not entered.
        d.size = S_ISDIR(st.st_mode) ? -1 : st.st_size;
        d.mtimeMs = mtimeMsOf(st);
        const QString original = trashInfoOriginal(
            trash + QStringLiteral("/info/") + DecodePath(nameBytes) + QStringLiteral(".trashinfo"));
        d.displayName = original.isEmpty() ? DisplayNameOfBytes(nameBytes)
                                           : DisplayNameOfBytes(EncodePath(lastComponent(original)));
        out.push_back(std::move(d));
    }
    closedir(dir);
    return out;
}

} // namespace

namespace shellns {

ShellId RootId() { return kRootId; }
ShellId TrashId() { return kTrashPrefix; }
ShellId IdFromPath(const QString& path) { return kFilePrefix + EncodePath(path); }
bool IsRoot(const ShellId& id) { return id == kRootId; }
bool IsTrash(const ShellId& id) { return id == kTrashPrefix; }
bool IsTrashItem(const ShellId& id) { return id.size() > kTrashPrefix.size() && id.startsWith(kTrashPrefix); }
bool IsFileId(const ShellId& id) { return id.size() > kFilePrefix.size() && id.startsWith(kFilePrefix); }

QString PathOfId(const ShellId& id)
{
    return IsFileId(id) ? DecodePath(id.mid(kFilePrefix.size())) : QString();
}

QString NormalizePath(const QString& path)
{
    if (path.isEmpty())
        return {};
    QString abs = path;
    if (!abs.startsWith(u'/')) {
        char buf[4096];
        if (!getcwd(buf, sizeof buf))
            return {};
        abs = DecodePath(QByteArray(buf)) + u'/' + abs;
    }
    QStringList out;
    for (const QString& part : abs.split(u'/', Qt::SkipEmptyParts)) {
        if (part == u".")
            continue;
        if (part == u"..") {
            if (!out.isEmpty())
                out.removeLast();
            continue;
        }
        out.append(part);
    }
    return u'/' + out.join(u'/');
}

static bool isDirectory(const QString& path)
{
    struct stat st {};
    return !path.isEmpty() && stat(EncodePath(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

ShellId FolderIdForPath(const QString& path)
{
    const QString norm = NormalizePath(path);
    return isDirectory(norm) ? IdFromPath(norm) : RootId();
}

bool IsBrowsableFolder(const ShellId& id)
{
    if (IsRoot(id) || IsTrash(id))
        return true;
    return IsFileId(id) && isDirectory(PathOfId(id));
}

ShellId ParentId(const ShellId& id)
{
    if (IsRoot(id) || id.isEmpty())
        return {};
    if (IsTrash(id))
        return RootId();
    if (IsTrashItem(id))
        return TrashId();
    const QString path = PathOfId(id);
    if (path.isEmpty() || path == u"/")
        return RootId();
    const qsizetype slash = path.lastIndexOf(u'/');
    return IdFromPath(slash <= 0 ? QStringLiteral("/") : path.left(slash));
}

std::vector<ShellId> AncestorChain(const ShellId& id)
{
    std::vector<ShellId> chain;
    for (ShellId cur = id; !cur.isEmpty() && chain.size() < 4096; cur = ParentId(cur))
        chain.insert(chain.begin(), cur);
    return chain;
}

QString FolderDisplayName(const ShellId& id)
{
    if (IsRoot(id))
        return QStringLiteral("计算机");
    if (IsTrash(id))
        return QStringLiteral("回收站");
    const QString path = PathOfId(id);
    if (path == u"/")
        return QStringLiteral("文件系统");
    if (path == HomeDir())
        return QStringLiteral("主文件夹");
    return DisplayNameOfBytes(EncodePath(lastComponent(path)));
}

QString HomeDir()
{
    const QString home = qEnvironmentVariable("HOME");
    return home.isEmpty() ? QStringLiteral("/") : NormalizePath(home);
}

QString DesktopDir()
{
    // user-dirs.dirs is a shell fragment: XDG_DESKTOP_DIR="$HOME/Desktop".
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = HomeDir() + QStringLiteral("/.config");
    QFile f(config + QStringLiteral("/user-dirs.dirs"));
    if (f.open(QIODevice::ReadOnly) && f.size() < 64 * 1024) {
        for (const QByteArray& raw : f.readAll().split('\n')) {
            const QByteArray line = raw.trimmed();
            if (!line.startsWith("XDG_DESKTOP_DIR="))
                continue;
            QByteArray v = line.mid(16);
            if (v.size() >= 2 && v.startsWith('"') && v.endsWith('"'))
                v = v.mid(1, v.size() - 2);
            QString p = DecodePath(v);
            if (p.startsWith(QStringLiteral("$HOME")))
                p = HomeDir() + p.mid(5);
            if (p.startsWith(u'/'))
                return NormalizePath(p);
        }
    }
    return HomeDir() + QStringLiteral("/Desktop");
}

QString HomeTrashDir()
{
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty() || !data.startsWith(u'/'))
        data = HomeDir() + QStringLiteral("/.local/share");
    return NormalizePath(data) + QStringLiteral("/Trash");
}

QStringList MountedVolumes()
{
    QStringList out;
    QFile f(QStringLiteral("/proc/self/mounts"));
    if (!f.open(QIODevice::ReadOnly))
        return out;
    const QByteArray all = f.read(1 << 20);
    for (const QByteArray& line : all.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 3 || !fields[0].startsWith("/dev/"))
            continue;
        // Blanks and other specials are written as octal escapes (\040).
        QByteArray mp;
        const QByteArray& raw = fields[1];
        for (qsizetype i = 0; i < raw.size(); ++i) {
            if (raw[i] == '\\' && i + 3 < raw.size()) {
                bool ok = false;
                const int v = raw.mid(i + 1, 3).toInt(&ok, 8);
                if (ok && v < 256) {
                    mp.append(char(v));
                    i += 3;
                    continue;
                }
            }
            mp.append(raw[i]);
        }
        if (mp.startsWith("/media/") || mp.startsWith("/run/media/") || mp.startsWith("/mnt/")) {
            const QString p = DecodePath(mp);
            if (!out.contains(p))
                out.append(p);
        }
    }
    return out;
}

std::vector<TRzShellListData> ListFolder(const ShellId& folder, const ListOptions& o)
{
    if (IsRoot(folder)) {
        auto items = listRoot();
        if (o.seenIds)
            for (const auto& d : items)
                o.seenIds->push_back(d.id);
        if (o.known)
            std::erase_if(items, [&](const TRzShellListData& d) { return o.known->contains(d.id); });
        return items;
    }
    if (IsTrash(folder))
        return listTrash(o);
    std::vector<TRzShellListData> out;
    if (!IsFileId(folder))
        return out;
    const QByteArray dirBytes = folder.mid(kFilePrefix.size());
    const QString dirPath = DecodePath(dirBytes);
    DIR* dir = opendir(dirBytes.constData());
    if (!dir)
        return out; // unreadable or vanished: an empty folder
    const int fd = dirfd(dir);
    const bool filtering = o.filter && o.filter->isActive();
    const QByteArray sep = dirBytes.endsWith('/') ? QByteArray() : QByteArray("/");
    out.reserve(256);
    while (dirent* e = readdir(dir)) {
        const char* name = e->d_name;
        if (name[0] == '.') {
            if (name[1] == 0 || (name[1] == '.' && name[2] == 0))
                continue;
            if (!o.showHidden)
                continue;
        }
        if (o.seenIds || o.known) {
            const ShellId id = kFilePrefix + dirBytes + sep + name;
            if (o.seenIds)
                o.seenIds->push_back(id);
            if (o.known && o.known->contains(id))
                continue;
        }
        // A plain file that the filter rejects costs no more than its name.
        const bool plainFile = e->d_type != DT_DIR && e->d_type != DT_LNK && e->d_type != DT_UNKNOWN;
        if (filtering && plainFile) {
            const QByteArrayView nv(name);
            if (!o.filter->matches(nv.isValidUtf8() ? QString::fromUtf8(nv) : DecodePath(QByteArray(name))))
                continue;
        }
        TRzShellListData d;
        if (!makeFileItem(fd, dirBytes, dirPath, name, e->d_type, d))
            continue;
        if (filtering && !plainFile && !d.has(TRzShellListData::Folder)
            && !o.filter->matches(QStringView(d.path).mid(d.path.lastIndexOf(u'/') + 1)))
            continue;
        out.push_back(std::move(d));
    }
    closedir(dir);
    return out;
}

bool ItemForPath(const QString& path, TRzShellListData& out)
{
    const QString norm = NormalizePath(path);
    if (norm.isEmpty())
        return false;
    out = TRzShellListData();
    if (norm == u"/") {
        struct stat st {};
        if (stat("/", &st) != 0)
            return false;
        out.id = IdFromPath(norm);
        out.path = norm;
        out.displayName = QStringLiteral("/");
        out.flags = TRzShellListData::FileSystem;
        fillFromStat(out, st);
        return true;
    }
    const qsizetype slash = norm.lastIndexOf(u'/');
    const QString dirPath = slash == 0 ? QStringLiteral("/") : norm.left(slash);
    const QByteArray dirBytes = EncodePath(dirPath);
    const QByteArray nameBytes = EncodePath(norm.mid(slash + 1));
    const int fd = open(dirBytes.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        // A folder we may not list can still hold an item we may stat.
        struct stat st {};
        if (stat(EncodePath(norm).constData(), &st) != 0)
            return false;
        out.id = IdFromPath(norm);
        out.path = norm;
        out.displayName = DisplayNameOfBytes(nameBytes);
        out.flags = TRzShellListData::FileSystem;
        fillFromStat(out, st);
        return true;
    }
    const bool ok = makeFileItem(fd, dirBytes, dirPath, nameBytes.constData(), DT_UNKNOWN, out);
    ::close(fd);
    return ok;
}

} // namespace shellns

// ---- item services ----------------------------------------------------------

void TRzShellListData::ensureStat() const
{
    if (!(flags & Unstated))
        return;
    flags &= ~Unstated;
    struct stat st {};
    if (stat(EncodePath(path).constData(), &st) != 0 && lstat(EncodePath(path).constData(), &st) != 0) {
        size = 0; // vanished since the listing
        return;
    }
    size = S_ISDIR(st.st_mode) ? -1 : st.st_size;
    mtimeMs = mtimeMsOf(st);
}

bool ItemIsFolder(const TRzShellListData* d) { return d && d->has(TRzShellListData::Folder); }
bool ItemIsFileSystem(const TRzShellListData* d) { return d && d->has(TRzShellListData::FileSystem); }
QString ItemPath(const TRzShellListData* d) { return d ? d->path : QString(); }
QString ItemFileName(const TRzShellListData* d)
{
    if (!d || d->path.isEmpty())
        return {};
    if (d->path == u"/")
        return {};
    return d->path.mid(d->path.lastIndexOf(u'/') + 1);
}
QString ItemDisplayName(const TRzShellListData* d) { return d ? d->displayName : QString(); }
ShellId ItemShellId(const TRzShellListData* d) { return d ? d->id : ShellId(); }

QString ColumnCaption(int column)
{
    switch (column) {
    case 0: return QStringLiteral("名称");
    case 1: return QStringLiteral("大小");
    case 2: return QStringLiteral("类型");
    case 3: return QStringLiteral("修改日期");
    default: return {};
    }
}

QString FormatSizeKb(qint64 bytes)
{
    if (bytes < 0)
        return {};
    const qint64 kb = (bytes + 1023) / 1024;
    QString digits = QString::number(kb);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, u',');
    return digits + QStringLiteral(" KB");
}

QString FormatFileTime(qint64 ms)
{
    if (ms <= 0)
        return {};
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy/MM/dd HH:mm"));
}

namespace {

struct TypeCache {
    QMutex mutex;
    QHash<QString, int> bySuffix;   // lower-cased suffix -> index
    QHash<QString, int> byMime;     // mime name -> index
    std::deque<FileTypeInfo> infos; // index -> info; a deque keeps references valid
    int folderIndex = -1;
    int virtualIndex = -1;
    int linkIndex = -1;

    int add(FileTypeInfo info)
    {
        const auto it = byMime.constFind(info.mimeName);
        if (it != byMime.constEnd())
            return *it;
        infos.push_back(std::move(info));
        const int i = int(infos.size()) - 1;
        byMime.insert(infos.back().mimeName, i);
        return i;
    }
    int fromMime(const QMimeType& m)
    {
        const auto it = byMime.constFind(m.name());
        if (it != byMime.constEnd())
            return *it;
        QString comment = m.comment();
        if (comment.isEmpty())
            comment = m.name();
        return add({m.name(), comment, m.iconName(), m.genericIconName()});
    }
};

TypeCache& typeCache()
{
    static TypeCache* cache = new TypeCache; // lives to the end; items may outlive any owner
    return *cache;
}

} // namespace

const FileTypeInfo& ItemFileType(const TRzShellListData& d)
{
    TypeCache& c = typeCache();
    QMutexLocker lock(&c.mutex);
    if (d.typeIndex >= 0 && d.typeIndex < int(c.infos.size()))
        return c.infos[size_t(d.typeIndex)];
    int index;
    if (d.has(TRzShellListData::Folder) && d.has(TRzShellListData::FileSystem)) {
        if (c.folderIndex < 0)
            c.folderIndex = c.add({QStringLiteral("inode/directory"), QStringLiteral("文件夹"),
                                   QStringLiteral("folder"), QStringLiteral("folder")});
        index = c.folderIndex;
    } else if (d.has(TRzShellListData::Folder)) {
        if (c.virtualIndex < 0)
            c.virtualIndex = c.add({QStringLiteral("x-plendor/virtual-folder"), QStringLiteral("系统文件夹"),
                                    QStringLiteral("user-trash"), QStringLiteral("folder")});
        index = c.virtualIndex;
    } else if (d.has(TRzShellListData::Broken)) {
        if (c.linkIndex < 0)
            c.linkIndex = c.add({QStringLiteral("inode/symlink"), QStringLiteral("无效的链接"),
                                 QStringLiteral("emblem-symbolic-link"), QStringLiteral("text-x-generic")});
        index = c.linkIndex;
    } else {
        const QString name = d.path.isEmpty() ? d.displayName : d.path.mid(d.path.lastIndexOf(u'/') + 1);
        const qsizetype dot = name.lastIndexOf(u'.');
        // Cache by the last suffix; names with two suffixes (.tar.gz) or none
        // go to the database each time, which knows those globs.
        const bool cacheable = dot > 0 && name.indexOf(u'.') == dot && dot < name.size() - 1;
        const QString key = cacheable ? name.mid(dot + 1).toLower() : QString();
        const auto it = cacheable ? c.bySuffix.constFind(key) : c.bySuffix.constEnd();
        if (it != c.bySuffix.constEnd()) {
            index = *it;
        } else {
            static QMimeDatabase db;
            index = c.fromMime(db.mimeTypeForFile(name, QMimeDatabase::MatchExtension));
            if (cacheable)
                c.bySuffix.insert(key, index);
        }
    }
    d.typeIndex = index;
    return c.infos[size_t(index)];
}

QString ItemDetailText(const TRzShellListData* d, int column)
{
    if (!d)
        return {};
    switch (column) {
    case 1: d->ensureStat(); return d->has(TRzShellListData::Folder) ? QString() : FormatSizeKb(d->size);
    case 2: return ItemFileType(*d).comment;
    case 3: d->ensureStat(); return d->has(TRzShellListData::Volume) ? QString() : FormatFileTime(d->mtimeMs);
    default: return {};
    }
}
