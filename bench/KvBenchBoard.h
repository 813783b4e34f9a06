#pragma once

#include "KvBenchScene.h"

#include <QGraphicsView>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QUuid>

#include <memory>

class KvPenObject;

// A board as a host holds it: a page of fixed size shown in a 1920 x 1080 view at its top left
// corner, filled with handwriting drawn through the engine. While it fills, the event loop runs
// as it does between a host's input events.
class KvBenchBoard
{
public:
    static constexpr int kViewWidth = 1920;
    static constexpr int kViewHeight = 1080;
    static constexpr int kPageWidth = 8000;
    static constexpr int kPageHeight = 6000;
    // A board stroke: 40 moves 2.5 units apart, about twenty committed pieces.
    static constexpr int kStrokeSamples = 41;

    // Shared boards, built on first use and kept for the run: the page cut into as many equal
    // cells as strokes, one stroke in each, either until it holds `pieces` committed pieces or
    // with `strokes` strokes.
    static KvBenchBoard &withPieces(int pieces);
    static KvBenchBoard &withStrokes(int strokes);
    // `strokes` strokes packed into the view's first screen of the page, for repainting.
    static KvBenchBoard &filledView(int strokes);
    // Deletes the shared boards; before the application object goes.
    static void releaseAll();

    ~KvBenchBoard();

    KvBenchScene *scene() const;
    QGraphicsView *view() const;
    int pieceCount() const;
    int strokeCount() const;
    // The strokes the view shows.
    int strokesInView() const;

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
    // Strokes go into `area` of the page, the whole page when it is null.
    KvBenchBoard(int strokes, int pieces, const QRectF &area = QRectF());
    // Draws strokes of equal length at the same time, one touch id each; returns their pieces.
    int drawTogether(KvPenObject *engine, const QList<QList<QPointF>> &strokes);

    std::unique_ptr<KvBenchScene> m_scene;
    std::unique_ptr<QGraphicsView> m_view;
    int m_pieces = 0;
    int m_strokes = 0;
};
