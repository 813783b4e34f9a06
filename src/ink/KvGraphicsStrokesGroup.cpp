#include "KvGraphicsStrokesGroup.h"

#include "KvGraphicsPolygonItem.h"
#include "KvGraphicsStroke.h"
#include "KvInkFileCodec.h"
#include "KvInkSheet.h"
#include "KvPenItemDelegate.h"
#include "KvPenLogging.h"
#include "KvPenMessageCodec.h"
#include "KvPenTypes.h"
#include "KvShapeCache.h"

#include <QDomElement>
#include <QGraphicsSceneMouseEvent>
#include <QPainterPath>
#include <QStyleOptionGraphicsItem>

#include <algorithm>
#include <limits>
#include <typeinfo>

namespace {

// The saved form of a piece; `index` is its place in the stroke order, -1 outside it.
KvInkFileCodec::Piece savedPiece(const KvGraphicsPolygonItem *item, int index, bool withFullPolygon)
{
    KvInkFileCodec::Piece piece;
    piece.polygon = item->polygon();
    if (withFullPolygon)
        piece.fullPolygon = item->fullPolygon();
    piece.pen = item->pen();
    piece.brush = item->brush();
    piece.transform = item->transform();
    piece.zValue = item->zValue();
    piece.fillRule = item->fillRule();
    piece.index = index;
    return piece;
}

// A loaded piece as an item with the saved pen and brush; the record form's pieces take the
// group's colour afterwards, the XML form's their brush's colour and their full outline.
KvGraphicsPolygonItem *loadedPieceItem(const KvInkFileCodec::Piece &piece, bool fromXml)
{
    auto *item = new KvGraphicsPolygonItem(piece.polygon);
    // An opaque piece's outlines are one: they share their points.
    if (fromXml)
        item->setFullPolygon(piece.fullPolygon == piece.polygon ? item->polygon()
                                                                : piece.fullPolygon);
    item->setPen(piece.pen);
    item->setBrush(piece.brush);
    if (fromXml)
        item->setColor(piece.brush.color());
    item->setTransform(piece.transform);
    item->setZValue(piece.zValue);
    item->setFillRule(Qt::FillRule(piece.fillRule));
    return item;
}

// addToGroup keeps the piece in place but moves a translation of its transform into its
// position, which the saved forms do not carry; the translation goes back into the transform.
// In a group at the origin that is the piece's own transform again, taken as it was: moving a
// projective one's translation out and back does not come back exact, nor always finite.
void addKeepingTransform(QGraphicsItemGroup *group, QGraphicsItem *piece)
{
    const QTransform own = piece->transform();
    const bool keepsOwn
        = group->sceneTransform().isIdentity() && !piece->parentItem() && piece->pos().isNull();
    group->addToGroup(piece);
    if (piece->pos().isNull())
        return;
    piece->setTransform(
        keepsOwn ? own : piece->transform() * QTransform::fromTranslate(piece->x(), piece->y()));
    piece->setPos(0, 0);
}

KvGraphicsPolygonItem *asPiece(QGraphicsItem *child)
{
    // Exactly a piece, as almost every child is, needs no search of the class hierarchy.
    if (typeid(*child) == typeid(KvGraphicsPolygonItem))
        return static_cast<KvGraphicsPolygonItem *>(child);
    return dynamic_cast<KvGraphicsPolygonItem *>(child);
}

// Whether a child's shape is its polygon alone: a piece without a pen. Exactly a piece: a
// subclass may have a shape of its own.
bool isUnpennedPiece(const QGraphicsItem *child)
{
    return typeid(*child) == typeid(KvGraphicsPolygonItem)
        && static_cast<const KvGraphicsPolygonItem *>(child)->pen() == Qt::NoPen;
}

void logRefusals(const char *function, const KvInkFileCodec::LoadedGroup &loaded)
{
    if (loaded.refusedPieces == 0 && !loaded.refusedStylus)
        return;
    qCDebug(lcKvPenIo).nospace() << function << " refused " << loaded.refusedPieces
                                 << " unsound or surplus pieces"
                                 << (loaded.refusedStylus ? " and an unknown stylus" : "");
}

} // namespace

KvGraphicsStrokesGroup::KvGraphicsStrokesGroup(const QColor &color, int stylus,
                                               QGraphicsItem *parent)
    : QObject(nullptr)
    , QGraphicsItemGroup(parent)
    , m_stylus(stylus)
    , m_shapeSerial(KvShapeCache::newSerial())
{
    KvItem::setColor(color);
    setDelegate(new KvPenItemDelegate(this, this, QFlags<KvGraphicsFlag>(KvInkControls)));
    setData(KvPen::StyleKey, KvPen::kGroupStyle);
    setUuid(QUuid::createUuid());
    setData(KvPen::KindKey, KvPen::kGroupKind);
    setFlag(ItemSendsGeometryChanges, true);
    setFlag(ItemIsSelectable, true);
    setFlag(ItemIsMovable, true);
    setData(KvPen::SelectableInkKey, true);
    setAcceptTouchEvents(true);
}

