// plendor-render: draws a drawing into a PNG, or prints its statistics.
//   plendor-render FILE OUT.png [--size WxH] [--background N]
//   plendor-render --stats FILE
//   plendor-render --preview FILE OUT.png   (see PreviewMode.cpp)
// Exit status 0 when the drawing loaded (and the PNG was written), else 1.

#include <QGuiApplication>
#include <QImage>
#include <QRegularExpression>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>

#include "cad/io/DrawingLoader.h"
#include "cad/render/Draw.h"
#include "cad/render/Resolve.h"

int previewCommand(const QStringList& args);  // PreviewMode.cpp

namespace {

int usage() {
    std::fputs(
        "usage: plendor-render FILE OUT.png [--size WxH] [--background N]\n"
        "       plendor-render --stats FILE\n"
        "       plendor-render --preview FILE OUT.png\n",
        stderr);
    return 1;
}

int stats(const QStringList& args) {
    if (args.size() != 1) return usage();
    const std::string path = args[0].toStdString();
    const cad::LoadResult r = cad::loadDrawingFile(path);
    std::printf("%s\n", cad::drawingStatsJson(path, r).c_str());
    return r.status == cad::LoadStatus::Ok ? 0 : 1;
}

int render(const QStringList& args) {
    QStringList positional;
    QSize size(1024, 768);
    int background = 0;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == "--size" && i + 1 < args.size()) {
            const auto m = QRegularExpression("^(\\d{1,5})x(\\d{1,5})$").match(args[++i]);
            if (!m.hasMatch()) return usage();
            size = QSize(m.captured(1).toInt(), m.captured(2).toInt());
            if (size.width() < 1 || size.height() < 1 || size.width() > 16384 || size.height() > 16384)
                return usage();
        } else if (a == "--background" && i + 1 < args.size()) {
            bool ok = false;
            background = args[++i].toInt(&ok);
            if (!ok) return usage();
        } else if (a.startsWith("--")) {
            return usage();
        } else {
            positional << a;
        }
    }
    if (positional.size() != 2) return usage();
    const cad::LoadResult r = cad::loadDrawingFile(positional[0].toStdString());
    if (r.status != cad::LoadStatus::Ok || !r.drawing) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(positional[0]), r.message.c_str());
        return 1;
    }
    const auto resolved = cad::render::resolveDrawing(*r.drawing);
    const QImage img = cad::render::renderToImage(*resolved, size, cad::render::backgroundColour(background));
    if (!img.save(positional[1], "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(positional[1]));
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Fonts need a GUI application; a terminal without a display is fine.
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) return usage();

    // First argument picks the command; anything else is a file to render.
    const std::map<QString, std::function<int(const QStringList&)>> commands{
        {"--stats", stats},
        {"--preview", previewCommand},
    };
    if (auto it = commands.find(args[0]); it != commands.end()) return it->second(args.mid(1));
    return render(args);
}
