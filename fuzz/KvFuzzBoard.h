#pragma once

#include "KvGraphicsScene.h"
#include "KvPenCore.h"

#include <QByteArray>
#include <QList>
#include <QString>

class KvGraphicsStrokesGroup;
class QGraphicsView;

// A board for one input: a new pen core on a scene that lives for the whole run, empty when the
// board is made and emptied again when it goes, so that an input frees what it allocated (an
// input that keeps memory costs the fuzzer a leak check). Only a harness whose path needs a view
// shows the scene in one.
class KvFuzzBoard
{
public:
    // The fuzzed board, or the one its saved ink loads into.
    enum Role { Fuzzed, Loaded };

    explicit KvFuzzBoard(Role role = Fuzzed);
    ~KvFuzzBoard();

    // The one view, for the harness that shows its board.
    static QGraphicsView *view();

    KvGraphicsScene &scene() { return m_scene; }
    KvPenCore &core() { return m_core; }

    QList<KvGraphicsStrokesGroup *> groups() const;
    QList<int> pieceCounts() const;
    // Paints the board's ink, if any, into a small image, as a view would.
    void render();
    // Saves the board in both forms and loads each into a board of its own, which must then hold
    // the same pieces; copies every group.
    void roundTrip();

private:
    KvGraphicsScene &m_scene;
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
