// The bare reference for the characters' walking cost: a plain Win32 program
// that does a tick's work as directly as Win32 allows, for the benchmark
// (bench/wine-cpu.sh) and the trail test to hold zimmo.exe against.
//
// Four borderless topmost windows named Mallo, Tibbet, Quon and Oswy at the
// characters' start places and sizes, each with its own 50 ms timer. A tick
// takes the capture, reads the cursor (Oswy: Tibbet's window), advances the
// frame counter, applies the dead zones and steps, and releases the capture.
// A moving tick hands the window one copy of the final frame's region, built
// once at start-up from the same frame bitmaps as the program's, and moves it
// once; WM_PAINT shows the frame with one blit. The windows are owned by a
// hidden window, so that none has a taskbar button.
#include <windows.h>

#include <cstdint>
#include <vector>

namespace {

struct Character {
    const wchar_t* name;
    const wchar_t* resource_prefix;
    int left, top, width, height;
    int up, down, left_bound, right_bound, step;
    HWND hwnd = nullptr;
    HBITMAP frames[12] = {};
    HRGN regions[12] = {};
    int shown = 0;  // the frame on the screen
    int counter = 0;
};

Character characters[4] = {
    {L"Mallo", L"MALLO_RGN", 0, -50, 132, 51, 0, 32, 0, 32, 3},
    {L"Tibbet", L"TIBBET_RGN", 480, -50, 123, 51, -24, 12, -24, 12, 2},
    {L"Quon", L"QUON_RGN", -50, 480, 123, 56, -48, 24, -48, 24, 4},
    {L"Oswy", L"OSWY_RGN", 992, 736, 123, 55, -12, 32, -12, 32, 2},
};

HDC memory_dc = nullptr;

// The region of a bitmap's pixels that differ from its bottom-left pixel.
HRGN region_of(HBITMAP bitmap) {
    BITMAP info{};
    GetObjectW(bitmap, sizeof info, &info);
    const int w = info.bmWidth, h = info.bmHeight;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> pixels(std::size_t(w) * h);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, h, pixels.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    const std::uint32_t key = pixels[std::size_t(h - 1) * w] & 0xFFFFFF;
    std::vector<RECT> rects;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w;) {
            while (x < w && (pixels[std::size_t(y) * w + x] & 0xFFFFFF) == key) ++x;
            const int start = x;
            while (x < w && (pixels[std::size_t(y) * w + x] & 0xFFFFFF) != key) ++x;
            if (x > start) rects.push_back(RECT{start, y, x, y + 1});
        }
    }
    std::vector<std::uint8_t> block(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
    auto* data = reinterpret_cast<RGNDATA*>(block.data());
    data->rdh.dwSize = sizeof(RGNDATAHEADER);
    data->rdh.iType = RDH_RECTANGLES;
    data->rdh.nCount = DWORD(rects.size());
    data->rdh.rcBound = RECT{0, 0, w, h};
    CopyMemory(data->Buffer, rects.data(), rects.size() * sizeof(RECT));
    return ExtCreateRegion(nullptr, DWORD(block.size()), data);
}

// Shows a frame: the window system gets its own copy of the prebuilt region.
void set_shape(Character& c, int frame) {
    HRGN copy = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(copy, c.regions[frame], nullptr, RGN_COPY);
    if (!SetWindowRgn(c.hwnd, copy, TRUE)) DeleteObject(copy);
    c.shown = frame;
}

void tick(Character& c) {
    SetCapture(c.hwnd);
    POINT target{};
    if (&c == &characters[3]) {
        RECT tibbet{};
        GetWindowRect(characters[1].hwnd, &tibbet);
        target = POINT{tibbet.left, tibbet.top};
    } else {
        GetCursorPos(&target);
    }
    if (++c.counter == 3) c.counter = 0;
    RECT r{};
    GetWindowRect(c.hwnd, &r);
    int x = r.left, y = r.top, frame = -1;
    if (target.y < y + c.up) {
        frame = 0 + c.counter;
        y -= c.step;
    }
    if (target.y > y + c.down) {
        frame = 3 + c.counter;
        y += c.step;
    }
    if (target.x < x + c.left_bound) {
        frame = 6 + c.counter;
        x -= c.step;
    }
    if (target.x > x + c.right_bound) {
        frame = 9 + c.counter;
        x += c.step;
    }
    if (frame >= 0) {
        set_shape(c, frame);  // as the program does on every moving tick
        SetWindowPos(c.hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ReleaseCapture();
}

Character* character_of(HWND h) { return reinterpret_cast<Character*>(GetWindowLongPtrW(h, GWLP_USERDATA)); }

LRESULT CALLBACK character_proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    Character* c = character_of(h);
    switch (msg) {
        case WM_TIMER:
            if (c) tick(*c);
            return 0;
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(h, &ps);
            if (c) {
                BITMAP info{};
                GetObjectW(c->frames[c->shown], sizeof info, &info);
                HGDIOBJ old = SelectObject(memory_dc, c->frames[c->shown]);
                BitBlt(dc, 0, 0, info.bmWidth, info.bmHeight, memory_dc, 0, 0, SRCCOPY);
                SelectObject(memory_dc, old);
            }
            EndPaint(h, &ps);
            return 0;
        }
        case WM_CLOSE: PostQuitMessage(0); return 0;
        default: return DefWindowProcW(h, msg, wp, lp);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    WNDCLASSW owner_class{};
    owner_class.lpfnWndProc = DefWindowProcW;
    owner_class.hInstance = instance;
    owner_class.lpszClassName = L"WalkRefOwner";
    RegisterClassW(&owner_class);
    HWND owner = CreateWindowExW(0, L"WalkRefOwner", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);

    WNDCLASSW wc{};
    wc.lpfnWndProc = character_proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_HAND);
    wc.lpszClassName = L"WalkRefCharacter";
    RegisterClassW(&wc);

    memory_dc = CreateCompatibleDC(nullptr);
    for (Character& c : characters) {
        for (int i = 0; i < 12; ++i) {
            wchar_t name[32];
            wsprintfW(name, L"%s%02d", c.resource_prefix, i + 1);
            c.frames[i] = static_cast<HBITMAP>(LoadImageW(instance, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
            if (!c.frames[i]) return 1;
            c.regions[i] = region_of(c.frames[i]);
        }
        c.hwnd = CreateWindowExW(WS_EX_TOPMOST, L"WalkRefCharacter", c.name, WS_POPUP, c.left, c.top, c.width,
                                 c.height, owner, nullptr, instance, nullptr);
        SetWindowLongPtrW(c.hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&c));
        set_shape(c, 0);
        ShowWindow(c.hwnd, SW_SHOWNOACTIVATE);
        SetTimer(c.hwnd, 1, 50, nullptr);
    }

    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    return 0;
}
