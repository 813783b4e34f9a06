#include "KvRecordingScene.h"

#include <QTest>

void KvRecordingScene::addBoardItem(QGraphicsItem *item)
{
    calls.append({Call::Add, item, false});
    KvGraphicsScene::addBoardItem(item);
}

void KvRecordingScene::removeBoardItem(QGraphicsItem *item, bool temporary)
{
    calls.append({Call::Remove, item, temporary});
    KvGraphicsScene::removeBoardItem(item, temporary);
}

char *toString(const KvRecordingScene::Call &call)
{
    const QByteArray kind = call.kind == KvRecordingScene::Call::Add ? "add" : "remove";
    const QByteArray item = QByteArray::number(quintptr(call.item), 16);
    return qstrdup(kind + "(0x" + item + (call.temporary ? ", temporary)" : ")"));
}
