#pragma once

#include "kvgraphicscore_export.h"

#include <QBrush>
#include <QColor>
#include <QPen>
#include <QPointF>
#include <QPolygonF>
#include <QString>
#include <QTransform>
#include <QVariant>

class QDomDocument;
class QDomElement;

// Text forms of the values the board saves, and the DOM helpers that store them.
//
// Every form round-trips exactly. Numbers use the shortest text that reads back to the same
// double (C locale). Forms:
//   number     "12.5"
//   point      "x,y"
//   polygon    points joined by ";"                      "0,0;10,0;10,5"
//   colour     "#AARRGGBB", empty for an invalid colour  "#80F8E71C"
//   transform  the nine matrix values m11..m33 by ","    "1,0,0,0,1,0,0,0,1"
//   brush      "style,colour"                            "1,#FFFFFFFF"
//   pen        "style,width,colour,cap,join,cosmetic"    "1,2,#FF000000,16,64,0"
//              (style, cap and join are the Qt enum values)
// Readers never crash on malformed text: any malformed or non-finite part gives the type's
// default (invalid colour, empty polygon, identity transform, QBrush(), QPen(), null point).
class KVGRAPHICSCORE_EXPORT KvQtConvert
{
public:
    static QString numberToString(double value);
    static QString colorToString(const QColor &color);
    static QColor stringToColor(const QString &text);
    static QString pointFToString(const QPointF &point);
    static QPointF stringToPointF(const QString &text);
    static QString polygonFToString(const QPolygonF &polygon);
    static QPolygonF stringToPolygonF(const QString &text);
    static QString transformToString(const QTransform &transform);
    static QTransform stringToTransform(const QString &text);
    static QString brushToString(const QBrush &brush);
    static QBrush stringToBrush(const QString &text);
    static QString penToString(const QPen &pen);
    static QPen stringToPen(const QString &text);
    // The text form of a value of any of the types above, or QVariant::toString for others.
    static QString variantToString(const QVariant &value);

    // Creates `element` with the tag `name` and appends it to `parent`.
    static void createDomElement(QDomDocument *document, QDomElement *parent, QDomElement &element,
                                 const QString &name);
    // Stores `value` as a child element named `key` holding the text.
    static void insertDomString(QDomDocument *document, QDomElement *element, const QString &key,
                                const QString &value);
    static void insertDomVariant(QDomDocument *document, QDomElement *element, const QString &key,
                                 const QVariant &value);
    static void setAttributeDomString(QDomElement *element, const QString &name,
                                      const QString &value);
    // The text of the direct child element named `key`; empty when there is none.
    static QString readDomString(const QDomElement *element, const QString &key);
    // The element's text, as QDomElement::text() gives it.
    static QString domText(const QDomElement &element);
};
