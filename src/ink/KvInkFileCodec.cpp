#include "KvInkFileCodec.h"

#include "KvPenTypes.h"
#include "KvQtConvert.h"

#include <QDomDocument>
#include <QDomElement>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <optional>

namespace {

const QString kPolygonsKey = QStringLiteral("polygons");
const QString kColorKey = QStringLiteral("color");
const QString kPolygonKey = QStringLiteral("polygon");
const QString kPolygonFullKey = QStringLiteral("polygonfull");
const QString kPenKey = QStringLiteral("pen");
const QString kBrushKey = QStringLiteral("brush");
const QString kTransformKey = QStringLiteral("transform");
const QString kZValueKey = QStringLiteral("zValue");
const QString kFillRuleKey = QStringLiteral("fillRule");
const QString kIndexKey = QStringLiteral("index");
const QString kTypeKey = QStringLiteral("type");
const QString kWidthKey = QStringLiteral("width");
const QString kPosKey = QStringLiteral("pos");
const QString kIdAttribute = QStringLiteral("id");
const QString kPieceElement = QStringLiteral("polygonItem");

bool isSoundCoordinate(double value)
{
    return std::abs(value) <= KvPen::kMaxCoordinate; // false for NaN too
}

bool isSoundPoint(const QPointF &point)
{
    return isSoundCoordinate(point.x()) && isSoundCoordinate(point.y());
}

bool isSoundPolygon(const QPolygonF &polygon)
{
    return polygon.size() <= KvPen::kMaxPointsPerPiece
        && std::all_of(polygon.cbegin(), polygon.cend(), isSoundPoint);
}

bool isSoundTransform(const QTransform &transform)
{
    // Any non-finite entry makes the determinant non-finite.
    return std::isfinite(transform.determinant()) && transform.isInvertible()
        && isSoundPoint(transform.map(QPointF()));
}

// QVariant::toInt on a double outside int's range is undefined, and so is qRound near its ends;
// the bounded value is rounded while it is still a double.
int variantToInt(const QVariant &value)
{
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok || std::isnan(number))
        return 0;
    return int(std::round(qBound(double(INT_MIN), number, double(INT_MAX))));
}

// The polygon of a text form, or nothing when the text is malformed or holds too many points
// (counted before parsing, so that a text of any length costs no more than a scan).
std::optional<QPolygonF> readPolygonText(const QString &text)
{
    if (text.count(QLatin1Char(';')) >= KvPen::kMaxPointsPerPiece)
        return std::nullopt;
    const QPolygonF polygon = KvQtConvert::stringToPolygonF(text);
    if (polygon.isEmpty() && !text.trimmed().isEmpty())
        return std::nullopt;
    return polygon;
}

// The value of key, looked up from where the previous lookup in map left off. Asked for in the
// map's own (sorted) key order, each key of a piece is found where the walk stands by one
// equality test instead of a search; keys other writers added are stepped over.
const QVariant &valueFrom(const QVariantMap &map, QVariantMap::const_iterator *at,
                          const QString &key)
{
    static const QVariant missing;
    if (*at == map.cend() || at->key() != key)
        *at = map.lowerBound(key);
    if (*at == map.cend() || at->key() != key)
        return missing;
    return (*at)++.value();
}

KvInkFileCodec::Piece pieceFromMap(const QVariantMap &map)
{
    KvInkFileCodec::Piece piece;
    auto at = map.cbegin();
    piece.brush = valueFrom(map, &at, kBrushKey).value<QBrush>();
    piece.fillRule = variantToInt(valueFrom(map, &at, kFillRuleKey));
    piece.index = variantToInt(valueFrom(map, &at, kIndexKey));
    piece.pen = valueFrom(map, &at, kPenKey).value<QPen>();
    piece.polygon = valueFrom(map, &at, kPolygonKey).value<QPolygonF>();
    piece.transform = valueFrom(map, &at, kTransformKey).value<QTransform>();
    piece.zValue = valueFrom(map, &at, kZValueKey).toDouble();
    return piece;
}

// The texts of a piece element's values, each from the first child element of its name (as
// KvQtConvert::readDomString finds it), found in one walk over the children.
struct PieceTexts
{
    enum Value { Polygon, FullPolygon, Pen, Brush, Transform, ZValue, FillRule, Index, Count };
    QString texts[Count];

