#pragma once
// Copying, moving, renaming and deleting items of the file system. No widgets:
// the callers ask the questions. Every operation keeps the source intact until
// the copy is complete, never follows symbolic links while it walks a tree and
// never replaces an existing item unless told to.

#include <QString>

class FileTransfer {
public:
    // rename(2) that fails with EEXIST instead of replacing (renameat2 with
    // RENAME_NOREPLACE). Returns 0 or the errno.
    static int RenameNoReplace(const QString& from, const QString& to);

    // Copies a file, link or folder tree to `to`, which must not exist. On
    // failure whatever was created is removed again and *error says why.
    static bool Copy(const QString& from, const QString& to, QString* error);
    // Moves by renaming; across file systems by copying, then removing the
    // source once the copy is complete.
    static bool Move(const QString& from, const QString& to, QString* error);
    // Removes a file, link or whole folder tree for good.
    static bool DeletePermanently(const QString& path, QString* error);

    // Puts `from` in place of the existing item `to`, keeping the old item
    // until the new one is in place (copy, or move when `move`).
    static bool Replace(const QString& from, const QString& to, bool move, QString* error);

    static bool Exists(const QString& path); // lstat: dangling links exist too
    static bool IsDirectory(const QString& path); // not following links
    // A free name in `folder` for a copy of `name`: "a - 副本.dwg", "a - 副本 (2).dwg".
    static QString FreeCopyName(const QString& folder, const QString& name);
    // True when `path` is `folder` or lies inside it (lexically).
    static bool IsInside(const QString& path, const QString& folder);

    static QString ErrorText(int err);
};
