#pragma once

#include "KvPenTypes.h"

#include <QColor>

// The tool settings of one participant's engine. Every input step reads them afresh, so a
// change applies to what follows.
struct KvToolSettings
{
    QColor penColor = QColor(QStringLiteral("#FFFFFF"));
    int penWidth = 10;
    QColor markerColor = QColor(QStringLiteral("#F8E71C"));
    int markerWidth = 10;
    int eraserWidth = 30; // view pixels
    int stylus = KvPen::PenStylus;

    // The ink tool in use: the pen for the pen stylus, the highlighter for any other.
    int inkWidth() const { return stylus == KvPen::PenStylus ? penWidth : markerWidth; }
    QColor inkColor() const { return stylus == KvPen::PenStylus ? penColor : markerColor; }
};
