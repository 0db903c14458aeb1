#include "LayerDialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "cad/render/Draw.h"

namespace {

QIcon swatch(cad::render::Rgb colour) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(Qt::black);
    p.setBrush(QColor::fromRgb(colour));
    p.drawRect(1, 1, 13, 13);
    return QIcon(pm);
}

}  // namespace

LayerDialog::LayerDialog(cad::render::ResolvedDrawing* drawing, cad::render::Rgb background,
                         std::function<void()> changed, QWidget* parent)
    : QDialog(parent), drawing_(drawing), changed_(std::move(changed)) {
    setObjectName(QStringLiteral("LayerDialog"));
    setWindowTitle(QStringLiteral("图层"));
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("LayerList"));
    auto* allOn = new QPushButton(QStringLiteral("全部打开"), this);
    auto* allOff = new QPushButton(QStringLiteral("全部关闭"), this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("关闭"));

    auto* row = new QHBoxLayout;
    row->addWidget(allOn);
    row->addWidget(allOff);
    row->addStretch();
    row->addWidget(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addLayout(row);
    resize(320, 400);

    filling_ = true;
    if (drawing_) {
        for (const cad::render::LayerInfo& l : drawing_->layers) {
            // Colour 7 is shown as it appears on the current background.
            const auto colour = cad::render::displayColour(l.colour, l.contrast, background);
            QString name = QString::fromStdString(l.name);
            if (l.frozen) name += QStringLiteral(" (冻结)");
            auto* item = new QListWidgetItem(swatch(colour), name, list_);
            item->setData(Qt::UserRole, QString::fromStdString(l.name));
            item->setCheckState(l.on ? Qt::Checked : Qt::Unchecked);
            // Frozen layers are not drawn at all; thawing is not offered here.
            if (l.frozen) item->setFlags(item->flags() & ~Qt::ItemIsEnabled);
        }
    }
    filling_ = false;

    connect(list_, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (filling_ || !drawing_) return;
        drawing_->setLayerOn(item->data(Qt::UserRole).toString().toStdString(),
                             item->checkState() == Qt::Checked);
        if (changed_) changed_();
    });
    connect(allOn, &QPushButton::clicked, this, [this] { setAll(true); });
    connect(allOff, &QPushButton::clicked, this, [this] { setAll(false); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void LayerDialog::setAll(bool on) {
    if (!drawing_) return;
    filling_ = true;
    for (int i = 0; i < list_->count(); ++i) {
        QListWidgetItem* item = list_->item(i);
        if (!(item->flags() & Qt::ItemIsEnabled)) continue;
        item->setCheckState(on ? Qt::Checked : Qt::Unchecked);
        drawing_->setLayerOn(item->data(Qt::UserRole).toString().toStdString(), on);
    }
    filling_ = false;
    if (changed_) changed_();
}
