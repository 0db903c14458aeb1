#pragma once
// Draw step: resolved primitives onto any QPainter (screen, printer, image).
// Only what meets the view is looked at; what is smaller than a pixel becomes
// a dot, and text too small to read becomes a line.

#include <QImage>
#include <QSize>

#include "cad/render/Primitives.h"
#include "cad/render/ViewTransform.h"

class QPainter;

namespace cad::render {

struct DrawOptions {
    Rgb background = rgb(0, 0, 0);
    bool fillBackground = true;
    double penWidth = 0;  // device pixels; 0 = one-pixel cosmetic lines
    bool antialias = false;
};

struct DrawStats {
    std::size_t candidates = 0;  // primitives looked at after the grid
    std::size_t drawn = 0;       // drawn at full detail
    std::size_t dots = 0;        // drawn as dots or lines (too small)
};

// The painter's device must match view.width() x view.height() in pixels.
DrawStats drawResolved(QPainter& painter, const ResolvedDrawing& drawing, const ViewTransform& view,
                       const DrawOptions& options);

// Tells fontconfig which installed faces stand for "宋体" and the other usual
// Windows CJK family names. Called by the first draw; safe to call again.
void registerCadFontSubstitutes();

// Colour an entity gets on this background (index 7 flips to black on light ones).
Rgb displayColour(Rgb colour, bool contrast, Rgb background);

// Zoom-all render into a new image (the offscreen path of the command-line
// tool and the tests).
QImage renderToImage(const ResolvedDrawing& drawing, QSize size, Rgb background,
                     double margin = 0.03);

}  // namespace cad::render
