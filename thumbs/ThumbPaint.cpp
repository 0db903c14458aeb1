#include "ThumbPaint.h"

#include "ImageLoadThread.h"
#include "ThumbInfo.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>

#include <cmath>

QColor ColorFromTColor(std::int32_t value) {
  if (value >= 0)
    return QColor(value & 0xff, (value >> 8) & 0xff, (value >> 16) & 0xff);
  const QPalette pal = QGuiApplication::palette();
  switch (value & 0xff) {
    case 5: return pal.color(QPalette::Base);             // window background
    case 8: return pal.color(QPalette::Text);             // window text
    case 13: return pal.color(QPalette::Highlight);
    case 14: return pal.color(QPalette::HighlightedText);
    case 15: return pal.color(QPalette::Button);           // button face
    case 16: return pal.color(QPalette::Dark);             // button shadow
    case 17: return pal.color(QPalette::Disabled, QPalette::Text);
    case 18: return pal.color(QPalette::ButtonText);
    case 20: return pal.color(QPalette::Light);            // button highlight
    default: return QColor(Qt::black);
  }
}

bool KindHasTypeLine(const QString& kind) { return kind == u"2" || kind == u"3"; }

TThumbCellGeometry ThumbCellGeometry(int left, int top, const TThumbRect& r, const QString& kind) {
  TThumbCellGeometry g;
  g.Frame = {left + r.Left - 3, top + r.Top - 3, left + r.Right + 3, top + r.Bottom - 17};
  const bool square = kind == u"0" || kind == u"1";
  g.Picture = {left + r.Left, top + r.Top, left + r.Right, top + r.Bottom - (square ? 20 : 38)};
  g.TypeLine = {g.Frame.Left, g.Frame.Bottom - 18, g.Frame.Right, g.Frame.Bottom};
  g.Caption = {g.Frame.Left, g.Frame.Bottom + 4, g.Frame.Right, g.Frame.Bottom + 22};
  return g;
}

QColor BlendColor(const QColor& a, const QColor& b, int alpha) {
  const float f = float(alpha) / 255.0f;
  const auto mix = [f](int ca, int cb) {
    const float v = float(ca) * f + (1.0f - f) * float(cb);
    // nearbyint rounds to nearest, ties to even, in the default mode.
    return std::clamp(int(std::nearbyint(v)), 0, 255);
  };
  return QColor(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue()));
}

void DrawShadowRing(QImage& canvas, const TThumbRect& rect, int depth, const QColor& colour, int i, int a) {
  const int L = rect.Left, T = rect.Top, R = rect.Right, B = rect.Bottom, d = depth;
  const auto blend = [&](int x, int y) {
    if (x < 0 || y < 0 || x >= canvas.width() || y >= canvas.height()) return;
    canvas.setPixel(x, y, BlendColor(colour, QColor(canvas.pixel(x, y)), a).rgb());
  };
  const auto column = [&](int x, int y0, int y1) {
    for (int y = y0; y <= y1; ++y) blend(x, y);
  };
  const auto row = [&](int y, int x0, int x1) {
    for (int x = x0; x <= x1; ++x) blend(x, y);
  };
  column(L + 2 * d - i, B - 1, B + i - 2);
  blend(L + 2 * d - i + 1, B + i - 2);
  row(B + i - 1, L + 2 * d - i + 1, R + i - 2);
  blend(R + i - 2, B + i - 2);
  row(T + 2 * d - i, R - 1, R + i - 2);
  blend(R + i - 2, T + 2 * d - i + 1);
  column(R + i - 1, T + 2 * d - i + 1, B + i - 2);
}

void DrawShadow(QImage& canvas, const TThumbRect& rect, int depth, const QColor& colour) {
  if (depth <= 0) return;
  // A frame larger than the surface would only walk pixels that are skipped.
  depth = std::min(depth, 128);
  const int step = 128 / depth;
  int alpha = 128;
  for (int ring = 1; ring <= depth; ++ring) {
    DrawShadowRing(canvas, rect, depth, colour, ring, alpha);
    alpha -= step;
  }
}

