#pragma once

#include <QObject>

class QSocketNotifier;

// SIGINT and SIGTERM as a Qt signal: the handler only writes to a pipe, and the event loop
// reads it. One instance per process.
class KvBoardStopSignals : public QObject
{
    Q_OBJECT
public:
    explicit KvBoardStopSignals(QObject *parent = nullptr);
    ~KvBoardStopSignals() override;

signals:
    void stopRequested();

private:
    QSocketNotifier *m_notifier = nullptr;
};
