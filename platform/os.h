// The one seam to the operating system. Everything the platform cannot do in
// portable C++ goes through these functions; platform/win32 implements them
// with the Win32 API, platform/headless in memory for the tests.
//
// Conventions: text is UTF-8 unless a name says "ansi" (code page 932 bytes);
// message numbers, virtual keys, hit-test codes and show commands are the
// Windows values; coordinates are screen pixels unless a name says "client".
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace os {

using WindowId = std::uintptr_t;  // 0 = no window
using DropId = std::uintptr_t;    // a shell drop handle (WM_DROPFILES wParam)

struct Point { int x = 0, y = 0; };
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const Rect&) const = default;
};

// ---------------------------------------------------------------- messages
// The platform's side of a window: the backend hands every message of the
// window to its sink. The sink answers what the message returns; for
// messages it does not handle it calls default_message().
class WindowSink {
public:
    virtual ~WindowSink() = default;
    virtual std::intptr_t on_message(unsigned msg, std::uintptr_t wparam, std::intptr_t lparam) = 0;
};

// The operating system's own handling of a message (DefWindowProc).
std::intptr_t default_message(WindowId w, unsigned msg, std::uintptr_t wparam, std::intptr_t lparam);
// Sends a message to a window's sink at once, on this thread.
std::intptr_t send_message(WindowId w, unsigned msg, std::uintptr_t wparam, std::intptr_t lparam);
// Queues a message for the window.
void post_message(WindowId w, unsigned msg, std::uintptr_t wparam, std::intptr_t lparam);

// Waits for and dispatches one message; false once quit_message_loop was called.
bool process_one_message();
// Dispatches what is queued without waiting.
void process_pending_messages();
// Makes process_one_message return false from now on.
void quit_message_loop();
bool quit_requested();

// ---------------------------------------------------------------- windows
enum class WindowKind {
    Form,       // a top-level window, owned by the hidden application window
    Child,      // a plain child window the platform paints itself
    Edit,       // the system's single-line edit control, child of a form
};

struct WindowParams {
    WindowKind kind = WindowKind::Form;
    WindowId parent = 0;          // the form of a Child or Edit
    Rect bounds;                  // screen (Form) or parent client (Child, Edit)
    std::string caption;
    bool visible = false;
    bool bordered = true;         // Form: a caption bar and a sizing frame
    bool stay_on_top = false;     // Form
    bool read_only = false;       // Edit
    bool flat = false;            // Edit: no 3-D border
};

WindowId create_window(const WindowParams& params, WindowSink* sink);
void destroy_window(WindowId w);

void set_window_bounds(WindowId w, const Rect& bounds);  // screen or parent client, as at creation
Rect window_bounds(WindowId w);
void show_window(WindowId w, bool visible);
bool window_visible(WindowId w);
void enable_window(WindowId w, bool enabled);
bool window_enabled(WindowId w);
void set_window_caption(WindowId w, std::string_view caption);
void set_window_bordered(WindowId w, bool bordered);
void set_window_stay_on_top(WindowId w, bool stay_on_top);
void bring_window_to_top(WindowId w);
void set_foreground_window(WindowId w);
WindowId window_from_point(Point screen);

// The window's shape: the rectangles of a region data block (32-byte header,
// then 16-byte rectangles, window coordinates), or no shape at all for an
// empty span. The block is copied; the caller keeps its own.
void set_window_region(WindowId w, std::span<const std::uint8_t> region_data, bool redraw);

// ---------------------------------------------------------------- painting
// Asks for a WM_PAINT of the rectangle (client coordinates; whole client when null).
void invalidate(WindowId w, const Rect* client_rect);
// Paints at once whatever is invalid.
void update_window(WindowId w);
// Called by the platform inside its WM_PAINT handling: copies 32-bit pixels
// (B, G, R, unused; top row first; stride in bytes) to the window's client
// area at client (x, y).
void present(WindowId w, int x, int y, int width, int height, const std::uint32_t* pixels, int stride_bytes);

// ---------------------------------------------------------------- input
// Null when the system cannot say where the cursor is (a secure desktop, a
// locked workstation).
std::optional<Point> cursor_pos();
void set_cursor_shape(int cursor);        // the TCursor value (crDefault 0, crHandPoint -21, ...)
void set_capture(WindowId w);
void release_capture();
WindowId capture();
// TrackMouseEvent(TME_LEAVE): one WM_MOUSELEAVE reaches the window when the
// pointer next leaves its client area.
void track_mouse_leave(WindowId w);
void set_focus(WindowId w);
WindowId focus();
short key_state(int virtual_key);         // GetKeyState
Point screen_to_client(WindowId w, Point p);
Point client_to_screen(WindowId w, Point p);

