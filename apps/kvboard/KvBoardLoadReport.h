#pragma once

#include <QString>
#include <QStringList>

// What became of a file's strokes on the board: the plug-in keeps the pieces it can load and
// refuses the rest, so a stroke that reached the board with fewer pieces than the file gave it
// was refused in part.
struct KvBoardLoadReport
{
    int strokes = 0;
    int refusedStrokes = 0;
    int refusedPieces = 0;
    // The plug-in's own lines about what it refused.
    QStringList details;

    bool isComplete() const { return refusedStrokes == 0; }
    // One line for the user; empty when everything loaded.
    QString summary() const;
};
