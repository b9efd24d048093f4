// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

// The longest time the window's event loop went without running (so without painting), read from
// a 20 ms tick.
class EventLoopGaps
{
public:
    EventLoopGaps()
    {
        m_clock.start();
        m_tick.setInterval(20);
        QObject::connect(&m_tick, &QTimer::timeout, [this] {
            m_longest = std::max(m_longest, m_clock.elapsed() - m_last);
            m_last = m_clock.elapsed();
        });
        m_tick.start();
    }
    // Starts a new measure from now.
    void reset()
    {
        m_last = m_clock.elapsed();
        m_longest = 0;
    }
    qint64 longestMs() const { return m_longest; }

private:
    QElapsedTimer m_clock;
    QTimer m_tick;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};
