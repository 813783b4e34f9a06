// Live pointer messages from several senders, one per line: "<sender> <type> <json object>".
#include "KvFuzzBoard.h"

#include <QJsonDocument>
#include <QJsonObject>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    KvFuzzBoard board;
    const QByteArray input(reinterpret_cast<const char *>(data), int(size));
    for (const QString &line : fuzzLines(input, 2000)) {
        const QString sender = line.section(QLatin1Char(' '), 0, 0);
        const int type = line.section(QLatin1Char(' '), 1, 1).toInt();
        const QByteArray json = line.section(QLatin1Char(' '), 2).toUtf8();
        board.core().remoteData(sender, type, QJsonDocument::fromJson(json).object());
    }
    board.render();
    board.core().foucesMouseRelease();
    board.roundTrip();
    return 0;
}
