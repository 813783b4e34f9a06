#include "KvBoardView.h"

#include "KvBoard.h"
#include "KvPenCore.h"
#include "KvPenTypes.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTabletEvent>
#include <QTouchEvent>
#include <QWheelEvent>

namespace {

// The desk around the page, in scene units, and its colours.
constexpr qreal kDeskMargin = 32;
const QColor kDeskColor(0x12, 0x15, 0x1C);
const QColor kPageEdgeColor(0x34, 0x3A, 0x4C);
constexpr int kShadowSteps = 8;
const QPointF kNoPoint(-1, -1);

qreal levelZoom(int percent)
{
    return percent / 100.0;
}

// Mouse events that Qt made up from touch or pen input, which arrive on their own.
bool isSynthesized(const QMouseEvent *event)
{
    return event->source() != Qt::MouseEventNotSynthesized;
}

} // namespace

const QList<int> KvBoardView::kZoomLevels {25, 33, 50, 67, 75, 100, 125, 150, 200, 300, 400};

KvBoardView::KvBoardView(KvBoard *board, QWidget *parent)
    : KvGraphicsView(board->scene(), parent)
    , m_board(board)
{
    setCachedItemTypes(board->core()->itemTypeList());
    setFrameShape(QFrame::NoFrame);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    setSceneRect(
        board->scene()->sceneRect().adjusted(-kDeskMargin, -kDeskMargin, kDeskMargin, kDeskMargin));
    setTransformationAnchor(QGraphicsView::NoAnchor);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_AcceptTouchEvents);
    // Fingers draw; they must not pan the board as a scroll area's fingers do.
    viewport()->ungrabGesture(Qt::PanGesture);
    connect(board, &KvBoard::arrivingChanged, this, &KvGraphicsView::setTilesHeld);
}

KvBoard *KvBoardView::board() const
{
    return m_board;
}

qreal KvBoardView::zoom() const
{
    return transform().m11();
}

void KvBoardView::setZoom(qreal zoom, QPointF anchor)
{
    zoom = qBound(levelZoom(kZoomLevels.constFirst()), zoom, levelZoom(kZoomLevels.constLast()));
    if (qFuzzyCompare(zoom, this->zoom()))
        return;
    if (anchor == kNoPoint)
        anchor = QRectF(viewport()->rect()).center();
    const QPointF fixed = toScene(anchor);
    setTransform(QTransform::fromScale(zoom, zoom));
    const QPointF moved = viewportTransform().map(fixed) - anchor;
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() + qRound(moved.x()));
    verticalScrollBar()->setValue(verticalScrollBar()->value() + qRound(moved.y()));
    emit zoomChanged(zoom);
}

void KvBoardView::zoomIn(QPointF anchor)
{
    for (int percent : kZoomLevels) {
        if (levelZoom(percent) > zoom() + 1e-6) {
            setZoom(levelZoom(percent), anchor);
            return;
        }
    }
}

void KvBoardView::zoomOut(QPointF anchor)
{
    for (auto level = kZoomLevels.crbegin(); level != kZoomLevels.crend(); ++level) {
        if (levelZoom(*level) < zoom() - 1e-6) {
            setZoom(levelZoom(*level), anchor);
            return;
        }
    }
}

void KvBoardView::resetZoom()
{
    setZoom(1.0);
    showTopLeft();
}

void KvBoardView::showTopLeft()
{
    horizontalScrollBar()->setValue(horizontalScrollBar()->minimum());
    verticalScrollBar()->setValue(verticalScrollBar()->minimum());
}

void KvBoardView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || isSynthesized(event))
        return;
    setHover(kNoPoint);
    pointerEvent(QEvent::MouseButtonPress, event->localPos(), 1.0);
}

void KvBoardView::mouseDoubleClickEvent(QMouseEvent *event)
{
    mousePressEvent(event);
}

void KvBoardView::mouseMoveEvent(QMouseEvent *event)
{
    if (isSynthesized(event))
        return;
    pointerEvent(QEvent::MouseMove, event->localPos(), 1.0);
    setHover(m_pointerDown ? kNoPoint : event->localPos());
}

void KvBoardView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || isSynthesized(event))
        return;
    pointerEvent(QEvent::MouseButtonRelease, event->localPos(), 1.0);
    setHover(event->localPos());
}

