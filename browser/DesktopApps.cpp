#include "DesktopApps.h"

#include "FileClipboard.h"
#include "PathBytes.h"
#include "ShellNamespace.h"

#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QLocale>
#include <QMimeDatabase>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QStringList dataDirs()
{
    QStringList out;
    QString home = qEnvironmentVariable("XDG_DATA_HOME");
    if (home.isEmpty())
        home = shellns::HomeDir() + QStringLiteral("/.local/share");
    out.append(home);
    QString dirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dirs.isEmpty())
        dirs = QStringLiteral("/usr/local/share:/usr/share");
    for (const QString& d : dirs.split(u':', Qt::SkipEmptyParts))
        if (!out.contains(d))
            out.append(d);
    return out;
}

QStringList mimeappsFiles()
{
    QStringList out;
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = shellns::HomeDir() + QStringLiteral("/.config");
    QStringList configDirs{config};
    QString sys = qEnvironmentVariable("XDG_CONFIG_DIRS");
    if (sys.isEmpty())
        sys = QStringLiteral("/etc/xdg");
    configDirs += sys.split(u':', Qt::SkipEmptyParts);
    QStringList desktops;
    for (const QString& d : qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts))
        desktops.append(d.toLower());
    auto addDir = [&](const QString& dir) {
        for (const QString& d : desktops)
            out.append(dir + u'/' + d + QStringLiteral("-mimeapps.list"));
        out.append(dir + QStringLiteral("/mimeapps.list"));
    };
    for (const QString& c : configDirs)
        addDir(c);
    for (const QString& d : dataDirs())
        addDir(d + QStringLiteral("/applications"));
    return out;
}

// Unescapes a desktop-entry string value (\s \n \t \r \\).
QString unescapeValue(const QString& v)
{
    QString out;
    out.reserve(v.size());
    for (qsizetype i = 0; i < v.size(); ++i) {
        if (v[i] == u'\\' && i + 1 < v.size()) {
            const QChar n = v[++i];
            switch (n.unicode()) {
            case 's': out += u' '; break;
            case 'n': out += u'\n'; break;
            case 't': out += u'\t'; break;
            case 'r': out += u'\r'; break;
            case '\\': out += u'\\'; break;
            default: out += u'\\'; out += n; break; // kept for the Exec quoting rules
            }
        } else {
            out += v[i];
        }
    }
    return out;
}

// One group of an INI-like desktop file: key -> value (localised keys by
// their full name, e.g. "Name[zh_CN]").
QHash<QString, QString> readGroup(const QString& file, const QString& group)
{
    QHash<QString, QString> out;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly) || f.size() > (1 << 20))
        return out;
    bool inGroup = false;
    const QString header = u'[' + group + u']';
    for (const QByteArray& raw : f.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            inGroup = line == header;
            continue;
        }
        if (!inGroup)
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        if (!out.contains(key))
            out.insert(key, line.mid(eq + 1).trimmed());
    }
    return out;
}

QString localized(const QHash<QString, QString>& g, const QString& key)
{
    for (const char* loc : {"zh_CN", "zh"}) {
        const QString k = key + u'[' + QLatin1String(loc) + u']';
        if (g.contains(k))
            return unescapeValue(g.value(k));
    }
    return unescapeValue(g.value(key));
}

QStringList splitList(const QString& v)
{
    QStringList out;
    for (const QString& s : v.split(u';', Qt::SkipEmptyParts)) {
        const QString t = s.trimmed();
        if (!t.isEmpty())
            out.append(t);
    }
    return out;
}

bool parseEntry(const QString& file, const QString& id, DesktopApp& app)
{
    const QHash<QString, QString> g = readGroup(file, QStringLiteral("Desktop Entry"));
    if (g.value(QStringLiteral("Type")) != u"Application")
        return false;
    if (g.value(QStringLiteral("Hidden")) == u"true")
        return false;
    app.exec = unescapeValue(g.value(QStringLiteral("Exec")));
    if (app.exec.isEmpty())
        return false;
    const QString tryExec = unescapeValue(g.value(QStringLiteral("TryExec")));
    if (!tryExec.isEmpty()) {
        const bool found = tryExec.startsWith(u'/') ? ::access(EncodePath(tryExec).constData(), X_OK) == 0
                                                    : !QStandardPaths::findExecutable(tryExec).isEmpty();
        if (!found)
            return false;
    }
    app.id = id;
    app.file = file;
    app.name = localized(g, QStringLiteral("Name"));
    if (app.name.isEmpty())
        app.name = id;
    app.icon = unescapeValue(g.value(QStringLiteral("Icon")));
    app.mimeTypes = splitList(g.value(QStringLiteral("MimeType")));
    app.noDisplay = g.value(QStringLiteral("NoDisplay")) == u"true";
    app.terminal = g.value(QStringLiteral("Terminal")) == u"true";
    return true;
}

