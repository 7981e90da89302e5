#include "runtime/runtime.h"

#include <map>
#include <string>
#include <vector>

namespace runtime {
namespace {

constexpr UINT kMsgTasks = WM_APP + 0x31;

struct State {
  HWND window = nullptr;
  std::wstring className;
  bool initialized = false;
  std::vector<std::function<void()>> tasks;
  bool tasksPosted = false;
  std::map<UINT, std::function<void(WPARAM, LPARAM)>> handlers;
  std::vector<std::function<void()>> sweepers;
  std::function<void()> workDone;
};
State state;

void RunTasks() {
  state.tasksPosted = false;
  std::vector<std::function<void()>> tasks;
  tasks.swap(state.tasks);
  for (auto& task : tasks) {
    try {
      task();
    } catch (...) {}
  }
  for (auto& sweep : state.sweepers) sweep();
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  try {
    bool handled = false;
    if (msg == kMsgTasks) {
      RunTasks();
      handled = true;
    } else if (auto handler = state.handlers.find(msg); handler != state.handlers.end()) {
      handler->second(wParam, lParam);
      handled = true;
    }
    if (handled) {
      if (state.workDone) state.workDone();
      return 0;
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
  state.window =
      CreateWindowExW(0, state.className.c_str(), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
  if (!state.window) {
    UnregisterClassW(state.className.c_str(), instance);
    return false;
  }
  state.initialized = true;
  return true;
}

void Shutdown() {
  if (!state.initialized) return;
  state.tasks.clear();
  state.tasksPosted = false;
  state.handlers.clear();
  state.sweepers.clear();
  state.workDone = nullptr;
  DestroyWindow(state.window);
  state.window = nullptr;
  UnregisterClassW(state.className.c_str(), GetModuleHandleW(nullptr));
  state.initialized = false;
}

bool Initialized() { return state.initialized; }
HWND Window() { return state.window; }

void SetHandler(UINT msg, std::function<void(WPARAM, LPARAM)> handler) { state.handlers[msg] = std::move(handler); }

void AddSweeper(std::function<void()> sweep) { state.sweepers.push_back(std::move(sweep)); }

void SetWorkDoneHandler(std::function<void()> handler) { state.workDone = std::move(handler); }

void PostTask(std::function<void()> task) {
  state.tasks.push_back(std::move(task));
  if (!state.tasksPosted && state.window) state.tasksPosted = PostMessageW(state.window, kMsgTasks, 0, 0) != 0;
}

}  // namespace runtime
