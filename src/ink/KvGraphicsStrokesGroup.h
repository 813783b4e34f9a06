#pragma once

// setSnaphotData and getSnaphotData are spelt as hosts know them.

#include "kvpen_export.h"

#include "KvGraphicsItem.h"
#include "KvItem.h"
#include "KvPenTypes.h"

#include <QGraphicsItemGroup>
#include <QJsonObject>
#include <QList>
#include <QObject>

#include <memory>

class KvGraphicsPolygonItem;
class KvInkSheet;
class KvGraphicsStroke;
namespace KvInkFileCodec {
struct Piece;
}

// The board item of one finished drawing: a group whose children are the polygon pieces of one
// pen or highlighter stroke. It is what the user selects, moves, recolours, copies, erases and
// what the board saves.
class KVPEN_EXPORT KvGraphicsStrokesGroup : public QObject,
                                            public QGraphicsItemGroup,
                                            public KvItem,
                                            public KvGraphicsItem
{
    Q_OBJECT
public:
    enum { Type = KvPen::kStrokesGroupType };

    // The colour is stored as given; only setColor applies the stylus's alpha.
    explicit KvGraphicsStrokesGroup(const QColor &color = QColor(Qt::white),
                                    int stylus = KvPen::PenStylus, QGraphicsItem *parent = nullptr);
    ~KvGraphicsStrokesGroup() override;

    void setUuid(const QUuid &uuid) override;
    // A copy with new pieces in one new stroke, at the same place once added; caller owns it.
    KvItem *deepCopy() const override;
    // Transform, position, movable and selectable flags, data roles 0 and 1, z value.
    void copyItemParameters(KvItem *target) const override;
    // The loads refuse pieces beyond the limits on loaded ink (one kvpen.io line per call) and
    // keep the rest. A record restores the common data before the pieces join, the XML form after.
    void importItem(const QMap<QString, QVariant> &map) override;
    QMap<QString, QVariant> exportItem() override;
    void exportItemXml(QDomDocument *document, QDomElement *element, const QString &name) override;
    void importItemXml(QDomDocument *document, QDomElement *element, const QString &name) override;
    QString exportName() override;
    QColor color() const override;
    // Alpha 1.0 for a pen, 0.5 for a highlighter (Qt::transparent is kept), pushed to every
    // polygon piece.
    void setColor(const QColor &color) override;
    // The board the group is on, as the host's scene type.
    using KvItem::scene;

    int type() const override;
    // The pieces' bounds; an empty line at the origin, never a null rect, while there are none.
    QRectF boundingRect() const override;
    // The pieces' shapes together, or the bounding rect while selected. Qt asks for it at every
    // query that passes by the group; the last few built are kept (KvShapeCache) until a child
    // joins or leaves or a piece reports a change.
    QPainterPath shape() const override;
    // Translucent pieces are painted here, one sheet per colour, so that a highlighter stroke is
    // one even layer of colour; opaque pieces paint themselves.
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;
    // A piece changed how it looks; pieces call it themselves.
    void pieceChanged();

    // The pieces in stroke order; children are not added or removed through this list.
    QList<KvGraphicsPolygonItem *> &items();
    const QList<KvGraphicsPolygonItem *> &items() const;
    void setItems(const QList<KvGraphicsPolygonItem *> &items);

    int penWidth() const;
    void setPenWidth(int width);
    // 0 pen, 2 highlighter.
    int stylus() const;

    // The input points of the pieces, for the point-info export; there is no import.
    void exportItemOriginInfo(QDomDocument *document, QDomElement *element, const QString &name);
    // Fills the whole-stroke keys into `json` (keeping the caller's other keys) and keeps a copy.
    void setSnaphotData(QJsonObject &json);
    QJsonObject getSnaphotData() const;

protected:
    QVariant itemChange(GraphicsItemChange change, const QVariant &value) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;

private:
    // The children in their saved form; the full outlines only for a form that keeps them.
    QVector<KvInkFileCodec::Piece> savedPieces(bool withFullPolygons) const;
    // Makes loaded pieces children, members of one new stroke and entries of the items list at
    // their saved index, clamped to the list.
    void adoptPieces(const QVector<KvInkFileCodec::Piece> &pieces, bool fromXml);

    // The sheets of the translucent pieces, built when painted after a change.
    const QList<KvInkSheet> &sheets();
    QPainterPath piecesShape() const;
    // Drops what was built from the children: the sheets and the kept shape.
    void contentChanged();

    QList<KvGraphicsPolygonItem *> m_items;
    std::unique_ptr<QList<KvInkSheet>> m_sheets;
    int m_penWidth = 2;
    int m_stylus;
    // The key of the group's shape in KvShapeCache, new at each change of the children.
    quint64 m_shapeSerial;
    QJsonObject m_snapshot;
};
