#include "ShellServices.h"

#include "DesktopApps.h"
#include "FileCommands.h"
#include "OpenWithDialog.h"
#include "PropertiesDialog.h"

void ShellOpenFile(QWidget* owner, const QString& path)
{
    if (path.isEmpty())
        return;
    const DesktopApp app = DesktopApps::DefaultFor(DesktopApps::MimeTypeOf(path));
    QString error;
    // No associated program, or one that cannot start: let the user choose.
    if (app.id.isEmpty() || !DesktopApps::Launch(app, path, &error))
        ShowOpenWithDialog(owner, path);
}

void ShowFileProperties(const QString& path)
{
    if (path.isEmpty())
        return;
    TPropertiesDialog dlg(path);
    dlg.exec();
}

bool ShellFileOperation(const QStringList& paths, bool allowUndo, int function, QWidget* owner)
{
    if (function != FO_DELETE || paths.isEmpty())
        return false;
    return DeleteItems(owner, paths, !allowUndo);
}
