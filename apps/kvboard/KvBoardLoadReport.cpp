#include "KvBoardLoadReport.h"

#include "KvBoardLimits.h"

#include <QCoreApplication>

QString KvBoardLoadReport::summary() const
{
    if (isComplete())
        return QString();
    const KvBoardInkLimits limits = kvboardInkLimits();
    return QCoreApplication::translate("KvBoardLoadReport",
                                       "%1 of %2 strokes were refused in part (%3 pieces): "
                                       "pieces with unreadable numbers, beyond ±%4 or of more "
                                       "than %5 points, and pieces past %6 per stroke do not "
                                       "load.")
        .arg(refusedStrokes)
        .arg(strokes)
        .arg(refusedPieces)
        .arg(limits.maxCoordinate, 0, 'g', 7)
        .arg(limits.maxPointsPerPiece)
        .arg(limits.maxPiecesPerStroke);
}