void KvBoardView::wheelEvent(QWheelEvent *event)
{
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QGraphicsView::wheelEvent(event);
        return;
    }
    if (event->angleDelta().y() > 0)
        zoomIn(event->position());
    else if (event->angleDelta().y() < 0)
        zoomOut(event->position());
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
    case QEvent::NativeGesture: {
        auto *gesture = static_cast<QNativeGestureEvent *>(event);
        if (gesture->gestureType() != Qt::ZoomNativeGesture)
            break;
        pinch(gesture->value(), gesture->localPos());
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
        break;
    }
    return QGraphicsView::viewportEvent(event);
}

void KvBoardView::showEvent(QShowEvent *event)
{
    QGraphicsView::showEvent(event);
    // A board opens at its top left corner, where people start writing.
    if (!std::exchange(m_shown, true))
        showTopLeft();
}

void KvBoardView::leaveEvent(QEvent *event)
{
    QGraphicsView::leaveEvent(event);
    setHover(kNoPoint);
}

void KvBoardView::paintEvent(QPaintEvent *event)
{
    KvGraphicsView::paintEvent(event);
    const QRectF outline = eraserOutline();
    if (outline.isEmpty())
        return;
    // Light on dark ink and dark on light ink alike.
    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0, 0, 0, 160), 3));
    painter.drawEllipse(outline);
    painter.setPen(QPen(QColor(255, 255, 255, 230), 1.5));
    painter.drawEllipse(outline);
}

void KvBoardView::scrollContentsBy(int dx, int dy)
{
    KvGraphicsView::scrollContentsBy(dx, dy);
    // The outline stays under the pointer; its pixels went with the scrolled board.
    const QRect outline = outlineArea();
    if (!outline.isEmpty())
        viewport()->update(QRegion(outline) + outline.translated(dx, dy));
}

void KvBoardView::drawBackground(QPainter *painter, const QRectF &rect)
{
    painter->fillRect(rect, kDeskColor);
    const QRectF page = m_board->scene()->sceneRect();
    // A soft shadow below and right of the page, then the page with a fine edge.
    painter->setPen(Qt::NoPen);
    for (int step = kShadowSteps; step >= 1; --step) {
        painter->setBrush(QColor(0, 0, 0, 90 / step));
        painter->drawRoundedRect(
            page.translated(step / 2.0, step).adjusted(-step, -step / 2.0, step, step / 2.0), step,
            step);
    }
    painter->fillRect(page, m_board->scene()->backgroundBrush());
    painter->setPen(QPen(kPageEdgeColor, 0));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(page);
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

// A touchpad's pinch adds up until it reaches the next level of the ladder. (Fingers on the
// board draw, each on its own: a touch screen has no pinch.)
void KvBoardView::pinch(qreal delta, const QPointF &anchor)
{
    constexpr qreal kPinchStep = 1.15;
    m_pinch *= 1.0 + delta;
    if (m_pinch > kPinchStep)
        zoomIn(anchor);
    else if (m_pinch < 1 / kPinchStep)
        zoomOut(anchor);
    else
        return;
    m_pinch = 1.0;
}

void KvBoardView::setHover(const QPointF &viewportPos)
{
    const QRect before = outlineArea();
    m_hover = viewportPos;
    const QRect after = outlineArea();
    if (before != after)
        viewport()->update(QRegion(before) + after);
}

QRect KvBoardView::outlineArea() const
{
    const QRectF outline = eraserOutline();
    // Half the outline's widest pen, and a pixel for antialiasing.
    return outline.isEmpty() ? QRect() : outline.toAlignedRect().adjusted(-3, -3, 3, 3);
}

// The eraser's reach under a hovering pointer, in viewport coordinates; empty unless the eraser
// is the tool. While the pointer is down the plug-in shows its own eraser.
QRectF KvBoardView::eraserOutline() const
{
    if (m_hover == kNoPoint || m_board->core()->stylus() != KvPen::EraserStylus)
        return QRectF();
    const qreal diameter = m_board->core()->eraserWidth();
    QRectF outline(0, 0, diameter, diameter);
    outline.moveCenter(m_hover);
    return outline;
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
