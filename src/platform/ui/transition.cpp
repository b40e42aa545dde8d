#include "platform/ui/transition.h"

#include <algorithm>

namespace ruvo_ui {

Transition::Transition(bool open, Duration duration)
    : m_open(open), m_duration(duration.count() > 0 ? duration : Duration(1)),
      m_start_progress(open ? 1.0 : 0.0)
{
}

Transition Transition::open(Duration duration)
{
    return Transition(true, duration);
}
Transition Transition::closed(Duration duration)
{
    return Transition(false, duration);
}

double Transition::progress(Instant now) const
{
    if (!m_moving)
        return m_open ? 1.0 : 0.0;
    double elapsed = std::chrono::duration<double>(now - m_start).count();
    double step = std::max(0.0, elapsed) / std::chrono::duration<double>(m_duration).count();
    return m_open ? std::min(1.0, m_start_progress + step) : std::max(0.0, m_start_progress - step);
}

void Transition::set_open(bool open, Instant now)
{
    if (open == m_open)
        return;
    m_start_progress = progress(now);
    m_open = open;
    m_start = now;
    m_moving = true;
    m_now = now;
}

void Transition::snap(bool open)
{
    m_open = open;
    m_moving = false;
    m_start_progress = open ? 1.0 : 0.0;
}

double Transition::value(Instant now) const
{
    double t = progress(now);
    double inverse = 1 - t;
    return 1 - inverse * inverse * inverse;
}

bool Transition::is_animating(Instant now) const
{
    if (!m_moving)
        return false;
    double p = progress(now);
    return m_open ? p < 1.0 : p > 0.0;
}

} // namespace ruvo_ui
