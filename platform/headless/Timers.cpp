// Headless timers on the virtual clock.
#include <algorithm>

#include "platform/core/Exceptions.h"
#include "platform/headless/World.h"
#include "platform/os.h"

namespace headless::detail {

namespace {

constexpr unsigned kMinimumInterval = 10;  // USER_TIMER_MINIMUM

Timer* find_timer(WindowId w, std::uintptr_t id) {
    for (Timer& t : world().timers)
        if (t.window == w && t.id == id) return &t;
    return nullptr;
}

// The next timer to fire at or before t: earliest due, then oldest.
Timer* next_due(std::int64_t t) {
    Timer* best = nullptr;
    for (Timer& timer : world().timers) {
        if (timer.busy || timer.due > t) continue;
        if (!best || timer.due < best->due || (timer.due == best->due && timer.seq < best->seq)) best = &timer;
    }
    return best;
}

}  // namespace

bool timer_due_now() { return next_due(world().now) != nullptr; }

void run_timers_until(std::int64_t t) {
    World& s = world();
    while (Timer* timer = next_due(t)) {
        WindowId w = timer->window;
        std::uintptr_t id = timer->id;
        std::uint64_t generation = timer->generation;
        s.now = std::max(s.now, timer->due);
        timer->busy = true;
        deliver(w, kWmTimer, id, 0);
        // The handler may have killed or reset the timer, or added others.
        Timer* after = find_timer(w, id);
        if (!after || after->generation != generation) continue;
        after->busy = false;
        after->due += after->interval;
        if (after->due <= s.now) {
            // Time passed inside the tick: the ticks due meanwhile are dropped.
            std::int64_t missed = (s.now - after->due) / after->interval + 1;
            after->due += missed * after->interval;
        }
    }
}

}  // namespace headless::detail

using namespace headless;
using namespace headless::detail;

namespace headless {

std::int64_t Now() { return world().now; }

void AdvanceTime(std::int64_t ms) {
    if (ms < 0) throw EInvalidOperation("AdvanceTime: time does not run backwards");
    World& s = world();
    std::int64_t target = s.now + ms;
    run_timers_until(target);
    s.now = std::max(s.now, target);
}

std::size_t TimerCount() { return world().timers.size(); }

bool HasTimer(WindowId w, std::uintptr_t id) { return find_timer(w, id) != nullptr; }

std::optional<unsigned> TimerInterval(WindowId w, std::uintptr_t id) {
    if (Timer* t = find_timer(w, id)) return t->interval;
    return std::nullopt;
}

}  // namespace headless

namespace os {

void set_timer(WindowId w, std::uintptr_t id, unsigned interval_ms) {
    if (!find(w)) return;
    World& s = world();
    unsigned interval = std::max(interval_ms, kMinimumInterval);
    if (Timer* t = find_timer(w, id)) {
        t->interval = interval;
        t->due = s.now + interval;
        t->generation = s.next_timer_generation++;
        t->busy = false;
        return;
    }
    s.timers.push_back({w, id, interval, s.now + interval, s.next_timer_seq++, s.next_timer_generation++, false});
}

void kill_timer(WindowId w, std::uintptr_t id) {
    std::erase_if(world().timers, [&](const Timer& t) { return t.window == w && t.id == id; });
}

}  // namespace os