struct Associations {
    QStringList defaults;
    QStringList added;
    QStringList removed;
};

Associations associationsFor(const QString& mime)
{
    Associations a;
    for (const QString& file : mimeappsFiles()) {
        if (!QFile::exists(file))
            continue;
        a.defaults += splitList(readGroup(file, QStringLiteral("Default Applications")).value(mime));
        a.added += splitList(readGroup(file, QStringLiteral("Added Associations")).value(mime));
        a.removed += splitList(readGroup(file, QStringLiteral("Removed Associations")).value(mime));
    }
    return a;
}

QStringList mimeAndParents(const QString& mime)
{
    QStringList out{mime};
    QMimeDatabase db;
    const QMimeType t = db.mimeTypeForName(mime);
    if (t.isValid()) {
        if (t.name() != mime)
            out.append(t.name()); // an alias resolved
        for (const QString& p : t.allAncestors())
            if (!out.contains(p))
                out.append(p);
    }
    return out;
}

} // namespace

QList<DesktopApp> DesktopApps::All()
{
    QList<DesktopApp> out;
    QHash<QString, bool> seen;
    for (const QString& dir : dataDirs()) {
        const QString apps = dir + QStringLiteral("/applications");
        QDirIterator it(apps, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
        QStringList files;
        while (it.hasNext())
            files.append(it.next());
        files.sort();
        for (const QString& file : files) {
            QString id = file.mid(apps.size() + 1);
            id.replace(u'/', u'-');
            if (seen.contains(id))
                continue; // an earlier folder's entry shadows this one
            seen.insert(id, true);
            DesktopApp app;
            if (parseEntry(file, id, app))
                out.append(app);
        }
    }
    return out;
}

const DesktopApp* DesktopApps::Find(const QList<DesktopApp>& apps, const QString& id)
{
    for (const DesktopApp& a : apps)
        if (a.id == id)
            return &a;
    return nullptr;
}

QList<DesktopApp> DesktopApps::ForMimeType(const QString& mimeType)
{
    const QList<DesktopApp> all = All();
    QList<DesktopApp> out;
    auto add = [&](const DesktopApp* a) {
        if (!a || a->terminal)
            return;
        for (const DesktopApp& o : out)
            if (o.id == a->id)
                return;
        out.append(*a);
    };
    for (const QString& mime : mimeAndParents(mimeType)) {
        const Associations assoc = associationsFor(mime);
        for (const QString& id : assoc.defaults + assoc.added)
            if (!assoc.removed.contains(id))
                add(Find(all, id));
        for (const DesktopApp& a : all)
            if (a.mimeTypes.contains(mime) && !assoc.removed.contains(a.id))
                add(&a);
    }
    return out;
}

DesktopApp DesktopApps::DefaultFor(const QString& mimeType)
{
    const QList<DesktopApp> apps = ForMimeType(mimeType);
    return apps.isEmpty() ? DesktopApp() : apps.front();
}

QString DesktopApps::MimeTypeOf(const QString& path)
{
    static QMimeDatabase db;
    if (!PathHasRawBytes(path))
        return db.mimeTypeForFile(path).name();
    // Qt cannot open such a name: go by the readable name only.
    return db.mimeTypeForFile(DisplayNameOfBytes(EncodePath(path)), QMimeDatabase::MatchExtension).name();
}

QStringList DesktopApps::ExpandExec(const DesktopApp& app, const QString& path, QString* error)
{
    // 1. split into arguments, honouring double quotes and their escapes
    struct Arg {
        QString text;
        bool quoted = false;
    };
    QList<Arg> args;
    Arg cur;
    bool inArg = false;
    bool inQuote = false;
    const QString& e = app.exec;
    for (qsizetype i = 0; i < e.size(); ++i) {
        const QChar c = e[i];
        if (inQuote) {
            if (c == u'\\' && i + 1 < e.size() && QStringView(u"\"`$\\").contains(e[i + 1])) {
                cur.text += e[++i];
            } else if (c == u'"') {
                inQuote = false;
            } else {
                cur.text += c;
            }
            continue;
        }
        if (c == u' ' || c == u'\t' || c == u'\n') {
            if (inArg) {
                args.append(cur);
                cur = Arg();
                inArg = false;
            }
            continue;
        }
        inArg = true;
        if (c == u'"') {
            inQuote = true;
            cur.quoted = true;
        } else {
            cur.text += c;
        }
    }
    if (inQuote) {
        if (error)
            *error = QStringLiteral("程序的启动命令有误：") + app.exec;
        return {};
    }
    if (inArg)
        args.append(cur);

    // 2. field codes (not inside quoted arguments)
    const QString uri = QString::fromLatin1(FileClipboard::PathToUri(path));
    QStringList out;
    bool fileUsed = false;
    for (const Arg& a : args) {
        if (a.quoted) {
            out.append(a.text);
            continue;
        }
        if (a.text == u"%F" || a.text == u"%f") {
            out.append(path);
            fileUsed = true;
            continue;
        }
        if (a.text == u"%U" || a.text == u"%u") {
            out.append(uri);
            fileUsed = true;
            continue;
        }
        if (a.text == u"%i") {
            if (!app.icon.isEmpty())
                out << QStringLiteral("--icon") << app.icon;
            continue;
        }
        QString t;
        for (qsizetype i = 0; i < a.text.size(); ++i) {
            if (a.text[i] != u'%' || i + 1 >= a.text.size()) {
                t += a.text[i];
                continue;
            }
            const QChar code = a.text[++i];
            switch (code.unicode()) {
            case '%': t += u'%'; break;
            case 'f': case 'F': t += path; fileUsed = true; break;
            case 'u': case 'U': t += uri; fileUsed = true; break;
            case 'c': t += app.name; break;
            case 'k': t += app.file; break;
            default: break; // %d %D %n %N %v %m and unknown codes are dropped
            }
        }
        if (!t.isEmpty() || a.text.isEmpty())
            out.append(t);
    }
    if (out.isEmpty()) {
        if (error)
            *error = QStringLiteral("程序的启动命令为空");
        return {};
    }
    if (!fileUsed)
        out.append(path);
    return out;
}

bool DesktopApps::Launch(const DesktopApp& app, const QString& path, QString* error)
{
    QString err;
    const QStringList args = ExpandExec(app, path, &err);
    if (args.isEmpty()) {
        if (error)
            *error = err;
        return false;
    }
    QString program = args.front();
    if (!program.contains(u'/')) {
        program = QStandardPaths::findExecutable(program);
        if (program.isEmpty()) {
            if (error)
                *error = QStringLiteral("找不到程序：") + args.front();
            return false;
        }
    }
    // Everything the child needs is prepared before fork.
    std::vector<QByteArray> bytes;
    bytes.push_back(EncodePath(program));
    for (qsizetype i = 1; i < args.size(); ++i)
        bytes.push_back(EncodePath(args[i]));
    std::vector<char*> argv;
    for (QByteArray& b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);

    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        if (error)
            *error = QStringLiteral("无法启动程序");
        return false;
    }
    const pid_t child = fork();
    if (child < 0) {
        close(report[0]);
        close(report[1]);
        if (error)
            *error = QStringLiteral("无法启动程序");
        return false;
    }
    if (child == 0) {
        // Detach: the grandchild is adopted by init, so no zombie stays behind.
        setsid();
        const pid_t grand = fork();
        if (grand != 0)
            _exit(grand < 0 ? 1 : 0);
        close(report[0]);
        execv(argv[0], argv.data());
        const int e = errno;
        (void)!write(report[1], &e, sizeof e);
        _exit(127);
    }
    close(report[1]);
    int status = 0;
    waitpid(child, &status, 0);
    int execErr = 0;
    ssize_t n;
    do {
        n = read(report[0], &execErr, sizeof execErr);
    } while (n < 0 && errno == EINTR);
    close(report[0]);
    if (n == sizeof execErr) {
        if (error)
            *error = QStringLiteral("无法启动程序 %1：%2").arg(program, QString::fromLocal8Bit(strerror(execErr)));
        return false;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        if (error)
            *error = QStringLiteral("无法启动程序");
        return false;
    }
    return true;
}
