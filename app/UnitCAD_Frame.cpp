// The skinned frame: painting, resize zones, moving, window buttons.

#include "UnitCAD.h"

#include "Buttons.h"
#include "SkinFrame.h"
#include "UnitFace.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

// Watches the window and its labels (labels are no windows of their own, so
// the frame's zones work through them): resize cursors, presses in the zones,
// the title band's move, the icon's click, and the manual drags used where the
// window manager refuses (no window manager at all, offscreen).
class TFrameMouse : public QObject {
public:
    explicit TFrameMouse(TFrmCAD* w) : QObject(w), w_(w) {}

    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    enum class Drag { None, PendingMove, Move, Resize };

    bool mouseMove(QMouseEvent* e);
    bool mousePress(QWidget* on, QMouseEvent* e);
    bool mouseRelease(QWidget* on, QMouseEvent* e);
    void showCursor(Qt::CursorShape shape, QPoint global = {});

    TFrmCAD* w_;
    Drag drag_ = Drag::None;
    QPoint pressGlobal_;
    QRect startGeometry_;
    Qt::Edges edges_;
    bool image2Pressed_ = false;
    bool zoneCursor_ = false;

    friend class TFrmCAD;
};

bool TFrameMouse::eventFilter(QObject* watched, QEvent* e)
{
    auto* on = qobject_cast<QWidget*>(watched);
    if (!on)
        return false;
    switch (e->type()) {
    case QEvent::Paint:
        if (on == w_) {
            QPainter p(w_);
            w_->FormPaint(p);
        }
        return false;
    case QEvent::Resize:
        if (on == w_)
            w_->FormResize();
        return false;
    case QEvent::MouseMove:
        return mouseMove(static_cast<QMouseEvent*>(e));
    case QEvent::MouseButtonPress:
        return mousePress(on, static_cast<QMouseEvent*>(e));
    case QEvent::MouseButtonRelease:
        return mouseRelease(on, static_cast<QMouseEvent*>(e));
    case QEvent::MouseButtonDblClick: {
        auto* me = static_cast<QMouseEvent*>(e);
        if (FrameHitEdges(w_->FrameHitTest(me->globalPosition().toPoint())))
            return true;
        if (on == w_->LabelTitle && me->button() == Qt::LeftButton) {
            drag_ = Drag::None;
            w_->BtnSysMaxClick();
            return true;
        }
        return false;
    }
    case QEvent::Leave:
        if (on == w_ && zoneCursor_ && w_->windowHandle()) {
            zoneCursor_ = false;
            w_->windowHandle()->setCursor(w_->cursor());
        }
        return false;
    default:
        return false;
    }
}

void TFrameMouse::showCursor(Qt::CursorShape shape, QPoint global)
{
    QWindow* win = w_->windowHandle();
    if (!win)
        return;
    zoneCursor_ = shape != Qt::ArrowCursor;
    // Set on the native window: the widget under the mouse keeps its own
    // cursor for when the mouse leaves the zone or enters a control.
    if (zoneCursor_) {
        win->setCursor(QCursor(shape));
    } else if (QWidget* under = w_->childAt(w_->mapFromGlobal(global))) {
        win->setCursor(under->cursor());
    } else {
        win->setCursor(w_->cursor());
    }
}

bool TFrameMouse::mouseMove(QMouseEvent* e)
{
    const QPoint global = e->globalPosition().toPoint();
    switch (drag_) {
    case Drag::PendingMove:
        if ((global - pressGlobal_).manhattanLength() < QApplication::startDragDistance())
            return true;
        // The window manager moves the window when it can; otherwise we do.
        if (w_->windowHandle() && w_->windowHandle()->startSystemMove()) {
            drag_ = Drag::None;
            return true;
        }
        drag_ = Drag::Move;
        [[fallthrough]];
    case Drag::Move:
        w_->move(startGeometry_.topLeft() + (global - pressGlobal_));
        return true;
    case Drag::Resize:
        w_->setGeometry(ResizedGeometry(startGeometry_, edges_, global - pressGlobal_, w_->minimumSize()));
        return true;
    case Drag::None:
        break;
    }
    if (e->buttons() == Qt::NoButton) {
        const int code = w_->FrameHitTest(global);
        if (FrameHitEdges(code))
            showCursor(FrameHitCursor(code));
        else if (zoneCursor_)
            showCursor(Qt::ArrowCursor, global);
    }
    return false;
}

