#pragma once

#include "kvpen_export.h"

#include <QColor>
#include <QPushButton>

// A round, checkable 35 × 35 colour swatch of the palette. It paints a full disc of its
// colour, or a ring around a smaller disc while checked.
class KVPEN_EXPORT KvColorButton : public QPushButton
{
    Q_OBJECT
public:
    explicit KvColorButton(QWidget *parent = nullptr);

    QColor backColor() const;
    void setBackColor(const QColor &color);

    // True for the palette's custom colour button, which paints nothing of its own here.
    bool isCustomColor() const;
    void setIsCustomColor(bool custom);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_backColor;
    bool m_isCustomColor = false;
};

// The palette's custom colour button: a plain push button whose look comes from its
// style sheet (the rainbow ring images).
class KVPEN_EXPORT KvCustomColorButton : public KvColorButton
{
    Q_OBJECT
public:
    explicit KvCustomColorButton(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
