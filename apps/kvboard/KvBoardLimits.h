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

// What kvboard reads of a file before the plug-in sees it. A board opens in about 9 KB a piece
// at its peak (the file, its strokes as text, then the board), about twice that in a window that
// mirrors it, so a file at these bounds stays within a gigabyte. Drawn ink is about 2.2 KB of
// XML and 1 KB of records a piece.
namespace KvBoardFileLimits {
constexpr qint64 kMaxFileBytes = 128 * 1024 * 1024;
constexpr int kMaxStrokes = 100000;
constexpr int kMaxPieces = 50000;
// A board this full takes no new stroke, so that whatever it holds opens again: the rest of
// kMaxPieces is room for strokes still being drawn when it fills, for those begun while a full
// board's count is a moment old, and for erased strokes that an undo brings back beside remote
// ink that came meanwhile.
constexpr int kBoardCapacity = 40000;
// How old a full board's count of pieces may be; sixteen participants begin 30 strokes a second.
constexpr int kFullRecountMs = 250;
// A stroke's piece is nine elements in XML, eight values in records.
constexpr int kMaxElements = 1500000;
constexpr int kMaxValues = 1500000;
constexpr int kMaxDepth = 16;
constexpr int kMaxAttributes = 16;
// Characters of one XML text: a piece of the most points the plug-in loads, written in full.
qint64 maxTextLength();
} // namespace KvBoardFileLimits