    explicit PieceTexts(const QDomElement &element)
    {
        static const QString *const keys[Count]
            = {&kPolygonKey,   &kPolygonFullKey, &kPenKey,      &kBrushKey,
               &kTransformKey, &kZValueKey,      &kFillRuleKey, &kIndexKey};
        bool found[Count] = {};
        for (QDomElement child = element.firstChildElement(); !child.isNull();
             child = child.nextSiblingElement()) {
            const QString tag = child.tagName();
            for (int value = 0; value < Count; ++value) {
                if (!found[value] && tag == *keys[value]) {
                    found[value] = true;
                    texts[value] = KvQtConvert::domText(child);
                    break;
                }
            }
        }
    }
    const QString &operator[](Value value) const { return texts[value]; }
};

std::optional<KvInkFileCodec::Piece> pieceFromElement(const QDomElement &element)
{
    const PieceTexts texts(element);
    const auto polygon = readPolygonText(texts[PieceTexts::Polygon]);
    // An opaque piece's outlines are written alike: read once.
    const auto fullPolygon = texts[PieceTexts::FullPolygon] == texts[PieceTexts::Polygon]
        ? polygon
        : readPolygonText(texts[PieceTexts::FullPolygon]);
    if (!polygon || !fullPolygon)
        return std::nullopt;
    KvInkFileCodec::Piece piece;
    piece.polygon = *polygon;
    piece.fullPolygon = *fullPolygon;
    piece.pen = KvQtConvert::stringToPen(texts[PieceTexts::Pen]);
    piece.brush = KvQtConvert::stringToBrush(texts[PieceTexts::Brush]);
    piece.transform = KvQtConvert::stringToTransform(texts[PieceTexts::Transform]);
    piece.zValue = texts[PieceTexts::ZValue].toDouble();
    piece.fillRule = texts[PieceTexts::FillRule].toInt(nullptr, 10);
    piece.index = texts[PieceTexts::Index].toInt(nullptr, 10);
    return piece;
}

// Only ink kinds are kept; anything else leaves the group as it was made.
void readStylus(KvInkFileCodec::LoadedGroup *group, int stylus)
{
    if (KvPen::isInkStylus(stylus))
        group->stylus = stylus;
    else
        group->refusedStylus = true;
}

// Keeps a read piece when it is sound and there is room, else counts it refused.
void keepPiece(KvInkFileCodec::LoadedGroup *group,
               const std::optional<KvInkFileCodec::Piece> &piece, int room)
{
    if (group->pieces.size() < room && piece && piece->isSound())
        group->pieces.append(*piece);
    else
        ++group->refusedPieces;
}

// The identity bit for bit (-0.0 is not 0.0 here), so that a save writes what the piece holds.
bool isExactIdentity(const QTransform &transform)
{
    const double values[]
        = {transform.m11(), transform.m12(), transform.m13(), transform.m21(), transform.m22(),
           transform.m23(), transform.m31(), transform.m32(), transform.m33()};
    static const double identity[] = {1.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0};
    return std::memcmp(values, identity, sizeof values) == 0;
}

} // namespace

