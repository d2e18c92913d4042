// TTimer: OnTimer every Interval milliseconds while Enabled, one message per
// tick, never inside its own tick.
#pragma once
#include <cstdint>

#include "platform/core/Component.h"

class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;
    const char* ClassName() const override { return "TTimer"; }
    const PropList& Properties() const override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned ms);
    TNotifyEvent OnTimer;
    void SetOnTimer(TNotifyEvent handler);

    void Loaded() override;
    // Runs OnTimer unless a tick of this timer is running already.
    void Timer();
    // Whether the system timer is running (enabled, an interval and a handler).
    bool Running() const { return running_; }

private:
    void UpdateTimer();

    bool enabled_ = true;
    unsigned interval_ = 1000;
    bool running_ = false;
    bool in_tick_ = false;
    std::uintptr_t id_;
};
