#include "KvBoardInk.h"

#include "KvGraphicsScene.h"
#include "KvGraphicsStrokesGroup.h"
#include "KvInkFileCodec.h"
#include "KvQtConvert.h"

#include <QDomDocument>
#include <QDomElement>

namespace {

KvGraphicsScene *hostBoard(KvCoreGraphicsScene *scene)
{
    return qobject_cast<KvGraphicsScene *>(scene);
}

QList<KvGraphicsStrokesGroup *> groupsIn(const QList<QGraphicsItem *> &items)
{
    QList<KvGraphicsStrokesGroup *> groups;
    for (QGraphicsItem *item : items) {
        if (auto *group = qgraphicsitem_cast<KvGraphicsStrokesGroup *>(item))
            groups.append(group);
    }
    return groups;
}

} // namespace

namespace KvBoardInk {

void exportRecords(KvCoreGraphicsScene *scene, QList<KvSaveDataItem> &records)
{
    KvGraphicsScene *board = hostBoard(scene);
    if (!board)
        return;
    for (KvGraphicsStrokesGroup *group : groupsIn(board->getFastAccessItems())) {
        KvSaveDataItem record;
        record.uuid = group->uuid().toString(QUuid::WithoutBraces);
        record.type = KvGraphicsStrokesGroup::Type;
        record.name = KvInkFileCodec::kRecordName;
        record.data = group->exportItem();
        records.append(record);
    }
}

void importRecords(KvCoreGraphicsScene *scene, const QList<KvSaveDataItem> &records)
{
    KvGraphicsScene *board = hostBoard(scene);
    if (!board)
        return;
    for (const KvSaveDataItem &record : records) {
        if (record.type != KvGraphicsStrokesGroup::Type)
            continue;
        auto *group = new KvGraphicsStrokesGroup;
        // A record without a readable uuid keeps the fresh one rather than a null uuid.
        if (const QUuid uuid = QUuid::fromString(record.uuid); !uuid.isNull())
            group->setUuid(uuid);
        group->importItem(record.data);
        board->addBoardItem(group);
    }
}

void exportXml(KvCoreGraphicsScene *scene, QDomDocument *document, QDomElement *parent,
               const QString &name)
{
    KvGraphicsScene *board = hostBoard(scene);
    if (!board || !document || !parent)
        return;
    for (KvGraphicsStrokesGroup *group : groupsIn(board->getFastAccessItems())) {
        QDomElement element;
        KvQtConvert::createDomElement(document, parent, element, group->exportName());
        group->exportItemXml(document, &element, name);
    }
}

void importXml(KvCoreGraphicsScene *scene, QDomDocument *document, QDomElement *parent,
               const QString &name)
{
    KvGraphicsScene *board = hostBoard(scene);
    if (!board || !document || !parent)
        return;
    const QString tag = KvInkFileCodec::kGroupElement;
    for (QDomElement element = parent->firstChildElement(tag); !element.isNull();
         element = element.nextSiblingElement(tag)) {
        auto *group = new KvGraphicsStrokesGroup;
        group->importItemXml(document, &element, name);
        board->addBoardItem(group);
    }
}

void exportPointInfoXml(KvCoreGraphicsScene *scene, QDomDocument *document, QDomElement *parent,
                        const QString &name)
{
    KvGraphicsScene *board = hostBoard(scene);
    if (!board || !document || !parent)
        return;
    for (KvGraphicsStrokesGroup *group : groupsIn(board->items(Qt::DescendingOrder))) {
        QDomElement element;
        KvQtConvert::createDomElement(document, parent, element, group->exportName());
        group->exportItemOriginInfo(document, &element, name);
    }
}

} // namespace KvBoardInk