// ---------------------------------------------------------------- timers
// WM_TIMER with wParam = id reaches the window every interval_ms.
void set_timer(WindowId w, std::uintptr_t id, unsigned interval_ms);
void kill_timer(WindowId w, std::uintptr_t id);

// ---------------------------------------------------------------- menus
struct MenuItem {
    std::string caption;  // "-" for a separator; "&" marks the accelerator
    bool enabled = true;
    bool checked = false;
    std::uintptr_t command = 0;  // returned when chosen; 0 for separators
};
// Shows a popup menu at a screen point and tracks it; returns the chosen
// command, or 0 when none was chosen.
std::uintptr_t track_popup_menu(WindowId owner, const std::vector<MenuItem>& items, Point screen);

// ---------------------------------------------------------------- tool tips
void set_tooltip(WindowId w, std::uintptr_t tool_id, const Rect& client_rect, std::string_view text);
void remove_tooltip(WindowId w, std::uintptr_t tool_id);

// ---------------------------------------------------------------- edit controls
void set_edit_text(WindowId edit, std::string_view text);
std::string edit_text(WindowId edit);
void set_edit_colors(WindowId edit, std::uint32_t text_rgb, std::uint32_t back_rgb);  // COLORREF values
struct FontSpec;
void set_window_font(WindowId w, const FontSpec& font);

// ---------------------------------------------------------------- the application
// The hidden window that owns every form: with its taskbar button shown, the
// program appears on the taskbar.
void set_taskbar_button(bool shown);
void set_application_title(std::string_view title);
// The full path of the running executable (ParamStr(0)).
std::string module_file_name();
Rect screen_rect();
std::uint32_t sys_color(int index);  // GetSysColor, a COLORREF
void message_beep(unsigned type);
// A modal error box (the application's exception display).
void show_error(std::string_view title, std::string_view message);

// ---------------------------------------------------------------- the shell
// ShellExecuteA: every string in code page 932. Returns the shell's value.
std::intptr_t shell_execute_ansi(WindowId owner, std::string_view operation, std::string_view file,
                                 std::string_view parameters, std::string_view directory, int show);
void drag_accept_files(WindowId w, bool accept);
unsigned drag_count(DropId drop);
// The full path of one dropped item in UTF-8, whole whatever its length.
std::string drag_file(DropId drop, unsigned index);
void drag_finish(DropId drop);

// ---------------------------------------------------------------- tray
// Callback messages reach the window's sink as `callback_msg` with lParam the
// mouse message (WM_LBUTTONDBLCLK, WM_RBUTTONUP, ...).
bool tray_add(WindowId w, unsigned id, unsigned callback_msg, std::span<const std::uint8_t> icon_file, std::string_view tip);
void tray_remove(WindowId w, unsigned id);
// The message number that tells a program the taskbar was created anew.
unsigned taskbar_created_message();

// ---------------------------------------------------------------- text
struct FontSpec {
    std::string name = "ＭＳ Ｐゴシック";
    int height = 12;       // character height in pixels
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int charset = 128;     // SHIFTJIS_CHARSET
};
struct TextMetrics { int width = 0, height = 0, ascent = 0; };
TextMetrics measure_text(const FontSpec& font, std::u16string_view text);
// Coverage of the text, one byte per pixel (0 = none, 255 = full), width x
// height as measure_text gives them, top row first.
std::vector<std::uint8_t> render_text(const FontSpec& font, std::u16string_view text, TextMetrics* metrics);

// ---------------------------------------------------------------- code page 932
std::string ansi_to_utf8(std::string_view ansi);
// UTF-8 to code page 932; *lossless is false when a character has no 932 form.
std::string utf8_to_ansi(std::string_view utf8, bool* lossless = nullptr);

// ---------------------------------------------------------------- profile functions
// GetPrivateProfileStringA / WritePrivateProfileStringA; bytes in code page 932.
std::string get_profile_string(std::string_view file, std::string_view section, std::string_view key,
                               std::string_view default_value, std::size_t buffer_size);
bool write_profile_string(std::string_view file, std::string_view section, std::string_view key,
                          std::string_view value);

// ---------------------------------------------------------------- resources
// The bytes of a resource compiled into the program: a bitmap by name
// (as a BMP file, with its file header), or a form resource (its text).
std::optional<std::span<const std::uint8_t>> find_resource(std::string_view name, std::string_view type);

}  // namespace os
