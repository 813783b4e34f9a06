// Save records as a host streams them (QDataStream, Qt 5.15): uuid, type, name and data map
// per record, until the bytes end.
#include "KvFuzzBoard.h"
#include "KvSaveDataItem.h"

#include <QDataStream>

#include <new>

namespace {

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
    QList<KvSaveDataItem> records;
    {
        // Decoding is Qt's and the host's affair; what it hands over is what is under test.
        const KvFuzzWarningsAllowed decoding;
        try {
            records = readRecords(QByteArray(reinterpret_cast<const char *>(data), int(size)));
        } catch (const std::bad_alloc &) {
            // Qt's stream reserves whatever a container's count claims.
            return 0;
        }
    }
    KvFuzzBoard board;
    board.core().importScene(records, QStringLiteral("fuzz"));
    board.render();
    board.roundTrip();
    return 0;
}
