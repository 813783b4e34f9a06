#pragma once

#include "KvBoardDocument.h"
#include "KvBoardEnvelope.h"

#include <QElapsedTimer>
#include <QFuture>
#include <QFutureWatcher>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <QUrl>
#include <QWebSocket>

class KvBoard;
class KvBoardLink;

// A participant's connection to a relay: mirrors the board live both ways, and keeps the board
// whole across lost connections. Offline the board goes on as before; the client reconnects
// with backoff and, given the relay's board, merges by uuid:
//  - strokes only the relay has are added, unless erased here meanwhile: then they are erased
//    on the relay too (an erase made offline counts once the connection is back);
//  - strokes only this board has are sent, unless the relay lists them as erased: then
//    someone erased them meanwhile, and they go here too;
//  - strokes another participant sends this way that were erased here are erased again (a
//    relay that restarted no longer knows that they were erased).
// A gesture begun while offline reaches the others whole, once it ends.
// The relay's board goes on this one in slices as its parts arrive (the parts that came within a
// moment together, at most 100 ms of work between repaints), so that the window stays responsive
// and shows what has arrived; frames that come meanwhile wait their turn behind it.
class KvBoardClient : public QObject
{
    Q_OBJECT
public:
    enum State { Connecting, Synced, Offline, Refused };
    Q_ENUM(State)

    KvBoardClient(KvBoard *board, const QUrl &url, QObject *parent = nullptr);
    ~KvBoardClient() override;

    void setToken(const QByteArray &token);
    void setName(const QString &name);
    // For wss://: a PEM certificate to trust besides the system's, as a self-signed relay's.
    bool setTrustedCertificate(const QString &path, QString *error);

    // Connects, and reconnects after every loss until close(); a refusal ends it.
    void open();
    void close();

    State state() const;
    int headCount() const;
    // The identity the relay gave this participant.
    QString identity() const;
    // Why the last attempt failed, in one line.
    QString reason() const;
    // Whether frames are still waiting to leave.
    bool isSending() const;
    // Milliseconds since the last frame from the relay.
    qint64 quietFor() const;

signals:
    void stateChanged(KvBoardClient::State state);
    void headCountChanged(int count);

private:
    void connectSocket();
    void setState(State state);
    void lost();
    void receive(const QByteArray &frame, bool binary);
    void handleNext();
    void handle(const KvBoardEnvelope &envelope);
    void receiveSnapshot(const QJsonObject &payload, KvBoardDocument document);
    void merge(const QStringList &erasedOnRelay);
    void receiveMerged(const QByteArray &xml);
    void sendRemoval(const QStringList &uuids);
    void send(const KvBoardEnvelope &envelope);
    void sendLive(const KvBoardEnvelope &envelope);
    void sendStrokes(const QSet<QString> &uuids);
    void write(const KvBoardEnvelope &envelope);

    KvBoard *m_board;
    KvBoardLink *m_link;
    QUrl m_url;
    QByteArray m_token;
    QString m_name;
    QWebSocket m_socket;
    QTimer m_retry;
    int m_backoff = 0;
    bool m_open = false;
    State m_state = Offline;
    int m_headCount = 0;
    QString m_identity;
    QString m_reason;
    struct Inbound
    {
        KvBoardEnvelope envelope;
        // A snapshot part, being read.
        QFuture<KvBoardDocument> part;
    };
    // Frames from the relay from the snapshot's first part on, in order, and what the parts
    // handled so far held: strokes the relay has, and those among them erased here.
    QList<Inbound> m_inbox;
    QTimer m_nextFrame;
    QFutureWatcher<KvBoardDocument> m_partRead;
    QSet<QString> m_onRelay;
    QStringList m_erasedHere;
    // The strokes on this board as the snapshot found them, at this step of its history.
    QSet<QString> m_here;
    int m_hereAtStep = -1;
    QElapsedTimer m_lastFrame;
    // Gestures whose press went out on this connection: the rest of them follows live.
    QSet<QString> m_liveGestures;
};
