#include "KvPenCore.h"

#include "KvCoreGraphicsScene.h"
#include "KvGraphicsItem.h"
#include "KvGraphicsItemDelegate.h"
#include "KvPenSelectFrame.h"

#include <QDebug>

namespace {
constexpr int kStrokesGroupType = 65550;
} // namespace

KvPenCore::KvPenCore(QObject *parent)
    : QObject(parent)
{
    setSurportTypeList({0, 2, 1});
    setItemTypeList({kStrokesGroupType});
}

KvPenCore::~KvPenCore() = default;

QColor KvPenCore::penColor() const
{
    return QColor(0xFF, 0xFF, 0xFF);
}

void KvPenCore::setPenColor(const QColor &) { }

int KvPenCore::penWidth() const
{
    return 10;
}

void KvPenCore::setPenWidth(int) { }

QColor KvPenCore::markerColor() const
{
    return QColor(0xF8, 0xE7, 0x1C);
}

void KvPenCore::setMarkerColor(const QColor &) { }

int KvPenCore::markerWidth() const
{
    return 10;
}

void KvPenCore::setMarkerWidth(int) { }

double KvPenCore::eraserWidth() const
{
    return 30;
}

void KvPenCore::setEraserWidth(double) { }

bool KvPenCore::getIsCanRedo() const
{
    return true;
}

void KvPenCore::setIsCanRedo(bool) { }

bool KvPenCore::getIsCanRemote() const
{
    return isCanRemote;
}

void KvPenCore::setIsCanRemote(bool canRemote)
{
    isCanRemote = canRemote;
}

ctkPluginContext *KvPenCore::getContext() const
{
    return context;
}

void KvPenCore::setContext(ctkPluginContext *context)
{
    this->context = context;
}

void KvPenCore::currentSceneChanged(KvCoreGraphicsScene *scene)
{
    KvObjectCore::currentSceneChanged(scene);
}

bool KvPenCore::inputDevicePress(int, const QPointF &, const double &)
{
    return false;
}

bool KvPenCore::inputDevicePress(const QPointF &, const double &)
{
    return false;
}

bool KvPenCore::inputDeviceMove(int, const QPointF &, const double &)
{
    return false;
}

bool KvPenCore::inputDeviceMove(const QPointF &, const double &)
{
    return true;
}

bool KvPenCore::inputDeviceRelease(int)
{
    return false;
}

bool KvPenCore::inputDeviceRelease()
{
    return false;
}

void KvPenCore::remoteData(const QString &, int, const QJsonObject &) { }
void KvPenCore::showFrame(QGraphicsItem *item)
{
    KvGraphicsItemDelegate *delegate = getItemDelegate(item);
    if (!delegate)
        return;
    delegate->createControls();
    item->setVisible(true);
    delegate->showControls();
}

void KvPenCore::showFrameItems(const QList<QGraphicsItem *> &items)
{
    // The frame lives on a board; without one there is nothing to frame.
    if (!scene()) {
        qDebug() << "KvPenCore::showFrameItems"
                 << "refused: no scene";
        return;
    }
    if (!selectFrame)
        selectFrame = new KvPenSelectFrame;
    selectFrame->setItems(items);
    scene()->addBoardItem(selectFrame);
    selectFrame->setVisible(true);
    selectFrame->setEnclosedItems(items);
    selectFrame->checkContainsCopyItems(items);
}

void KvPenCore::hideFrameItems()
{
    if (selectFrame)
        selectFrame->hideFrameItems();
}

bool KvPenCore::isMainShowFrames()
{
    return false;
}

KvGraphicsItemDelegate *KvPenCore::getItemDelegate(QGraphicsItem *item)
{
    if (!item || item->type() != kStrokesGroupType)
        return nullptr;
    const auto *group = dynamic_cast<KvGraphicsItem *>(item);
    return group ? group->delegate() : nullptr;
}

void KvPenCore::setStylus(int stylus)
{
    KvObjectCore::setStylus(stylus);
}

void KvPenCore::exportScene(QList<KvSaveDataItem> &, const QString &) { }
void KvPenCore::importScene(const QList<KvSaveDataItem> &, const QString &) { }
void KvPenCore::setEraseArea(const QRectF &) { }
void KvPenCore::setEndErase() { }

QString KvPenCore::exportName()
{
    return QStringLiteral("penCore");
}

void KvPenCore::exportSceneXml(QDomDocument *, QDomElement *, const QString &) { }
void KvPenCore::importSceneXml(QDomDocument *, QDomElement *, const QString &) { }
void KvPenCore::eraseScrollItem() { }
void KvPenCore::sendEraseScrollItem() { }
void KvPenCore::foucesMouseRelease() { }
void KvPenCore::hideEraseWidget() { }

KvGraphicsPolygonItem *KvPenCore::polygonToPolygonItem(QPolygonF)
{
    return nullptr;
}

void KvPenCore::exportOriginalPointInfoXml(QDomDocument *, QDomElement *, const QString &) { }
void KvPenCore::paintPen(const QJsonObject &) { }
void KvPenCore::sendRemoteData(const QUuid &, int, const QJsonObject &) { }
void KvPenCore::sendMouse(int, const QPointF &, int, const QUuid &, const QString &) { }
void KvPenCore::penChanged(QJsonObject &) { }
