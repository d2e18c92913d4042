// Headless windows: creation and destruction, geometry, z-order, shapes,
// painting, focus and capture, and message delivery.
#include <algorithm>
#include <cstring>

#include "platform/core/Exceptions.h"
#include "platform/headless/World.h"
#include "platform/os.h"

namespace headless::detail {

World& world() {
    static World instance;
    return instance;
}

std::vector<Resource>& resources() {
    static std::vector<Resource> registered;
    return registered;
}

Window* find(WindowId w, bool count) {
    auto& windows = world().windows;
    auto it = windows.find(w);
    if (it == windows.end()) {
        if (count) ++world().invalid_calls;
        return nullptr;
    }
    return it->second.get();
}

std::intptr_t deliver(WindowId id, unsigned msg, std::uintptr_t wparam, std::intptr_t lparam) {
    Window* w = find(id);
    if (!w) return 0;
    World& s = world();
    s.idle_turns = 0;
    if (s.record_messages) s.message_log.push_back({id, msg, wparam, lparam});
    if (w->sink) return w->sink->on_message(msg, wparam, lparam);
    return os::default_message(id, msg, wparam, lparam);
}

os::Point screen_origin(const Window& w) {
    os::Point p{w.bounds.left, w.bounds.top};
    if (w.kind != os::WindowKind::Form) {
        if (const Window* parent = find(w.parent, false)) {
            os::Point q = screen_origin(*parent);
            p.x += q.x;
            p.y += q.y;
        }
    }
    return p;
}

os::Rect screen_rect(const Window& w) {
    os::Point p = screen_origin(w);
    return {p.x, p.y, p.x + w.bounds.width(), p.y + w.bounds.height()};
}

bool showing(const Window& w) {
    if (!w.visible) return false;
    if (w.kind == os::WindowKind::Form) return true;
    const Window* parent = find(w.parent, false);
    return parent && showing(*parent);
}

bool shape_contains(const Window& w, int x, int y) {
    if (x < 0 || y < 0 || x >= w.bounds.width() || y >= w.bounds.height()) return false;
    if (!w.region) return true;
    return std::any_of(w.region->begin(), w.region->end(), [&](const os::Rect& r) {
        return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
    });
}

namespace {

bool skipped(const std::vector<WindowId>& skip, WindowId id) {
    return std::find(skip.begin(), skip.end(), id) != skip.end();
}

// The deepest visible, enabled descendant of `w` under the window point p.
WindowId descend(const Window& w, os::Point p, const std::vector<WindowId>& skip) {
    for (WindowId cid : w.children) {
        const Window* c = find(cid, false);
        if (!c || !c->visible || skipped(skip, cid)) continue;
        int x = p.x - c->bounds.left, y = p.y - c->bounds.top;
        if (!shape_contains(*c, x, y)) continue;
        if (!c->enabled) return w.id;  // a disabled child's input goes to its parent
        return descend(*c, {x, y}, skip);
    }
    return w.id;
}

void insert_top(WindowId id, bool stay_on_top) {
    auto& z = world().zorder;
    auto pos = z.begin();
    if (!stay_on_top) {
        pos = std::find_if(z.begin(), z.end(), [](WindowId o) {
            const Window* w = find(o, false);
            return w && !w->stay_on_top;
        });
    }
    z.insert(pos, id);
}

void erase_from(std::vector<WindowId>& v, WindowId id) { v.erase(std::remove(v.begin(), v.end(), id), v.end()); }

bool in_subtree(WindowId root, WindowId w) {
    for (const Window* x = find(w, false); x; x = x->kind == os::WindowKind::Form ? nullptr : find(x->parent, false))
        if (x->id == root) return true;
    return false;
}

os::Rect client_rect(const Window& w) { return {0, 0, w.bounds.width(), w.bounds.height()}; }

void invalidate_all(Window& w) {
    os::Rect r = client_rect(w);
    if (r.width() > 0 && r.height() > 0) w.invalid = r;
}

// Forgets a window and everything that refers to it (no messages).
void forget(WindowId id) {
    World& s = world();
    Window* w = find(id, false);
    if (!w) return;
    if (w->kind == os::WindowKind::Form) {
        erase_from(s.zorder, id);
    } else if (Window* parent = find(w->parent, false)) {
        erase_from(parent->children, id);
    }
    std::erase_if(s.timers, [&](const Timer& t) { return t.window == id; });
    std::erase_if(s.tooltips, [&](const Tooltip& t) { return t.window == id; });
    std::erase_if(s.posted, [&](const Posted& p) { return p.window == id; });
    if (s.focus == id) s.focus = 0;
    if (s.capture == id) s.capture = 0;
    if (s.foreground == id) s.foreground = 0;
    if (s.moving && s.moving->window == id) s.moving.reset();
    s.windows.erase(id);
}

void send_destroy(WindowId id) {
    deliver(id, kWmDestroy, 0, 0);
    Window* w = find(id, false);
    if (!w) return;
    std::vector<WindowId> children = w->children;
    for (WindowId c : children) {
        if (Window* cw = find(c, false)) cw->destroying = true;
        send_destroy(c);
    }
}

void send_ncdestroy(WindowId id) {
    Window* w = find(id, false);
    if (!w) return;
    std::vector<WindowId> children = w->children;
    for (WindowId c : children) send_ncdestroy(c);
    deliver(id, kWmNcDestroy, 0, 0);
    forget(id);
}

void destroy(WindowId id) {
    World& s = world();
    Window* w = find(id, false);
    if (!w || w->destroying) return;
    w->destroying = true;
    // Owned forms go first, as DestroyWindow does.
    std::vector<WindowId> owned;
    for (auto& [oid, o] : s.windows)
        if (o->kind == os::WindowKind::Form && o->parent == id) owned.push_back(oid);
    for (WindowId o : owned) destroy(o);
    if (s.focus && in_subtree(id, s.focus)) s.focus = 0;
    if (s.capture && in_subtree(id, s.capture)) s.capture = 0;
    send_destroy(id);
    send_ncdestroy(id);
}

std::optional<std::vector<os::Rect>> parse_region(std::span<const std::uint8_t> data) {
    if (data.empty()) return std::nullopt;
    auto u32 = [&](std::size_t at) {
        std::uint32_t v;
        std::memcpy(&v, data.data() + at, 4);
        return v;
    };
    auto i32 = [&](std::size_t at) {
        std::int32_t v;
        std::memcpy(&v, data.data() + at, 4);
        return v;
    };
    if (data.size() < 32 || u32(0) != 32 || u32(4) != 1)
        throw EInvalidOperation("set_window_region: not a region data block");
    std::uint64_t count = u32(8);
    if (count > (data.size() - 32) / 16)
        throw EInvalidOperation("set_window_region: the block is shorter than its rectangle count");
    std::vector<os::Rect> rects;
    rects.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::size_t at = 32 + i * 16;
        os::Rect r{i32(at), i32(at + 4), i32(at + 8), i32(at + 12)};
        if (r.left < r.right && r.top < r.bottom) rects.push_back(r);
    }
    return rects;
}

}  // namespace

