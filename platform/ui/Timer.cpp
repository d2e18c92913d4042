#include "platform/ui/Timer.h"

#include <map>

#include "platform/core/Exceptions.h"
#include "platform/os.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Messages.h"

namespace {
// One hidden window receives the WM_TIMER messages of every TTimer.
class TimerWindow : public os::WindowSink {
public:
    static TimerWindow& Get() {
        static TimerWindow window;
        return window;
    }
    os::WindowId Handle() {
        if (!handle_) {
            os::WindowParams p;
            p.kind = os::WindowKind::Form;
            p.caption = "TimerWindow";
            p.bordered = false;
            p.visible = false;
            handle_ = os::create_window(p, this);
        }
        return handle_;
    }
    // The window lives only while some timer runs.
    void ReleaseIfUnused() {
        if (timers.empty() && handle_) {
            os::destroy_window(handle_);
            handle_ = 0;
        }
    }
    std::map<std::uintptr_t, TTimer*> timers;  // not owned

    std::intptr_t on_message(unsigned msg, std::uintptr_t wparam, std::intptr_t lparam) override {
        if (msg == win::WM_TIMER) {
            auto it = timers.find(wparam);
            if (it != timers.end()) {
                try {
                    it->second->Timer();
                } catch (const Exception& e) {
                    Application->ShowException(e);
                }
            }
            return 0;
        }
        return os::default_message(handle_, msg, wparam, lparam);
    }

private:
    os::WindowId handle_ = 0;
};

std::uintptr_t g_next_id = 1;
}  // namespace

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner), id_(g_next_id++) {}

TTimer::~TTimer() {
    enabled_ = false;
    UpdateTimer();
}

const PropList& TTimer::Properties() const {
    using C = TTimer;
    static const PropList list = ExtendProps(TComponent::Properties(), {
        props::Bool<C>("Enabled", true, [](C* c) { return c->Enabled(); }, [](C* c, bool v) { c->SetEnabled(v); }),
        props::Int<C>("Interval", 1000, [](C* c) { return c->Interval(); }, [](C* c, std::int64_t v) { c->SetInterval(unsigned(v)); }),
        props::Event<C>("OnTimer", &C::OnTimer),
    });
    return list;
}

void TTimer::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    UpdateTimer();
}

void TTimer::SetInterval(unsigned ms) {
    if (ms == interval_) return;
    interval_ = ms;
    UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
    OnTimer = std::move(handler);
    UpdateTimer();
}

void TTimer::UpdateTimer() {
    TimerWindow& w = TimerWindow::Get();
    if (running_) {
        os::kill_timer(w.Handle(), id_);
        w.timers.erase(id_);
        running_ = false;
    }
    if (!(enabled_ && interval_ > 0 && OnTimer)) {
        w.ReleaseIfUnused();
        return;
    }
    if (enabled_ && interval_ > 0 && OnTimer && !(ComponentState() & csDesigning)) {
        w.timers[id_] = this;
        os::set_timer(w.Handle(), id_, interval_);
        running_ = true;
    }
}

void TTimer::Loaded() {
    TComponent::Loaded();
    UpdateTimer();  // OnTimer came from the form resource
}

void TTimer::Timer() {
    if (in_tick_ || !enabled_ || !OnTimer) return;
    in_tick_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{in_tick_};
    OnTimer(this);
}
