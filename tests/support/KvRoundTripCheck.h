#pragma once

#include "KvGraphicsScene.h"
#include "KvPenCore.h"

#include <QList>
#include <QPointF>
#include <QRandomGenerator>
#include <QStringList>

// Ink drawn through the engine of one board comes back whole: saved as records and as XML and
// loaded on fresh boards it is the same piece for piece, and so is a second board that replays
// the live messages, serialised; a third board that replays the whole-stroke messages holds the
// same groups, uuids and colours, every input point within one unit.
class KvRoundTripCheck
{
public:
    explicit KvRoundTripCheck(quint32 seed);

    // A stroke with the pen or the highlighter through `points`, the first one pressed.
    void stroke(int stylus, int width, const QColor &color, const QList<QPointF> &points);
    // An eraser gesture of `width` view pixels through `points`.
    void erase(int width, const QList<QPointF> &points);
    // Random strokes of random lengths anywhere in the ink range, pen and highlighter, with
    // erases in between.
    void drawRandomBoard(int strokes);

    int groupCount() const;
    // What differs; empty when everything came back.
    QStringList failures();

private:
    struct Board
    {
        Board();
        KvGraphicsScene scene;
        KvPenCore core;
    };

    QPointF randomPoint(double margin);

    QRandomGenerator m_random;
    Board m_drawn;
    Board m_live;
    Board m_whole;
};
