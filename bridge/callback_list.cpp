#include "callback_list.h"

#include <oleauto.h>

#include <new>
#include <set>
#include <vector>

struct CallbackList {
  volatile LONG references = 1;
  bool sending = false;  // between SendTo's send and the receiver's claim; under the live lock
  std::vector<VARIANT> items;
  VARIANT empty{};
};

namespace callbacks {

namespace {

// Every list alive in the process. A receiver touches a list only after finding it here, so a
// number that merely looks like a list is never read as one.
SRWLOCK liveLock = SRWLOCK_INIT;

std::set<const CallbackList*>& LiveLists() {
  static std::set<const CallbackList*> lists;
  return lists;
}

bool Enter(const CallbackList* list) noexcept {
  AcquireSRWLockExclusive(&liveLock);
  bool entered = true;
  try {
    LiveLists().insert(list);
  } catch (...) {
    entered = false;
  }
  ReleaseSRWLockExclusive(&liveLock);
  return entered;
}

void Leave(const CallbackList* list) noexcept {
  AcquireSRWLockExclusive(&liveLock);
  LiveLists().erase(list);
  ReleaseSRWLockExclusive(&liveLock);
}

bool Append(CallbackList* list, const VARIANT& item) noexcept {
  try {
    list->items.push_back(item);
    return true;
  } catch (...) {
    VARIANT copy = item;
    VariantClear(&copy);
    return false;
  }
}

VARIANT UInt64Item(uint64_t value) {
  VARIANT item;
  VariantInit(&item);
  item.vt = VT_UI8;
  item.ullVal = value;
  return item;
}

void Destroy(CallbackList* list) noexcept {
  Leave(list);
  for (VARIANT& item : list->items) {
    if (item.vt == (VT_UI1 | VT_BYREF)) {
      delete[] item.pbVal;
      item.vt = VT_EMPTY;
    } else {
      VariantClear(&item);
    }
  }
  VariantClear(&list->empty);
  delete list;
}

}  // namespace

CallbackList* NewList(HWND window, jsValue callback) noexcept {
  auto* list = new (std::nothrow) CallbackList();
  if (!list) return nullptr;
  VariantInit(&list->empty);
  if (!Enter(list)) {
    delete list;
    return nullptr;
  }
  // The window handle is sign-extended to 64 bits, as the handle value would be in a 64-bit process.
  const auto handle = static_cast<int64_t>(static_cast<int32_t>(reinterpret_cast<intptr_t>(window)));
  if (!Append(list, UInt64Item(static_cast<uint64_t>(handle))) ||
      !Append(list, UInt64Item(static_cast<uint64_t>(callback)))) {
    Destroy(list);
    return nullptr;
  }
  return list;
}

void AddReference(CallbackList* list) noexcept { InterlockedIncrement(&list->references); }

void Release(CallbackList* list) noexcept {
  if (list && InterlockedDecrement(&list->references) == 0) Destroy(list);
}

bool AppendInt(CallbackList* list, int32_t value) noexcept {
  VARIANT item;
  VariantInit(&item);
  item.vt = VT_INT;
  item.intVal = value;
  return Append(list, item);
}

bool AppendDouble(CallbackList* list, double value) noexcept {
  VARIANT item;
  VariantInit(&item);
  item.vt = VT_R8;
  item.dblVal = value;
  return Append(list, item);
}

bool AppendText(CallbackList* list, std::wstring_view text) noexcept {
  VARIANT item;
  VariantInit(&item);
  item.vt = VT_BSTR;
  item.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  if (!item.bstrVal) return false;
  return Append(list, item);
}

bool AppendUInt64(CallbackList* list, uint64_t value) noexcept { return Append(list, UInt64Item(value)); }

bool AppendBuffer(CallbackList* list, uint8_t* buffer) noexcept {
  VARIANT item;
  VariantInit(&item);
  item.vt = VT_UI1 | VT_BYREF;
  item.pbVal = buffer;
  if (Append(list, item)) return true;
  delete[] buffer;
  return false;
}

uint32_t Count(const CallbackList* list) noexcept { return static_cast<uint32_t>(list->items.size()); }

const VARIANT& Item(const CallbackList* list, uint32_t index) noexcept {
  return index < list->items.size() ? list->items[index] : list->empty;
}

HWND TargetWindow(const CallbackList* list) noexcept {
  return reinterpret_cast<HWND>(static_cast<uintptr_t>(Item(list, 0).ullVal));
}

jsValue CallbackValue(const CallbackList* list) noexcept {
  const VARIANT& item = Item(list, 1);
  return item.vt == VT_UI8 ? static_cast<jsValue>(item.ullVal) : 0;
}

bool SendTo(HWND window, UINT message, CallbackList* list) noexcept {
  // The extra reference keeps the list readable here after a receiver has claimed and
  // released it; whether it was claimed is read from the list, not from the answer, which
  // any window the handle may name by now can give.
  AddReference(list);
  AcquireSRWLockExclusive(&liveLock);
  list->sending = true;
  ReleaseSRWLockExclusive(&liveLock);
  SendMessageW(window, message, reinterpret_cast<WPARAM>(list), 0);
  AcquireSRWLockExclusive(&liveLock);
  const bool claimed = !list->sending;
  list->sending = false;
  ReleaseSRWLockExclusive(&liveLock);
  Release(list);
  return claimed;
}

void Deliver(CallbackList* list) noexcept {
  if (!SendTo(TargetWindow(list), kScriptCallbackMessage, list)) Release(list);
}

CallbackList* Claim(WPARAM wParam) noexcept {
  auto* candidate = reinterpret_cast<CallbackList*>(wParam);
  CallbackList* claimed = nullptr;
  AcquireSRWLockExclusive(&liveLock);
  if (candidate && LiveLists().count(candidate) && candidate->sending) {
    candidate->sending = false;
    claimed = candidate;
  }
  ReleaseSRWLockExclusive(&liveLock);
  return claimed;
}

void Run(jsExecState es, CallbackList* list) noexcept {
  try {
    const jsValue callback = CallbackValue(list);
    const int declared = engine::api.jsGetLength(es, callback);
    std::vector<jsValue> values(declared > 0 ? static_cast<size_t>(declared) : 0);
    for (size_t i = 0; i < values.size(); ++i) {
      const VARIANT& item = Item(list, static_cast<uint32_t>(i + 2));
      switch (item.vt) {
        case VT_UI4: values[i] = engine::api.jsInt(static_cast<int>(item.ulVal)); break;
        case VT_INT: values[i] = engine::api.jsInt(item.intVal); break;
        case VT_UINT: values[i] = engine::api.jsInt(static_cast<int>(item.uintVal)); break;
        case VT_R8: values[i] = engine::api.jsDouble(item.dblVal); break;
        case VT_BSTR: values[i] = engine::api.jsStringW(es, item.bstrVal ? item.bstrVal : L""); break;
        default: values[i] = engine::api.jsUndefined(); break;
      }
    }
    engine::api.jsCall(es, callback, engine::api.jsUndefined(), values.data(), static_cast<int>(values.size()));
  } catch (...) {}
  Release(list);
}

}  // namespace callbacks
