#include "hardware_devices.h"

#include <setupapi.h>

namespace hardware {

namespace {

struct DeviceSet {
  HDEVINFO set;
  explicit DeviceSet(const GUID& setupClass)
      : set(SetupDiGetClassDevsW(&setupClass, nullptr, nullptr, DIGCF_PRESENT)) {}
  ~DeviceSet() {
    if (set != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set);
  }
  DeviceSet(const DeviceSet&) = delete;
  DeviceSet& operator=(const DeviceSet&) = delete;
};

struct ClassImages {
  SP_CLASSIMAGELIST_DATA data{};
  bool loaded = false;
  ClassImages() {
    data.cbSize = sizeof data;
    loaded = SetupDiGetClassImageList(&data) != FALSE;
  }
  ~ClassImages() {
    if (loaded) SetupDiDestroyClassImageList(&data);
  }
  ClassImages(const ClassImages&) = delete;
  ClassImages& operator=(const ClassImages&) = delete;
};

bool ReadProperty(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property, std::wstring& text) {
  wchar_t buffer[260] = {};
  if (!SetupDiGetDeviceRegistryPropertyW(set, &device, property, nullptr, reinterpret_cast<BYTE*>(buffer),
                                         sizeof buffer - sizeof(wchar_t), nullptr))
    return false;
  text = buffer;
  return true;
}

bool Counts(HDEVINFO set, SP_DEVINFO_DATA& device, ClassImages& images) {
  std::wstring className;
  if (!ReadProperty(set, device, SPDRP_CLASS, className)) return false;
  int imageIndex = 0;
  if (!images.loaded || !SetupDiGetClassImageIndex(&images.data, &device.ClassGuid, &imageIndex)) return false;
  wchar_t description[260] = {};
  return SetupDiGetClassDescriptionW(&device.ClassGuid, description, 259, nullptr) != FALSE;
}

BOOL CALLBACK FindPrimary(HMONITOR monitor, HDC, RECT*, LPARAM found) {
  MONITORINFOEXW information{};
  information.cbSize = sizeof information;
  if (GetMonitorInfoW(monitor, &information) && (information.dwFlags & MONITORINFOF_PRIMARY))
    *reinterpret_cast<std::wstring*>(found) = information.szDevice;
  return TRUE;
}

}  // namespace

std::vector<std::wstring> DevicesOfClass(const GUID& setupClass) {
  std::vector<std::wstring> devices;
  const DeviceSet devicesOfClass(setupClass);
  if (devicesOfClass.set == INVALID_HANDLE_VALUE) return devices;
  ClassImages images;
  for (DWORD index = 0;; ++index) {
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    if (!SetupDiEnumDeviceInfo(devicesOfClass.set, index, &device)) break;
    if (!Counts(devicesOfClass.set, device, images)) continue;
    std::wstring name;
    ReadProperty(devicesOfClass.set, device, SPDRP_DEVICEDESC, name);
    AddDevice(devices, name);
  }
  return devices;
}

std::vector<Resolution> PrimaryMonitorResolutions() {
  std::vector<Resolution> resolutions;
  std::wstring primary;
  EnumDisplayMonitors(nullptr, nullptr, FindPrimary, reinterpret_cast<LPARAM>(&primary));
  if (primary.empty()) return resolutions;
  for (DWORD mode = 0;; ++mode) {
    DEVMODEW settings{};
    settings.dmSize = sizeof settings;
    if (!EnumDisplaySettingsW(primary.c_str(), mode, &settings)) break;
    AddResolution(resolutions,
                  Resolution{static_cast<int>(settings.dmPelsWidth), static_cast<int>(settings.dmPelsHeight)});
  }
  return resolutions;
}

}  // namespace hardware
