#pragma once

#include <QStringList>
#include <QtGlobal>

// While it exists, collects the plug-in's log lines about what it refused (its kvpen.*
// logging categories, except the trace lines of kvpen.trace), and passes every line on to the
// handler that was there before. GUI thread only; captures nest.
class KvBoardLogCapture
{
public:
    KvBoardLogCapture();
    ~KvBoardLogCapture();
    KvBoardLogCapture(const KvBoardLogCapture &) = delete;
    KvBoardLogCapture &operator=(const KvBoardLogCapture &) = delete;

    QStringList lines() const;

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message);
    static bool isRefusal(const QMessageLogContext &context);

    QStringList m_lines;
    QtMessageHandler m_previous;
    KvBoardLogCapture *m_outer;
};
