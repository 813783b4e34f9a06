#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

class KvBoard;
class KvBoardLink;
struct KvBoardEnvelope;

// The network between two participants, as the demo host fakes it: every message one board
// sends is serialised to bytes, optionally held back for a delay, parsed again and handed to
// the other board, in kvboard's envelope (KvBoardEnvelope). Live mirroring carries the pointer
// messages, whole-stroke mirroring the finished strokes; removals, restores and loaded documents
// travel in both modes.
class KvBoardTransport : public QObject
{
    Q_OBJECT
public:
    enum Mode { Live, WholeStroke };
    Q_ENUM(Mode)

    KvBoardTransport(KvBoard *first, KvBoard *second, QObject *parent = nullptr);

    Mode mode() const;
    void setMode(Mode mode);
    int delay() const;
    // Milliseconds each message travels; 0 delivers at once.
    void setDelay(int milliseconds);
    // Whether messages are still on their way.
    bool isBusy() const;

signals:
    void modeChanged(int mode);
    void delayChanged(int milliseconds);
    // Every message as it leaves its board.
    void sent(const QJsonObject &envelope, const QByteArray &bytes);
    // A message that reached no board, and why.
    void undeliverable(const QString &reason);

private:
    struct Parcel
    {
        QPointer<KvBoard> to;
        QByteArray bytes;
        qint64 due;
    };

    void link(KvBoard *from, KvBoard *to);
    void send(KvBoard *to, const KvBoardEnvelope &envelope);
    void deliver(KvBoard *to, const QByteArray &bytes);
    void deliverDue();

    Mode m_mode = Live;
    int m_delay = 0;
    QList<Parcel> m_inFlight;
    QList<KvBoardLink *> m_links;
    QTimer m_timer;
};
