#include "KvToolPenButton.h"

KvToolPenButton::KvToolPenButton(QWidget *parent)
    : KvToolAction(parent)
{ }

QColor KvToolPenButton::penColor() const
{
    return m_penColor;
}

void KvToolPenButton::setPenColor(const QColor &color)
{
    m_penColor = color;
    repaint();
}

void KvToolPenButton::paintEvent(QPaintEvent *event)
{
    KvToolAction::paintEvent(event);
}
