// Live pointer messages from several senders, one per line: "<sender> <type> <json object>".
#include "KvFuzzBoard.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

// Each message drawing ink adds to what the input's board costs to draw, check, save and load
// again; inputs of more lines spent most of a campaign's time repeating states shorter ones
// reach. Many senders at once (the cap on concurrent senders) are the remote tests' subject.
constexpr int kMaxLines = 32;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    KvFuzzBoard board;
    const QByteArray input(reinterpret_cast<const char *>(data), int(size));
    for (const QByteArray &line : fuzzLines(input, kMaxLines)) {
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
    if (fuzzChecksRoundTrip(data, size))
        board.roundTrip(fuzzSaveForm(data, size));
    else
        board.check();
    return 0;
}
