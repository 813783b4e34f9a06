#include "KvBoardClient.h"

#include "KvBoard.h"
#include "KvBoardFragment.h"
#include "KvBoardHandshake.h"
#include "KvBoardLink.h"
#include "KvBoardPromptSockets.h"

#include <QFile>
#include <QJsonArray>
#include <QLoggingCategory>
#include <QNetworkRequest>
#include <QSslConfiguration>
#include <QUndoStack>
#include <QtConcurrent>

namespace {

Q_LOGGING_CATEGORY(lcClient, "kvpen.kvboard.client")

constexpr int kFirstBackoffMs = 250;
constexpr int kMaxBackoffMs = 2000;
// How long the relay's board goes on this one before the window's turn.
constexpr int kSliceMs = 100;
// The plug-in's live messages: "mousetype" 0 opens a gesture and 2 ends it.
constexpr int kPressType = 0;
constexpr int kReleaseType = 2;

QSet<QString> uuidSet(const QStringList &list)
{
    return QSet<QString>(list.begin(), list.end());
}

} // namespace

KvBoardClient::KvBoardClient(KvBoard *board, const QUrl &url, QObject *parent)
    : QObject(parent)
    , m_board(board)
    , m_link(new KvBoardLink(board, this))
    , m_url(url)
{
    m_lastFrame.start();
    kvboardSendPromptly(&m_socket);
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &KvBoardClient::connectSocket);
    connect(m_link, &KvBoardLink::outgoing, this, &KvBoardClient::send);
    m_nextFrame.setSingleShot(true);
    connect(&m_nextFrame, &QTimer::timeout, this, &KvBoardClient::handleNext);
    connect(&m_partRead, &QFutureWatcherBase::finished, this, &KvBoardClient::handleNext);
    connect(&m_socket, &QWebSocket::textMessageReceived, this,
            [this](const QString &message) { receive(message.toUtf8(), false); });
    connect(&m_socket, &QWebSocket::binaryMessageReceived, this,
            [this](const QByteArray &frame) { receive(frame, true); });
    connect(&m_socket, &QWebSocket::disconnected, this, &KvBoardClient::lost);
    connect(&m_socket, qOverload<QAbstractSocket::SocketError>(&QWebSocket::error), this, [this] {
        const QString error = m_socket.errorString();
        if (error.contains(QLatin1String(": 401")))
            m_reason = QStringLiteral("refused by %1: wrong token").arg(m_url.toString());
        else if (error.contains(QLatin1String(": 404")))
            m_reason = QStringLiteral("refused by %1: no such room").arg(m_url.toString());
        else
            m_reason = QStringLiteral("cannot reach %1: %2").arg(m_url.toString(), error);
        if (m_reason.startsWith(QLatin1String("refused"))) {
            m_open = false;
            setState(Refused);
        }
        lost();
    });
    connect(&m_socket, &QWebSocket::sslErrors, this, [this](const QList<QSslError> &errors) {
        for (const QSslError &error : errors)
            qCWarning(lcClient) << "TLS:" << error.errorString();
    });
}

KvBoardClient::~KvBoardClient()
{
    m_socket.disconnect(this);
}

void KvBoardClient::setToken(const QByteArray &token)
{
    m_token = token;
}

void KvBoardClient::setName(const QString &name)
{
    m_name = name;
}

bool KvBoardClient::setTrustedCertificate(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = path + QStringLiteral(": ") + file.errorString();
        return false;
    }
    const QList<QSslCertificate> certificates = QSslCertificate::fromData(file.readAll());
    if (certificates.isEmpty()) {
        *error = path + QStringLiteral(": no PEM certificate");
        return false;
    }
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setCaCertificates(configuration.caCertificates() + certificates);
    m_socket.setSslConfiguration(configuration);
    return true;
}

void KvBoardClient::open()
{
    m_open = true;
    m_backoff = kFirstBackoffMs;
    connectSocket();
}

void KvBoardClient::close()
{
    m_open = false;
    m_retry.stop();
    m_socket.flush();
    m_socket.close();
}

KvBoardClient::State KvBoardClient::state() const
{
    return m_state;
}

int KvBoardClient::headCount() const
{
    return m_headCount;
}

QString KvBoardClient::identity() const
{
    return m_identity;
}

QString KvBoardClient::reason() const
{
    return m_reason;
}

bool KvBoardClient::isSending() const
{
    return m_socket.bytesToWrite() > 0;
}

qint64 KvBoardClient::quietFor() const
{
    return m_lastFrame.isValid() ? m_lastFrame.elapsed() : 0;
}

