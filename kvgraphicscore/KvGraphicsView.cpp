#include "KvGraphicsView.h"

#include "KvBoardPage.h"
#include "KvCoreGraphicsScene.h"
#include "KvItemPainter.h"
#include "KvLiveItems.h"
#include "KvTileGrid.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGraphicsItem>
#include <QLineF>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QRubberBand>
#include <QSet>
#include <QStyle>
#include <QStyleOptionRubberBand>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace {

constexpr qint64 kDefaultLimit = qint64(64) << 20;
// Idle rendering works in slices this long, so that input keeps flowing.
constexpr int kRenderSliceMs = 4;
// Damage in more pieces than this is rendered as its bounding rect.
constexpr int kMaxDamageRects = 4;
// Changes in more places than this update the viewport's area around them all, as
// QGraphicsView's SmartViewportUpdate does: a region of that many rects costs more than
// painting a larger area.
constexpr int kMaxViewportUpdates = 50;

// Keeps update requests from reaching the objects it filters, and says which it kept.
class UpdateRequestGate : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::UpdateRequest)
            return false;
        if (!m_held.contains(watched))
            m_held.append(watched);
        return true;
    }
    QList<QObject *> held() const { return m_held; }

private:
    QList<QObject *> m_held;
};

QRect scaled(const QRect &rect, qreal factor)
{
    return QRectF(QPointF(rect.topLeft()) * factor, QSizeF(rect.size()) * factor).toAlignedRect();
}

QRect withMargin(const QRect &rect, int margin)
{
    return rect.adjusted(-margin, -margin, margin, margin);
}

} // namespace

class KvGraphicsViewPrivate
{
public:
    explicit KvGraphicsViewPrivate(KvGraphicsView *view);

    qreal devicePixelRatio() const { return q->viewport()->devicePixelRatioF(); }
    QTransform sceneToDevice() const;
    // The viewport in grid coordinates, for the transform's grid.
    QRect visibleGrid(const QTransform &sceneToDevice) const;

    void followScene(QGraphicsScene *scene);
    void sceneChanged(const QList<QRectF> &rects);
    // Repaints the viewport area of a change, after the paint event under way if there is one:
    // a change that reaches the view while it paints may lie outside what that event repaints.
    void updateViewport(const QRect &viewportRect);
    // Drops the tiles when what they were rendered with changed.
    void followRenderState();
    void beginZoom(const QTransform &sceneToDevice);
    void dropTiles();

    void paint(QPaintEvent *event, const QTransform &sceneToDevice);
    bool drawStandIn(QPainter &painter, const QPoint &tile, const QRect &area,
                     const QPoint &offset);
    void blit(QPainter &painter, const QImage &image, const QPoint &tile, const QRect &area,
              const QPoint &offset);
    void paintLive(QPainter &painter, const QRegion &region);
    void paintRubberBand(QPainter &painter);

    KvTileGrid::Tile &renderTile(const QPoint &tile);
    // Renders the tile's damage again; returns the grid area it rendered.
    QRegion repair(const QPoint &tile, KvTileGrid::Tile &cached);
    // Renders a grid area of a tile: the background, then the cached items in stacking order.
    // The other board-level items met on the way become live items.
    void renderArea(QImage &image, const QPoint &tile, const QRect &area);
    bool isCached(const QGraphicsItem *boardItem) const;

    void renderPending();
    // Runs the scene's queued work (changes to report, removals) inside a paint.
    void flushScene();
    void evict();

    KvGraphicsView *q;
    QPointer<QGraphicsScene> scene;
    QList<QMetaObject::Connection> sceneConnections;
    QSet<int> cachedTypes;
    KvTileGrid grid;
    // The previous zoom's tiles, shown scaled until the grid covers the view.
    KvTileGrid standIn;
    // The viewport in the grid's coordinates when it was last painted.
    QRect gridViewport;
    KvLiveItems live;
    bool held = false;
    QTimer renderTimer;
    qint64 limit = kDefaultLimit;
    // What the tiles were rendered with.
    QPainter::RenderHints hints;
    QBrush viewportBrush;
    QBrush backgroundBrush;
    QImage::Format format = QImage::Format_ARGB32_Premultiplied;
    bool painting = false;
    QRegion deferredUpdate;
};

KvGraphicsViewPrivate::KvGraphicsViewPrivate(KvGraphicsView *view)
    : q(view)
{
    renderTimer.setSingleShot(true);
    renderTimer.setInterval(0);
    QObject::connect(&renderTimer, &QTimer::timeout, q, [this] { renderPending(); });
}

