#pragma once
// What a page gets back from a registry value: its data read as UTF-16 text up to the first
// zero character, whatever the value's type. The text never runs past the data the registry
// returned, so data that fill the buffer exactly without a terminator still end with the data.
#include <cstddef>
#include <cstdint>
#include <string>

namespace registry {

// An odd last byte counts as one more character whose high byte is zero.
std::wstring TextOfValueData(const uint8_t* data, size_t bytes);

}  // namespace registry
