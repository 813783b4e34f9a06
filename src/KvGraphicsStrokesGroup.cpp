#include "KvGraphicsStrokesGroup.h"

#include "KvGraphicsPolygonItem.h"
#include "KvGraphicsStroke.h"
#include "KvPenItemDelegate.h"
#include "KvQtConvert.h"

#include <QDebug>
#include <QDomDocument>
#include <QDomElement>
#include <QGraphicsSceneMouseEvent>
#include <QPainterPath>
#include <QStyleOptionGraphicsItem>

#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>

namespace {

using Limits = KvGraphicsStrokesGroup;

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
const QString kPieceElementName = QStringLiteral("polygonItem");

bool isSoundCoordinate(double value)
{
    return std::abs(value) <= Limits::kMaxCoordinate; // false for NaN too
}

bool isSoundPoint(const QPointF &point)
{
    return isSoundCoordinate(point.x()) && isSoundCoordinate(point.y());
}

bool isSoundPolygon(const QPolygonF &polygon)
{
    return polygon.size() <= Limits::kMaxPointsPerPiece
        && std::all_of(polygon.cbegin(), polygon.cend(), isSoundPoint);
}

bool isSoundTransform(const QTransform &transform)
{
    // Any non-finite entry makes the determinant non-finite.
    return std::isfinite(transform.determinant()) && transform.isInvertible()
        && isSoundPoint(transform.map(QPointF()));
}

// The values of one loaded piece, before it becomes an item.
struct PieceData
{
    QPolygonF polygon;
    QPolygonF fullPolygon;
    QPen pen;
    QBrush brush;
    QTransform transform;
    double zValue = 0.0;
    int fillRule = Qt::OddEvenFill;
    int index = 0;

    bool isSound() const
    {
        return isSoundPolygon(polygon) && isSoundPolygon(fullPolygon) && isSoundTransform(transform)
            && isSoundPolygon(transform.map(polygon)) && pen.widthF() >= 0
            && isSoundCoordinate(pen.widthF()) && std::isfinite(zValue)
            && (fillRule == Qt::OddEvenFill || fillRule == Qt::WindingFill);
    }
};

// QVariant::toInt on a double outside int's range is undefined; clamp first.
int variantToInt(const QVariant &value)
{
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok || std::isnan(number))
        return 0;
    return qRound(qBound(double(INT_MIN), number, double(INT_MAX)));
}

// The polygon of a text form, or nothing when the text is malformed or holds too many points
// (counted before parsing, so that a text of any length costs no more than a scan).
std::optional<QPolygonF> readPolygonText(const QString &text)
{
    if (text.count(QLatin1Char(';')) >= Limits::kMaxPointsPerPiece)
        return std::nullopt;
    const QPolygonF polygon = KvQtConvert::stringToPolygonF(text);
    if (polygon.isEmpty() && !text.trimmed().isEmpty())
        return std::nullopt;
    return polygon;
}

PieceData pieceFromMap(const QVariantMap &map)
{
    PieceData piece;
    piece.polygon = map.value(kPolygonKey).value<QPolygonF>();
    piece.pen = map.value(kPenKey).value<QPen>();
    piece.brush = map.value(kBrushKey).value<QBrush>();
    piece.transform = map.value(kTransformKey).value<QTransform>();
    piece.zValue = map.value(kZValueKey).toDouble();
    piece.fillRule = variantToInt(map.value(kFillRuleKey));
    piece.index = variantToInt(map.value(kIndexKey));
    return piece;
}

