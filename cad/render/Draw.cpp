#include "cad/render/Draw.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QLineF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>
#include <QVarLengthArray>

#include <algorithm>
#include <cmath>
#include <mutex>

#include "cad/render/TextLayout.h"

namespace cad::render {

namespace {

}  // namespace

// Fontconfig knows no "宋体"; point it (and the usual Windows CJK names) at
// the Song/Ming faces Debian ships.
void registerCadFontSubstitutes() {
    static std::once_flag once;
    std::call_once(once, [] {
        const QStringList song{"AR PL UMing CN", "AR PL UMing TW", "AR PL SungtiL GB",
                               "Noto Serif CJK SC", "WenQuanYi Zen Hei"};
        for (const char* name : {"宋体", "SimSun", "新宋体", "NSimSun", "仿宋", "楷体", "黑体",
                                 "SimHei", "Microsoft YaHei", "微软雅黑"})
            QFont::insertSubstitutions(QString::fromUtf8(name), song);
    });
}

namespace {

constexpr double kFontRef = 64;  // pixel size the fonts are set up at

struct FontEntry {
    QFont font;
    double capRatio = 0.7;   // cap height / em
    double descent = 0.2;    // em units
};

class FontCache {
public:
    const FontEntry& get(const std::string& family, bool bold, bool italic) {
        const QString key = QString::fromStdString(family) + QChar(bold ? 'B' : 'b') + QChar(italic ? 'I' : 'i');
        auto it = cache_.find(key);
        if (it != cache_.end()) return *it;
        FontEntry e;
        e.font = QFont(QString::fromStdString(family));
        e.font.setPixelSize(int(kFontRef));
        e.font.setBold(bold);
        e.font.setItalic(italic);
        e.font.setKerning(false);
        const QFontMetricsF fm(e.font);
        if (fm.capHeight() > 1) e.capRatio = fm.capHeight() / kFontRef;
        e.descent = fm.descent() / kFontRef;
        return *cache_.insert(key, e);
    }

private:
    QHash<QString, FontEntry> cache_;
};

FontCache& fontCache() {
    static FontCache c;  // GUI thread only, like all painting
    return c;
}

bool hasWide(const std::string& s) {
    for (unsigned char c : s)
        if (c >= 0xE3) return true;  // lead bytes of U+3000 and above
    return false;
}

// Clips segment a-b to r (Liang-Barsky); false when nothing is left.
bool clipSegment(QPointF& a, QPointF& b, const QRectF& r) {
    double t0 = 0, t1 = 1;
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x() - r.left(), r.right() - a.x(), a.y() - r.top(), r.bottom() - a.y()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1) return false;
    }
    const QPointF a0 = a;
    a = QPointF(a0.x() + t0 * dx, a0.y() + t0 * dy);
    b = QPointF(a0.x() + t1 * dx, a0.y() + t1 * dy);
    return true;
}

class Painter {
public:
    Painter(QPainter& p, const ResolvedDrawing& d, const ViewTransform& v, const DrawOptions& o)
        : p_(p), d_(d), v_(v), o_(o) {
        w_ = v.width();
        h_ = v.height();
        clip_ = QRectF(-64, -64, w_ + 128, h_ + 128);
        dotMask_.assign(std::size_t(w_) * std::size_t(h_), 0);
        light_ = isLightBackground(o.background);
    }

    DrawStats run() {
        registerCadFontSubstitutes();
        setUpDirectRaster();
        p_.setRenderHint(QPainter::Antialiasing, o_.antialias);
        p_.setRenderHint(QPainter::TextAntialiasing, true);
        if (o_.fillBackground)
            p_.fillRect(QRectF(0, 0, w_, h_), QColor::fromRgb(o_.background));
        Box2 view = v_.visibleWorld();
        const double pad = 2 / v_.scale();
        view.minX -= pad;
        view.minY -= pad;
        view.maxX += pad;
        view.maxY += pad;

        const auto& prims = d_.prims;
        const SpatialGrid& g = d_.grid;
        const bool all = g.area.empty() || (view.contains({g.area.minX, g.area.minY}) &&
                                            view.contains({g.area.maxX, g.area.maxY}));
        std::vector<std::uint8_t> visible(d_.layers.size());
        for (std::size_t i = 0; i < visible.size(); ++i) visible[i] = d_.layerVisible(std::uint16_t(i));
        auto consider = [&](const Prim& pr) {
            if (pr.layer >= visible.size() || !visible[pr.layer] || !pr.box.intersects(view)) return;
            ++stats_.candidates;
            prim(pr);
        };
        if (all) {
            for (const Prim& pr : prims) consider(pr);
        } else {
            std::vector<std::uint32_t> idx;
            g.query(view, prims.size(), idx, hit_);
            for (std::uint32_t i : idx) consider(prims[i]);
        }
        flush();
        return stats_;
    }

private:
    QPainter& p_;
    const ResolvedDrawing& d_;
    const ViewTransform& v_;
    const DrawOptions& o_;
    int w_ = 1, h_ = 1;
    QRectF clip_;
    bool light_ = false;
    DrawStats stats_;
    std::vector<std::uint8_t> hit_;
    std::vector<std::uint8_t> dotMask_;
    QRgb batchColour_ = 0;
    bool batchSet_ = false;
    QVector<QLineF> lines_;
    QVector<QPointF> dots_;
    // Direct access to the pixels when painting one-pixel aliased lines into
    // a plain 32-bit image: far cheaper than QPainter per line or dot.
    std::uint32_t* bits_ = nullptr;
    qsizetype stride_ = 0;  // in pixels