HitResult hit(os::Point p, const std::vector<WindowId>& skip) {
    for (WindowId id : world().zorder) {
        const Window* w = find(id, false);
        if (!w || !w->visible || skipped(skip, id)) continue;
        int x = p.x - w->bounds.left, y = p.y - w->bounds.top;
        if (!shape_contains(*w, x, y)) continue;
        if (!w->enabled) return {id, id, true};
        return {descend(*w, {x, y}, skip), id, false};
    }
    return {};
}

void set_bounds(Window& w, const os::Rect& b) {
    WindowId id = w.id;
    bool moved = b.left != w.bounds.left || b.top != w.bounds.top;
    bool sized = b.width() != w.bounds.width() || b.height() != w.bounds.height();
    w.bounds = b;
    if (sized) {
        if (w.visible) invalidate_all(w);
        else w.invalid.reset();
    }
    if (moved) deliver(id, kWmMove, 0, PackPoint(b.left, b.top));
    if (sized) deliver(id, kWmSize, 0, PackPoint(std::max(0, b.width()), std::max(0, b.height())));
}

void raise(WindowId id) {
    Window* w = find(id, false);
    if (!w) return;
    if (w->kind == os::WindowKind::Form) {
        erase_from(world().zorder, id);
        insert_top(id, w->stay_on_top);
    } else if (Window* parent = find(w->parent, false)) {
        erase_from(parent->children, id);
        parent->children.insert(parent->children.begin(), id);
    }
}

void set_text(Window& w, std::string text, bool notify) {
    if (w.caption == text) return;
    w.caption = std::move(text);
    if (notify && w.kind == os::WindowKind::Edit) {
        WindowId id = w.id, parent = w.parent;
        deliver(parent, kWmCommand, static_cast<std::uintptr_t>(kEnChange) << 16, static_cast<std::intptr_t>(id));
    }
}

