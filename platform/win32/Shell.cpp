// The shell: opening files, files dropped on a window, the tray icon.
#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <utility>
#include <vector>

#include "platform/core/Exceptions.h"
#include "platform/win32/Backend.h"

#include <objbase.h>
#include <shellapi.h>

namespace win32 {
namespace {

constexpr UINT kJapanese = 932;

// The shell may hand the work to COM objects, which need an apartment on
// this thread; it stays until the program ends.
struct ComApartment {
    HRESULT result = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    ~ComApartment() {
        if (SUCCEEDED(result)) ::CoUninitialize();
    }
};

// ---------------------------------------------------------------- icons
// An .ico file: a 6-byte header, 16-byte entries, then the images.
#pragma pack(push, 1)
struct IconFileEntry {
    BYTE width, height, colors, reserved;
    WORD planes, bit_count;
    DWORD size, offset;
};
struct IconGroupEntry {  // the same entry inside a resource: an ordinal instead of the offset
    BYTE width, height, colors, reserved;
    WORD planes, bit_count;
    DWORD size;
    WORD id;
};
#pragma pack(pop)
static_assert(sizeof(IconFileEntry) == 16 && sizeof(IconGroupEntry) == 14);

[[noreturn]] void bad_icon() { throw EInvalidGraphic("アイコンが正しくありません"); }

WORD read_word(const std::uint8_t* p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }

// The image of the file that suits the tray best, as the system picks it.
UniqueIcon icon_from_file(std::span<const std::uint8_t> file) {
    if (file.size() < 6 || read_word(file.data()) != 0 || read_word(file.data() + 2) != 1) bad_icon();
    const std::size_t count = read_word(file.data() + 4);
    if (count == 0 || file.size() < 6 + count * sizeof(IconFileEntry)) bad_icon();
    // The system chooses from a directory in the resource form.
    std::vector<std::uint8_t> group(6 + count * sizeof(IconGroupEntry));
    std::memcpy(group.data(), file.data(), 6);
    std::vector<IconFileEntry> entries(count);
    std::memcpy(entries.data(), file.data() + 6, count * sizeof(IconFileEntry));
    for (std::size_t i = 0; i < count; ++i) {
        const IconFileEntry& e = entries[i];
        if (e.size == 0 || e.offset > file.size() || e.size > file.size() - e.offset) bad_icon();
        const IconGroupEntry g{e.width,  e.height,    e.colors, e.reserved,
                               e.planes, e.bit_count, e.size,   static_cast<WORD>(i + 1)};
        std::memcpy(group.data() + 6 + i * sizeof g, &g, sizeof g);
    }
    const int cx = ::GetSystemMetrics(SM_CXSMICON), cy = ::GetSystemMetrics(SM_CYSMICON);
    const int id = ::LookupIconIdFromDirectoryEx(group.data(), TRUE, cx, cy, LR_DEFAULTCOLOR);
    if (id < 1 || static_cast<std::size_t>(id) > count) bad_icon();
    const IconFileEntry& chosen = entries[static_cast<std::size_t>(id - 1)];
    // The image bytes are copied: the system wants them DWORD-aligned.
    std::vector<DWORD> image((chosen.size + 3) / 4);
    std::memcpy(image.data(), file.data() + chosen.offset, chosen.size);
    UniqueIcon icon(::CreateIconFromResourceEx(reinterpret_cast<PBYTE>(image.data()), chosen.size, TRUE, 0x00030000, cx,
                                               cy, LR_DEFAULTCOLOR));
    if (!icon) bad_icon();
    return icon;
}

// ---------------------------------------------------------------- tray
struct TrayEntry {
    UniqueIcon icon;  // owned; shown by the shell until the entry is removed
};

std::map<std::pair<HWND, UINT>, TrayEntry>& tray_entries() {
    static auto* entries = new std::map<std::pair<HWND, UINT>, TrayEntry>;  // lives with the windows' state
    return *entries;
}

NOTIFYICONDATAW notify_data(HWND h, UINT id) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = h;
    data.uID = id;
    return data;
}

void copy_tip(std::wstring_view tip, wchar_t (&out)[128]) {
    const std::size_t n = std::min(tip.size(), std::size(out) - 1);
    std::copy_n(tip.data(), n, out);
    out[n] = L'\0';
}

}  // namespace

