#pragma once

#include <QObject>
#include <QStringList>

// Records the names of the signals an object emits, in emission order, so that a test can
// check the order across different signals (which separate QSignalSpy objects cannot).
// Signals of QObject itself (destroyed, objectNameChanged) are not recorded.
class KvSignalLog : public QObject
{
    Q_OBJECT
public:
    explicit KvSignalLog(QObject *sender);

    QStringList names;

private slots:
    void record();
};
