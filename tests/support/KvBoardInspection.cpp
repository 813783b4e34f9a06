#include "KvBoardInspection.h"

#include "KvGraphicsPolygonItem.h"
#include "KvGraphicsScene.h"
#include "KvGraphicsStrokesGroup.h"
#include "KvPenTypes.h"

#include <QSet>

QList<KvGraphicsStrokesGroup *> groupsOn(const KvGraphicsScene &scene)
{
    QList<KvGraphicsStrokesGroup *> groups;
    for (QGraphicsItem *item : scene.getFastAccessItems()) {
        if (auto *group = dynamic_cast<KvGraphicsStrokesGroup *>(item))
            groups.append(group);
    }
    return groups;
}

QString text(const QUuid &uuid)
{
    return uuid.toString(QUuid::WithoutBraces);
}

QStringList boardViolations(const QGraphicsScene &scene, int openPointers)
{
    QStringList violations;
    QSet<KvGraphicsStroke *> openStrokes;
    int capsules = 0;
    for (QGraphicsItem *item : scene.items()) {
        if (auto *group = qgraphicsitem_cast<KvGraphicsStrokesGroup *>(item)) {
            QSet<QGraphicsItem *> children;
            for (QGraphicsItem *child : group->childItems()) {
                if (dynamic_cast<KvGraphicsPolygonItem *>(child))
                    children.insert(child);
            }
            QSet<QGraphicsItem *> listed;
            for (KvGraphicsPolygonItem *piece : group->items()) {
                listed.insert(piece);
                if (!piece || piece->strokesGroup() != group)
                    violations << QStringLiteral("a piece of %1 does not know it")
                                      .arg(text(group->uuid()));
            }
            if (listed != children || listed.size() != group->items().size())
                violations << QStringLiteral("the items of %1 are not its children")
                                  .arg(text(group->uuid()));
            continue;
        }
        auto *piece = dynamic_cast<KvGraphicsPolygonItem *>(item);
        if (!piece || piece->parentItem())
            continue;
        if (piece->data(KvPen::TemporaryKey) == KvPen::kTemporaryItem)
            ++capsules;
        else if (piece->stroke() && !piece->strokesGroup())
            openStrokes.insert(piece->stroke());
        else
            violations << QStringLiteral("a polygon belongs to no group and no open stroke");
    }
    if (openPointers >= 0 && (openStrokes.size() != openPointers || capsules != openPointers))
        violations << QStringLiteral("%1 open strokes and %2 capsules for %3 open pointers")
                          .arg(openStrokes.size())
                          .arg(capsules)
                          .arg(openPointers);
    return violations;
}
