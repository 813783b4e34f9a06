#pragma once

#include <QGraphicsSvgItem>
#include <QGraphicsView>
#include <QObject>
#include <QPointer>
#include <QToolButton>

class KvPenPopupWidget;

class KvPenPopupWidgetPrivate : public QObject
{
    Q_OBJECT
public:
    explicit KvPenPopupWidgetPrivate(KvPenPopupWidget *owner);

    bool hasOpener() const;
    // Global rectangle of the control that opens the popup: the tool action, else the related
    // widget, else the related item as its view shows it; a null rectangle when none is set.
    QRect openerGlobalRect() const;
    QRect popupGlobalRect() const;

    KvPenPopupWidget *owner;
    // Guarded: the host may delete the opening controls before the popup.
    QPointer<QToolButton> toolAction;
    QPointer<QWidget> relatedWidget;
    bool pressed = false;
    QPointer<QGraphicsSvgItem> relatedItem;
    QPointer<QGraphicsView> relatedView;
};
