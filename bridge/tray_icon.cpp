#include "tray_icon.h"

#include <shellapi.h>

#include "callback_natives.h"
#include "host/startup_state.h"
#include "script_values.h"
#include "web_view_window.h"
#include "window_tables.h"

namespace tray {

namespace {

using engine::api;

constexpr UINT kTrackedFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
// The first shell structure has room for 63 tooltip characters only.
constexpr size_t kFirstTipUnits = 63;

bool ModernShell() { return HIWORD(startup::Get().osVersionWord) >= 6; }

HICON ProgramIcon() { return LoadIconW(GetModuleHandleW(nullptr), L"IDR_MAINFRAM"); }

NOTIFYICONDATAW Record(HWND window) {
  NOTIFYICONDATAW data{};
  data.cbSize = StructureSize(startup::Get().osVersionWord);
  data.hWnd = window;
  data.uID = kIconId;
  data.uCallbackMessage = kTrayMessage;
  data.hIcon = ProgramIcon();
  if (ModernShell()) {
    data.uVersion = NOTIFYICON_VERSION_4;
    data.hBalloonIcon = data.hIcon;
  }
  return data;
}

void SetTip(NOTIFYICONDATAW& data, std::wstring_view tip) {
  const bool first = data.cbSize < NOTIFYICONDATAW_V2_SIZE;
  CopyBounded(data.szTip, first ? kFirstTipUnits : kTipUnits, tip);
}

// A missing or non-numeric property counts as 0; numbers are cut toward zero.
UINT NumberOf(jsExecState es, jsValue options, const char* name) {
  const jsValue value = api.jsGet(es, options, name);
  if (api.jsIsUndefined(value)) return 0;
  return script::HandleFromNumber(api.jsToDouble(es, value));
}

bool TextOf(jsExecState es, jsValue options, const char* name, std::wstring& text) {
  const jsValue value = api.jsGet(es, options, name);
  if (api.jsIsUndefined(value)) return false;
  const wchar_t* chars = api.jsToStringW(es, value);
  text = chars ? chars : L"";
  return true;
}

// Shows the icon and, on a shell that knows them, asks for the newer notifications (lParam:
// mouse message in the low word, icon id in the high word). Setting the version needs the
// icon to exist, so it follows a successful add too.
bool Send(DWORD code, NOTIFYICONDATAW& data) {
  if (!ModernShell()) return Shell_NotifyIconW(code, &data) != FALSE;
  Shell_NotifyIconW(NIM_SETVERSION, &data);
  const bool done = Shell_NotifyIconW(code, &data) != FALSE;
  if (done && code == NIM_ADD) Shell_NotifyIconW(NIM_SETVERSION, &data);
  return done;
}

}  // namespace

DWORD StructureSize(uint32_t osVersionWord) {
  // The sizes as this build lays the structure out (956, 952 and 152 bytes in a 32-bit program).
  if (HIWORD(osVersionWord) >= 6) return sizeof(NOTIFYICONDATAW);
  if (LOWORD(osVersionWord) >= 1) return NOTIFYICONDATAW_V3_SIZE;
  return NOTIFYICONDATAW_V1_SIZE;
}

void CopyBounded(wchar_t* member, size_t capacity, std::wstring_view text) {
  size_t size = text.size() < capacity ? text.size() : capacity;
  if (size < text.size() && size > 0 && IS_HIGH_SURROGATE(text[size - 1])) --size;
  text.copy(member, size);
  member[size] = 0;
}

UINT TaskbarCreatedMessage() {
  static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
  return message;
}

void AcceptTaskbarCreated(HWND window) {
  using Filter = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
  static const auto filter = reinterpret_cast<Filter>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "ChangeWindowMessageFilterEx")));
  const UINT message = TaskbarCreatedMessage();
  if (filter && message) filter(window, message, 1 /* MSGFLT_ALLOW */, nullptr);
}

void OnTrayMessage(WebViewWindow* record, LPARAM lParam) {
  const uint32_t mouseMessage = LOWORD(lParam);
  const auto found = record->trayCallbacks.find(mouseMessage);
  if (found == record->trayCallbacks.end() || !record->view) return;
  api.jsCall(record->view->globalExec(), found->second, api.jsUndefined(), nullptr, 0);
}

void OnTaskbarCreated(WebViewWindow* record) {
  if (!record->trayShown || !record->window) return;
  NOTIFYICONDATAW data = Record(record->window);
  data.uFlags = record->trayFlags;
  SetTip(data, record->trayTip);
  Send(NIM_ADD, data);
}

void Remove(HWND window) {
  if (!window) return;
  NOTIFYICONDATAW data{};
  data.cbSize = StructureSize(startup::Get().osVersionWord);
  data.hWnd = window;
  data.uID = kIconId;
  Shell_NotifyIconW(NIM_DELETE, &data);
}

}  // namespace tray

namespace natives {

jsValue Js_ShellNotifyIcon(jsExecState es) {
  using engine::api;
  WebViewWindow* record = windows::RecordOf(windows::FlagOrOwn(es, script::Text(es, 0)));
  if (!record || !record->window) return script::Undefined();
  const jsValue options = script::Arg(es, 1);

  NOTIFYICONDATAW data = tray::Record(record->window);
  const DWORD code = tray::NumberOf(es, options, "NIM_contrl_code");
  data.uFlags = tray::NumberOf(es, options, "uFlags");
  data.dwInfoFlags = tray::NumberOf(es, options, "dwInfoFlags");
  std::wstring tip;
  const bool hasTip = tray::TextOf(es, options, "szTip", tip);
  tray::SetTip(data, tip);
  std::wstring text;
  if (tray::TextOf(es, options, "szInfoTitle", text)) tray::CopyBounded(data.szInfoTitle, tray::kInfoTitleUnits, text);
  if (tray::TextOf(es, options, "szInfo", text)) tray::CopyBounded(data.szInfo, tray::kInfoUnits, text);
  for (uint32_t message = WM_LBUTTONDOWN; message <= WM_RBUTTONUP; ++message) {
    const std::string name = "MessageJSCallBack_" + std::to_string(message);
    const jsValue callback = api.jsGet(es, options, name.c_str());
    if (api.jsTypeOf(callback) != JSTYPE_FUNCTION) continue;
    jsValue& slot = record->trayCallbacks[message];
    const jsValue replaced = slot;
    slot = callback;
    if (replaced && replaced != callback) window_callbacks::GiveUpReplaced(record->window, replaced);
  }

  record->trayUsed = true;
  const bool done = tray::Send(code, data);
  const UINT tracked = data.uFlags & tray::kTrackedFlags;
  if (code == NIM_DELETE) {
    record->trayShown = false;
  } else if (done && (code == NIM_ADD || code == NIM_MODIFY)) {
    if (code == NIM_ADD) {
      record->trayShown = true;
      record->trayFlags = tracked;
      record->trayTip.clear();
    } else {
      record->trayFlags |= tracked;
    }
    if ((data.uFlags & NIF_TIP) && hasTip) record->trayTip = data.szTip;
  }
  return script::Undefined();
}

}  // namespace natives
