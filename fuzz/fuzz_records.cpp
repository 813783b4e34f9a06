// Save records as a host streams them (QDataStream, Qt 5.15): uuid, type, name and data map
// per record, until the bytes end.
#include "KvFuzzBoard.h"
#include "KvSaveDataItem.h"

#include <QColor>
#include <QDataStream>

namespace {

// Qt's stream decoder trusts the counts it reads (it reserves them, and crashes when that
// fails) and decodes images and gradients of any size. Decoding is the host's affair; this walk
// only lets through bytes whose shape Qt decodes safely: the value types a record holds, with
// every count backed by the bytes that follow.
class RecordShape
{
public:
    explicit RecordShape(const QByteArray &bytes)
        : m_stream(bytes)
        , m_size(bytes.size())
    {
        m_stream.setVersion(QDataStream::Qt_5_15);
    }

    bool isSafe()
    {
        while (!m_stream.atEnd()) {
            if (!string() || !skip(4) || !string() || !map())
                return false;
        }
        return true;
    }

private:
    bool ok() const { return m_stream.status() == QDataStream::Ok; }
    qint64 left() const { return m_size - m_stream.device()->pos(); }

    bool skip(qint64 bytes)
    {
        return bytes <= left() && m_stream.skipRawData(int(bytes)) == int(bytes);
    }

    bool count(quint32 *n, qint64 bytesEach)
    {
        m_stream >> *n;
        return ok() && qint64(*n) * bytesEach <= left();
    }

    bool string()
    {
        quint32 bytes = 0;
        m_stream >> bytes;
        return ok() && (bytes == 0xffffffff || (bytes % 2 == 0 && skip(bytes)));
    }

    bool map()
    {
        quint32 n = 0;
        if (!count(&n, 8))
            return false;
        for (quint32 i = 0; i < n; ++i) {
            if (!string() || !variant())
                return false;
        }
        return true;
    }

    bool list()
    {
        quint32 n = 0;
        if (!count(&n, 5))
            return false;
        for (quint32 i = 0; i < n; ++i) {
            if (!variant())
                return false;
        }
        return true;
    }

    // Qt stores the colour-model byte as it comes, and copying a colour of an unknown model is
    // undefined.
    bool color()
    {
        qint8 model = 0;
        m_stream >> model;
        return ok() && model >= QColor::Invalid && model <= QColor::ExtendedRgb && skip(10);
    }

    bool brush()
    {
        quint8 style = 0;
        m_stream >> style;
        // Plain styles only: no texture, no gradient.
        return ok() && style <= Qt::DiagCrossPattern && color() && skip(72);
    }

    // Style flags, the cosmetic flag and the width; brush; miter limit; dashes; dash offset and
    // the default-width flag.
    bool pen()
    {
        quint32 dashes = 0;
        return skip(2 + 1 + 8) && brush() && skip(8) && count(&dashes, 8)
            && skip(qint64(dashes) * 8 + 8 + 1);
    }

    bool variant()
    {
        quint32 type = 0;
        m_stream >> type;
        if (!ok() || !skip(1))
            return false;
        quint32 n = 0;
        switch (type) {
        case QMetaType::Bool:
            return skip(1);
        case QMetaType::Int:
        case QMetaType::UInt:
            return skip(4);
        case QMetaType::Double:
        case QMetaType::LongLong:
            return skip(8);
        case QMetaType::QString:
            return string();
        case QMetaType::QVariantMap:
            return map();
        case QMetaType::QVariantList:
            return list();
        case QMetaType::QColor:
            return color();
        case QMetaType::QPointF:
            return skip(16);
        case QMetaType::QPolygonF:
            return count(&n, 16) && skip(n * 16);
        case QMetaType::QTransform:
            return skip(72);
        case QMetaType::QBrush:
            return brush();
        case QMetaType::QPen:
            return pen();
        default:
            return false;
        }
    }

    QDataStream m_stream;
    qint64 m_size;
};

QList<KvSaveDataItem> readRecords(const QByteArray &bytes)
{
    QDataStream stream(bytes);
    stream.setVersion(QDataStream::Qt_5_15);
    QList<KvSaveDataItem> records;
    while (!stream.atEnd() && records.size() < 64) {
        KvSaveDataItem record;
        qint32 type = 0;
        stream >> record.uuid >> type >> record.name >> record.data;
        if (stream.status() != QDataStream::Ok)
            break;
        record.type = type;
        records.append(record);
    }
    return records;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    if (!RecordShape(bytes).isSafe())
        return 0;
    QList<KvSaveDataItem> records;
    {
        // What Qt says while decoding is not what is under test.
        const KvFuzzWarningsAllowed decoding;
        records = readRecords(bytes);
    }
    KvFuzzBoard board;
    board.core().importScene(records, QStringLiteral("fuzz"));
    board.render();
    board.roundTrip(fuzzSaveForm(data, size));
    return 0;
}