bool TFrameMouse::mousePress(QWidget* on, QMouseEvent* e)
{
    const QPoint global = e->globalPosition().toPoint();
    const Qt::Edges edges = FrameHitEdges(w_->FrameHitTest(global));
    if (edges) {
        // Only the left button resizes; the zone takes every press, so the
        // labels beneath never see one.
        if (e->button() == Qt::LeftButton) {
            QWindow* win = w_->windowHandle();
            if (!(win && win->startSystemResize(edges))) {
                drag_ = Drag::Resize;
                edges_ = edges;
                pressGlobal_ = global;
                startGeometry_ = w_->geometry();
            }
        }
        return true;
    }
    if (on == w_->LabelTitle) {
        w_->LabelTitleMouseDown(e);
        return true;
    }
    if (on == w_->Image2 && e->button() == Qt::LeftButton) {
        image2Pressed_ = true;
        return true;
    }
    return false;
}

bool TFrameMouse::mouseRelease(QWidget* on, QMouseEvent* e)
{
    if (drag_ != Drag::None) {
        drag_ = Drag::None;
        return true;
    }
    if (on == w_->Image2 && image2Pressed_ && e->button() == Qt::LeftButton) {
        image2Pressed_ = false;
        if (w_->Image2->rect().contains(e->position().toPoint()))
            w_->Image2Click();
        return true;
    }
    image2Pressed_ = false;
    return false;
}

void TFrmCAD::CreateFrameBehaviour()
{
    // The artwork sits in this static library; a reference from code that is
    // always linked keeps the linker from dropping it.
    Q_INIT_RESOURCE(art);

    FrameMouse = new TFrameMouse(this);
    setMouseTracking(true);
    installEventFilter(FrameMouse);
    // Labels see plain mouse moves only with tracking on; they need them for
    // the zone cursors over them.
    for (QLabel* label : {LabelTitle, RzSeparator1, LabelCaption, Image2, Image1}) {
        label->setMouseTracking(true);
        label->installEventFilter(FrameMouse);
    }

    connect(BtnSysMin, &QAbstractButton::clicked, this, &TFrmCAD::BtnSysMinClick);
    connect(BtnSysMax, &QAbstractButton::clicked, this, &TFrmCAD::BtnSysMaxClick);
    connect(BtnSysClose, &QAbstractButton::clicked, this, &TFrmCAD::BtnSysCloseClick);
    connect(PM_MinSize, &QAction::triggered, this, &TFrmCAD::BtnSysMinClick);
    connect(PM_Close, &QAction::triggered, this, &TFrmCAD::BtnSysCloseClick);
}

void TFrmCAD::FormPaint(QPainter& canvas)
{
    PaintSkinFrame(canvas, FrmFace ? FrmFace->ImageFace : QImage(), height(), width());
}

void TFrmCAD::FormResize()
{
    // The frame's stretched parts change everywhere, not only in the new strip.
    update();
}

int TFrmCAD::FrameHitTest(const QPoint& globalPos) const
{
    const QPoint p = mapFromGlobal(globalPos);
    const int platform = rect().contains(p) ? HTCLIENT : HTNOWHERE;
    // Buttons, the splitter and everything inside it are windows of their own
    // and are never asked; labels and pictures are not.
    QWidget* child = childAt(p);
    while (child && child->parentWidget() != this)
        child = child->parentWidget();
    if (child && !qobject_cast<QLabel*>(child))
        return platform;
    return ::FrameHitTest(p, width(), height(), platform);
}

void TFrmCAD::LabelTitleMouseDown(QMouseEvent* e)
{
    // Any button moves the window. The move starts at the first motion, so a
    // press that does not move (a double click) leaves the window where it is.
    FrameMouse->drag_ = TFrameMouse::Drag::PendingMove;
    FrameMouse->pressGlobal_ = e->globalPosition().toPoint();
    FrameMouse->startGeometry_ = geometry();
}

void TFrmCAD::BtnSysMaxClick()
{
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    if (width() >= work.width() && height() >= work.height())
        RestoreWindowBounds();
    else
        MaximizeToWorkArea();
}

void TFrmCAD::BtnSysMinClick()
{
    showMinimized();
}

void TFrmCAD::BtnSysCloseClick()
{
    close();
}

void TFrmCAD::Image2Click()
{
    PopupMenuSys->popup(Image2->mapToGlobal(QPoint(0, Image2->height())));
}
