#pragma once
// The desktop services behind the file commands: open with the associated
// program (or choose one), the Properties dialog and the delete operation.

#include <QString>
#include <QStringList>

class QWidget;

// Opens the file with the desktop's default program for its type; when none is
// associated, offers the Open With dialog.
void ShellOpenFile(QWidget* owner, const QString& path);
// The Properties dialog of a file or folder (modal).
void ShowFileProperties(const QString& path);

// The delete operation of the file commands.
constexpr int FO_DELETE = 3;
// Deletes `paths` after asking; to the trash when allowUndo, else for good.
// Returns true when every item was deleted.
bool ShellFileOperation(const QStringList& paths, bool allowUndo, int function, QWidget* owner);
