#pragma once

#include "KvGraphicsScene.h"

#include <QList>

// A board that logs every add and remove call it receives, then does what the host does.
class KvRecordingScene : public KvGraphicsScene
{
    Q_OBJECT
public:
    struct Call
    {
        enum Kind { Add, Remove };
        Kind kind;
        QGraphicsItem *item;
        bool temporary; // always false for Add

        bool operator==(const Call &other) const
        {
            return kind == other.kind && item == other.item && temporary == other.temporary;
        }
    };

    using KvGraphicsScene::KvGraphicsScene;

    void addBoardItem(QGraphicsItem *item) override;
    void removeBoardItem(QGraphicsItem *item, bool temporary) override;

    QList<Call> calls;
};

char *toString(const KvRecordingScene::Call &call);
