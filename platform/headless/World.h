// The state of the headless window system, shared by the backend's files.
// Internal: tests use Headless.h.
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/headless/Headless.h"
#include "platform/os.h"

namespace headless::detail {

struct Window {
    WindowId id = 0;
    std::uint64_t seq = 0;  // creation order
    os::WindowKind kind = os::WindowKind::Form;
    WindowId parent = 0;    // Child/Edit: parent; Form: owner (0 = the application window)
    os::WindowSink* sink = nullptr;  // not owned
    os::Rect bounds;
    std::string caption;    // Edit: its text
    bool visible = false;
    bool enabled = true;
    bool bordered = true;
    bool stay_on_top = false;
    bool read_only = false;
    bool flat = false;
    bool accepts_drops = false;
    bool destroying = false;
    std::optional<std::vector<os::Rect>> region;
    std::vector<WindowId> children;  // top of the sibling stack first
    std::optional<os::Rect> invalid;
    std::optional<os::FontSpec> font;
    std::optional<std::uint32_t> text_color, back_color;
    std::size_t present_count = 0;
    std::optional<Image> last_present;
    std::optional<os::Rect> last_present_rect;
    Image surface;
};

struct Timer {
    WindowId window = 0;
    std::uintptr_t id = 0;
    unsigned interval = 0;
    std::int64_t due = 0;
    std::uint64_t seq = 0;         // creation order, for ties
    std::uint64_t generation = 0;  // changes when set_timer resets it
    bool busy = false;             // its tick is being delivered
};

struct Posted {
    WindowId window = 0;
    unsigned msg = 0;
    std::uintptr_t wparam = 0;
    std::intptr_t lparam = 0;
};

struct Drop {
    std::vector<std::string> paths;
    bool finished = false;
};

struct Move {
    WindowId window = 0;
    os::Point start;
    os::Rect from;
};

struct Resource {
    std::string name, type;
    std::vector<std::uint8_t> bytes;
};

struct World {
    // windows
    std::map<WindowId, std::unique_ptr<Window>> windows;
    std::vector<WindowId> zorder;  // top-level windows, top first
    std::uint64_t next_seq = 1;
    WindowId foreground = 0;
    WindowId focus = 0;
    WindowId capture = 0;
    std::size_t invalid_calls = 0;

    // messages
    std::deque<Posted> posted;
    bool quit = false;
    std::deque<std::function<void()>> idle_actions;
    std::function<void()> idle_handler;
    unsigned idle_limit = 10000;
    unsigned idle_turns = 0;
    bool record_messages = false;
    std::vector<MessageRecord> message_log;

    // clock and timers
    std::int64_t now = 0;
    std::vector<Timer> timers;
    std::uint64_t next_timer_seq = 1;
    std::uint64_t next_timer_generation = 1;

    // input
    os::Point cursor;
    bool cursor_readable = true;  // false: cursor_pos fails, as on a secure desktop
    int cursor_shape = 0;
    std::map<int, std::pair<bool, bool>> keys;  // virtual key -> (down, toggled)
    std::vector<MouseEvent> mouse_log;
    std::vector<MoveRecord> move_log;
    std::vector<CaptureEvent> capture_log;
    std::optional<Move> moving;        // a system move in progress
    WindowId move_requested = 0;       // set by default_message(WM_NCLBUTTONDOWN, HTCAPTION)
    WindowId mouse_tracked = 0;        // gets WM_MOUSELEAVE when the pointer leaves it (track_mouse_leave)

    // painting and regions
    std::vector<PresentRecord> present_log;
    std::vector<RegionChange> region_log;

    // system
    std::vector<unsigned> beeps;
    std::vector<ShellCall> shell_calls;
    std::intptr_t shell_result = 42;
    std::vector<ErrorBox> error_boxes;
    std::vector<WindowId> close_log;
    std::string title;
    bool taskbar_button = false;  // the application window starts hidden
    std::size_t taskbar_changes = 0;
    std::string module_file_name = "/tmp/zimmo-headless/zimmo.exe";
    int screen_width = 1024, screen_height = 768;

    // tool tips, menus, drops, tray
    std::vector<Tooltip> tooltips;
    std::vector<MenuRecord> menus;
    std::deque<std::function<std::uintptr_t(const MenuRecord&)>> menu_choices;
    std::function<std::uintptr_t(const MenuRecord&)> menu_chooser;
    std::vector<DragAcceptRecord> drag_accept_log;
    std::map<DropId, Drop> drops;
    std::vector<TrayIcon> tray;
    std::vector<TrayEvent> tray_log;
    bool tray_available = true;
};

World& world();
// Registered resources survive Reset, so they live apart from the world.
std::vector<Resource>& resources();

// The window, or nullptr (counting the call as one with a bad id when count is set).
Window* find(WindowId w, bool count = true);
// Sends a message to a window's sink (default_message when it has none).
std::intptr_t deliver(WindowId w, unsigned msg, std::uintptr_t wparam, std::intptr_t lparam);
// The window's top-left corner on the screen.
os::Point screen_origin(const Window& w);
os::Rect screen_rect(const Window& w);
// Visible, and every ancestor visible.
bool showing(const Window& w);
// Whether a window-coordinate point lies inside the window and its shape.
bool shape_contains(const Window& w, int x, int y);
// The deepest window under a screen point: top-level by z-order, then
// children. Windows in `skip` (and what lies in them) are passed over.
struct HitResult {
    WindowId window = 0;
    WindowId top = 0;          // its top-level window
    bool top_disabled = false; // the top-level window under the point is disabled
};
HitResult hit(os::Point screen, const std::vector<WindowId>& skip = {});
// Moves/resizes as os::set_window_bounds does (WM_MOVE, WM_SIZE).
void set_bounds(Window& w, const os::Rect& bounds);
// Puts a top-level window at the top of its band.
void raise(WindowId w);
void set_text(Window& w, std::string text, bool notify);
// Fires the timers due at or before t (not past it), in time order.
void run_timers_until(std::int64_t t);
bool timer_due_now();
// Delivers one WM_PAINT to a window that needs one; false when none does.
bool paint_one();

}  // namespace headless::detail
