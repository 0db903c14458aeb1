#include "DWGVIEWXLib_TLB.h"

#include "PathBytes.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QSet>
#include <QToolBar>
#include <QWheelEvent>

#include <cmath>

#include "DwfPackage.h"
#include "DwgPreview.h"
#include "LayerDialog.h"
#include "cad/io/DrawingLoader.h"
#include "cad/render/Draw.h"
#include "cad/render/Resolve.h"

using cad::render::Box2;
using cad::render::Vec2;

namespace {

constexpr double kZoomAllMargin = 0.03;
constexpr double kWheelStep = 1.25;  // zoom per notch of the wheel

const QString kPreviewNote = QStringLiteral("仅显示预览图");

// Fonts are registered once per process, whichever control asks.
void addFontsFrom(const QString& folder) {
    static QSet<QString> loaded;
    for (const QString& dir : {folder, folder + QStringLiteral("/Fonts"), folder + QStringLiteral("/fonts")}) {
        const QDir d(dir);
        if (!d.exists()) continue;
        const QStringList files = d.entryList({"*.ttf", "*.ttc", "*.otf", "*.TTF", "*.TTC", "*.OTF"}, QDir::Files);
        for (const QString& f : files) {
            const QString path = d.absoluteFilePath(f);
            if (loaded.contains(path)) continue;
            loaded.insert(path);
            QFontDatabase::addApplicationFont(path);
        }
    }
}

}  // namespace

TDwgViewX::TDwgViewX(QWidget* parent) : QWidget(parent) {
    cad::render::registerCadFontSubstitutes();
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setMinimumSize(16, 16);
    view_.setViewportSize(width(), height());

    toolbar_ = new QToolBar(this);
    toolbar_->setObjectName(QStringLiteral("DwgViewToolbar"));
    toolbar_->setAutoFillBackground(true);
    const struct {
        const char* text;
        void (TDwgViewX::*slot)();
    } tools[] = {
        {"移动", &TDwgViewX::Pan},       {"窗口缩放", &TDwgViewX::ZoomWindow},
        {"完整视图", &TDwgViewX::ZoomAll}, {"放大", &TDwgViewX::ZoomIn},
        {"缩小", &TDwgViewX::ZoomOut},   {"图层", &TDwgViewX::ShowLayers},
        {"打印", &TDwgViewX::PrintDrawing},
    };
    for (const auto& t : tools) {
        QAction* a = toolbar_->addAction(QString::fromUtf8(t.text));
        connect(a, &QAction::triggered, this, t.slot);
    }
    toolbar_->adjustSize();
    toolbar_->move(0, 0);
    toolbar_->setVisible(showToolbar_);
}

TDwgViewX::~TDwgViewX() = default;

bool TDwgViewX::hasDrawing() const { return resolved_ || !preview_.isNull(); }

void TDwgViewX::clearDrawing() {
    drawing_.reset();
    resolved_.reset();
    preview_ = QImage();
    errorText_.clear();
    setMode(Mode::Normal);
}

void TDwgViewX::setDrawingFile(const QString& path) {
    clearDrawing();
    drawingFile_ = path;
    if (path.isEmpty()) {
        errorText_ = QStringLiteral("没有指定图纸文件。");
    } else {
        const cad::LoadResult r = cad::loadDrawingFile(EncodePath(path).toStdString());
        if (r.status == cad::LoadStatus::Ok && r.drawing) {
            drawing_ = r.drawing;
            resolved_ = cad::render::resolveDrawing(*drawing_);
        } else if ((r.status == cad::LoadStatus::UnsupportedVersion || r.status == cad::LoadStatus::Damaged) &&
                   r.format == "DWG") {
            // Versions the reader does not know, and files whose objects it
            // cannot follow, often still carry an intact preview picture.
            preview_ = LoadDwgPreviewImage(path);
        } else if (r.status == cad::LoadStatus::UnsupportedVersion && r.format == "DWF") {
            preview_ = dwf::packageThumbnail(path);
        }
        if (!hasDrawing()) {
            errorText_ = QString::fromStdString(r.message);
            if (r.status == cad::LoadStatus::UnsupportedVersion)
                errorText_ = (errorText_.isEmpty() ? QString() : errorText_ + QLatin1Char('\n')) +
                             QStringLiteral("该文件暂时无法显示。");
            if (errorText_.isEmpty()) errorText_ = QStringLiteral("文件无法打开。");
        }
    }
    zoomAllView();
    invalidate();
}

