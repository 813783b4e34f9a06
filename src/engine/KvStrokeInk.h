#pragma once

#include "KvGraphicsStroke.h"
#include "KvToolSettings.h"

#include <QList>
#include <QPointF>

class KvCoreGraphicsScene;
class KvGraphicsPolygonItem;
class KvGraphicsStrokesGroup;
class QGraphicsItem;
class QLineF;

// The pieces of ink an engine puts on its board for a stroke, styled by the engine's tool
// settings. A short-lived view on the engine's board and settings: both must outlive it.
class KvStrokeInk
{
public:
    KvStrokeInk(KvCoreGraphicsScene *scene, const KvToolSettings &settings)
        : m_scene(scene)
        , m_settings(settings)
    { }

    // The stroke's next committed piece through `pos`; the first is a dot.
    void addPiece(KvGraphicsStroke *stroke, const QPointF &pos, double width, bool first);
    // A last piece from the committed ink up to `pos`, where the pen lifted.
    void finishAt(KvGraphicsStroke *stroke, const QPointF &pos);
    // The stroke's pieces still on this board; those the host took are the host's now.
    QList<KvGraphicsPolygonItem *> piecesOnBoard(const KvGraphicsStroke *stroke) const;
    // The capsule from the committed ink to the pointer, made again if the host took it.
    void showTemporaryItem(KvGraphicsStroke *stroke, const QLineF &bridge, double width);
    void dropTemporaryItem(KvGraphicsStroke *stroke);
    void putGroupOnBoard(KvGraphicsStrokesGroup *group);
    void applyPenStyle(KvGraphicsPolygonItem *item) const;
    // Takes the item off the board, if any, and deletes it.
    void discardItem(QGraphicsItem *item);

private:
    KvGraphicsPolygonItem *createSegmentItem(const QList<KvStrokeSample> &samples, bool startCap,
                                             bool endCap) const;
    void addSegmentItem(KvGraphicsPolygonItem *item, KvGraphicsStroke *stroke);

    KvCoreGraphicsScene *m_scene;
    const KvToolSettings &m_settings;
};
