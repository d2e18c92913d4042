// Test control of the headless backend: the in-memory window system behind
// platform/os.h, with a virtual clock, a scripted mouse and keyboard, and
// logs of everything the program asked of the system. Only tests include it.
//
// The model, in short:
// - Windows have no non-client area: a form's client rectangle is its whole
//   window rectangle, so window and client coordinates are the same.
// - Time stands still unless a test advances it (AdvanceTime). Timers fire in
//   time order (ties in creation order), synchronously, one tick per period.
// - Input is sent synchronously: Click() returns after every message it
//   caused has been handled, including any modal loop a handler ran.
// - process_one_message never blocks and never moves the clock. It dispatches
//   the next posted message; with none queued it paints one invalid window;
//   failing that it fires the timers due at the current time; failing that it
//   runs one idle action (PushIdleAction, else SetIdleHandler). It returns
//   !quit_requested(). A loop that stays idle, with no message delivered, for
//   IdleLimit() turns throws EInvalidOperation, so a test that forgets to
//   script a modal window fails instead of hanging.
// - Paints: a shown window is invalid until painted; WM_PAINT comes from the
//   message loop (or update_window), once per invalid window, never to a
//   hidden one. The backend validates before sending it, as BeginPaint would.
// - default_message answers WM_NCHITTEST with HTCLIENT; starts a system move
//   on WM_NCLBUTTONDOWN with HTCAPTION; turns WM_RBUTTONUP / WM_NCRBUTTONUP
//   into WM_CONTEXTMENU (screen point), which a child passes to its parent,
//   as it does WM_SETCURSOR; records WM_CLOSE (DefaultCloseLog) without
//   destroying; for an Edit, focuses it on WM_LBUTTONDOWN and types WM_CHAR
//   unless read-only. Everything else answers 0.
// - Geometry: set_window_bounds sends WM_MOVE / WM_SIZE when they change;
//   showing a form raises it; an Edit's caption is its text, and a change of
//   it sends WM_COMMAND (EN_CHANGE << 16, lParam the edit) to its parent.
// - destroy_window destroys owned forms first, then sends WM_DESTROY to the
//   window and its children (parents first) and WM_NCDESTROY (children first).
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os.h"