void IconToBitmap(const QPixmap& icon, QImage& bitmap, const QColor& colour) {
  bitmap = QImage(icon.size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  bitmap.fill(colour);
  QPainter p(&bitmap);
  p.drawPixmap(0, 0, icon);
}

namespace {
// A 1-pixel outline from (L, T) to (R, B) covers columns L..R-1 and rows
// T..B-1; wider pens are centred on that outline.
QRect outline(int l, int t, int r, int b) { return QRect(l, t, r - l - 1, b - t - 1); }
}  // namespace

void DrawThumbFrame(QPainter& p, const TThumbRect& f, int borderType, bool selected, bool focused,
                    const QColor& borderColor, const QColor& backColor) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setBrush(Qt::NoBrush);
  if (selected) {
    p.setPen(QPen(QColor(kSelectionFrameColor), focused ? 3 : 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.drawRect(outline(f.Left, f.Top, f.Right + 1, f.Bottom + 1));
  } else {
    p.setPen(QPen(borderType == tbNone ? backColor : borderColor, 1, Qt::SolidLine, Qt::SquareCap,
                  Qt::MiterJoin));
    if (borderType == tbRounded)
      p.drawRoundedRect(outline(f.Left, f.Top, f.Right, f.Bottom), 6, 6);
    else
      p.drawRect(outline(f.Left, f.Top, f.Right, f.Bottom));
  }
  p.restore();
}

void DrawThumbText(QPainter& p, const TThumbRect& r, const QString& text) {
  const int w = r.Right - r.Left, h = r.Bottom - r.Top;
  if (w <= 0 || h <= 0 || text.isEmpty()) return;
  const QString shown = p.fontMetrics().elidedText(text, Qt::ElideRight, w);
  p.drawText(QRect(r.Left, r.Top, w, h), Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, shown);
}

void PaintThumbDecoration(TCanvas& dest, int left, int top, TThumbRect& thumbRect, const QString& kind,
                          const QString& info, const QString& caption, bool selected, bool focused,
                          const TThumbStyle& style) {
  const TThumbCellGeometry g = ThumbCellGeometry(left, top, thumbRect, kind);
  thumbRect.Bottom = g.Picture.Bottom - top;
  QPainter& p = *dest.Painter;
  if (style.BorderType == tbShadow) DrawShadow(*dest.Bitmap, g.Frame, kShadowDepth, QColor(kShadowColor));
  DrawThumbFrame(p, g.Frame, style.BorderType, selected, focused, style.BorderColor, style.BackColor);
  p.setFont(style.Font);
  p.setBrush(Qt::NoBrush);
  p.setPen(Qt::black);
  QString path, c1, c2, c3;
  SplitThumbInfo(info, path, c1, c2, c3);
  if (KindHasTypeLine(kind)) DrawThumbText(p, g.TypeLine, c2);
  DrawThumbText(p, g.Caption, caption);
}

bool RequestThumbPicture(TThumbGrid* view, int idx, const QPixmap& icon, const QColor& backColor,
                         TLoadQueue* queue, TImageLoadThread* loader) {
  if (view->ImageTag(idx) != 0) return false;
  QImage bitmap;
  IconToBitmap(icon, bitmap, backColor);
  return RequestThumbPicture(view, idx, bitmap.convertToFormat(QImage::Format_RGB888), queue, loader);
}

bool RequestThumbPicture(TThumbGrid* view, int idx, const QImage& picture, TLoadQueue* queue,
                         TImageLoadThread* loader) {
  if (view->ImageTag(idx) != 0) return false;
  view->SetImageTag(idx, 1);
  view->SetImage(idx, picture);
  QueueThumbIndex(queue, idx);
  if (loader && loader->Parked()) loader->Wake();
  return true;
}

QImage TThumbIconCache::Picture(const QIcon& icon, const QColor& backColor, int size) {
  const QString key = QStringLiteral("%1/%2/%3").arg(icon.cacheKey()).arg(backColor.rgba()).arg(size);
  auto it = pictures_.constFind(key);
  if (it != pictures_.constEnd()) return it.value();
  QImage bitmap;
  IconToBitmap(icon.pixmap(size, size), bitmap, backColor);
  return pictures_.insert(key, bitmap.convertToFormat(QImage::Format_RGB888)).value();
}
