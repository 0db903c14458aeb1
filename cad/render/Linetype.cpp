#include "cad/render/Linetype.h"

#include <cmath>

namespace cad::render {

void applyDashes(const Vec2* pts, std::size_t n, bool closed, const std::vector<double>& pattern,
                 const DashSink& emit) {
    if (n == 0) return;
    std::vector<Vec2> chain(pts, pts + n);
    if (closed && n > 2) chain.push_back(pts[0]);

    double period = 0;
    bool hasGap = false;
    for (double l : pattern) {
        if (!std::isfinite(l)) return emit(chain.data(), chain.size());
        period += std::abs(l);
        hasGap = hasGap || l < 0;
    }
    double total = 0;
    for (std::size_t i = 1; i < chain.size(); ++i) total += (chain[i] - chain[i - 1]).length();
    if (!hasGap || period <= 0 || total / period * double(pattern.size()) > kMaxDashes ||
        chain.size() < 2) {
        emit(chain.data(), chain.size());
        return;
    }

    std::size_t el = 0;       // current pattern element
    double left = std::abs(pattern[0]);  // length left in it
    std::vector<Vec2> dash;
    auto isDash = [&] { return pattern[el] > 0; };
    auto startElement = [&](Vec2 at) {
        if (pattern[el] == 0) {
            emit(&at, 1);
        } else if (isDash()) {
            dash.assign(1, at);
        }
    };
    auto next = [&](Vec2 at) {
        if (isDash() && dash.size() >= 2) emit(dash.data(), dash.size());
        dash.clear();
        el = (el + 1) % pattern.size();
        left = std::abs(pattern[el]);
        startElement(at);
    };
    startElement(chain[0]);
    for (std::size_t i = 1; i < chain.size(); ++i) {
        Vec2 a = chain[i - 1];
        const Vec2 b = chain[i];
        double seg = (b - a).length();
        while (seg > 0 && left < seg) {
            const Vec2 cut = a + (b - a) * (left / seg);
            if (isDash()) dash.push_back(cut);
            seg -= left;
            a = cut;
            next(cut);
            // Zero-length elements (dots) are passed through at once.
            while (left == 0) next(cut);
        }
        left -= seg;
        if (isDash()) dash.push_back(b);
    }
    if (isDash() && dash.size() >= 2) emit(dash.data(), dash.size());
}

}  // namespace cad::render
