// Draws every picture the program ships (skin, logo, icons, button bitmaps,
// image list, colour swatches) and writes them, with art.qrc, into one folder.
// Usage: make-artwork [output folder]   (default: the source tree's app/art)

#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>

#include <cmath>
#include <cstdio>
#include <functional>

namespace {

constexpr int kBody = 6;               // the skin's body grey
const QColor kMagenta(255, 0, 255);    // transparent colour of bitmap buttons

QColor grey(int v) { return QColor(v, v, v); }

QString g_outDir;
QStringList g_written;

void save(const QImage& img, const QString& name)
{
    const QString path = g_outDir + '/' + name;
    // BMPs go out as 24 bits per pixel: Qt writes 24-bit BMPs for images
    // without an alpha channel and without a colour table.
    QImage out = name.endsWith(".bmp") ? img.convertToFormat(QImage::Format_RGB32) : img;
    if (!out.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
    g_written << name;
}

// ---------------------------------------------------------------- skin

// Grey level of the title band (rows 0..27) away from the corners.
int bandGrey(int row)
{
    if (row == 1)
        return 134;                                   // the light line
    if (row == 0)
        return 58;
    if (row <= 11)
        return 64 - (row - 2) * 10 / 9;               // 64 .. 54
    if (row <= 24)
        return int(std::lround(18.0 - (row - 12) * 11.0 / 12.0));   // 18 .. 7
    return kBody;
}

QImage makeSkin()
{
    const int w = 100, h = 50;
    QImage img(w, h, QImage::Format_RGB32);
    constexpr int kEdge = 3;        // outermost column / bottom row: almost black
    constexpr int kOutline = 41;    // the 1-px line inside it
    constexpr double kRadius = 4.0; // rounding of the two top corners
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int v;
            if (y < 28) {
                v = bandGrey(y);
                if (x == 0 || x == w - 1)
                    v = y < 12 ? v * 2 / 3 : kEdge;   // a darker rim down the band's sides
            } else if (y == h - 1 || x == 0 || x == w - 1) {
                v = kEdge;
            } else if (y == h - 2 || x == 1 || x == w - 2) {
                v = kOutline;
            } else {
                v = kBody;
            }
            // Round the top corners: pixels whose centre lies outside the
            // quarter circle are the dark rim colour.
            if (y < kRadius) {
                const double cx = x < w / 2 ? kRadius : w - kRadius;
                const double px = x + 0.5, py = y + 0.5;
                const bool inCornerBox = x < kRadius || x >= w - kRadius;
                if (inCornerBox) {
                    const double d = std::hypot(px - cx, py - kRadius);
                    if (d > kRadius)
                        v = kEdge;
                    else if (d > kRadius - 1.0)
                        v = (v + kEdge) / 2;          // soften the curve
                }
            }
            img.setPixel(x, y, grey(v).rgb());
        }
    }
    return img;
}

// ---------------------------------------------------------------- logo + icon

QImage makeLogo()
{
    QImage img(220, 60, QImage::Format_RGB32);
    img.fill(grey(kBody));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    // A small drafting mark: a sheet corner with a compass arc.
    p.setPen(QPen(QColor(80, 170, 255), 2));
    p.drawRect(QRectF(10, 14, 30, 30));
    p.drawArc(QRectF(-4, 0, 44, 44), 270 * 16, 90 * 16);
    p.setPen(QPen(QColor(255, 200, 60), 2));
    p.drawLine(QPointF(14, 40), QPointF(36, 18));

    QFont f("DejaVu Sans");
    f.setPixelSize(30);
    f.setBold(true);
    p.setFont(f);
    QLinearGradient g(0, 12, 0, 46);
    g.setColorAt(0, QColor(250, 250, 250));
    g.setColorAt(1, QColor(170, 178, 190));
    p.setPen(QPen(QBrush(g), 1));
    p.drawText(QRect(50, 6, 170, 40), Qt::AlignLeft | Qt::AlignVCenter, "Plendor");

    QFont s("DejaVu Sans");
    s.setPixelSize(10);
    p.setFont(s);
    p.setPen(QColor(120, 130, 140));
    p.drawText(QRect(52, 42, 166, 14), Qt::AlignLeft | Qt::AlignVCenter, "CAD drawing viewer");
    return img;
}