namespace headless {

using os::WindowId;
using os::DropId;

// ---------------------------------------------------------------- lifetime
// Starts a test from scratch: every window is destroyed without messages,
// every log and scripted answer cleared, the clock set to 0, the cursor to
// (0, 0), the quit flag cleared, settings (screen, module name, shell result,
// idle limit) back to their defaults. Registered resources are kept.
void Reset();

// ---------------------------------------------------------------- clock
std::int64_t Now();  // milliseconds since Reset
// Moves the clock forward by ms, firing every timer that falls due on the
// way at its own time. A timer is never delivered inside its own tick: ticks
// that fall due while it runs are dropped (as Windows coalesces WM_TIMER).
void AdvanceTime(std::int64_t ms);
// Number of live timers (all windows).
std::size_t TimerCount();
bool HasTimer(WindowId w, std::uintptr_t id);
// Interval of a live timer, after the 10 ms minimum Windows imposes.
std::optional<unsigned> TimerInterval(WindowId w, std::uintptr_t id);

// ---------------------------------------------------------------- message loop
// Runs fn once, on an idle turn of process_one_message (first in, first out).
void PushIdleAction(std::function<void()> fn);
// Runs fn on every idle turn that has no queued action; empty fn clears it.
void SetIdleHandler(std::function<void()> fn);
// Consecutive idle turns without a delivered message before
// process_one_message throws EInvalidOperation (default 10000).
void SetIdleLimit(unsigned turns);
unsigned IdleLimit();
std::size_t PostedMessageCount();  // messages queued by post_message, not yet dispatched

// ---------------------------------------------------------------- mouse
enum class Button { Left, Right, Middle };

// Where a mouse press or release went.
struct MouseResult {
    WindowId window = 0;    // the window that got the message; 0 = none (desktop)
    int hit_test = 0;       // its WM_NCHITTEST answer; 1 (HTCLIENT) when routed by capture
    bool swallowed = false; // the top-level window was disabled: nothing was sent
    bool client = false;    // a client message (WM_xBUTTONxxx) was sent
    bool moved = false;     // a system move of the window started (HTCAPTION, left button)
};

// Sets what os::cursor_pos returns; sends nothing.
void SetCursorPos(int x, int y);
// The window that asked for WM_MOUSELEAVE (os::track_mouse_leave) and has not
// had it yet; 0 when none. A scripted press, release or move (without capture)
// whose point lies outside it delivers the message first.
WindowId MouseTracked();
// false: os::cursor_pos cannot read the cursor, as on a secure desktop or a
// locked workstation (true after Reset).
void SetCursorReadable(bool readable);
// Each of these first sets the cursor to (x, y). Without capture the target is
// the top-most visible top-level window whose region contains the point, then
// its deepest visible, enabled child under the point; the target is asked
// WM_NCHITTEST (screen point in lParam) and gets client messages only for
// HTCLIENT. HTTRANSPARENT passes the point on to the windows beneath; any
// other answer gets the non-client message (WM_NCLBUTTONDOWN, ...) instead.
// With capture, the capture window gets the client message directly.
// A press activates the target's form: it comes to the top of its band and
// becomes the foreground window. MouseMove sends WM_SETCURSOR (wParam the
// window, lParam the hit-test code and WM_MOUSEMOVE) between the hit test and
// the move; presses do not.
MouseResult MouseDown(int x, int y, Button button = Button::Left);
MouseResult MouseUp(int x, int y, Button button = Button::Left);
MouseResult MouseMove(int x, int y);
MouseResult Click(int x, int y, Button button = Button::Left);      // down, up
MouseResult RightClick(int x, int y);                                // right down, up
MouseResult DoubleClick(int x, int y, Button button = Button::Left); // down, up, dblclk, up
// Left press at from, move to `to`, release there. A press answered with
// HTCAPTION (and passed to default_message) moves that window by the delta
// (WM_ENTERSIZEMOVE, WM_MOVE, WM_EXITSIZEMOVE); a client press gets WM_MOUSEMOVE
// at `to` and the release. Returns the result of the press.
MouseResult Drag(int from_x, int from_y, int to_x, int to_y);

// One entry per mouse message the scripted mouse produced or swallowed.
struct MouseEvent {
    WindowId window = 0;    // target; 0 when the point hit no window
    unsigned message = 0;   // WM_LBUTTONDOWN, WM_NCLBUTTONDOWN, ...; 0 for a swallowed press
    os::Point screen;
    os::Point client;       // in the target's client coordinates
    bool swallowed = false; // a disabled top-level window was under the point
};
const std::vector<MouseEvent>& MouseLog();

// A completed system move (from a Drag on HTCAPTION).
struct MoveRecord {
    WindowId window = 0;
    os::Rect from, to;
};
const std::vector<MoveRecord>& MoveLog();

// ---------------------------------------------------------------- keyboard
// To the focus window (nothing when there is none): WM_KEYDOWN / WM_KEYUP, and
// (WM_SYSKEYDOWN / WM_SYSKEYUP / WM_SYSCHAR while Alt is down and Ctrl is not),
// after a key down WM_CHAR for keys that type a character (letters, digits,
// space, Return, Back, Tab, Escape; letters upper case while Shift is down).
void KeyDown(int virtual_key);
void KeyUp(int virtual_key);
void PressKey(int virtual_key);  // down, then up
// WM_CHAR for each UTF-16 unit, to the focus window.
void TypeText(std::u16string_view text);
// Sets a key's state for os::key_state without sending anything; toggled is
// the low bit (Caps Lock and such).
void SetKeyState(int virtual_key, bool down, bool toggled = false);

// Capture changes, in order (window 0 = released).
struct CaptureEvent {
    WindowId window = 0;
    std::int64_t time = 0;
};
const std::vector<CaptureEvent>& CaptureLog();

// ---------------------------------------------------------------- windows
struct WindowState {
    WindowId id = 0;
    os::WindowKind kind = os::WindowKind::Form;
    WindowId parent = 0;            // Child/Edit: the parent; Form: its owner (0 = the application window)
    os::Rect bounds;                // as os::window_bounds gives it
    os::Rect screen;                // the window on the screen
    std::string caption;            // Edit: its text
    bool visible = false;           // its own flag
    bool showing = false;           // visible and all ancestors visible
    bool enabled = true;
    bool bordered = true;
    bool stay_on_top = false;
    bool read_only = false;
    bool flat = false;
    bool accepts_drops = false;
    std::optional<std::vector<os::Rect>> region;  // none = whole window
    int z_index = -1;               // top-level: 0 = top of the stack; among siblings for children
    std::optional<os::Rect> invalid;// client rectangle awaiting WM_PAINT
    std::optional<os::FontSpec> font;
    std::optional<std::uint32_t> text_color, back_color;  // Edit colours
};
bool IsWindow(WindowId w);
// Throws EInvalidOperation for a window that does not exist.
WindowState State(WindowId w);
// Live windows in creation order.
std::vector<WindowId> Windows();
// Top-level windows from the top of the stack down (hidden ones included).
std::vector<WindowId> ZOrder();
// The first live window (creation order) with this caption; 0 when none.
WindowId FindWindowByCaption(std::string_view caption);
// The id standing for the hidden application window (owner of every form).
WindowId ApplicationWindow();
WindowId ForegroundWindow();
int CursorShape();   // the last os::set_cursor_shape value

// Every message delivered to a sink, in order (for tests that need the exact
// sequence). Off by default; turning it on clears the log.
struct MessageRecord {
    WindowId window = 0;
    unsigned message = 0;
    std::uintptr_t wparam = 0;
    std::intptr_t lparam = 0;
};
void RecordMessages(bool on);
const std::vector<MessageRecord>& MessageLog();

// ---------------------------------------------------------------- painting
struct PresentRecord {
    WindowId window = 0;
    os::Rect rect;  // client coordinates
};
const std::vector<PresentRecord>& PresentLog();
std::size_t PresentCount(WindowId w);
// The pixels of a window's most recent present, exactly as given (width x
// height, top row first, 0x00RRGGBB in memory order B, G, R, 0).
struct Image {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};
std::optional<Image> LastPresent(WindowId w);
std::optional<os::Rect> LastPresentRect(WindowId w);
// The window's client area as all presents so far left it (black where
// nothing was presented), at the window's current size.
Image Surface(WindowId w);

// ---------------------------------------------------------------- regions
struct RegionChange {
    WindowId window = 0;
    std::optional<std::vector<os::Rect>> rects;  // none = the region was removed
    bool redraw = false;
};
const std::vector<RegionChange>& RegionLog();
std::size_t RegionChangeCount(WindowId w);
// Whether a window-coordinate point lies in the window's shape.
bool RegionContains(WindowId w, int x, int y);

// ---------------------------------------------------------------- system calls
const std::vector<unsigned>& Beeps();  // the type of each message_beep, in order

struct ShellCall {
    WindowId owner = 0;
    std::string operation, file, parameters, directory;  // code page 932 bytes as given
    int show = 0;
};
const std::vector<ShellCall>& ShellCalls();
void SetShellResult(std::intptr_t result);  // what shell_execute_ansi returns (default 42)

struct ErrorBox {
    std::string title, message;
};
const std::vector<ErrorBox>& ErrorBoxes();

// Windows whose WM_CLOSE reached default_message. The headless default
// handling records a close and returns 0; it does not destroy the window.
const std::vector<WindowId>& DefaultCloseLog();

// Calls of os functions with a window id that names no live window. Windows
// ignores them; a test can assert there were none.
std::size_t InvalidWindowCalls();

std::string ApplicationTitle();
bool TaskbarButtonShown();                 // false until set_taskbar_button(true)
std::size_t TaskbarButtonChanges();        // calls of set_taskbar_button

void SetModuleFileName(std::string path);  // default "/tmp/zimmo-headless/zimmo.exe"
void SetScreenSize(int width, int height); // default 1024 x 768

// ---------------------------------------------------------------- tool tips
struct Tooltip {
    WindowId window = 0;
    std::uintptr_t tool_id = 0;
    os::Rect rect;   // client coordinates
    std::string text;
};
std::vector<Tooltip> Tooltips();  // the live ones, in order of first registration
std::optional<Tooltip> FindTooltip(WindowId w, std::uintptr_t tool_id);

// ---------------------------------------------------------------- menus
struct MenuRecord {
    WindowId owner = 0;
    std::vector<os::MenuItem> items;
    os::Point point;
    std::uintptr_t result = 0;  // what track_popup_menu returned
};
const std::vector<MenuRecord>& MenusShown();
// Answers for the next menus, first in, first out. A choice that names no
// enabled, non-separator item of the menu shown returns 0 (nothing chosen).
void SetMenuChoice(std::uintptr_t command);
void SetMenuChoiceByCaption(std::string caption);  // caption exactly as given, "&" included
// Consulted when no queued answer is left; without one a menu returns 0.
void SetMenuChooser(std::function<std::uintptr_t(const MenuRecord&)> chooser);

// ---------------------------------------------------------------- drag and drop
bool AcceptsDrops(WindowId w);
struct DragAcceptRecord {
    WindowId window = 0;
    bool accept = false;
};
const std::vector<DragAcceptRecord>& DragAcceptLog();
// Drops UTF-8 paths on a window: the drop goes to the window or its nearest
// ancestor that accepts files, as WM_DROPFILES (wParam = the DropId), sent at
// once. Returns the DropId, or 0 when no window there accepts files.
DropId DropFiles(WindowId w, std::vector<std::string> paths);
// Drops at a screen point, on the deepest window under it.
DropId DropFilesAt(int x, int y, std::vector<std::string> paths);
bool DropFinished(DropId drop);  // drag_finish was called for it

// ---------------------------------------------------------------- tray
struct TrayIcon {
    WindowId window = 0;
    unsigned id = 0;
    unsigned callback_message = 0;
    std::vector<std::uint8_t> icon;
    std::string tip;
};
std::vector<TrayIcon> TrayIcons();  // the icons now in the notification area
struct TrayEvent {
    bool added = false;  // false: removed
    WindowId window = 0;
    unsigned id = 0;
};
const std::vector<TrayEvent>& TrayLog();
// Whether the notification area takes icons (false: tray_add fails).
void SetTrayAvailable(bool available);
// Sends an icon's callback message with lParam = mouse_message (wParam = id).
// Throws EInvalidOperation when there is no such icon.
void SendTrayMessage(WindowId w, unsigned id, unsigned mouse_message);
// On the only icon: the messages a double click / right click on it produce.
// Throw EInvalidOperation unless exactly one icon is present.
void TrayDoubleClick();
void TrayRightClick();
// The taskbar restarts: every icon is gone and each top-level window gets
// os::taskbar_created_message().
void RestartTaskbar();

// ---------------------------------------------------------------- resources
// Adds (or replaces) a resource that os::find_resource finds before the
// generated table. The bytes are copied.
void RegisterResource(std::string name, std::string type, std::vector<std::uint8_t> bytes);
void UnregisterResources();
// Whether os::find_resource also searches the generated table (resources/ResourceTable.h).
bool ResourceTableLinked();

// ---------------------------------------------------------------- message numbers
// The Windows values the backend produces, for tests.
inline constexpr unsigned kWmMove = 0x0003, kWmSize = 0x0005, kWmSetFocus = 0x0007,
                          kWmKillFocus = 0x0008, kWmPaint = 0x000F, kWmClose = 0x0010,
                          kWmDestroy = 0x0002, kWmNcDestroy = 0x0082, kWmContextMenu = 0x007B,
                          kWmNcHitTest = 0x0084, kWmNcLButtonDown = 0x00A1,
                          kWmNcLButtonUp = 0x00A2, kWmNcRButtonDown = 0x00A4,
                          kWmNcRButtonUp = 0x00A5, kWmKeyDown = 0x0100, kWmKeyUp = 0x0101,
                          kWmChar = 0x0102, kWmCommand = 0x0111, kWmTimer = 0x0113,
                          kWmMouseMove = 0x0200, kWmLButtonDown = 0x0201,
                          kWmLButtonUp = 0x0202, kWmLButtonDblClk = 0x0203,
                          kWmRButtonDown = 0x0204, kWmRButtonUp = 0x0205,
                          kWmRButtonDblClk = 0x0206, kWmMButtonDown = 0x0207,
                          kWmMButtonUp = 0x0208, kWmMButtonDblClk = 0x0209,
                          kWmCaptureChanged = 0x0215, kWmEnterSizeMove = 0x0231,
                          kWmExitSizeMove = 0x0232, kWmDropFiles = 0x0233,
                          kWmEnable = 0x000A, kWmNcMouseMove = 0x00A0, kWmSetCursor = 0x0020,
                          kWmNcLButtonDblClk = 0x00A3, kWmNcRButtonDblClk = 0x00A6,
                          kWmMouseLeave = 0x02A3, kWmSysKeyDown = 0x0104, kWmSysKeyUp = 0x0105,
                          kWmSysChar = 0x0106;
inline constexpr unsigned kMkLButton = 0x01, kMkRButton = 0x02, kMkShift = 0x04,
                          kMkControl = 0x08, kMkMButton = 0x10;
inline constexpr int kHtTransparent = -1, kHtNowhere = 0, kHtClient = 1, kHtCaption = 2;
inline constexpr unsigned kEnChange = 0x0300;

// Packing as Windows does it (low word x, high word y, each signed 16-bit).
inline std::intptr_t PackPoint(int x, int y) {
    return static_cast<std::intptr_t>(
        static_cast<std::uint32_t>(static_cast<std::uint16_t>(x)) |
        (static_cast<std::uint32_t>(static_cast<std::uint16_t>(y)) << 16));
}
inline os::Point UnpackPoint(std::intptr_t lparam) {
    return {static_cast<std::int16_t>(lparam & 0xFFFF), static_cast<std::int16_t>((lparam >> 16) & 0xFFFF)};
}

}  // namespace headless
