// One frame as it reaches the relay or a participant, as a text frame and as a binary one. What
// decodes must encode to a frame that decodes to the same envelope; the board documents it
// carries must split and filter without losing a stroke, and a snapshot's records must read as
// any records file does once unpacked.
#include "KvBoardDocument.h"
#include "KvBoardEnvelope.h"
#include "KvBoardFragment.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QSet>

#include <algorithm>

#include <cstdlib>

namespace {

// Equal JSON, numbers compared as the doubles JSON carries: Qt reads an integer beyond 2^53
// exactly but writes it through a double, so such a number comes back as its nearest double.
bool sameJson(const QJsonValue &a, const QJsonValue &b)
{
    if (a.isDouble() && b.isDouble())
        return a.toDouble() == b.toDouble();
    if (a.type() != b.type())
        return false;
    if (a.isArray()) {
        const QJsonArray left = a.toArray();
        const QJsonArray right = b.toArray();
        return left.size() == right.size()
            && std::equal(left.begin(), left.end(), right.begin(), sameJson);
    }
    if (a.isObject()) {
        const QJsonObject left = a.toObject();
        const QJsonObject right = b.toObject();
        const QStringList keys = left.keys();
        return keys == right.keys()
            && std::all_of(keys.cbegin(), keys.cend(), [&](const QString &key) {
                   return sameJson(left.value(key), right.value(key));
               });
    }
    return a == b;
}

void checkRoundTrip(const KvBoardEnvelope &envelope)
{
    KvBoardEnvelope again;
    const QByteArray frame = envelope.encode();
    const KvBoardEnvelope::Fault fault = envelope.isBinary()
        ? KvBoardEnvelope::decodeBinary(frame, &again)
        : KvBoardEnvelope::decode(frame, &again);
    if (fault != KvBoardEnvelope::NoFault || again.kind != envelope.kind
        || again.sender != envelope.sender || !sameJson(again.payload, envelope.payload)
        || again.body != envelope.body)
        std::abort();
}

void checkXml(const QByteArray &xml)
{
    const QStringList uuids = KvBoardFragment::uuids(xml);
    QStringList fromParts;
    for (const QByteArray &part : KvBoardFragment::split(xml, 512))
        fromParts += KvBoardFragment::uuids(part);
    const QSet<QString> half(uuids.begin(), uuids.begin() + uuids.size() / 2);
    const QStringList kept = KvBoardFragment::uuids(KvBoardFragment::subset(xml, half));
    if (fromParts != uuids || QSet<QString>(kept.begin(), kept.end()) != half)
        std::abort();
}

void checkRecords(const QByteArray &body)
{
    KvBoardDocument document = KvBoardDocument::fromPackedRecords(body);
    if (!document.isValid())
        return;
    const QStringList uuids = document.uuids();
    if (uuids.size() != document.strokeCount())
        std::abort();
    document.keepStrokes({uuids.value(0)});
    if (document.strokeCount() != (uuids.isEmpty() ? 0 : int(uuids.count(uuids.at(0)))))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray frame(reinterpret_cast<const char *>(data), int(size));
    KvBoardEnvelope envelope;
    if (KvBoardEnvelope::decode(frame, &envelope) == KvBoardEnvelope::NoFault) {
        checkRoundTrip(envelope);
        const QByteArray xml = envelope.payload.value(QStringLiteral("xml")).toString().toUtf8();
        if (!xml.isEmpty())
            checkXml(xml);
    }
    if (KvBoardEnvelope::decodeBinary(frame, &envelope) == KvBoardEnvelope::NoFault) {
        checkRoundTrip(envelope);
        checkRecords(envelope.body);
    }
    return 0;
}
