#pragma once
// What the machine offers, as Handware_Info reports it: present devices of a setup class and
// the display modes of the primary monitor.
#include <windows.h>

#include <string>
#include <vector>

#include "hardware_json.h"

namespace hardware {

// Device descriptions of the present devices of a setup class, in enumeration order, each
// name once. A device counts when its class, class image and class description can be read.
std::vector<std::wstring> DevicesOfClass(const GUID& setupClass);

// The primary monitor's display modes as unique sizes, largest first.
std::vector<Resolution> PrimaryMonitorResolutions();

}  // namespace hardware
