#include "window_functions.h"

#include <windows.h>

#include <algorithm>

#include "page_messages.h"
#include "script_values.h"
#include "web_view_window.h"
#include "window_tables.h"

namespace {

HWND WindowArg(jsExecState es, int index) { return windows::FlagOrOwn(es, script::Text(es, index)); }

WebViewWindow* RecordArg(jsExecState es, int index) { return windows::RecordOf(WindowArg(es, index)); }

int Clip(int value, int limit) { return std::max(0, std::min(value, limit)); }

// Writes one mask byte; a mask made for a smaller window is never written past its end.
void SetMaskByte(WebViewWindow* record, int x, int y, uint8_t code) {
  const size_t index = static_cast<size_t>(y) * static_cast<size_t>(record->width) + static_cast<size_t>(x);
  if (index < record->hitTestMask.size()) record->hitTestMask[index] = code;
}

using MessageBoxTimeoutW = int(WINAPI*)(HWND, LPCWSTR, LPCWSTR, UINT, WORD, DWORD);

MessageBoxTimeoutW FindMessageBoxTimeout() {
  static MessageBoxTimeoutW function = nullptr;
  if (!function) {
    if (HMODULE user32 = LoadLibraryA("user32.dll")) {
      function =
          reinterpret_cast<MessageBoxTimeoutW>(reinterpret_cast<void*>(GetProcAddress(user32, "MessageBoxTimeoutW")));
    }
  }
  return function;
}

}  // namespace

namespace hit_test {

void InitMask(WebViewWindow* record, int width, int height) {
  record->width = width;
  record->height = height;
  const size_t needed = static_cast<size_t>(std::max(0, width)) * static_cast<size_t>(std::max(0, height));
  if (record->hitTestMask.size() < needed) {
    record->hitTestMask.assign(needed, 0);
    record->maskWidth = width;
    record->maskHeight = height;
  }
  std::fill_n(record->hitTestMask.begin(), needed, 0);
}

void FillRect(WebViewWindow* record, int left, int top, int right, int bottom, uint8_t code) {
  if (record->hitTestMask.empty()) return;
  const int l = Clip(left, record->width);
  const int r = Clip(right, record->width);
  const int t = Clip(top, record->height);
  const int b = Clip(bottom, record->height);
  for (int y = t; y < b; ++y)
    for (int x = l; x < r; ++x) SetMaskByte(record, x, y, code);
}

void SetThickFrame(WebViewWindow* record, int left, int top, int right, int bottom) {
  record->thickFrame = RECT{left, top, right, bottom};
  if (record->hitTestMask.empty()) return;
  const int w = record->width;
  const int h = record->height;
  const int r = Clip(right, w);
  const int t = Clip(top, h);
  const int b = Clip(bottom, h);
  const int l = Clip(left, w);
  for (int y = 0; y < t; ++y)
    for (int x = 0; x < w; ++x) SetMaskByte(record, x, y, HTTOP);
  for (int y = h - b; y < h; ++y)
    for (int x = 0; x < w; ++x) SetMaskByte(record, x, y, HTBOTTOM);
  for (int y = 0; y < h; ++y) {
    const bool upper = y < t;
    const bool lower = y >= h - b;
    const uint8_t leftCode = upper ? HTTOPLEFT : (lower ? HTBOTTOMLEFT : HTLEFT);
    const uint8_t rightCode = upper ? HTTOPRIGHT : (lower ? HTBOTTOMRIGHT : HTRIGHT);
    for (int x = 0; x < l; ++x) SetMaskByte(record, x, y, leftCode);
    for (int x = w - r; x < w; ++x) SetMaskByte(record, x, y, rightCode);
  }
}

}  // namespace hit_test

namespace {

// The window procedure, instance, owner and user data are pointer-sized in a 64-bit process
// and only reachable whole through the ...LongPtr calls; styles and the identifier stay 32-bit
// values, read as LONG so that both builds give pages the same signed numbers.
bool HoldsPointer(int index) {
  constexpr int kWindowProcedure = -4, kInstance = -6, kOwner = -8, kUserData = -21;
  return sizeof(void*) == 8 &&
         (index == kWindowProcedure || index == kInstance || index == kOwner || index == kUserData);
}

}  // namespace

