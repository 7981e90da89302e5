#pragma once
// The sender side of completion callbacks, for every native function that works in the
// background: capture the page's window and callback on the UI thread, run the work on a
// thread of its own, and deliver each result to the page with the script-callback message.
// Workers never touch the engine; the window procedure converts the values on the UI thread.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <variant>

#include "engine_api.h"

namespace completion {

// Where results go: the calling page's own window and the callback exactly as the page gave it.
// While any copy of a target made by TargetOf or TargetFor lives, its callback counts as pending,
// and the host does not give the function up (see Pending).
struct Target {
  HWND window = nullptr;
  jsValue callback = 0;
  std::shared_ptr<const jsValue> hold;
};

// On the UI thread, inside a native function: the calling page's window and argument index's value.
Target TargetOf(jsExecState es, int callbackIndex);
Target TargetFor(HWND window, jsValue callback);
// True while some target of this callback value is alive (work still to report to it).
bool Pending(jsValue callback) noexcept;

// One callback argument: VT_INT, VT_R8, VT_BSTR or VT_UI8 (which reaches the page as undefined).
using Value = std::variant<int32_t, double, std::wstring, uint64_t>;

// From any thread: builds the list [window, callback, values...] and sends it; returns once the
// page's callback has run (or at once when the window is gone). False when memory ran out.
bool Send(const Target& target, std::initializer_list<Value> values) noexcept;

// Runs work on a new thread; false when no thread could be started (work is then not run).
bool StartWorker(std::function<void()> work) noexcept;

}  // namespace completion
