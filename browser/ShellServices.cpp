#include "ShellServices.h"

#include "FileCommands.h"

#include <QDesktopServices>
#include <QUrl>

void ShellOpenFile(QWidget* owner, const QString& path)
{
    Q_UNUSED(owner);
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void ShowFileProperties(const QString& path)
{
    Q_UNUSED(path);
}

bool ShellFileOperation(const QStringList& paths, bool allowUndo, int function, QWidget* owner)
{
    if (function != FO_DELETE)
        return false;
    return DeleteItems(owner, paths, !allowUndo);
}
