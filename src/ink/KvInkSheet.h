#pragma once

#include <QColor>
#include <QList>
#include <QPolygonF>
#include <QRectF>

class QPainter;

// Translucent ink of one colour painted as one sheet: its polygons are filled into a layer,
// where each pixel they cover takes the colour once, and the layer is laid on the target once.
// Where polygons meet or overlap there is neither a seam nor a darker spot; where they cover the
// background the result is that of filling one polygon with the colour.
class KvInkSheet
{
public:
    explicit KvInkSheet(const QColor &color);

    QColor color() const;
    void addPolygon(const QPolygonF &polygon, Qt::FillRule fillRule);
    // In the painter's current coordinates; the layer is as large as what the painter can show.
    void paint(QPainter *painter) const;

private:
    struct Polygon
    {
        QPolygonF points;
        Qt::FillRule fillRule;
    };

    QRect layerRect(QPainter *painter) const;

    QColor m_color;
    QList<Polygon> m_polygons;
    QRectF m_bounds;
};