namespace natives {

jsValue Js_FindWindow(jsExecState es) {
  const std::wstring className = script::Text(es, 0);
  const std::wstring windowName = script::Text(es, 1);
  return script::HandleResult(FindWindowW(className.c_str(), windowName.c_str()));
}

jsValue Js_GetWindowRect(jsExecState es) {
  const HWND window = script::IsString(es, 0) ? WindowArg(es, 0) : static_cast<HWND>(script::HandleArg(es, 0));
  RECT rect{};
  GetWindowRect(window, &rect);
  return script::Record(es)
      .Set("left", script::Integer(rect.left))
      .Set("top", script::Integer(rect.top))
      .Set("right", script::Integer(rect.right))
      .Set("bottom", script::Integer(rect.bottom))
      .value();
}

jsValue Js_SetWindowText(jsExecState es) {
  const HWND window = WindowArg(es, 0);
  const std::wstring text = script::Text(es, 1);
  return script::Integer(SetWindowTextW(window, text.c_str()));
}

jsValue Js_GetWindowLong(jsExecState es) {
  const HWND window = WindowArg(es, 0);
  const int index = script::Int(es, 1);
  if (HoldsPointer(index)) return script::Number(static_cast<double>(GetWindowLongPtrW(window, index)));
  return script::Number(static_cast<double>(static_cast<LONG>(GetWindowLongW(window, index))));
}

jsValue Js_SetWindowLong(jsExecState es) {
  const HWND window = WindowArg(es, 0);
  const int index = script::Int(es, 1);
  if (HoldsPointer(index)) {
    const auto value = static_cast<LONG_PTR>(script::Address(es, 2));
    return script::Number(static_cast<double>(SetWindowLongPtrW(window, index, value)));
  }
  const auto value = static_cast<LONG>(script::Handle(es, 2));
  return script::Number(static_cast<double>(SetWindowLongW(window, index, value)));
}

jsValue Js_IsZoomed(jsExecState es) { return script::Integer(IsZoomed(WindowArg(es, 0))); }

jsValue Js_IsIconic(jsExecState es) { return script::Integer(IsIconic(WindowArg(es, 0))); }

jsValue Js_ShowWindow(jsExecState es) {
  const HWND window = WindowArg(es, 0);
  return script::Number(ShowWindow(window, script::Int(es, 1)));
}

jsValue Js_SendMessage(jsExecState es) {
  const HWND window = WindowArg(es, 0);
  const auto message = static_cast<UINT>(script::Int(es, 1));
  const auto wParam = static_cast<WPARAM>(static_cast<uint32_t>(script::Int(es, 2)));
  const auto lParam = static_cast<LPARAM>(script::Int(es, 3));
  if (!page_messages::Allowed(message)) return script::Number(0);
  return script::Number(static_cast<double>(SendMessageW(window, message, wParam, lParam)));
}

jsValue Js_SetFocus(jsExecState es) { return script::HandleResult(SetFocus(WindowArg(es, 0))); }

jsValue Js_SetCapture(jsExecState es) { return script::HandleResult(SetCapture(WindowArg(es, 0))); }

jsValue Js_ReleaseCapture(jsExecState) { return script::Number(ReleaseCapture()); }

jsValue Js_SetWindowMinTrackSize(jsExecState es) {
  if (WebViewWindow* record = RecordArg(es, 0)) record->minTrackSize = POINT{script::Int(es, 1), script::Int(es, 2)};
  return script::Undefined();
}

jsValue Js_MessageBoxTimeout(jsExecState es) {
  const MessageBoxTimeoutW messageBox = FindMessageBoxTimeout();
  if (!messageBox) return script::Undefined();
  const std::wstring text = script::Text(es, 0);
  const std::wstring caption = script::Text(es, 1);
  const auto type = static_cast<UINT>(script::Int(es, 2));
  const auto language = static_cast<WORD>(script::Int(es, 3));
  const auto milliseconds = static_cast<DWORD>(script::Int(es, 4));
  return script::Number(
      messageBox(windows::OwnWindow(es), text.c_str(), caption.c_str(), type, language, milliseconds));
}

jsValue Js_SetWindowHitTestCallBack(jsExecState es) {
  WebViewWindow* record = RecordArg(es, 0);
  if (!record) return script::Undefined();
  record->hitTestCallback = script::Arg(es, 1);
  engine::api.jsCall(es, record->hitTestCallback, engine::api.jsUndefined(), nullptr, 0);
  return script::Undefined();
}

jsValue Js_InitWindowHitTestData(jsExecState es) {
  WebViewWindow* record = RecordArg(es, 0);
  if (!record) return script::Undefined();
  GetWindowRect(record->window, &record->windowRect);
  hit_test::InitMask(record, record->windowRect.right - record->windowRect.left,
                     record->windowRect.bottom - record->windowRect.top);
  return script::Undefined();
}

jsValue Js_SetWindowDragRect(jsExecState es) {
  if (WebViewWindow* record = RecordArg(es, 0))
    hit_test::FillRect(record, script::Int(es, 1), script::Int(es, 2), script::Int(es, 3), script::Int(es, 4),
                       HTCAPTION);
  return script::Undefined();
}

jsValue Js_SetWindowNoDragRect(jsExecState es) {
  if (WebViewWindow* record = RecordArg(es, 0))
    hit_test::FillRect(record, script::Int(es, 1), script::Int(es, 2), script::Int(es, 3), script::Int(es, 4), 0);
  return script::Undefined();
}

jsValue Js_SetWindowThickFrame(jsExecState es) {
  if (WebViewWindow* record = RecordArg(es, 0))
    hit_test::SetThickFrame(record, script::Int(es, 1), script::Int(es, 2), script::Int(es, 3), script::Int(es, 4));
  return script::Undefined();
}

jsValue Js_SetFollowMove(jsExecState es) {
  const HWND leader = WindowArg(es, 0);
  const HWND follower = WindowArg(es, 1);
  const int enable = script::Int(es, 2);
  const int dx = script::Int(es, 3);
  const int dy = script::Int(es, 4);
  if (follower == leader) return script::Undefined();
  WebViewWindow* record = windows::RecordOf(leader);
  if (!record) return script::Undefined();
  // dy in the high half, dx in the low half, each as 16 bits: a negative dx must not borrow
  // from dy (-10, 0 packs as 0x0000FFF6, not 0xFFFFFFF6).
  if (enable) record->followers[follower] = (static_cast<uint32_t>(dy) << 16) | (static_cast<uint32_t>(dx) & 0xFFFFu);
  else record->followers.erase(follower);
  return script::Undefined();
}

}  // namespace natives
