#pragma once
// The desktop's applications as XDG desktop entries: which one opens a MIME
// type by default (mimeapps.list, then the entries declaring the type), all of
// them for the Open With dialog, and starting one on a file without a shell.

#include <QList>
#include <QString>
#include <QStringList>

struct DesktopApp {
    QString id;        // desktop-file id, e.g. "org.gnome.TextEditor.desktop"
    QString file;      // the .desktop file
    QString name;      // Name (Chinese when the entry has it)
    QString icon;
    QString exec;
    QStringList mimeTypes;
    bool noDisplay = false;
    bool terminal = false;
};

class DesktopApps {
public:
    // Every usable application entry (not Hidden, has Exec, TryExec found),
    // the user's entries shadowing the system's with the same id.
    static QList<DesktopApp> All();
    static const DesktopApp* Find(const QList<DesktopApp>& apps, const QString& id);

    // The default application for a MIME type, or nothing (empty id).
    static DesktopApp DefaultFor(const QString& mimeType);
    // Applications that declare the type or one of its parents, the
    // associations of mimeapps.list first.
    static QList<DesktopApp> ForMimeType(const QString& mimeType);

    // The argument vector for opening `path` with the entry's Exec line:
    // quoting and escapes as the desktop entry format defines them, %f %F the
    // path, %u %U its file URI, %i %c %k filled in, deprecated codes dropped.
    // When Exec names no file code the path is appended. Empty on a malformed
    // line (unbalanced quote), with *error set.
    static QStringList ExpandExec(const DesktopApp& app, const QString& path, QString* error);
    // Starts the program detached, straight through exec (no shell), with the
    // arguments' exact bytes; false with *error when it could not start.
    static bool Launch(const DesktopApp& app, const QString& path, QString* error);

    // The MIME type of a file by name and content.
    static QString MimeTypeOf(const QString& path);
};
