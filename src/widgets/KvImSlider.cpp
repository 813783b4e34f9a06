#include "KvImSlider.h"

#include <QMouseEvent>

#include <cmath>

KvImSlider::KvImSlider(QWidget *parent)
    : QSlider(parent)
{ }

void KvImSlider::mousePressEvent(QMouseEvent *event)
{
    emit sigMousePressed();
    QSlider::mousePressEvent(event);

    const double span = maximum() - minimum();
    const double fraction = orientation() == Qt::Horizontal
        ? event->pos().x() / double(width() - 4)
        : 1.0 - event->pos().y() / double(height());
    const double value = minimum() + fraction * span;
    // A slider too small to have a track keeps the value QSlider gave it.
    if (!std::isfinite(value))
        return;
    setValue(int(qBound<double>(minimum(), value, maximum())));
}
