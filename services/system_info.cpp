#include "system_info.h"

#include <windows.h>

#include <string>

#include "bridge/script_values.h"
#include "host/startup_state.h"

namespace natives {

jsValue Js_GetCursorPos(jsExecState es) {
  POINT position{};
  GetCursorPos(&position);
  return script::Record(es).Set("x", script::Integer(position.x)).Set("y", script::Integer(position.y)).value();
}

jsValue Js_GetSystemMetrics(jsExecState es) { return script::Integer(GetSystemMetrics(script::Int(es, 0))); }

jsValue Js_EnumDisplaySettings(jsExecState es) {
  // Entries sit at their device number; a device that cannot be read leaves its index empty.
  script::Record devices(es);
  const int count = GetSystemMetrics(SM_CMONITORS);
  for (int index = 0; index < count; ++index) {
    DISPLAY_DEVICEW device{};
    device.cb = sizeof device;
    if (!EnumDisplayDevicesW(nullptr, static_cast<DWORD>(index), &device, 0)) continue;
    DEVMODEW settings{};
    settings.dmSize = sizeof settings;
    if (!EnumDisplaySettingsW(device.DeviceName, ENUM_CURRENT_SETTINGS, &settings)) continue;
    const int left = settings.dmPosition.x;
    const int top = settings.dmPosition.y;
    const std::string key = std::to_string(index);
    devices.Set(key.c_str(), script::Record(es)
                                 .Set("left", script::Integer(left))
                                 .Set("top", script::Integer(top))
                                 .Set("right", script::Integer(left + static_cast<int>(settings.dmPelsWidth)))
                                 .Set("bottom", script::Integer(top + static_cast<int>(settings.dmPelsHeight)))
                                 .value());
  }
  return devices.value();
}

jsValue Js_GetHWID(jsExecState es) { return script::FromUtf8(es, startup::Get().hardwareId); }

}  // namespace natives
