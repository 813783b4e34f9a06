#pragma once

#include <QList>
#include <QString>
#include <QUuid>

class KvGraphicsScene;
class KvGraphicsStrokesGroup;

// The strokes groups on the board, in the order they were put on it.
QList<KvGraphicsStrokesGroup *> groupsOn(const KvGraphicsScene &scene);

// A uuid in the form the plug-in's messages and signals carry it.
QString text(const QUuid &uuid);
