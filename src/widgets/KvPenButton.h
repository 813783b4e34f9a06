#pragma once

#include "kvpen_export.h"

#include <QColor>
#include <QPushButton>

// Round checkable button that paints a preview of the current tool: a pen, a highlighter or a
// wave whose outline previews the width, in the tool's colour on a coloured disc.
class KVPEN_EXPORT KvPenButton : public QPushButton
{
    Q_OBJECT
public:
    enum PenType { Pen = 0, Marker = 1, Width = 2 };
    Q_ENUM(PenType)

    explicit KvPenButton(QWidget *parent = nullptr);

    PenType type() const;
    void setType(const PenType &type);
    QColor penColor() const;
    void setPenColor(const QColor &color);
    int penWidth() const;
    void setPenWidth(int width);
    QColor backColor() const;
    void setBackColor(const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    PenType m_type = Pen;
    QColor m_penColor;
    int m_penWidth = 3;
    QColor m_backColor = QColor(0xFF00B2B0);
};
