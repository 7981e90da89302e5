#include "ini.h"

#include <windows.h>

#include <string>

#include "bridge/scratch_buffer.h"
#include "bridge/script_values.h"

namespace natives {

namespace {

constexpr uint32_t kValueBufferBytes = 1 << 20;

}  // namespace

jsValue Js_GetPrivateProfileString(jsExecState es) {
  const std::wstring file = script::Text(es, 0);
  const std::wstring section = script::Text(es, 1);
  const std::wstring key = script::Text(es, 2);
  ScratchBuffer buffer(kValueBufferBytes);
  GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", buffer.wide(), kValueBufferBytes / 2, file.c_str());
  return script::FromWide(es, buffer.wide());
}

jsValue Js_WritePrivateProfileString(jsExecState es) {
  const std::wstring file = script::Text(es, 0);
  const std::wstring section = script::Text(es, 1);
  const std::wstring key = script::Text(es, 2);
  const std::wstring value = script::Text(es, 3);
  const BOOL written = WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), file.c_str());
  return script::Integer(written ? 1 : 0);
}

}  // namespace natives