void remove_tray_icons_of(HWND h) {
    auto& entries = tray_entries();
    for (auto it = entries.lower_bound({h, 0}); it != entries.end() && it->first.first == h;) {
        NOTIFYICONDATAW data = notify_data(h, it->first.second);
        ::Shell_NotifyIconW(NIM_DELETE, &data);
        it = entries.erase(it);
    }
}

}  // namespace win32

namespace os {

using win32::to_hwnd;

std::intptr_t shell_execute_ansi(WindowId owner, std::string_view operation, std::string_view file,
                                 std::string_view parameters, std::string_view directory, int show) {
    static win32::ComApartment apartment;
    // The texts are code page 932 whatever the system's own code page is:
    // the wide call opens them the same on every system.
    const std::wstring op = win32::from_code_page(operation, win32::kJapanese);
    const std::wstring path = win32::from_code_page(file, win32::kJapanese);
    const std::wstring params = win32::from_code_page(parameters, win32::kJapanese);
    const std::wstring dir = win32::from_code_page(directory, win32::kJapanese);
    HINSTANCE result = ::ShellExecuteW(to_hwnd(owner), op.c_str(), path.c_str(), params.c_str(), dir.c_str(), show);
    return reinterpret_cast<std::intptr_t>(result);
}

void drag_accept_files(WindowId w, bool accept) { ::DragAcceptFiles(to_hwnd(w), accept); }

unsigned drag_count(DropId drop) { return ::DragQueryFileW(reinterpret_cast<HDROP>(drop), 0xFFFFFFFF, nullptr, 0); }

std::string drag_file(DropId drop, unsigned index) {
    HDROP h = reinterpret_cast<HDROP>(drop);
    // The length first, so that no path is ever cut.
    const UINT length = ::DragQueryFileW(h, index, nullptr, 0);
    if (length == 0) return {};
    std::wstring path(static_cast<std::size_t>(length) + 1, L'\0');
    const UINT got = ::DragQueryFileW(h, index, path.data(), length + 1);
    path.resize(std::min(got, length));
    return win32::narrow(path);
}

void drag_finish(DropId drop) { ::DragFinish(reinterpret_cast<HDROP>(drop)); }

bool tray_add(WindowId w, unsigned id, unsigned callback_msg, std::span<const std::uint8_t> icon_file,
              std::string_view tip) {
    HWND h = to_hwnd(w);
    win32::UniqueIcon icon;
    if (!icon_file.empty()) icon = win32::icon_from_file(icon_file);
    NOTIFYICONDATAW data = win32::notify_data(h, id);
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = callback_msg;
    data.hIcon = icon.get();
    win32::copy_tip(win32::widen(tip), data.szTip);
    auto& entries = win32::tray_entries();
    const auto key = std::make_pair(h, static_cast<UINT>(id));
    // After the taskbar was made anew the icon is added again; an icon the
    // shell still shows is changed instead.
    BOOL ok = ::Shell_NotifyIconW(NIM_ADD, &data);
    if (!ok && entries.count(key)) ok = ::Shell_NotifyIconW(NIM_MODIFY, &data);
    if (!ok) return false;
    // The previous icon of the entry goes only now that the shell shows the new one.
    entries[key].icon = std::move(icon);
    return true;
}

void tray_remove(WindowId w, unsigned id) {
    HWND h = to_hwnd(w);
    NOTIFYICONDATAW data = win32::notify_data(h, id);
    ::Shell_NotifyIconW(NIM_DELETE, &data);
    win32::tray_entries().erase({h, static_cast<UINT>(id)});
}

unsigned taskbar_created_message() {
    static const UINT message = ::RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

}  // namespace os
