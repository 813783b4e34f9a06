#include "KvGraphicsItemDelegate.h"

#include "KvGraphicsScene.h"

#include <QGraphicsScene>
#include <QPainter>

// The visible controls: a dashed frame on the board around the item.
class KvGraphicsItemControls : public QGraphicsObject
{
public:
    QRectF boundingRect() const override { return m_rect.adjusted(-1, -1, 1, 1); }
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *) override
    {
        QPen pen(QColor(0, 178, 176), 1, Qt::DashLine);
        pen.setCosmetic(true);
        painter->setPen(pen);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(m_rect);
    }
    void setRect(const QRectF &rect)
    {
        prepareGeometryChange();
        m_rect = rect;
    }

private:
    QRectF m_rect;
};

KvGraphicsItemDelegate::KvGraphicsItemDelegate(QGraphicsItem *item, QObject *parent,
                                               QFlags<KvGraphicsFlag> flags)
    : QObject(parent)
    , m_item(item)
    , m_flags(flags)
{ }

KvGraphicsItemDelegate::~KvGraphicsItemDelegate()
{
    freeControls();
}

QGraphicsItem *KvGraphicsItemDelegate::item() const
{
    return m_item;
}

QFlags<KvGraphicsFlag> KvGraphicsItemDelegate::flags() const
{
    return m_flags;
}

bool KvGraphicsItemDelegate::hasControls() const
{
    return m_controls;
}

bool KvGraphicsItemDelegate::controlsVisible() const
{
    return m_controls && m_controls->isVisible();
}

// The controls are kept out of the item's own children so that they never count as part of
// it; the delegate owns them until the scene they are shown on goes first.
void KvGraphicsItemDelegate::createControls()
{
    if (m_controls)
        return;
    m_controls = new KvGraphicsItemControls;
    m_controls->setZValue(1e6);
    m_controls->setVisible(false);
    updateControlsGeometry();
}

void KvGraphicsItemDelegate::showControls()
{
    if (!m_controls)
        return;
    updateControlsGeometry();
    m_controls->setVisible(true);
}

void KvGraphicsItemDelegate::hideControls()
{
    if (m_controls)
        m_controls->setVisible(false);
}

void KvGraphicsItemDelegate::freeControls()
{
    delete m_controls.data();
}

QVariant KvGraphicsItemDelegate::itemChange(QGraphicsItem::GraphicsItemChange change,
                                            const QVariant &value)
{
    switch (change) {
    case QGraphicsItem::ItemSelectedHasChanged:
        if (value.toBool()) {
            createControls();
            showControls();
        } else {
            hideControls();
        }
        break;
    case QGraphicsItem::ItemPositionHasChanged:
    case QGraphicsItem::ItemTransformHasChanged:
        if (controlsVisible())
            updateControlsGeometry();
        break;
    case QGraphicsItem::ItemSceneHasChanged:
        if (m_controls && m_controls->scene() != value.value<QGraphicsScene *>())
            updateControlsGeometry();
        break;
    case QGraphicsItem::ItemZValueHasChanged:
        if (auto *board = qobject_cast<KvGraphicsScene *>(m_item->scene()))
            board->boardItemZValueChanged(m_item);
        break;
    default:
        break;
    }
    return value;
}

void KvGraphicsItemDelegate::mouseReleaseEvent(QGraphicsSceneMouseEvent *) { }

void KvGraphicsItemDelegate::startUndoStep()
{
    emit undoStepStarted();
}

void KvGraphicsItemDelegate::commitUndoStep(int first, int second)
{
    emit undoStepCommitted(first, second);
}

void KvGraphicsItemDelegate::updateControlsGeometry()
{
    QGraphicsScene *scene = m_item ? m_item->scene() : nullptr;
    if (m_controls->scene() != scene) {
        if (m_controls->scene())
            m_controls->scene()->removeItem(m_controls);
        if (scene)
            scene->addItem(m_controls);
    }
    if (m_item)
        m_controls->setRect(m_item->sceneBoundingRect());
}
