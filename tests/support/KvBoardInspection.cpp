#include "KvBoardInspection.h"

#include "KvGraphicsScene.h"
#include "KvGraphicsStrokesGroup.h"

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
