#include "KvBoardLimits.h"

#include "KvPenTypes.h"

KvBoardInkLimits kvboardInkLimits()
{
    return {KvPen::kMaxCoordinate, KvPen::kMaxPointsPerPiece, KvPen::kMaxPiecesPerGroup};
}

qint64 KvBoardFileLimits::maxTextLength()
{
    // Two numbers of at most 25 characters and two separators per point.
    constexpr int kCharactersPerPoint = 2 * 25 + 2;
    return qint64(kvboardInkLimits().maxPointsPerPiece) * kCharactersPerPoint;
}
