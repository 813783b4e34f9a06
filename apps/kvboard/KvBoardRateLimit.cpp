#include "KvBoardRateLimit.h"

KvBoardRateLimit::KvBoardRateLimit(double perSecond, double burst)
    : m_perSecond(perSecond)
    , m_burst(burst)
    , m_tokens(burst)
{ }

bool KvBoardRateLimit::take(qint64 nowMs)
{
    if (m_lastMs >= 0)
        m_tokens = qMin(m_burst, m_tokens + (nowMs - m_lastMs) * m_perSecond / 1000.0);
    m_lastMs = nowMs;
    if (m_tokens < 1.0)
        return false;
    m_tokens -= 1.0;
    return true;
}
