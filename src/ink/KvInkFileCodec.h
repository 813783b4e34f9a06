#pragma once

#include <QBrush>
#include <QColor>
#include <QList>
#include <QPen>
#include <QPolygonF>
#include <QTransform>
#include <QUuid>
#include <QVariantMap>
#include <QVector>

#include <optional>

class QDomDocument;
class QDomElement;

// The saved forms of a strokes group: the save record's map, the XML element and the point-info
// XML. Pure functions on values; they know the keys and the limits on loaded ink, and leave
// making items to the group.
namespace KvInkFileCodec {

// The name of a group's save record and the tag of its XML element.
inline const QString kRecordName = QStringLiteral("Strokes");
inline const QString kGroupElement = QStringLiteral("strokesGroup");

// One polygon piece as saved.
struct Piece
{
    QPolygonF polygon;
    QPolygonF fullPolygon; // the XML form only
    QPen pen;
    QBrush brush;
    QTransform transform;
    double zValue = 0.0;
    int fillRule = Qt::OddEvenFill;
    int index = 0; // position in the group's stroke order; -1 for a child outside it

    // Finite, within the limits on loaded ink, and a fill rule Qt knows.
    bool isSound() const;
};

// What a load read: the sound pieces, in saved order, and what it refused.
struct LoadedGroup
{
    QVector<Piece> pieces;
    QColor color;
    std::optional<int> stylus; // an ink kind the form names; none for another or none named
    int refusedPieces = 0; // unsound, or beyond the room given
    bool refusedStylus = false;
};

// Adds the pieces, the colour and, for a highlighter, the stylus to `base` (the common item data).
QVariantMap groupToMap(QVariantMap base, const QVector<Piece> &pieces, const QColor &color,
                       int stylus);
// At most `room` pieces are kept; unreadable entries load as empty pieces.
LoadedGroup groupFromMap(const QVariantMap &map, int room);

// Appends the pieces, colour and stylus to `element` (which already holds the common data).
void groupToElement(QDomDocument *document, QDomElement *element, const QVector<Piece> &pieces,
                    const QColor &color, int stylus);
LoadedGroup groupFromElement(const QDomElement &element, int room);

// The point-info form: the group's id as an attribute, and its input points, z value, colour,
// stylus and width as children.
void pointInfoToElement(QDomDocument *document, QDomElement *element, const QUuid &uuid,
                        const QList<QPointF> &points, double zValue, const QColor &color,
                        int stylus, int width);

} // namespace KvInkFileCodec
