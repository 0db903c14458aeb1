#pragma once
// Icons of the browser's items: the icon theme's icon for the item's MIME type
// (looked up only when a row is shown, cached per type), with icons of our own
// for folders, drawings and other files when the theme has none.

#include "ShellListData.h"

#include <QIcon>

// Points Qt at /usr/share/icons and picks an installed theme, once.
void EnsureIconTheme();
QIcon IconForItem(const TRzShellListData& d);
// The icon of a path that is not a listed row (the thumbnails of other folders).
QIcon IconForPath(const QString& path);

// Our own icons, drawn in code.
QIcon FallbackFolderIcon();
QIcon FallbackFileIcon();
QIcon FallbackDrawingIcon(const QString& label); // "DWG", "DXF", "DWF"
QIcon FallbackTrashIcon();
