#pragma once

#include "kvpen_export.h"

#include <QSharedPointer>
#include <QWidget>

class QGraphicsSvgItem;
class QGraphicsView;
class QToolButton;
class KvPenPopupWidgetPrivate;

// Base of the tool popups: a popup window that closes when the user presses anywhere outside
// it and outside the control that opened it, and says on hide whether a click elsewhere did it.
class KVPEN_EXPORT KvPenPopupWidget : public QWidget
{
    Q_OBJECT
public:
    explicit KvPenPopupWidget(QWidget *parent = nullptr);
    ~KvPenPopupWidget() override;

    void setToolAction(QToolButton *button);
    QToolButton *toolAction();
    void setRelatedWidget(QWidget *widget);
    void setRelatedItem(QGraphicsSvgItem *item, QGraphicsView *view);
    QGraphicsSvgItem *relatedItem();
    QGraphicsView *relatedView();

signals:
    void hideByClickedOtherArea();
    void hidePopupWidget();
    void sigClickedOtherArea();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QSharedPointer<KvPenPopupWidgetPrivate> d;
};
