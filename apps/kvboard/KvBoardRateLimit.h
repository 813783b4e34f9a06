#pragma once

#include <QElapsedTimer>

// A token bucket: `perSecond` events on average, up to `burst` at once.
class KvBoardRateLimit
{
public:
    KvBoardRateLimit(double perSecond, double burst);
    // Whether one more event fits now; an event that does not fit uses nothing.
    bool take();

private:
    double m_perSecond;
    double m_burst;
    double m_tokens;
    QElapsedTimer m_clock;
};
