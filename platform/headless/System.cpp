// The headless application, shell, tray, menus, tool tips, edit controls and
// resources: each call is recorded for the tests and answered as scripted.
#include <algorithm>
#include <cctype>

#include "platform/core/Exceptions.h"
#include "platform/headless/World.h"
#include "platform/os.h"

#if __has_include("resources/ResourceTable.h")
#include "resources/ResourceTable.h"
#define ZIMMO_HEADLESS_RESOURCE_TABLE 1
#endif

using namespace headless;
using namespace headless::detail;

namespace {

constexpr unsigned kTaskbarCreated = 0xC1F0;  // a registered-message number, as RegisterWindowMessage gives

bool same_name(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

// The default Windows 10 colour scheme, as COLORREF (0x00BBGGRR), by COLOR_ index.
constexpr std::uint32_t kSysColors[] = {
    0xC8C8C8,  //  0 COLOR_SCROLLBAR
    0x000000,  //  1 COLOR_BACKGROUND
    0xD1B499,  //  2 COLOR_ACTIVECAPTION
    0xDBCDBF,  //  3 COLOR_INACTIVECAPTION
    0xF0F0F0,  //  4 COLOR_MENU
    0xFFFFFF,  //  5 COLOR_WINDOW
    0x646464,  //  6 COLOR_WINDOWFRAME
    0x000000,  //  7 COLOR_MENUTEXT
    0x000000,  //  8 COLOR_WINDOWTEXT
    0x000000,  //  9 COLOR_CAPTIONTEXT
    0xB4B4B4,  // 10 COLOR_ACTIVEBORDER
    0xFCF7F4,  // 11 COLOR_INACTIVEBORDER
    0xABABAB,  // 12 COLOR_APPWORKSPACE
    0xD77800,  // 13 COLOR_HIGHLIGHT
    0xFFFFFF,  // 14 COLOR_HIGHLIGHTTEXT
    0xF0F0F0,  // 15 COLOR_BTNFACE
    0xA0A0A0,  // 16 COLOR_BTNSHADOW
    0x6D6D6D,  // 17 COLOR_GRAYTEXT
    0x000000,  // 18 COLOR_BTNTEXT
    0x000000,  // 19 COLOR_INACTIVECAPTIONTEXT
    0xFFFFFF,  // 20 COLOR_BTNHIGHLIGHT
    0x696969,  // 21 COLOR_3DDKSHADOW
    0xE3E3E3,  // 22 COLOR_3DLIGHT
    0x000000,  // 23 COLOR_INFOTEXT
    0xE1FFFF,  // 24 COLOR_INFOBK
    0x000000,  // 25 (unused)
    0xCC6600,  // 26 COLOR_HOTLIGHT
    0xEAD1B9,  // 27 COLOR_GRADIENTACTIVECAPTION
    0xF2E4D7,  // 28 COLOR_GRADIENTINACTIVECAPTION
    0xFF9933,  // 29 COLOR_MENUHILIGHT
    0xF0F0F0,  // 30 COLOR_MENUBAR
};

}  // namespace

namespace os {

// ---------------------------------------------------------------- menus

std::uintptr_t track_popup_menu(WindowId owner, const std::vector<MenuItem>& items, Point screen) {
    World& s = world();
    find(owner);  // counts a bad owner; the menu still shows, as with the hidden application window
    MenuRecord record{owner, items, screen, 0};
    std::uintptr_t choice = 0;
    if (!s.menu_choices.empty()) {
        auto chooser = std::move(s.menu_choices.front());
        s.menu_choices.pop_front();
        choice = chooser(record);
    } else if (s.menu_chooser) {
        auto chooser = s.menu_chooser;
        choice = chooser(record);
    }
    bool valid = choice != 0 && std::any_of(items.begin(), items.end(), [&](const MenuItem& i) {
                     return i.command == choice && i.enabled && i.caption != "-";
                 });
    record.result = valid ? choice : 0;
    s.menus.push_back(record);
    return record.result;
}

// ---------------------------------------------------------------- tool tips

void set_tooltip(WindowId w, std::uintptr_t tool_id, const Rect& client_rect, std::string_view text) {
    if (!find(w)) return;
    auto& tips = world().tooltips;
    auto it = std::find_if(tips.begin(), tips.end(), [&](const Tooltip& t) { return t.window == w && t.tool_id == tool_id; });
    if (it != tips.end()) {
        it->rect = client_rect;
        it->text = std::string(text);
    } else {
        tips.push_back({w, tool_id, client_rect, std::string(text)});
    }
}

void remove_tooltip(WindowId w, std::uintptr_t tool_id) {
    std::erase_if(world().tooltips, [&](const Tooltip& t) { return t.window == w && t.tool_id == tool_id; });
}

// ---------------------------------------------------------------- edit controls

void set_edit_text(WindowId edit, std::string_view text) {
    if (Window* w = find(edit)) set_text(*w, std::string(text), true);
}

std::string edit_text(WindowId edit) {
    Window* w = find(edit);
    return w ? w->caption : std::string();
}

void set_edit_colors(WindowId edit, std::uint32_t text_rgb, std::uint32_t back_rgb) {
    Window* w = find(edit);
    if (!w) return;
    w->text_color = text_rgb;
    w->back_color = back_rgb;
    if (w->visible) invalidate(edit, nullptr);
}

void set_window_font(WindowId w, const FontSpec& font) {
    if (Window* win = find(w)) win->font = font;
}

// ---------------------------------------------------------------- the application

void set_taskbar_button(bool shown) {
    World& s = world();
    s.taskbar_button = shown;
    ++s.taskbar_changes;
}

void set_application_title(std::string_view title) { world().title = std::string(title); }
std::string module_file_name() { return world().module_file_name; }

Rect screen_rect() {
    const World& s = world();
    return {0, 0, s.screen_width, s.screen_height};
}

std::uint32_t sys_color(int index) {
    if (index < 0 || index >= static_cast<int>(std::size(kSysColors))) return 0;
    return kSysColors[index];
}

void message_beep(unsigned type) { world().beeps.push_back(type); }

void show_error(std::string_view title, std::string_view message) {
    world().error_boxes.push_back({std::string(title), std::string(message)});
}

// ---------------------------------------------------------------- the shell

std::intptr_t shell_execute_ansi(WindowId owner, std::string_view operation, std::string_view file,
                                 std::string_view parameters, std::string_view directory, int show) {
    World& s = world();
    s.shell_calls.push_back({owner, std::string(operation), std::string(file), std::string(parameters),
                             std::string(directory), show});
    return s.shell_result;
}

void drag_accept_files(WindowId w, bool accept) {
    Window* win = find(w);
    if (!win) return;
    win->accepts_drops = accept;
    world().drag_accept_log.push_back({w, accept});
}

unsigned drag_count(DropId drop) {
    auto& drops = world().drops;
    auto it = drops.find(drop);
    if (it == drops.end() || it->second.finished) return 0;
    return static_cast<unsigned>(it->second.paths.size());
}

std::string drag_file(DropId drop, unsigned index) {
    auto& drops = world().drops;
    auto it = drops.find(drop);
    if (it == drops.end() || it->second.finished || index >= it->second.paths.size()) return {};
    return it->second.paths[index];
}

void drag_finish(DropId drop) {
    auto& drops = world().drops;
    if (auto it = drops.find(drop); it != drops.end()) it->second.finished = true;
}

// ---------------------------------------------------------------- tray

bool tray_add(WindowId w, unsigned id, unsigned callback_msg, std::span<const std::uint8_t> icon_file,
              std::string_view tip) {
    World& s = world();
    if (!find(w) || !s.tray_available) return false;
    bool taken = std::any_of(s.tray.begin(), s.tray.end(), [&](const TrayIcon& t) { return t.window == w && t.id == id; });
    if (taken) return false;
    s.tray.push_back({w, id, callback_msg, {icon_file.begin(), icon_file.end()}, std::string(tip)});
    s.tray_log.push_back({true, w, id});
    return true;
}

void tray_remove(WindowId w, unsigned id) {
    World& s = world();
    auto before = s.tray.size();
    std::erase_if(s.tray, [&](const TrayIcon& t) { return t.window == w && t.id == id; });
    if (s.tray.size() != before) s.tray_log.push_back({false, w, id});
}

unsigned taskbar_created_message() { return kTaskbarCreated; }

// ---------------------------------------------------------------- resources

std::optional<std::span<const std::uint8_t>> find_resource(std::string_view name, std::string_view type) {
    for (const Resource& r : resources())
        if (same_name(r.name, name) && same_name(r.type, type)) return std::span<const std::uint8_t>(r.bytes);
#ifdef ZIMMO_HEADLESS_RESOURCE_TABLE
    for (unsigned long i = 0; i < zimmo_resources::kEntryCount; ++i) {
        const auto& e = zimmo_resources::kEntries[i];
        if (e.name && e.type && same_name(e.name, name) && same_name(e.type, type))
            return std::span<const std::uint8_t>(e.data, e.size);
    }
#endif
    return std::nullopt;
}

}  // namespace os

namespace headless {

// ---------------------------------------------------------------- test control

void Reset() {
    World& s = world();
    s = World{};
}

void PushIdleAction(std::function<void()> fn) { world().idle_actions.push_back(std::move(fn)); }
void SetIdleHandler(std::function<void()> fn) { world().idle_handler = std::move(fn); }
void SetIdleLimit(unsigned turns) { world().idle_limit = turns; }
unsigned IdleLimit() { return world().idle_limit; }
std::size_t PostedMessageCount() { return world().posted.size(); }

bool IsWindow(WindowId w) { return find(w, false) != nullptr; }

WindowState State(WindowId id) {
    const Window* w = find(id, false);
    if (!w) throw EInvalidOperation("headless: no window " + std::to_string(id));
    WindowState st;
    st.id = id;
    st.kind = w->kind;
    st.parent = w->parent;
    st.bounds = w->bounds;
    st.screen = screen_rect(*w);
    st.caption = w->caption;
    st.visible = w->visible;
    st.showing = showing(*w);
    st.enabled = w->enabled;
    st.bordered = w->bordered;
    st.stay_on_top = w->stay_on_top;
    st.read_only = w->read_only;
    st.flat = w->flat;
    st.accepts_drops = w->accepts_drops;
    st.region = w->region;
    const std::vector<WindowId>* stack = &world().zorder;
    if (w->kind != os::WindowKind::Form)
        if (const Window* parent = find(w->parent, false)) stack = &parent->children;
    auto it = std::find(stack->begin(), stack->end(), id);
    st.z_index = it == stack->end() ? -1 : static_cast<int>(it - stack->begin());
    st.invalid = w->invalid;
    st.font = w->font;
    st.text_color = w->text_color;
    st.back_color = w->back_color;
    return st;
}

std::vector<WindowId> Windows() {
    std::vector<WindowId> ids;
    for (auto& [id, w] : world().windows) ids.push_back(id);
    return ids;
}

std::vector<WindowId> ZOrder() { return world().zorder; }

WindowId FindWindowByCaption(std::string_view caption) {
    for (auto& [id, w] : world().windows)
        if (w->caption == caption) return id;
    return 0;
}

WindowId ApplicationWindow() { return 0x10; }
WindowId ForegroundWindow() { return world().foreground; }
int CursorShape() { return world().cursor_shape; }

void RecordMessages(bool on) {
    World& s = world();
    s.record_messages = on;
    s.message_log.clear();
}
const std::vector<MessageRecord>& MessageLog() { return world().message_log; }

const std::vector<PresentRecord>& PresentLog() { return world().present_log; }

std::size_t PresentCount(WindowId w) {
    const Window* win = find(w, false);
    return win ? win->present_count : 0;
}

std::optional<Image> LastPresent(WindowId w) {
    const Window* win = find(w, false);
    return win ? win->last_present : std::nullopt;
}

std::optional<os::Rect> LastPresentRect(WindowId w) {
    const Window* win = find(w, false);
    return win ? win->last_present_rect : std::nullopt;
}

Image Surface(WindowId id) {
    const Window* w = find(id, false);
    if (!w) throw EInvalidOperation("headless: no window " + std::to_string(id));
    Image img;
    img.width = std::max(0, w->bounds.width());
    img.height = std::max(0, w->bounds.height());
    img.pixels.assign(static_cast<std::size_t>(img.width) * img.height, 0);
    for (int y = 0; y < std::min(img.height, w->surface.height); ++y)
        for (int x = 0; x < std::min(img.width, w->surface.width); ++x)
            img.pixels[static_cast<std::size_t>(y) * img.width + x] = w->surface.at(x, y);
    return img;
}

const std::vector<RegionChange>& RegionLog() { return world().region_log; }

std::size_t RegionChangeCount(WindowId w) {
    const auto& log = world().region_log;
    return static_cast<std::size_t>(std::count_if(log.begin(), log.end(), [&](const RegionChange& c) { return c.window == w; }));
}

bool RegionContains(WindowId w, int x, int y) {
    const Window* win = find(w, false);
    return win && shape_contains(*win, x, y);
}

const std::vector<unsigned>& Beeps() { return world().beeps; }
const std::vector<ShellCall>& ShellCalls() { return world().shell_calls; }
void SetShellResult(std::intptr_t result) { world().shell_result = result; }
const std::vector<ErrorBox>& ErrorBoxes() { return world().error_boxes; }
const std::vector<WindowId>& DefaultCloseLog() { return world().close_log; }
std::size_t InvalidWindowCalls() { return world().invalid_calls; }
std::string ApplicationTitle() { return world().title; }
bool TaskbarButtonShown() { return world().taskbar_button; }
std::size_t TaskbarButtonChanges() { return world().taskbar_changes; }
void SetModuleFileName(std::string path) { world().module_file_name = std::move(path); }

void SetScreenSize(int width, int height) {
    world().screen_width = width;
    world().screen_height = height;
}

std::vector<Tooltip> Tooltips() { return world().tooltips; }

std::optional<Tooltip> FindTooltip(WindowId w, std::uintptr_t tool_id) {
    for (const Tooltip& t : world().tooltips)
        if (t.window == w && t.tool_id == tool_id) return t;
    return std::nullopt;
}

const std::vector<MenuRecord>& MenusShown() { return world().menus; }

void SetMenuChoice(std::uintptr_t command) {
    world().menu_choices.push_back([command](const MenuRecord&) { return command; });
}

void SetMenuChoiceByCaption(std::string caption) {
    world().menu_choices.push_back([caption = std::move(caption)](const MenuRecord& m) -> std::uintptr_t {
        for (const os::MenuItem& i : m.items)
            if (i.caption == caption) return i.command;
        return 0;
    });
}

void SetMenuChooser(std::function<std::uintptr_t(const MenuRecord&)> chooser) {
    world().menu_chooser = std::move(chooser);
}

bool AcceptsDrops(WindowId w) {
    const Window* win = find(w, false);
    return win && win->accepts_drops;
}

const std::vector<DragAcceptRecord>& DragAcceptLog() { return world().drag_accept_log; }

DropId DropFiles(WindowId id, std::vector<std::string> paths) {
    const Window* w = find(id, false);
    while (w && !w->accepts_drops) w = w->kind == os::WindowKind::Form ? nullptr : find(w->parent, false);
    if (!w) return 0;
    static DropId next_drop = 0x5000;  // never reused, even across Reset
    DropId drop = next_drop++;
    world().drops[drop] = Drop{std::move(paths), false};
    deliver(w->id, kWmDropFiles, drop, 0);
    return drop;
}

DropId DropFilesAt(int x, int y, std::vector<std::string> paths) {
    HitResult h = hit({x, y});
    if (!h.window) return 0;
    return DropFiles(h.window, std::move(paths));
}

bool DropFinished(DropId drop) {
    auto& drops = world().drops;
    auto it = drops.find(drop);
    return it != drops.end() && it->second.finished;
}

std::vector<TrayIcon> TrayIcons() { return world().tray; }
const std::vector<TrayEvent>& TrayLog() { return world().tray_log; }
void SetTrayAvailable(bool available) { world().tray_available = available; }

void SendTrayMessage(WindowId w, unsigned id, unsigned mouse_message) {
    for (const TrayIcon& t : world().tray) {
        if (t.window == w && t.id == id) {
            unsigned callback = t.callback_message;
            deliver(w, callback, id, static_cast<std::intptr_t>(mouse_message));
            return;
        }
    }
    throw EInvalidOperation("headless: no tray icon " + std::to_string(id) + " for window " + std::to_string(w));
}

namespace {
TrayIcon only_icon() {
    const auto& tray = world().tray;
    if (tray.size() != 1)
        throw EInvalidOperation("headless: " + std::to_string(tray.size()) + " tray icons, expected exactly one");
    return tray.front();
}
}  // namespace

void TrayDoubleClick() {
    TrayIcon t = only_icon();
    for (unsigned m : {kWmLButtonDown, kWmLButtonUp, kWmLButtonDblClk, kWmLButtonUp})
        if (IsWindow(t.window)) SendTrayMessage(t.window, t.id, m);
}

void TrayRightClick() {
    TrayIcon t = only_icon();
    for (unsigned m : {kWmRButtonDown, kWmRButtonUp})
        if (IsWindow(t.window)) SendTrayMessage(t.window, t.id, m);
}

void RestartTaskbar() {
    World& s = world();
    s.tray.clear();
    std::vector<WindowId> tops = s.zorder;
    for (WindowId w : tops) deliver(w, kTaskbarCreated, 0, 0);
}

void RegisterResource(std::string name, std::string type, std::vector<std::uint8_t> bytes) {
    auto& all = resources();
    for (Resource& r : all) {
        if (same_name(r.name, name) && same_name(r.type, type)) {
            r.bytes = std::move(bytes);
            return;
        }
    }
    all.push_back({std::move(name), std::move(type), std::move(bytes)});
}

void UnregisterResources() { resources().clear(); }

bool ResourceTableLinked() {
#ifdef ZIMMO_HEADLESS_RESOURCE_TABLE
    return true;
#else
    return false;
#endif
}

}  // namespace headless
