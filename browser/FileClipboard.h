#pragma once
// Files on the clipboard as the desktop's file managers put them there:
// text/uri-list plus x-special/gnome-copied-files ("copy" or "cut", then one
// file URI a line). URIs carry the exact bytes of the paths, percent-encoded.

#include <QStringList>

class QMimeData;

class FileClipboard {
public:
    static QMimeData* Encode(const QStringList& paths, bool cut);
    // False when the data holds no local files.
    static bool Decode(const QMimeData* data, QStringList* paths, bool* cut);
    static QByteArray PathToUri(const QString& path);
    static QString UriToPath(const QByteArray& uri); // "" for a non-local URI
};
