#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>

class KvGraphicsScene;
class QGraphicsScene;
class KvGraphicsStrokesGroup;

// The strokes groups on the board, in the order they were put on it.
QList<KvGraphicsStrokesGroup *> groupsOn(const KvGraphicsScene &scene);

// A uuid in the form the plug-in's messages and signals carry it.
QString text(const QUuid &uuid);

// What must hold on any board after any input: every strokes group's items list is exactly its
// polygon children, each knowing its group; every other polygon is a temporary capsule or a
// piece of an open stroke. With `openPointers` given, there are exactly that many open strokes
// and as many capsules. Returns the broken rules, empty when all hold. Tests, the soak program
// and the fuzz harnesses share it.
QStringList boardViolations(const QGraphicsScene &scene, int openPointers = -1);
