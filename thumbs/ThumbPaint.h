#pragma once
// What a thumbnail cell looks like: frame (none, normal, shadow, rounded),
// selection frame, file-type line and caption, and the small drawing routines
// behind them. Rectangles are TThumbRect: Right and Bottom exclusive.

#include "ThumbGrid.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QIcon>
#include <QObject>
#include <QImage>
#include <QPixmap>
#include <QString>

#include <cstdint>

class QPainter;
class TLoadQueue;
class TImageLoadThread;

enum TThumbBorderType : int { tbNone = 0, tbNormal = 1, tbShadow = 2, tbRounded = 3 };

constexpr QRgb kSelectionFrameColor = 0xff009eff;  // RGB(0, 158, 255)
constexpr QRgb kShadowColor = 0xff808080;          // RGB(128, 128, 128)
constexpr int kShadowDepth = 4;

// A colour in the settings' 0x00BBGGRR layout. Negative values name system
// colours (0x80000000 | index); the ones a user can pick resolve through the
// application palette, others to black.
QColor ColorFromTColor(std::int32_t value);

// The rectangles of one cell, all on the drawing surface.
struct TThumbCellGeometry {
  TThumbRect Frame;     // 3 px around the picture area left, top, right; bottom 17 px above the cell's
  TThumbRect Picture;   // the picture area the grid draws into (20 or 38 px lower than the cell)
  TThumbRect TypeLine;  // file-type line, the 18 px at the bottom inside the frame
  TThumbRect Caption;   // 4 to 22 px below the frame
};
// `thumbRect` as the grid passes it; kinds "2" and "3" get the type line.
TThumbCellGeometry ThumbCellGeometry(int left, int top, const TThumbRect& thumbRect, const QString& kind);
bool KindHasTypeLine(const QString& kind);

// Mixes A and B; `alpha` 0..255 is A's weight. Channels round to nearest,
// ties to even.
QColor BlendColor(const QColor& a, const QColor& b, int alpha);
// The soft shadow below and right of `rect`, `depth` rings, the first the
// darkest; pixels outside the image are left alone.
void DrawShadow(QImage& canvas, const TThumbRect& rect, int depth, const QColor& colour);
void DrawShadowRing(QImage& canvas, const TThumbRect& rect, int depth, const QColor& colour, int ring, int alpha);
// A bitmap as large as the icon, filled with `colour`, the icon drawn at (0, 0).
void IconToBitmap(const QPixmap& icon, QImage& bitmap, const QColor& colour);

// The frame outline of step "frame": selection frame when selected (3 px with
// focus, else 2, drawn one pixel further right and down), otherwise a 1 px
// outline in the border colour (background colour for style 0), rounded with a
// 12 x 12 corner ellipse for style 3.
void DrawThumbFrame(QPainter& p, const TThumbRect& frame, int borderType, bool selected, bool focused,
                    const QColor& borderColor, const QColor& backColor);
// One line, centred, at the top of `r`, cut with a trailing ellipsis.
void DrawThumbText(QPainter& p, const TThumbRect& r, const QString& text);

struct TThumbStyle {
  int BorderType = tbNormal;
  QColor BorderColor = Qt::black;
  QColor BackColor = Qt::white;
  QFont Font;
};

// The decoration of one cell: shadow, frame, type line, caption. Shrinks
// `thumbRect` to the picture area.
void PaintThumbDecoration(TCanvas& dest, int left, int top, TThumbRect& thumbRect, const QString& kind,
                          const QString& info, const QString& caption, bool selected, bool focused,
                          const TThumbStyle& style);

// First painting of an entry whose tag is 0: the icon (on the background
// colour, 24 bits) becomes its picture, the tag 1, and its index is queued;
// a parked loader is woken. Returns false (and does nothing) for other tags.
bool RequestThumbPicture(TThumbGrid* view, int idx, const QPixmap& icon, const QColor& backColor,
                         TLoadQueue* queue, TImageLoadThread* loader);
// The same with the icon picture already made (IconToBitmap, 24 bits); callers
// that reuse one picture for many entries share its pixels.
bool RequestThumbPicture(TThumbGrid* view, int idx, const QImage& picture, TLoadQueue* queue,
                         TImageLoadThread* loader);

// Icon pictures (IconToBitmap on a colour, 24 bits), one per icon, colour and
// size: a folder's entries mostly share a few icons, and so share the pixels.
class TThumbIconCache : public QObject {
public:
  using QObject::QObject;
  QImage Picture(const QIcon& icon, const QColor& backColor, int size);
  void Clear() { pictures_.clear(); }

private:
  QHash<QString, QImage> pictures_;
};
