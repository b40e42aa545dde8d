#pragma once
// A value that moves between closed (0) and open (1) over a fixed duration with an ease-out
// curve. Time is passed in, so the value is a pure function of the calls made. UI thread.

#include <chrono>

namespace ruvo_ui {

using Instant = std::chrono::steady_clock::time_point;

class Transition {
  public:
    using Duration = std::chrono::steady_clock::duration;
    static constexpr Duration default_duration = std::chrono::milliseconds(180);

    // A transition resting at 1 or at 0.
    static Transition open(Duration duration = default_duration);
    static Transition closed(Duration duration = default_duration);

    // Starts moving towards the new state from wherever it is now; a reversal half-way takes
    // half the duration. Setting the state it already heads for changes nothing.
    void set_open(bool open, Instant now);
    // Jumps to the state without animating.
    void snap(bool open);

    // Records the current instant for value() and is_animating().
    void tick(Instant now) { m_now = now; }

    bool is_open() const { return m_open; }
    // Eased openness 0..1 at `now` (or at the last tick).
    double value(Instant now) const;
    double value() const { return value(m_now); }
    bool is_animating(Instant now) const;
    bool is_animating() const { return is_animating(m_now); }

  private:
    Transition(bool open, Duration duration);
    double progress(Instant now) const;

    bool m_open;
    Duration m_duration;
    double m_start_progress; // linear progress when the current movement began
    Instant m_start{};
    bool m_moving = false;
    Instant m_now{};
};

} // namespace ruvo_ui
