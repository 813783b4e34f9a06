#include "KvBoardTransport.h"

#include "KvBoard.h"
#include "KvBoardEnvelope.h"
#include "KvBoardLink.h"

#include <QDateTime>

namespace {

constexpr int kLoadingRetryMilliseconds = 20;

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
    if (std::exchange(m_mode, mode) == mode)
        return;
    for (KvBoardLink *link : qAsConst(m_links))
        link->setLive(mode == Live);
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

void KvBoardTransport::link(KvBoard *from, KvBoard *to)
{
    auto *link = new KvBoardLink(from, this);
    link->setLive(m_mode == Live);
    m_links.append(link);
    connect(link, &KvBoardLink::outgoing, this, [=](KvBoardEnvelope envelope) {
        envelope.sender = from->name();
        send(to, envelope);
    });
}

void KvBoardTransport::send(KvBoard *to, const KvBoardEnvelope &envelope)
{
    const QByteArray bytes = envelope.encode();
    emit sent(envelope.toJson(), bytes);
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
    KvBoardEnvelope envelope;
    if (KvBoardEnvelope::decode(bytes, &envelope) != KvBoardEnvelope::NoFault)
        emit undeliverable(tr("A message could not be read."));
    else if (!KvBoardLink::apply(to, envelope))
        emit undeliverable(tr("A message of kind \"%1\" was dropped.")
                               .arg(KvBoardEnvelope::kindName(envelope.kind)));
}
