#pragma once

#include "kvpen_export.h"

#include "KvItem.h"

#include <QGraphicsPolygonItem>
#include <QList>
#include <QPainterPath>
#include <QPolygonF>

class KvGraphicsStroke;
class KvGraphicsStrokesGroup;

// One filled polygon of ink: a piece of a pen or highlighter stroke. An opaque colour is
// painted without outline, a translucent one with a faint outline of the same colour. While an
// erase is previewed the item paints the erase polygons instead of its own.
class KVPEN_EXPORT KvGraphicsPolygonItem : public QGraphicsPolygonItem, public KvItem
{
public:
    // The capsule of the line: startWidth across at its first point, endWidth at its second.
    KvGraphicsPolygonItem(const QLineF &line, double startWidth, double endWidth,
                          QGraphicsItem *parent = nullptr);
    explicit KvGraphicsPolygonItem(const QPolygonF &polygon, QGraphicsItem *parent = nullptr);
    ~KvGraphicsPolygonItem() override;

    void setUuid(const QUuid &uuid) override;
    // A parentless copy of the displayed polygon with copyItemParameters applied; caller owns it.
    KvItem *deepCopy() const override;
    // Colour, group, z value, scene transform, full polygon and data role 0; never the stroke.
    void copyItemParameters(KvItem *target) const override;
    KvCoreGraphicsScene *scene() const override;
    void setColor(const QColor &color) override;

    // Qt's rects and shapes, the bounding rect of a translucent piece found without outlining it.
    QRectF boundingRect() const override;
    QPainterPath shape() const override;

    // Paints nothing while its group paints it (isPaintedByGroup).
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;
    // A translucent piece of a strokes group is painted by the group, in one sheet with the
    // group's other translucent pieces.
    bool isPaintedByGroup() const;
    // What the piece paints: its polygon (winding), or the erase polygons (odd-even) while
    // erasing.
    QList<QPair<QPolygonF, Qt::FillRule>> paintedPolygons() const;

    KvGraphicsStrokesGroup *strokesGroup() const;
    void setStrokesGroup(KvGraphicsStrokesGroup *group);

    KvGraphicsStroke *stroke() const;
    // Joins the stroke (leaving the previous one, which is deleted if it empties); null is
    // ignored.
    void setStroke(KvGraphicsStroke *stroke);

    // The outline as built; polygon() may be smaller after overlap was cut out of it.
    QPolygonF fullPolygon() const;
    void setFullPolygon(const QPolygonF &polygon);
    QList<QPolygonF> fullPolygonList() const;
    void setFullPolygonList(const QList<QPolygonF> &polygons);

    // The input point at which the piece was committed.
    QPointF getCorrespondingPoint() const;
    void setCorrespondingPoint(const QPointF &point);

    bool isEraseCreate() const;
    void setEraseCreate(bool eraseCreate);

    void startErase();
    void erase(const QList<QPolygonF> &polygons);
    QList<QPolygonF> erasePolygons() const;
    void endErase();
    // What the item covers on screen: its shape, or the erase polygons while erasing.
    QPainterPath erasepath() const;

    // Cuts the other item's polygon out of this one's when their bounding rects meet.
    void subtract(KvGraphicsPolygonItem *other);

private:
    friend class KvGraphicsStroke;

    void initialize();
    void clearStroke();
    // Tells the strokes group the piece belongs to, if any, that its look changed.
    void notifyGroup();

    KvGraphicsStrokesGroup *m_strokesGroup = nullptr;
    KvGraphicsStroke *m_stroke = nullptr;
    QList<QPolygonF> m_erasePolygons;
    QPolygonF m_fullPolygon;
    // After setFullPolygon the list is [m_fullPolygon], made when asked: a list of its own would
    // cost every piece two allocations.
    QList<QPolygonF> m_fullPolygonList;
    QPointF m_correspondingPoint;
    bool m_listIsFullPolygon = false;
    // While boundingRect() asks shape() for it.
    mutable bool m_givingBounds = false;
    bool m_erasing = false;
    bool m_eraseCreate = false;
};
