#include "KvToolAction.h"
#include "KvToolAction_p.h"

#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QPainter>
#include <QRandomGenerator>
#include <QSvgRenderer>
#include <QTimer>

namespace {
const QColor SelectionFrameColor(0, 178, 176);
const QColor PlainTextColor(0x333333);
} // namespace

KvToolActionPrivate::KvToolActionPrivate(KvToolAction *owner)
    : owner(owner)
    , longPressTimer(new QTimer(this))
    , jitterTimer(new QTimer(this))
{
    longPressTimer->setSingleShot(true);
    longPressTimer->setInterval(1500);
    jitterTimer->setInterval(200);
    connect(longPressTimer, &QTimer::timeout, this, [this] {
        wiggle = true;
        emit this->owner->startDrag();
        this->owner->repaint();
        jitterTimer->start();
    });
    connect(jitterTimer, &QTimer::timeout, this, [this] {
        jitter = QRandomGenerator::global()->bounded(-10, 10);
        this->owner->repaint();
    });
}

QString KvToolActionPrivate::iconFile(const QString &infix) const
{
    return stylePre + infix + (isSvg ? QStringLiteral(".svg") : QStringLiteral(".png"));
}

bool KvToolActionPrivate::iconExists(const QString &infix) const
{
    return QFile::exists(iconFile(infix));
}

QString KvToolActionPrivate::paintStateBackground(QPainter *painter) const
{
    const QString disabledInfix
        = iconExists(QStringLiteral("_dis")) ? QStringLiteral("_dis") : QString();
    if (plainStyle) {
        if (owner->isDown())
            return QStringLiteral("_p_pressed");
        if (hovered)
            return iconExists(QStringLiteral("_p_hover")) ? QStringLiteral("_p_hover")
                                                          : QStringLiteral("_p_pressed");
        return QStringLiteral("_p");
    }
    if (!owner->isEnabled()) {
        paintBorderAndBackground(painter);
        return disabledInfix;
    }
    QString infix;
    const bool down = owner->isDown();
    if (owner->isChecked() || down) {
        painter->fillPath(backgroundShape(0), checkedColor);
        infix = down ? QStringLiteral("_pressed") : QStringLiteral("_select");
    } else {
        paintBorderAndBackground(painter);
    }
    if (editing && !keepLookInEditing) {
        if (owner->isChecked() || down)
            paintBorderAndBackground(painter);
        infix = disabledInfix;
    }
    return infix;
}

QPainterPath KvToolActionPrivate::backgroundShape(qreal inset) const
{
    const QRectF r = QRectF(owner->rect()).adjusted(inset, inset, -inset, -inset);
    QPainterPath path;
    if (topLeftCorner > 0) {
        const QRectF box(r.left(), r.top(), topLeftCorner, topLeftCorner);
        path.arcMoveTo(box, 180);
        path.arcTo(box, 180, -90);
    } else {
        path.moveTo(r.topLeft());
    }
    if (topRightCorner > 0)
        path.arcTo(QRectF(r.right() - topRightCorner, r.top(), topRightCorner, topRightCorner), 90,
                   -90);
    else
        path.lineTo(r.topRight());
    if (bottomRightCorner > 0)
        path.arcTo(QRectF(r.right() - bottomRightCorner, r.bottom() - bottomRightCorner,
                          bottomRightCorner, bottomRightCorner),
                   0, -90);
    else
        path.lineTo(r.bottomRight());
    if (bottomLeftCorner > 0)
        path.arcTo(
            QRectF(r.left(), r.bottom() - bottomLeftCorner, bottomLeftCorner, bottomLeftCorner),
            270, -90);
    else
        path.lineTo(r.bottomLeft());
    path.closeSubpath();
    return path;
}

void KvToolActionPrivate::paintBorderAndBackground(QPainter *painter) const
{
    if (borderWidth > 0) {
        painter->fillPath(backgroundShape(0), borderColor);
        painter->fillPath(backgroundShape(borderWidth), backgroundColor);
    } else {
        painter->fillPath(backgroundShape(0), backgroundColor);
    }
}

void KvToolActionPrivate::paintIcon(QPainter *painter, const QString &file,
                                    const QRect &target) const
{
    if (!QFile::exists(file))
        return;
    if (file.endsWith(QLatin1String(".svg"))) {
        QSvgRenderer renderer(file);
        renderer.render(painter, target);
    } else {
        painter->drawPixmap(target, QPixmap(file));
    }
}

void KvToolActionPrivate::stopWiggle()
{
    longPressTimer->stop();
    jitterTimer->stop();
    wiggle = false;
    jitter = 0;
}

KvToolAction::KvToolAction(QWidget *parent)
    : QToolButton(parent)
    , d(new KvToolActionPrivate(this))
{
    QFont buttonFont = font();
    buttonFont.setPixelSize(12);
    setFont(buttonFont);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setCursor(Qt::PointingHandCursor);
}

KvToolAction::~KvToolAction() = default;

QString KvToolAction::stylePre() const
{
    return d->stylePre;
}

void KvToolAction::setStylePre(const QString &prefix)
{
    d->stylePre = prefix;
    emit stylePreChanged();
    update();
}

bool KvToolAction::isSvg() const
{
    return d->isSvg;
}

void KvToolAction::setIsSvg(bool svg)
{
    d->isSvg = svg;
    emit isSvgChanged();
    update();
}

void KvToolAction::setPlainStyle(bool plain)
{
    d->plainStyle = plain;
    update();
}

void KvToolAction::setDragEnabled(bool enabled)
{
    d->dragEnabled = enabled;
}

