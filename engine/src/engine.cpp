#include "engine.h"

#include <map>
#include <memory>
#include <vector>

#include "fetch.h"
#include "fonts.h"
#include "images.h"
#include "page.h"
#include "text.h"
#include "timers.h"
#include "view.h"

namespace engine {
namespace {

struct State {
  HWND window = nullptr;
  std::wstring className;
  bool initialized = false;
  std::map<uint32_t, page::Page*> pages;
  std::vector<page::Page*> graveyard;
  std::vector<std::function<void()>> tasks;
  bool tasksPosted = false;
  uint32_t nextPageId = 1;
};
State state;

void RunTasks() {
  state.tasksPosted = false;
  std::vector<std::function<void()>> tasks;
  tasks.swap(state.tasks);
  for (auto& task : tasks) {
    try {
      task();
    } catch (...) {
    }
  }
  Sweep(false);
  view::Sweep(false);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  try {
    switch (msg) {
      case WM_TIMER:
        timers::Fired(static_cast<uintptr_t>(wParam));
        return 0;
      case kMsgTasks:
        RunTasks();
        return 0;
      case kMsgFetched:
        fetch::Delivered(reinterpret_cast<fetch::Job*>(lParam));
        return 0;
      default:
        break;
    }
  } catch (...) {
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

bool Init() {
  if (state.initialized) return true;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  // A name of our own per engine instance: the engine may be loaded from memory, so its
  // module handle is no registered module to tie the class to.
  state.className = L"webshell.engine." + std::to_wstring(GetCurrentProcessId()) + L"." +
                    std::to_wstring(reinterpret_cast<uintptr_t>(&state));
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.lpszClassName = state.className.c_str();
  if (!RegisterClassExW(&wc)) return false;
  state.window = CreateWindowExW(0, state.className.c_str(), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
  if (!state.window) {
    UnregisterClassW(state.className.c_str(), instance);
    return false;
  }
  fetch::Init();
  state.initialized = true;
  return true;
}

void Shutdown() {
  if (!state.initialized) return;
  view::Sweep(true);
  std::vector<page::Page*> remaining;
  for (auto& [id, p] : state.pages) remaining.push_back(p);
  for (page::Page* p : remaining) {
    if (!p->retired) page::Retire(p);
  }
  Sweep(true);
  fetch::Shutdown();
  fonts::Release();
  images::Release();
  state.tasks.clear();
  DestroyWindow(state.window);
  state.window = nullptr;
  UnregisterClassW(state.className.c_str(), GetModuleHandleW(nullptr));
  state.initialized = false;
}

bool Initialized() { return state.initialized; }
HWND Window() { return state.window; }

void AddPage(page::Page* p) { state.pages[p->id] = p; }
void RemovePage(page::Page* p) { state.pages.erase(p->id); }

page::Page* FindPage(uint32_t id) {
  auto it = state.pages.find(id);
  return it == state.pages.end() ? nullptr : it->second;
}

void ForEachPage(const std::function<void(page::Page&)>& visit) {
  std::vector<page::Page*> all;
  for (auto& [id, p] : state.pages) {
    if (!p->retired) all.push_back(p);
  }
  for (page::Page* p : all) visit(*p);
}

uint32_t NextPageId() {
  uint32_t id = state.nextPageId++;
  if (state.nextPageId == 0) state.nextPageId = 1;
  return id;
}

void PostTask(std::function<void()> task) {
  state.tasks.push_back(std::move(task));
  if (!state.tasksPosted && state.window) state.tasksPosted = PostMessageW(state.window, kMsgTasks, 0, 0) != 0;
}

void Bury(page::Page* p) {
  state.graveyard.push_back(p);
  PostTask([] {});
}

void Sweep(bool force) {
  std::vector<page::Page*> keep;
  std::vector<page::Page*> dead;
  for (page::Page* p : state.graveyard) {
    if (force || p->activeDepth == 0) dead.push_back(p);
    else keep.push_back(p);
  }
  state.graveyard.swap(keep);
  for (page::Page* p : dead) page::Destroy(p);
}

void Navigate(uint32_t pageId, const std::string& url) {
  PostTask([pageId, url] {
    page::Page* p = FindPage(pageId);
    if (!p || p->retired || !p->view) return;
    std::wstring target = text::CesuToWide(url);
    if (url.rfind("http:", 0) == 0 || url.rfind("https:", 0) == 0) p->view->loadURL(target.c_str());
    else p->view->loadFile(target.c_str());
  });
}

}  // namespace engine
