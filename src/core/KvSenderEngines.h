#pragma once

#include <QHash>
#include <QMap>
#include <QString>

#include <functional>

class KvPenObject;

// Which engine draws a remote sender's messages. An engine is made on the sender's first
// message; at the cap on concurrent senders the engine idle longest makes room. It loses
// nothing: each message brings all that an engine needs, and a fresh one serves its return.
// Message order alone decides, so mirrors of the same messages reclaim alike.
class KvSenderEngines
{
public:
    using Factory = std::function<KvPenObject *()>;

    // `engines` is the core's map of sender keys to engines, which this keeps.
    KvSenderEngines(QMap<QString, KvPenObject *> &engines, Factory create);

    // The sender's engine; null, with one log line, when the key is refused or no room is left.
    KvPenObject *engineFor(const QString &key);

private:
    bool reclaimIdleEngine();

    QMap<QString, KvPenObject *> &m_engines;
    Factory m_create;
    // When each sender was last heard from, counted in messages.
    QHash<QString, quint64> m_lastUses;
    quint64 m_uses = 0;
};