    void setUpDirectRaster() {
        QPaintDevice* dev = p_.device();
        if (!dev || dev->devType() != QInternal::Image || o_.antialias || o_.penWidth > 1) return;
        auto* img = static_cast<QImage*>(dev);
        if (img->format() != QImage::Format_RGB32 && img->format() != QImage::Format_ARGB32_Premultiplied &&
            img->format() != QImage::Format_ARGB32)
            return;
        if (!p_.transform().isIdentity() || img->width() != w_ || img->height() != h_ || p_.hasClipping())
            return;
        bits_ = reinterpret_cast<std::uint32_t*>(img->bits());
        stride_ = img->bytesPerLine() / 4;
    }

    void plot(int x, int y) {
        bits_[y * stride_ + x] = batchColour_ | 0xFF000000u;
    }

    // Bresenham between pixel centres, after clipping to the image.
    void rasterLine(QPointF a, QPointF b) {
        if (!clipSegment(a, b, QRectF(0, 0, w_ - 1e-6, h_ - 1e-6))) return;
        int x0 = int(a.x()), y0 = int(a.y());
        const int x1 = int(b.x()), y1 = int(b.y());
        const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
        const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
        int err = dx + dy;
        for (;;) {
            plot(x0, y0);
            if (x0 == x1 && y0 == y1) break;
            const int e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                x0 += sx;
            }
            if (e2 <= dx) {
                err += dx;
                y0 += sy;
            }
        }
    }

    QRgb colourOf(const Prim& pr) const {
        return displayColour(pr.colour, pr.flags & kContrastColour, o_.background);
    }

    QPointF toScreen(Vec2 w) const {
        const Vec2 s = v_.worldToScreen(w);
        return {s.x, s.y};
    }

    QPen pen(QRgb c) const {
        QPen pen(QColor::fromRgb(c));
        pen.setWidthF(o_.penWidth);
        pen.setCosmetic(true);
        pen.setCapStyle(Qt::FlatCap);
        return pen;
    }

    void flush() {
        if (!lines_.isEmpty() || !dots_.isEmpty()) {
            p_.setPen(pen(batchColour_));
            if (!lines_.isEmpty()) p_.drawLines(lines_);
            if (!dots_.isEmpty()) p_.drawPoints(dots_.constData(), int(dots_.size()));
            lines_.clear();
            dots_.clear();
        }
    }

    void useColour(QRgb c) {
        if (batchSet_ && c == batchColour_) return;
        flush();
        batchColour_ = c;
        batchSet_ = true;
    }

    void dot(QPointF s, QRgb c) {
        const int x = int(std::floor(s.x())), y = int(std::floor(s.y()));
        if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
        std::uint8_t& m = dotMask_[std::size_t(y) * std::size_t(w_) + std::size_t(x)];
        if (m) return;  // a pixel already set by another tiny thing
        m = 1;
        ++stats_.dots;
        if (bits_) {
            bits_[y * stride_ + x] = c | 0xFF000000u;
            return;
        }
        useColour(c);
        dots_.push_back(QPointF(x + 0.5, y + 0.5));
    }

    void segment(QPointF a, QPointF b) {
        if (!clip_.contains(a) || !clip_.contains(b)) {
            if (!clipSegment(a, b, clip_)) return;
        }
        if (bits_) {
            rasterLine(a, b);
            return;
        }
        lines_.push_back(QLineF(a, b));
        if (lines_.size() >= 8192) flush();
    }

    void prim(const Prim& pr) {
        const double sw = pr.box.width() * v_.scale(), sh = pr.box.height() * v_.scale();
        const QRgb c = colourOf(pr);
        if (pr.kind == PrimKind::Point || (sw < 1 && sh < 1)) {
            if (pr.flags & kBackgroundFill) return;
            dot(toScreen(pr.box.centre()), c);
            return;
        }
        switch (pr.kind) {
        case PrimKind::Polyline: polyline(pr, c); break;
        case PrimKind::Polygon: polygon(pr, c); break;
        case PrimKind::Text: text(pr, c); break;
        case PrimKind::Point: break;
        }
    }

    void polyline(const Prim& pr, QRgb c) {
        ++stats_.drawn;
        useColour(c);
        const Vec2* pts = d_.points.data() + pr.first;
        QPointF first = toScreen(pts[0]);
        QPointF last = first;
        for (std::uint32_t i = 1; i < pr.count; ++i) {
            const QPointF s = toScreen(pts[i]);
            // Drop vertices closer than about a pixel to the last one drawn.
            if (i + 1 < pr.count && std::abs(s.x() - last.x()) < 0.75 && std::abs(s.y() - last.y()) < 0.75)
                continue;
            segment(last, s);
            last = s;
        }
        if (pr.flags & kClosed) segment(last, first);
    }

    void polygon(const Prim& pr, QRgb c) {
        ++stats_.drawn;
        flush();
        batchSet_ = false;
        const QRgb fill = (pr.flags & kBackgroundFill) ? o_.background : c;
        QPainterPath path;
        path.setFillRule(Qt::OddEvenFill);
        for (std::uint32_t r = 0; r < pr.count; ++r) {
            const Ring& ring = d_.rings[pr.first + r];
            QPolygonF poly;
            poly.reserve(qsizetype(ring.count));
            for (std::uint32_t k = 0; k < ring.count; ++k)
                poly.push_back(toScreen(d_.points[ring.first + k]));
            path.addPolygon(poly);
            path.closeSubpath();
        }
        // Outline in the same colour so thin fills stay visible.
        p_.setPen(pen(fill));
        p_.setBrush(QColor::fromRgb(fill));
        p_.drawPath(path);
        p_.setBrush(Qt::NoBrush);
    }

    void text(const Prim& pr, QRgb c) {
        const TextRun& t = d_.texts[pr.first];
        const double hpx = t.height * v_.scale();
        const double cs = std::cos(t.rotation), sn = std::sin(t.rotation);
        if (hpx < 3) {
            // Too small to read: a line where the text's middle runs.
            const double w = t.fitWidth > 0 ? t.fitWidth : t.estimatedWidth;
            double x0 = t.hAlign == HAlign::Left ? 0 : t.hAlign == HAlign::Centre ? -w / 2 : -w;
            const double y = t.height / 2;
            const Vec2 a{t.anchor.x + x0 * cs - y * sn, t.anchor.y + x0 * sn + y * cs};
            const Vec2 b{a.x + w * cs, a.y + w * sn};
            const QPointF sa = toScreen(a), sb = toScreen(b);
            if (std::abs(sa.x() - sb.x()) < 1 && std::abs(sa.y() - sb.y()) < 1) {
                dot(sa, c);
            } else {
                useColour(c);
                segment(sa, sb);
                ++stats_.dots;
            }
            return;
        }
        ++stats_.drawn;
        flush();
        batchSet_ = false;
        const FontEntry& fe = fontCache().get(t.family, t.bold, t.italic);
        // Cap height carries the drawing's text height; a CJK glyph fills
        // about the full height instead.
        const double em = hasWide(t.text) ? t.height * 1.05 : t.height / fe.capRatio;
        const double s = em * v_.scale() / kFontRef;
        const QString str = QString::fromStdString(t.text);
        QFont font = fe.font;
        font.setUnderline(t.underline);
        font.setOverline(t.overline);
        font.setStrikeOut(t.strike);
        const QFontMetricsF fm(font);
        const double adv = fm.horizontalAdvance(str);
        double sx = s * t.widthFactor;
        if (t.fitWidth > 0 && adv > 0) sx = t.fitWidth * v_.scale() / adv;
        double x0 = 0;
        if (t.fitWidth <= 0) x0 = t.hAlign == HAlign::Left ? 0 : t.hAlign == HAlign::Centre ? -adv / 2 : -adv;
        const double cap = fe.capRatio * kFontRef;
        const double y0 = t.vAlign == VAlign::Baseline ? 0
                          : t.vAlign == VAlign::Bottom ? -fe.descent * kFontRef
                          : t.vAlign == VAlign::Middle ? cap / 2
                                                        : cap;
        p_.save();
        const QPointF at = toScreen(t.anchor);
        QTransform tr;
        tr.translate(at.x(), at.y());
        tr.rotateRadians(-t.rotation);
        if (t.oblique != 0 && std::abs(t.oblique) < 1.4) tr.shear(-std::tan(t.oblique), 0);
        tr.scale(sx * (t.mirrorX ? -1 : 1), s * (t.mirrorY ? -1 : 1));
        p_.setTransform(tr, true);
        p_.setFont(font);
        p_.setPen(QColor::fromRgb(c));
        p_.drawText(QPointF(x0, y0), str);
        p_.restore();
    }
};

}  // namespace

Rgb displayColour(Rgb colour, bool contrast, Rgb background) {
    if (contrast) return isLightBackground(background) ? rgb(0, 0, 0) : rgb(255, 255, 255);
    return colour;
}

DrawStats drawResolved(QPainter& painter, const ResolvedDrawing& drawing, const ViewTransform& view,
                       const DrawOptions& options) {
    return Painter(painter, drawing, view, options).run();
}

QImage renderToImage(const ResolvedDrawing& drawing, QSize size, Rgb background, double margin) {
    QImage img(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    ViewTransform view(img.width(), img.height());
    view.fit(drawing.extents, margin);
    QPainter p(&img);
    DrawOptions o;
    o.background = background;
    drawResolved(p, drawing, view, o);
    p.end();
    return img;
}

}  // namespace cad::render
