#pragma once

#include <QtGlobal>

// A token bucket: `perSecond` events on average, up to `burst` at once.
class KvBoardRateLimit
{
public:
    KvBoardRateLimit(double perSecond, double burst);
    // Whether one more event at `nowMs` (milliseconds on a steady clock, never going back) fits;
    // an event that does not fit uses nothing.
    bool take(qint64 nowMs);

private:
    double m_perSecond;
    double m_burst;
    double m_tokens;
    qint64 m_lastMs = -1;
};
