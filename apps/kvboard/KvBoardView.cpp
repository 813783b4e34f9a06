#include "KvBoardView.h"

#include "KvBoard.h"

#include <QMouseEvent>
#include <QScrollBar>
#include <QTabletEvent>
#include <QTouchEvent>
#include <QWheelEvent>

namespace {

constexpr qreal kZoomStep = 1.25;
constexpr qreal kMinZoom = 0.25;
constexpr qreal kMaxZoom = 4.0;

// Mouse events that Qt made up from touch or pen input, which arrive on their own.
bool isSynthesized(const QMouseEvent *event)
{
    return event->source() != Qt::MouseEventNotSynthesized;
}

} // namespace

KvBoardView::KvBoardView(KvBoard *board, QWidget *parent)
    : QGraphicsView(board->scene(), parent)
    , m_board(board)
{
    setFrameShape(QFrame::NoFrame);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    setViewportUpdateMode(QGraphicsView::FullViewportUpdate);
    setBackgroundBrush(QColor(0x12, 0x15, 0x1C));
    viewport()->setAttribute(Qt::WA_AcceptTouchEvents);
    // Fingers draw; they must not pan the board as a scroll area's fingers do.
    viewport()->ungrabGesture(Qt::PanGesture);
}

KvBoard *KvBoardView::board() const
{
    return m_board;
}

qreal KvBoardView::zoom() const
{
    return transform().m11();
}

void KvBoardView::setZoom(qreal zoom)
{
    zoom = qBound(kMinZoom, zoom, kMaxZoom);
    if (qFuzzyCompare(zoom, this->zoom()))
        return;
    setTransform(QTransform::fromScale(zoom, zoom));
    emit zoomChanged(zoom);
}

void KvBoardView::zoomIn()
{
    setZoom(zoom() * kZoomStep);
}

void KvBoardView::zoomOut()
{
    setZoom(zoom() / kZoomStep);
}

void KvBoardView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || isSynthesized(event))
        return;
    pointerEvent(QEvent::MouseButtonPress, event->localPos(), 1.0);
}

void KvBoardView::mouseDoubleClickEvent(QMouseEvent *event)
{
    mousePressEvent(event);
}

void KvBoardView::mouseMoveEvent(QMouseEvent *event)
{
    if (!isSynthesized(event))
        pointerEvent(QEvent::MouseMove, event->localPos(), 1.0);
}

void KvBoardView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && !isSynthesized(event))
        pointerEvent(QEvent::MouseButtonRelease, event->localPos(), 1.0);
}

void KvBoardView::wheelEvent(QWheelEvent *event)
{
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QGraphicsView::wheelEvent(event);
        return;
    }
    if (event->angleDelta().y() > 0)
        zoomIn();
    else if (event->angleDelta().y() < 0)
        zoomOut();
}

bool KvBoardView::viewportEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease: {
        auto *tablet = static_cast<QTabletEvent *>(event);
        static const QHash<QEvent::Type, QEvent::Type> asMouse {
            {QEvent::TabletPress, QEvent::MouseButtonPress},
            {QEvent::TabletMove, QEvent::MouseMove},
            {QEvent::TabletRelease, QEvent::MouseButtonRelease}};
        pointerEvent(asMouse.value(event->type()), tablet->posF(), tablet->pressure());
        event->accept();
        return true;
    }
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
        touchEvent(static_cast<QTouchEvent *>(event));
        event->accept();
        return true;
    default:
        return QGraphicsView::viewportEvent(event);
    }
}

void KvBoardView::showEvent(QShowEvent *event)
{
    QGraphicsView::showEvent(event);
    // A board opens at its top left corner, where people start writing.
    if (!std::exchange(m_shown, true)) {
        horizontalScrollBar()->setValue(horizontalScrollBar()->minimum());
        verticalScrollBar()->setValue(verticalScrollBar()->minimum());
    }
}

QPointF KvBoardView::toScene(const QPointF &viewportPos) const
{
    return viewportTransform().inverted().map(viewportPos);
}

void KvBoardView::pointerEvent(QEvent::Type type, const QPointF &viewportPos, qreal pressure)
{
    const QPointF pos = toScene(viewportPos);
    if (type == QEvent::MouseButtonPress) {
        m_pointerDown = true;
        emit pointerDown();
        m_board->pointerPress(pos, pressure);
    } else if (type == QEvent::MouseMove) {
        if (m_pointerDown)
            m_board->pointerMove(pos, pressure);
    } else if (m_pointerDown) {
        m_pointerDown = false;
        m_board->pointerRelease();
    }
}

void KvBoardView::touchEvent(QTouchEvent *event)
{
    if (event->type() == QEvent::TouchCancel) {
        if (m_palmId != -1)
            m_board->endEraseArea();
        m_palmId = -1;
        m_board->releaseAll();
        return;
    }
    for (const QTouchEvent::TouchPoint &point : event->touchPoints()) {
        const QSizeF contact = point.ellipseDiameters();
        const qreal diameter = qMax(contact.width(), contact.height());
        if (point.state() == Qt::TouchPointPressed && m_palmId == -1 && diameter >= kPalmDiameter) {
            m_palmId = point.id();
            emit pointerDown();
        }
        if (point.id() == m_palmId) {
            if (point.state() == Qt::TouchPointReleased) {
                m_palmId = -1;
                m_board->endEraseArea();
            } else if (point.state() != Qt::TouchPointStationary) {
                // The area eraser wipes a circle as wide as the contact.
                const qreal width = qMax(diameter, kPalmDiameter);
                QRectF area(0, 0, width, width);
                area.moveCenter(point.pos());
                m_board->eraseArea(area);
            }
            continue;
        }
        const QPointF pos = toScene(point.pos());
        switch (point.state()) {
        case Qt::TouchPointPressed:
            emit pointerDown();
            m_board->touchPress(point.id(), pos);
            break;
        case Qt::TouchPointMoved:
            m_board->touchMove(point.id(), pos);
            break;
        case Qt::TouchPointReleased:
            m_board->touchRelease(point.id());
            break;
        case Qt::TouchPointStationary:
            break;
        }
    }
}
