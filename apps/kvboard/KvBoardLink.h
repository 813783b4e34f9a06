#pragma once

#include "KvBoardEnvelope.h"

#include <QObject>

class KvBoard;

// One board's side of mirroring, whatever carries the frames: turns what the board sends into
// envelopes and hands envelopes from other participants to the board. Documents and restored
// strokes bigger than a frame leave in several envelopes: a document, then restores.
class KvBoardLink : public QObject
{
    Q_OBJECT
public:
    explicit KvBoardLink(KvBoard *board, QObject *parent = nullptr);

    // Live pointer messages (true) or whole strokes (false) carry the ink.
    bool isLive() const;
    void setLive(bool live);

    // False, changing nothing, for a kind that does not act on a board.
    static bool apply(KvBoard *board, const KvBoardEnvelope &envelope);
    // The strokes' XML in as many envelopes as the frame size needs; `kind` for the first,
    // restores after it.
    static QList<KvBoardEnvelope> chunked(KvBoardEnvelope::Kind kind, const QByteArray &xml);

signals:
    void outgoing(const KvBoardEnvelope &envelope);

private:
    void send(KvBoardEnvelope::Kind kind, const QJsonObject &payload);
    void sendXml(KvBoardEnvelope::Kind kind, const QByteArray &xml);

    KvBoard *m_board;
    bool m_live = true;
};