std::optional<PieceData> pieceFromElement(const QDomElement &element)
{
    const auto polygon = readPolygonText(KvQtConvert::readDomString(&element, kPolygonKey));
    const auto fullPolygon = readPolygonText(KvQtConvert::readDomString(&element, kPolygonFullKey));
    if (!polygon || !fullPolygon)
        return std::nullopt;
    PieceData piece;
    piece.polygon = *polygon;
    piece.fullPolygon = *fullPolygon;
    piece.pen = KvQtConvert::stringToPen(KvQtConvert::readDomString(&element, kPenKey));
    piece.brush = KvQtConvert::stringToBrush(KvQtConvert::readDomString(&element, kBrushKey));
    piece.transform
        = KvQtConvert::stringToTransform(KvQtConvert::readDomString(&element, kTransformKey));
    piece.zValue = KvQtConvert::readDomString(&element, kZValueKey).toDouble();
    piece.fillRule = KvQtConvert::readDomString(&element, kFillRuleKey).toInt(nullptr, 10);
    piece.index = KvQtConvert::readDomString(&element, kIndexKey).toInt(nullptr, 10);
    return piece;
}

void applyPlacement(KvGraphicsPolygonItem *item, const PieceData &piece)
{
    item->setTransform(piece.transform);
    item->setZValue(piece.zValue);
    item->setFillRule(Qt::FillRule(piece.fillRule));
}

// The record keeps the stored pen and brush; the group's colour replaces them afterwards.
KvGraphicsPolygonItem *createRecordPiece(const PieceData &piece)
{
    auto *item = new KvGraphicsPolygonItem(piece.polygon);
    item->setPen(piece.pen);
    item->setBrush(piece.brush);
    applyPlacement(item, piece);
    return item;
}

// The XML form keeps the full polygon and recolours the piece with its brush's colour.
KvGraphicsPolygonItem *createXmlPiece(const PieceData &piece)
{
    auto *item = new KvGraphicsPolygonItem(piece.polygon);
    item->setFullPolygon(piece.fullPolygon);
    item->setPen(piece.pen);
    item->setBrush(piece.brush);
    item->setColor(piece.brush.color());
    applyPlacement(item, piece);
    return item;
}

// addToGroup keeps the piece in place but moves a translation of its transform into its
// position, which the saved forms do not carry; the translation goes back into the transform.
void addKeepingTransform(QGraphicsItemGroup *group, QGraphicsItem *piece)
{
    group->addToGroup(piece);
    if (piece->pos().isNull())
        return;
    piece->setTransform(piece->transform() * QTransform::fromTranslate(piece->x(), piece->y()));
    piece->setPos(0, 0);
}

// Counts what a load refused and reports it in one line.
class RefusalLog
{
public:
    explicit RefusalLog(const char *function)
        : m_function(function)
    { }
    ~RefusalLog()
    {
        if (m_refusedPieces == 0 && !m_refusedStylus)
            return;
        qDebug().nospace() << m_function << " refused " << m_refusedPieces
                           << " unsound or surplus pieces"
                           << (m_refusedStylus ? " and an unknown stylus" : "");
    }
    void refusePiece() { ++m_refusedPieces; }
    void refuseStylus() { m_refusedStylus = true; }

private:
    const char *m_function;
    int m_refusedPieces = 0;
    bool m_refusedStylus = false;
};

} // namespace

KvGraphicsStrokesGroup::KvGraphicsStrokesGroup(const QColor &color, int stylus,
                                               QGraphicsItem *parent)
    : QObject(nullptr)
    , QGraphicsItemGroup(parent)
    , m_stylus(stylus)
{
    KvItem::setColor(color);
    setDelegate(new KvPenItemDelegate(this, this, QFlags<KvGraphicsFlag>(KvInkControls)));
    setData(0, -1000);
    setUuid(QUuid::createUuid());
    setData(4, 3);
    setFlag(ItemSendsGeometryChanges, true);
    setFlag(ItemIsSelectable, true);
    setFlag(ItemIsMovable, true);
    setData(10, true);
    setAcceptTouchEvents(true);
}

KvGraphicsStrokesGroup::~KvGraphicsStrokesGroup() = default;

void KvGraphicsStrokesGroup::setUuid(const QUuid &uuid)
{
    KvItem::setUuid(uuid);
    setData(5, QVariant(uuid));
}

