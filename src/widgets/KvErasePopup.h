#pragma once

#include "KvPenPopupWidget.h"
#include "kvpen_export.h"

#include <QList>
#include <QRect>

namespace Ui {
class KvErasePopup;
}

// Popup of the eraser tool: a track with a handle that snaps to ten eraser widths, and a
// button that asks the host to clear the board. It neither erases nor clears by itself.
class KVPEN_EXPORT KvErasePopup : public KvPenPopupWidget
{
    Q_OBJECT
public:
    explicit KvErasePopup(QWidget *parent = nullptr);
    ~KvErasePopup() override;

    int eraseWidth() const;
    void setEraseWidth(int width);
    // Opens the popup above `pos`, a global point, normally on the eraser's toolbar button.
    void showErase(const QPoint &pos);

signals:
    void clearScene();
    void eraseWidthChanged(int width);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private slots:
    void on_emptyBtn_clicked();

private:
    int getIndex(int width);
    int getWidth(const QPoint &pos);
    int getWidth(int index);
    void updateDragRect(const QPoint &pos);
    void updateDragRect(int width);
    void reportWidthUnderHandle();

    Ui::KvErasePopup *ui;
    QRect m_dragRect;
    QRect m_trackRect;
    bool m_pressed = false;
    QPoint m_pressPos {-1, -1};
    QPoint m_handlePos {0, 0};
    QList<int> m_widths;
    QRect m_clearButtonArea {220, 2, 36, 36};
    bool m_dragging = false;
    int m_eraseWidth = 30;
};
