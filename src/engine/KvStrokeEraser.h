#pragma once

#include <QPointer>
#include <QSet>
#include <QStringList>

#include <functional>

class KvCoreGraphicsScene;
class KvEraserCursor;
class QGraphicsView;
class QPointF;

// The eraser of one engine. It takes whole strokes groups off the board wherever its capsule
// meets the bounding rectangle of one of their pieces, belongs to one pointer at a time, keeps
// the uuids it took in the current gesture, and moves the cursor that follows it.
class KvStrokeEraser
{
public:
    // Starts a gesture: the uuids of the previous one are forgotten.
    void beginGesture() { m_removedItemUuids.clear(); }
    // Erases from `from` to `to` (widths in view pixels) for pointer `id`, unless another
    // pointer owns the eraser. `erased` hears each uuid right after its group left the board.
    void eraseSegment(KvCoreGraphicsScene *scene, int id, const QPointF &from, const QPointF &to,
                      double width1, double width2,
                      const std::function<void(const QString &)> &erased);
    // Ends the gesture of pointer `id` if it owns the eraser: hides the cursor, sized `width`.
    void end(KvCoreGraphicsScene *scene, int id, int width);
    // Frees the eraser from its pointer, as when every stroke in progress is discarded.
    void release() { m_eraserIds.clear(); }
    // Whether a pointer owns the eraser.
    bool isEngaged() const { return !m_eraserIds.isEmpty(); }
    void hideCursor();
    // Uuids (without braces) of the groups erased in this gesture, once per hit piece.
    QStringList removedItemUuids() const { return m_removedItemUuids; }

    static QGraphicsView *firstView(const KvCoreGraphicsScene *scene);

private:
    void showCursor(const KvCoreGraphicsScene *scene, bool visible, const QPointF &scenePos,
                    int width);

    QSet<int> m_eraserIds;
    QStringList m_removedItemUuids;
    QPointer<KvEraserCursor> m_cursor;
};