void TDwgViewX::setFontPath(const QString& path) {
    fontPath_ = path;
    if (!path.isEmpty()) addFontsFrom(path);
    invalidate();
}

void TDwgViewX::setShowToobar(bool show) {
    showToolbar_ = show;
    toolbar_->setVisible(show);
}

void TDwgViewX::setEnableContextMenu(bool enable) { contextMenu_ = enable; }

void TDwgViewX::setBackground(short index) {
    background_ = index;
    invalidate();
}

Box2 TDwgViewX::contentExtents() const {
    if (resolved_) return resolved_->extents;
    if (!preview_.isNull()) return Box2::of({0, 0}, {double(preview_.width()), double(preview_.height())});
    return {};
}

void TDwgViewX::zoomAllView() {
    view_.setViewportSize(width(), height());
    view_.fit(contentExtents(), kZoomAllMargin);
}

void TDwgViewX::invalidate() {
    frameDirty_ = true;
    update();
    emit viewChanged();
}

void TDwgViewX::setMode(Mode m) {
    mode_ = m;
    rubberBand_ = false;
    setCursor(m == Mode::Pan ? Qt::OpenHandCursor : m == Mode::ZoomWindow ? Qt::CrossCursor : Qt::ArrowCursor);
}

void TDwgViewX::ZoomAll() {
    zoomAllView();
    invalidate();
    emit commandRun(QStringLiteral("ZoomAll"));
}

void TDwgViewX::ZoomIn() {
    view_.zoom(2);
    invalidate();
    emit commandRun(QStringLiteral("ZoomIn"));
}

void TDwgViewX::ZoomOut() {
    view_.zoom(0.5);
    invalidate();
    emit commandRun(QStringLiteral("ZoomOut"));
}

void TDwgViewX::ZoomWindow() {
    setMode(Mode::ZoomWindow);
    emit commandRun(QStringLiteral("ZoomWindow"));
}

void TDwgViewX::Pan() {
    setMode(Mode::Pan);
    emit commandRun(QStringLiteral("Pan"));
}

void TDwgViewX::ShowLayers() {
    LayerDialog dialog(resolved_.get(), cad::render::backgroundColour(background_),
                       [this] {
                           invalidate();
                           repaint();
                       },
                       this);
    dialog.exec();
    emit commandRun(QStringLiteral("ShowLayers"));
}

QString TDwgViewX::OpenErrorText() {
    const QString text = errorText_;
    emit commandRun(QStringLiteral("OpenErrorText"));
    return text;
}

void TDwgViewX::PrintDrawing() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QFileInfo(drawingFile_).fileName());
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("打印"));
    if (dialog.exec() == QDialog::Accepted) printTo(printer);
    emit commandRun(QStringLiteral("PrintDrawing"));
}

bool TDwgViewX::printTo(QPrinter& printer) const {
    if (!hasDrawing()) return false;
    QPainter p;
    if (!p.begin(&printer)) return false;
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    cad::render::ViewTransform v(page.width(), page.height());
    v.fit(contentExtents(), 0.02);
    if (resolved_) {
        cad::render::DrawOptions o;
        o.background = cad::render::rgb(255, 255, 255);  // paper: colour 7 prints black
        o.fillBackground = false;
        o.penWidth = std::max(1.0, printer.resolution() * 0.18 / 25.4);  // 0.18 mm
        o.antialias = true;
        cad::render::drawResolved(p, *resolved_, v, o);
    } else {
        const Vec2 a = v.worldToScreen({0, double(preview_.height())});
        const Vec2 b = v.worldToScreen({double(preview_.width()), 0});
        p.drawImage(QRectF(QPointF(a.x, a.y), QPointF(b.x, b.y)), preview_);
    }
    return p.end();
}

void TDwgViewX::renderFrame() {
    const qreal dpr = devicePixelRatioF();
    const QSize px = (QSizeF(size()) * dpr).toSize().expandedTo(QSize(1, 1));
    if (frame_.size() != px) frame_ = QImage(px, QImage::Format_RGB32);
    frame_.setDevicePixelRatio(dpr);
    const cad::render::Rgb bg = cad::render::backgroundColour(background_);
    QPainter p(&frame_);
    if (resolved_) {
        cad::render::DrawOptions o;
        o.background = bg;
        cad::render::drawResolved(p, *resolved_, view_, o);
    } else {
        p.fillRect(rect(), QColor::fromRgb(bg));
        if (!preview_.isNull()) {
            // The picture lies in "world" units of one per pixel, y up.
            const Vec2 a = view_.worldToScreen({0, double(preview_.height())});
            const Vec2 b = view_.worldToScreen({double(preview_.width()), 0});
            p.setRenderHint(QPainter::SmoothPixmapTransform, view_.scale() < 1);
            p.drawImage(QRectF(QPointF(a.x, a.y), QPointF(b.x, b.y)), preview_);
        }
    }
    frameDirty_ = false;
    frameShift_ = QPoint();
}

