#pragma once
// The OS version word: major version in the high 16 bits, minor in the low 16 bits. Read from
// kernel32.dll's fixed file-version record, else from the registry's "CurrentVersion" text.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace os_version {

// dwFileVersionMS of the first VS_FIXEDFILEINFO record in data, trying every byte offset for
// its signature; 0 when there is none (or the record would run past the end).
uint32_t FileVersionMSFromResource(const uint8_t* data, size_t size);

// "10.0" -> 0x000A0000, "6.1" -> 0x00060001, "6" -> 0x00060000.
uint32_t ParseCurrentVersion(std::wstring_view text);

uint32_t Query();

}  // namespace os_version
