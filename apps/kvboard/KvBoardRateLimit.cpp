#include "KvBoardRateLimit.h"

#include <QtGlobal>

KvBoardRateLimit::KvBoardRateLimit(double perSecond, double burst)
    : m_perSecond(perSecond)
    , m_burst(burst)
    , m_tokens(burst)
{
    m_clock.start();
}

bool KvBoardRateLimit::take()
{
    m_tokens = qMin(m_burst, m_tokens + m_clock.restart() * m_perSecond / 1000.0);
    if (m_tokens < 1.0)
        return false;
    m_tokens -= 1.0;
    return true;
}
