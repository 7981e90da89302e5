#pragma once
// Which window messages a page may send or post to the host's windows. Pages hand over plain
// numbers, so any message whose parameters the system or the host's window procedure reads as
// a pointer, a callback address or an object the receiver frees would let a page crash the
// program or write where it chooses; the host's own messages carry its callback lists.
#include <windows.h>

namespace page_messages {

// False for the host's private messages (0x04D5 to 0x04D7), WM_QUIT (only the main loop ends
// the main loop), the messages of a window's creation and destruction, and every message
// listed in page_messages.cpp whose parameters are pointers. Everything else, WM_USER-range
// numbers of a page's own included, passes.
bool Allowed(UINT message) noexcept;

}  // namespace page_messages