bool paint_one() {
    World& s = world();
    for (auto& [id, w] : s.windows) {
        if (w->invalid && showing(*w)) {
            w->invalid.reset();
            deliver(id, kWmPaint, 0, 0);
            return true;
        }
    }
    return false;
}

}  // namespace headless::detail

using namespace headless;
using namespace headless::detail;

namespace os {

std::intptr_t default_message(WindowId id, unsigned msg, std::uintptr_t wparam, std::intptr_t lparam) {
    Window* w = find(id);
    if (!w) return 0;
    switch (msg) {
    case kWmNcHitTest:
        return kHtClient;
    case kWmNcLButtonDown:
        if (static_cast<int>(wparam) == kHtCaption) world().move_requested = id;
        return 0;
    case kWmLButtonDown:
        if (w->kind == WindowKind::Edit) set_focus(id);
        return 0;
    case kWmRButtonUp: {
        Point c = UnpackPoint(lparam);
        Point s = client_to_screen(id, c);
        deliver(id, kWmContextMenu, id, PackPoint(s.x, s.y));
        return 0;
    }
    case kWmNcRButtonUp:
        deliver(id, kWmContextMenu, id, lparam);
        return 0;
    case kWmSetCursor:
        // A child asks its parent first, as DefWindowProc does.
        if (w->kind != WindowKind::Form) return deliver(w->parent, kWmSetCursor, wparam, lparam);
        return 0;
    case kWmContextMenu:
        if (w->kind != WindowKind::Form) deliver(w->parent, kWmContextMenu, wparam, lparam);
        return 0;
    case kWmClose:
        world().close_log.push_back(id);
        return 0;
    case kWmChar:
        if (w->kind == WindowKind::Edit && !w->read_only) {
            std::string text = w->caption;
            char16_t ch = static_cast<char16_t>(wparam);
            if (ch == 8) {
                // Back: drop the last UTF-8 character.
                while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80) text.pop_back();
                if (!text.empty()) text.pop_back();
            } else if (ch >= 0x20 && !(ch >= 0xD800 && ch <= 0xDFFF)) {
                if (ch < 0x80) {
                    text += static_cast<char>(ch);
                } else if (ch < 0x800) {
                    text += static_cast<char>(0xC0 | (ch >> 6));
                    text += static_cast<char>(0x80 | (ch & 0x3F));
                } else {
                    text += static_cast<char>(0xE0 | (ch >> 12));
                    text += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
                    text += static_cast<char>(0x80 | (ch & 0x3F));
                }
            }
            set_text(*w, std::move(text), true);
        }
        return 0;
    default:
        return 0;
    }
}

std::intptr_t send_message(WindowId w, unsigned msg, std::uintptr_t wparam, std::intptr_t lparam) {
    return deliver(w, msg, wparam, lparam);
}

void post_message(WindowId w, unsigned msg, std::uintptr_t wparam, std::intptr_t lparam) {
    world().posted.push_back({w, msg, wparam, lparam});
}

bool process_one_message() {
    World& s = world();
    if (s.quit) return false;
    if (!s.posted.empty()) {
        Posted p = s.posted.front();
        s.posted.pop_front();
        if (p.window) deliver(p.window, p.msg, p.wparam, p.lparam);
        return !s.quit;
    }
    if (paint_one()) return !s.quit;
    if (timer_due_now()) {
        run_timers_until(s.now);
        return !s.quit;
    }
    // Idle: the test's script runs here.
    if (!s.idle_actions.empty()) {
        auto action = std::move(s.idle_actions.front());
        s.idle_actions.pop_front();
        s.idle_turns = 0;
        action();
        return !s.quit;
    }
    unsigned turns = ++s.idle_turns;
    if (s.idle_handler) {
        auto handler = s.idle_handler;  // a copy: the handler may replace itself
        handler();
    }
    if (turns > s.idle_limit && s.idle_turns >= turns) {
        s.idle_turns = 0;
        throw EInvalidOperation("headless: the message loop stayed idle for " + std::to_string(turns) +
                                " turns with nothing scripted");
    }
    return !s.quit;
}

