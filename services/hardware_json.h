#pragma once
// The JSON texts Handware_Info delivers: device lists and the resolution list of the primary
// monitor. Names are escaped, and a list that would pass its length limit stops at the last
// whole entry, so the text is always valid JSON.
#include <cstddef>
#include <string>
#include <vector>

namespace hardware {

inline constexpr size_t kDeviceTextLimit = 1039;
inline constexpr size_t kResolutionTextLimit = 16383;

struct Resolution {
  int width = 0;
  int height = 0;
  bool operator==(const Resolution&) const = default;
};

// Adds a device name unless the list already holds exactly that name.
void AddDevice(std::vector<std::wstring>& devices, const std::wstring& name);

// An equal pair is dropped; a new one goes before the first smaller entry (smaller width, or
// equal width and smaller height), else at the end: the list stays unique, largest first.
void AddResolution(std::vector<Resolution>& resolutions, Resolution resolution);

std::wstring EscapeJson(const std::wstring& text);

// {"<listName>":[{"name":"..."},...]}
std::wstring DeviceListJson(const std::wstring& listName, const std::vector<std::wstring>& devices,
                            size_t limit = kDeviceTextLimit);

// {"resolution":[{"width":w,"height":h},...],"current":[{"width":w,"height":h}]}
std::wstring ResolutionJson(const std::vector<Resolution>& resolutions, Resolution current,
                            size_t limit = kResolutionTextLimit);

// Installed memory in bytes as whole GiB, rounded to the nearest.
int RoundedGibibytes(unsigned long long bytes);

}  // namespace hardware
