#include "KvLogRecorder.h"

#include <QLoggingCategory>
#include <QRegularExpression>

namespace {
QtMessageHandler previousHandler = nullptr;
QStringList recorded;

void recordingHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const QString category = QString::fromLatin1(context.category);
    if (!category.startsWith(QLatin1String("kvpen."))) {
        previousHandler(type, context, message);
        return;
    }
    if (category != QLatin1String("kvpen.trace"))
        recorded.append(category + QLatin1Char(' ') + message.section(QLatin1Char(' '), 0, 0));
}
} // namespace

KvLogRecorder::KvLogRecorder()
{
    recorded.clear();
    previousHandler = qInstallMessageHandler(recordingHandler);
}

KvLogRecorder::~KvLogRecorder()
{
    qInstallMessageHandler(previousHandler);
}

QStringList KvLogRecorder::lines(const QString &category) const
{
    if (category.isEmpty())
        return recorded;
    return recorded.filter(QRegularExpression(QLatin1Char('^') + category + QLatin1Char(' ')));
}

void KvLogRecorder::clear()
{
    recorded.clear();
}
