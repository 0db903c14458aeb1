#pragma once
// Moving items to the desktop's trash as the freedesktop.org Trash
// specification describes: the item goes to Trash/files/<name> and a
// Trash/info/<name>.trashinfo records where it came from and when. Items on
// another file system than the home trash go to that volume's
// $topdir/.Trash/$uid or $topdir/.Trash-$uid.

#include <QString>

class FreedesktopTrash {
public:
    struct Result {
        bool ok = false;
        QString error;      // set when !ok
        QString trashedAs;  // files/<name> path of the item in the trash
        QString infoFile;   // its .trashinfo
    };
    static Result MoveToTrash(const QString& path);

    // The trash that takes items of `path`: the home trash when on the same
    // file system, else the volume's trash; empty when none can be made.
    static QString TrashDirFor(const QString& path, QString* topDir);
};
