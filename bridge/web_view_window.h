#pragma once
// One frameless top-level window showing one engine view. The engine renders off-screen into
// the window's pixel buffer; the window presents it with per-pixel alpha (layered) or a plain
// copy, forwards input to the view and carries the per-window state pages change.
#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine_api.h"
#include "base/owned_handles.h"
#include "base/win_handles.h"

struct CallbackList;

struct RenderMapping {
  std::wstring name;  // empty: no mapping
  win::HostKernelHandle section;
  win::MappedView view;
  uint64_t size = 0;
};

struct WebViewWindow {
  volatile LONG references = 0;
  wkeWebView view = nullptr;
  HWND window = nullptr;
  DWORD extendedStyle = 0;
  int width = 0;
  int height = 0;
  win::MemoryDc memoryDc;
  win::GdiObject pixelBitmap;
  uint32_t* pixels = nullptr;
  std::wstring name;
  bool hasName = false;
  std::vector<uint8_t> hitTestMask;
  int maskWidth = 0;
  int maskHeight = 0;
  jsValue hitTestCallback = 0;
  jsValue closeCallback = 0;
  jsValue sizeCallback = 0;
  jsValue exitSizeMoveCallback = 0;
  jsValue sysCommandCallback = 0;
  jsValue minMaxInfoCallback = 0;
  jsValue dropFilesCallback = 0;
  POINT minTrackSize{};
  RECT windowRect{};
  std::map<HWND, uint32_t> followers;
  RECT thickFrame{};  // border widths: left, top, right, bottom
  UINT_PTR repaintTimer = 0;
  std::map<uint32_t, jsValue> trayCallbacks;
  // What the notification area shows for this window, to show it again on a new taskbar.
  bool trayUsed = false;  // the page called ShellNotifyIcon for this window
  bool trayShown = false;
  UINT trayFlags = 0;  // NIF_MESSAGE, NIF_ICON and NIF_TIP as set so far
  std::wstring trayTip;
  RenderMapping renderMapping;
};

namespace webview {

inline constexpr wchar_t kWindowClass[] = L"VELQ___engine_v1 wke";
inline constexpr UINT_PTR kRepaintTimerId = 213456;

// A record with every field empty and one reference, or null when memory is short.
WebViewWindow* NewWindow() noexcept;
// 0 on success, 1 on failure.
int Create(WebViewWindow* record, const std::wstring& name, DWORD style, DWORD extendedStyle, HWND parent) noexcept;
// "http:" and "https:" (exact case) go to the engine's URL loader, anything else to its file
// loader. 1 when the record has no view, else 0.
int Load(WebViewWindow* record, const std::wstring& page) noexcept;
void PaintStep(WebViewWindow* record) noexcept;
// Starts the repaint timer of every window whose timer stopped on a tick with nothing to paint.
void WakeRepaints() noexcept;
// Repaint timers stop while nothing is to be painted only when the engine says when it ran
// work of its own (timers, network results); with an engine that cannot, they tick on.
void ConnectEngineWork() noexcept;
void AddReference(WebViewWindow* record) noexcept;
void Release(WebViewWindow* record) noexcept;

// Handles the file-list message on the window's thread for the layer that sends it: es is the
// window's page (null when it has none any more). Until one is set the message is not taken.
using FileListReceiver = LRESULT (*)(jsExecState es, CallbackList* list) noexcept;
void SetFileListReceiver(FileListReceiver receiver) noexcept;

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

}  // namespace webview