void KvBoardClient::connectSocket()
{
    if (!m_open)
        return;
    QNetworkRequest request(m_url);
    if (!m_token.isEmpty())
        request.setRawHeader("Authorization", "Bearer " + m_token);
    if (!m_name.isEmpty())
        request.setRawHeader("X-Kvboard-Name", m_name.toUtf8());
    m_inbox.clear();
    m_onRelay.clear();
    m_erasedHere.clear();
    m_liveGestures.clear();
    setState(Connecting);
    m_socket.open(request);
}

void KvBoardClient::setState(State state)
{
    if (std::exchange(m_state, state) == state)
        return;
    // Synced, or no more of the board to come.
    if (state != Connecting)
        m_board->setArriving(false);
    qCInfo(lcClient) << state << m_url.toString() << (state == Synced ? QString() : m_reason);
    emit stateChanged(state);
}

void KvBoardClient::lost()
{
    m_liveGestures.clear();
    m_inbox.clear();
    const int code = m_socket.closeCode();
    if (code == KvBoardHandshake::kWrongToken || code == KvBoardHandshake::kNoSuchRoom) {
        m_reason
            = QStringLiteral("refused by %1: %2").arg(m_url.toString(), m_socket.closeReason());
        m_open = false;
        setState(Refused);
    }
    if (m_state == Refused || !m_open) {
        if (m_state != Refused)
            setState(Offline);
        return;
    }
    setState(Offline);
    if (!m_retry.isActive()) {
        m_retry.start(m_backoff);
        m_backoff = qMin(kMaxBackoffMs, m_backoff * 2);
    }
}

void KvBoardClient::receive(const QByteArray &frame, bool binary)
{
    m_lastFrame.start();
    KvBoardEnvelope envelope;
    const KvBoardEnvelope::Fault fault = binary ? KvBoardEnvelope::decodeBinary(frame, &envelope)
                                                : KvBoardEnvelope::decode(frame, &envelope);
    if (fault != KvBoardEnvelope::NoFault) {
        qCWarning(lcClient) << "refused a frame from the relay";
        return;
    }
    if (envelope.kind != KvBoardEnvelope::Snapshot) {
        // Behind the board's parts until all of it is here.
        if (m_inbox.isEmpty() && !m_board->isArriving())
            handle(envelope);
        else
            m_inbox.append({envelope, {}});
        return;
    }
    // Each part touches the whole board: views keep their picture until the last is in, rather
    // than repainting all of it part after part. A part is read beside the rest of the board on
    // its way, and goes on once read.
    m_board->setArriving(true);
    m_inbox.append(
        {envelope, QtConcurrent::run(&KvBoardDocument::fromPackedRecords, envelope.body)});
    m_inbox.last().envelope.body.clear();
    if (!m_nextFrame.isActive())
        m_nextFrame.start(0);
}

// Frames in order for up to a slice of time, then the window's turn; a part still being read
// holds up what follows it.
void KvBoardClient::handleNext()
{
    QElapsedTimer slice;
    slice.start();
    while (!m_inbox.isEmpty() && slice.elapsed() < kSliceMs) {
        const QFuture<KvBoardDocument> part = m_inbox.constFirst().part;
        if (m_inbox.constFirst().envelope.kind == KvBoardEnvelope::Snapshot && !part.isFinished()) {
            m_partRead.setFuture(part);
            return;
        }
        const Inbound next = m_inbox.takeFirst();
        if (next.envelope.kind == KvBoardEnvelope::Snapshot)
            receiveSnapshot(next.envelope.payload, part.result());
        else
            handle(next.envelope);
    }
    if (!m_inbox.isEmpty())
        m_nextFrame.start(0);
}

void KvBoardClient::handle(const KvBoardEnvelope &envelope)
{
    const QJsonObject &payload = envelope.payload;
    switch (envelope.kind) {
    case KvBoardEnvelope::Welcome:
        m_identity = payload.value(QStringLiteral("id")).toString();
        [[fallthrough]];
    case KvBoardEnvelope::Presence:
        m_headCount = payload.value(QStringLiteral("count")).toInt();
        emit headCountChanged(m_headCount);
        return;
    case KvBoardEnvelope::Restore:
        if (payload.value(QStringLiteral("merge")).toBool())
            return receiveMerged(payload.value(QStringLiteral("xml")).toString().toUtf8());
        [[fallthrough]];
    default:
        KvBoardLink::apply(m_board, envelope);
    }
}

