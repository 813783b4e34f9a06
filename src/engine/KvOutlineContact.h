#pragma once

#include <QPolygonF>

// Exact, cautious questions about closed outlines, cheaper than Qt's clipper. "No" is only ever
// answered when it is certain; touching, near-collinear and degenerate cases answer "yes" or
// "not simple".
class KvOutlineContact
{
public:
    // Whether the areas `a` and `b` enclose, read with the odd-even rule as Qt's clipper reads
    // them, may share any point.
    static bool mayMeet(const QPolygonF &a, const QPolygonF &b);
    // Whether `outline` is a single loop that never meets itself, so that both fill rules and
    // Qt's clipper agree on the area it encloses.
    static bool isSimple(const QPolygonF &outline);
};
