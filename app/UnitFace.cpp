#include "UnitFace.h"

TFrmFace* FrmFace = nullptr;

TFrmFace::TFrmFace(QWidget* parent)
    : QWidget(parent)
{
    ImageFace = QImage(QStringLiteral(":/art/skin.bmp")).convertToFormat(QImage::Format_RGB888);
    FrmFace = this;
}
