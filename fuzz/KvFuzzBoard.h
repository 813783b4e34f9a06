#pragma once

#include "KvGraphicsScene.h"
#include "KvPenCore.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstddef>
#include <cstdint>

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
    // The board's two save forms.
    enum SaveForm { Records, Xml };
    // Checks that the board keeps no loose or half-owned ink, and copies its last group.
    void check();
    // Checks the board, saves it in `form` and loads it into a board of its own, which must then
    // hold the same pieces.
    void roundTrip(SaveForm form);

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

// Whether inputs are replayed one by one (the test build) rather than fuzzed: a replay checks
// each input in full, where a campaign shares some checks out between inputs.
bool fuzzReplaying();
void setFuzzReplaying();

// The sum of the input's bytes, from which a harness picks what to do with an input when a
// campaign shares that out between inputs.
unsigned fuzzByteSum(const uint8_t *data, size_t size);
// Whether the input's board is saved and loaded again. Saving and loading are the file
// harnesses' subject and cost more than drawing: in a campaign one input in two, as the second
// bit of its byte sum decides, checks that the board it drew loads back whole, so that the
// campaign spends most of its time on its own subject and still meets every board in both
// forms. A replay checks every input.
bool fuzzChecksRoundTrip(const uint8_t *data, size_t size);
// The form an input's board is saved in: either, as the lowest bit of the input's byte sum
// decides, so that a campaign covers both at the cost of one per input.
KvFuzzBoard::SaveForm fuzzSaveForm(const uint8_t *data, size_t size);

// The input's lines, at most `maxLines` of them.
QList<QByteArray> fuzzLines(const QByteArray &input, int maxLines);
// The line's first `count` fields split at single spaces, the last holding the rest of the line;
// fields the line lacks are empty.
QList<QByteArray> fuzzFields(const QByteArray &line, int count);
