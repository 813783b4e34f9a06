#include "KvBoardLink.h"

#include "KvBoard.h"
#include "KvBoardFragment.h"

#include <QJsonArray>

namespace {

// Room for the envelope and JSON escaping around a document part.
constexpr int kXmlPerFrame = KvBoardEnvelope::kMaxFrameBytes / 2;

QStringList toStringList(const QJsonValue &value)
{
    QStringList list;
    for (const QJsonValue &item : value.toArray())
        list.append(item.toString());
    return list;
}

} // namespace

KvBoardLink::KvBoardLink(KvBoard *board, QObject *parent)
    : QObject(parent)
    , m_board(board)
{
    connect(board, &KvBoard::liveMessage, this,
            [this](const QUuid &, int type, const QJsonObject &data, const QString &messageid) {
                if (!m_live)
                    return;
                // The plug-in only puts the release's message id beside the data.
                QJsonObject body = data;
                if (!messageid.isEmpty())
                    body.insert(QStringLiteral("messageid"), messageid);
                send(KvBoardEnvelope::Live,
                     {{QStringLiteral("type"), type}, {QStringLiteral("data"), body}});
            });
    connect(board, &KvBoard::strokeMessage, this, [this](const QJsonObject &data) {
        if (!m_live)
            send(KvBoardEnvelope::Stroke, {{QStringLiteral("data"), data}});
    });
    connect(board, &KvBoard::strokesRemoved, this, [this](const QStringList &uuids) {
        send(KvBoardEnvelope::Remove,
             {{QStringLiteral("uuids"), QJsonArray::fromStringList(uuids)}});
    });
    connect(board, &KvBoard::strokesRestored, this, [this](const QStringList &uuids) {
        sendXml(
            KvBoardEnvelope::Restore,
            KvBoardFragment::subset(m_board->toXml(), QSet<QString>(uuids.begin(), uuids.end())));
    });
    connect(board, &KvBoard::documentLoaded, this,
            [this](const QByteArray &xml) { sendXml(KvBoardEnvelope::Document, xml); });
}

bool KvBoardLink::isLive() const
{
    return m_live;
}

void KvBoardLink::setLive(bool live)
{
    m_live = live;
}

bool KvBoardLink::apply(KvBoard *board, const KvBoardEnvelope &envelope)
{
    const QJsonObject &payload = envelope.payload;
    switch (envelope.kind) {
    case KvBoardEnvelope::Live:
        board->receiveLive(envelope.sender, payload.value(QStringLiteral("type")).toInt(),
                           payload.value(QStringLiteral("data")).toObject());
        return true;
    case KvBoardEnvelope::Stroke:
        board->receiveStroke(payload.value(QStringLiteral("data")).toObject());
        return true;
    case KvBoardEnvelope::Remove:
        board->receiveRemoval(toStringList(payload.value(QStringLiteral("uuids"))));
        return true;
    case KvBoardEnvelope::Restore:
        board->receiveRestore(payload.value(QStringLiteral("xml")).toString().toUtf8());
        return true;
    case KvBoardEnvelope::Document:
        board->receiveDocument(payload.value(QStringLiteral("xml")).toString().toUtf8());
        return true;
    default:
        return false;
    }
}

QList<KvBoardEnvelope> KvBoardLink::chunked(KvBoardEnvelope::Kind kind, const QByteArray &xml)
{
    QList<KvBoardEnvelope> envelopes;
    const QList<QByteArray> parts = KvBoardFragment::split(xml, kXmlPerFrame);
    for (const QByteArray &part : parts) {
        envelopes.append({envelopes.isEmpty() ? kind : KvBoardEnvelope::Restore,
                          QString(),
                          {{QStringLiteral("xml"), QString::fromUtf8(part)}}});
    }
    return envelopes;
}

void KvBoardLink::send(KvBoardEnvelope::Kind kind, const QJsonObject &payload)
{
    emit outgoing({kind, QString(), payload});
}

void KvBoardLink::sendXml(KvBoardEnvelope::Kind kind, const QByteArray &xml)
{
    for (const KvBoardEnvelope &envelope : chunked(kind, xml))
        emit outgoing(envelope);
}
