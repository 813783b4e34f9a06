#pragma once

#include <QtGlobal>

// What a stroke may hold for the plug-in to load it back.
struct KvBoardInkLimits
{
    double maxCoordinate;
    int maxPointsPerPiece;
    int maxPiecesPerStroke;
};

// The one place kvboard reads the plug-in's load limits from.
KvBoardInkLimits kvboardInkLimits();

// What kvboard reads of a file before the plug-in sees it. The bounds hold two strokes of
// 12,000 pieces each (a 12,000-piece stroke is about 22 MB of XML, 12 MB of records); a board
// of 25,000 pieces of drawn ink takes about a gigabyte with its mirror.
namespace KvBoardFileLimits {
constexpr qint64 kMaxFileBytes = 64 * 1024 * 1024;
constexpr int kMaxStrokes = 100000;
constexpr int kMaxPieces = 25000;
// A stroke's piece is nine elements in XML, eight values in records.
constexpr int kMaxElements = 1500000;
constexpr int kMaxValues = 1500000;
constexpr int kMaxDepth = 16;
constexpr int kMaxAttributes = 16;
// Characters of one XML text: a piece of the most points the plug-in loads, written in full.
qint64 maxTextLength();
} // namespace KvBoardFileLimits
