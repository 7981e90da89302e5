#include "single_instance.h"

#include <windows.h>

#include <cstring>

#include "base/owned_handles.h"
#include "base/win_handles.h"
#include "host/shutdown_steps.h"
#include "script_values.h"
#include "window_tables.h"

namespace {

constexpr DWORD kSectionSize = 16;

// The section this process created; kept open and mapped until shutdown so later starts find it.
struct SingleInstanceSection {
  win::HostKernelHandle section;
  win::MappedView view;
};

SingleInstanceSection& OwnSection() {
  static SingleInstanceSection section;
  return section;
}

void ReleaseOwnSection() {
  OwnSection().view.reset();
  OwnSection().section.reset();
}

HANDLE OpenSection(const std::wstring& name, bool* existed) {
  HANDLE section = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kSectionSize, name.c_str());
  *existed = GetLastError() == ERROR_ALREADY_EXISTS;
  return section;
}

HWND ReadWindow(const void* view) {
  uint32_t value = 0;
  std::memcpy(&value, view, 4);
  return static_cast<HWND>(script::HandleFromBits(value));
}

void WriteWindow(void* view, HWND window) {
  const auto value = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window));
  std::memcpy(view, &value, 4);
}

void BringToFront(HWND window) {
  ShowWindow(window, SW_SHOW);
  SetWindowPos(window, window, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetForegroundWindow(window);
  // The system lets only the foreground thread move the foreground; borrowing its input state
  // for a moment makes the second SetForegroundWindow succeed.
  const DWORD foregroundThread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
  AttachThreadInput(GetCurrentThreadId(), foregroundThread, TRUE);
  SetForegroundWindow(window);
  AttachThreadInput(GetCurrentThreadId(), foregroundThread, FALSE);
}

}  // namespace

namespace natives {

jsValue Js_SetCurrentWindowFlag(jsExecState es) {
  const std::wstring flag = script::Text(es, 0);
  if (const HWND own = windows::OwnWindow(es)) windows::SetFlag(flag, own);
  return script::Undefined();
}

jsValue Js_CreateGlobalHWND(jsExecState es) {
  const std::wstring name = script::Text(es, 0);
  bool existed = false;
  SingleInstanceSection& own = OwnSection();
  own.view.reset();
  own.section.reset(OpenSection(name, &existed));
  shutdown_steps::Register(shutdown_steps::Step::SingleInstanceSection, ReleaseOwnSection);
  if (!own.section) return script::Integer(0);
  own.view.reset(MapViewOfFile(own.section.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
  if (!own.view || existed) return script::Integer(0);
  WriteWindow(own.view.get(), nullptr);
  if (const HWND window = windows::OwnWindow(es)) WriteWindow(own.view.get(), window);
  return script::Integer(1);
}

jsValue Js_UpdateGlobalHWND(jsExecState es) {
  const std::wstring name = script::Text(es, 0);
  const std::wstring flag = script::Text(es, 1);
  bool existed = false;
  const win::KernelHandle section(OpenSection(name, &existed));
  if (!section) return script::Undefined();
  const win::MappedView view(MapViewOfFile(section.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
  if (view && existed) {
    if (const HWND window = windows::FlagOnly(flag)) WriteWindow(view.get(), window);
  }
  return script::Undefined();
}

jsValue Js_SetForegroundGlobalHWND(jsExecState es) {
  const std::wstring name = script::Text(es, 0);
  bool existed = false;
  const win::KernelHandle section(OpenSection(name, &existed));
  if (!section) return script::Integer(0);
  const win::MappedView view(MapViewOfFile(section.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
  if (!view || !existed) return script::Integer(0);
  const HWND window = ReadWindow(view.get());
  BringToFront(window);
  SendMessageW(window, WM_SYSCOMMAND, SC_RESTORE, 0);
  return script::Integer(1);
}

jsValue Js_SetForegroundWindow(jsExecState es) {
  const HWND window = windows::FlagOnly(script::Text(es, 0));
  if (!window) return script::Integer(0);
  SendMessageW(window, WM_SYSCOMMAND, SC_RESTORE, 0);
  BringToFront(window);
  return script::Integer(1);
}

}  // namespace natives
