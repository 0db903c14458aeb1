#include "Anchors.h"

namespace {

// One axis: start and length of the control, given the anchors on both ends.
void placeAxis(int start, int length, int designExtent, int extent, bool nearEdge, bool farEdge,
               int& outStart, int& outLength)
{
    const int farGap = designExtent - (start + length);
    if (nearEdge && farEdge) {
        outStart = start;
        outLength = extent - start - farGap;
        if (outLength < 0)
            outLength = 0;
    } else if (farEdge) {
        outLength = length;
        outStart = extent - farGap - length;
    } else if (nearEdge) {
        outStart = start;
        outLength = length;
    } else {
        outLength = length;
        if (designExtent <= 0) {
            outStart = start;
            return;
        }
        const double centre = (start + length / 2.0) / designExtent;
        outStart = static_cast<int>(centre * extent - length / 2.0 + 0.5);
    }
}

} // namespace

QRect AnchoredRect(const QRect& design, const QSize& designParent, const QSize& parent, unsigned anchors)
{
    int x, w, y, h;
    placeAxis(design.x(), design.width(), designParent.width(), parent.width(),
              anchors & AnchorLeft, anchors & AnchorRight, x, w);
    placeAxis(design.y(), design.height(), designParent.height(), parent.height(),
              anchors & AnchorTop, anchors & AnchorBottom, y, h);
    return QRect(x, y, w, h);
}
