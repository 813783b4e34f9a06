#pragma once

#include "KvGraphicsScene.h"

#include <QList>

class KvGraphicsStrokesGroup;

// What went on and off the board for good since the host last asked: the stuff of one undo step.
struct KvBoardChanges
{
    QList<KvGraphicsStrokesGroup *> added;
    QList<KvGraphicsStrokesGroup *> removed;

    bool isEmpty() const { return added.isEmpty() && removed.isEmpty(); }
};

// The demo host's board: a dark, fixed-size page that notes which strokes the plug-in puts on
// and takes off for good, so that the host can turn them into undo steps. Pieces and temporary
// ink pass through unnoted.
class KvBoardScene : public KvGraphicsScene
{
    Q_OBJECT
public:
    static constexpr int kWidth = 1280;
    static constexpr int kHeight = 720;

    explicit KvBoardScene(QObject *parent = nullptr);

    void addBoardItem(QGraphicsItem *item) override;
    void removeBoardItem(QGraphicsItem *item, bool temporary) override;

    // Off while the host itself moves strokes (undo, redo, loading, remote participants).
    void setRecording(bool recording);
    bool isRecording() const;
    KvBoardChanges takeChanges();

    // The strokes on the board, in the order they came.
    QList<KvGraphicsStrokesGroup *> strokes() const;
    KvGraphicsStrokesGroup *strokeOnBoard(const QString &uuid) const;
    KvGraphicsStrokesGroup *strokeOffBoard(const QString &uuid) const;
    // How many pieces the strokes on the board hold together.
    int pieceCount() const;
    // The strokes taken off for good and kept for undo.
    QList<KvGraphicsStrokesGroup *> strokesOffBoard() const;
    // Their uuids, without braces.
    static QStringList uuidsOf(const QList<KvGraphicsStrokesGroup *> &groups);

signals:
    // A stroke joined the board, noted or not.
    void strokeAdded(KvGraphicsStrokesGroup *group);

private:
    bool m_recording = true;
    KvBoardChanges m_changes;
};
