#include "FileClipboard.h"

#include "PathBytes.h"

#include <QMimeData>

QByteArray FileClipboard::PathToUri(const QString& path)
{
    return "file://" + EncodePath(path).toPercentEncoding("/");
}

QString FileClipboard::UriToPath(const QByteArray& uri)
{
    QByteArray u = uri.trimmed();
    if (!u.startsWith("file:"))
        return {};
    u = u.mid(5);
    if (u.startsWith("//")) {
        u = u.mid(2);
        const qsizetype slash = u.indexOf('/');
        if (slash < 0)
            return {};
        const QByteArray host = u.left(slash);
        if (!host.isEmpty() && host != "localhost")
            return {};
        u = u.mid(slash);
    }
    if (!u.startsWith('/'))
        return {};
    return DecodePath(QByteArray::fromPercentEncoding(u));
}

QMimeData* FileClipboard::Encode(const QStringList& paths, bool cut)
{
    QByteArray uriList;
    QByteArray gnome = cut ? "cut" : "copy";
    for (const QString& p : paths) {
        const QByteArray uri = PathToUri(p);
        uriList += uri + "\r\n"; // text/uri-list lines end in CR LF
        gnome += '\n' + uri;
    }
    auto* data = new QMimeData;
    data->setData(QStringLiteral("text/uri-list"), uriList);
    data->setData(QStringLiteral("x-special/gnome-copied-files"), gnome);
    QStringList shown;
    for (const QString& p : paths)
        shown.append(DisplayNameOfBytes(EncodePath(p)));
    data->setText(shown.join(u'\n'));
    return data;
}

bool FileClipboard::Decode(const QMimeData* data, QStringList* paths, bool* cut)
{
    paths->clear();
    *cut = false;
    if (!data)
        return false;
    const QString gnomeType = QStringLiteral("x-special/gnome-copied-files");
    QList<QByteArray> lines;
    if (data->hasFormat(gnomeType)) {
        lines = data->data(gnomeType).split('\n');
        if (!lines.isEmpty()) {
            const QByteArray verb = lines.takeFirst().trimmed();
            *cut = verb == "cut";
        }
    } else if (data->hasFormat(QStringLiteral("text/uri-list"))) {
        lines = data->data(QStringLiteral("text/uri-list")).split('\n');
    } else {
        return false;
    }
    for (const QByteArray& line : lines) {
        const QByteArray t = line.trimmed();
        if (t.isEmpty() || t.startsWith('#'))
            continue;
        const QString p = UriToPath(t);
        if (!p.isEmpty())
            paths->append(p);
    }
    return !paths->isEmpty();
}