namespace KvInkFileCodec {

bool Piece::isSound() const
{
    return isSoundPolygon(polygon) && isSoundPolygon(fullPolygon) && isSoundTransform(transform)
        && isSoundPolygon(transform.map(polygon)) && pen.widthF() >= 0
        && isSoundCoordinate(pen.widthF()) && std::isfinite(zValue)
        && (fillRule == Qt::OddEvenFill || fillRule == Qt::WindingFill);
}

QVariantMap groupToMap(QVariantMap base, const QVector<Piece> &pieces, const QColor &color,
                       int stylus)
{
    // Pieces sit untransformed in their group: they share one value rather than each making
    // its own on the heap.
    static const QVariant identity = QVariant(QTransform());
    QVariantList entries;
    entries.reserve(pieces.size());
    for (const Piece &piece : pieces) {
        // In the keys' sorted order, each at the end: Qt then places every key without a search.
        QVariantMap entry;
        entry.insert(entry.cend(), kBrushKey, piece.brush);
        entry.insert(entry.cend(), kFillRuleKey, piece.fillRule);
        entry.insert(entry.cend(), kIndexKey, piece.index);
        entry.insert(entry.cend(), kPenKey, piece.pen);
        entry.insert(entry.cend(), kPolygonKey, piece.polygon);
        entry.insert(entry.cend(), kTransformKey,
                     isExactIdentity(piece.transform) ? identity : QVariant(piece.transform));
        entry.insert(entry.cend(), kZValueKey, piece.zValue);
        entries.append(entry);
    }
    base.insert(kPolygonsKey, entries);
    base.insert(kColorKey, color);
    // Only a highlighter says what it is: a pen's record stays as readers of the plain record
    // know it, and they ignore a key they do not know.
    if (stylus == KvPen::MarkerStylus)
        base.insert(kTypeKey, stylus);
    return base;
}

LoadedGroup groupFromMap(const QVariantMap &map, int room)
{
    LoadedGroup group;
    const QVariantList entries = map.value(kPolygonsKey).toList();
    group.pieces.reserve(qBound(0, entries.size(), room));
    for (const QVariant &entry : entries)
        keepPiece(&group, pieceFromMap(entry.toMap()), room);
    group.color = map.value(kColorKey).value<QColor>();
    if (map.contains(kTypeKey))
        readStylus(&group, variantToInt(map.value(kTypeKey)));
    return group;
}

void groupToElement(QDomDocument *document, QDomElement *element, const QVector<Piece> &pieces,
                    const QColor &color, int stylus)
{
    for (const Piece &piece : pieces) {
        QDomElement pieceElement;
        KvQtConvert::createDomElement(document, element, pieceElement, kPieceElement);
        const QList<QPair<QString, QVariant>> values = {
            {kPolygonKey, piece.polygon},
            {kPolygonFullKey, piece.fullPolygon},
            {kPenKey, piece.pen},
            {kBrushKey, piece.brush},
            {kFillRuleKey, piece.fillRule},
            {kIndexKey, piece.index},
            {kTransformKey, piece.transform},
            {kZValueKey, piece.zValue},
        };
        for (const auto &value : values)
            KvQtConvert::insertDomVariant(document, &pieceElement, value.first, value.second);
    }
    KvQtConvert::insertDomVariant(document, element, kColorKey, color);
    KvQtConvert::insertDomVariant(document, element, kTypeKey, stylus);
}

LoadedGroup groupFromElement(const QDomElement &element, int room)
{
    LoadedGroup group;
    int pieces = 0;
    for (QDomElement pieceElement = element.firstChildElement(kPieceElement);
         !pieceElement.isNull() && pieces < room;
         pieceElement = pieceElement.nextSiblingElement(kPieceElement))
        ++pieces;
    group.pieces.reserve(pieces);
    for (QDomElement pieceElement = element.firstChildElement(kPieceElement);
         !pieceElement.isNull(); pieceElement = pieceElement.nextSiblingElement(kPieceElement))
        keepPiece(&group, pieceFromElement(pieceElement), room);
    group.color = KvQtConvert::stringToColor(KvQtConvert::readDomString(&element, kColorKey));
    readStylus(&group, KvQtConvert::readDomString(&element, kTypeKey).toInt(nullptr, 10));
    return group;
}

void pointInfoToElement(QDomDocument *document, QDomElement *element, const QUuid &uuid,
                        const QList<QPointF> &points, double zValue, const QColor &color,
                        int stylus, int width)
{
    KvQtConvert::setAttributeDomString(element, kIdAttribute, uuid.toString(QUuid::WithoutBraces));
    QDomElement pointsElement;
    KvQtConvert::createDomElement(document, element, pointsElement, kPieceElement);
    QStringList texts;
    for (const QPointF &point : points)
        texts.append(KvQtConvert::pointFToString(point));
    KvQtConvert::insertDomVariant(document, &pointsElement, kPosKey,
                                  QVariant(texts.join(QLatin1Char(';'))));
    KvQtConvert::insertDomString(document, element, kZValueKey, QString::number(zValue, 'g', 6));
    KvQtConvert::insertDomVariant(document, element, kColorKey, color);
    KvQtConvert::insertDomVariant(document, element, kTypeKey, stylus);
    KvQtConvert::insertDomVariant(document, element, kWidthKey, width);
}

} // namespace KvInkFileCodec
