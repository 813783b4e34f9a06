#include "KvBoardRelay.h"

#include "KvBoard.h"
#include "KvBoardEnvelope.h"
#include "KvBoardHandshake.h"
#include "KvBoardRoom.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QHostInfo>
#include <QLoggingCategory>
#include <QWebSocket>

namespace {

Q_LOGGING_CATEGORY(lcRelay, "kvpen.kvboard.relay")

constexpr int kSaveIntervalMs = 30000;
constexpr int kHandshakeTimeoutMs = 5000;
// A hand on a 120 Hz digitiser sends 120 frames a second, ten fingers 1200: far below these.
constexpr double kFramesPerSecond = 2000;
constexpr double kFrameBurst = 4000;
// A connection whose frames keep being refused is closed.
constexpr int kMaxRefusedPerPeer = 1000;

QByteArray tokenHash(const QByteArray &token)
{
    return QCryptographicHash::hash(token, QCryptographicHash::Sha256);
}

// Equal digests compared in constant time: how much of a guess was right never shows.
bool sameDigest(const QByteArray &a, const QByteArray &b)
{
    if (a.size() != b.size())
        return false;
    unsigned char difference = 0;
    for (int i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned char>(a.at(i) ^ b.at(i));
    return difference == 0;
}

QString peerKey(const QHostAddress &address, quint16 port)
{
    return address.toString() + QLatin1Char('|') + QString::number(port);
}

} // namespace

KvBoardRelay::KvBoardRelay(QObject *parent)
    : QObject(parent)
    , m_upgrader(QStringLiteral("kvboard"), QWebSocketServer::NonSecureMode)
{
    connect(&m_listener, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_listener.nextPendingConnection())
            admit(socket);
    });
    connect(&m_upgrader, &QWebSocketServer::newConnection, this, [this] {
        while (QWebSocket *socket = m_upgrader.nextPendingConnection())
            accept(socket);
    });
    m_saveTimer.setInterval(kSaveIntervalMs);
    connect(&m_saveTimer, &QTimer::timeout, this, [this] {
        QString error;
        if (!saveRooms(&error))
            qCWarning(lcRelay) << "cannot save the rooms:" << error;
    });
}

KvBoardRelay::~KvBoardRelay()
{
    for (auto it = m_peers.cbegin(); it != m_peers.cend(); ++it) {
        it.key()->disconnect(this);
        delete it.key();
    }
}

void KvBoardRelay::setToken(const QByteArray &token)
{
    m_tokenHash = token.isEmpty() ? QByteArray() : tokenHash(token);
}

bool KvBoardRelay::setCertificate(const QString &certPath, const QString &keyPath, QString *error)
{
    return m_listener.setCertificate(certPath, keyPath, error);
}

bool KvBoardRelay::setBoardFile(const QString &path, QString *error)
{
    const QFileInfo info(path);
    if (!info.absoluteDir().exists()) {
        *error = path + QStringLiteral(": no such folder");
        return false;
    }
    m_boardFile = info.absoluteFilePath();
    loadRooms();
    m_saveTimer.start();
    return true;
}

bool KvBoardRelay::listen(quint16 port, QString *error)
{
    if (m_listener.listen(QHostAddress::Any, port))
        return true;
    *error = m_listener.errorString();
    return false;
}

QString KvBoardRelay::address() const
{
    return QStringLiteral("%1://%2:%3")
        .arg(m_listener.isSecure() ? QStringLiteral("wss") : QStringLiteral("ws"),
             QHostInfo::localHostName())
        .arg(m_listener.serverPort());
}

bool KvBoardRelay::saveRooms(QString *error)
{
    if (m_boardFile.isEmpty())
        return true;
    bool saved = true;
    for (KvBoardRoom *room : qAsConst(m_rooms))
        saved = room->board()->saveFile(roomFile(room->name()), error) && saved;
    return saved;
}

KvBoardRelay::Refusals KvBoardRelay::refusals() const
{
    return m_refusals;
}

void KvBoardRelay::admit(QTcpSocket *socket)
{
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readHandshake(socket); });
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    m_handshaking.insert(socket);
    QTimer::singleShot(kHandshakeTimeoutMs, socket, [this, socket] {
        if (m_handshaking.remove(socket))
            socket->abort();
    });
}

