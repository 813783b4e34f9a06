#include "KvInkSheet.h"

#include <QImage>
#include <QPainter>

KvInkSheet::KvInkSheet(const QColor &color)
    : m_color(color)
{ }

QColor KvInkSheet::color() const
{
    return m_color;
}

void KvInkSheet::addPolygon(const QPolygonF &polygon, Qt::FillRule fillRule)
{
    m_polygons.append({polygon, fillRule});
    m_bounds |= polygon.boundingRect();
}

void KvInkSheet::paint(QPainter *painter) const
{
    const QRect area = layerRect(painter);
    if (area.isEmpty())
        return;
    const qreal ratio = painter->device()->devicePixelRatioF();
    QImage layer(area.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(ratio);
    layer.fill(Qt::transparent);
    {
        QPainter layerPainter(&layer);
        layerPainter.setRenderHints(painter->renderHints());
        layerPainter.setTransform(painter->worldTransform()
                                  * QTransform::fromTranslate(-area.left(), -area.top()));
        // Each pixel takes the colour, never more of it; an outline one unit wide, as a piece
        // painting itself has, closes the antialiased seams where polygons only meet. Not
        // cosmetic: its pixels then do not depend on where the painter clips.
        layerPainter.setCompositionMode(QPainter::CompositionMode_Source);
        layerPainter.setPen(QPen(m_color, 1));
        layerPainter.setBrush(m_color);
        for (const Polygon &polygon : m_polygons)
            layerPainter.drawPolygon(polygon.points, polygon.fillRule);
    }
    painter->save();
    painter->setWorldTransform(QTransform());
    painter->drawImage(area.topLeft(), layer);
    painter->restore();
}

// The sheet's device rect, cut to what the painter can change.
QRect KvInkSheet::layerRect(QPainter *painter) const
{
    const QTransform toDevice = painter->worldTransform();
    QRect area = toDevice.mapRect(m_bounds).toAlignedRect().adjusted(-1, -1, 1, 1);
    area &= QRect(0, 0, painter->device()->width(), painter->device()->height());
    if (painter->hasClipping())
        area &= toDevice.mapRect(painter->clipBoundingRect()).toAlignedRect();
    return area;
}
