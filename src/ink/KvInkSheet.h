#pragma once

#include <QColor>
#include <QPainterPath>
#include <QPolygonF>

class QPainter;

// Translucent ink of one colour painted as one sheet: the union of its polygons, filled once.
// Where polygons meet or overlap there is neither a seam nor a darker spot; where they cover the
// background the result is that of filling one polygon with the colour.
class KvInkSheet
{
public:
    explicit KvInkSheet(const QColor &color);

    QColor color() const;
    void addPolygon(const QPolygonF &polygon, Qt::FillRule fillRule);
    // In the painter's current coordinates.
    void paint(QPainter *painter) const;

private:
    QColor m_color;
    // Winding fill, so that overlapping polygons count once and the antialiasing sees only the
    // union's outer edges.
    QPainterPath m_union;
};
