#include "CADFunctions.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPalette>
#include <QUrl>
#include <iterator>

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

namespace {

struct SystemColour {
    const char* name;
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// Index order of the classic system colour codes; each is shown with the
// palette role that plays the same part here.
const SystemColour kSystemColours[] = {
    {"滚动条", QPalette::Active, QPalette::Button},
    {"桌面", QPalette::Active, QPalette::Dark},
    {"活动标题栏", QPalette::Active, QPalette::Highlight},
    {"非活动标题栏", QPalette::Inactive, QPalette::Mid},
    {"菜单", QPalette::Active, QPalette::Window},
    {"窗口背景", QPalette::Active, QPalette::Base},
    {"窗口边框", QPalette::Active, QPalette::Shadow},
    {"菜单文本", QPalette::Active, QPalette::WindowText},
    {"窗口文本", QPalette::Active, QPalette::Text},
    {"标题栏文本", QPalette::Active, QPalette::HighlightedText},
    {"活动边框", QPalette::Active, QPalette::Button},
    {"非活动边框", QPalette::Inactive, QPalette::Button},
    {"应用程序工作区", QPalette::Active, QPalette::Dark},
    {"选定项目", QPalette::Active, QPalette::Highlight},
    {"选定项目文本", QPalette::Active, QPalette::HighlightedText},
    {"按钮表面", QPalette::Active, QPalette::Button},
    {"按钮阴影", QPalette::Active, QPalette::Dark},
    {"灰色文本", QPalette::Disabled, QPalette::Text},
    {"按钮文本", QPalette::Active, QPalette::ButtonText},
    {"非活动标题文本", QPalette::Inactive, QPalette::Text},
    {"按钮高光", QPalette::Active, QPalette::Light},
    {"三维深阴影", QPalette::Active, QPalette::Shadow},
    {"三维亮色", QPalette::Active, QPalette::Midlight},
    {"提示文本", QPalette::Active, QPalette::ToolTipText},
    {"提示背景", QPalette::Active, QPalette::ToolTipBase},
};

} // namespace

int SystemColorCount()
{
    return int(std::size(kSystemColours));
}

QString SystemColorName(int index)
{
    if (index < 0 || index >= SystemColorCount())
        return {};
    return QString::fromUtf8(kSystemColours[index].name);
}

QColor ColorRefToQColor(qint32 colorRef)
{
    if (colorRef < 0) {
        const int index = int(quint32(colorRef) & 0xFF);
        if (index >= SystemColorCount() || !qGuiApp)
            return QColor(Qt::black);
        const SystemColour& s = kSystemColours[index];
        return QGuiApplication::palette().color(s.group, s.role);
    }
    const quint32 v = quint32(colorRef);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

qint32 QColorToColorRef(const QColor& c)
{
    return qint32(quint32(c.red()) | (quint32(c.green()) << 8) | (quint32(c.blue()) << 16));
}
