#include "KvBoardRelay.h"

#include "KvBoard.h"
#include "KvBoardEnvelope.h"
#include "KvBoardHandshake.h"
#include "KvBoardPromptSockets.h"
#include "KvBoardRoom.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostInfo>
#include <QLoggingCategory>
#include <QSslKey>
#include <QWebSocket>

namespace {

Q_LOGGING_CATEGORY(lcRelay, "kvpen.kvboard.relay")

constexpr int kSaveIntervalMs = 30000;
// A pen on a 120 Hz digitiser sends 120 frames a second, four fingers 480. The limit stays
// well below what the relay handles, so that a flood is refused rather than queued: frames that
// arrive together are handled in one go, and no one else is served meanwhile.
constexpr double kFramesPerSecond = 600;
constexpr double kFrameBurst = 600;
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

QByteArray readFile(const QString &path, QString *error)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        return file.readAll();
    *error = path + QStringLiteral(": ") + file.errorString();
    return {};
}

} // namespace

KvBoardRelay::KvBoardRelay(QObject *parent)
    : QObject(parent)
{
    m_clock.start();
    m_saveTimer.setInterval(kSaveIntervalMs);
    connect(&m_saveTimer, &QTimer::timeout, this, &KvBoardRelay::saveRoomsAside);
    m_writer.setMaxThreadCount(1);
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
    const QByteArray cert = readFile(certPath, error);
    const QByteArray key = readFile(keyPath, error);
    if (cert.isEmpty() || key.isEmpty())
        return false;
    const QSslCertificate certificate(cert, QSsl::Pem);
    QSslKey privateKey(key, QSsl::Rsa, QSsl::Pem);
    if (privateKey.isNull())
        privateKey = QSslKey(key, QSsl::Ec, QSsl::Pem);
    if (certificate.isNull() || privateKey.isNull()) {
        *error = QStringLiteral("%1 or %2: not a PEM certificate and key").arg(certPath, keyPath);
        return false;
    }
    m_tls = QSslConfiguration::defaultConfiguration();
    m_tls.setLocalCertificate(certificate);
    m_tls.setPrivateKey(privateKey);
    m_tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    return true;
}

bool KvBoardRelay::setBoardFile(const QString &path, QString *error)
{
    const QFileInfo info(path);
    if (!info.absoluteDir().exists()) {
        *error = path + QStringLiteral(": no such folder");
        return false;
    }
    m_boardFile = info.absoluteFilePath();
    if (!loadRooms(error))
        return false;
    m_saveTimer.start();
    return true;
}

bool KvBoardRelay::listen(quint16 port, QString *error)
{
    const bool secure = !m_tls.localCertificate().isNull();
    m_server = new QWebSocketServer(
        QStringLiteral("kvboard"),
        secure ? QWebSocketServer::SecureMode : QWebSocketServer::NonSecureMode, this);
    if (secure)
        m_server->setSslConfiguration(m_tls);
    connect(m_server, &QWebSocketServer::newConnection, this, [this] {
        while (QWebSocket *socket = m_server->nextPendingConnection())
            accept(socket);
    });
    if (m_server->listen(QHostAddress::Any, port)) {
        kvboardSendPromptly(m_server);
        return true;
    }
    *error = m_server->errorString();
    return false;
}

QString KvBoardRelay::address() const
{
    return QStringLiteral("%1://%2:%3")
        .arg(m_server->secureMode() == QWebSocketServer::SecureMode ? QStringLiteral("wss")
                                                                    : QStringLiteral("ws"),
             QHostInfo::localHostName())
        .arg(m_server->serverPort());
}

bool KvBoardRelay::saveRooms(QString *error)
{
    m_writer.waitForDone();
    if (m_boardFile.isEmpty())
        return true;
    bool saved = true;
    for (KvBoardRoom *room : qAsConst(m_rooms)) {
        const QString path = roomFile(room->name());
        saved = KvBoard::writeFile(path, room->fileContents(path)(), error) && saved;
    }
    return saved;
}

