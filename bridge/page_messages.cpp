#include "page_messages.h"

#include <algorithm>
#include <iterator>

namespace page_messages {

namespace {

constexpr UINT kFirstHostMessage = 0x04D5;
constexpr UINT kLastHostMessage = 0x04D7;
constexpr UINT kSystemTimer = 0x0118;  // WM_TIMER's twin for carets and scroll bars

// Sorted. lParam or wParam is a pointer, a callback address, or a handle the receiver frees.
constexpr UINT kRefused[] = {
    WM_CREATE,             // CREATESTRUCT*
    WM_DESTROY,            // the window's record is released on it
    WM_SETTEXT,            // text pointer
    WM_GETTEXT,            // buffer written
    WM_QUIT,               // ends the main loop under open windows
    WM_SETTINGCHANGE,      // text pointer
    WM_DEVMODECHANGE,      // text pointer
    WM_GETMINMAXINFO,      // MINMAXINFO* written
    WM_DRAWITEM,           // DRAWITEMSTRUCT*
    WM_MEASUREITEM,        // MEASUREITEMSTRUCT* written
    WM_DELETEITEM,         // DELETEITEMSTRUCT*
    WM_COMPAREITEM,        // COMPAREITEMSTRUCT*
    WM_WINDOWPOSCHANGING,  // WINDOWPOS* written
    WM_WINDOWPOSCHANGED,   // WINDOWPOS*
    WM_COPYDATA,           // COPYDATASTRUCT*
    WM_NOTIFY,             // NMHDR*
    WM_HELP,               // HELPINFO*
    WM_STYLECHANGING,      // STYLESTRUCT* written
    WM_STYLECHANGED,       // STYLESTRUCT*
    WM_NCCREATE,           // CREATESTRUCT*
    WM_NCDESTROY,          // ends the window's life
    WM_NCCALCSIZE,         // RECT* or NCCALCSIZE_PARAMS* written
    WM_GETDLGCODE,         // MSG*
    WM_TIMER,              // lParam is a timer procedure the dispatcher calls
    kSystemTimer,          // likewise
    WM_MENUGETOBJECT,      // MENUGETOBJECTINFO*
    WM_NEXTMENU,           // MDINEXTMENU* written
    WM_SIZING,             // RECT* written
    WM_MOVING,             // RECT* written
    WM_DEVICECHANGE,       // DEV_BROADCAST_HDR*
    WM_MDICREATE,          // MDICREATESTRUCT*
    WM_DROPFILES,          // HDROP, freed by the receiver
    WM_IME_CONTROL,        // pointer for most commands
    WM_IME_REQUEST,        // RECONVERTSTRING* and others written
    WM_DPICHANGED,         // RECT*
    WM_ASKCBFORMATNAME,    // buffer written
    WM_GETTITLEBARINFOEX,  // TITLEBARINFOEX* written
};
static_assert(std::is_sorted(std::begin(kRefused), std::end(kRefused)));

}  // namespace

bool Allowed(UINT message) noexcept {
  if (message >= kFirstHostMessage && message <= kLastHostMessage) return false;
  return !std::binary_search(std::begin(kRefused), std::end(kRefused), message);
}

}  // namespace page_messages
