#include "KvBoardLogCapture.h"

#include <cstdio>

namespace {

KvBoardLogCapture *active = nullptr;

} // namespace

KvBoardLogCapture::KvBoardLogCapture()
    : m_previous(qInstallMessageHandler(&KvBoardLogCapture::handle))
    , m_outer(active)
{
    active = this;
}

KvBoardLogCapture::~KvBoardLogCapture()
{
    active = m_outer;
    qInstallMessageHandler(m_previous);
}

QStringList KvBoardLogCapture::lines() const
{
    return m_lines;
}

void KvBoardLogCapture::handle(QtMsgType type, const QMessageLogContext &context,
                               const QString &message)
{
    // Every open capture sees the line; the first one installed hands it on.
    for (KvBoardLogCapture *capture = active; capture; capture = capture->m_outer) {
        if (isRefusal(context))
            capture->m_lines.append(message);
        if (capture->m_previous == &KvBoardLogCapture::handle)
            continue;
        if (capture->m_previous) {
            capture->m_previous(type, context, message);
            return;
        }
        break;
    }
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

bool KvBoardLogCapture::isRefusal(const QMessageLogContext &context)
{
    return context.category && qstrncmp(context.category, "kvpen.", 6) == 0
        && qstrcmp(context.category, "kvpen.trace") != 0;
}
