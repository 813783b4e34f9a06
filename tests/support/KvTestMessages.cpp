#include "KvTestMessages.h"

#include <QTest>

// QTest keeps its list of announced messages private; this exported counter is the only way
// to learn whether QTest swallowed a message as expected.
class QTestLog
{
public:
    static int unhandledIgnoreMessages();
};

namespace {
QtMessageHandler testLibHandler = nullptr;

void failingHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const int announced = QTestLog::unhandledIgnoreMessages();
    testLibHandler(type, context, message);
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    if (QTestLog::unhandledIgnoreMessages() < announced)
        return;
    const QByteArray text = "Unexpected message: " + message.toLocal8Bit();
    QTest::qFail(text.constData(), context.file ? context.file : "unknown", context.line);
}
} // namespace

void failOnUnexpectedWarnings()
{
    if (testLibHandler)
        return;
    testLibHandler = qInstallMessageHandler(failingHandler);
}
