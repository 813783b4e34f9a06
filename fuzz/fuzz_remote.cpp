// Live pointer messages from several senders, one per line: "<sender> <type> <json object>".
#include "KvFuzzBoard.h"

#include <QJsonDocument>
#include <QJsonObject>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    KvFuzzBoard board;
    const QByteArray input(reinterpret_cast<const char *>(data), int(size));
    for (const QByteArray &line : fuzzLines(input, 2000)) {
        const QList<QByteArray> fields = fuzzFields(line, 3);
        // A host hands over parsed objects only: text that is not one never becomes a message.
        QJsonParseError error;
        const QJsonDocument message = QJsonDocument::fromJson(fields.at(2), &error);
        if (error.error != QJsonParseError::NoError || !message.isObject())
            continue;
        board.core().remoteData(QString::fromUtf8(fields.at(0)), fields.at(1).toInt(),
                                message.object());
    }
    board.render();
    board.core().foucesMouseRelease();
    board.roundTrip(fuzzSaveForm(data, size));
    return 0;
}
