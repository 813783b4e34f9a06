#include "KvPenPopupWidget.h"
#include "KvPenPopupWidget_p.h"

#include <QCoreApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>

namespace {
QRect globalRect(const QWidget *widget)
{
    return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
}
} // namespace

KvPenPopupWidgetPrivate::KvPenPopupWidgetPrivate(KvPenPopupWidget *owner)
    : owner(owner)
{ }

bool KvPenPopupWidgetPrivate::hasOpener() const
{
    return toolAction || relatedWidget || (relatedItem && relatedView);
}

QRect KvPenPopupWidgetPrivate::openerGlobalRect() const
{
    if (toolAction)
        return globalRect(toolAction);
    if (relatedWidget)
        return globalRect(relatedWidget);
    if (relatedItem && relatedView) {
        const QRect inView
            = relatedView->mapFromScene(relatedItem->sceneBoundingRect()).boundingRect();
        return inView.translated(relatedView->viewport()->mapToGlobal(QPoint(0, 0)));
    }
    return QRect();
}

QRect KvPenPopupWidgetPrivate::popupGlobalRect() const
{
    return globalRect(owner);
}

KvPenPopupWidget::KvPenPopupWidget(QWidget *parent)
    : QWidget(parent, Qt::Popup)
    , d(new KvPenPopupWidgetPrivate(this))
{
    QCoreApplication::instance()->installEventFilter(this);
}

KvPenPopupWidget::~KvPenPopupWidget() = default;

void KvPenPopupWidget::setToolAction(QToolButton *button)
{
    d->toolAction = button;
}

QToolButton *KvPenPopupWidget::toolAction()
{
    return d->toolAction;
}

void KvPenPopupWidget::setRelatedWidget(QWidget *widget)
{
    d->relatedWidget = widget;
}

void KvPenPopupWidget::setRelatedItem(QGraphicsSvgItem *item, QGraphicsView *view)
{
    d->relatedItem = item;
    d->relatedView = view;
}

QGraphicsSvgItem *KvPenPopupWidget::relatedItem()
{
    return d->relatedItem;
}

QGraphicsView *KvPenPopupWidget::relatedView()
{
    return d->relatedView;
}

bool KvPenPopupWidget::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if ((type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease) && isVisible()) {
        const QPoint cursor = QCursor::pos();
        // Without a tool action, the related widget or item is the control that may be pressed.
        if (!d->openerGlobalRect().contains(cursor) && !d->popupGlobalRect().contains(cursor))
            hide();
    }
    return QWidget::eventFilter(watched, event);
}

void KvPenPopupWidget::hideEvent(QHideEvent *event)
{
    emit hidePopupWidget();
    const QPoint cursor = QCursor::pos();
    // Every rectangle is compared in global coordinates, like the cursor.
    const bool outsidePopup = !d->popupGlobalRect().contains(cursor);
    if (d->pressed) {
        if (d->hasOpener() && outsidePopup && !d->openerGlobalRect().contains(cursor)) {
            emit hideByClickedOtherArea();
            if (d->toolAction)
                emit sigClickedOtherArea();
        }
    } else if (outsidePopup) {
        emit hideByClickedOtherArea();
    }
    d->pressed = false;
    QWidget::hideEvent(event);
}

void KvPenPopupWidget::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
}

void KvPenPopupWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        d->pressed = true;
    QWidget::mousePressEvent(event);
}

void KvPenPopupWidget::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (!rect().contains(event->pos()))
        emit hideByClickedOtherArea();
    QWidget::mouseDoubleClickEvent(event);
}

void KvPenPopupWidget::paintEvent(QPaintEvent *event)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
    painter.end();
    QWidget::paintEvent(event);
}
