#include "KvInkSheet.h"

#include <QPainter>

KvInkSheet::KvInkSheet(const QColor &color)
    : m_color(color)
{
    m_union.setFillRule(Qt::WindingFill);
}

QColor KvInkSheet::color() const
{
    return m_color;
}

void KvInkSheet::addPolygon(const QPolygonF &polygon, Qt::FillRule fillRule)
{
    if (fillRule == Qt::WindingFill) {
        m_union.addPolygon(polygon);
        return;
    }
    QPainterPath oddEven;
    oddEven.setFillRule(Qt::OddEvenFill);
    oddEven.addPolygon(polygon);
    // The same area as a winding path.
    m_union.addPath(oddEven.simplified());
}

void KvInkSheet::paint(QPainter *painter) const
{
    painter->fillPath(m_union, m_color);
}
