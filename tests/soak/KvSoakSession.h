#pragma once

#include "KvGraphicsScene.h"
#include "KvPenCore.h"

#include <QGraphicsView>
#include <QRandomGenerator>
#include <QSet>
#include <QStringList>
#include <QUuid>

#include <array>

// A class drawing on one board for a while: the local user and eight remote senders draw pen
// and highlighter strokes and erase at random (fixed seed), with area erases and forced
// releases mixed in. Checks the board's invariants as it goes and clears it now and then,
// measuring the heap after each clear.
class KvSoakSession
{
public:
    // `paintView`: paint the view at every check, as a screen would.
    KvSoakSession(quint32 seed, bool paintView);

    // Runs for `seconds`, checking every `checkMs` and clearing every `clearSeconds`; false as
    // soon as an invariant breaks (the failures say which).
    bool run(double seconds, int checkMs, double clearSeconds);
    QString report() const;
    QStringList failures() const { return m_failures; }

private:
    struct Gesture
    {
        bool open = false;
        bool cancelled = false; // its ink was taken back by the area eraser
        int stylus = 0;
        int pointerId = -1;
        int movesLeft = 0;
        QPointF pos;
        QUuid uuid;
        int width = 10;
        QColor color;
    };

    // m_gestures[kLocal] is the local user's, the others the remote senders'.
    static constexpr int kLocal = 8;

    void step();
    void stepGesture(int actor);
    void input(int actor, int mousetype);
    void stepAreaErase();
    void closeEverything();
    void clearBoard();
    bool checkInvariants();
    void fail(const QString &what);
    static qint64 heapInUse();

    QRandomGenerator m_random;
    bool m_paintView;
    KvGraphicsScene m_scene;
    QGraphicsView m_view;
    KvPenCore m_core;

    std::array<Gesture, kLocal + 1> m_gestures;
    int m_areaStepsLeft = 0;
    QPointF m_areaPos;

    QSet<QString> m_drawn;
    QSet<QString> m_erased;
    qint64 m_strokes = 0;
    qint64 m_areaErases = 0;
    qint64 m_forcedReleases = 0;
    qint64 m_checks = 0;
    qint64 m_heapBaseline = -1;
    qint64 m_heapMaxGrowth = 0;
    QStringList m_heapAfterClears;
    double m_elapsed = 0;
    QStringList m_failures;
};