QImage makeIcon16()
{
    QImage img(16, 16, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(20, 60, 120), 1));
    p.setBrush(QColor(40, 120, 220));
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
    p.setPen(QPen(Qt::white, 1.6));
    p.setBrush(Qt::NoBrush);
    // A stylised "P" made of a stem and a bowl, like a drafted part.
    p.drawLine(QPointF(5, 3.5), QPointF(5, 12.5));
    QPainterPath bowl;
    bowl.moveTo(5, 3.5);
    bowl.lineTo(8.5, 3.5);
    bowl.arcTo(QRectF(6.5, 3.5, 5, 5), 90, -180);
    bowl.lineTo(5, 8.5);
    p.drawPath(bowl);
    p.setPen(QPen(QColor(255, 200, 60), 1.2));
    p.drawLine(QPointF(8, 12.5), QPointF(12.5, 12.5));
    return img;
}

// ---------------------------------------------------------------- bitmap buttons

using Glyph = std::function<void(QPainter&, const QRectF&, const QColor& ink, const QColor& accent)>;

// A rounded highlight plate for the hot state; the pixels outside its rounded
// corners are magenta so the window shows through.
void drawHotPlate(QImage& img)
{
    const int w = img.width(), h = img.height();
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, grey(62));
    g.setColorAt(1, grey(30));
    p.setBrush(g);
    p.setPen(QPen(grey(96), 1));
    p.drawRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), 3, 3);
    p.end();
    // Corner pixels, set hard (no blending into magenta).
    const QPoint corners[] = {{0, 0}, {1, 0}, {0, 1}};
    for (const QPoint c : corners) {
        img.setPixel(c.x(), c.y(), kMagenta.rgb());
        img.setPixel(w - 1 - c.x(), c.y(), kMagenta.rgb());
        img.setPixel(c.x(), h - 1 - c.y(), kMagenta.rgb());
        img.setPixel(w - 1 - c.x(), h - 1 - c.y(), kMagenta.rgb());
    }
}

void makeBodyButton(const QString& name, int w, int h, const Glyph& glyph)
{
    for (int hot = 0; hot < 2; ++hot) {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(grey(kBody));
        if (hot)
            drawHotPlate(img);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        const QColor ink = hot ? QColor(255, 255, 255) : QColor(200, 204, 210);
        const QColor accent = hot ? QColor(120, 200, 255) : QColor(70, 150, 230);
        glyph(p, QRectF(0, 0, w, h), ink, accent);
        p.end();
        save(img, QString("%1_%2.bmp").arg(name, hot ? "hot" : "up"));
    }
}

// The window buttons sit on the title band; they carry the band's own rows so
// they blend in with it.
void makeSysButton(const QString& name, int w, const Glyph& glyph, const QColor& hotPlate)
{
    const int h = 25;
    for (int hot = 0; hot < 2; ++hot) {
        QImage img(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                img.setPixel(x, y, grey(bandGrey(y)).rgb());
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        if (hot) {
            QLinearGradient g(0, 0, 0, h);
            g.setColorAt(0, hotPlate.lighter(130));
            g.setColorAt(1, hotPlate.darker(160));
            p.setPen(Qt::NoPen);
            p.setBrush(g);
            p.drawRect(QRectF(1, 2, w - 2, h - 4));
        }
        glyph(p, QRectF(0, 0, w, h), hot ? Qt::white : grey(215), QColor());
        p.end();
        save(img, QString("%1_%2.bmp").arg(name, hot ? "hot" : "up"));
    }
}

void magnifier(QPainter& p, QPointF c, double r, const QColor& ink)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(ink, 2.2));
    p.drawEllipse(c, r, r);
    p.setPen(QPen(ink, 3.5, Qt::SolidLine, Qt::RoundCap));
    const double k = r * 0.72;
    p.drawLine(c + QPointF(k, k), c + QPointF(k + 6.5, k + 6.5));
}

