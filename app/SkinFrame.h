#pragma once
// The skinned window frame as pure functions: painting the frame from the
// 100 x 50 skin bitmap, and the table of resize zones along the window's edges.
// The main window (UnitCAD_Frame.cpp) wires them to its events.

#include <QCursor>
#include <QPoint>
#include <QRect>

class QImage;
class QPainter;

// Hit-test codes, numbered as the classic non-client hit codes.
enum FrameHit : int {
    HTNOWHERE = 0,
    HTCLIENT = 1,
    HTCAPTION = 2,
    HTLEFT = 10,
    HTRIGHT = 11,
    HTTOP = 12,
    HTTOPLEFT = 13,
    HTTOPRIGHT = 14,
    HTBOTTOM = 15,
    HTBOTTOMLEFT = 16,
    HTBOTTOMRIGHT = 17,
};

// Width of the resize zones along every edge.
constexpr int kFrameZone = 10;

// Paints the whole client area (width x height) from the skin in nine steps:
// corners copied pixel for pixel (20 x 28 at the top, 10 x 10 at the bottom),
// top edge from the skin's columns 21..80, side edges from its rows 28..39,
// bottom edge and centre stretched (nearest neighbour, so the greys stay exact).
// A scratch image is made afresh for each paint.
//
// Small windows (narrower than 40 or lower than 38 pixels): stretches whose
// destination is empty or reversed are skipped, corners are still copied in
// step order, later over earlier, clipped to the client area. A skin smaller
// than 81 x 40 cannot give the frame; the area is then filled with the body grey.
void PaintSkinFrame(QPainter& canvas, const QImage& skin, int height, int width);

// The resize zone at point p (window coordinates) of a W x H window: the first
// of eight rectangles (corners before edges, right and bottom exclusive) that
// holds p replaces platformAnswer; otherwise platformAnswer stands.
int FrameHitTest(QPoint p, int width, int height, int platformAnswer);

// The window edges a zone code resizes; none for any other code.
Qt::Edges FrameHitEdges(int code);
// The resize cursor of a zone code; Qt::ArrowCursor for any other code.
Qt::CursorShape FrameHitCursor(int code);

// New geometry for a manual resize: start is the geometry when the drag
// began, delta the mouse movement since. The edge opposite each dragged edge
// stays put; the window never gets smaller than minimum (at least 1 x 1).
QRect ResizedGeometry(const QRect& start, Qt::Edges edges, QPoint delta, QSize minimum = QSize(1, 1));