QTransform KvGraphicsViewPrivate::sceneToDevice() const
{
    const qreal ratio = devicePixelRatio();
    return q->viewportTransform() * QTransform::fromScale(ratio, ratio);
}

QRect KvGraphicsViewPrivate::visibleGrid(const QTransform &sceneToDevice) const
{
    return scaled(q->viewport()->rect(), devicePixelRatio())
        .translated(-KvTileGrid::offset(sceneToDevice));
}

void KvGraphicsViewPrivate::followScene(QGraphicsScene *newScene)
{
    if (newScene == scene)
        return;
    for (const QMetaObject::Connection &connection : qAsConst(sceneConnections))
        QObject::disconnect(connection);
    sceneConnections.clear();
    dropTiles();
    live.clear();
    scene = newScene;
    if (!newScene)
        return;
    sceneConnections.append(
        QObject::connect(newScene, &QGraphicsScene::changed, q,
                         [this](const QList<QRectF> &rects) { sceneChanged(rects); }));
    sceneConnections.append(QObject::connect(newScene, &QObject::destroyed, q, [this] {
        dropTiles();
        live.clear();
    }));
    if (auto *board = qobject_cast<KvCoreGraphicsScene *>(newScene)) {
        sceneConnections.append(
            QObject::connect(board, &KvCoreGraphicsScene::boardItemRemoved, q,
                             [this](QGraphicsItem *item) { live.forget(item); }));
    }
}

void KvGraphicsViewPrivate::sceneChanged(const QList<QRectF> &rects)
{
    // Qt reports what it did not follow item by item (any removal but the board scene's, a
    // deleted item, a new background) as a change of the whole scene rect; items may be gone.
    if (rects.size() == 1 && rects.constFirst() == scene->sceneRect()) {
        dropTiles();
        live.clear();
        updateViewport(q->viewport()->rect());
        return;
    }
    live.prune(scene);
    // A board arriving at once changes in tens of thousands of places.
    const bool coarse = rects.size() > kMaxViewportUpdates;
    QRect coarseArea;
    for (const QRectF &rect : rects) {
        grid.damage(grid.gridRect(rect));
        standIn.drop(standIn.gridRect(rect));
        const QRect area = q->mapFromScene(rect).boundingRect();
        if (coarse)
            coarseArea |= area;
        else
            updateViewport(area);
    }
    if (coarse)
        updateViewport(coarseArea);
    // Tiles out of sight are repaired in idle time.
    renderTimer.start();
}

void KvGraphicsViewPrivate::updateViewport(const QRect &viewportRect)
{
    if (held)
        return;
    const QRect area = withMargin(viewportRect, KvItemPainter::kAntialiasMargin);
    if (!painting) {
        q->viewport()->update(area);
        return;
    }
    if (deferredUpdate.isEmpty()) {
        QMetaObject::invokeMethod(
            q, [this] { q->viewport()->update(std::exchange(deferredUpdate, QRegion())); },
            Qt::QueuedConnection);
    }
    deferredUpdate += area;
}

void KvGraphicsViewPrivate::followRenderState()
{
    QWidget *viewport = q->viewport();
    const QBrush brush = viewport->autoFillBackground()
        ? viewport->palette().brush(viewport->backgroundRole())
        : QBrush(Qt::transparent);
    if (q->renderHints() != hints || brush != viewportBrush
        || q->backgroundBrush() != backgroundBrush) {
        dropTiles();
        hints = q->renderHints();
        viewportBrush = brush;
        backgroundBrush = q->backgroundBrush();
        format = brush.isOpaque() ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied;
    }
    // Opaque tiles cover the whole viewport: Qt need not fill it first.
    viewport->setAttribute(Qt::WA_OpaquePaintEvent, brush.isOpaque());
}

void KvGraphicsViewPrivate::beginZoom(const QTransform &sceneToDevice)
{
    // The tiles of the zoom left behind stand in if they showed the whole view; otherwise the
    // stand-ins of the zoom before stay.
    if (!grid.isEmpty() && grid.covers(gridViewport))
        standIn = std::move(grid);
    grid = KvTileGrid(sceneToDevice);
}

void KvGraphicsViewPrivate::dropTiles()
{
    grid = KvTileGrid();
    standIn = KvTileGrid();
    renderTimer.stop();
}

