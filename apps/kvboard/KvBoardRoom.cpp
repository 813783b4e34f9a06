#include "KvBoardRoom.h"

#include "KvBoard.h"
#include "KvBoardDocument.h"
#include "KvBoardLink.h"
#include "KvGraphicsStrokesGroup.h"

#include <QJsonArray>
#include <QWebSocket>

namespace {

// The plug-in's live messages: "mousetype" 0 opens a stroke and 2 ends it.
constexpr int kPressType = 0;
constexpr int kReleaseType = 2;
// A stroke held open longer than this is not replayed to newcomers, nor strokes beyond as many
// open at once as a room of hands has fingers.
constexpr int kMaxOpenFrames = 20000;
constexpr int kMaxOpenStrokes = 512;
// Room in a snapshot's frame for the uuids the last part lists.
constexpr int kSnapshotBodyPerFrame = KvBoardEnvelope::kMaxFrameBytes / 2;

QString strokeKey(const KvBoardEnvelope &envelope)
{
    const QJsonObject data = envelope.payload.value(QStringLiteral("data")).toObject();
    return envelope.sender + QLatin1Char('\n') + data.value(QStringLiteral("uuid")).toString();
}

} // namespace

KvBoardRoom::KvBoardRoom(const QString &name, QObject *parent)
    : QObject(parent)
    , m_name(name)
    , m_board(new KvBoard(QStringLiteral("relay"), this))
{
    connect(m_board->scene(), &KvBoardScene::strokeAdded, this,
            [this](KvGraphicsStrokesGroup *group) { m_landed.append(group); });
}

KvBoardRoom::~KvBoardRoom() = default;

QString KvBoardRoom::name() const
{
    return m_name;
}

KvBoard *KvBoardRoom::board() const
{
    return m_board;
}

int KvBoardRoom::headCount() const
{
    return m_members.size();
}

std::function<QByteArray()> KvBoardRoom::fileContents(const QString &path)
{
    if (KvBoardDocument::formatOf(path) != KvBoardDocument::Xml) {
        const QList<QByteArray> strokes = writtenStrokes(KvBoardDocument::Records);
        if (!strokes.contains(QByteArray())) {
            return [strokes] {
                return KvBoardDocument::recordsFromPacked(strokes);
            };
        }
        // A stroke zlib had no memory for: the board writes itself, here and now.
        const QByteArray bytes = m_board->toBytes(path);
        return [bytes] {
            return bytes;
        };
    }
    const QList<QByteArray> strokes = writtenStrokes(KvBoardDocument::Xml);
    return [strokes] {
        return KvBoardDocument::writeStrokesXml(strokes);
    };
}

void KvBoardRoom::setKeptAsXml(bool kept)
{
    m_keptAsXml = kept;
}

void KvBoardRoom::writeBoard()
{
    writtenStrokes(KvBoardDocument::Records);
    if (m_keptAsXml)
        writtenStrokes(KvBoardDocument::Xml);
}

void KvBoardRoom::join(QWebSocket *socket, const QString &name)
{
    const QString identity = identityFor(name);
    m_members.insert(socket, identity);
    const KvBoardEnvelope welcome {
        KvBoardEnvelope::Welcome,
        QString(),
        {{QStringLiteral("id"), identity}, {QStringLiteral("count"), headCount()}}};
    socket->sendTextMessage(QString::fromUtf8(welcome.encode()));
    sendSnapshot(socket);
    for (const QList<QByteArray> &frames : qAsConst(m_openStrokes)) {
        for (const QByteArray &frame : frames)
            socket->sendTextMessage(QString::fromUtf8(frame));
    }
    const KvBoardEnvelope presence {
        KvBoardEnvelope::Presence, QString(), {{QStringLiteral("count"), headCount()}}};
    broadcast(presence.encode(), socket);
}

void KvBoardRoom::leave(QWebSocket *socket)
{
    const QString identity = m_members.take(socket);
    if (identity.isEmpty())
        return;
    const QString prefix = identity + QLatin1Char('\n');
    for (auto it = m_openStrokes.begin(); it != m_openStrokes.end();)
        it = it.key().startsWith(prefix) ? m_openStrokes.erase(it) : std::next(it);
    const KvBoardEnvelope presence {
        KvBoardEnvelope::Presence, QString(), {{QStringLiteral("count"), headCount()}}};
    broadcast(presence.encode(), nullptr);
}

