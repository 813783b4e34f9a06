#include "KvPenObject.h"

#include "KvGraphicsScene.h"
#include "KvGraphicsStrokesGroup.h"
#include "KvQtConvert.h"

#include <QDomDocument>
#include <QDomElement>

KvPenObject::KvPenObject(QObject *parent)
    : QObject(parent)
{ }

KvPenObject::~KvPenObject() = default;

KvCoreGraphicsScene *KvPenObject::scene() const
{
    return m_scene;
}

void KvPenObject::setScene(KvCoreGraphicsScene *scene)
{
    m_scene = scene;
}

// ---------------------------------------------------------------------------------------------
// Saving and loading the board's strokes groups
// ---------------------------------------------------------------------------------------------

namespace {
const QString kStrokesRecordName = QStringLiteral("Strokes");
const QString kStrokesElementName = QStringLiteral("strokesGroup");
} // namespace

void KvPenObject::exportScene(QList<KvSaveDataItem> &records, const QString &)
{
    auto *board = qobject_cast<KvGraphicsScene *>(m_scene);
    if (!board)
        return;
    for (QGraphicsItem *item : board->getFastAccessItems()) {
        auto *group = qgraphicsitem_cast<KvGraphicsStrokesGroup *>(item);
        if (!group)
            continue;
        KvSaveDataItem record;
        record.uuid = group->uuid().toString(QUuid::WithoutBraces);
        record.type = KvGraphicsStrokesGroup::Type;
        record.name = kStrokesRecordName;
        record.data = group->exportItem();
        records.append(record);
    }
}

void KvPenObject::importScene(const QList<KvSaveDataItem> &records, const QString &)
{
    auto *board = qobject_cast<KvGraphicsScene *>(m_scene);
    if (!board)
        return;
    for (const KvSaveDataItem &record : records) {
        if (record.type != KvGraphicsStrokesGroup::Type)
            continue;
        auto *group = new KvGraphicsStrokesGroup(QColor(Qt::white), 0, nullptr);
        // A record without a readable uuid keeps the fresh one rather than a null uuid.
        if (const QUuid uuid = QUuid::fromString(record.uuid); !uuid.isNull())
            group->setUuid(uuid);
        group->importItem(record.data);
        board->addBoardItem(group);
    }
}

void KvPenObject::exportSceneXml(QDomDocument *document, QDomElement *parent, const QString &name)
{
    auto *board = qobject_cast<KvGraphicsScene *>(m_scene);
    if (!board || !document || !parent)
        return;
    for (QGraphicsItem *item : board->getFastAccessItems()) {
        auto *group = qgraphicsitem_cast<KvGraphicsStrokesGroup *>(item);
        if (!group)
            continue;
        QDomElement element;
        KvQtConvert::createDomElement(document, parent, element, group->exportName());
        group->exportItemXml(document, &element, name);
    }
}

void KvPenObject::importSceneXml(QDomDocument *document, QDomElement *parent, const QString &name)
{
    auto *board = qobject_cast<KvGraphicsScene *>(m_scene);
    if (!board || !document || !parent)
        return;
    for (QDomElement element = parent->firstChildElement(kStrokesElementName); !element.isNull();
         element = element.nextSiblingElement(kStrokesElementName)) {
        auto *group = new KvGraphicsStrokesGroup(QColor(Qt::white), 0, nullptr);
        group->importItemXml(document, &element, name);
        board->addBoardItem(group);
    }
}

void KvPenObject::exportOriginalPointInfoXml(QDomDocument *document, QDomElement *parent,
                                             const QString &name)
{
    auto *board = qobject_cast<KvGraphicsScene *>(m_scene);
    if (!board || !document || !parent)
        return;
    for (QGraphicsItem *item : board->items(Qt::DescendingOrder)) {
        auto *group = qgraphicsitem_cast<KvGraphicsStrokesGroup *>(item);
        if (!group)
            continue;
        QDomElement element;
        KvQtConvert::createDomElement(document, parent, element, group->exportName());
        group->exportItemOriginInfo(document, &element, name);
    }
}
