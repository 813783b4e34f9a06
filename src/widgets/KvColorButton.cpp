#include "KvColorButton.h"

#include <QPainter>

namespace {
const QSize kSwatchSize(35, 35);
const QColor kCheckedRingColor(0xDE, 0x6F, 0x6F);
const qreal kCheckedDiscRadius = 12.0;
} // namespace

KvColorButton::KvColorButton(QWidget *parent)
    : QPushButton(parent)
{
    setCheckable(true);
    setFixedSize(kSwatchSize);
}

QColor KvColorButton::backColor() const
{
    return m_backColor;
}

void KvColorButton::setBackColor(const QColor &color)
{
    m_backColor = color;
    update();
}

bool KvColorButton::isCustomColor() const
{
    return m_isCustomColor;
}

void KvColorButton::setIsCustomColor(bool custom)
{
    m_isCustomColor = custom;
}

void KvColorButton::paintEvent(QPaintEvent *)
{
    if (m_isCustomColor)
        return;

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isChecked()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_backColor);
        painter.drawEllipse(rect());
        return;
    }
    painter.setPen(
        QPen(QBrush(kCheckedRingColor), 2.0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QRectF(1, 1, width() - 2, height() - 2));
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_backColor);
    painter.drawEllipse(QPointF(width() * 0.5, height() * 0.5), kCheckedDiscRadius,
                        kCheckedDiscRadius);
}

KvCustomColorButton::KvCustomColorButton(QWidget *parent)
    : KvColorButton(parent)
{
    setCheckable(true);
    setFixedSize(kSwatchSize);
}

void KvCustomColorButton::paintEvent(QPaintEvent *event)
{
    QPushButton::paintEvent(event);
}
