#pragma once

#include "kvpen_export.h"

#include <QColor>
#include <QList>
#include <QWidget>

class QButtonGroup;

namespace Ui {
class KvColorSelectWidget;
}

// A palette of eleven preset colour swatches and a custom colour button, three rows of
// four. At most one button is checked; a click is reported with the button's index (the
// custom button is index 11), its colour and whether it is the custom button.
class KVPEN_EXPORT KvColorSelectWidget : public QWidget
{
    Q_OBJECT
public:
    explicit KvColorSelectWidget(QWidget *parent = nullptr);
    ~KvColorSelectWidget() override;

    // Fills the palette; ignored unless exactly eleven colours are given.
    void setColorList(const QList<QColor> &colors);
    // Checks the swatch of this colour; an unknown colour leaves the check as it is.
    void changeColor(const QColor &color);
    // Recolours the button at this index.
    void changeColor(int index, const QColor &color);
    // The index of the checked button, -1 when none is checked.
    int getCheckedIndex();
    QColor penColor() const;

signals:
    void colorClicked(int index, const QColor &color, bool isCustom);

private:
    void addButton(const QColor &color, int index, bool isCustom);

    Ui::KvColorSelectWidget *ui;
    int m_rowCount = 3;
    int m_columnCount = 4;
    QButtonGroup *m_buttonGroup;
};
