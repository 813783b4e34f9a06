#include "KvBoardChange.h"

#include "KvBoard.h"

KvBoardChange::KvBoardChange(KvBoard *board, const KvBoardChanges &changes, const QString &text)
    : QUndoCommand(text)
    , m_board(board)
    , m_changes(changes)
{ }

void KvBoardChange::undo()
{
    m_board->swapStrokes(m_changes.added, m_changes.removed);
    m_done = false;
}

void KvBoardChange::redo()
{
    if (!std::exchange(m_done, true))
        m_board->swapStrokes(m_changes.removed, m_changes.added);
}
