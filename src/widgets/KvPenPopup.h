#pragma once

// hightWidth and hightWidthChanged (the highlighter's width) are spelt as hosts know them.

#include "KvPenPopupWidget.h"
#include "kvpen_export.h"

#include <QColor>
#include <QList>

namespace Ui {
class KvPenPopup;
}

// The popup in which the user picks the width and colour of the pen and of the highlighter
// ("hight"): two palette pages sharing one 20-step width slider, a preview button, and an
// area to the right, normally folded, that holds the host's free colour chooser.
class KVPEN_EXPORT KvPenPopup : public KvPenPopupWidget
{
    Q_OBJECT
public:
    explicit KvPenPopup(QWidget *parent = nullptr);
    ~KvPenPopup() override;

    // Opens the popup above the global point pos (normally on its toolbar button).
    void showPen(const QPoint &pos);
    // Switches to the pen (true) or highlighter page as if its button had been clicked.
    void setPenPageVisible(bool pen);
    bool isCurrentPen() const;

    int penWidth() const;
    int hightWidth() const;
    QColor penColor() const;
    QColor hightColor() const;

    void setPenWidth(int width);
    void setHightWidth(int width);
    void setPenColor(const QColor &c);
    void setHightColor(const QColor &c);
    void setSliderColor(const QColor &c);

signals:
    void penWidthChanged(int value);
    void hightWidthChanged(int value);
    void penColorChanged(const QColor &color);
    void hightColorChanged(const QColor &color);
    void penClicked(int width, const QColor &color);
    void hightClicked(int width, const QColor &color);

private slots:
    void on_penButton_clicked();
    void on_hightButton_clicked();
    void on_horizontalSlider_sliderMoved(int position);
    void on_horizontalSlider_valueChanged(int value);

private:
    void applySliderWidth();
    void onPenPaletteClicked(int index, const QColor &color);
    void onHightPaletteClicked(int index, const QColor &color);
    // Shows or hides the custom colour area on the given chooser page.
    void toggleCustomColorArea(QWidget *chooser);
    void foldCustomColorArea();

    int getPenIndex(int width);
    int getPenWidth(int index);
    int getHighIndex(int width);
    int getHighWidth(int index);

    Ui::KvPenPopup *ui;
    int m_penWidth = 2;
    int m_hightWidth = 9;
    QColor m_penColor;
    QColor m_hightColor;
    QList<int> m_penWidths;
    QList<int> m_hightWidths;
};
