#pragma once

#include "KvBoardScene.h"

#include <QUndoCommand>

class KvBoard;

// One undo step of the board: the strokes that one gesture (a drawn stroke, an eraser
// gesture, a clear) put on and took off. The board keeps the strokes that are off it.
class KvBoardChange : public QUndoCommand
{
public:
    KvBoardChange(KvBoard *board, const KvBoardChanges &changes, const QString &text);

    void undo() override;
    // The first redo is the gesture itself, already on the board.
    void redo() override;

private:
    KvBoard *m_board;
    KvBoardChanges m_changes;
    bool m_done = true;
};
