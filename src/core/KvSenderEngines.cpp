#include "KvSenderEngines.h"

#include "KvPenLogging.h"
#include "KvPenObject.h"
#include "KvPenTypes.h"

#include <limits>

using namespace KvPen;

KvSenderEngines::KvSenderEngines(QMap<QString, KvPenObject *> &engines, Factory create)
    : m_engines(engines)
    , m_create(std::move(create))
{ }

KvPenObject *KvSenderEngines::engineFor(const QString &key)
{
    KvPenObject *engine = m_engines.value(key);
    if (!engine) {
        if (key.size() > kMaxSenderKeyLength
            || (m_engines.size() >= kMaxRemoteSenders && !reclaimIdleEngine())) {
            qCDebug(lcKvPenRemote) << "KvPenCore::remoteData"
                                   << "refused: no engine for another sender";
            return nullptr;
        }
        engine = m_create();
        m_engines.insert(key, engine);
    }
    m_lastUses.insert(key, ++m_uses);
    return engine;
}

bool KvSenderEngines::reclaimIdleEngine()
{
    QString idlest;
    quint64 idlestUse = std::numeric_limits<quint64>::max();
    for (auto sender = m_engines.cbegin(); sender != m_engines.cend(); ++sender) {
        const quint64 use = m_lastUses.value(sender.key());
        if (use < idlestUse && sender.value()->isIdle()) {
            idlest = sender.key();
            idlestUse = use;
        }
    }
    if (idlestUse == std::numeric_limits<quint64>::max())
        return false;
    delete m_engines.take(idlest);
    m_lastUses.remove(idlest);
    return true;
}
