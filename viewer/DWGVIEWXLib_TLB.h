#pragma once
// TDwgViewX: the drawing viewer control of the right pane. Shows one DWG,
// DXF or DWF drawing: loads it when DrawingFile is set, draws it with the
// resolve/draw steps of cad/render, and offers zoom, pan, layers and print.

#include <QImage>
#include <QPoint>
#include <QString>
#include <QWidget>

#include <memory>

#include "cad/render/ViewTransform.h"

class QMenu;
class QPrinter;
class QToolBar;

namespace cad {
class Drawing;
}
namespace cad::render {
struct ResolvedDrawing;
}

class TDwgViewX : public QWidget {
    Q_OBJECT
public:
    // What the left mouse button does.
    enum class Mode { Normal, Pan, ZoomWindow };

    explicit TDwgViewX(QWidget* parent = nullptr);
    ~TDwgViewX() override;

    // Loads the drawing before returning; OpenErrorText() tells the outcome.
    void setDrawingFile(const QString& path);
    QString drawingFile() const { return drawingFile_; }
    // Folder searched for extra .ttf/.ttc/.otf fonts (and its "Fonts" subfolder).
    void setFontPath(const QString& path);
    QString fontPath() const { return fontPath_; }
    void setShowToobar(bool show);
    bool showToobar() const { return showToolbar_; }
    void setEnableContextMenu(bool enable);
    bool enableContextMenu() const { return contextMenu_; }
    // Background index 0..9; other values paint black.
    void setBackground(short index);
    short background() const { return background_; }

    void ZoomAll();
    void ZoomIn();
    void ZoomOut();
    void ZoomWindow();
    void Pan();
    void ShowLayers();
    QString OpenErrorText();
    void PrintDrawing();

    // Draws the open drawing (or preview) fitted to the printer's page.
    // Returns false when there is nothing to print or the printer fails.
    bool printTo(QPrinter& printer) const;

    Mode mode() const { return mode_; }
    const cad::render::ViewTransform& viewTransform() const { return view_; }
    bool hasDrawing() const;
    // True while a DWG/DWF is shown by its embedded preview picture.
    bool showingPreview() const { return !preview_.isNull(); }
    std::shared_ptr<cad::render::ResolvedDrawing> resolvedDrawing() const { return resolved_; }
    // The toolbar of the control's own (for tests and the embedding).
    QToolBar* toolbar() const { return toolbar_; }

signals:
    // Emitted by each of the eight methods after it has done its work.
    void commandRun(const QString& name);
    // The view changed (zoom, pan, layers, background, drawing).
    void viewChanged();

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void wheelEvent(QWheelEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void contextMenuEvent(QContextMenuEvent*) override;

private:
    void clearDrawing();
    void setMode(Mode m);
    void invalidate();
    void zoomAllView();
    cad::render::Box2 contentExtents() const;
    void renderFrame();
    QMenu* buildMenu(QWidget* parent);

    QString drawingFile_;
    QString fontPath_;
    QString errorText_;
    bool showToolbar_ = true;
    bool contextMenu_ = true;
    short background_ = 0;

    std::shared_ptr<cad::Drawing> drawing_;
    std::shared_ptr<cad::render::ResolvedDrawing> resolved_;
    QImage preview_;  // shown instead of the drawing when it cannot be drawn

    cad::render::ViewTransform view_;
    Mode mode_ = Mode::Normal;
    bool panning_ = false;
    bool rubberBand_ = false;
    QPoint pressPos_, lastPos_, currentPos_;

    QImage frame_;        // last rendered frame
    bool frameDirty_ = true;
    // While the mouse pans, the last frame is shown shifted; the drawing is
    // drawn again when the button is let go.
    QPoint frameShift_;
    QToolBar* toolbar_ = nullptr;
};
