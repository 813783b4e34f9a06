#pragma once

#include "KvToolAction.h"
#include "kvpen_export.h"

#include <QColor>

// Toolbar button of the pen tool; it remembers the pen colour for the host but paints exactly
// like any other tool button.
class KVPEN_EXPORT KvToolPenButton : public KvToolAction
{
    Q_OBJECT
public:
    explicit KvToolPenButton(QWidget *parent = nullptr);

    QColor penColor() const;
    void setPenColor(const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_penColor = Qt::white;
};
