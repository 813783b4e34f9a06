#include "KvBoardEnvelope.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <QVector>
#include <QtEndian>

#include <algorithm>

namespace {

const QString kKindKey = QStringLiteral("kind");
const QString kSenderKey = QStringLiteral("sender");
const QString kPayloadKey = QStringLiteral("payload");

const QStringList &kindNames()
{
    static const QStringList names {QStringLiteral("live"),     QStringLiteral("stroke"),
                                    QStringLiteral("remove"),   QStringLiteral("restore"),
                                    QStringLiteral("document"), QStringLiteral("welcome"),
                                    QStringLiteral("snapshot"), QStringLiteral("presence")};
    return names;
}

bool isStringList(const QJsonValue &value)
{
    if (!value.isArray())
        return false;
    const QJsonArray array = value.toArray();
    return std::all_of(array.begin(), array.end(),
                       [](const QJsonValue &v) { return v.isString(); });
}

bool isWhole(const QJsonValue &value)
{
    return value.isDouble() && value.toDouble() == double(value.toInt());
}

// The text of a JSON string token, escapes resolved; `token` includes the quotes.
QString keyText(const QByteArray &token)
{
    if (!token.contains('\\'))
        return QString::fromUtf8(token.mid(1, token.size() - 2));
    return QJsonDocument::fromJson('[' + token + ']').array().at(0).toString();
}

// Whether an object of the JSON text names one key twice. Qt's parser keeps the last value of
// a repeated key and never frees an object or array an earlier one held, so a peer could make
// every frame leak; such frames are refused before they are parsed. Malformed text is left to
// the parser.
bool repeatsAKey(const QByteArray &json)
{
    struct Level
    {
        bool isObject;
        bool expectsKey;
        QSet<QString> keys;
    };
    QVector<Level> levels;
    for (int i = 0; i < json.size(); ++i) {
        const char c = json.at(i);
        if (c == '"') {
            const int start = i;
            for (++i; i < json.size() && json.at(i) != '"'; ++i) {
                if (json.at(i) == '\\')
                    ++i;
            }
            if (levels.isEmpty() || !levels.last().expectsKey)
                continue;
            Level &level = levels.last();
            const QString key = keyText(json.mid(start, i - start + 1));
            if (level.keys.contains(key))
                return true;
            level.keys.insert(key);
            level.expectsKey = false;
        } else if (c == '{' || c == '[') {
            levels.append({c == '{', c == '{', {}});
        } else if ((c == '}' || c == ']') && !levels.isEmpty()) {
            levels.removeLast();
        } else if (c == ',' && !levels.isEmpty() && levels.last().isObject) {
            levels.last().expectsKey = true;
        }
    }
    return false;
}

// The length of a binary frame's JSON head.
constexpr int kHeadLengthBytes = 4;

bool payloadFits(KvBoardEnvelope::Kind kind, const QJsonObject &payload, bool hasBody)
{
    if (hasBody != (kind == KvBoardEnvelope::Snapshot))
        return false;
    switch (kind) {
    case KvBoardEnvelope::Live:
        return isWhole(payload.value(QStringLiteral("type")))
            && payload.value(QStringLiteral("data")).isObject();
    case KvBoardEnvelope::Stroke:
        return payload.value(QStringLiteral("data")).isObject();
    case KvBoardEnvelope::Remove:
        return isStringList(payload.value(QStringLiteral("uuids")));
    case KvBoardEnvelope::Restore:
    case KvBoardEnvelope::Document:
        return payload.value(QStringLiteral("xml")).isString();
    case KvBoardEnvelope::Welcome:
        return payload.value(QStringLiteral("id")).isString()
            && isWhole(payload.value(QStringLiteral("count")));
    case KvBoardEnvelope::Snapshot:
        return payload.value(QStringLiteral("last")).isBool()
            && (!payload.contains(QStringLiteral("removed"))
                || isStringList(payload.value(QStringLiteral("removed"))));
    case KvBoardEnvelope::Presence:
        return isWhole(payload.value(QStringLiteral("count")));
    }
    return false;
}

// The JSON object of a frame, with the binary frame's body or none.
KvBoardEnvelope::Fault decodeJson(const QByteArray &bytes, const QByteArray &body,
                                  KvBoardEnvelope *envelope)
{
    if (bytes.size() > KvBoardEnvelope::kMaxFrameBytes)
        return KvBoardEnvelope::Oversized;
    if (repeatsAKey(bytes))
        return KvBoardEnvelope::Malformed;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return KvBoardEnvelope::Malformed;
    const QJsonObject object = document.object();
    const QJsonValue kindValue = object.value(kKindKey);
    const QJsonValue sender = object.value(kSenderKey);
    const QJsonValue payload = object.value(kPayloadKey);
    if (!kindValue.isString() || !payload.isObject() || !(sender.isUndefined() || sender.isString())
        || sender.toString().size() > KvBoardEnvelope::kMaxSenderLength)
        return KvBoardEnvelope::Malformed;
    const int kind = kindNames().indexOf(kindValue.toString());
    if (kind < 0)
        return KvBoardEnvelope::UnknownKind;
    if (!payloadFits(KvBoardEnvelope::Kind(kind), payload.toObject(), !body.isEmpty()))
        return KvBoardEnvelope::Malformed;
    *envelope = {KvBoardEnvelope::Kind(kind), sender.toString(), payload.toObject(), body};
    return KvBoardEnvelope::NoFault;
}

} // namespace

QJsonObject KvBoardEnvelope::toJson() const
{
    return {{kKindKey, kindName(kind)}, {kSenderKey, sender}, {kPayloadKey, payload}};
}

QByteArray KvBoardEnvelope::encode() const
{
    const QByteArray json = QJsonDocument(toJson()).toJson(QJsonDocument::Compact);
    if (!isBinary())
        return json;
    QByteArray frame(kHeadLengthBytes, Qt::Uninitialized);
    qToBigEndian<quint32>(quint32(json.size()), frame.data());
    frame.reserve(kHeadLengthBytes + json.size() + body.size());
    return frame.append(json).append(body);
}

bool KvBoardEnvelope::isBinary() const
{
    return !body.isEmpty();
}

KvBoardEnvelope::Fault KvBoardEnvelope::decode(const QByteArray &bytes, KvBoardEnvelope *envelope)
{
    return decodeJson(bytes, {}, envelope);
}

KvBoardEnvelope::Fault KvBoardEnvelope::decodeBinary(const QByteArray &bytes,
                                                     KvBoardEnvelope *envelope)
{
    if (bytes.size() > kMaxFrameBytes)
        return Oversized;
    if (bytes.size() < kHeadLengthBytes)
        return Malformed;
    const quint32 headLength = qFromBigEndian<quint32>(bytes.constData());
    if (headLength > quint32(bytes.size() - kHeadLengthBytes))
        return Malformed;
    const QByteArray body = bytes.mid(kHeadLengthBytes + int(headLength));
    if (body.isEmpty())
        return Malformed;
    return decodeJson(bytes.mid(kHeadLengthBytes, int(headLength)), body, envelope);
}

QString KvBoardEnvelope::kindName(Kind kind)
{
    return kindNames().at(kind);
}

bool KvBoardEnvelope::isParticipantKind(Kind kind)
{
    return kind <= Document;
}
