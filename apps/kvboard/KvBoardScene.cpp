#include "KvBoardScene.h"

#include "KvGraphicsStrokesGroup.h"

#include <QUuid>

namespace {

QString uuidText(const KvGraphicsStrokesGroup *group)
{
    return group->uuid().toString(QUuid::WithoutBraces);
}

} // namespace

KvBoardScene::KvBoardScene(QObject *parent)
    : KvGraphicsScene(parent)
{
    setSceneRect(0, 0, kWidth, kHeight);
    // Dark board: the plug-in's default ink is white.
    setBackgroundBrush(QColor(0x1F, 0x24, 0x30));
}

void KvBoardScene::addBoardItem(QGraphicsItem *item)
{
    auto *group = qgraphicsitem_cast<KvGraphicsStrokesGroup *>(item);
    const bool joins = group && group->QGraphicsItem::scene() != this;
    KvGraphicsScene::addBoardItem(item);
    if (!joins)
        return;
    emit strokeAdded(group);
    if (!m_recording)
        return;
    if (!m_changes.removed.removeOne(group))
        m_changes.added.append(group);
}

void KvBoardScene::removeBoardItem(QGraphicsItem *item, bool temporary)
{
    auto *group = qgraphicsitem_cast<KvGraphicsStrokesGroup *>(item);
    // The eraser removes a group once per piece it hits; only the first call takes it off.
    const bool leaves = group && !temporary && group->QGraphicsItem::scene() == this;
    KvGraphicsScene::removeBoardItem(item, temporary);
    if (!leaves || !m_recording)
        return;
    if (!m_changes.added.removeOne(group))
        m_changes.removed.append(group);
}

void KvBoardScene::setRecording(bool recording)
{
    m_recording = recording;
}

bool KvBoardScene::isRecording() const
{
    return m_recording;
}

KvBoardChanges KvBoardScene::takeChanges()
{
    return std::exchange(m_changes, {});
}

QList<KvGraphicsStrokesGroup *> KvBoardScene::strokes() const
{
    QList<KvGraphicsStrokesGroup *> result;
    for (QGraphicsItem *item : getFastAccessItems()) {
        if (auto *group = qgraphicsitem_cast<KvGraphicsStrokesGroup *>(item))
            result.append(group);
    }
    return result;
}

int KvBoardScene::pieceCount() const
{
    int pieces = 0;
    for (const KvGraphicsStrokesGroup *group : strokes())
        pieces += group->childItems().size();
    return pieces;
}

KvGraphicsStrokesGroup *KvBoardScene::strokeOnBoard(const QString &uuid) const
{
    for (KvGraphicsStrokesGroup *group : strokes()) {
        if (uuidText(group) == uuid)
            return group;
    }
    return nullptr;
}

KvGraphicsStrokesGroup *KvBoardScene::strokeOffBoard(const QString &uuid) const
{
    for (KvGraphicsStrokesGroup *group : strokesOffBoard()) {
        if (uuidText(group) == uuid)
            return group;
    }
    return nullptr;
}

QList<KvGraphicsStrokesGroup *> KvBoardScene::strokesOffBoard() const
{
    QList<KvGraphicsStrokesGroup *> result;
    for (QGraphicsItem *item : removedItems()) {
        if (auto *group = qgraphicsitem_cast<KvGraphicsStrokesGroup *>(item))
            result.append(group);
    }
    return result;
}

QStringList KvBoardScene::uuidsOf(const QList<KvGraphicsStrokesGroup *> &groups)
{
    QStringList uuids;
    for (const KvGraphicsStrokesGroup *group : groups)
        uuids.append(uuidText(group));
    return uuids;
}
