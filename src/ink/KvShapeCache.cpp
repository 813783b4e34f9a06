#include "KvShapeCache.h"

#include <atomic>

KvShapeCache &KvShapeCache::local()
{
    thread_local KvShapeCache cache;
    return cache;
}

quint64 KvShapeCache::newSerial()
{
    static std::atomic<quint64> last {0};
    return ++last;
}

QPainterPath KvShapeCache::copyOf(const QPainterPath &shape)
{
    QPainterPath copy;
    copy.addPath(shape);
    return copy;
}

const QPainterPath *KvShapeCache::find(quint64 serial)
{
    for (Entry &entry : m_entries) {
        if (entry.serial == serial) {
            entry.lastUse = ++m_uses;
            return &entry.shape;
        }
    }
    return nullptr;
}

void KvShapeCache::store(quint64 serial, const QPainterPath &shape)
{
    if (shape.elementCount() > kMaxElements)
        return;
    Entry *oldest = &m_entries.front();
    for (Entry &entry : m_entries) {
        if (entry.lastUse < oldest->lastUse)
            oldest = &entry;
    }
    *oldest = {serial, ++m_uses, copyOf(shape)};
}