void process_pending_messages() {
    World& s = world();
    for (std::size_t guard = 0; !s.quit; ++guard) {
        if (guard > 1000000) throw EInvalidOperation("headless: process_pending_messages never ran dry");
        if (!s.posted.empty()) {
            Posted p = s.posted.front();
            s.posted.pop_front();
            if (p.window) deliver(p.window, p.msg, p.wparam, p.lparam);
            continue;
        }
        if (paint_one()) continue;
        if (timer_due_now()) {
            run_timers_until(s.now);
            continue;
        }
        break;
    }
}

void quit_message_loop() { world().quit = true; }
bool quit_requested() { return world().quit; }

// ---------------------------------------------------------------- windows

WindowId create_window(const WindowParams& p, WindowSink* sink) {
    static WindowId next_id = 0x1000;  // never reused, even across Reset
    World& s = world();
    if (p.kind != WindowKind::Form && !find(p.parent, false))
        throw EInvalidOperation("create_window: a child window needs a live parent window");
    if (p.kind == WindowKind::Form && p.parent && !find(p.parent, false))
        throw EInvalidOperation("create_window: the owner window does not exist");
    auto w = std::make_unique<Window>();
    WindowId id = next_id;
    next_id += 4;
    w->id = id;
    w->seq = s.next_seq++;
    w->kind = p.kind;
    w->parent = p.parent;
    w->sink = sink;
    w->bounds = p.bounds;
    w->caption = p.caption;
    w->visible = p.visible;
    w->bordered = p.bordered;
    w->stay_on_top = p.kind == WindowKind::Form && p.stay_on_top;
    w->read_only = p.read_only;
    w->flat = p.flat;
    if (w->visible) invalidate_all(*w);
    bool top = w->stay_on_top;
    s.windows.emplace(id, std::move(w));
    if (p.kind == WindowKind::Form) {
        insert_top(id, top);
    } else {
        auto& siblings = find(p.parent, false)->children;
        siblings.insert(siblings.begin(), id);
    }
    return id;
}

void destroy_window(WindowId w) {
    if (!find(w)) return;
    destroy(w);
}

void set_window_bounds(WindowId id, const Rect& bounds) {
    if (Window* w = find(id)) set_bounds(*w, bounds);
}

Rect window_bounds(WindowId id) {
    Window* w = find(id);
    return w ? w->bounds : Rect{};
}

void show_window(WindowId id, bool visible) {
    Window* w = find(id);
    if (!w || w->visible == visible) return;
    w->visible = visible;
    if (visible) {
        invalidate_all(*w);
        if (w->kind == WindowKind::Form) raise(id);
    }
}

bool window_visible(WindowId id) {
    Window* w = find(id);
    return w && w->visible;
}

void enable_window(WindowId id, bool enabled) {
    Window* w = find(id);
    if (!w || w->enabled == enabled) return;
    w->enabled = enabled;
    deliver(id, kWmEnable, enabled ? 1 : 0, 0);
}

bool window_enabled(WindowId id) {
    Window* w = find(id);
    return w && w->enabled;
}

void set_window_caption(WindowId id, std::string_view caption) {
    if (Window* w = find(id)) set_text(*w, std::string(caption), true);
}

void set_window_bordered(WindowId id, bool bordered) {
    if (Window* w = find(id)) w->bordered = bordered;
}

void set_window_stay_on_top(WindowId id, bool stay_on_top) {
    Window* w = find(id);
    if (!w || w->kind != WindowKind::Form) return;
    w->stay_on_top = stay_on_top;
    raise(id);
}

void bring_window_to_top(WindowId id) {
    if (find(id)) raise(id);
}

void set_foreground_window(WindowId id) {
    Window* w = find(id);
    while (w && w->kind != WindowKind::Form) w = find(w->parent, false);
    if (!w) return;
    world().foreground = w->id;
    raise(w->id);
}

WindowId window_from_point(Point screen) { return hit(screen).window; }

void set_window_region(WindowId id, std::span<const std::uint8_t> data, bool redraw) {
    Window* w = find(id);
    if (!w) return;
    auto rects = parse_region(data);
    w->region = rects;
    world().region_log.push_back({id, std::move(rects), redraw});
    if (redraw && w->visible) invalidate_all(*w);
}

// ---------------------------------------------------------------- painting

void invalidate(WindowId id, const Rect* client) {
    Window* w = find(id);
    if (!w) return;
    Rect all = client_rect(*w);
    Rect r = client ? *client : all;
    r.left = std::max(r.left, 0);
    r.top = std::max(r.top, 0);
    r.right = std::min(r.right, all.right);
    r.bottom = std::min(r.bottom, all.bottom);
    if (r.width() <= 0 || r.height() <= 0) return;
    if (w->invalid) {
        Rect& u = *w->invalid;
        r = {std::min(u.left, r.left), std::min(u.top, r.top), std::max(u.right, r.right), std::max(u.bottom, r.bottom)};
    }
    w->invalid = r;
}

