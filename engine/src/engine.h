#pragma once
// Engine-wide state on the UI thread: the message-only window that carries timers, deferred
// work and network results, the live pages and the pages waiting to be freed.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

namespace page {
struct Page;
}

namespace engine {

constexpr UINT kMsgTasks = WM_APP + 0x31;
constexpr UINT kMsgFetched = WM_APP + 0x32;

bool Init();
void Shutdown();
bool Initialized();
HWND Window();

void AddPage(page::Page* p);
void RemovePage(page::Page* p);
page::Page* FindPage(uint32_t id);
void ForEachPage(const std::function<void(page::Page&)>& visit);
uint32_t NextPageId();

// Runs work later from the engine window, outside any script.
void PostTask(std::function<void()> task);
// Keeps a retired page until no script of it runs, then frees it.
void Bury(page::Page* p);
void Sweep(bool force);
// location.href = url: loads url into the page's view once the current script is done.
void Navigate(uint32_t pageId, const std::string& url);

}  // namespace engine
