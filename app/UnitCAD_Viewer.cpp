// Opening drawings in the viewer and the seven view buttons.

#include "UnitCAD.h"

#include "Anchors.h"
#include "CADFunctions.h"
#include "DWGVIEWXLib_TLB.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QResizeEvent>

namespace {
const QSize kBkDesign(382, 368);
const QRect kWaitDesign(114, 44, 185, 41);
} // namespace

void TFrmCAD::createViewerControls()
{
    DwgViewX1 = new TDwgViewX(RzPanelBk);
    DwgViewX1->setObjectName(QStringLiteral("DwgViewX1"));
}

void TFrmCAD::configureViewer()
{
    DwgViewX1->setShowToobar(false);
    DwgViewX1->setEnableContextMenu(false);
    DwgViewX1->setFontPath(ProgramDir);
}

void TFrmCAD::layoutViewerPanels()
{
    const QSize s = RzPanelBk->size();
    DwgViewX1->setGeometry(0, 0, s.width(), s.height());
    RzPanelDis->setGeometry(0, 0, s.width(), s.height());
    // Anchored to the top only: the notice keeps its horizontal centre at the
    // same fraction of the panel's width.
    PanelWaite->setGeometry(AnchoredRect(kWaitDesign, kBkDesign, s, AnchorTop));
}

bool TFrmCAD::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == RzPanelBk && e->type() == QEvent::Resize)
        layoutViewerPanels();
    return QWidget::eventFilter(watched, e);
}

void TFrmCAD::ApplyBackground(int index)
{
    DwgViewX1->setBackground(static_cast<short>(index));
    QPalette pal = RzPanelBk->palette();
    pal.setColor(QPalette::Window, BackgroundColorOf(index));
    RzPanelBk->setPalette(pal);
}

void TFrmCAD::OpenDrawing(const QString& path)
{
    DrawingOpen = false;
    if (!IsDwgFile(path) && !IsDxfFile(path) && !IsDwfFile(path)) {
        ReportOpenFailure(path, QString());
    } else {
        PanelWaite->show();
        PanelWaite->raise();
        QCoreApplication::processEvents();
        try {
            DwgViewX1->setDrawingFile(path);
            const QString text = DwgViewX1->OpenErrorText();
            DrawingOpen = text.isEmpty();
            if (!text.isEmpty())
                ReportOpenFailure(path, text);
        } catch (...) {
            ReportOpenFailure(path, QString());
        }
        PanelWaite->hide();
        QCoreApplication::processEvents();
    }
    if (DrawingOpen) {
        RzPanelDis->hide();
        RzPanelMsg->setText(QLatin1Char(' ') + path);
    } else {
        RzPanelMsg->setText(QString());
    }
}

void TFrmCAD::ReportOpenFailure(const QString& path, const QString& text)
{
    DrawingOpen = false;
    RzPanelDis->show();
    RzPanelDis->raise();
    PanelWaite->raise();
    const QString message = text.isEmpty() ? path + QStringLiteral("\r\n文件无法打开。") : text;
    QMessageBox::information(this, QStringLiteral("提示"), message, QMessageBox::Ok);
}

void TFrmCAD::BtnPanClick()
{
    if (DrawingOpen)
        DwgViewX1->Pan();
}

void TFrmCAD::BtnZoomWinClick()
{
    if (DrawingOpen)
        DwgViewX1->ZoomWindow();
}

void TFrmCAD::BtnZoomAllClick()
{
    if (DrawingOpen)
        DwgViewX1->ZoomAll();
}

void TFrmCAD::BtnZoomInClick()
{
    if (DrawingOpen)
        DwgViewX1->ZoomIn();
}

void TFrmCAD::BtnZoomOutClick()
{
    if (DrawingOpen)
        DwgViewX1->ZoomOut();
}

void TFrmCAD::BtnLayerClick()
{
    if (!DrawingOpen)
        return;
    DwgViewX1->ShowLayers();
    DwgViewX1->ZoomAll();
}

void TFrmCAD::BtnPrintClick()
{
    if (DrawingOpen)
        DwgViewX1->PrintDrawing();
}
