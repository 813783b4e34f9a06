#pragma once

#include "KvGraphicsView.h"

#include <QEvent>

class KvBoard;
class QTouchEvent;

// A view on one board that turns the user's input into the plug-in's: mouse and pen to the
// single pointer, fingers to touch ids, a palm to the area eraser. It shows the board as a page
// on a desk, with the plug-in's finished ink from the tile cache, zooms through a ladder of
// levels, and outlines the eraser under a hovering pointer.
class KvBoardView : public KvGraphicsView
{
    Q_OBJECT
public:
    // A touch contact at least this wide, in view pixels, is a palm.
    static constexpr qreal kPalmDiameter = 48;

    explicit KvBoardView(KvBoard *board, QWidget *parent = nullptr);

    // The zoom ladder, in percent.
    static const QList<int> kZoomLevels;

    KvBoard *board() const;
    qreal zoom() const;
    // Clamped to the ladder's ends; `anchor`, in viewport coordinates, stays over the same
    // point of the board (the viewport's centre when left out).
    void setZoom(qreal zoom, QPointF anchor = QPointF(-1, -1));
    // The next level of the ladder up or down.
    void zoomIn(QPointF anchor = QPointF(-1, -1));
    void zoomOut(QPointF anchor = QPointF(-1, -1));
    // 100 %, the board as it opens: from its top left corner.
    void resetZoom();

signals:
    // The user put a pointer down on this board.
    void pointerDown();
    void zoomChanged(qreal zoom);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void drawBackground(QPainter *painter, const QRectF &rect) override;

private:
    QPointF toScene(const QPointF &viewportPos) const;
    void showTopLeft();
    void pointerEvent(QEvent::Type type, const QPointF &viewportPos, qreal pressure);
    void touchEvent(QTouchEvent *event);
    void pinch(qreal delta, const QPointF &anchor);
    void setHover(const QPointF &viewportPos);
    QRectF eraserOutline() const;
    // The viewport pixels the outline's painting reaches.
    QRect outlineArea() const;

    KvBoard *m_board;
    bool m_pointerDown = false;
    int m_palmId = -1;
    bool m_shown = false;
    // Where the pointer hovers, or null-sized when it is away or down.
    QPointF m_hover = QPointF(-1, -1);
    qreal m_pinch = 1.0;
};
