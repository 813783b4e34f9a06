#include "KvErasePopup.h"
#include "ui_KvErasePopup.h"

#include <QMouseEvent>
#include <QPainter>

namespace {
// Handles are a third of small widths and a fifth of the others.
int handleDiameter(int width)
{
    return width < 65 ? width / 3 : width / 5;
}

QRect squareAround(const QPoint &centre, int side)
{
    return QRect(centre.x() - side / 2, centre.y() - side / 2, side, side);
}
} // namespace

KvErasePopup::KvErasePopup(QWidget *parent)
    : KvPenPopupWidget(parent)
    , ui(new Ui::KvErasePopup)
{
    ui->setupUi(this);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    m_widths = {30, 65, 70, 75, 80, 85, 90, 100, 110, 120};
}

KvErasePopup::~KvErasePopup()
{
    delete ui;
}

int KvErasePopup::eraseWidth() const
{
    return m_eraseWidth;
}

void KvErasePopup::setEraseWidth(int width)
{
    m_eraseWidth = width;
    updateDragRect(width);
    update();
}

void KvErasePopup::showErase(const QPoint &pos)
{
    move(pos.x(), pos.y() - height() - 18);
    show();
    activateWindow();
}

void KvErasePopup::paintEvent(QPaintEvent *event)
{
    KvPenPopupWidget::paintEvent(event);

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);

    painter.setBrush(QColor(0xFF2E3249));
    painter.drawRoundedRect(QRect(0, 0, 266, 42), 10, 10);

    QRect filled = m_trackRect;
    filled.setWidth(m_handlePos.x() - m_trackRect.x());
    painter.setBrush(QColor(0xFF2C7DFB));
    painter.drawRoundedRect(filled, 2, 2);

    const QRect rest(m_handlePos.x(), m_trackRect.y(),
                     m_trackRect.x() + m_trackRect.width() - m_handlePos.x(), m_trackRect.height());
    painter.setBrush(QColor(0xFF3E456B));
    painter.drawRoundedRect(rest, 2, 2);

    updateDragRect(m_handlePos);
    const qreal radius = m_dragRect.width() / 2.0;
    painter.setBrush(QColor(0xFFFFFFFF));
    painter.drawRoundedRect(m_dragRect, radius, radius);
}

void KvErasePopup::resizeEvent(QResizeEvent *event)
{
    KvPenPopupWidget::resizeEvent(event);
    m_trackRect = QRect(15, 21, 195, 4);
    updateDragRect(m_eraseWidth);
    update();
}

void KvErasePopup::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        QRect hitBox(0, 0, 32, 32);
        hitBox.moveCenter(m_dragRect.center());
        if (hitBox.contains(event->pos())) {
            m_pressPos = event->pos();
            m_dragging = true;
        }
    }
    KvPenPopupWidget::mousePressEvent(event);
}

void KvErasePopup::mouseMoveEvent(QMouseEvent *event)
{
    if (m_pressed && m_dragging) {
        const int x = event->pos().x();
        if (x >= m_trackRect.x() && x <= m_trackRect.x() + m_trackRect.width() - 5)
            m_handlePos = QPoint(x - 1, height() / 2);
        reportWidthUnderHandle();
        update();
    }
    QWidget::mouseMoveEvent(event);
}

void KvErasePopup::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_pressed) {
        // Letting go over the clear-all button cancels the drag.
        if (m_dragging && m_clearButtonArea.contains(event->pos()))
            m_handlePos = QPoint(m_pressPos.x(), height() / 2);
        reportWidthUnderHandle();
        update();
    }
    m_dragging = false;
    m_pressed = false;
    QWidget::mouseReleaseEvent(event);
}

void KvErasePopup::on_emptyBtn_clicked()
{
    emit clearScene();
}

int KvErasePopup::getIndex(int width)
{
    return qMax(0, m_widths.indexOf(width));
}

int KvErasePopup::getWidth(const QPoint &pos)
{
    // The reported width uses whole-pixel slots; the painted handle uses fractional ones.
    const int slot = m_trackRect.width() / m_widths.size();
    if (slot <= 0)
        return getWidth(0);
    return getWidth((pos.x() - m_trackRect.x()) / slot);
}

int KvErasePopup::getWidth(int index)
{
    return index >= 0 && index < m_widths.size() ? m_widths.at(index) : m_widths.first();
}

void KvErasePopup::updateDragRect(const QPoint &pos)
{
    const double slot = double(m_trackRect.width()) / m_widths.size();
    const int index = slot > 0 ? int((pos.x() - m_trackRect.x()) / slot) : 0;
    m_dragRect = squareAround(pos, handleDiameter(getWidth(index)));
}

void KvErasePopup::updateDragRect(int width)
{
    const double slot = double(m_trackRect.width()) / m_widths.size();
    m_handlePos = QPoint(int(m_trackRect.x() + getIndex(width) * slot),
                         m_trackRect.y() + m_trackRect.height() / 2);
    m_dragRect = squareAround(m_handlePos, handleDiameter(width));
}

void KvErasePopup::reportWidthUnderHandle()
{
    const int width = getWidth(m_handlePos);
    if (width == m_eraseWidth)
        return;
    m_eraseWidth = width;
    emit eraseWidthChanged(width);
}
