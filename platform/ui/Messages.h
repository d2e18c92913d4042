// Message records and numbers: the Windows messages the controls handle and
// the class library's own control messages (CM_xxx, from 0xB000).
#pragma once
#include "platform/core/Types.h"

struct TMessage {
    win::UINT Msg = 0;
    win::WPARAM WParam = 0;
    win::LPARAM LParam = 0;
    win::LRESULT Result = 0;
};

// Client coordinates packed into a mouse message's lParam.
inline int MessageX(win::LPARAM lp) { return static_cast<short>(lp & 0xFFFF); }
inline int MessageY(win::LPARAM lp) { return static_cast<short>((lp >> 16) & 0xFFFF); }
inline win::LPARAM PackPoint(int x, int y) {
    return static_cast<win::LPARAM>((static_cast<std::uint32_t>(static_cast<std::uint16_t>(y)) << 16) |
                                    static_cast<std::uint16_t>(x));
}

namespace win {
// Each constant is declared only where <windows.h> has not defined it.
#ifndef WM_CREATE
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_MOVE = 0x0003;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_ENABLE = 0x000A;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_ERASEBKGND = 0x0014;
constexpr UINT WM_SHOWWINDOW = 0x0018;
constexpr UINT WM_SETCURSOR = 0x0020;
constexpr UINT WM_CONTEXTMENU = 0x007B;
constexpr UINT WM_NCHITTEST = 0x0084;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_RBUTTONDBLCLK = 0x0206;
constexpr UINT WM_MBUTTONDOWN = 0x0207;
constexpr UINT WM_MBUTTONUP = 0x0208;
constexpr UINT WM_MBUTTONDBLCLK = 0x0209;
constexpr UINT WM_DROPFILES = 0x0233;
constexpr UINT WM_USER = 0x0400;
#endif
#ifndef WM_SYSCOLORCHANGE
constexpr UINT WM_SYSCOLORCHANGE = 0x0015;
#endif
#ifndef WM_MOUSELEAVE
constexpr UINT WM_MOUSELEAVE = 0x02A3;
#endif
#ifndef WM_SYSCHAR
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_SYSKEYUP = 0x0105;
constexpr UINT WM_SYSCHAR = 0x0106;
#endif
#ifndef HTCLIENT
constexpr LRESULT HTTRANSPARENT = -1;
constexpr LRESULT HTCLIENT = 1;
constexpr LRESULT HTCAPTION = 2;
#endif
#ifndef MK_LBUTTON
constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;
constexpr WPARAM MK_MBUTTON = 0x0010;
#endif
#ifndef VK_SPACE
constexpr int VK_BACK = 0x08;
constexpr int VK_TAB = 0x09;
constexpr int VK_RETURN = 0x0D;
constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_SPACE = 0x20;
#endif
#ifndef SW_SHOW
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOW = 5;
#endif
}  // namespace win

// The class library's control messages.
constexpr win::UINT CM_BASE = 0xB000;
constexpr win::UINT CM_ACTIVATE = CM_BASE + 0x00;
constexpr win::UINT CM_DEACTIVATE = CM_BASE + 0x01;
constexpr win::UINT CM_GOTFOCUS = CM_BASE + 0x02;
constexpr win::UINT CM_LOSTFOCUS = CM_BASE + 0x03;
constexpr win::UINT CM_CANCELMODE = CM_BASE + 0x04;
constexpr win::UINT CM_DIALOGKEY = CM_BASE + 0x05;
constexpr win::UINT CM_DIALOGCHAR = CM_BASE + 0x06;
constexpr win::UINT CM_FOCUSCHANGED = CM_BASE + 0x07;
constexpr win::UINT CM_PARENTFONTCHANGED = CM_BASE + 0x08;
constexpr win::UINT CM_PARENTCOLORCHANGED = CM_BASE + 0x09;
constexpr win::UINT CM_HITTEST = CM_BASE + 0x0A;
constexpr win::UINT CM_VISIBLECHANGED = CM_BASE + 0x0B;
constexpr win::UINT CM_ENABLEDCHANGED = CM_BASE + 0x0C;
constexpr win::UINT CM_COLORCHANGED = CM_BASE + 0x0D;
constexpr win::UINT CM_FONTCHANGED = CM_BASE + 0x0E;
constexpr win::UINT CM_CURSORCHANGED = CM_BASE + 0x0F;
constexpr win::UINT CM_CTL3DCHANGED = CM_BASE + 0x10;
constexpr win::UINT CM_PARENTCTL3DCHANGED = CM_BASE + 0x11;
constexpr win::UINT CM_TEXTCHANGED = CM_BASE + 0x12;
constexpr win::UINT CM_MOUSEENTER = CM_BASE + 0x13;
constexpr win::UINT CM_MOUSELEAVE = CM_BASE + 0x14;
constexpr win::UINT CM_MENUCHANGED = CM_BASE + 0x15;
constexpr win::UINT CM_APPKEYDOWN = CM_BASE + 0x16;
constexpr win::UINT CM_APPSYSCOMMAND = CM_BASE + 0x17;
constexpr win::UINT CM_BUTTONPRESSED = CM_BASE + 0x18;
constexpr win::UINT CM_SHOWINGCHANGED = CM_BASE + 0x19;
constexpr win::UINT CM_ENTER = CM_BASE + 0x1A;
constexpr win::UINT CM_EXIT = CM_BASE + 0x1B;
constexpr win::UINT CM_DESIGNHITTEST = CM_BASE + 0x1C;
constexpr win::UINT CM_ICONCHANGED = CM_BASE + 0x1D;
constexpr win::UINT CM_WANTSPECIALKEY = CM_BASE + 0x1E;
constexpr win::UINT CM_INVOKEHELP = CM_BASE + 0x1F;
constexpr win::UINT CM_WINDOWHOOK = CM_BASE + 0x20;
constexpr win::UINT CM_RELEASE = CM_BASE + 0x21;
constexpr win::UINT CM_SHOWHINTCHANGED = CM_BASE + 0x22;
constexpr win::UINT CM_PARENTSHOWHINTCHANGED = CM_BASE + 0x23;
constexpr win::UINT CM_SYSCOLORCHANGE = CM_BASE + 0x24;