void KvBoardRelay::readHandshake(QTcpSocket *socket)
{
    KvBoardHandshake handshake;
    const auto outcome
        = KvBoardHandshake::parse(socket->peek(KvBoardHandshake::kMaxHeadBytes + 4), &handshake);
    if (outcome == KvBoardHandshake::Incomplete)
        return;
    QByteArray refusal;
    if (outcome == KvBoardHandshake::Malformed)
        refusal = KvBoardHandshake::refusal(400, "Bad Request");
    else if (outcome == KvBoardHandshake::BadRoom)
        refusal = KvBoardHandshake::refusal(404, "No Such Room");
    else if (!m_tokenHash.isEmpty() && !sameDigest(tokenHash(handshake.token), m_tokenHash))
        refusal = KvBoardHandshake::refusal(401, "Unauthorized");
    if (!refusal.isEmpty()) {
        qCInfo(lcRelay) << "refused a handshake from" << socket->peerAddress().toString() << ':'
                        << refusal.mid(9, 3);
        m_handshaking.remove(socket);
        socket->write(refusal);
        socket->disconnectFromHost();
        return;
    }
    socket->disconnect(this);
    m_handshaking.remove(socket);
    // The WebSocket made from it owns the socket from here.
    socket->setParent(nullptr);
    m_admitted.insert(peerKey(socket->peerAddress(), socket->peerPort()),
                      {handshake.room, handshake.name});
    m_upgrader.handleConnection(socket);
}

void KvBoardRelay::accept(QWebSocket *socket)
{
    const auto admitted = m_admitted.take(peerKey(socket->peerAddress(), socket->peerPort()));
    socket->setMaxAllowedIncomingMessageSize(4 * KvBoardEnvelope::kMaxFrameBytes);
    socket->setMaxAllowedIncomingFrameSize(4 * KvBoardEnvelope::kMaxFrameBytes);
    KvBoardRoom *joined = room(admitted.first);
    m_peers.insert(socket, {joined, KvBoardRateLimit(kFramesPerSecond, kFrameBurst)});
    connect(socket, &QWebSocket::textMessageReceived, this,
            [this, socket](const QString &message) { receive(socket, message); });
    // Frames are JSON text: a binary frame reads as a malformed one.
    connect(socket, &QWebSocket::binaryMessageReceived, this,
            [this, socket] { receive(socket, QString()); });
    connect(socket, &QWebSocket::disconnected, this, [this, socket] { drop(socket); });
    joined->join(socket, admitted.second);
}

void KvBoardRelay::receive(QWebSocket *socket, const QString &message)
{
    auto peer = m_peers.find(socket);
    if (peer == m_peers.end())
        return;
    if (!peer->rate.take())
        return refuse(socket, *peer, &Refusals::overRate);
    if (message.size() > KvBoardEnvelope::kMaxFrameBytes)
        return refuse(socket, *peer, &Refusals::oversized);
    KvBoardEnvelope envelope;
    switch (KvBoardEnvelope::decode(message.toUtf8(), &envelope)) {
    case KvBoardEnvelope::Oversized:
        return refuse(socket, *peer, &Refusals::oversized);
    case KvBoardEnvelope::Malformed:
        return refuse(socket, *peer, &Refusals::malformed);
    case KvBoardEnvelope::UnknownKind:
        return refuse(socket, *peer, &Refusals::unknownKind);
    case KvBoardEnvelope::NoFault:
        break;
    }
    if (!KvBoardEnvelope::isParticipantKind(envelope.kind))
        return refuse(socket, *peer, &Refusals::unknownKind);
    peer->room->relay(socket, envelope);
}

void KvBoardRelay::refuse(QWebSocket *socket, Peer &peer, int Refusals::*counter)
{
    ++(m_refusals.*counter);
    if (peer.refused++ == 0)
        qCInfo(lcRelay) << "refusing frames from" << socket->peerAddress().toString();
    if (peer.refused == kMaxRefusedPerPeer)
        socket->close(QWebSocketProtocol::CloseCodePolicyViolated,
                      QStringLiteral("too many refused frames"));
}

void KvBoardRelay::drop(QWebSocket *socket)
{
    const auto peer = m_peers.constFind(socket);
    if (peer == m_peers.cend())
        return;
    peer->room->leave(socket);
    m_peers.erase(peer);
    socket->deleteLater();
}

KvBoardRoom *KvBoardRelay::room(const QString &name)
{
    KvBoardRoom *&room = m_rooms[name];
    if (!room)
        room = new KvBoardRoom(name, this);
    return room;
}

QString KvBoardRelay::roomFile(const QString &room) const
{
    if (room.isEmpty())
        return m_boardFile;
    const QFileInfo info(m_boardFile);
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    return info.dir().filePath(info.completeBaseName() + QLatin1Char('.') + room + suffix);
}

void KvBoardRelay::loadRooms()
{
    const QFileInfo info(m_boardFile);
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    const QString prefix = info.completeBaseName() + QLatin1Char('.');
    QStringList names;
    if (info.exists())
        names.append(QString());
    for (const QString &file :
         info.dir().entryList({prefix + QLatin1Char('*') + suffix}, QDir::Files)) {
        const QString name = file.mid(prefix.size(), file.size() - prefix.size() - suffix.size());
        if (!name.isEmpty() && KvBoardHandshake::isRoomName(name))
            names.append(name);
    }
    for (const QString &name : qAsConst(names)) {
        QString error;
        if (!room(name)->board()->openFile(roomFile(name), &error))
            qCWarning(lcRelay) << "cannot load room" << name << ':' << error;
    }
}
