#include "environment.h"

#include <windows.h>

#include <string>

#include "bridge/scratch_buffer.h"
#include "bridge/script_values.h"

namespace natives {

namespace {

constexpr uint32_t kValueBufferBytes = 64 * 1024;

}  // namespace

jsValue Js_SetEnvironmentVariable(jsExecState es) {
  const std::wstring name = script::Text(es, 0);
  const std::wstring value = script::Text(es, 1);
  return script::Integer(SetEnvironmentVariableW(name.c_str(), value.c_str()) ? 1 : 0);
}

jsValue Js_GetEnvironmentVariable(jsExecState es) {
  const std::wstring name = script::Text(es, 0);
  ScratchBuffer buffer(kValueBufferBytes);
  // A value longer than the buffer is not copied at all: the buffer stays empty.
  GetEnvironmentVariableW(name.c_str(), buffer.wide(), kValueBufferBytes / 2);
  return script::FromWide(es, buffer.wide());
}

jsValue Js_GetCurrentProcessId(jsExecState) { return script::Number(static_cast<double>(GetCurrentProcessId())); }

}  // namespace natives