KvItem *KvGraphicsStrokesGroup::deepCopy() const
{
    // The pieces are copied with the source group at the origin, so that their scene
    // transforms are their transforms within the group.
    auto *source = const_cast<KvGraphicsStrokesGroup *>(this);
    const QTransform groupTransform = transform();
    const QPointF groupPos = pos();
    auto *copy = new KvGraphicsStrokesGroup(color(), m_stylus, nullptr);
    copyItemParameters(copy);
    for (KvGraphicsStrokesGroup *group : {source, copy}) {
        group->resetTransform();
        group->setPos(0, 0);
    }
    KvGraphicsStroke *stroke = nullptr;
    QList<KvGraphicsPolygonItem *> copiedPieces;
    for (KvGraphicsPolygonItem *piece : m_items) {
        if (!piece)
            continue;
        auto *copiedPiece = static_cast<KvGraphicsPolygonItem *>(piece->deepCopy());
        if (!stroke)
            stroke = new KvGraphicsStroke;
        addKeepingTransform(copy, copiedPiece);
        copiedPiece->setStrokesGroup(copy);
        copiedPiece->setStroke(stroke);
        copiedPieces.append(copiedPiece);
    }
    for (KvGraphicsStrokesGroup *group : {source, copy}) {
        group->setTransform(groupTransform);
        group->setPos(groupPos);
    }
    copy->setItems(copiedPieces);
    return copy;
}

void KvGraphicsStrokesGroup::copyItemParameters(KvItem *target) const
{
    auto *item = dynamic_cast<QGraphicsItem *>(target);
    if (!item)
        return;
    item->setTransform(transform());
    item->setPos(pos());
    item->setFlag(ItemIsMovable, true);
    item->setFlag(ItemIsSelectable, true);
    item->setData(0, data(0));
    item->setData(1, data(1));
    item->setZValue(zValue());
}

QMap<QString, QVariant> KvGraphicsStrokesGroup::exportItem()
{
    QMap<QString, QVariant> map = getBaseExportData();
    QVariantList pieces;
    for (QGraphicsItem *child : childItems()) {
        auto *piece = dynamic_cast<KvGraphicsPolygonItem *>(child);
        if (!piece)
            continue;
        QVariantMap pieceMap;
        pieceMap.insert(kPolygonKey, piece->polygon());
        pieceMap.insert(kPenKey, piece->pen());
        pieceMap.insert(kBrushKey, piece->brush());
        pieceMap.insert(kTransformKey, piece->transform());
        pieceMap.insert(kZValueKey, piece->zValue());
        pieceMap.insert(kFillRuleKey, int(piece->fillRule()));
        pieceMap.insert(kIndexKey, m_items.indexOf(piece));
        pieces.append(pieceMap);
    }
    map.insert(kPolygonsKey, pieces);
    map.insert(kColorKey, color());
    return map;
}

void KvGraphicsStrokesGroup::importItem(const QMap<QString, QVariant> &map)
{
    RefusalLog log("KvGraphicsStrokesGroup::importItem");
    importBaseData(map);
    const QVariantList entries = map.value(kPolygonsKey).toList();
    KvGraphicsStroke *stroke = nullptr;
    for (const QVariant &entry : entries) {
        if (m_items.size() >= kMaxPiecesPerGroup) {
            log.refusePiece();
            continue;
        }
        const PieceData piece = pieceFromMap(entry.toMap());
        if (!piece.isSound()) {
            log.refusePiece();
            continue;
        }
        adoptPiece(createRecordPiece(piece), piece.index, stroke);
    }
    setColor(map.value(kColorKey).value<QColor>());
}

