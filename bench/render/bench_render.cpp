// Frame times of the draw step on a generated drawing of a million mixed
// entities (lines, arcs, polylines, texts): zoom all, and 10x / 100x zoomed
// into the middle. Also the one-off resolve time.
//   bench_render [entities] [WxH]

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <time.h>

#include "cad/model/Drawing.h"
#include "cad/render/Draw.h"
#include "cad/render/Resolve.h"

using Clock = std::chrono::steady_clock;

namespace {

double msSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// A square grid of cells 10 units wide, one entity per cell, types in turn.
std::unique_ptr<cad::Drawing> generate(long count) {
    auto d = std::make_unique<cad::Drawing>();
    for (int i = 0; i < 8; ++i) {
        cad::Layer l;
        l.name = "L" + std::to_string(i);
        l.color = 1 + i;
        d->layers.push_back(l);
    }
    d->buildIndex();
    const long side = std::max(1L, long(std::sqrt(double(count))));
    d->entities.reserve(std::size_t(count));
    for (long i = 0; i < count; ++i) {
        const double x = double(i % side) * 10, y = double(i / side) * 10;
        const std::string layer = "L" + std::to_string(i % 8);
        switch (i % 4) {
        case 0: {
            auto e = std::make_unique<cad::Line>();
            e->start = {x, y, 0};
            e->end = {x + 7, y + 5, 0};
            e->layer = layer;
            d->entities.push_back(std::move(e));
            break;
        }
        case 1: {
            auto e = std::make_unique<cad::Arc>();
            e->center = {x + 4, y + 4, 0};
            e->radius = 3;
            e->startAngle = 0.3;
            e->endAngle = 4.0;
            e->layer = layer;
            d->entities.push_back(std::move(e));
            break;
        }
        case 2: {
            auto e = std::make_unique<cad::LwPolyline>();
            for (auto [px, py] : {std::pair{0.0, 0.0}, {6.0, 0.0}, {6.0, 6.0}, {0.0, 6.0}}) {
                cad::LwVertex v;
                v.pt = {x + px, y + py};
                e->vertices.push_back(v);
            }
            e->vertices[1].bulge = 0.4;
            e->closed = true;
            e->layer = layer;
            d->entities.push_back(std::move(e));
            break;
        }
        default: {
            auto e = std::make_unique<cad::Text>();
            e->insertion = {x + 1, y + 3, 0};
            e->height = 2.5;
            e->text = (i % 8 == 3) ? "A-12" : "门窗";
            e->layer = layer;
            d->entities.push_back(std::move(e));
            break;
        }
        }
    }
    return d;
}

// Processor time of this thread: on a machine shared with other jobs, wall
// time also counts the time spent waiting for a core.
double threadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

struct Timing {
    double median, best, cpuMedian;
    cad::render::DrawStats stats;
};

Timing frames(const cad::render::ResolvedDrawing& r, const cad::render::ViewTransform& v, QImage& img, int n) {
    std::vector<double> t, cpu;
    cad::render::DrawStats s;
    for (int i = 0; i < n; ++i) {
        QPainter p(&img);
        const auto t0 = Clock::now();
        const double c0 = threadCpuMs();
        s = cad::render::drawResolved(p, r, v, {});
        p.end();
        cpu.push_back(threadCpuMs() - c0);
        t.push_back(msSince(t0));
    }
    std::sort(t.begin(), t.end());
    std::sort(cpu.begin(), cpu.end());
    return {t[t.size() / 2], t.front(), cpu[cpu.size() / 2], s};
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    const long count = argc > 1 ? std::atol(argv[1]) : 1000000;
    int w = 1280, h = 800;
    if (argc > 2) std::sscanf(argv[2], "%dx%d", &w, &h);

    auto t0 = Clock::now();
    const auto drawing = generate(count);
    std::printf("generate %ld entities: %.0f ms\n", count, msSince(t0));
    t0 = Clock::now();
    const auto resolved = cad::render::resolveDrawing(*drawing);
    std::printf("resolve: %.0f ms (%zu primitives, %zu points, %zu texts)\n", msSince(t0),
                resolved->prims.size(), resolved->points.size(), resolved->texts.size());

    QImage img(w, h, QImage::Format_RGB32);
    cad::render::ViewTransform all(w, h);
    all.fit(resolved->extents, 0.03);
    struct Case {
        const char* name;
        double zoom;
    } cases[] = {{"zoom all", 1}, {"zoom 10x", 10}, {"zoom 100x", 100}};
    for (const Case& c : cases) {
        cad::render::ViewTransform v = all;
        v.zoom(c.zoom);
        frames(*resolved, v, img, 2);  // warm-up: fonts, caches
        const Timing t = frames(*resolved, v, img, 15);
        std::printf("%-10s %dx%d: wall median %.1f ms, best %.1f ms; cpu median %.1f ms "
                    "(looked at %zu, full detail %zu, as dots/lines %zu)\n",
                    c.name, w, h, t.median, t.best, t.cpuMedian, t.stats.candidates, t.stats.drawn, t.stats.dots);
        if (c.zoom == 10) img.save("bench_render_zoom10.png");
        if (c.zoom == 1) img.save("bench_render_zoomall.png");
    }
    return 0;
}
