#pragma once

#include "KvBenchScene.h"

#include <QGraphicsView>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QUuid>

#include <memory>

class KvPenObject;

// A board as a host holds it: a scene shown in a 1920 x 1080 view, filled with handwriting
// drawn through the engine. While it fills, the event loop runs as it does between a host's
// input events, so that the scene's growing scene rect and its item index are those of a live
// board rather than a list that every query scans.
class KvBenchBoard
{
public:
    static constexpr int kViewWidth = 1920;
    static constexpr int kViewHeight = 1080;

    // Shared boards, built on first use and kept for the run. A long board of 100 x 100 cells,
    // 40 across, one stroke of about twelve pieces per cell, either until it holds `pieces`
    // committed pieces or with `strokes` strokes.
    static KvBenchBoard &withPieces(int pieces);
    static KvBenchBoard &withStrokes(int strokes);
    // `strokes` strokes packed into the view, for repainting.
    static KvBenchBoard &filledView(int strokes);
    // A page as hosts fix it, 8000 x 6000 scene units, evenly written over with `strokes` strokes.
    static KvBenchBoard &onPage(int strokes);
    // Deletes the shared boards; before the application object goes.
    static void releaseAll();

    ~KvBenchBoard();

    KvBenchScene *scene() const;
    QGraphicsView *view() const;
    int pieceCount() const;
    int strokeCount() const;

    // Where benchmarks draw: the n-th of a cycle of places inside the view.
    static QPointF drawingSpot(int n);
    // The samples of a handwriting stroke from `origin`, `step` scene units apart.
    static QList<QPointF> handwriting(const QPointF &origin, int samples, double step,
                                      quint32 seed);

    // Finishes the engine's open stroke and takes its group off the board.
    void releaseAndDiscard(KvPenObject *engine, int id = -1);

    // Runs the event loop until it is idle, as a host's does between input events.
    static void processEvents();

private:
    KvBenchBoard(int strokes, int pieces, const QSizeF &cell, int columns,
                 const QRectF &page = QRectF());
    // Draws strokes of equal length at the same time, one touch id each; returns their pieces.
    int drawTogether(KvPenObject *engine, const QList<QList<QPointF>> &strokes);

    std::unique_ptr<KvBenchScene> m_scene;
    std::unique_ptr<QGraphicsView> m_view;
    int m_pieces = 0;
    int m_strokes = 0;
};
