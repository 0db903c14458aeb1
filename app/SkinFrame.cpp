#include "SkinFrame.h"

#include <QImage>
#include <QPainter>

#include <algorithm>

namespace {

// The skin's body grey, used when the skin cannot give a frame.
const QColor kBodyGrey(6, 6, 6);

// Nearest-neighbour stretch sampling pixel centres, so both ends of the
// source land on both ends of the destination.
QImage stretched(const QImage& src, int w, int h)
{
    if (src.width() == w && src.height() == h)
        return src;
    QImage out(w, h, src.format());
    const qint64 sw = src.width(), sh = src.height();
    const int bpp = src.depth() / 8;
    for (int y = 0; y < h; ++y) {
        const int sy = int((2 * qint64(y) + 1) * sh / (2 * qint64(h)));
        const uchar* srow = src.constScanLine(sy);
        uchar* drow = out.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const int sx = int((2 * qint64(x) + 1) * sw / (2 * qint64(w)));
            std::copy_n(srow + sx * bpp, bpp, drow + x * bpp);
        }
    }
    return out;
}

// Copy: same size, pixel for pixel.
void copyTo(QPainter& canvas, const QImage& skin, const QRect& from, const QRect& to)
{
    canvas.drawImage(to.topLeft(), skin, from);
}

// Stretch T over a destination; empty or reversed destinations are skipped.
void stretchTo(QPainter& canvas, const QImage& t, int left, int top, int right, int bottom)
{
    if (right <= left || bottom <= top || t.isNull())
        return;
    canvas.drawImage(QRect(left, top, right - left, bottom - top), t);
}

} // namespace

void PaintSkinFrame(QPainter& canvas, const QImage& skin, int height, int width)
{
    const int W = width, H = height;
    if (W <= 0 || H <= 0)
        return;
    const int SW = skin.width(), SH = skin.height();
    if (skin.isNull() || SW < 81 || SH < 40) {
        canvas.fillRect(0, 0, W, H, kBodyGrey);
        return;
    }

    canvas.save();
    canvas.setRenderHint(QPainter::SmoothPixmapTransform, false);
    canvas.setClipRect(0, 0, W, H);
    // Indexed skins would need their colour table at every step; a direct
    // format keeps the copies byte-exact.
    const QImage s = skin.depth() >= 24 ? skin : skin.convertToFormat(QImage::Format_RGB32);

    QImage t; // the scratch image T, made afresh on every paint

    // 1, 2: top corners.
    copyTo(canvas, s, QRect(0, 0, 20, 28), QRect(0, 0, 20, 28));
    copyTo(canvas, s, QRect(SW - 20, 0, 20, 28), QRect(W - 20, 0, 20, 28));
    // 3: top edge from the 60 columns 21..80, first widened to 80 columns.
    t = stretched(s.copy(21, 0, 60, 28), 80, 28);
    stretchTo(canvas, t, 20, 0, W - 20, 28);
    // 4, 5: bottom corners.
    copyTo(canvas, s, QRect(0, SH - 10, 10, 10), QRect(0, H - 10, 10, 10));
    copyTo(canvas, s, QRect(SW - 10, SH - 10, 10, 10), QRect(W - 10, H - 10, 10, 10));
    // 6, 7: side edges from the 12 rows below the title band.
    t = s.copy(0, 28, 10, 12);
    stretchTo(canvas, t, 0, 28, 10, H - 10);
    t = s.copy(SW - 10, 28, 10, 12);
    stretchTo(canvas, t, W - 10, 28, W, H - 10);
    // 8: bottom edge.
    t = s.copy(10, SH - 10, SW - 20, 10);
    stretchTo(canvas, t, 10, H - 10, W - 10, H);
    // 9: centre, the skin's inner region brought to 12 rows first.
    t = stretched(s.copy(10, 28, SW - 20, SH - 38), SW - 20, 12);
    stretchTo(canvas, t, 10, 28, W - 10, H - 10);

    canvas.restore();
}

int FrameHitTest(QPoint p, int W, int H, int platformAnswer)
{
    struct Zone {
        int left, top, right, bottom, code;
    };
    const int z = kFrameZone;
    const Zone zones[] = {
        {0, 0, z, z, HTTOPLEFT},
        {W - z, H - z, W, H, HTBOTTOMRIGHT},
        {W - z, 0, W, z, HTTOPRIGHT},
        {0, H - z, z, H, HTBOTTOMLEFT},
        {z, 0, W - z, z, HTTOP},
        {0, z, z, H - z, HTLEFT},
        {W - z, z, W, H - z, HTRIGHT},
        {z, H - z, W - z, H, HTBOTTOM},
    };
    for (const Zone& r : zones) {
        if (p.x() >= r.left && p.x() < r.right && p.y() >= r.top && p.y() < r.bottom)
            return r.code;
    }
    return platformAnswer;
}

Qt::Edges FrameHitEdges(int code)
{
    switch (code) {
    case HTLEFT: return Qt::LeftEdge;
    case HTRIGHT: return Qt::RightEdge;
    case HTTOP: return Qt::TopEdge;
    case HTBOTTOM: return Qt::BottomEdge;
    case HTTOPLEFT: return Qt::TopEdge | Qt::LeftEdge;
    case HTTOPRIGHT: return Qt::TopEdge | Qt::RightEdge;
    case HTBOTTOMLEFT: return Qt::BottomEdge | Qt::LeftEdge;
    case HTBOTTOMRIGHT: return Qt::BottomEdge | Qt::RightEdge;
    default: return {};
    }
}

Qt::CursorShape FrameHitCursor(int code)
{
    switch (code) {
    case HTLEFT:
    case HTRIGHT: return Qt::SizeHorCursor;
    case HTTOP:
    case HTBOTTOM: return Qt::SizeVerCursor;
    case HTTOPLEFT:
    case HTBOTTOMRIGHT: return Qt::SizeFDiagCursor;
    case HTTOPRIGHT:
    case HTBOTTOMLEFT: return Qt::SizeBDiagCursor;
    default: return Qt::ArrowCursor;
    }
}

QRect ResizedGeometry(const QRect& start, Qt::Edges edges, QPoint delta, QSize minimum)
{
    const int minW = std::max(1, minimum.width()), minH = std::max(1, minimum.height());
    int left = start.left(), top = start.top();
    int right = start.left() + start.width(), bottom = start.top() + start.height(); // exclusive
    if (edges & Qt::LeftEdge)
        left = std::min(left + delta.x(), right - minW);
    if (edges & Qt::RightEdge)
        right = std::max(right + delta.x(), left + minW);
    if (edges & Qt::TopEdge)
        top = std::min(top + delta.y(), bottom - minH);
    if (edges & Qt::BottomEdge)
        bottom = std::max(bottom + delta.y(), top + minH);
    return QRect(left, top, right - left, bottom - top);
}
