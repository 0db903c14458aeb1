#include "UnitFace.h"

TFrmFace* FrmFace = nullptr;

// The artwork is compiled into a static library; nothing else would keep it linked.
static void initArtwork()
{
    Q_INIT_RESOURCE(art);
}

TFrmFace::TFrmFace(QWidget* parent)
    : QWidget(parent)
{
    initArtwork();
    ImageFace = QImage(QStringLiteral(":/art/skin.bmp")).convertToFormat(QImage::Format_RGB888);
    FrmFace = this;
}
