#pragma once

#include <QMetaMethod>
#include <QObject>
#include <QStringList>

// Records the signals an object emits, in emission order, so that a test can check the order
// across different signals (which separate QSignalSpy objects cannot). Signals of QObject
// itself (destroyed, objectNameChanged) are not recorded.
class KvSignalLog : public QObject
{
public:
    explicit KvSignalLog(QObject *sender);

    // Signal names alone, and the same emissions as "name argument...": arguments in their
    // QVariant text form, colours as #aarrggbb and an invalid colour as "invalid".
    QStringList names;
    QStringList calls;

    // Hand-written instead of moc's, so that one slot receives the arguments of any signal.
    int qt_metacall(QMetaObject::Call call, int id, void **arguments) override;

private:
    QList<QMetaMethod> recorded;
};
