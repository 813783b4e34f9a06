#include "KvStrokeEraser.h"

#include "KvCoreGraphicsScene.h"
#include "KvEraserCursor.h"
#include "KvGraphicsPolygonItem.h"
#include "KvGraphicsStroke.h"
#include "KvGraphicsStrokesGroup.h"

#include <QGraphicsView>

namespace {
// Truncated toward zero; a negative or absurd eraser width is held to what a widget can take.
int cursorPixels(double value)
{
    return int(qBound(0.0, value, double(QWIDGETSIZE_MAX)));
}
} // namespace

void KvStrokeEraser::eraseSegment(KvCoreGraphicsScene *scene, int id, const QPointF &from,
                                  const QPointF &to, double width1, double width2,
                                  const std::function<void(const QString &)> &erased)
{
    if (m_eraserIds.isEmpty())
        m_eraserIds.insert(id);
    if (!m_eraserIds.contains(id))
        return;
    if (QGraphicsView *view = firstView(scene)) {
        // View pixels to scene units, whatever the zoom.
        const double viewToScene = view->transform().inverted().m11();
        width1 *= viewToScene;
        width2 *= viewToScene;
    }
    showCursor(scene, true, to, cursorPixels(width1));

    const QPolygonF capsule = lineCapsulePolygon(QLineF(from, to), width1, width2);
    const QList<QGraphicsItem *> hits
        = scene->items(capsule, Qt::IntersectsItemBoundingRect, Qt::DescendingOrder, QTransform());
    // Groups are tracked weakly: whoever hears of an erased group may delete another mid-step.
    QList<QPointer<KvGraphicsStrokesGroup>> groups;
    for (QGraphicsItem *hit : hits) {
        auto *piece = dynamic_cast<KvGraphicsPolygonItem *>(hit);
        if (piece && piece->strokesGroup())
            groups.append(piece->strokesGroup());
    }
    for (const QPointer<KvGraphicsStrokesGroup> &group : qAsConst(groups)) {
        if (!group)
            continue;
        const QString uuid = group->uuid().toString(QUuid::WithoutBraces);
        m_removedItemUuids.append(uuid);
        scene->removeBoardItem(group, false);
        erased(uuid);
    }
}

void KvStrokeEraser::end(KvCoreGraphicsScene *scene, int id, int width)
{
    if (!m_eraserIds.contains(id))
        return;
    m_eraserIds.clear();
    showCursor(scene, false, QPointF(0, 0), width);
}

void KvStrokeEraser::hideCursor()
{
    if (m_cursor && m_cursor->isVisible())
        m_cursor->hide();
}

QGraphicsView *KvStrokeEraser::firstView(const KvCoreGraphicsScene *scene)
{
    const QList<QGraphicsView *> views = scene ? scene->views() : QList<QGraphicsView *>();
    return views.isEmpty() ? nullptr : views.first();
}

void KvStrokeEraser::showCursor(const KvCoreGraphicsScene *scene, bool visible,
                                const QPointF &scenePos, int width)
{
    QGraphicsView *view = firstView(scene);
    if (!view)
        return;
    // Follows the board's first view, also after the board or its views changed.
    if (!m_cursor || m_cursor->parentWidget() != view->viewport())
        m_cursor = KvEraserCursor::of(view->viewport());
    m_cursor->setDisc(cursorPixels(width * view->transform().m11()), view->mapFromScene(scenePos),
                      visible);
}
