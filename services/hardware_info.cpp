#include "hardware_info.h"

#include <windows.h>

#include <optional>
#include <string>

#include "bridge/completion.h"
#include "bridge/script_values.h"
#include "hardware_devices.h"
#include "hardware_json.h"
#include "registry_read.h"

namespace natives {

namespace {

constexpr GUID kDisplayAdapters = {0x4D36E968, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
constexpr GUID kMediaDevices = {0x4D36E96C, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
constexpr wchar_t kProcessorKey[] = L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";
constexpr wchar_t kDirectXKey[] = L"SOFTWARE\\Microsoft\\DirectX";

void System(const completion::Target& target) {
  OSVERSIONINFOEXW version{};
  version.dwOSVersionInfoSize = sizeof version;
  GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version));
  completion::Send(target, {static_cast<int32_t>(version.dwMajorVersion), static_cast<int32_t>(version.dwMinorVersion),
                            static_cast<int32_t>(version.wProductType), static_cast<int32_t>(version.wSuiteMask),
                            static_cast<int32_t>(GetSystemMetrics(SM_SERVERR2)), std::wstring(version.szCSDVersion)});
}

void Bitness(const completion::Target& target) {
  SYSTEM_INFO information{};
  GetNativeSystemInfo(&information);
  const WORD architecture = information.wProcessorArchitecture;
  const bool wide = architecture == PROCESSOR_ARCHITECTURE_AMD64 || architecture == PROCESSOR_ARCHITECTURE_IA64;
  completion::Send(target, {static_cast<int32_t>(wide ? 64 : 32)});
}

void Processor(const completion::Target& target) {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProcessorKey, 0, KEY_READ, &opened) != ERROR_SUCCESS) return;
  RegCloseKey(opened);
  const std::wstring name =
      registry::ReadText(HKEY_LOCAL_MACHINE, kProcessorKey, L"ProcessorNameString", KEY_READ).value_or(std::wstring());
  const DWORD megahertz = registry::ReadNumber(HKEY_LOCAL_MACHINE, kProcessorKey, L"~MHz").value_or(0);
  SYSTEM_INFO information{};
  GetSystemInfo(&information);
  completion::Send(target, {static_cast<int32_t>(information.dwNumberOfProcessors),
                            static_cast<int32_t>(information.dwProcessorType), static_cast<int32_t>(megahertz), name});
}

void Memory(const completion::Target& target) {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  GlobalMemoryStatusEx(&status);
  completion::Send(target, {static_cast<int32_t>(hardware::RoundedGibibytes(status.ullTotalPhys))});
}

void DirectX(const completion::Target& target) {
  const std::optional<std::wstring> version = registry::ReadText(HKEY_LOCAL_MACHINE, kDirectXKey, L"Version", KEY_READ);
  completion::Send(target, {version ? *version : std::wstring(L"Unavailable")});
}

void Resolutions(const completion::Target& target) {
  const hardware::Resolution current{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  completion::Send(target, {hardware::ResolutionJson(hardware::PrimaryMonitorResolutions(), current)});
}

void Answer(const std::wstring& kind, const completion::Target& target) {
  if (kind == L"language") completion::Send(target, {static_cast<int32_t>(GetACP())});
  else if (kind == L"system") System(target);
  else if (kind == L"bit") Bitness(target);
  else if (kind == L"cpu") Processor(target);
  else if (kind == L"memory") Memory(target);
  else if (kind == L"display")
    completion::Send(target, {hardware::DeviceListJson(L"display", hardware::DevicesOfClass(kDisplayAdapters))});
  else if (kind == L"media")
    completion::Send(target, {hardware::DeviceListJson(L"media", hardware::DevicesOfClass(kMediaDevices))});
  else if (kind == L"directx") DirectX(target);
  else if (kind == L"resolution") Resolutions(target);
}

}  // namespace

jsValue Js_Handware_Info(jsExecState es) {
  const std::wstring kind = script::Text(es, 0);
  const completion::Target target = completion::TargetOf(es, 1);
  return script::Boolean(completion::StartWorker([kind, target] { Answer(kind, target); }));
}

}  // namespace natives
