#include "completion.h"

#include <memory>

#include "callback_list.h"
#include "script_values.h"
#include "window_tables.h"

namespace completion {

namespace {

DWORD WINAPI RunWorker(void* parameter) {
  std::unique_ptr<std::function<void()>> work(static_cast<std::function<void()>*>(parameter));
  try {
    (*work)();
  } catch (...) {}
  return 0;
}

}  // namespace

Target TargetOf(jsExecState es, int callbackIndex) {
  return Target{windows::OwnWindow(es), script::Arg(es, callbackIndex)};
}

bool Send(const Target& target, std::initializer_list<Value> values) noexcept {
  CallbackList* list = callbacks::NewList(target.window, target.callback);
  if (!list) return false;
  for (const Value& value : values) {
    bool appended = false;
    if (const auto* number = std::get_if<int32_t>(&value)) appended = callbacks::AppendInt(list, *number);
    else if (const auto* real = std::get_if<double>(&value)) appended = callbacks::AppendDouble(list, *real);
    else if (const auto* text = std::get_if<std::wstring>(&value)) appended = callbacks::AppendText(list, *text);
    else appended = callbacks::AppendUInt64(list, std::get<uint64_t>(value));
    if (!appended) {
      callbacks::Release(list);
      return false;
    }
  }
  callbacks::Deliver(list);
  return true;
}

bool StartWorker(std::function<void()> work) noexcept {
  try {
    auto* task = new std::function<void()>(std::move(work));
    const HANDLE thread = CreateThread(nullptr, 0, RunWorker, task, 0, nullptr);
    if (!thread) {
      delete task;
      return false;
    }
    CloseHandle(thread);
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace completion
