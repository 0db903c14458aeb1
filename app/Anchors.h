#pragma once
// Design-time placement of a control and how it follows its parent's size,
// the way the window was laid out at 712 x 486.

#include <QRect>
#include <QSize>

enum Anchor : unsigned {
    AnchorLeft = 1,
    AnchorTop = 2,
    AnchorRight = 4,
    AnchorBottom = 8,
    AnchorAll = 15,
};

// Where a control placed at `design` inside a parent of `designParent` goes when
// the parent becomes `parent`. Anchored edges keep their distance to the parent's
// edge; along an axis with neither edge anchored the control keeps its size and
// its centre stays at the same fraction of the parent.
QRect AnchoredRect(const QRect& design, const QSize& designParent, const QSize& parent, unsigned anchors);