KvGraphicsStrokesGroup::~KvGraphicsStrokesGroup() = default;

void KvGraphicsStrokesGroup::setUuid(const QUuid &uuid)
{
    KvItem::setUuid(uuid);
    setData(KvPen::UuidKey, QVariant(uuid));
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
    item->setData(KvPen::StyleKey, data(KvPen::StyleKey));
    item->setData(KvPen::HostKey, data(KvPen::HostKey));
    item->setZValue(zValue());
}

QMap<QString, QVariant> KvGraphicsStrokesGroup::exportItem()
{
    return KvInkFileCodec::groupToMap(getBaseExportData(), savedPieces(false), color(), m_stylus);
}

void KvGraphicsStrokesGroup::importItem(const QMap<QString, QVariant> &map)
{
    importBaseData(map);
    const KvInkFileCodec::LoadedGroup loaded
        = KvInkFileCodec::groupFromMap(map, KvPen::kMaxPiecesPerGroup - m_items.size());
    logRefusals("KvGraphicsStrokesGroup::importItem", loaded);
    adoptPieces(loaded.pieces, false);
    if (loaded.stylus)
        m_stylus = *loaded.stylus;
    setColor(loaded.color);
}

void KvGraphicsStrokesGroup::exportItemXml(QDomDocument *document, QDomElement *element,
                                           const QString &)
{
    if (!document || !element)
        return;
    exportBaseXml(document, element);
    KvInkFileCodec::groupToElement(document, element, savedPieces(true), color(), m_stylus);
}

void KvGraphicsStrokesGroup::importItemXml(QDomDocument *document, QDomElement *element,
                                           const QString &)
{
    if (!element)
        return;
    const KvInkFileCodec::LoadedGroup loaded
        = KvInkFileCodec::groupFromElement(*element, KvPen::kMaxPiecesPerGroup - m_items.size());
    logRefusals("KvGraphicsStrokesGroup::importItemXml", loaded);
    adoptPieces(loaded.pieces, true);
    KvItem::setColor(loaded.color);
    if (loaded.stylus)
        m_stylus = *loaded.stylus;
    importBaseXml(document, element);
}

QString KvGraphicsStrokesGroup::exportName()
{
    return KvInkFileCodec::kGroupElement;
}

QColor KvGraphicsStrokesGroup::color() const
{
    return KvItem::color();
}

void KvGraphicsStrokesGroup::setColor(const QColor &color)
{
    QColor applied = color;
    if (color != QColor(Qt::transparent))
        applied.setAlphaF(m_stylus != KvPen::PenStylus ? 0.5 : 1.0);
    KvItem::setColor(applied);
    for (QGraphicsItem *child : childItems()) {
        if (child->type() != QGraphicsPolygonItem::Type)
            continue;
        if (auto *piece = asPiece(child))
            piece->setColor(applied);
    }
    pieceChanged();
}

int KvGraphicsStrokesGroup::type() const
{
    return Type;
}

QRectF KvGraphicsStrokesGroup::boundingRect() const
{
    // Qt takes a geometry change of an item with a null bounding rect for a change of the whole
    // scene, and a group gets its first piece on the board.
    const QRectF bounds = QGraphicsItemGroup::boundingRect();
    return bounds.isNull() ? QRectF(0, 0, std::numeric_limits<qreal>::min(), 0) : bounds;
}

QPainterPath KvGraphicsStrokesGroup::shape() const
{
    if (isSelected()) {
        QPainterPath path;
        path.addRect(boundingRect());
        return path;
    }
    KvShapeCache &cache = KvShapeCache::local();
    if (const QPainterPath *known = cache.find(m_shapeSerial))
        return KvShapeCache::copyOf(*known);
    const QPainterPath path = piecesShape();
    cache.store(m_shapeSerial, path);
    return path;
}

