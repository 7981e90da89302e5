#include "web_view_window.h"

#include <imm.h>
#include <shellapi.h>
#include <windowsx.h>

#include <cstring>
#include <new>

#include "base/trace.h"
#include "callback_list.h"
#include "callback_natives.h"
#include "tray_icon.h"
#include "window_tables.h"

namespace webview {

namespace {

FileListReceiver fileListReceiver = nullptr;

// Rebuilds the pixel buffer for the window's current size and tells the view the new size.
void RecreatePixelBuffer(WebViewWindow* record) {
  record->extendedStyle = static_cast<DWORD>(GetWindowLongW(record->window, GWL_EXSTYLE));
  GetWindowRect(record->window, &record->windowRect);
  record->width = record->windowRect.right - record->windowRect.left;
  record->height = record->windowRect.bottom - record->windowRect.top;
  if (record->view) record->view->resize(record->width, record->height);

  // The DC goes first: a bitmap still selected into a DC cannot be deleted.
  record->memoryDc.reset(CreateCompatibleDC(nullptr));
  record->pixelBitmap.reset();
  record->pixels = nullptr;

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = record->width;
  info.bmiHeader.biHeight = -record->height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  record->pixelBitmap.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (record->pixelBitmap && record->memoryDc) {
    SelectObject(record->memoryDc.get(), record->pixelBitmap.get());
    record->pixels = static_cast<uint32_t*>(bits);
  }
}

void PaintNow(WebViewWindow* record) {
  PAINTSTRUCT paint{};
  BeginPaint(record->window, &paint);
  if (record->view) record->view->setDirty(true);
  PaintStep(record);
  EndPaint(record->window, &paint);
}

// Start-up measurements and automation can wait for the first frame on screen: when
// WEBSHELL_FIRST_FRAME_EVENT names an event, it is set once, after the first presentation.
void SignalFirstFrame() {
  static bool signalled = false;
  if (signalled) return;
  signalled = true;
  wchar_t name[MAX_PATH] = {};
  if (!GetEnvironmentVariableW(L"WEBSHELL_FIRST_FRAME_EVENT", name, MAX_PATH)) return;
  const win::KernelHandle event(OpenEventW(EVENT_MODIFY_STATE, FALSE, name));
  if (event) SetEvent(event.get());
}

unsigned MouseFlags(WPARAM wParam) {
  return static_cast<unsigned>(wParam) & (MK_LBUTTON | MK_RBUTTON | MK_SHIFT | MK_CONTROL | MK_MBUTTON);
}

unsigned KeyFlags(LPARAM lParam) {
  const unsigned high = HIWORD(lParam);
  unsigned flags = 0;
  if (high & KF_REPEAT) flags |= KF_REPEAT;
  if (high & KF_EXTENDED) flags |= KF_EXTENDED;
  return flags;
}

LRESULT HitTest(WebViewWindow* record, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  RECT rect{};
  GetWindowRect(window, &rect);
  const int x = GET_X_LPARAM(lParam) - rect.left;
  const int y = GET_Y_LPARAM(lParam) - rect.top;
  const int w = record->width;
  const int h = record->height;
  if (!record->hitTestMask.empty()) {
    if (x < 0 || y < 0 || x >= w || y >= h) return DefWindowProcW(window, message, wParam, lParam);
    const size_t index = static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x);
    // A mask made for a smaller window does not cover every pixel of a grown one.
    if (index >= record->hitTestMask.size()) return DefWindowProcW(window, message, wParam, lParam);
    const uint8_t code = record->hitTestMask[index];
    return code ? code : DefWindowProcW(window, message, wParam, lParam);
  }
  const RECT& frame = record->thickFrame;
  if (frame.left == 0 && frame.top == 0 && frame.right == 0 && frame.bottom == 0)
    return DefWindowProcW(window, message, wParam, lParam);
  const bool left = x <= frame.left;
  const bool right = x >= w - frame.right;
  const bool top = y <= frame.top;
  const bool bottom = y >= h - frame.bottom;
  if (left && top) return HTTOPLEFT;
  if (right && top) return HTTOPRIGHT;
  if (left && bottom) return HTBOTTOMLEFT;
  if (right && bottom) return HTBOTTOMRIGHT;
  if (left) return HTLEFT;
  if (right) return HTRIGHT;
  if (top) return HTTOP;
  if (bottom) return HTBOTTOM;
  return DefWindowProcW(window, message, wParam, lParam);
}

void PlaceImeWindows(WebViewWindow* record, HWND window) {
  wkeRect caret{};
  if (record->view) {
    if (const wkeRect* current = record->view->getCaret()) caret = *current;
  }
  HIMC context = ImmGetContext(window);
  CANDIDATEFORM candidate{};
  candidate.dwIndex = 0;
  candidate.dwStyle = CFS_EXCLUDE;
  candidate.ptCurrentPos = {caret.x, caret.y + caret.h};
  candidate.rcArea = {caret.x, caret.y, caret.x + caret.w, caret.y + caret.h};
  ImmSetCandidateWindow(context, &candidate);
  COMPOSITIONFORM composition{};
  composition.dwStyle = CFS_POINT;
  composition.ptCurrentPos = {caret.x, caret.y + caret.h};
  composition.rcArea = {caret.x, caret.y, caret.x + caret.w, caret.y + caret.h};
  ImmSetCompositionWindow(context, &composition);
  ImmReleaseContext(window, context);
}

bool ticksMayStop = false;

void StartRepaintTimer(WebViewWindow& record) noexcept {
  if (!record.repaintTimer && record.window)
    record.repaintTimer = SetTimer(record.window, kRepaintTimerId, 10, nullptr);
}

// A tick that finds nothing to paint stops the timer, so an unchanging page costs no wake-ups;
// every message to a window and all of the engine's own work start it again (WakeRepaints).
void RepaintTick(WebViewWindow* record) noexcept {
  if (record->view && record->pixels && record->view->isDirty()) {
    PaintStep(record);
    return;
  }
  if (!ticksMayStop) return;
  KillTimer(record->window, kRepaintTimerId);
  record->repaintTimer = 0;
}

LRESULT HandleMessage(WebViewWindow* record, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // Whatever a window is told may change a page, and not only its own: a script run here can
  // change any window's page. Modal loops (moving, menus) dispatch these too.
  if (message != WM_TIMER || wParam != kRepaintTimerId) WakeRepaints();
  switch (message) {
    case WM_DESTROY: {
      // Removing the icon waits for the shell, and messages sent to this thread are handled
      // meanwhile; by then the window's table entries are gone (when this was the last
      // reference), so a callback delivered in between never finds the closing window. The
      // handle is still valid here: the shell finds the icon by it.
      const bool hadTrayIcon = record->trayUsed;
      Release(record);
      if (hadTrayIcon) tray::Remove(window);
      return 0;
    }
    case WM_MOVE: {
      const int x = GET_X_LPARAM(lParam);
      const int y = GET_Y_LPARAM(lParam);
      // Each half of the packed offsets is a signed 16-bit number, so followers may sit left of
      // or above their leader.
      for (const auto& [follower, offsets] : record->followers) {
        const int dx = static_cast<int16_t>(LOWORD(offsets));
        const int dy = static_cast<int16_t>(HIWORD(offsets));
        SetWindowPos(follower, nullptr, x + dx, y + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
      }
      return 0;
    }
    case WM_SIZE:
      RecreatePixelBuffer(record);
      window_callbacks::CallWithMessage(record, record->sizeCallback, wParam, lParam);
      return 0;
    case WM_SETFOCUS:
      if (record->view) record->view->focus();
      return 0;
    case WM_KILLFOCUS:
      if (record->view) record->view->unfocus();
      return 0;
    case WM_PAINT:
    case WM_NCCALCSIZE:
    case WM_NCPAINT:
      // Never handing these to the default procedure makes the whole window client area.
      PaintNow(record);
      return 0;
    case WM_NCACTIVATE: PaintNow(record); return wParam == 0 ? 1 : 0;
    case WM_CLOSE:
      if (!window_callbacks::CloseAllowed(record, wParam, lParam)) return 0;
      return DestroyWindow(window);
    case WM_GETMINMAXINFO:
      if (lParam) reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = record->minTrackSize;
      window_callbacks::ApplyMinMaxInfo(record, wParam, lParam);
      return 0;
    case WM_NCHITTEST: return HitTest(record, window, message, wParam, lParam);
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR: {
      if (!record->view) return 0;
      const unsigned flags = KeyFlags(lParam);
      const auto code = static_cast<unsigned>(wParam);
      bool handled = false;
      if (message == WM_KEYDOWN) handled = record->view->keyDown(code, flags, false);
      else if (message == WM_KEYUP) handled = record->view->keyUp(code, flags, false);
      else handled = record->view->keyPress(code, flags, false);
      return handled ? 0 : DefWindowProcW(window, message, wParam, lParam);
    }
    case WM_IME_STARTCOMPOSITION: PlaceImeWindows(record, window); return 0;
    case WM_SYSCOMMAND: {
      GetWindowRect(window, &record->windowRect);
      record->width = record->windowRect.right - record->windowRect.left;
      record->height = record->windowRect.bottom - record->windowRect.top;
      const LRESULT result = DefWindowProcW(window, message, wParam, lParam);
      if (wParam != SC_CLOSE) window_callbacks::CallWithMessage(record, record->sysCommandCallback, wParam, lParam);
      return result;
    }
    case WM_EXITSIZEMOVE:
      if (record->exitSizeMoveCallback && record->view) {
        engine::api.jsCall(record->view->globalExec(), record->exitSizeMoveCallback, engine::api.jsUndefined(), nullptr,
                           0);
      }
      return 0;
    case WM_DROPFILES:
      window_callbacks::DeliverDroppedFiles(record, reinterpret_cast<HDROP>(wParam));
      DragFinish(reinterpret_cast<HDROP>(wParam));
      return DefWindowProcW(window, message, wParam, lParam);
    case kScriptCallbackMessage: {
      CallbackList* list = callbacks::Claim(wParam);
      if (!list) return 0;
      if (record->view) callbacks::Run(record->view->globalExec(), list);
      else callbacks::Release(list);
      return 1;
    }
    case kFileListMessage: {
      if (!fileListReceiver) return 0;
      CallbackList* list = callbacks::Claim(wParam);
      if (!list) return 0;
      return fileListReceiver(record->view ? record->view->globalExec() : nullptr, list);
    }
    case tray::kTrayMessage:
      // The shell sends it; lParam holds only a mouse message number, so any sender is safe.
      tray::OnTrayMessage(record, lParam);
      return 0;
    case WM_TIMER:
      if (wParam == kRepaintTimerId) RepaintTick(record);
      return 0;
    case WM_MOUSEWHEEL: {
      if (!record->view) return 0;
      POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ScreenToClient(window, &point);
      const int delta = GET_WHEEL_DELTA_WPARAM(wParam);
      const bool handled = record->view->mouseWheel(point.x, point.y, delta, MouseFlags(LOWORD(wParam)));
      return handled ? 0 : DefWindowProcW(window, message, wParam, lParam);
    }
    default: break;
  }
  if (message != 0 && message == tray::TaskbarCreatedMessage()) {
    tray::OnTaskbarCreated(record);
    return DefWindowProcW(window, message, wParam, lParam);
  }
  if (message >= WM_MOUSEMOVE && message <= WM_MBUTTONDBLCLK) {
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN) {
      SetFocus(window);
      SetCapture(window);
    } else if (message == WM_LBUTTONUP || message == WM_RBUTTONUP || message == WM_MBUTTONUP) {
      ReleaseCapture();
    }
    if (!record->view) return 0;
    const int x = GET_X_LPARAM(lParam);
    const int y = GET_Y_LPARAM(lParam);
    const unsigned flags = MouseFlags(wParam);
    if (message == WM_RBUTTONDOWN || message == WM_RBUTTONUP) record->view->contextMenuEvent(x, y, flags);
    const bool handled = record->view->mouseEvent(message, x, y, flags);
    return handled ? 0 : DefWindowProcW(window, message, wParam, lParam);
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void Teardown(WebViewWindow* record) {
  record->memoryDc.reset();
  record->pixelBitmap.reset();
  record->pixels = nullptr;
  windows::Remove(record);
  // Only windows whose page used the tray talk to the shell (see WM_DESTROY).
  if (record->trayUsed) tray::Remove(record->window);
  if (record->window) DestroyWindow(record->window);
  if (record->view) {
    record->view->destroy();
    record->view = nullptr;
  }
  record->name.clear();
  record->hasName = false;
  record->hitTestMask.clear();
  record->renderMapping = RenderMapping{};
  record->followers.clear();
  record->trayCallbacks.clear();
  record->trayShown = false;
  record->trayUsed = false;
  record->trayTip.clear();
}

}  // namespace

WebViewWindow* NewWindow() noexcept {
  auto* record = new (std::nothrow) WebViewWindow();
  if (record) record->references = 1;
  return record;
}

int Create(WebViewWindow* record, const std::wstring& name, DWORD style, DWORD extendedStyle, HWND parent) noexcept {
  try {
    record->name = name;
    record->hasName = true;
    if (record->view) {
      windows::RemoveView(record->view);
      record->view->destroy();
      record->view = nullptr;
    }
    record->view = engine::api.wkeCreateWebView();
    if (!record->view) return 1;
    if (record->window) {
      windows::RemoveWindow(record->window);
      DestroyWindow(record->window);
      record->window = nullptr;
    }
    record->window = CreateWindowExW(extendedStyle, kWindowClass, name.c_str(), style, 0, 0, 0, 0, parent, nullptr,
                                     GetModuleHandleW(nullptr), nullptr);
    if (!record->window) return 1;
    record->extendedStyle = extendedStyle;
    tray::AcceptTaskbarCreated(record->window);
    windows::Add(record, name);
    record->view->setTransparent(true);
    record->view->setCookieEnabled(true);
    record->repaintTimer = 0;
    StartRepaintTimer(*record);
    return 0;
  } catch (...) {
    return 1;
  }
}

int Load(WebViewWindow* record, const std::wstring& page) noexcept {
  if (!record->view) return 1;
  if (page.starts_with(L"http:") || page.starts_with(L"https:")) record->view->loadURL(page.c_str());
  else record->view->loadFile(page.c_str());
  return 0;
}

void PaintStep(WebViewWindow* record) noexcept {
  if (!record->view || !record->view->isDirty()) return;
  // No buffer yet (the window was never sized, or the bitmap could not be made): nothing to
  // paint into.
  if (!record->pixels) return;
  trace::Step("host: paint, pixels", static_cast<long long>(record->width) * record->height);
  record->view->paint(record->pixels, record->width * 4);
  HDC screen = GetDC(record->window);
  if (record->extendedStyle & WS_EX_LAYERED) {
    SIZE size{record->width, record->height};
    POINT source{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    UpdateLayeredWindow(record->window, screen, nullptr, &size, record->memoryDc.get(), &source, 0, &blend, ULW_ALPHA);
  } else {
    BitBlt(screen, 0, 0, record->width, record->height, record->memoryDc.get(), 0, 0, SRCCOPY);
  }
  ReleaseDC(record->window, screen);
  trace::Step("host: presented");
  SignalFirstFrame();
  RenderMapping& mapping = record->renderMapping;
  if (!mapping.name.empty() && mapping.view) {
    uint64_t bytes = static_cast<uint64_t>(record->width) * static_cast<uint64_t>(record->height) * 4;
    if (mapping.size < bytes) bytes = mapping.size;
    memcpy(mapping.view.get(), record->pixels, static_cast<size_t>(bytes));
  }
}

void WakeRepaints() noexcept {
  try {
    windows::ForEachRecord([](WebViewWindow& record) { StartRepaintTimer(record); });
  } catch (...) {}
}

void ConnectEngineWork() noexcept {
  if (!engine::api.wkeSetWorkDoneHandler) return;
  engine::api.wkeSetWorkDoneHandler([](void*) { WakeRepaints(); }, nullptr);
  ticksMayStop = true;
}

void SetFileListReceiver(FileListReceiver receiver) noexcept { fileListReceiver = receiver; }

void AddReference(WebViewWindow* record) noexcept { InterlockedIncrement(&record->references); }

void Release(WebViewWindow* record) noexcept {
  if (InterlockedDecrement(&record->references) != 0) return;
  Teardown(record);
  delete record;
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  WebViewWindow* record = windows::RecordOf(window);
  if (!record) return DefWindowProcW(window, message, wParam, lParam);
  try {
    return HandleMessage(record, window, message, wParam, lParam);
  } catch (...) {
    return 0;
  }
}

}  // namespace webview