void KvGraphicsViewPrivate::flushScene()
{
    // After its dirty items the scene sends the window's pending update request at once, which
    // would paint the window again from within this paint: such a request waits for later.
    UpdateRequestGate gate;
    QWidget *viewport = q->viewport();
    QWidget *window = viewport->window();
    viewport->installEventFilter(&gate);
    window->installEventFilter(&gate);
    QCoreApplication::sendPostedEvents(scene, QEvent::MetaCall);
    window->removeEventFilter(&gate);
    viewport->removeEventFilter(&gate);
    for (QObject *held : gate.held())
        QCoreApplication::postEvent(held, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
}

void KvGraphicsViewPrivate::paint(QPaintEvent *event, const QTransform &sceneToDevice)
{
    // Changes and removals that Qt has yet to report come first, so that the live items are
    // all still there.
    painting = true;
    flushScene();
    painting = false;
    followRenderState();
    if (!grid.fits(sceneToDevice))
        beginZoom(sceneToDevice);
    const QPoint offset = KvTileGrid::offset(sceneToDevice);
    gridViewport = visibleGrid(sceneToDevice);
    const QRect exposed
        = scaled(event->region().boundingRect(), devicePixelRatio()).translated(-offset);

    QPainter painter(q->viewport());
    // Qt ignores every change on the scene after one it reports as a change of the whole scene
    // until a view draws the scene's items; the cached view draws none here, but tells the scene
    // it did.
    q->QGraphicsView::drawItems(&painter, 0, nullptr, nullptr);
    bool pending = false;
    for (const QPoint &tile : KvTileGrid::tilesIn(exposed)) {
        const QRect area = KvTileGrid::tileRect(tile) & exposed;
        KvTileGrid::Tile *cached = grid.find(tile);
        if (!cached && drawStandIn(painter, tile, area, offset)) {
            pending = true;
            continue;
        }
        if (!cached)
            cached = &renderTile(tile);
        else if (!cached->damage.isEmpty() && !held)
            repair(tile, *cached);
        blit(painter, cached->image, tile, area, offset);
    }
    paintLive(painter, event->region());
    painter.setWorldTransform(q->viewportTransform());
    q->drawForeground(&painter, q->mapToScene(event->region().boundingRect()).boundingRect());
    painter.resetTransform();
    paintRubberBand(painter);
    if (pending || !grid.covers(withMargin(gridViewport, KvTileGrid::kTileSize)))
        renderTimer.start();
    evict();
}

bool KvGraphicsViewPrivate::drawStandIn(QPainter &painter, const QPoint &tile, const QRect &area,
                                        const QPoint &offset)
{
    if (standIn.isNull())
        return false;
    const QRect standInArea = standIn.gridRect(grid.sceneRect(KvTileGrid::tileRect(tile)));
    if (!standIn.covers(standInArea))
        return false;
    const qreal ratio = devicePixelRatio();
    const QTransform toLogical = standIn.sceneToGrid().inverted() * grid.sceneToGrid()
        * QTransform::fromTranslate(offset.x(), offset.y())
        * QTransform::fromScale(1 / ratio, 1 / ratio);
    painter.save();
    const QRectF target(area.translated(offset));
    painter.setClipRect(QRectF(target.topLeft() / ratio, target.size() / ratio), Qt::IntersectClip);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (const QPoint &old : KvTileGrid::tilesIn(standInArea)) {
        const QPoint origin = KvTileGrid::tileRect(old).topLeft();
        painter.setWorldTransform(QTransform::fromTranslate(origin.x(), origin.y()) * toLogical);
        painter.drawImage(QPoint(0, 0), standIn.find(old)->image);
    }
    painter.restore();
    return true;
}

void KvGraphicsViewPrivate::blit(QPainter &painter, const QImage &image, const QPoint &tile,
                                 const QRect &area, const QPoint &offset)
{
    const QRect source = area.translated(-KvTileGrid::tileRect(tile).topLeft());
    const QRect target = area.translated(offset);
    const qreal ratio = devicePixelRatio();
    if (ratio == 1.0)
        painter.drawImage(target.topLeft(), image, source);
    else
        painter.drawImage(QRectF(QPointF(target.topLeft()) / ratio, QSizeF(target.size()) / ratio),
                          image, source);
}

void KvGraphicsViewPrivate::paintLive(QPainter &painter, const QRegion &region)
{
    painter.setRenderHints(painter.renderHints(), false);
    painter.setRenderHints(q->renderHints(), true);
    const QTransform view = q->viewportTransform();
    const QRect exposed = region.boundingRect();
    for (QGraphicsItem *item : live.inStackingOrder()) {
        if (KvItemPainter::treeArea(item, view).intersects(exposed))
            KvItemPainter::paintTree(&painter, item, view, exposed, q->viewport());
    }
}

void KvGraphicsViewPrivate::paintRubberBand(QPainter &painter)
{
    const QRect band = q->rubberBandRect();
    if (band.isEmpty())
        return;
    QWidget *viewport = q->viewport();
    QStyleOptionRubberBand option;
    option.initFrom(viewport);
    option.rect = band;
    option.shape = QRubberBand::Rectangle;
    QStyleHintReturnMask mask;
    if (viewport->style()->styleHint(QStyle::SH_RubberBand_Mask, &option, viewport, &mask))
        painter.setClipRegion(mask.region, Qt::IntersectClip);
    viewport->style()->drawControl(QStyle::CE_RubberBand, &option, &painter, viewport);
}

KvTileGrid::Tile &KvGraphicsViewPrivate::renderTile(const QPoint &tile)
{
    QImage image(KvTileGrid::kTileSize, KvTileGrid::kTileSize, format);
    renderArea(image, tile, KvTileGrid::tileRect(tile));
    return grid.insert(tile, image);
}

QRegion KvGraphicsViewPrivate::repair(const QPoint &tile, KvTileGrid::Tile &cached)
{
    const QRegion damage = std::exchange(cached.damage, QRegion());
    if (damage.rectCount() > kMaxDamageRects) {
        const QRect whole = damage.boundingRect();
        renderArea(cached.image, tile, whole);
        return whole;
    }
    for (const QRect &rect : damage)
        renderArea(cached.image, tile, rect);
    return damage;
}

void KvGraphicsViewPrivate::renderArea(QImage &image, const QPoint &tile, const QRect &area)
{
    const QPoint origin = KvTileGrid::tileRect(tile).topLeft();
    const QRect local = area.translated(-origin);
    const QTransform toTile
        = grid.sceneToGrid() * QTransform::fromTranslate(-origin.x(), -origin.y());
    const QRectF sceneArea = grid.sceneRect(area);

    QPainter painter(&image);
    painter.setClipRect(local);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(local, viewportBrush);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setRenderHints(hints);
    painter.setWorldTransform(toTile);
    painter.save();
    q->drawBackground(&painter, sceneArea);
    painter.restore();

    const QList<QGraphicsItem *> items
        = scene->items(grid.sceneRect(withMargin(area, KvItemPainter::kAntialiasMargin)),
                       Qt::IntersectsItemBoundingRect, Qt::AscendingOrder, toTile);
    for (QGraphicsItem *item : items) {
        QGraphicsItem *boardItem = KvBoardPage::boardLevelItem(item);
        if (isCached(boardItem))
            KvItemPainter::paintItem(&painter, item, toTile, local, q->viewport());
        else if (!KvBoardPage::isPage(boardItem))
            live.discover(boardItem);
    }
}

bool KvGraphicsViewPrivate::isCached(const QGraphicsItem *boardItem) const
{
    return cachedTypes.contains(boardItem->type());
}

void KvGraphicsViewPrivate::renderPending()
{
    if (!scene || !q->isVisible() || held)
        return;
    const QTransform device = sceneToDevice();
    if (!grid.fits(device))
        return;
    const QPoint offset = KvTileGrid::offset(device);
    const QRect visible = visibleGrid(device);
    const QRect wanted = withMargin(visible, KvTileGrid::kTileSize);
    QElapsedTimer clock;
    clock.start();
    // What is in view first, then the margin; one tile at least per slice.
    for (const QRect &area : {visible, wanted}) {
        for (const QPoint &tile : KvTileGrid::tilesIn(area)) {
            KvTileGrid::Tile *cached = grid.find(tile);
            if (cached && cached->damage.isEmpty())
                continue;
            if (clock.elapsed() >= kRenderSliceMs) {
                renderTimer.start();
                evict();
                return;
            }
            // Only what changed is shown again: a whole tile blitted for a stroke's few pixels
            // cost more than the stroke.
            QRegion rendered;
            if (cached) {
                rendered = repair(tile, *cached);
            } else {
                renderTile(tile);
                rendered = KvTileGrid::tileRect(tile);
            }
            for (const QRect &shown : rendered.translated(offset) & visible.translated(offset))
                q->viewport()->update(scaled(shown, 1 / devicePixelRatio()));
        }
        if (area == visible)
            standIn = KvTileGrid();
    }
    // Damaged tiles beyond the margin would be repaired for nothing.
    for (const QPoint &tile : grid.tiles()) {
        const KvTileGrid::Tile *cached = grid.find(tile);
        if (!cached->damage.isEmpty() && !wanted.intersects(KvTileGrid::tileRect(tile)))
            grid.remove(tile);
    }
    evict();
}

void KvGraphicsViewPrivate::evict()
{
    const qint64 tileBytes = qint64(KvTileGrid::kTileSize) * KvTileGrid::kTileSize * 4;
    qint64 excess = grid.bytes() + standIn.bytes() - limit;
    if (excess <= 0)
        return;
    // The stand-ins only bridge a zoom step; they go first.
    for (const QPoint &tile : standIn.tiles()) {
        if (excess <= 0)
            return;
        standIn.remove(tile);
        excess -= tileBytes;
    }
    QList<QPoint> away;
    for (const QPoint &tile : grid.tiles()) {
        if (!KvTileGrid::tileRect(tile).intersects(gridViewport))
            away.append(tile);
    }
    const QPointF centre = QRectF(gridViewport).center();
    const auto distance = [&centre](const QPoint &tile) {
        return QLineF(centre, QRectF(KvTileGrid::tileRect(tile)).center()).length();
    };
    std::sort(away.begin(), away.end(),
              [&distance](const QPoint &a, const QPoint &b) { return distance(a) > distance(b); });
    for (const QPoint &tile : qAsConst(away)) {
        if (excess <= 0)
            return;
        grid.remove(tile);
        excess -= tileBytes;
    }
}

KvGraphicsView::KvGraphicsView(QWidget *parent)
    : KvGraphicsView(nullptr, parent)
{ }

KvGraphicsView::KvGraphicsView(QGraphicsScene *scene, QWidget *parent)
    : QGraphicsView(scene, parent)
    , d(new KvGraphicsViewPrivate(this))
{
    // Qt's own update of the viewport for the scene's changes joins every changed rect into
    // one region unless they are many; for a board put on at once, that costs more than the
    // cached tiles' repaint of their bounding rect.
    setViewportUpdateMode(SmartViewportUpdate);
}

KvGraphicsView::~KvGraphicsView() = default;

void KvGraphicsView::setCachedItemTypes(const QList<int> &types)
{
    d->cachedTypes = QSet<int>(types.cbegin(), types.cend());
    d->dropTiles();
    d->live.clear();
    viewport()->update();
}

QList<int> KvGraphicsView::cachedItemTypes() const
{
    QList<int> types = d->cachedTypes.values();
    std::sort(types.begin(), types.end());
    return types;
}

void KvGraphicsView::setTileCacheLimit(qint64 bytes)
{
    d->limit = qMax<qint64>(0, bytes);
    d->evict();
}

qint64 KvGraphicsView::tileCacheLimit() const
{
    return d->limit;
}

qint64 KvGraphicsView::tileCacheSize() const
{
    return d->grid.bytes() + d->standIn.bytes();
}

bool KvGraphicsView::isTileCacheSharp() const
{
    const QTransform device = d->sceneToDevice();
    return d->standIn.isEmpty() && d->grid.fits(device) && d->grid.covers(d->visibleGrid(device));
}

void KvGraphicsView::resetTileCache()
{
    d->dropTiles();
    viewport()->update();
}

void KvGraphicsView::setTilesHeld(bool held)
{
    if (std::exchange(d->held, held) == held || held)
        return;
    viewport()->update();
    d->renderTimer.start();
}

bool KvGraphicsView::tilesHeld() const
{
    return d->held;
}

void KvGraphicsView::paintEvent(QPaintEvent *event)
{
    d->followScene(scene());
    const QTransform sceneToDevice = d->sceneToDevice();
    if (d->scene && KvTileGrid::isTileable(sceneToDevice)) {
        d->paint(event, sceneToDevice);
        return;
    }
    d->dropTiles();
    if (viewport()->testAttribute(Qt::WA_OpaquePaintEvent)) {
        // This once the tiles did not fill the background Qt left to them.
        viewport()->setAttribute(Qt::WA_OpaquePaintEvent, false);
        QPainter(viewport())
            .fillRect(event->rect(), viewport()->palette().brush(viewport()->backgroundRole()));
    }
    QGraphicsView::paintEvent(event);
}

void KvGraphicsView::hideEvent(QHideEvent *event)
{
    QGraphicsView::hideEvent(event);
    d->dropTiles();
    d->live.clear();
}