void KvToolAction::setOverlayText(const QString &text)
{
    d->overlayText = text;
    update();
}

void KvToolAction::setCornerSizes(qreal topLeft, qreal topRight, qreal bottomLeft,
                                  qreal bottomRight)
{
    d->topLeftCorner = topLeft;
    d->topRightCorner = topRight;
    d->bottomLeftCorner = bottomLeft;
    d->bottomRightCorner = bottomRight;
    update();
}

void KvToolAction::setBorder(int width, const QColor &color)
{
    d->borderWidth = width;
    d->borderColor = color;
    update();
}

void KvToolAction::setBackgroundColor(const QColor &color)
{
    d->backgroundColor = color;
    update();
}

void KvToolAction::setCheckedColor(const QColor &color)
{
    d->checkedColor = color;
    update();
}

void KvToolAction::setEditing(bool editing)
{
    d->editing = editing;
    update();
}

void KvToolAction::setInToolbar(bool inToolbar)
{
    d->inToolbar = inToolbar;
    update();
}

void KvToolAction::setAddDisabled(bool disabled)
{
    d->addDisabled = disabled;
    update();
}

void KvToolAction::setKeepLookInEditing(bool keep)
{
    d->keepLookInEditing = keep;
    update();
}

bool KvToolAction::isSelected() const
{
    return d->selected;
}

void KvToolAction::setSelected(bool selected)
{
    d->selected = selected;
    update();
}

void KvToolAction::mousePressEvent(QMouseEvent *event)
{
    QToolButton::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && hitButton(event->pos())) {
        d->pressPosition = event->pos();
        // A long press on a draggable button starts dragging it (the button then wiggles).
        if (d->dragEnabled)
            d->longPressTimer->start();
    }
}

void KvToolAction::mouseReleaseEvent(QMouseEvent *event)
{
    QToolButton::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    // The release also ends the wiggle of a long press.
    d->stopWiggle();
    if (d->editing) {
        if (d->badgeRect.contains(event->pos())) {
            if (!d->inToolbar) {
                emit addBoardToolbar();
            } else {
                d->selected = false;
                emit removeFormToolbar();
            }
        } else if (d->inToolbar) {
            d->selected = !d->selected;
            emit selectedMoveButton(d->selected);
        }
    } else {
        if (isChecked())
            emit checkedPressed();
        else
            emit uncheckedPressed();
        emit released();
    }
    update();
}

void KvToolAction::mouseMoveEvent(QMouseEvent *event)
{
    if ((event->buttons() & Qt::LeftButton) && d->dragEnabled && d->pressPosition != QPoint(-1, -1)
        && (event->pos() - d->pressPosition).manhattanLength()
            >= QApplication::startDragDistance()) {
        d->pressPosition = QPoint(-1, -1);
        event->accept();
        return;
    }
    QAbstractButton::mouseMoveEvent(event);
}

void KvToolAction::enterEvent(QEvent *event)
{
    d->hovered = true;
    repaint();
    QToolButton::enterEvent(event);
}

void KvToolAction::leaveEvent(QEvent *event)
{
    d->stopWiggle();
    d->hovered = false;
    repaint();
    QToolButton::leaveEvent(event);
}

void KvToolAction::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);

    if (d->selected) {
        painter.setPen(QPen(SelectionFrameColor, 1, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(0.5, 0.5, width() - 1, width() - 1));
    }

    const QString file = d->iconFile(d->paintStateBackground(&painter));

    const bool textUnderIcon = toolButtonStyle() == Qt::ToolButtonTextUnderIcon;
    const QSize iconSize = d->iconSize;
    const int iconY
        = (d->plainStyle || textUnderIcon) ? d->iconTop : (height() - iconSize.height()) / 2;
    const QRect iconRect(QPoint((width() - iconSize.width()) / 2, iconY), iconSize);
    const QRect textRect = d->plainStyle
        ? QRect(0, iconRect.y() + iconSize.height() + 6, width(), 22)
        : QRect(0, iconRect.y() + iconSize.height() + 3, width(), 17);

    painter.save();
    // A wiggling button tilts its icon by half a degree per jitter step.
    if (d->wiggle) {
        painter.translate(iconRect.center());
        painter.rotate(d->jitter * 0.5);
        painter.translate(-iconRect.center());
    }
    d->paintIcon(&painter, file, iconRect);
    painter.restore();

    if (!d->overlayText.isEmpty()) {
        QFont overlayFont = painter.font();
        overlayFont.setPixelSize(12);
        painter.setFont(overlayFont);
        painter.setPen(PlainTextColor);
        painter.drawText(iconRect, Qt::AlignCenter, d->overlayText);
    }

    if (textUnderIcon) {
        painter.setFont(font());
        if (d->plainStyle)
            painter.setPen(PlainTextColor);
        else if (isChecked() || isDown())
            painter.setPen(QColor(0xFFFFFF));
        else if (isEnabled())
            painter.setPen(QColor(0x666666));
        else
            painter.setPen(QColor(0xC5C5C5));
        painter.drawText(textRect, Qt::AlignHCenter, text());
    }

    if (d->editing && property("type").toInt() > 6) {
        d->badgeRect = QRect(width() - 25, 0, 20, 20);
        const QString badge = d->inToolbar ? QStringLiteral(":/res/imgs/icon_removetool.svg")
            : d->addDisabled               ? QStringLiteral(":/res/imgs/icon_addtool_dis1.svg")
                                           : QStringLiteral(":/res/imgs/icon_addtool.svg");
        d->paintIcon(&painter, badge, QRect(width() - 15, 0, 15, 15));
    }
}
