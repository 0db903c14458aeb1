#include "CADFunctions.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace {

OpenWithChooser& chooser()
{
    static OpenWithChooser c;
    return c;
}

bool openWithDesktop(const QString& address)
{
    QUrl url = QUrl::fromUserInput(address);
    if (QFileInfo(address).isAbsolute())
        url = QUrl::fromLocalFile(address);
    return QDesktopServices::openUrl(url);
}

DesktopOpener& opener()
{
    static DesktopOpener o = openWithDesktop;
    return o;
}

} // namespace

QString PathExtension(const QString& path)
{
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return {};
    if (path.indexOf(QLatin1Char('/'), dot) >= 0)
        return {};
    return path.mid(dot);
}

bool IsDwgFile(const QString& path)
{
    return PathExtension(path).compare(QLatin1String(".dwg"), Qt::CaseInsensitive) == 0;
}

bool IsDxfFile(const QString& path)
{
    return PathExtension(path).compare(QLatin1String(".dxf"), Qt::CaseInsensitive) == 0;
}

bool IsDwfFile(const QString& path)
{
    return PathExtension(path).compare(QLatin1String(".dwf"), Qt::CaseInsensitive) == 0;
}

QString AddTrailingSeparator(const QString& path)
{
    if (path.isEmpty() || path.endsWith(QLatin1Char('/')))
        return path;
    return path + QLatin1Char('/');
}

QString DropTrailingSeparator(const QString& path)
{
    QString p = path;
    while (p.size() > 1 && p.endsWith(QLatin1Char('/')))
        p.chop(1);
    return p;
}

QColor BackgroundColorOf(int index)
{
    switch (index) {
    case 1: return QColor(255, 0, 0);
    case 2: return QColor(255, 255, 0);
    case 3: return QColor(0, 128, 0);
    case 4: return QColor(0, 255, 255);
    case 5: return QColor(0, 0, 255);
    case 6: return QColor(255, 0, 255);
    case 7: return QColor(255, 255, 255);
    case 8: return QColor(128, 128, 128);
    case 9: return QColor(192, 192, 192);
    default: return QColor(0, 0, 0);
    }
}

void SetOpenWithChooser(OpenWithChooser c)
{
    chooser() = std::move(c);
}

DesktopOpener SetDesktopOpener(DesktopOpener o)
{
    DesktopOpener previous = opener();
    opener() = o ? std::move(o) : DesktopOpener(openWithDesktop);
    return previous;
}

void OpenWithShell(const QString& address)
{
    if (address.trimmed().isEmpty())
        return;
    if (opener()(address))
        return;
    if (PathExtension(address).compare(QLatin1String(".htm"), Qt::CaseInsensitive) == 0 && chooser())
        chooser()(address);
}
