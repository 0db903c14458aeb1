#include "ColorComboBox.h"

#include "CADFunctions.h"

#include <QColorDialog>
#include <QPainter>
#include <QPixmap>

namespace {

struct NamedColour {
    const char* name;
    std::int32_t ref;
};

// The sixteen standard colours, as colour references.
const NamedColour kStandard[] = {
    {"黑色", 0x000000}, {"褐红色", 0x000080}, {"绿色", 0x008000}, {"橄榄色", 0x008080},
    {"深蓝色", 0x800000}, {"紫色", 0x800080}, {"蓝绿色", 0x808000}, {"灰色", 0x808080},
    {"银色", 0xC0C0C0}, {"红色", 0x0000FF}, {"浅绿色", 0x00FF00}, {"黄色", 0x00FFFF},
    {"蓝色", 0xFF0000}, {"紫红色", 0xFF00FF}, {"浅蓝色", 0xFFFF00}, {"白色", 0xFFFFFF},
};

QIcon swatch(std::int32_t ref)
{
    QPixmap pm(16, 12);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.fillRect(QRect(0, 0, 16, 12), ColorRefToQColor(ref));
    p.setPen(Qt::black);
    p.drawRect(QRect(0, 0, 15, 11));
    return QIcon(pm);
}

std::int32_t systemRef(int index)
{
    return std::int32_t(0x80000000u | quint32(index));
}

} // namespace

TColorComboBox::TColorComboBox(std::int32_t defaultColor, QWidget* parent)
    : QComboBox(parent)
{
    setEditable(false);
    setMaxVisibleItems(16);
    addItem(swatch(defaultColor), QStringLiteral("默认"), defaultColor);
    for (const NamedColour& c : kStandard)
        addItem(swatch(c.ref), QString::fromUtf8(c.name), c.ref);
    for (int i = 0; i < SystemColorCount(); ++i)
        addItem(swatch(systemRef(i)), SystemColorName(i), systemRef(i));
    addItem(QStringLiteral("自定义..."), defaultColor);
    customIndex_ = count() - 1;
    current_ = defaultColor;
    setCurrentIndex(0);
    connect(this, qOverload<int>(&QComboBox::activated), this, &TColorComboBox::onActivated);
}

void TColorComboBox::setColorRef(std::int32_t c)
{
    current_ = c;
    // The default entry shares its value with a standard colour; prefer the named one.
    for (int i = 1; i < customIndex_; ++i) {
        if (itemData(i).toInt() == c) {
            setCurrentIndex(i);
            return;
        }
    }
    if (itemData(0).toInt() == c) {
        setCurrentIndex(0);
        return;
    }
    setCustom(c);
}

void TColorComboBox::setCustom(std::int32_t c)
{
    setItemData(customIndex_, c);
    setItemIcon(customIndex_, swatch(c));
    setCurrentIndex(customIndex_);
}

void TColorComboBox::onActivated(int index)
{
    std::int32_t chosen = itemData(index).toInt();
    if (index == customIndex_) {
        const QColor c = QColorDialog::getColor(ColorRefToQColor(current_), this, QStringLiteral("颜色"));
        if (!c.isValid()) {
            setColorRef(current_);
            return;
        }
        chosen = QColorToColorRef(c);
        setCustom(chosen);
    }
    current_ = chosen;
    emit colorChanged(chosen);
}
