#pragma once
// Small helpers shared by the browser, the thumbnails and the viewer.

#include <QColor>
#include <QString>
#include <functional>

// The extension is the text from the last '.' to the end, provided no '/'
// follows that dot; otherwise there is none. Letter case is ignored.
QString PathExtension(const QString& path);
bool IsDwgFile(const QString& path);
bool IsDxfFile(const QString& path);
bool IsDwfFile(const QString& path);

// A folder path always ends in '/', so that appending a name gives a path.
QString AddTrailingSeparator(const QString& path);
QString DropTrailingSeparator(const QString& path);

// Viewer background index 0..9 as the colour of the panel behind the viewer;
// anything else is black.
QColor BackgroundColorOf(int index);

// Colours as stored in the settings: 0x00BBGGRR, red in the low byte. Negative
// values are system colours (0x80000000 | index) resolved through the palette.
QColor ColorRefToQColor(qint32 colorRef);
qint32 QColorToColorRef(const QColor& c);
// The 25 system colour indices in order, with their Chinese names.
int SystemColorCount();
QString SystemColorName(int index);

// Opens a document or web address with the program the desktop associates with
// it. Blank addresses are ignored. When nothing is associated and the address is
// an .htm page, the Open With chooser is offered (see SetOpenWithChooser).
void OpenWithShell(const QString& address);

// The Open With chooser lives in the browser; the application installs it here
// so that this helper does not depend on any dialog.
using OpenWithChooser = std::function<void(const QString& path)>;
void SetOpenWithChooser(OpenWithChooser chooser);

// Test seam: replaces the desktop's "open" so tests can see what would be opened
// without starting programs. Returns the previous opener.
using DesktopOpener = std::function<bool(const QString& address)>;
DesktopOpener SetDesktopOpener(DesktopOpener opener);