void KvBoardRelay::saveRoomsAside()
{
    if (m_boardFile.isEmpty() || m_writer.activeThreadCount() > 0)
        return;
    for (KvBoardRoom *room : qAsConst(m_rooms)) {
        const QString path = roomFile(room->name());
        const std::function<QByteArray()> contents = room->fileContents(path);
        m_writer.start([path, contents] {
            QString error;
            if (!KvBoard::writeFile(path, contents(), &error))
                qCWarning(lcRelay) << "cannot save" << path << ':' << error;
        });
    }
}

KvBoardRelay::Refusals KvBoardRelay::refusals() const
{
    return m_refusals;
}

void KvBoardRelay::accept(QWebSocket *socket)
{
    KvBoardHandshake handshake;
    int refusal = 0;
    if (!KvBoardHandshake::read(socket->request(), &handshake))
        refusal = KvBoardHandshake::kNoSuchRoom;
    else if (!m_tokenHash.isEmpty() && !sameDigest(tokenHash(handshake.token), m_tokenHash))
        refusal = KvBoardHandshake::kWrongToken;
    if (refusal) {
        qCInfo(lcRelay) << "refused" << socket->peerAddress().toString() << "with" << refusal;
        connect(socket, &QWebSocket::disconnected, socket, &QObject::deleteLater);
        socket->close(QWebSocketProtocol::CloseCode(refusal),
                      refusal == KvBoardHandshake::kWrongToken ? QStringLiteral("wrong token")
                                                               : QStringLiteral("no such room"));
        return;
    }
    socket->setMaxAllowedIncomingMessageSize(4 * KvBoardEnvelope::kMaxFrameBytes);
    socket->setMaxAllowedIncomingFrameSize(4 * KvBoardEnvelope::kMaxFrameBytes);
    KvBoardRoom *joined = room(handshake.room);
    m_peers.insert(socket, {joined, KvBoardRateLimit(kFramesPerSecond, kFrameBurst)});
    connect(socket, &QWebSocket::textMessageReceived, this,
            [this, socket](const QString &message) { receive(socket, message); });
    // Frames are JSON text: a binary frame reads as a malformed one.
    connect(socket, &QWebSocket::binaryMessageReceived, this,
            [this, socket] { receive(socket, QString()); });
    connect(socket, &QWebSocket::disconnected, this, [this, socket] { drop(socket); });
    joined->join(socket, handshake.name);
}

void KvBoardRelay::receive(QWebSocket *socket, const QString &message)
{
    auto peer = m_peers.find(socket);
    if (peer == m_peers.end())
        return;
    if (!peer->rate.take(arrivalMs()))
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

// Frames handed over together arrived together, however long handling the first of them takes:
// they count as arriving when the batch began, so a flood the relay is slow to work through is
// still refused as the flood it was, rather than queued.
qint64 KvBoardRelay::arrivalMs()
{
    if (m_arrivalMs < 0) {
        m_arrivalMs = m_clock.elapsed();
        QTimer::singleShot(0, this, [this] { m_arrivalMs = -1; });
    }
    return m_arrivalMs;
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
    if (!room) {
        room = new KvBoardRoom(name, this);
        room->setKeptAsXml(!m_boardFile.isEmpty()
                           && KvBoardDocument::formatOf(m_boardFile) == KvBoardDocument::Xml);
    }
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

bool KvBoardRelay::loadRooms(QString *error)
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
    // A room saved over a file it could not load would lose that board.
    for (const QString &name : qAsConst(names)) {
        QString why;
        KvBoardLoadReport report;
        KvBoardRoom *loaded = room(name);
        if (!loaded->board()->openFile(roomFile(name), &why, &report) || !report.isComplete()) {
            *error = QStringLiteral("cannot load %1: %2")
                         .arg(roomFile(name), why.isEmpty() ? report.summary() : why);
            return false;
        }
        loaded->writeBoard();
    }
    return true;
}
