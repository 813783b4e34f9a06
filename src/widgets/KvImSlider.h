#pragma once

#include "kvpen_export.h"

#include <QSlider>

// A slider that jumps straight to the pressed position instead of stepping a page.
class KVPEN_EXPORT KvImSlider : public QSlider
{
    Q_OBJECT
public:
    explicit KvImSlider(QWidget *parent = nullptr);

signals:
    // Emitted at every mouse press, before the slider reacts to it.
    void sigMousePressed();

protected:
    void mousePressEvent(QMouseEvent *event) override;
};
