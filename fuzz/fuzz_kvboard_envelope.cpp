// One frame as it reaches the relay or a participant. What decodes must encode to a frame that
// decodes to the same envelope, and the board documents it carries must split and filter
// without losing a stroke.
#include "KvBoardEnvelope.h"
#include "KvBoardFragment.h"

#include <QSet>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray frame(reinterpret_cast<const char *>(data), int(size));
    KvBoardEnvelope envelope;
    if (KvBoardEnvelope::decode(frame, &envelope) != KvBoardEnvelope::NoFault)
        return 0;
    KvBoardEnvelope again;
    if (KvBoardEnvelope::decode(envelope.encode(), &again) != KvBoardEnvelope::NoFault
        || again.kind != envelope.kind || again.sender != envelope.sender
        || again.payload != envelope.payload)
        std::abort();

    const QByteArray xml = envelope.payload.value(QStringLiteral("xml")).toString().toUtf8();
    if (xml.isEmpty())
        return 0;
    const QStringList uuids = KvBoardFragment::uuids(xml);
    QStringList fromParts;
    for (const QByteArray &part : KvBoardFragment::split(xml, 512))
        fromParts += KvBoardFragment::uuids(part);
    const QSet<QString> half(uuids.begin(), uuids.begin() + uuids.size() / 2);
    const QStringList kept = KvBoardFragment::uuids(KvBoardFragment::subset(xml, half));
    if (fromParts != uuids || QSet<QString>(kept.begin(), kept.end()) != half)
        std::abort();
    return 0;
}
