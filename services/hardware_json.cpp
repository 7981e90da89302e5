#include "hardware_json.h"

#include <algorithm>
#include <cwchar>

namespace hardware {

namespace {

std::wstring SizeJson(Resolution resolution) {
  return L"{\"width\":" + std::to_wstring(resolution.width) + L",\"height\":" + std::to_wstring(resolution.height) +
         L"}";
}

// prefix, entries separated by commas, suffix; entries that would pass limit are left out.
std::wstring JoinWithin(const std::wstring& prefix, const std::vector<std::wstring>& entries,
                        const std::wstring& suffix, size_t limit) {
  std::wstring text = prefix;
  bool first = true;
  for (const std::wstring& entry : entries) {
    const size_t added = entry.size() + (first ? 0 : 1);
    if (text.size() + added + suffix.size() > limit) break;
    if (!first) text += L',';
    text += entry;
    first = false;
  }
  return text + suffix;
}

}  // namespace

void AddDevice(std::vector<std::wstring>& devices, const std::wstring& name) {
  if (std::find(devices.begin(), devices.end(), name) == devices.end()) devices.push_back(name);
}

void AddResolution(std::vector<Resolution>& resolutions, Resolution resolution) {
  for (auto entry = resolutions.begin(); entry != resolutions.end(); ++entry) {
    if (*entry == resolution) return;
    if (entry->width < resolution.width || (entry->width == resolution.width && entry->height < resolution.height)) {
      resolutions.insert(entry, resolution);
      return;
    }
  }
  resolutions.push_back(resolution);
}

std::wstring EscapeJson(const std::wstring& text) {
  std::wstring escaped;
  for (const wchar_t unit : text) {
    if (unit == L'"' || unit == L'\\') {
      escaped += L'\\';
      escaped += unit;
    } else if (unit < 0x20) {
      wchar_t code[8];
      std::swprintf(code, 8, L"\\u%04x", static_cast<unsigned>(unit));
      escaped += code;
    } else {
      escaped += unit;
    }
  }
  return escaped;
}

std::wstring DeviceListJson(const std::wstring& listName, const std::vector<std::wstring>& devices, size_t limit) {
  std::vector<std::wstring> entries;
  for (const std::wstring& name : devices) entries.push_back(L"{\"name\":\"" + EscapeJson(name) + L"\"}");
  return JoinWithin(L"{\"" + listName + L"\":[", entries, L"]}", limit);
}

std::wstring ResolutionJson(const std::vector<Resolution>& resolutions, Resolution current, size_t limit) {
  std::vector<std::wstring> entries;
  for (const Resolution& resolution : resolutions) entries.push_back(SizeJson(resolution));
  return JoinWithin(L"{\"resolution\":[", entries, L"],\"current\":[" + SizeJson(current) + L"]}", limit);
}

int RoundedGibibytes(unsigned long long bytes) {
  return static_cast<int>(static_cast<double>(bytes) / 1073741824.0 + 0.5);
}

}  // namespace hardware
