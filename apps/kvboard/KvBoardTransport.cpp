#include "KvBoardTransport.h"

#include "KvBoard.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

constexpr int kLoadingRetryMilliseconds = 20;

QJsonObject envelope(const KvBoard *from, const QString &kind)
{
    return {{QStringLiteral("from"), from->name()}, {QStringLiteral("kind"), kind}};
}

QStringList toStringList(const QJsonValue &value)
{
    QStringList list;
    for (const QJsonValue &item : value.toArray())
        list.append(item.toString());
    return list;
}

} // namespace

KvBoardTransport::KvBoardTransport(KvBoard *first, KvBoard *second, QObject *parent)
    : QObject(parent)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &KvBoardTransport::deliverDue);
    link(first, second);
    link(second, first);
}

KvBoardTransport::Mode KvBoardTransport::mode() const
{
    return m_mode;
}

void KvBoardTransport::setMode(Mode mode)
{
    if (std::exchange(m_mode, mode) != mode)
        emit modeChanged(mode);
}

int KvBoardTransport::delay() const
{
    return m_delay;
}

void KvBoardTransport::setDelay(int milliseconds)
{
    milliseconds = qMax(0, milliseconds);
    if (std::exchange(m_delay, milliseconds) != milliseconds)
        emit delayChanged(milliseconds);
}

bool KvBoardTransport::isBusy() const
{
    return !m_inFlight.isEmpty();
}

QByteArray KvBoardTransport::encode(const QJsonObject &envelope)
{
    return QJsonDocument(envelope).toJson(QJsonDocument::Compact);
}

void KvBoardTransport::link(KvBoard *from, KvBoard *to)
{
    connect(from, &KvBoard::liveMessage, this,
            [=](const QUuid &, int type, const QJsonObject &data, const QString &messageid) {
                if (m_mode != Live)
                    return;
                QJsonObject message = envelope(from, QStringLiteral("live"));
                message.insert(QStringLiteral("type"), type);
                // The plug-in only puts the release's message id beside the data.
                QJsonObject body = data;
                if (!messageid.isEmpty())
                    body.insert(QStringLiteral("messageid"), messageid);
                message.insert(QStringLiteral("data"), body);
                send(to, message);
            });
    connect(from, &KvBoard::strokeMessage, this, [=](const QJsonObject &data) {
        if (m_mode != WholeStroke)
            return;
        QJsonObject message = envelope(from, QStringLiteral("stroke"));
        message.insert(QStringLiteral("data"), data);
        send(to, message);
    });
    connect(from, &KvBoard::strokesRemoved, this, [=](const QStringList &uuids) {
        QJsonObject message = envelope(from, QStringLiteral("remove"));
        message.insert(QStringLiteral("uuids"), QJsonArray::fromStringList(uuids));
        send(to, message);
    });
    connect(from, &KvBoard::strokesRestored, this, [=](const QStringList &uuids) {
        QJsonObject message = envelope(from, QStringLiteral("restore"));
        message.insert(QStringLiteral("uuids"), QJsonArray::fromStringList(uuids));
        send(to, message);
    });
    connect(from, &KvBoard::documentLoaded, this, [=](const QByteArray &xml) {
        QJsonObject message = envelope(from, QStringLiteral("document"));
        message.insert(QStringLiteral("xml"), QString::fromUtf8(xml));
        send(to, message);
    });
}

void KvBoardTransport::send(KvBoard *to, const QJsonObject &envelope)
{
    const QByteArray bytes = encode(envelope);
    emit sent(envelope, bytes);
    // Later messages never overtake earlier ones, even when the delay was lowered meanwhile.
    if (m_delay == 0 && m_inFlight.isEmpty() && !to->isLoading()) {
        deliver(to, bytes);
        return;
    }
    m_inFlight.append({to, bytes, QDateTime::currentMSecsSinceEpoch() + m_delay});
    if (!m_timer.isActive())
        m_timer.start(m_delay);
}

void KvBoardTransport::deliverDue()
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    while (!m_inFlight.isEmpty() && m_inFlight.first().due <= now) {
        // A board that is loading a file takes its messages once it is done.
        if (m_inFlight.first().to && m_inFlight.first().to->isLoading()) {
            m_timer.start(kLoadingRetryMilliseconds);
            return;
        }
        const Parcel parcel = m_inFlight.takeFirst();
        if (parcel.to)
            deliver(parcel.to, parcel.bytes);
        else
            emit undeliverable(tr("A message was lost: its participant has left."));
    }
    if (!m_inFlight.isEmpty())
        m_timer.start(int(qMax<qint64>(0, m_inFlight.first().due - now)));
}

void KvBoardTransport::deliver(KvBoard *to, const QByteArray &bytes)
{
    QJsonParseError error;
    const QJsonObject message = QJsonDocument::fromJson(bytes, &error).object();
    if (error.error != QJsonParseError::NoError) {
        emit undeliverable(tr("A message could not be read: %1").arg(error.errorString()));
        return;
    }
    const QString from = message.value(QStringLiteral("from")).toString();
    const QString kind = message.value(QStringLiteral("kind")).toString();
    const QJsonObject data = message.value(QStringLiteral("data")).toObject();
    if (kind == QLatin1String("live"))
        to->receiveLive(from, message.value(QStringLiteral("type")).toInt(), data);
    else if (kind == QLatin1String("stroke"))
        to->receiveStroke(data);
    else if (kind == QLatin1String("remove"))
        to->receiveRemoval(toStringList(message.value(QStringLiteral("uuids"))));
    else if (kind == QLatin1String("restore"))
        to->receiveRestore(toStringList(message.value(QStringLiteral("uuids"))));
    else if (kind == QLatin1String("document"))
        to->receiveDocument(message.value(QStringLiteral("xml")).toString().toUtf8());
    else
        emit undeliverable(tr("A message of unknown kind \"%1\" was dropped.").arg(kind));
}
