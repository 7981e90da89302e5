#include "completion.h"

#include <memory>
#include <new>
#include <set>

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

SRWLOCK pendingLock = SRWLOCK_INIT;

std::multiset<jsValue>& PendingCallbacks() {
  static std::multiset<jsValue> callbacks;
  return callbacks;
}

void EndPending(const jsValue* callback) noexcept {
  AcquireSRWLockExclusive(&pendingLock);
  auto& pending = PendingCallbacks();
  if (const auto found = pending.find(*callback); found != pending.end()) pending.erase(found);
  ReleaseSRWLockExclusive(&pendingLock);
  delete callback;
}

}  // namespace

Target TargetFor(HWND window, jsValue callback) {
  // Should the hold itself not be made after counting, the count stays: the function is then
  // never given up and stays pinned with its page, as callbacks always were.
  AcquireSRWLockExclusive(&pendingLock);
  bool counted = true;
  try {
    PendingCallbacks().insert(callback);
  } catch (...) {
    counted = false;
  }
  ReleaseSRWLockExclusive(&pendingLock);
  if (!counted) throw std::bad_alloc();
  return Target{window, callback, std::shared_ptr<const jsValue>(new jsValue(callback), EndPending)};
}

Target TargetOf(jsExecState es, int callbackIndex) {
  return TargetFor(windows::OwnWindow(es), script::Arg(es, callbackIndex));
}

bool Pending(jsValue callback) noexcept {
  AcquireSRWLockShared(&pendingLock);
  const bool pending = PendingCallbacks().count(callback) != 0;
  ReleaseSRWLockShared(&pendingLock);
  return pending;
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