// A part's strokes that this board lacks go on at once, unless erased here meanwhile.
void KvBoardClient::receiveSnapshot(const QJsonObject &payload, KvBoardDocument document)
{
    if (!document.isValid())
        qCWarning(lcClient) << "refused a part of the relay's board:" << document.error();
    // What was here before the first part, and again whenever the user changed the board since
    // (strokes from the relay are all in m_onRelay).
    if (m_onRelay.isEmpty() || m_hereAtStep != m_board->undoStack()->index()) {
        m_here = uuidSet(KvBoardScene::uuidsOf(m_board->scene()->strokes()));
        m_hereAtStep = m_board->undoStack()->index();
    }
    QSet<QString> toAdd;
    for (const QString &uuid : document.uuids()) {
        if (uuid.isEmpty() || m_onRelay.contains(uuid))
            continue;
        m_onRelay.insert(uuid);
        if (m_here.contains(uuid))
            continue;
        if (m_board->scene()->strokeOffBoard(uuid))
            m_erasedHere.append(uuid);
        else
            toAdd.insert(uuid);
    }
    document.keepStrokes(toAdd);
    if (document.strokeCount() > 0)
        m_board->receiveStrokes(document);
    if (!payload.value(QStringLiteral("last")).toBool())
        return;
    QStringList erased;
    for (const QJsonValue &uuid : payload.value(QStringLiteral("removed")).toArray())
        erased.append(uuid.toString());
    merge(erased);
}

void KvBoardClient::receiveMerged(const QByteArray &xml)
{
    QSet<QString> keep;
    QStringList erasedHere;
    for (const QString &uuid : KvBoardFragment::uuids(xml)) {
        if (!m_board->scene()->strokeOnBoard(uuid) && m_board->scene()->strokeOffBoard(uuid))
            erasedHere.append(uuid);
        else
            keep.insert(uuid);
    }
    m_board->receiveRestore(KvBoardFragment::subset(xml, keep));
    sendRemoval(erasedHere);
}

void KvBoardClient::sendRemoval(const QStringList &uuids)
{
    if (!uuids.isEmpty())
        write({KvBoardEnvelope::Remove,
               QString(),
               {{QStringLiteral("uuids"), QJsonArray::fromStringList(uuids)}}});
}

// The snapshot's last part is in: strokes only this board has go to the relay, unless the relay
// lists them as erased.
void KvBoardClient::merge(const QStringList &erasedOnRelay)
{
    const QSet<QString> onlyHere
        = uuidSet(KvBoardScene::uuidsOf(m_board->scene()->strokes())) - m_onRelay;
    const QSet<QString> erasedThere = onlyHere & uuidSet(erasedOnRelay);
    m_board->receiveRemoval(erasedThere.values());
    m_onRelay.clear();

    m_backoff = kFirstBackoffMs;
    setState(Synced);
    sendRemoval(std::exchange(m_erasedHere, {}));
    sendStrokes(onlyHere - erasedThere);
}

void KvBoardClient::send(const KvBoardEnvelope &envelope)
{
    // Offline, the next merge carries what changed.
    if (m_state != Synced)
        return;
    if (envelope.kind == KvBoardEnvelope::Live)
        sendLive(envelope);
    else
        write(envelope);
}

void KvBoardClient::sendLive(const KvBoardEnvelope &envelope)
{
    const QJsonObject data = envelope.payload.value(QStringLiteral("data")).toObject();
    const QString gesture = data.value(QStringLiteral("uuid")).toString();
    const int mousetype = data.value(QStringLiteral("mousetype")).toInt(-1);
    if (mousetype == kPressType)
        m_liveGestures.insert(gesture);
    if (m_liveGestures.contains(gesture)) {
        write(envelope);
        if (mousetype == kReleaseType)
            m_liveGestures.remove(gesture);
        return;
    }
    // Begun before this connection: the finished stroke goes whole, once it is on the board.
    if (mousetype == kReleaseType)
        QTimer::singleShot(0, this, [this, gesture] {
            if (m_state == Synced)
                sendStrokes({gesture});
        });
}

void KvBoardClient::sendStrokes(const QSet<QString> &uuids)
{
    if (uuids.isEmpty())
        return;
    const QByteArray xml = KvBoardFragment::subset(m_board->toXml(), uuids);
    if (KvBoardFragment::uuids(xml).isEmpty())
        return;
    for (KvBoardEnvelope envelope : KvBoardLink::chunked(KvBoardEnvelope::Restore, xml)) {
        envelope.payload.insert(QStringLiteral("merge"), true);
        write(envelope);
    }
}

void KvBoardClient::write(const KvBoardEnvelope &envelope)
{
    m_socket.sendTextMessage(QString::fromUtf8(envelope.encode()));
}