void update_window(WindowId id) {
    Window* w = find(id);
    if (!w || !w->invalid || !showing(*w)) return;
    w->invalid.reset();
    deliver(id, kWmPaint, 0, 0);
}

void present(WindowId id, int x, int y, int width, int height, const std::uint32_t* pixels, int stride_bytes) {
    Window* w = find(id);
    if (!w) return;
    if (width < 0 || height < 0) throw EInvalidOperation("present: negative size");
    if (width > 0 && height > 0) {
        if (!pixels) throw EInvalidOperation("present: no pixels");
        if (stride_bytes < width * 4 || stride_bytes % 4 != 0) throw EInvalidOperation("present: bad stride");
    }
    Image img;
    img.width = width;
    img.height = height;
    img.pixels.resize(static_cast<std::size_t>(width) * height);
    const std::size_t stride = static_cast<std::size_t>(stride_bytes) / 4;
    for (int row = 0; row < height; ++row)
        std::copy_n(pixels + row * stride, width, img.pixels.begin() + static_cast<std::ptrdiff_t>(row) * width);

    // Onto the window's surface, clipped to it.
    constexpr int kMax = 4096;
    int sw = std::clamp(w->bounds.width(), 0, kMax), sh = std::clamp(w->bounds.height(), 0, kMax);
    if (w->surface.width != sw || w->surface.height != sh) {
        Image grown;
        grown.width = sw;
        grown.height = sh;
        grown.pixels.assign(static_cast<std::size_t>(sw) * sh, 0);
        for (int row = 0; row < std::min(sh, w->surface.height); ++row)
            for (int col = 0; col < std::min(sw, w->surface.width); ++col)
                grown.pixels[static_cast<std::size_t>(row) * sw + col] = w->surface.at(col, row);
        w->surface = std::move(grown);
    }
    for (int row = std::max(0, -y); row < height && y + row < sh; ++row)
        for (int col = std::max(0, -x); col < width && x + col < sw; ++col)
            w->surface.pixels[static_cast<std::size_t>(y + row) * sw + (x + col)] = img.at(col, row);

    Rect r{x, y, x + width, y + height};
    ++w->present_count;
    w->last_present = std::move(img);
    w->last_present_rect = r;
    world().present_log.push_back({id, r});
}

// ---------------------------------------------------------------- input state

std::optional<Point> cursor_pos() {
    if (!world().cursor_readable) return std::nullopt;
    return world().cursor;
}
void set_cursor_shape(int cursor) { world().cursor_shape = cursor; }

void set_capture(WindowId id) {
    World& s = world();
    if (!find(id)) return;
    s.capture_log.push_back({id, s.now});
    WindowId old = s.capture;
    s.capture = id;
    if (old && old != id) deliver(old, kWmCaptureChanged, 0, static_cast<std::intptr_t>(id));
}

void release_capture() {
    World& s = world();
    s.capture_log.push_back({0, s.now});
    WindowId old = s.capture;
    s.capture = 0;
    if (old) deliver(old, kWmCaptureChanged, 0, 0);
}

WindowId capture() { return world().capture; }

void set_focus(WindowId id) {
    World& s = world();
    if (id && !find(id)) return;
    WindowId old = s.focus;
    if (old == id) return;
    s.focus = id;
    if (old) deliver(old, kWmKillFocus, id, 0);
    if (id && s.focus == id) deliver(id, kWmSetFocus, old, 0);
}

WindowId focus() { return world().focus; }

short key_state(int vk) {
    auto& keys = world().keys;
    auto it = keys.find(vk);
    if (it == keys.end()) return 0;
    unsigned v = (it->second.first ? 0x8000u : 0u) | (it->second.second ? 1u : 0u);
    return static_cast<short>(static_cast<std::uint16_t>(v));
}

Point screen_to_client(WindowId id, Point p) {
    Window* w = find(id);
    if (!w) return p;
    Point o = screen_origin(*w);
    return {p.x - o.x, p.y - o.y};
}

Point client_to_screen(WindowId id, Point p) {
    Window* w = find(id);
    if (!w) return p;
    Point o = screen_origin(*w);
    return {p.x + o.x, p.y + o.y};
}

}  // namespace os