void KvGraphicsStrokesGroup::exportItemXml(QDomDocument *document, QDomElement *element,
                                           const QString &)
{
    if (!document || !element)
        return;
    exportBaseXml(document, element);
    for (QGraphicsItem *child : childItems()) {
        auto *piece = dynamic_cast<KvGraphicsPolygonItem *>(child);
        if (!piece)
            continue;
        QDomElement pieceElement;
        KvQtConvert::createDomElement(document, element, pieceElement, kPieceElementName);
        const QList<QPair<QString, QVariant>> values = {
            {kPolygonKey, piece->polygon()},
            {kPolygonFullKey, piece->fullPolygon()},
            {kPenKey, piece->pen()},
            {kBrushKey, piece->brush()},
            {kFillRuleKey, int(piece->fillRule())},
            {kIndexKey, m_items.indexOf(piece)},
            {kTransformKey, piece->transform()},
            {kZValueKey, piece->zValue()},
        };
        for (const auto &value : values)
            KvQtConvert::insertDomVariant(document, &pieceElement, value.first, value.second);
    }
    KvQtConvert::insertDomVariant(document, element, kColorKey, color());
    KvQtConvert::insertDomVariant(document, element, kTypeKey, m_stylus);
}

void KvGraphicsStrokesGroup::importItemXml(QDomDocument *document, QDomElement *element,
                                           const QString &)
{
    if (!element)
        return;
    RefusalLog log("KvGraphicsStrokesGroup::importItemXml");
    KvGraphicsStroke *stroke = nullptr;
    for (QDomElement pieceElement = element->firstChildElement(kPieceElementName);
         !pieceElement.isNull();
         pieceElement = pieceElement.nextSiblingElement(kPieceElementName)) {
        if (m_items.size() >= kMaxPiecesPerGroup) {
            log.refusePiece();
            continue;
        }
        const std::optional<PieceData> piece = pieceFromElement(pieceElement);
        if (!piece || !piece->isSound()) {
            log.refusePiece();
            continue;
        }
        adoptPiece(createXmlPiece(*piece), piece->index, stroke);
    }
    KvItem::setColor(KvQtConvert::stringToColor(KvQtConvert::readDomString(element, kColorKey)));
    const int stylus = KvQtConvert::readDomString(element, kTypeKey).toInt(nullptr, 10);
    // Only ink kinds are kept; anything else leaves the group a pen.
    if (stylus == 0 || stylus == 2)
        m_stylus = stylus;
    else
        log.refuseStylus();
    importBaseXml(document, element);
}

QString KvGraphicsStrokesGroup::exportName()
{
    return QStringLiteral("strokesGroup");
}

QColor KvGraphicsStrokesGroup::color() const
{
    return KvItem::color();
}

void KvGraphicsStrokesGroup::setColor(const QColor &color)
{
    QColor applied = color;
    if (color != QColor(Qt::transparent))
        applied.setAlphaF(m_stylus != 0 ? 0.5 : 1.0);
    KvItem::setColor(applied);
    for (QGraphicsItem *child : childItems()) {
        if (child->type() != QGraphicsPolygonItem::Type)
            continue;
        if (auto *piece = dynamic_cast<KvGraphicsPolygonItem *>(child))
            piece->setColor(applied);
    }
}

int KvGraphicsStrokesGroup::type() const
{
    return Type;
}

QPainterPath KvGraphicsStrokesGroup::shape() const
{
    QPainterPath path;
    if (isSelected()) {
        path.addRect(boundingRect());
        return path;
    }
    for (const QGraphicsItem *child : childItems())
        path.addPath(child->shape());
    return path;
}

void KvGraphicsStrokesGroup::paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
                                   QWidget *widget)
{
    // The selection frame marks a selected group; Qt's own outline would double it.
    QStyleOptionGraphicsItem unselected(*option);
    unselected.state &= ~QStyle::State_Selected;
    QGraphicsItemGroup::paint(painter, &unselected, widget);
}

QList<KvGraphicsPolygonItem *> &KvGraphicsStrokesGroup::items()
{
    return m_items;
}

const QList<KvGraphicsPolygonItem *> &KvGraphicsStrokesGroup::items() const
{
    return m_items;
}

void KvGraphicsStrokesGroup::setItems(const QList<KvGraphicsPolygonItem *> &items)
{
    m_items = items;
}