void makeButtons()
{
    makeSysButton("btn_sysmin", 21, [](QPainter& p, const QRectF&, const QColor& ink, const QColor&) {
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        p.drawRect(QRectF(6, 15, 9, 2));
    }, QColor(90, 110, 140));
    makeSysButton("btn_sysmax", 29, [](QPainter& p, const QRectF&, const QColor& ink, const QColor&) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(ink, 1));
        p.drawRect(QRectF(9.5, 7.5, 10, 9));
        p.drawLine(QPointF(9.5, 8.5), QPointF(19.5, 8.5));
    }, QColor(90, 110, 140));
    makeSysButton("btn_sysclose", 31, [](QPainter& p, const QRectF&, const QColor& ink, const QColor&) {
        p.setPen(QPen(ink, 1.8, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(11, 8), QPointF(20, 17));
        p.drawLine(QPointF(20, 8), QPointF(11, 17));
    }, QColor(200, 40, 40));

    // Main menu: a window with a list and a small downward arrow.
    makeBodyButton("btn_view", 70, 50, [](QPainter& p, const QRectF&, const QColor& ink, const QColor& acc) {
        const QRectF win(12, 9, 34, 30);
        p.setPen(QPen(ink, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(win, 2, 2);
        p.setPen(Qt::NoPen);
        p.setBrush(acc);
        p.drawRect(QRectF(12.75, 9.75, 32.5, 6));
        p.setBrush(ink);
        for (int i = 0; i < 4; ++i) {
            p.drawRect(QRectF(16, 19.5 + i * 4.5, 3, 2.2));
            p.drawRect(QRectF(21, 19.5 + i * 4.5, 20 - (i % 2) * 6, 2.2));
        }
        QPainterPath arrow;
        arrow.moveTo(51, 22);
        arrow.lineTo(61, 22);
        arrow.lineTo(56, 28);
        arrow.closeSubpath();
        p.drawPath(arrow);
    });
    // Home page: a house.
    makeBodyButton("btn_homepage", 70, 50, [](QPainter& p, const QRectF&, const QColor& ink, const QColor& acc) {
        QPainterPath roof;
        roof.moveTo(20, 25);
        roof.lineTo(35, 10);
        roof.lineTo(50, 25);
        p.setPen(QPen(acc, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(roof);
        p.setPen(QPen(ink, 1.8));
        p.drawRect(QRectF(24, 24, 22, 16));
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        p.drawRect(QRectF(32, 30, 6, 10));
        p.drawRect(QRectF(42, 12, 3.5, 7));
    });

    makeBodyButton("btn_zoomall", 32, 32, [](QPainter& p, const QRectF&, const QColor& ink, const QColor& acc) {
        p.setPen(QPen(acc, 1.5, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(3.5, 3.5, 25, 25));
        magnifier(p, QPointF(13.5, 13.5), 6.5, ink);
    });
    makeBodyButton("btn_zoomwin", 32, 32, [](QPainter& p, const QRectF&, const QColor& ink, const QColor& acc) {
        p.setPen(QPen(acc, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(3.5, 5.5, 15, 11));
        p.setBrush(acc);
        p.drawRect(QRectF(2, 4, 3, 3));
        p.drawRect(QRectF(17, 15, 3, 3));
        magnifier(p, QPointF(17.5, 17.5), 6, ink);
    });
    makeBodyButton("btn_zoomout", 32, 32, [](QPainter& p, const QRectF&, const QColor& ink, const QColor& acc) {
        magnifier(p, QPointF(13, 13), 8.5, ink);
        p.setPen(QPen(acc, 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(9, 13), QPointF(17, 13));
    });
    makeBodyButton("btn_zoomin", 32, 32, [](QPainter& p, const QRectF&, const QColor& ink, const QColor& acc) {
        magnifier(p, QPointF(13, 13), 8.5, ink);
        p.setPen(QPen(acc, 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(9, 13), QPointF(17, 13));
        p.drawLine(QPointF(13, 9), QPointF(13, 17));
    });
    makeBodyButton("btn_pan", 32, 32, [](QPainter& p, const QRectF&, const QColor& ink, const QColor& acc) {
        // Four-way arrows: moving the view.
        p.setPen(QPen(ink, 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(16, 6), QPointF(16, 26));
        p.drawLine(QPointF(6, 16), QPointF(26, 16));
        p.setPen(Qt::NoPen);
        p.setBrush(acc);
        for (int i = 0; i < 4; ++i) {
            p.save();
            p.translate(16, 16);
            p.rotate(90 * i);
            QPainterPath head;
            head.moveTo(0, -14);
            head.lineTo(5, -8);
            head.lineTo(-5, -8);
            head.closeSubpath();
            p.drawPath(head);
            p.restore();
        }
        p.setBrush(ink);
        p.drawEllipse(QPointF(16, 16), 2.5, 2.5);
    });
    makeBodyButton("btn_layer", 32, 32, [](QPainter& p, const QRectF&, const QColor& ink, const QColor& acc) {
        // Three stacked sheets.
        for (int i = 2; i >= 0; --i) {
            QPainterPath d;
            const double y = 10 + i * 6;
            d.moveTo(16, y - 6);
            d.lineTo(28, y);
            d.lineTo(16, y + 6);
            d.lineTo(4, y);
            d.closeSubpath();
            p.setPen(QPen(ink, 1.3));
            p.setBrush(i == 0 ? acc : grey(kBody));
            p.drawPath(d);
        }
    });
    makeBodyButton("btn_print", 32, 32, [](QPainter& p, const QRectF&, const QColor& ink, const QColor& acc) {
        p.setPen(QPen(ink, 1.4));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(9.5, 4.5, 13, 8));             // paper in
        p.setBrush(grey(40));
        p.drawRoundedRect(QRectF(4.5, 11.5, 23, 11), 2, 2); // body
        p.setBrush(grey(235));
        p.drawRect(QRectF(9.5, 18.5, 13, 9));            // paper out
        p.setPen(QPen(acc, 1.2));
        p.drawLine(QPointF(11.5, 22), QPointF(20.5, 22));
        p.drawLine(QPointF(11.5, 25), QPointF(18, 25));
        p.setPen(Qt::NoPen);
        p.setBrush(acc);
        p.drawEllipse(QPointF(24, 15), 1.2, 1.2);
    });
}

// ---------------------------------------------------------------- image list

QImage icon16(const std::function<void(QPainter&)>& draw)
{
    QImage img(16, 16, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    return img;
}

void folderShape(QPainter& p)
{
    p.setPen(QPen(QColor(170, 120, 20), 1));
    p.setBrush(QColor(245, 200, 80));
    QPainterPath f;
    f.moveTo(1.5, 3.5);
    f.lineTo(6, 3.5);
    f.lineTo(7.5, 5);
    f.lineTo(14.5, 5);
    f.lineTo(14.5, 13.5);
    f.lineTo(1.5, 13.5);
    f.closeSubpath();
    p.drawPath(f);
}

void sheetShape(QPainter& p)
{
    p.setPen(QPen(grey(90), 1));
    p.setBrush(Qt::white);
    QPainterPath s;
    s.moveTo(3.5, 1.5);
    s.lineTo(10, 1.5);
    s.lineTo(13.5, 5);
    s.lineTo(13.5, 14.5);
    s.lineTo(3.5, 14.5);
    s.closeSubpath();
    p.drawPath(s);
    p.drawLine(QPointF(10, 1.5), QPointF(10, 5));
    p.drawLine(QPointF(10, 5), QPointF(13.5, 5));
}

void makeImageList()
{
    const QColor dark(40, 40, 40);
    std::vector<std::function<void(QPainter&)>> icons = {
        // 0 up one folder
        [](QPainter& p) {
            folderShape(p);
            p.setPen(QPen(QColor(30, 90, 200), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(Qt::NoBrush);
            p.drawLine(QPointF(8, 12), QPointF(8, 6.5));
            p.drawPolyline(QPolygonF({QPointF(5, 9), QPointF(8, 6), QPointF(11, 9)}));
        },
        // 1 minimise
        [dark](QPainter& p) {
            p.setPen(Qt::NoPen);
            p.setBrush(dark);
            p.drawRect(QRectF(3, 11, 10, 2.5));
        },
        // 2 close
        [dark](QPainter& p) {
            p.setPen(QPen(dark, 2, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(4, 4), QPointF(12, 12));
            p.drawLine(QPointF(12, 4), QPointF(4, 12));
        },
        // 3 folder
        [](QPainter& p) { folderShape(p); },
        // 4 document
        [](QPainter& p) { sheetShape(p); },
        // 5 drawing document
        [](QPainter& p) {
            sheetShape(p);
            p.setPen(QPen(QColor(30, 90, 200), 1));
            p.drawRect(QRectF(5.5, 7.5, 6, 5));
            p.drawLine(QPointF(5.5, 12.5), QPointF(11.5, 7.5));
        },
        // 6 find
        [dark](QPainter& p) {
            p.setPen(QPen(dark, 1.6));
            p.setBrush(QColor(200, 225, 255));
            p.drawEllipse(QPointF(6.5, 6.5), 4, 4);
            p.setPen(QPen(dark, 2.5, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(9.5, 9.5), QPointF(14, 14));
        },
        // 7 settings
        [dark](QPainter& p) {
            p.setPen(QPen(dark, 2.2, Qt::SolidLine, Qt::RoundCap));
            for (int i = 0; i < 4; ++i) {
                p.save();
                p.translate(8, 8);
                p.rotate(45 * i);
                p.drawLine(QPointF(0, -6.5), QPointF(0, 6.5));
                p.restore();
            }
            p.setPen(QPen(dark, 1));
            p.setBrush(QColor(150, 150, 150));
            p.drawEllipse(QPointF(8, 8), 4.2, 4.2);
            p.setBrush(Qt::white);
            p.drawEllipse(QPointF(8, 8), 1.6, 1.6);
        },
        // 8 delete
        [](QPainter& p) {
            p.setPen(QPen(QColor(200, 30, 30), 2.6, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
            p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
        },
        // 9 properties
        [](QPainter& p) {
            sheetShape(p);
            p.setPen(QPen(grey(110), 1));
            for (int i = 0; i < 4; ++i)
                p.drawLine(QPointF(5.5, 7.5 + i * 2), QPointF(11.5, 7.5 + i * 2));
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(30, 90, 200));
            p.drawEllipse(QPointF(11.5, 12), 3.2, 3.2);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(11, 11.3, 1.1, 2.6));
            p.drawRect(QRectF(11, 9.9, 1.1, 0.9));
        },
        // 10 refresh
        [](QPainter& p) {
            const QColor g(30, 140, 60);
            p.setPen(QPen(g, 2, Qt::SolidLine, Qt::FlatCap));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(3, 3, 10, 10), 100 * 16, 280 * 16);
            p.setPen(Qt::NoPen);
            p.setBrush(g);
            QPainterPath head;
            head.moveTo(7.2, 0.8);
            head.lineTo(11.2, 3.1);
            head.lineTo(7.2, 5.6);
            head.closeSubpath();
            p.drawPath(head);
        },
    };
    for (size_t i = 0; i < icons.size(); ++i)
        save(icon16(icons[i]), QString("imagelist_%1.png").arg(int(i), 2, 10, QChar('0')));
}

// ---------------------------------------------------------------- swatches

void makeSwatches()
{
    const QColor colours[10] = {
        QColor(0, 0, 0),     QColor(255, 0, 0),   QColor(255, 255, 0), QColor(0, 255, 0),
        QColor(0, 255, 255), QColor(0, 0, 255),   QColor(255, 0, 255), QColor(255, 255, 255),
        QColor(128, 128, 128), QColor(192, 192, 192),
    };
    for (int i = 0; i < 10; ++i) {
        QImage img(100, 13, QImage::Format_RGB32);
        img.fill(colours[i]);
        // A thin frame so white and silver stand out on a white list.
        QPainter p(&img);
        p.setPen(grey(64));
        p.setBrush(Qt::NoBrush);
        p.drawRect(0, 0, 99, 12);
        p.end();
        save(img, QString("swatch_%1.png").arg(i));
    }
}

void writeQrc()
{
    QFile f(g_outDir + "/art.qrc");
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        std::fprintf(stderr, "cannot write art.qrc\n");
        std::exit(1);
    }
    QTextStream out(&f);
    out << "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n  <qresource prefix=\"/art\">\n";
    QStringList names = g_written;
    names.sort();
    for (const QString& n : names)
        out << "    <file>" << n << "</file>\n";
    out << "  </qresource>\n</RCC>\n";
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    g_outDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString(PLENDOR_ART_DIR);
    if (!QDir().mkpath(g_outDir)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(g_outDir));
        return 1;
    }
    save(makeSkin(), "skin.bmp");
    save(makeLogo(), "logo.png");
    save(makeIcon16(), "icon16.png");
    makeButtons();
    makeImageList();
    makeSwatches();
    writeQrc();
    std::printf("%lld files written to %s\n", static_cast<long long>(g_written.size()),
                qPrintable(QDir(g_outDir).absolutePath()));
    return 0;
}
