#pragma once

#include <QStringList>
#include <QtGlobal>

// While it exists, collects the plug-in's log lines about what it refused, and passes every
// line on to the handler that was there before. A line is the plug-in's when it comes through
// a kvpen.* logging category, or (for lines still logged bare) starts with one of `functions`.
// GUI thread only; captures nest.
class KvBoardLogCapture
{
public:
    explicit KvBoardLogCapture(const QStringList &functions);
    ~KvBoardLogCapture();
    KvBoardLogCapture(const KvBoardLogCapture &) = delete;
    KvBoardLogCapture &operator=(const KvBoardLogCapture &) = delete;

    QStringList lines() const;

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message);
    bool isPluginLine(const QMessageLogContext &context, const QString &message) const;

    QStringList m_functions;
    QStringList m_lines;
    QtMessageHandler m_previous;
    KvBoardLogCapture *m_outer;
};