int KvGraphicsStrokesGroup::penWidth() const
{
    return m_penWidth;
}

void KvGraphicsStrokesGroup::setPenWidth(int width)
{
    m_penWidth = width;
}

int KvGraphicsStrokesGroup::stylus() const
{
    return m_stylus;
}

void KvGraphicsStrokesGroup::exportItemOriginInfo(QDomDocument *document, QDomElement *element,
                                                  const QString &)
{
    if (!document || !element)
        return;
    KvQtConvert::setAttributeDomString(element, QStringLiteral("id"),
                                       uuid().toString(QUuid::WithoutBraces));
    QDomElement pointsElement;
    KvQtConvert::createDomElement(document, element, pointsElement, kPieceElementName);
    QStringList points;
    for (QGraphicsItem *child : childItems()) {
        if (auto *piece = dynamic_cast<KvGraphicsPolygonItem *>(child))
            points.append(KvQtConvert::pointFToString(piece->getCorrespondingPoint()));
    }
    KvQtConvert::insertDomVariant(document, &pointsElement, kPosKey,
                                  QVariant(points.join(QLatin1Char(';'))));
    KvQtConvert::insertDomString(document, element, kZValueKey, QString::number(zValue(), 'g', 6));
    KvQtConvert::insertDomVariant(document, element, kColorKey, color());
    KvQtConvert::insertDomVariant(document, element, kTypeKey, m_stylus);
    KvQtConvert::insertDomVariant(document, element, kWidthKey, m_penWidth);
}

void KvGraphicsStrokesGroup::setSnaphotData(QJsonObject &json)
{
    QStringList points;
    int firstY = 0;
    for (const KvGraphicsPolygonItem *piece : qAsConst(m_items)) {
        if (!piece)
            continue;
        const QPointF point = piece->getCorrespondingPoint();
        if (points.isEmpty())
            firstY = int(point.y());
        points.append(KvQtConvert::pointFToString(point));
    }
    json.insert(QStringLiteral("dataid"), uuid().toString(QUuid::WithoutBraces));
    json.insert(kPosKey, points.join(QLatin1Char(';')));
    json.insert(kZValueKey, QString::number(zValue(), 'g', 6));
    json.insert(kColorKey, KvQtConvert::colorToString(color()));
    json.insert(kTypeKey, m_stylus);
    json.insert(kWidthKey, m_penWidth);
    json.insert(QStringLiteral("dx"), pos().x());
    json.insert(QStringLiteral("dy"), pos().y());
    json.insert(QStringLiteral("firstY"), firstY);
    m_snapshot = json;
}

QJsonObject KvGraphicsStrokesGroup::getSnaphotData() const
{
    return m_snapshot;
}

void KvGraphicsStrokesGroup::adoptPiece(KvGraphicsPolygonItem *piece, int index,
                                        KvGraphicsStroke *&stroke)
{
    addKeepingTransform(this, piece);
    piece->setStrokesGroup(this);
    if (!stroke)
        stroke = new KvGraphicsStroke;
    piece->setStroke(stroke);
    m_items.insert(qBound(0, index, m_items.size()), piece);
}

QVariant KvGraphicsStrokesGroup::itemChange(GraphicsItemChange change, const QVariant &value)
{
    const QVariant delegated = delegate() ? delegate()->itemChange(change, value) : value;
    return QGraphicsItem::itemChange(change, delegated);
}

void KvGraphicsStrokesGroup::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    delegate()->startUndoStep();
    QGraphicsItem::mousePressEvent(event);
    event->accept();
    setSelected(true);
}

void KvGraphicsStrokesGroup::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    if (KvGraphicsItem::isLocked(this))
        return;
    QGraphicsItem::mouseMoveEvent(event);
    event->accept();
    setSelected(true);
}

void KvGraphicsStrokesGroup::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    delegate()->commitUndoStep(0, 1);
    event->accept();
    delegate()->mouseReleaseEvent(event);
    QGraphicsItem::mouseReleaseEvent(event);
}
