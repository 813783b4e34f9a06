#pragma once

#include "KvBoardRateLimit.h"

#include <QElapsedTimer>
#include <QHash>
#include <QMap>
#include <QObject>
#include <QSslConfiguration>
#include <QThreadPool>
#include <QTimer>
#include <QWebSocketServer>

class KvBoardRoom;
class QWebSocket;

// The relay between participants: rooms by URL path, each with its own board. It closes a
// connection without the token at once, before it joins any room (close code 4401), stamps every
// frame with its sender's identity, and refuses (and counts) frames that are too big, malformed, of
// an unknown kind or over the sender's rate; those reach no board.
class KvBoardRelay : public QObject
{
    Q_OBJECT
public:
    struct Refusals
    {
        int oversized = 0;
        int malformed = 0;
        int unknownKind = 0;
        int overRate = 0;
        int total() const { return oversized + malformed + unknownKind + overRate; }
    };

    explicit KvBoardRelay(QObject *parent = nullptr);
    ~KvBoardRelay() override;

    // Empty: anyone may join.
    void setToken(const QByteArray &token);
    bool setCertificate(const QString &certPath, const QString &keyPath, QString *error);
    // Rooms kept in files: the room at "/" in `path`, room R in "<path without suffix>.R.<suffix>"
    // beside it; those that exist are loaded now, all are saved every 30 s and on exit. A file
    // that does not load whole refuses the call: saving the room over it would lose ink.
    bool setBoardFile(const QString &path, QString *error);
    bool listen(quint16 port, QString *error);
    // ws://HOST:PORT or wss://HOST:PORT.
    QString address() const;
    // Writes every room's file now, after any save still being written aside.
    bool saveRooms(QString *error);
    Refusals refusals() const;

private:
    struct Peer
    {
        KvBoardRoom *room;
        KvBoardRateLimit rate;
        int refused = 0;
    };

    void accept(QWebSocket *socket);
    void receive(QWebSocket *socket, const QString &message);
    void refuse(QWebSocket *socket, Peer &peer, int Refusals::*counter);
    qint64 arrivalMs();
    void drop(QWebSocket *socket);
    KvBoardRoom *room(const QString &name);
    QString roomFile(const QString &room) const;
    bool loadRooms(QString *error);
    // The periodic save: the rooms' strokes are taken here, the files put together and written on
    // another thread, so that relaying goes on meanwhile; a tick that finds the last save still
    // writing is skipped.
    void saveRoomsAside();

    QSslConfiguration m_tls;
    QWebSocketServer *m_server = nullptr;
    QByteArray m_tokenHash;
    QString m_boardFile;
    QMap<QString, KvBoardRoom *> m_rooms;
    QHash<QWebSocket *, Peer> m_peers;
    QTimer m_saveTimer;
    // One writer, so that saves reach the files in the order they were made.
    QThreadPool m_writer;
    QElapsedTimer m_clock;
    qint64 m_arrivalMs = -1;
    Refusals m_refusals;
};
