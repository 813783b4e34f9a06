#pragma once

#include <QEvent>
#include <QGraphicsView>

class KvBoard;
class QTouchEvent;

// A view on one board that turns the user's input into the plug-in's: mouse and pen to the
// single pointer, fingers to touch ids, a palm to the area eraser. It also zooms.
class KvBoardView : public QGraphicsView
{
    Q_OBJECT
public:
    // A touch contact at least this wide, in view pixels, is a palm.
    static constexpr qreal kPalmDiameter = 48;

    explicit KvBoardView(KvBoard *board, QWidget *parent = nullptr);

    KvBoard *board() const;
    qreal zoom() const;
    // Clamped to 1/4 ... 4.
    void setZoom(qreal zoom);
    void zoomIn();
    void zoomOut();

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

private:
    QPointF toScene(const QPointF &viewportPos) const;
    void pointerEvent(QEvent::Type type, const QPointF &viewportPos, qreal pressure);
    void touchEvent(QTouchEvent *event);

    KvBoard *m_board;
    bool m_pointerDown = false;
    int m_palmId = -1;
    bool m_shown = false;
};
