#include "KvBoardClickThrough.h"

#include "KvPenPopupWidget.h"

#include <QApplication>
#include <QMouseEvent>

KvBoardClickThrough::KvBoardClickThrough(KvPenPopupWidget *popup)
    : QObject(popup)
    , m_popup(popup)
{
    popup->setAttribute(Qt::WA_NoMouseReplay);
    popup->installEventFilter(this);
    connect(popup, &KvPenPopupWidget::hideByClickedOtherArea, this,
            &KvBoardClickThrough::pressThrough);
}

bool KvBoardClickThrough::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched != m_popup || !m_target || m_popup->isVisible()
        || (type != QEvent::MouseMove && type != QEvent::MouseButtonRelease))
        return false;
    forward(static_cast<QMouseEvent *>(event));
    if (type == QEvent::MouseButtonRelease)
        m_target = nullptr;
    return true;
}

void KvBoardClickThrough::pressThrough()
{
    m_target = nullptr;
    if (!(QApplication::mouseButtons() & Qt::LeftButton))
        return;
    const QPoint global = QCursor::pos();
    QWidget *target = QApplication::widgetAt(global);
    if (!target || target == m_popup || m_popup->isAncestorOf(target))
        return;
    m_target = target;
    const QPoint local = target->mapFromGlobal(global);
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton,
                      QApplication::mouseButtons(), QApplication::keyboardModifiers());
    QCoreApplication::sendEvent(target, &press);
}

void KvBoardClickThrough::forward(QMouseEvent *event)
{
    const QPointF local = m_target->mapFromGlobal(event->globalPos());
    QMouseEvent copy(event->type(), local, event->screenPos(), event->button(), event->buttons(),
                     event->modifiers());
    QCoreApplication::sendEvent(m_target, &copy);
}