void TDwgViewX::paintEvent(QPaintEvent*) {
    const cad::render::Rgb bg = cad::render::backgroundColour(background_);
    QPainter p(this);
    if (panning_ && !frameDirty_ && !frame_.isNull()) {
        p.fillRect(rect(), QColor::fromRgb(bg));
        p.drawImage(frameShift_, frame_);
    } else {
        if (frameDirty_ || frame_.isNull() || !frameShift_.isNull()) renderFrame();
        p.drawImage(QPoint(0, 0), frame_);
    }
    const QColor ink = cad::render::isLightBackground(bg) ? Qt::black : Qt::white;
    if (!preview_.isNull()) {
        // Say that this is only the preview, bottom-right, over a plate.
        const QFontMetrics fm(font());
        QRect r = fm.boundingRect(kPreviewNote).adjusted(-6, -3, 6, 3);
        r.moveBottomRight(rect().bottomRight() - QPoint(6, 6));
        p.fillRect(r, QColor::fromRgb(bg));
        p.setPen(ink);
        p.drawText(r, Qt::AlignCenter, kPreviewNote);
    }
    if (rubberBand_) {
        QPen pen(ink, 1, Qt::DashLine);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRect(pressPos_, currentPos_).normalized());
    }
}

void TDwgViewX::resizeEvent(QResizeEvent*) {
    view_.setViewportSize(width(), height());
    frameDirty_ = true;
}

void TDwgViewX::wheelEvent(QWheelEvent* e) {
    const double notches = e->angleDelta().y() / 120.0;
    if (notches == 0 || !hasDrawing()) return;
    const QPointF at = e->position();
    view_.zoomAt({at.x(), at.y()}, std::pow(kWheelStep, notches));
    invalidate();
    e->accept();
}

void TDwgViewX::mousePressEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    if (e->button() == Qt::MiddleButton || (e->button() == Qt::LeftButton && mode_ == Mode::Pan)) {
        panning_ = true;
        lastPos_ = pos;
        setCursor(Qt::ClosedHandCursor);
        e->accept();
        return;
    }
    if (e->button() == Qt::LeftButton && mode_ == Mode::ZoomWindow) {
        rubberBand_ = true;
        pressPos_ = currentPos_ = pos;
        update();
        e->accept();
        return;
    }
    QWidget::mousePressEvent(e);
}

void TDwgViewX::mouseMoveEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    if (panning_) {
        const QPoint d = pos - lastPos_;
        lastPos_ = pos;
        if (!d.isNull()) {
            view_.panPixels(d.x(), d.y());
            frameShift_ += d;
            update();
            emit viewChanged();
        }
        return;
    }
    if (rubberBand_) {
        currentPos_ = pos;
        update();  // only the band moves; the frame is reused
    }
}

void TDwgViewX::mouseReleaseEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    if (panning_ && (e->button() == Qt::MiddleButton || e->button() == Qt::LeftButton)) {
        panning_ = false;
        if (!frameShift_.isNull()) invalidate();
        setCursor(mode_ == Mode::Pan ? Qt::OpenHandCursor : mode_ == Mode::ZoomWindow ? Qt::CrossCursor
                                                                                      : Qt::ArrowCursor);
        return;
    }
    if (rubberBand_ && e->button() == Qt::LeftButton) {
        currentPos_ = pos;
        view_.zoomToScreenRect({double(pressPos_.x()), double(pressPos_.y())}, {double(pos.x()), double(pos.y())});
        setMode(Mode::Normal);  // one window, then back to normal
        invalidate();
    }
}

void TDwgViewX::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape && (mode_ != Mode::Normal || panning_)) {
        panning_ = false;
        setMode(Mode::Normal);
        update();
        return;
    }
    QWidget::keyPressEvent(e);
}

QMenu* TDwgViewX::buildMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("DwgViewContextMenu"));
    for (QAction* a : toolbar_->actions()) menu->addAction(a);
    return menu;
}

void TDwgViewX::contextMenuEvent(QContextMenuEvent* e) {
    if (!contextMenu_) {
        e->ignore();
        return;
    }
    QMenu* menu = buildMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(e->globalPos());
    e->accept();
}
