// plendor-render --preview FILE OUT.png: the picture a thumbnail of FILE
// would show, at the preview's own size, 24 bits per pixel.
// Exit status: 0 written, 1 the file has no usable preview, 2 the file cannot
// be read (or OUT.png cannot be written).

#include "DwgPreview.h"

#include <QImage>
#include <QStringList>

#include <cstdio>

int previewCommand(const QStringList& args) {
    if (args.size() != 2) {
        std::fputs("usage: plendor-render --preview FILE OUT.png\n", stderr);
        return 2;
    }
    QImage img;
    try {
        if (!LoadDwgPreviewBitmap(img, args[0])) {
            std::fprintf(stderr, "%s: no preview\n", qPrintable(args[0]));
            return 1;
        }
    } catch (const DwgPreviewOpenError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    } catch (const DwgPreviewError& e) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(args[0]), e.what());
        return 1;
    }
    if (!img.convertToFormat(QImage::Format_RGB888).save(args[1], "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(args[1]));
        return 2;
    }
    return 0;
}
