#pragma once

#include <QColor>
#include <QObject>
#include <QPainterPath>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

class KvToolAction;
class QPainter;
class QTimer;

class KvToolActionPrivate : public QObject
{
    Q_OBJECT
public:
    explicit KvToolActionPrivate(KvToolAction *owner);

    QString iconFile(const QString &infix) const;
    bool iconExists(const QString &infix) const;
    // Picks the icon infix for the button's state and paints the background that goes with it.
    QString paintStateBackground(QPainter *painter) const;
    // The button's rectangle inset by `inset`, with the configured corner arcs.
    QPainterPath backgroundShape(qreal inset) const;
    void paintBorderAndBackground(QPainter *painter) const;
    void paintIcon(QPainter *painter, const QString &file, const QRect &target) const;
    void stopWiggle();

    KvToolAction *owner;
    QPoint pressPosition {-1, -1};
    bool dragEnabled = false;
    QString stylePre;
    qreal topLeftCorner = 0;
    qreal topRightCorner = 0;
    qreal bottomLeftCorner = 0;
    qreal bottomRightCorner = 0;
    bool plainStyle = false;
    bool isSvg = false;
    QSize iconSize {28, 28};
    QColor backgroundColor = Qt::transparent;
    QColor checkedColor = QColor(0xFFDE6F6F);
    int iconTop = 9;
    QTimer *longPressTimer;
    QTimer *jitterTimer;
    bool wiggle = false;
    int jitter = 0;
    bool hovered = false;
    QString overlayText;
    bool editing = false;
    bool inToolbar = false;
    QRect badgeRect;
    bool addDisabled = false;
    bool selected = false;
    bool keepLookInEditing = false;
    int borderWidth = 0;
    QColor borderColor = Qt::transparent;
};
