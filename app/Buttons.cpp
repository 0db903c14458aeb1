#include "Buttons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QStyleOptionToolButton>

QImage WithMagentaTransparent(const QImage& image)
{
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            if ((row[x] & 0x00FFFFFF) == 0x00FF00FF)
                row[x] = 0;
        }
    }
    return out;
}

TBitmapButton::TBitmapButton(QWidget* parent)
    : QAbstractButton(parent)
{
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::NoFocus);
}

void TBitmapButton::setArtwork(const QString& name)
{
    up_ = WithMagentaTransparent(QImage(QStringLiteral(":/art/%1_up.bmp").arg(name)));
    hot_img_ = WithMagentaTransparent(QImage(QStringLiteral(":/art/%1_hot.bmp").arg(name)));
    update();
}

void TBitmapButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QImage& img = (hot_ || isDown()) && !hot_img_.isNull() ? hot_img_ : up_;
    if (!img.isNull())
        p.drawImage(0, 0, img);
}

void TBitmapButton::enterEvent(QEnterEvent*)
{
    hot_ = true;
    update();
}

void TBitmapButton::leaveEvent(QEvent*)
{
    hot_ = false;
    update();
}

QSize TBitmapButton::sizeHint() const
{
    return up_.isNull() ? QSize(32, 32) : up_.size();
}

TFlatToolButton::TFlatToolButton(QWidget* parent)
    : QToolButton(parent)
{
    setAutoRaise(true);
    setFocusPolicy(Qt::NoFocus);
}

void TFlatToolButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect r = rect();
    if (isDown() || underMouse()) {
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0, QColor(245, 245, 245));
        g.setColorAt(1, QColor(80, 80, 80));
        p.fillRect(r, g);
        p.setPen(Qt::black);
        p.drawRect(r.adjusted(0, 0, -1, -1));
    }
    const QPixmap pm = icon().pixmap(16, 16, isEnabled() ? QIcon::Normal : QIcon::Disabled);
    p.drawPixmap((r.width() - pm.width()) / 2, (r.height() - pm.height()) / 2, pm);
}
