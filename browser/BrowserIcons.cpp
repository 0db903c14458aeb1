#include "BrowserIcons.h"

#include "ShellNamespace.h"

#include <QFileInfo>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

QPixmap canvas(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    return pm;
}

QIcon drawnIcon(const std::function<void(QPainter&, int)>& paint)
{
    QIcon icon;
    for (int size : {16, 32, 48, 64}) {
        QPixmap pm = canvas(size);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        paint(p, size);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

void paintSheet(QPainter& p, int s, const QColor& fill)
{
    const qreal u = s / 16.0;
    QPainterPath path;
    path.moveTo(3 * u, 1 * u);
    path.lineTo(10 * u, 1 * u);
    path.lineTo(13.5 * u, 4.5 * u);
    path.lineTo(13.5 * u, 15 * u);
    path.lineTo(3 * u, 15 * u);
    path.closeSubpath();
    p.setPen(QPen(QColor(110, 110, 110), qMax(1.0, u * 0.8)));
    p.setBrush(fill);
    p.drawPath(path);
    p.drawLine(QPointF(10 * u, 1 * u), QPointF(10 * u, 4.5 * u));
    p.drawLine(QPointF(10 * u, 4.5 * u), QPointF(13.5 * u, 4.5 * u));
}

bool themeHas(const QString& name)
{
    return !name.isEmpty() && QIcon::hasThemeIcon(name);
}

} // namespace

void EnsureIconTheme()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    QStringList paths = QIcon::themeSearchPaths();
    if (!paths.contains(QStringLiteral("/usr/share/icons")))
        paths.append(QStringLiteral("/usr/share/icons"));
    QIcon::setThemeSearchPaths(paths);
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == u"hicolor") {
        for (const char* theme : {"Adwaita", "breeze", "hicolor"}) {
            if (QFileInfo::exists(QStringLiteral("/usr/share/icons/") + QLatin1String(theme) + QStringLiteral("/index.theme"))) {
                QIcon::setThemeName(QLatin1String(theme));
                break;
            }
        }
    }
}

QIcon FallbackFolderIcon()
{
    static const QIcon icon = drawnIcon([](QPainter& p, int s) {
        const qreal u = s / 16.0;
        p.setPen(QPen(QColor(160, 120, 30), qMax(1.0, u * 0.8)));
        p.setBrush(QColor(240, 200, 90));
        p.drawRoundedRect(QRectF(1 * u, 4 * u, 14 * u, 10 * u), u, u);
        p.setBrush(QColor(250, 215, 110));
        p.drawRoundedRect(QRectF(1 * u, 2.5 * u, 6 * u, 3 * u), u, u);
    });
    return icon;
}

QIcon FallbackFileIcon()
{
    static const QIcon icon = drawnIcon([](QPainter& p, int s) { paintSheet(p, s, Qt::white); });
    return icon;
}

QIcon FallbackDrawingIcon(const QString& label)
{
    static QHash<QString, QIcon> cache;
    const auto it = cache.constFind(label);
    if (it != cache.constEnd())
        return *it;
    const QColor band = label == u"DWG" ? QColor(200, 40, 40)
                      : label == u"DXF" ? QColor(30, 110, 200)
                                        : QColor(40, 150, 70);
    QIcon icon = drawnIcon([&](QPainter& p, int s) {
        paintSheet(p, s, Qt::white);
        const qreal u = s / 16.0;
        p.setPen(Qt::NoPen);
        p.setBrush(band);
        p.drawRect(QRectF(1 * u, 8 * u, 13 * u, 6 * u));
        if (s >= 32) {
            QFont f;
            f.setPixelSize(int(4.6 * u));
            f.setBold(true);
            p.setFont(f);
            p.setPen(Qt::white);
            p.drawText(QRectF(1 * u, 8 * u, 13 * u, 6 * u), Qt::AlignCenter, label);
        }
    });
    cache.insert(label, icon);
    return icon;
}

QIcon FallbackTrashIcon()
{
    static const QIcon icon = drawnIcon([](QPainter& p, int s) {
        const qreal u = s / 16.0;
        p.setPen(QPen(QColor(90, 90, 90), qMax(1.0, u * 0.8)));
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(QRectF(3.5 * u, 4 * u, 9 * u, 11 * u));
        p.drawRect(QRectF(2 * u, 2.5 * u, 12 * u, 1.5 * u));
    });
    return icon;
}

QIcon IconForItem(const TRzShellListData& d)
{
    EnsureIconTheme();
    if (shellns::IsTrash(d.id)) {
        static const QIcon trash = themeHas(QStringLiteral("user-trash")) ? QIcon::fromTheme(QStringLiteral("user-trash"))
                                                                         : FallbackTrashIcon();
        return trash;
    }
    if (d.has(TRzShellListData::Folder)) {
        static const QIcon folder = themeHas(QStringLiteral("folder")) ? QIcon::fromTheme(QStringLiteral("folder"))
                                                                      : FallbackFolderIcon();
        return folder;
    }
    const FileTypeInfo& t = ItemFileType(d);
    static QHash<QString, QIcon> byMime;
    const auto it = byMime.constFind(t.mimeName);
    if (it != byMime.constEnd())
        return *it;
    QIcon icon;
    const QString name = d.path.isEmpty() ? d.displayName : d.path;
    const QString lower = name.right(4).toLower();
    // Drawings always get our own icons: themes show them as generic images.
    if (lower == u".dwg")
        icon = FallbackDrawingIcon(QStringLiteral("DWG"));
    else if (lower == u".dxf")
        icon = FallbackDrawingIcon(QStringLiteral("DXF"));
    else if (lower == u".dwf")
        icon = FallbackDrawingIcon(QStringLiteral("DWF"));
    else if (themeHas(t.iconName))
        icon = QIcon::fromTheme(t.iconName);
    else if (themeHas(t.genericIconName))
        icon = QIcon::fromTheme(t.genericIconName);
    else
        icon = FallbackFileIcon();
    byMime.insert(t.mimeName, icon);
    return icon;
}

QIcon IconForPath(const QString& path)
{
    TRzShellListData d;
    if (!shellns::ItemForPath(path, d)) {
        d.path = path;
        d.flags = TRzShellListData::FileSystem;
    }
    return IconForItem(d);
}
