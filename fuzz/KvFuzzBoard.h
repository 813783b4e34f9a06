#pragma once

#include "KvGraphicsScene.h"
#include "KvPenCore.h"

#include <QByteArray>
#include <QList>
#include <QString>

class KvGraphicsStrokesGroup;
class QGraphicsView;

// One fresh board per fuzz input: a scene shown in the harness's one view, and a pen core
// drawing on it. The view outlives every board so that its widgets are made only once.
class KvFuzzBoard
{
public:
    KvFuzzBoard();
    ~KvFuzzBoard();

    KvGraphicsScene &scene() { return m_scene; }
    KvPenCore &core() { return m_core; }
    static QGraphicsView *view();

    QList<KvGraphicsStrokesGroup *> groups() const;
    QList<int> pieceCounts() const;
    // Paints the whole board into a small image, as a view would.
    void render();
    // Saves the board in both forms and loads each into a board of its own, which must then hold
    // the same pieces; copies every group.
    void roundTrip();

private:
    KvGraphicsScene m_scene;
    KvPenCore m_core;
};

// While one exists, Qt's warnings are not findings: for decoding that is Qt's own affair.
struct KvFuzzWarningsAllowed
{
    KvFuzzWarningsAllowed();
    ~KvFuzzWarningsAllowed();
};

// The input's lines as text, at most `maxLines` of them.
QList<QString> fuzzLines(const QByteArray &input, int maxLines);
