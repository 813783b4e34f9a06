#include "KvBoardLimits.h"

#include "KvGraphicsStrokesGroup.h"

KvBoardInkLimits kvboardInkLimits()
{
    return {KvGraphicsStrokesGroup::kMaxCoordinate, KvGraphicsStrokesGroup::kMaxPointsPerPiece,
            KvGraphicsStrokesGroup::kMaxPiecesPerGroup};
}

qint64 KvBoardFileLimits::maxTextLength()
{
    // Two numbers of at most 25 characters and two separators per point.
    constexpr int kCharactersPerPoint = 2 * 25 + 2;
    return qint64(kvboardInkLimits().maxPointsPerPiece) * kCharactersPerPoint;
}