void KvBoardRoom::relay(QWebSocket *from, KvBoardEnvelope envelope)
{
    envelope.sender = m_members.value(from);
    if (envelope.sender.isEmpty())
        return;
    KvBoardLink::apply(m_board, envelope);
    const QByteArray frame = envelope.encode();
    if (envelope.kind == KvBoardEnvelope::Live)
        noteOpenStroke(envelope, frame);
    broadcast(frame, from);
    // Strokes are written as they land, so that a newcomer's snapshot only puts them together.
    for (const QPointer<KvGraphicsStrokesGroup> &group : std::exchange(m_landed, {})) {
        if (!group)
            continue;
        written(group, KvBoardDocument::Records);
        if (m_keptAsXml)
            written(group, KvBoardDocument::Xml);
    }
}

QString KvBoardRoom::identityFor(const QString &name) const
{
    const QString base = name.isEmpty() ? QStringLiteral("guest") : name;
    const QList<QString> taken = m_members.values();
    QString identity = base;
    for (int n = 2; taken.contains(identity); ++n)
        identity = base + QLatin1Char('#') + QString::number(n);
    return identity;
}

void KvBoardRoom::sendSnapshot(QWebSocket *socket)
{
    // Each part leaves as soon as it is made: the newcomer reads it while the next is packed.
    const auto send = [&](const QByteArray &body, bool last) {
        QJsonObject payload {{QStringLiteral("last"), last}};
        if (last)
            payload.insert(QStringLiteral("removed"),
                           QJsonArray::fromStringList(
                               KvBoardScene::uuidsOf(m_board->scene()->strokesOffBoard())));
        socket->sendBinaryMessage(
            KvBoardEnvelope {KvBoardEnvelope::Snapshot, QString(), payload, body}.encode());
        socket->flush();
    };
    KvBoardDocument::packRecords(writtenStrokes(KvBoardDocument::Records), kSnapshotBodyPerFrame,
                                 send);
}

// The board's strokes in board order, each written once in `format`, when first needed.
// Strokes gone from the board are forgotten.
QList<QByteArray> KvBoardRoom::writtenStrokes(KvBoardDocument::Format format)
{
    QHash<const KvGraphicsStrokesGroup *, WrittenStroke> onBoard;
    QList<QByteArray> strokes;
    m_landed.clear();
    for (KvGraphicsStrokesGroup *group : m_board->scene()->strokes()) {
        strokes.append(written(group, format));
        onBoard.insert(group, m_written.value(group));
    }
    m_written = onBoard;
    return strokes;
}

const QByteArray &KvBoardRoom::written(KvGraphicsStrokesGroup *group,
                                       KvBoardDocument::Format format)
{
    WrittenStroke &stroke = m_written[group];
    if (stroke.group != group)
        stroke = {group, {}, {}};
    QByteArray &bytes = format == KvBoardDocument::Xml ? stroke.xml : stroke.record;
    if (bytes.isEmpty())
        bytes = format == KvBoardDocument::Xml
            ? KvBoardDocument::writeStrokeXml(group)
            : KvBoardDocument::packStroke(KvBoardDocument::writeStrokeRecord(group));
    return bytes;
}

void KvBoardRoom::noteOpenStroke(const KvBoardEnvelope &envelope, const QByteArray &frame)
{
    const int mousetype = envelope.payload.value(QStringLiteral("data"))
                              .toObject()
                              .value(QStringLiteral("mousetype"))
                              .toInt(-1);
    const QString key = strokeKey(envelope);
    if (mousetype == kReleaseType) {
        m_openStrokes.remove(key);
        return;
    }
    if (mousetype == kPressType && m_openStrokes.size() < kMaxOpenStrokes)
        m_openStrokes.insert(key, {});
    auto open = m_openStrokes.find(key);
    if (open == m_openStrokes.end())
        return;
    if (open->size() >= kMaxOpenFrames)
        m_openStrokes.erase(open);
    else
        open->append(frame);
}

void KvBoardRoom::broadcast(const QByteArray &frame, QWebSocket *except)
{
    const QString text = QString::fromUtf8(frame);
    for (auto it = m_members.cbegin(); it != m_members.cend(); ++it) {
        if (it.key() != except)
            it.key()->sendTextMessage(text);
    }
}