QPainterPath KvGraphicsStrokesGroup::piecesShape() const
{
    // A piece without a pen has its polygon for a shape: added as a polygon, it makes the same
    // elements without a path of its own each time. The last child goes through addPath, which
    // leaves the path ready for what comes after as a path added last does.
    QPainterPath path;
    const QList<QGraphicsItem *> children = childItems();
    for (int i = 0; i < children.size(); ++i) {
        const QGraphicsItem *child = children.at(i);
        if (i + 1 == children.size() || !isUnpennedPiece(child)) {
            path.addPath(child->shape());
            continue;
        }
        const QPolygonF polygon = static_cast<const QGraphicsPolygonItem *>(child)->polygon();
        if (polygon.size() > 1) // a lone point makes an empty shape, which adds nothing
            path.addPolygon(polygon);
    }
    return path;
}

void KvGraphicsStrokesGroup::paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
                                   QWidget *widget)
{
    // The selection frame marks a selected group; Qt's own outline would double it.
    QStyleOptionGraphicsItem unselected(*option);
    unselected.state &= ~QStyle::State_Selected;
    QGraphicsItemGroup::paint(painter, &unselected, widget);
    for (const KvInkSheet &sheet : sheets())
        sheet.paint(painter);
}

void KvGraphicsStrokesGroup::pieceChanged()
{
    contentChanged();
    update();
}

void KvGraphicsStrokesGroup::contentChanged()
{
    m_sheets.reset();
    m_shapeSerial = KvShapeCache::newSerial();
}

const QList<KvInkSheet> &KvGraphicsStrokesGroup::sheets()
{
    if (m_sheets)
        return *m_sheets;
    m_sheets = std::make_unique<QList<KvInkSheet>>();
    for (QGraphicsItem *child : childItems()) {
        const KvGraphicsPolygonItem *piece = asPiece(child);
        if (!piece || !piece->isPaintedByGroup() || !piece->isVisible())
            continue;
        const QColor color = piece->brush().color();
        auto sheet = std::find_if(m_sheets->begin(), m_sheets->end(),
                                  [&](const KvInkSheet &s) { return s.color() == color; });
        if (sheet == m_sheets->end())
            sheet = m_sheets->insert(m_sheets->end(), KvInkSheet(color));
        for (const auto &[polygon, fillRule] : piece->paintedPolygons())
            sheet->addPolygon(piece->mapToParent(polygon), fillRule);
    }
    return *m_sheets;
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
    QList<QPointF> points;
    for (QGraphicsItem *child : childItems()) {
        if (auto *piece = asPiece(child))
            points.append(piece->getCorrespondingPoint());
    }
    KvInkFileCodec::pointInfoToElement(document, element, uuid(), points, zValue(), color(),
                                       m_stylus, m_penWidth);
}

void KvGraphicsStrokesGroup::setSnaphotData(QJsonObject &json)
{
    QPolygonF points;
    points.reserve(m_items.size());
    for (const KvGraphicsPolygonItem *piece : qAsConst(m_items)) {
        if (piece)
            points.append(piece->getCorrespondingPoint());
    }
    KvPenMessageCodec::encodeSnapshot(
        &json, {uuid(), points, zValue(), color(), m_stylus, m_penWidth, pos()});
    m_snapshot = json;
}

QJsonObject KvGraphicsStrokesGroup::getSnaphotData() const
{
    return m_snapshot;
}

QVector<KvInkFileCodec::Piece> KvGraphicsStrokesGroup::savedPieces(bool withFullPolygons) const
{
    const QList<QGraphicsItem *> children = childItems();
    QVector<KvInkFileCodec::Piece> pieces;
    pieces.reserve(children.size());
    // Children come in stroke order unless a host restacked them: each is looked for where the
    // one before it left off first.
    int next = 0;
    for (QGraphicsItem *child : children) {
        auto *piece = asPiece(child);
        if (!piece)
            continue;
        const int index
            = next < m_items.size() && m_items.at(next) == piece ? next : m_items.indexOf(piece);
        pieces.append(savedPiece(piece, index, withFullPolygons));
        if (index >= 0)
            next = index + 1;
    }
    return pieces;
}

void KvGraphicsStrokesGroup::adoptPieces(const QVector<KvInkFileCodec::Piece> &pieces, bool fromXml)
{
    // One stroke for all loaded pieces, made with the first of them.
    KvGraphicsStroke *stroke = nullptr;
    for (const KvInkFileCodec::Piece &piece : pieces) {
        KvGraphicsPolygonItem *item = loadedPieceItem(piece, fromXml);
        addKeepingTransform(this, item);
        item->setStrokesGroup(this);
        if (!stroke)
            stroke = new KvGraphicsStroke;
        item->setStroke(stroke);
        m_items.insert(qBound(0, piece.index, m_items.size()), item);
    }
}

QVariant KvGraphicsStrokesGroup::itemChange(GraphicsItemChange change, const QVariant &value)
{
    if (change == ItemChildAddedChange || change == ItemChildRemovedChange)
        contentChanged();
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
