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

// What kvboard reads of a file before the plug-in sees it. Each bound lies far beyond what a
// board holds (a 12,000-piece stroke is 24,000 values and a few megabytes) and keeps a hostile
// file well under a gigabyte and a few seconds.
namespace KvBoardFileLimits {
constexpr qint64 kMaxFileBytes = 64 * 1024 * 1024;
constexpr int kMaxStrokes = 100000;
constexpr int kMaxPieces = 500000;
// Elements of an XML file, values of a records file.
constexpr int kMaxNodes = 4000000;
constexpr int kMaxDepth = 16;
constexpr int kMaxAttributes = 16;
// Characters of one XML text: a piece of the most points the plug-in loads, written in full.
qint64 maxTextLength();
} // namespace KvBoardFileLimits
