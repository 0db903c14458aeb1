// Folder list, view modes and the start folder.

#include "UnitCAD.h"

#include <QCoreApplication>
#include <QFileInfo>

void TFrmCAD::CreateBrowserControls()
{
}

void TFrmCAD::ApplyListSettings()
{
}

QString TFrmCAD::FolderPathForSettings() const
{
    return QString();
}

int TFrmCAD::BrowserView() const
{
    return ThumbMode == 1 ? 2 : 0;
}

void TFrmCAD::RestoreStartFolder()
{
    const QStringList args = QCoreApplication::arguments();
    const QString arg = args.size() > 1 ? args.at(1) : QString();
    if (!arg.isEmpty() && QFileInfo(arg).isFile())
        OpenDrawing(arg);
}

void TFrmCAD::ApplyFileFilter(bool onlyDrawings)
{
    LoadAllFile = !onlyDrawings;
}

void TFrmCAD::ApplyShowHidden(bool show)
{
    ShowHidden = show;
}
